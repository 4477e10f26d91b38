#include "tools/korvi_compat/compat_verdict.h"

const char* verdictName(Verdict verdict) {
    switch (verdict) {
        case Verdict::Refused: return "refused";
        case Verdict::NothingPresented: return "nothing presented";
        case Verdict::OneShade: return "one shade";
        case Verdict::Picture: return "picture";
        case Verdict::Skipped: return "skipped";
    }
    return "?";
}

Verdict judgePicture(const Pixel* pixels, int width, int height, int pitch) {
    const Pixel first = pixels[0];
    for (int y = 0; y < height; ++y) {
        const Pixel* row = pixels + static_cast<long>(y) * pitch;
        for (int x = 0; x < width; ++x) {
            if (row[x] != first) return Verdict::Picture;
        }
    }
    return Verdict::OneShade;
}
