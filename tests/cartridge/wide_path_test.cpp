// The form the W file calls are given. Wine takes long paths in any form, so only
// the form itself shows there whether a path would pass on Windows' 260-character
// limit.
#include "cartridge/wide_path_win32.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(WidePathTest, LongPathsTakeTheLiteralFormAndShortOnesStayAsWritten) {
    const std::string longName(300, 'a');
    const std::wstring wideLongName(300, L'a');
    struct Case {
        std::string path;
        std::wstring expected;
    };
    const Case cases[] = {
        {"C:/games/Игры/テスト.gb", L"C:/games/Игры/テスト.gb"},
        {"NUL", L"NUL"},
        // Made absolute: slashes turned round, "." and ".." resolved.
        {"C:/Игры/" + longName + "/./sub/../テスト.gb",
         L"\\\\?\\C:\\Игры\\" + wideLongName + L"\\テスト.gb"},
        {"//server/share/" + longName + "/x.gb",
         L"\\\\?\\UNC\\server\\share\\" + wideLongName + L"\\x.gb"},
        {"\\\\?\\C:\\" + longName, L"\\\\?\\C:\\" + wideLongName},
    };
    for (const Case& c : cases) EXPECT_EQ(widePath(c.path), c.expected) << c.path;
}

}  // namespace
