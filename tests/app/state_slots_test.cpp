// The state keys during play, end to end through the loop: save, load, undo of each,
// slot choice, and rewinding while Backspace is held.
#include "app/state_slots.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "app/emulation_loop.h"
#include "app/rewind.h"
#include "resources/resources.h"
#include "app/window_procedure.h"
#include "shell_fixture.h"

namespace {

class StateKeysTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_TRUE(startUp());
    }
};

TEST_F(StateKeysTest, SaveLoadUndoAndRewindDuringPlay) {
    const std::string rom = writeLoopingCartridge("loop.gb");
    headless::queueFileChoice(rom);
    headless::queueCommand(ID_GAME_LOAD);

    // Keys go down at the read given and up at the next one; the machine's step count
    // and the on-screen message are noted at every read named in `noted`.
    const std::map<uint32_t, uint8_t> presses = {
        {300, DIK_F5}, {600, DIK_F7}, {900, DIK_F9}, {1100, DIK_2}, {1200, DIK_F5},
        {1300, DIK_F9}, {1400, DIK_3}, {1500, DIK_F7},
    };
    constexpr uint32_t kRewindFrom = 154 * 60;
    constexpr uint32_t kRewindTo = kRewindFrom + 154 * 30;
    std::map<uint32_t, uint64_t> steps;
    std::map<uint32_t, std::string> messages;
    bool slot2Saved = false;
    headless::setKeyboardHandler([&](uint32_t read) {
        for (const auto& [at, key] : presses) {
            if (read == at) headless::setKey(key, true);
            if (read == at + 1) headless::setKey(key, false);
        }
        if (read == kRewindFrom) headless::setKey(DIK_BACK, true);
        if (read == kRewindTo) headless::setKey(DIK_BACK, false);
        steps[read] = machine.stepCount;
        messages[read] = onScreenMessage;
        if (read == 1201) slot2Saved = std::filesystem::exists(stateSlotFileName(rom, 2));
        if (read == kRewindTo + 154 * 5) headless::queueMessage({MessageKind::Close, 0});
    });
    EXPECT_TRUE(runEmulationLoop());

    EXPECT_EQ(messages[301], "State 1 saved");
    EXPECT_TRUE(std::filesystem::exists(path("loop.ss1")));
    // Loading puts the machine back where the save found it: the next LCD event comes
    // after the same step count as it did then.
    EXPECT_EQ(messages[601], "State 1 loaded");
    EXPECT_EQ(steps[601], steps[301]);
    // Undoing the load returns to the moment before it.
    EXPECT_EQ(messages[901], "Load undone");
    EXPECT_GT(steps[901], steps[600]);
    EXPECT_LE(steps[901], steps[600] + 7088);
    // A save to the empty slot 2, undone: the slot is empty again.
    EXPECT_EQ(messages[1101], "Slot 2");
    EXPECT_TRUE(slot2Saved);
    EXPECT_EQ(messages[1301], "Save to slot 2 undone");
    EXPECT_FALSE(std::filesystem::exists(path("loop.ss2")));
    EXPECT_TRUE(std::filesystem::exists(path("loop.ss1")));
    EXPECT_EQ(messages[1501], "No state in slot 3");
    // Thirty frames of rewinding take the game back about thirty frames (7,088 steps
    // each), and it plays on forwards once the key is let go.
    EXPECT_EQ(messages[kRewindFrom + 200], "Rewinding");
    EXPECT_LT(steps[kRewindTo], steps[kRewindFrom] - 25 * 7088);
    EXPECT_GT(steps[kRewindTo], steps[kRewindFrom] - 35 * 7088);
    EXPECT_GT(steps[kRewindTo + 154 * 5], steps[kRewindTo]);
}

TEST_F(StateKeysTest, RewindKeepsAtMostAMinuteOfFrames) {
    const std::string rom = writeLoopingCartridge("loop.gb");
    ASSERT_TRUE(loadCartridgeAndReport(rom));
    RewindHistory history;
    for (uint32_t frame = 0; frame < kRewindFrames + 10; ++frame) {
        machine.WorkRam0[frame % 64] = static_cast<uint8_t>(frame);
        history.record();
    }
    EXPECT_EQ(history.frames(), kRewindFrames);
    EXPECT_LE(history.memoryBytes(), kRewindMemoryBudget);
    // Each step back restores the frame before, exactly.
    for (uint32_t back = 1; back <= 100; ++back) {
        ASSERT_TRUE(history.stepBack());
        const uint32_t frame = kRewindFrames + 9 - back;
        ASSERT_EQ(machine.WorkRam0[frame % 64], static_cast<uint8_t>(frame)) << back;
    }
}

}  // namespace
