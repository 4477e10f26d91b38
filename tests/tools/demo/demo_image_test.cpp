// The demo cartridge as built: a header the boot ROM and other tools accept.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

#include "tests/tools/cartridge_header_checks.h"

extern const uint8_t kDemoCartridge[];
extern const size_t kDemoCartridgeSize;

namespace {

TEST(DemoImageTest, HeaderCarriesLogoTitleAndChecksums) {
    expectCompletedHeader(kDemoCartridge, kDemoCartridgeSize, "KORVI DEMO");
    // The ROM size code names the image's size: 32 KB << code.
    EXPECT_EQ(size_t{0x8000} << kDemoCartridge[0x148], kDemoCartridgeSize);
}

}  // namespace
