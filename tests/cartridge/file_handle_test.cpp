#include "cartridge/file_handle.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>

#include "cartridge/utf8_path.h"
#include "cartridge/whole_file_writer.h"
#include "file_fixture.h"

namespace {

const std::vector<uint8_t> kHundredBytes(100, 0xAB);

TEST(FileHandleTest, CreateTruncatesAnExistingFile) {
    TempDir dir;
    writeBytes(dir / "f", kHundredBytes);
    FileHandle file;
    ASSERT_TRUE(file.open(dir / "f", FileMode::Create));
    file.close();
    EXPECT_EQ(std::filesystem::file_size(dir / "f"), 0u);
}

TEST(FileHandleTest, ReadOfAMissingFileFailsAndLeavesTheHandleClosed) {
    TempDir dir;
    FileHandle file;
    EXPECT_FALSE(file.open(dir / "missing", FileMode::Read));
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(file.mode(), FileMode::Read);
    uint8_t byte = 0x5A;
    EXPECT_EQ(file.write(&byte, 1), 0u);
    EXPECT_EQ(file.read(&byte, 1), 0u);
    EXPECT_EQ(byte, 0x5A);
    EXPECT_FALSE(fileExists(dir / "missing"));
}

TEST(FileHandleTest, WriteValueWritesLowBytesLeastSignificantFirst) {
    struct Case {
        uint32_t value, count;
        std::vector<uint8_t> want;
    };
    const Case cases[] = {
        {1280, 2, {0x00, 0x05}},
        {0x12345678, 4, {0x78, 0x56, 0x34, 0x12}},
        {0x12345678, 3, {0x78, 0x56, 0x34}},
        {0xABCD, 1, {0xCD}},
        {0xABCD, 0, {}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        FileHandle file;
        ASSERT_TRUE(file.open(dir / "v", FileMode::Create));
        EXPECT_EQ(file.writeValue(c.value, c.count), c.want.size()) << c.value << "/" << c.count;
        file.close();
        EXPECT_EQ(readBytes(dir / "v"), c.want) << c.value << "/" << c.count;
    }
}

TEST(FileHandleTest, TransfersOnlyInTheirOwnModes) {
    TempDir dir;
    writeBytes(dir / "f", {1, 2, 3, 4});
    uint8_t buffer[8] = {};
    const uint8_t source[2] = {9, 9};
    FileHandle file;

    ASSERT_TRUE(file.open(dir / "f", FileMode::Read));
    EXPECT_EQ(file.write(source, 2), 0u);
    EXPECT_EQ(file.read(buffer, 0), 0u);
    EXPECT_EQ(file.read(buffer, 8), 4u) << "a read stops at the end of the file";
    EXPECT_EQ(file.read(buffer, 8), 0u);
    file.close();
    EXPECT_EQ(readBytes(dir / "f"), (std::vector<uint8_t>{1, 2, 3, 4}));

    for (FileMode mode : {FileMode::Create, FileMode::Overwrite, FileMode::Append}) {
        ASSERT_TRUE(file.open(dir / "f", mode));
        EXPECT_EQ(file.read(buffer, 1), 0u) << static_cast<int>(mode);
        EXPECT_EQ(file.write(source, 0), 0u) << static_cast<int>(mode);
        file.close();
    }
}

TEST(FileHandleTest, WriteModesPlaceBytesAsTheirNamesSay) {
    struct Case {
        FileMode mode;
        bool fileExistsBefore;
        std::vector<uint8_t> want;
    };
    const Case cases[] = {
        {FileMode::Create, true, {7, 8}},
        {FileMode::Overwrite, true, {7, 8, 3, 4}},
        {FileMode::Append, true, {1, 2, 3, 4, 7, 8}},
        {FileMode::Create, false, {7, 8}},
        {FileMode::Overwrite, false, {7, 8}},
        {FileMode::Append, false, {7, 8}},
    };
    const uint8_t source[2] = {7, 8};
    for (const Case& c : cases) {
        TempDir dir;
        if (c.fileExistsBefore) writeBytes(dir / "f", {1, 2, 3, 4});
        FileHandle file;
        ASSERT_TRUE(file.open(dir / "f", c.mode));
        EXPECT_EQ(file.write(source, 2), 2u);
        file.close();
        EXPECT_EQ(readBytes(dir / "f"), c.want)
            << "mode " << static_cast<int>(c.mode) << ", existed " << c.fileExistsBefore;
    }
}

TEST(FileHandleTest, ReadersShareAndWritersAreExclusive) {
    TempDir dir;
    writeBytes(dir / "f", kHundredBytes);
    const std::string path = dir / "f";

    FileHandle reader, otherReader, writer;
    ASSERT_TRUE(reader.open(path, FileMode::Read));
    EXPECT_TRUE(otherReader.open(path, FileMode::Read));
    for (FileMode mode : {FileMode::Create, FileMode::Overwrite, FileMode::Append})
        EXPECT_FALSE(writer.open(path, mode))
            << "writer beside a reader, mode " << static_cast<int>(mode);
    EXPECT_EQ(readBytes(path), kHundredBytes) << "a refused Create must not truncate";
    reader.close();
    otherReader.close();

    ASSERT_TRUE(writer.open(path, FileMode::Overwrite));
    EXPECT_FALSE(reader.open(path, FileMode::Read));
    FileHandle secondWriter;
    EXPECT_FALSE(secondWriter.open(path, FileMode::Append));
    writer.close();
    EXPECT_TRUE(reader.open(path, FileMode::Read));
}

TEST(FileHandleTest, OpeningAgainReleasesTheFirstFile) {
    TempDir dir;
    writeBytes(dir / "a", {1});
    writeBytes(dir / "b", {2});
    FileHandle first;
    ASSERT_TRUE(first.open(dir / "a", FileMode::Overwrite));
    ASSERT_TRUE(first.open(dir / "b", FileMode::Read));
    FileHandle second;
    EXPECT_TRUE(second.open(dir / "a", FileMode::Create)) << "the lock on a is still held";
    uint8_t byte = 0;
    EXPECT_EQ(first.read(&byte, 1), 1u);
    EXPECT_EQ(byte, 2);
}

TEST(FileHandleTest, RefusesDirectoriesAndUnknownModes) {
    TempDir dir;
    FileHandle file;
    EXPECT_FALSE(file.open(dir.path(), FileMode::Read));
    EXPECT_FALSE(file.open(dir.path(), FileMode::Create));
    EXPECT_FALSE(file.open(dir / "f", static_cast<FileMode>(4)));
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(file.mode(), static_cast<FileMode>(4));
    EXPECT_FALSE(fileExists(dir / "f"));
    EXPECT_FALSE(file.open("", FileMode::Create));
}

// Only regular files are used, and finding out never waits: a pipe nobody writes to
// would hang a blocking open or read for ever.
TEST(FileHandleTest, RefusesEverythingButRegularFilesWithoutWaiting) {
    TempDir dir;
    struct Case {
        std::string path;
        FileMode mode;
    };
    std::vector<Case> cases;
#ifdef _WIN32
    cases = {{"NUL", FileMode::Read}, {"NUL", FileMode::Create}};
#else
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0644), 0);
    cases = {{dir / "pipe", FileMode::Read},   {dir / "pipe", FileMode::Create},
             {dir / "pipe", FileMode::Append}, {"/dev/null", FileMode::Read},
             {"/dev/zero", FileMode::Read},    {"/dev/null", FileMode::Create}};
#ifdef __linux__
    cases.push_back({"/proc/self/mem", FileMode::Read});
#endif
#endif
    for (const Case& c : cases) {
        FileHandle file;
        EXPECT_FALSE(file.open(c.path, c.mode)) << c.path << " mode " << int(c.mode);
        EXPECT_EQ(file.failure(), kNotARegularFile) << c.path << " mode " << int(c.mode);
        EXPECT_FALSE(file.isOpen());
    }
}

TEST(FileHandleTest, ReadsAndWritesAWholeLargeBuffer) {
    TempDir dir;
    std::vector<uint8_t> data(0x180000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + (i >> 12));
    FileHandle file;
    ASSERT_TRUE(file.open(dir / "big", FileMode::Create));
    EXPECT_EQ(file.write(data.data(), static_cast<uint32_t>(data.size())), data.size());
    EXPECT_TRUE(file.flush());
    file.close();
    EXPECT_FALSE(file.flush());

    std::vector<uint8_t> back(data.size() + 16, 0);
    ASSERT_TRUE(file.open(dir / "big", FileMode::Read));
    EXPECT_EQ(file.read(back.data(), static_cast<uint32_t>(back.size())), data.size());
    back.resize(data.size());
    EXPECT_EQ(back, data);
}

// Paths are UTF-8 throughout the program. On Windows a name outside the user's code
// page ("????" there) and a path past the classic 260 characters must still be
// created, read, renamed and removed, and land on the disk under the name given.
TEST(FileHandleTest, NamesOutsideTheCodePageAndLongPathsGoThroughEveryCall) {
    TempDir dir;
    struct Case {
        std::string folder, name, renamed;
    };
    const Case cases[] = {
        // The literals are UTF-8: Cyrillic, Japanese, Greek and an emoji outside the BMP.
        {dir / "Игры", "テスト.gb", "Ελληνικά 🎮.gb"},
        {dir / std::string(100, 'f'), std::string(170, 'n') + ".gb", std::string(180, 'r') + ".gb"},
    };
    const std::vector<uint8_t> data = {0x31, 0x41, 0x59, 0x26, 0x53};
    for (const Case& c : cases) {
        const std::string path = c.folder + "/" + c.name, renamed = c.folder + "/" + c.renamed;
        SCOPED_TRACE(path);
        ASSERT_TRUE(makeFolder(c.folder)) << hostErrorText();
        std::string failure;
        ASSERT_TRUE(writeWholeFile(path, data.data(), static_cast<uint32_t>(data.size()), failure))
            << failure;
        std::vector<std::string> names;
        std::error_code error;
        for (std::filesystem::directory_iterator it(pathFromUtf8(c.folder), error), end;
             !error && it != end; it.increment(error)) {
            names.push_back(utf8FromPath(it->path().filename()));
        }
        EXPECT_FALSE(error) << error.message();
        EXPECT_EQ(names, std::vector<std::string>{c.name});

        ASSERT_TRUE(renameFile(path, renamed)) << hostErrorText();
        FileHandle file;
        EXPECT_FALSE(file.open(path, FileMode::Read));
        EXPECT_TRUE(file.missing()) << file.failure();
        ASSERT_TRUE(file.open(renamed, FileMode::Read)) << file.failure();
        EXPECT_EQ(file.size(), data.size());
        std::vector<uint8_t> back(data.size() + 1, 0);
        EXPECT_EQ(file.read(back.data(), static_cast<uint32_t>(back.size())), data.size());
        back.resize(data.size());
        EXPECT_EQ(back, data);
        file.close();

        EXPECT_TRUE(removeFile(renamed)) << hostErrorText();
        EXPECT_FALSE(file.open(renamed, FileMode::Read));
        EXPECT_TRUE(file.missing()) << file.failure();
    }
}

}  // namespace
