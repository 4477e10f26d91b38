// Small helpers shared by the assembler tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/assembler/assembler.h"

namespace sm83::testing {

// Assembles `source` and returns the image bytes [offset, offset + count); fails the test
// (with the assembler's message) when assembly fails.
inline std::vector<uint8_t> bytesAt(const std::string& source, size_t offset, size_t count,
                                    size_t imageSize = 0x8000) {
    const AssemblyResult r = assemble(source, imageSize);
    EXPECT_TRUE(r.ok) << "source:\n" << source << "\nerror: " << r.error;
    if (!r.ok || offset + count > r.image.size()) return {};
    return std::vector<uint8_t>(r.image.begin() + static_cast<long>(offset),
                                r.image.begin() + static_cast<long>(offset + count));
}

inline std::string errorOf(const std::string& source, size_t imageSize = 0x8000) {
    const AssemblyResult r = assemble(source, imageSize);
    EXPECT_FALSE(r.ok) << "source assembled but should not have:\n" << source;
    return r.error;
}

}  // namespace sm83::testing
