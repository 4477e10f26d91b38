// TEMPORARY placeholder until the assembler lands.
#include "tools/assembler/assembler.h"
namespace sm83 {
AssemblyResult assemble(std::string_view, size_t imageSize) {
    AssemblyResult r;
    r.image.assign(imageSize, 0);
    r.error = "assembler not built yet";
    return r;
}
void applyHeader(std::vector<uint8_t>& image, const CartridgeHeader& h) {
    if (image.size() < 0x150) return;
    image[0x143] = h.colourFlag;
    image[0x147] = h.type;
    image[0x148] = h.romSizeCode;
    image[0x149] = h.ramSizeCode;
}
}  // namespace sm83
