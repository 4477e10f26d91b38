#include "cartridge/battery_save.h"

#include <gtest/gtest.h>
#ifdef __linux__
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <csignal>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "cartridge/file_handle.h"
#include "cartridge/save_location.h"
#include "cartridge/whole_file_writer.h"
#include "cartridge_fixture.h"
#include "core/bus.h"

namespace {

TEST(SaveFileNameTest, ReplacesOnlyTheFileNamesExtension) {
    struct Case {
        const char* romPath;
        const char* want;
    };
    const Case cases[] = {
        {"/roms/game.gbc", "/roms/game.sav"},
        {"/roms/game.gb", "/roms/game.sav"},
        {"/roms/game.tar.gb", "/roms/game.tar.sav"},
        {"/roms/game.", "/roms/game.sav"},
        {"/roms/my.dir/game", "/roms/my.dir/game.sav"},
        {"/roms/my.dir/game.gb", "/roms/my.dir/game.sav"},
        {"/roms/game", "/roms/game.sav"},
        {"/roms/.hidden", "/roms/.hidden.sav"},
        {"/roms/.hidden.gb", "/roms/.hidden.sav"},
        {"game.gb", "game.sav"},
        {"game", "game.sav"},
        {"./game", "./game.sav"},
        {"../game.gb", "../game.sav"},
        {"/roms/", ""},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(saveFileName(c.romPath), c.want) << c.romPath;
}

using BatterySaveTest = CartridgeTest;

TEST_F(BatterySaveTest, BatteryRamIsSavedOnReloadAndUnloadAndReadBack) {
    const std::string path = putImage("game.gbc", makeImage({0x03, 0x00, 0x03}));
    ASSERT_TRUE(loadCartridge(path));
    EXPECT_FALSE(fileExists(dir / "game.sav")) << "nothing is written while loading";
    ASSERT_EQ(machine.cartRamSize, 0x8000u);

    fillCartRam(1);
    const std::vector<uint8_t> first = cartRam();
    ASSERT_TRUE(loadCartridge(machine.romPath));  // Reset
    EXPECT_EQ(readBytes(dir / "game.sav"), first);
    EXPECT_EQ(cartRam(), first) << "the save is read back after the reset";

    fillCartRam(2);
    const std::vector<uint8_t> second = cartRam();
    ASSERT_TRUE(saveBatteryRam());  // exit
    EXPECT_EQ(machine.cartridgeLoaded, 0);
    EXPECT_EQ(readBytes(dir / "game.sav"), second);
    EXPECT_EQ(listDirectory(dir.path()), (std::vector<std::string>{"game.gbc", "game.sav"}))
        << "no temporary file is left behind";

    fillCartRam(3);
    EXPECT_TRUE(saveBatteryRam()) << "nothing is loaded any more";
    EXPECT_EQ(readBytes(dir / "game.sav"), second);

    // The same cartridge under its other extension shares the save.
    ASSERT_TRUE(loadCartridge(putImage("game.gb", makeImage({0x03, 0x00, 0x03}))));
    EXPECT_EQ(cartRam(), second);
}

TEST_F(BatterySaveTest, CartridgeWithoutBatteryNeverWritesASave) {
    for (uint8_t type : {0x00, 0x01, 0x02, 0x05, 0x08, 0x11, 0x12, 0x19, 0x1A, 0x1C, 0x1D}) {
        TempDir local;
        const std::string path = local / "game.gb";
        writeBytes(path, makeImage({type, 0x00, 0x03}));
        ASSERT_TRUE(loadCartridge(path)) << "type " << int(type);
        fillCartRam(4);
        ASSERT_TRUE(loadCartridge(path));
        fillCartRam(5);
        ASSERT_TRUE(saveBatteryRam());
        EXPECT_EQ(listDirectory(local.path()), std::vector<std::string>{"game.gb"})
            << "type " << int(type);
    }
}

// A save of another size loads as far as it reaches and is left as it was until the
// game stores something; then the RAM is written, followed by the longer file's tail.
TEST_F(BatterySaveTest, SaveOfAnotherSizeIsKeptUntilTheGameStores) {
    const std::string path = putImage("game.gb", makeImage({0x1B, 0x00, 0x02}));
    const std::vector<uint8_t> shortSave(100, 0x77);
    writeBytes(dir / "game.sav", shortSave);
    ASSERT_TRUE(loadCartridge(path));
    for (uint32_t i = 0; i < machine.cartRamSize; ++i)
        ASSERT_EQ(machine.CartRam[i], i < 100 ? 0x77 : 0) << "CartRam at " << i;
    ASSERT_TRUE(loadCartridge(path));  // Reset without a store by the game
    EXPECT_EQ(readBytes(dir / "game.sav"), shortSave);

    std::vector<uint8_t> longSave(0x2000 + 48, 0x66);
    std::fill(longSave.begin() + 0x2000, longSave.end(), 0xAB);  // another emulator's footer
    writeBytes(dir / "game.sav", longSave);
    ASSERT_TRUE(loadCartridge(path));
    EXPECT_EQ(cartRam(), std::vector<uint8_t>(0x2000, 0x66));
    EXPECT_TRUE(saveBatteryRam());
    EXPECT_NE(batterySaveSkipped(), "");
    EXPECT_EQ(readBytes(dir / "game.sav"), longSave);

    ASSERT_TRUE(loadCartridge(path));
    writeByte(0x0A, 0x0000);
    writeByte(0x12, 0xA000);
    EXPECT_TRUE(saveBatteryRam());
    longSave[0] = 0x12;
    EXPECT_EQ(readBytes(dir / "game.sav"), longSave);
}

// A save that is there but cannot be read is the player's: the game runs without it
// and nothing is written over it, on Reset or at exit, until a load reads it.
TEST_F(BatterySaveTest, SaveThatCannotBeReadIsNeverWrittenOver) {
    const std::string path = putImage("game.gb", makeImage({0x03, 0x00, 0x03}));
    const std::string save = dir / "game.sav";
    const std::vector<uint8_t> players(0x8000, 0x5C);
    struct Case {
        const char* name;
        const char* reason;
    };
    for (const Case c : {Case{"held by another program", "in use by another program"},
                         Case{"a folder in its place", "it is a folder, not a file"}}) {
        FileHandle holder;
        if (std::string(c.reason) == "in use by another program") {
            writeBytes(save, players);
            ASSERT_TRUE(holder.open(save, FileMode::Overwrite));
        } else {
            std::filesystem::remove(save);
            std::filesystem::create_directories(save + "/inside");
        }
        for (int load = 0; load < 2; ++load) {  // the load, then a Reset
            ASSERT_TRUE(loadCartridge(path)) << c.name;
            const std::string& failure = batterySaveReadFailure();
            EXPECT_EQ(failure.rfind("Could not read the save file " + save + ": ", 0), 0u)
                << failure;
#ifndef _WIN32  // Windows words a folder as access denied
            EXPECT_NE(failure.find(c.reason), std::string::npos) << failure;
#endif
            EXPECT_NE(failure.find("will not be written over until the cartridge is loaded again"),
                      std::string::npos)
                << failure;
            EXPECT_EQ(cartRam(), std::vector<uint8_t>(0x8000, 0)) << c.name;
            writeByte(0x0A, 0x0000);
            writeByte(0x99, 0xA000);
        }
        EXPECT_TRUE(saveBatteryRam()) << c.name;
        EXPECT_EQ(batterySaveSkipped(), "it could not be read when the cartridge was loaded");
        holder.close();
        if (std::filesystem::is_directory(save)) {
            EXPECT_TRUE(std::filesystem::exists(save + "/inside")) << c.name;
            std::filesystem::remove_all(save);
        } else {
            EXPECT_EQ(readBytes(save), players) << c.name;
        }
    }
    // Once the save can be read, it loads and is saved as usual.
    writeBytes(save, players);
    ASSERT_TRUE(loadCartridge(path));
    EXPECT_EQ(batterySaveReadFailure(), "");
    EXPECT_EQ(cartRam(), players);
}

// The clock travels after the RAM in the 48-byte footer; on loading, the time since
// the footer was written is added, as if the cartridge's battery had kept it running.
TEST_F(BatterySaveTest, ClockIsSavedInItsFooterAndRunsWhileTheGameIsOff) {
    const std::string path = putImage("clock.gb", makeImage({0x10, 0x00, 0x02}));
    ASSERT_TRUE(loadCartridge(path));
    const uint8_t counters[5] = {10, 20, 5, 0x34, 0x01};
    for (int i = 0; i < 5; ++i) machine.clock.counters[i] = counters[i];
    machine.clock.latched[0] = 7;
    const uint64_t before = static_cast<uint64_t>(std::time(nullptr));
    ASSERT_TRUE(saveBatteryRam());
    std::vector<uint8_t> save = readBytes(dir / "clock.sav");
    ASSERT_EQ(save.size(), 0x2000u + 48);
    const uint8_t* footer = save.data() + 0x2000;
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(footer[4 * i], counters[i]) << i;
        EXPECT_EQ(footer[4 * i + 1] | footer[4 * i + 2] | footer[4 * i + 3], 0) << i;
    }
    EXPECT_EQ(footer[20], 7);
    uint64_t savedAt = 0;
    for (int i = 0; i < 8; ++i) savedAt |= uint64_t{footer[40 + i]} << (8 * i);
    EXPECT_GE(savedAt, before);
    EXPECT_LE(savedAt, before + 60);

    // Written three hours and a half minute ago: the clock has run on by that much.
    const uint64_t earlier = savedAt - 3 * 3600 - 30;
    for (int i = 0; i < 8; ++i) save[0x2000 + 40 + i] = static_cast<uint8_t>(earlier >> (8 * i));
    writeBytes(dir / "clock.sav", save);
    ASSERT_TRUE(loadCartridge(path));
    EXPECT_EQ(machine.clock.counters[2], 8);
    EXPECT_EQ(machine.clock.counters[1], 20);
    EXPECT_GE(machine.clock.counters[0], 40);
    EXPECT_LE(machine.clock.counters[0], 45);
    EXPECT_EQ(machine.clock.latched[0], 7);

    // A save without the footer starts the clock at zero.
    ASSERT_TRUE(saveBatteryRam());
    writeBytes(dir / "clock.sav", std::vector<uint8_t>(0x2000, 0x01));
    ASSERT_TRUE(loadCartridge(path));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(machine.clock.counters[i], 0) << i;
}

TEST_F(BatterySaveTest, DotsInDirectoryNamesNeverNameTheSave) {
    std::filesystem::create_directory(dir / "my.dir");
    const std::string path = putImage("my.dir/game", makeImage({0x09, 0x00, 0x00}));
    ASSERT_TRUE(loadCartridge(path));
    fillCartRam(6);
    const std::vector<uint8_t> ram = cartRam();
    ASSERT_TRUE(loadCartridge(path));
    EXPECT_FALSE(fileExists(dir / "my.sav"));
    EXPECT_EQ(readBytes(dir / "my.dir/game.sav"), ram);
    EXPECT_EQ(cartRam(), ram);
}

TEST_F(BatterySaveTest, FailedLoadKeepsTheGameAndItsUnsavedRamUntilExit) {
    ASSERT_TRUE(loadCartridge(putImage("game.gb", makeImage({0x13, 0x00, 0x03}))));
    fillCartRam(7);
    const std::vector<uint8_t> ram = cartRam();
    ASSERT_FALSE(loadCartridge(putImage("bad.gb", makeImage({0x04, 0x01, 0x00}, 0x10000))));
    EXPECT_FALSE(fileExists(dir / "game.sav")) << "nothing is unloaded, so nothing is saved";
    EXPECT_FALSE(fileExists(dir / "bad.sav"));
    EXPECT_EQ(cartRam(), ram);

    EXPECT_TRUE(saveBatteryRam());
    EXPECT_EQ(readBytes(dir / "game.sav"), ram);
}

// Ways to make the save write fail that hold even for root.
class FailingSaveTest : public CartridgeTest {
protected:
    void SetUp() override {
        CartridgeTest::SetUp();
        path = putImage("game.gb", makeImage({0x03, 0x00, 0x03}));
        oldSave = std::vector<uint8_t>(0x8000, 0x42);
        writeBytes(dir / "game.sav", oldSave);
        ASSERT_TRUE(loadCartridge(path));
        ASSERT_EQ(cartRam(), oldSave);
        fillCartRam(8);
    }
    std::string path;
    std::vector<uint8_t> oldSave;
};

TEST_F(FailingSaveTest, SaveThatCannotBeCreatedKeepsTheOldOne) {
    // Directories, not empty, at every name the new save could be written to first.
    seedTemporaryNames(77);
    for (uint32_t i = 0; i < kTemporaryNameAttempts; ++i)
        std::filesystem::create_directories(temporaryNameBeside(dir / "game.sav", 77, i) + "/in");
    EXPECT_FALSE(saveBatteryRam());
    EXPECT_NE(batterySaveFailure().find("cannot create a temporary file"), std::string::npos)
        << batterySaveFailure();
    EXPECT_EQ(machine.cartridgeLoaded, 0);
    EXPECT_EQ(readBytes(dir / "game.sav"), oldSave);
}

#ifndef _WIN32
// Windows has no file-size limit to stand in for a full disk.
TEST_F(FailingSaveTest, SaveThatRunsOutOfSpaceKeepsTheOldOne) {
    // A file-size limit stands in for a full disk: the write stops after 4 KB.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 0x1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool result = saveBatteryRam();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(result);
    EXPECT_NE(batterySaveFailure().find("cannot write it completely"), std::string::npos)
        << batterySaveFailure();
    EXPECT_EQ(readBytes(dir / "game.sav"), oldSave);
    EXPECT_EQ(listDirectory(dir.path()), (std::vector<std::string>{"game.gb", "game.sav"}))
        << "the partial temporary file is removed";
}
#endif

#ifndef _WIN32
// Hazards from outside the program: links planted where the save is written, other
// instances saving the same cartridge, long names, and a kill half-way.
class SaveHazardTest : public CartridgeTest {
protected:
    // Loads a battery cartridge with ramCode's RAM over an old save of 0x42 bytes.
    void loadOverOldSave(const std::string& name, uint8_t ramCode) {
        path = putImage(name, makeImage({0x03, 0x00, ramCode}));
        ASSERT_TRUE(loadCartridge(path));
        save = saveFileName(path);
        writeBytes(save, std::vector<uint8_t>(machine.cartRamSize, 0x42));
    }
    // Whether the save holds cartRamSize bytes all equal to one of the values.
    static bool wholeSave(const std::vector<uint8_t>& bytes, std::vector<uint8_t> values) {
        if (bytes.size() != machine.cartRamSize) return false;
        for (uint8_t v : values)
            if (std::all_of(bytes.begin(), bytes.end(), [v](uint8_t b) { return b == v; }))
                return true;
        return false;
    }
    std::string path;
    std::string save;
};

TEST_F(SaveHazardTest, PlantedLinksAreNeverFollowed) {
    loadOverOldSave("game.gb", 0x02);
    const std::vector<uint8_t> victim = {'m', 'i', 'n', 'e'};
    writeBytes(dir / "victim", victim);
    // Links at the first temporary names the write will try, one of them dangling, at
    // the name the temporary file once had, and in place of the save itself.
    seedTemporaryNames(1234);
    std::vector<std::string> planted;
    for (uint32_t i = 0; i < 3; ++i) planted.push_back(temporaryNameBeside(save, 1234, i));
    planted.push_back(save + ".tmp");
    for (const std::string& name : planted) std::filesystem::create_symlink(dir / "victim", name);
    std::filesystem::create_symlink(dir / "nowhere", temporaryNameBeside(save, 1234, 3));
    std::filesystem::remove(save);
    std::filesystem::create_symlink(dir / "victim", save);

    fillCartRam(9);
    const std::vector<uint8_t> ram = cartRam();
    ASSERT_TRUE(saveBatteryRam()) << batterySaveFailure();
    EXPECT_EQ(readBytes(dir / "victim"), victim);
    EXPECT_FALSE(fileExists(dir / "nowhere"));
    EXPECT_FALSE(std::filesystem::is_symlink(save)) << "the link is replaced, not written through";
    EXPECT_EQ(readBytes(save), ram);
    for (const std::string& name : planted) EXPECT_TRUE(std::filesystem::is_symlink(name)) << name;
    EXPECT_EQ(listDirectory(dir.path()).size(), 2 + 1 + planted.size() + 1)
        << "image, save, victim and the planted links, nothing else";
}

TEST_F(SaveHazardTest, NamesUpToTheLongestAllowedAreSaved) {
    for (size_t length = 250; length <= 254; ++length) {
        loadOverOldSave(std::string(length - 3, 'n') + ".gb", 0x02);
        fillCartRam(static_cast<uint8_t>(length));
        const std::vector<uint8_t> ram = cartRam();
        EXPECT_TRUE(saveBatteryRam()) << length << ": " << batterySaveFailure();
        EXPECT_EQ(readBytes(save), ram) << length;
    }
}

TEST_F(SaveHazardTest, TwoWriterProcessesNeverLeaveAPartialSave) {
    loadOverOldSave("game.gb", 0x03);
    constexpr int kSaves = 100;
    pid_t writers[2];
    for (int w = 0; w < 2; ++w) {
        writers[w] = fork();
        ASSERT_GE(writers[w], 0);
        if (writers[w] == 0) {
            int failed = 0;
            for (int i = 0; i < kSaves; ++i) {
                std::memset(machine.CartRam.data(), 0x10 + w, machine.cartRamSize);
                machine.cartridgeLoaded = 1;
                if (!saveBatteryRam()) ++failed;
            }
            _exit(failed == 0 ? 0 : 1);
        }
    }
    // Meanwhile every look at the save finds one whole save or another.
    int running = 2, torn = 0;
    while (running > 0) {
        if (!wholeSave(readBytes(save), {0x42, 0x10, 0x11})) ++torn;
        for (pid_t& writer : writers) {
            int status = 0;
            if (writer > 0 && waitpid(writer, &status, WNOHANG) == writer) {
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
                    << "a writer saw its own save fail";
                writer = 0;
                --running;
            }
        }
    }
    EXPECT_EQ(torn, 0);
    EXPECT_TRUE(wholeSave(readBytes(save), {0x10, 0x11}));
    EXPECT_EQ(listDirectory(dir.path()), (std::vector<std::string>{"game.gb", "game.sav"}));
}

TEST_F(SaveHazardTest, KillDuringTheWriteLeavesAWholeSave) {
    loadOverOldSave("game.gb", 0x04);  // 128 KB, so that kills land inside writes
    std::vector<uint8_t> seen = {0x42};
    for (int round = 0; round < 20; ++round) {
        const pid_t writer = fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            for (uint8_t value = 0;; ++value) {
                std::memset(machine.CartRam.data(), value, machine.cartRamSize);
                machine.cartridgeLoaded = 1;
                saveBatteryRam();
            }
        }
        usleep(2000 + 700 * round);
        kill(writer, SIGKILL);
        waitpid(writer, nullptr, 0);
        std::vector<uint8_t> all(256);
        for (int v = 0; v < 256; ++v) all[v] = static_cast<uint8_t>(v);
        EXPECT_TRUE(wholeSave(readBytes(save), all)) << "round " << round;
    }
    // A killed writer may leave its temporary file, never anything under another name.
    for (const std::string& name : listDirectory(dir.path()))
        EXPECT_TRUE(name == "game.gb" || name == "game.sav" || name.rfind(".korvi-", 0) == 0)
            << name;
}
#endif

#ifdef __linux__
// Sets or clears a folder's immutable attribute: nothing can be created in it then,
// by root neither, which is how these tests run.
bool setImmutable(const std::string& folder, bool on) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return done;
}

TEST_F(BatterySaveTest, SaveOfAGameInAFolderThatCannotBeWrittenIsKeptInTheUserDataFolder) {
    std::filesystem::create_directory(dir / "disc");
    const std::string path = putImage("disc/game.gb", makeImage({0x03, 0x00, 0x03}));
    const std::vector<uint8_t> shipped(0x8000, 0x42);
    writeBytes(dir / "disc/game.sav", shipped);
    ASSERT_EQ(setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1), 0);
    if (!setImmutable(dir / "disc", true)) GTEST_SKIP() << "no immutable folders here";
    struct Restore {
        std::string folder;
        ~Restore() {
            setImmutable(folder, false);
            unsetenv("XDG_DATA_HOME");
        }
    } restore{dir / "disc"};

    ASSERT_TRUE(loadCartridge(path));
    const std::string apart = savedApartFileName(path);
    EXPECT_EQ(apart.rfind(dir / "data/korvi/saves/game-", 0), 0u) << apart;
    EXPECT_EQ(batterySavePath(), apart);
    EXPECT_NE(batterySaveNotice().find(apart), std::string::npos) << batterySaveNotice();
    EXPECT_EQ(cartRam(), shipped) << "the save beside the image is played on";

    fillCartRam(5);
    const std::vector<uint8_t> played = cartRam();
    EXPECT_TRUE(saveBatteryRam()) << batterySaveFailure();
    EXPECT_EQ(readBytes(apart), played);
    EXPECT_EQ(readBytes(dir / "disc/game.sav"), shipped);
    ASSERT_TRUE(loadCartridge(path));
    EXPECT_EQ(cartRam(), played) << "the next run goes on from the save kept apart";
}
#endif

TEST_F(FailingSaveTest, SaveIntoAPathThroughAFileFails) {
    writeBytes(dir / "notadir", {1});
    machine.romPath = dir / "notadir/game.gb";
    EXPECT_FALSE(saveBatteryRam());
    EXPECT_EQ(readBytes(dir / "notadir"), std::vector<uint8_t>{1});
    EXPECT_EQ(readBytes(dir / "game.sav"), oldSave);
}

}  // namespace
