#include "platform/file_browser.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

const FileFilter kRoms = {"Gameboy ROMs", "*.gb;*.gbc;"};

TEST(MatchesFilter, ExtensionsInAnyLetterCase) {
    struct Case {
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"tetris.gb", true}, {"TETRIS.GB", true},   {"Zelda.GbC", true},    {"game.gbc", true},
        {".gb", true},       {"game.gba", false},   {"game.gb.bak", false}, {"gamegb", false},
        {"game.g", false},   {"readme.txt", false}, {"a.b.gb", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(matchesFilter(c.name, kRoms.patterns), c.matches) << c.name;
    }
    EXPECT_TRUE(matchesFilter("x1.sav", "*.s?v"));
    EXPECT_FALSE(matchesFilter("anything", ""));
}

class FileBrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("korvi-browser-" + std::to_string(getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "Saves");
        fs::create_directories(root_ / "alpha");
        for (const char* name : {"b.GB", "a.gbc", "notes.txt", "c.gb"}) {
            std::ofstream(root_ / name) << "x";
        }
        std::ofstream(root_ / "alpha" / "inner.gb") << "x";
    }
    void TearDown() override { fs::remove_all(root_); }

    static std::vector<std::string> names(const FileBrowser& browser) {
        std::vector<std::string> out;
        for (const BrowserEntry& e : browser.entries()) out.push_back(e.name);
        return out;
    }

    fs::path root_;
};

TEST_F(FileBrowserTest, ParentThenFoldersThenMatchingFiles) {
    FileBrowser browser(kRoms);
    ASSERT_TRUE(browser.open(root_.string()));
    EXPECT_EQ(names(browser),
              (std::vector<std::string>{"..", "alpha", "Saves", "a.gbc", "b.GB", "c.gb"}));
    EXPECT_EQ(browser.folder(), root_.string());
}

TEST_F(FileBrowserTest, NavigatesIntoFoldersAndBackUp) {
    FileBrowser browser(kRoms);
    ASSERT_TRUE(browser.open(root_.string()));
    EXPECT_FALSE(browser.activate(1));  // alpha
    EXPECT_EQ(browser.folder(), (root_ / "alpha").string());
    EXPECT_EQ(names(browser), (std::vector<std::string>{"..", "inner.gb"}));
    EXPECT_FALSE(browser.activate(0));  // ..
    EXPECT_EQ(browser.folder(), root_.string());
}

TEST_F(FileBrowserTest, ChoosingAFileGivesItsFullPath) {
    FileBrowser browser(kRoms);
    ASSERT_TRUE(browser.open(root_.string()));
    EXPECT_TRUE(browser.activate(5));
    EXPECT_EQ(browser.chosenPath(), (root_ / "c.gb").string());
    EXPECT_FALSE(browser.activate(99));
}

TEST_F(FileBrowserTest, AnUnreadableFolderChangesNothing) {
    FileBrowser browser(kRoms);
    ASSERT_TRUE(browser.open(root_.string()));
    EXPECT_FALSE(browser.open((root_ / "missing").string()));
    EXPECT_FALSE(browser.open((root_ / "c.gb").string()));
    EXPECT_EQ(browser.folder(), root_.string());
    EXPECT_EQ(browser.entries().size(), 6u);
}

TEST_F(FileBrowserTest, TheRootHasNoParentEntry) {
    FileBrowser browser(kRoms);
    ASSERT_TRUE(browser.open("/"));
    ASSERT_FALSE(browser.entries().empty());
    EXPECT_NE(browser.entries()[0].name, "..");
    EXPECT_FALSE(browser.goToParent());
}

}  // namespace
