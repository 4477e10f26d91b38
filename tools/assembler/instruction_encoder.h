// Turns one SM83 instruction (mnemonic and operand texts) into its bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sm83 {

struct EncodeContext {
    // Evaluates an operand expression; false with a message when it cannot be evaluated.
    std::function<bool(std::string_view expr, int64_t& value, std::string& error)> evaluate;
    // Off while labels are still being collected: values may be placeholders then.
    bool checkRanges = true;
    int64_t address = 0;  // CPU address of the instruction's first byte
};

// Appends the instruction's bytes to `out`. The number of bytes depends only on the mnemonic
// and the operand forms, never on values, so both passes lay out the same addresses.
bool encodeInstruction(std::string_view mnemonic, const std::vector<std::string>& operands,
                       const EncodeContext& context, std::vector<uint8_t>& out, std::string& error);

}  // namespace sm83
