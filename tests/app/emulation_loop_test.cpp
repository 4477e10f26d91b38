#include "app/emulation_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <vector>

#include "app/frame_pacer.h"
#include "app/scan_line.h"
#include "cartridge/rom_loader.h"
#include "input/input.h"
#include "resources/resources.h"
#include "shell_fixture.h"

namespace {

class LoopTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_TRUE(startUp());
    }

    void TearDown() override {
        EXPECT_EQ(headless::emptyWaits(), 0u) << "the loop waited with nothing scripted";
        ShellTest::TearDown();
    }

    // Loads a cartridge through Game > Load... as the first thing the loop does.
    void loadFirst(const std::string& file) {
        headless::queueFileChoice(file);
        headless::queueCommand(ID_GAME_LOAD);
    }

    // Scripts the menu state: each time the loop waits with nothing queued, the next
    // step runs and queues what the user does next; with none left, File > Exit.
    // A step that queues nothing counts as an unexpected empty wait.
    void onMenuWaits(std::vector<std::function<void()>> steps) {
        menuSteps_ = std::move(steps);
        headless::setIdleHandler([this] {
            if (menuStep_ < menuSteps_.size()) {
                menuSteps_[menuStep_++]();
            } else {
                headless::queueCommand(ID_FILE_EXIT);
            }
        });
    }

    // A cartridge that switches the LCD off and halts with interrupts disabled: from
    // then on frames of emulated time pass with nothing drawn.
    std::string writeHaltingCartridge(const std::string& name) const {
        const std::string file = writeLoopingCartridge(name);
        std::fstream image(file, std::ios::in | std::ios::out | std::ios::binary);
        image.seekp(0x100);
        const char program[] = {'\xF3', '\xAF', '\xE0', '\x40', '\x76', '\x18', '\xFE'};
        image.write(program, sizeof program);  // DI; XOR A; LDH (0x40),A; HALT; JR -2
        return file;
    }

    std::vector<std::function<void()>> menuSteps_;
    size_t menuStep_ = 0;
};

TEST_F(LoopTest, EscPausesAtTheNextScanLineAndAgainWhenStillHeldAtResume) {
    loadFirst(writeLoopingCartridge("loop.gb"));
    // One poll per scan line: LY moves on by exactly one line between polls.
    int lineJumps = 0;
    int previousLine = -1;
    headless::setKeyboardHandler([&](uint32_t read) {
        const int line = machine.HighPage[ioIndex(0xFF44)];
        if (previousLine >= 0 && line != (previousLine + 1) % 154) ++lineJumps;
        previousLine = line;
        if (read == 20) headless::setKey(DIK_ESCAPE, true);
    });
    uint32_t readsAtFirstPause = 0;
    uint32_t readsAtSecondPause = 0;
    onMenuWaits({
        [&] {
            readsAtFirstPause = headless::keyboardReads();
            EXPECT_TRUE(headless::menuAttached());
            EXPECT_TRUE(headless::cursorVisible());
            headless::queueCommand(ID_GAME_RESUME);
        },
        [&] {
            readsAtSecondPause = headless::keyboardReads();
            headless::queueCommand(ID_FILE_EXIT);
        },
    });
    EXPECT_TRUE(runEmulationLoop());
    EXPECT_EQ(readsAtFirstPause, 21u) << "the poll that saw Esc is the last scan line";
    EXPECT_EQ(readsAtSecondPause, 22u) << "Esc still held pauses at the first scan line";
    EXPECT_EQ(lineJumps, 0);
}

TEST_F(LoopTest, ResumeWithoutCartridgeStaysInTheMenu) {
    bool stillInMenu = false;
    onMenuWaits({
        [] { headless::queueCommand(ID_GAME_RESUME); },
        [&] {
            stillInMenu = headless::menuAttached() && paused == 0 && machine.cartridgeLoaded == 0;
            headless::queueCommand(ID_FILE_EXIT);
        },
    });
    EXPECT_TRUE(runEmulationLoop());
    EXPECT_TRUE(stillInMenu);
    EXPECT_EQ(headless::keyboardReads(), 0u) << "the machine never ran";
}

TEST_F(LoopTest, ExitFromTheMenuHidesMenuAndCursorAndClearsTheScreen) {
    screenMode = 1;  // the tiles view is on the screen while the menu waits
    onMenuWaits({});
    EXPECT_TRUE(runEmulationLoop());
    EXPECT_EQ(quitRequested, 1);
    EXPECT_FALSE(headless::menuAttached());
    EXPECT_FALSE(headless::cursorVisible());
    const std::vector<Pixel>& frame = headless::presenter().frame();
    ASSERT_FALSE(frame.empty());
    EXPECT_TRUE(std::all_of(frame.begin(), frame.end(), [](Pixel p) { return p == 0; }));
}

TEST_F(LoopTest, QuitBeforeTheLoopReturnsAtOnce) {
    quitRequested = 1;
    const int presents = headless::presenter().presentCount();
    EXPECT_TRUE(runEmulationLoop());
    EXPECT_EQ(headless::presenter().presentCount(), presents);
}

TEST_F(LoopTest, AnUnpluggedControllerHandsOverToTheKeyboardAndALostKeyboardEnds) {
    const int pad = headless::attachController("Pad");
    inputDevice = 1;
    ASSERT_TRUE(initInput());
    loadFirst(writeLoopingCartridge("loop.gb"));
    headless::failControllerReads(pad, true);
    // The controller fails at once: the menu comes up with the message; resumed, the
    // game runs on the keyboard until that can no longer be read either.
    onMenuWaits({[] {
        EXPECT_EQ(headless::messageBoxes().size(), 1u);
        headless::setKeyboardHandler([](uint32_t read) {
            if (read == 100) {
                headless::loseKeyboardAcquisition(1);
                headless::failKeyboardAcquire(true);
            }
        });
        headless::queueCommand(ID_GAME_RESUME);
    }});
    EXPECT_FALSE(runEmulationLoop());
    EXPECT_EQ(headless::keyboardReads(), 101u) << "the read after the 101st fails";
    EXPECT_EQ(headless::messageBoxes().size(), 1u) << "a lost keyboard ends without a message";
}

TEST_F(LoopTest, ClosingWhileRunningEndsWithinAFrame) {
    loadFirst(writeLoopingCartridge("loop.gb"));
    headless::setKeyboardHandler([](uint32_t read) {
        if (read == 500) headless::queueMessage({MessageKind::Close, 0});
    });
    EXPECT_TRUE(runEmulationLoop());
    EXPECT_EQ(quitRequested, 1);
    EXPECT_LE(headless::keyboardReads(), 500u + 154u) << "at most one frame of scan lines later";
}

TEST_F(LoopTest, EscReleasedInTheMenuResumesAndTheHeldKeyDoesNotPauseAgain) {
    loadFirst(writeLoopingCartridge("loop.gb"));
    headless::setKeyboardHandler([](uint32_t read) {
        if (read == 20) headless::setKey(DIK_ESCAPE, true);
    });
    uint32_t readsAtPause = 0;
    onMenuWaits({
        [&] {
            readsAtPause = headless::keyboardReads();
            // A fresh press and its release; the snapshot still shows Esc down for
            // the first few lines.
            headless::queueMessage({MessageKind::KeyDown, VK_ESCAPE});
            headless::queueMessage({MessageKind::KeyUp, VK_ESCAPE});
            headless::setKeyboardHandler([](uint32_t read) {
                if (read == 25) headless::setKey(DIK_ESCAPE, false);
                if (read == 40) headless::setKey(DIK_ESCAPE, true);
            });
        },
        [&] {
            EXPECT_EQ(headless::keyboardReads(), 41u) << "ran on until the next press";
            headless::queueCommand(ID_FILE_EXIT);
        },
    });
    EXPECT_TRUE(runEmulationLoop());
    EXPECT_EQ(readsAtPause, 21u);
}

TEST_F(LoopTest, ClosingInTheMenuEnds) {
    onMenuWaits({[] { headless::queueMessage({MessageKind::Close, 0}); }});
    EXPECT_TRUE(runEmulationLoop());
    EXPECT_EQ(quitRequested, 1);
}

// A program that turns the LCD off and halts with interrupts disabled: LY never
// moves again. The loop must still poll input so that Esc works.
TEST_F(LoopTest, HaltedWithTheLcdOffStillServesEsc) {
    loadFirst(writeHaltingCartridge("halt.gb"));
    headless::setKeyboardHandler([](uint32_t read) {
        if (read == 5) headless::setKey(DIK_ESCAPE, true);
    });
    bool paused_ = false;
    onMenuWaits({[&] {
        paused_ = paused == 1;
        headless::queueCommand(ID_FILE_EXIT);
    }});
    EXPECT_TRUE(runEmulationLoop());
    EXPECT_TRUE(paused_);
    EXPECT_EQ(machine.HighPage[ioIndex(0xFF40)] & 0x80, 0) << "the LCD was switched off";
}

// The cartridge's rumble motor, as the loop hands it to the player's controller. The
// pause control (controller button 1, or Esc) is pressed at the 400th read, two
// frames and a half into the game.
class RumbleTest : public LoopTest {
protected:
    static constexpr uint32_t kPauseRead = 400;

    // A cartridge of the given type whose program starts with these bytes.
    std::string writeProgram(const std::string& name, uint8_t type,
                             const std::vector<uint8_t>& program) const {
        const std::string file = writeLoopingCartridge(name, type);
        std::fstream image(file, std::ios::in | std::ios::out | std::ios::binary);
        image.seekp(0x100);
        image.write(reinterpret_cast<const char*>(program.data()),
                    static_cast<std::streamsize>(program.size()));
        return file;
    }

    // Presses the pause control of whichever device is read at `read`, and calls
    // atPause just before.
    static void pauseAtRead(uint32_t read, int pad, std::function<void()> atPause) {
        headless::setKeyboardHandler([=](uint32_t index) {
            if (index != read) return;
            atPause();
            headless::setKey(DIK_ESCAPE, true);
        });
        headless::setControllerHandler([=](uint32_t index) {
            if (index != read) return;
            atPause();
            ControllerState pressed;
            pressed.buttons[1] = 0x80;
            headless::setControllerState(pad, pressed);
        });
    }
};

TEST_F(RumbleTest, TheControllerRumblesWhileTheMotorRunsAndStopsAtThePause) {
    // LD A,v; LD (0x4000),A; JR -2: the motor bit written once and kept.
    const std::vector<uint8_t> motorOn = {0x3E, 0x08, 0xEA, 0x00, 0x40, 0x18, 0xFE};
    const std::vector<uint8_t> motorOff = {0x3E, 0x00, 0xEA, 0x00, 0x40, 0x18, 0xFE};
    // The motor pulsed once, then the LCD switched off and the CPU halted for good:
    // no frame is shown any more, and the rumble must still end.
    // LD A,8; LD (0x4000),A; XOR A; LDH (0x40),A; LD (0x4000),A; DI; HALT; JR -2
    const std::vector<uint8_t> pulseThenDark = {0x3E, 0x08, 0xEA, 0x00, 0x40, 0xAF, 0xE0, 0x40,
                                                0xEA, 0x00, 0x40, 0xF3, 0x76, 0x18, 0xFE};
    struct Case {
        const char* name;
        uint8_t type;  // header byte 0x147
        const std::vector<uint8_t>& program;
        uint8_t device;
        uint32_t starts;       // times the controller's rumble was switched on
        bool rumblingAtPause;  // just before the pause control is pressed
    };
    const Case cases[] = {
        {"rumble cartridge, motor on", 0x1C, motorOn, 1, 1, true},
        {"rumble cartridge, motor off", 0x1C, motorOff, 1, 0, false},
        {"no rumble on this cartridge: bit 3 selects RAM", 0x19, motorOn, 1, 0, false},
        {"a pulse, then the LCD off", 0x1C, pulseThenDark, 1, 1, false},
        {"no controller chosen: the first attached rumbles", 0x1C, motorOn, 0, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        releaseEverything();
        ASSERT_TRUE(startUp());
        const int pad = headless::attachController("Pad");
        inputDevice = c.device;
        ASSERT_TRUE(initInput());
        loadFirst(writeProgram("rumble.gb", c.type, c.program));
        bool rumblingBeforePause = false;
        pauseAtRead(kPauseRead, pad,
                    [&] { rumblingBeforePause = headless::controllerRumbling(pad); });
        bool rumblingInMenu = true;
        menuStep_ = 0;
        onMenuWaits({[&] {
            rumblingInMenu = headless::controllerRumbling(pad);
            headless::queueCommand(ID_FILE_EXIT);
        }});
        EXPECT_TRUE(runEmulationLoop());
        ASSERT_EQ(paused, 1) << "the game ran until the pause";
        EXPECT_EQ(rumblingBeforePause, c.rumblingAtPause);
        EXPECT_FALSE(rumblingInMenu);
        EXPECT_EQ(headless::controllerRumbleStarts(pad), c.starts);
        EXPECT_EQ(headless::emptyWaits(), 0u);
    }
}

TEST_F(RumbleTest, ResumingRumblesAgainAndShuttingDownStopsIt) {
    const int pad = headless::attachController("Pad");
    inputDevice = 1;
    ASSERT_TRUE(initInput());
    loadFirst(writeProgram("rumble.gb", 0x1C, {0x3E, 0x08, 0xEA, 0x00, 0x40, 0x18, 0xFE}));
    pauseAtRead(kPauseRead, pad, [] {});
    onMenuWaits({[&] {
        EXPECT_FALSE(headless::controllerRumbling(pad));
        headless::setControllerState(pad, ControllerState{});  // the pause button let go
        headless::setKey(DIK_ESCAPE, false);                   // and the pause key
        headless::setControllerHandler([](uint32_t read) {
            if (read == 2 * kPauseRead) headless::queueMessage({MessageKind::Close, 0});
        });
        headless::queueCommand(ID_GAME_RESUME);
    }});
    EXPECT_TRUE(runEmulationLoop());
    EXPECT_EQ(quitRequested, 1);
    EXPECT_EQ(headless::controllerRumbleStarts(pad), 2u) << "on again after the resume";
    ASSERT_TRUE(headless::controllerRumbling(pad)) << "closed while the motor ran";
    shutDown();
    EXPECT_FALSE(headless::controllerRumbling(pad));
}

// A frame is 154 events: each visible line as its transfer ends, in order, then the
// ten lines of the vertical blank, the last of them ending at the wrap to line 0.
TEST_F(LoopTest, SteppingStopsAtEachLineTransferAndBlankLineAndAfterTheBoundWithTheLcdOff) {
    ASSERT_TRUE(loadCartridge(writeLoopingCartridge("loop.gb")));
    const uint8_t& ly = machine.HighPage[ioIndex(0xFF44)];
    int events = 0;
    while (!(stepToLcdEvent() == LcdEvent::BlankLineEnded && ly == 0)) ASSERT_LT(++events, 200);

    std::vector<int> transferred;
    int blankLines = 0;
    for (int i = 0; i < 154; ++i) {
        const LcdEvent event = stepToLcdEvent();
        if (event == LcdEvent::LineTransferred) {
            transferred.push_back(ly);
            EXPECT_EQ(machine.HighPage[ioIndex(0xFF41)] & 3, 0) << "line " << int(ly);
        } else {
            EXPECT_EQ(event, LcdEvent::BlankLineEnded);
            ++blankLines;
        }
    }
    std::vector<int> lines(144);
    for (int i = 0; i < 144; ++i) lines[i] = i;
    EXPECT_EQ(transferred, lines);
    EXPECT_EQ(blankLines, 10);
    EXPECT_EQ(ly, 0);

    machine.HighPage[ioIndex(0xFF40)] = 0x00;  // LCD off: LY stands still
    const uint8_t stuck = ly;
    uint32_t steps = 0;
    EXPECT_EQ(stepToLcdEvent(&steps), LcdEvent::None);
    EXPECT_EQ(steps, kMaxStepsWithoutLineChange);
    EXPECT_EQ(ly, stuck);
}

struct Window {
    uint32_t frames;
    uint32_t milliseconds;
};

class PacingTest : public LoopTest {
protected:
    // Runs the loop until `windows` one-second windows have closed after the first,
    // and returns each closed window's frame count and length in milliseconds.
    std::vector<Window> runWindows(size_t windows) {
        std::vector<Window> closed;
        uint32_t lastClose = 0;
        uint32_t framesBefore = 0;
        bool first = true;
        headless::setKeyboardHandler([&](uint32_t) {
            if (framesThisSecond < framesBefore) {  // a window closed on this line
                const uint32_t now = headless::clockNow();
                if (!first) closed.push_back({fpsShown, static_cast<uint32_t>(now - lastClose)});
                first = false;
                lastClose = now;
                if (closed.size() == windows) headless::setKey(DIK_ESCAPE, true);
            }
            framesBefore = framesThisSecond;
        });
        onMenuWaits({});
        loadFirst(writeLoopingCartridge("loop.gb"));
        EXPECT_TRUE(runEmulationLoop());
        return closed;
    }

    // Runs `file` until `frames` frames of emulated time have passed since the first
    // look after its first frame, and returns the host's time and the machine's steps
    // that passed in between.
    struct Span {
        uint64_t microseconds = 0;
        uint64_t steps = 0;
    };
    Span runSpan(const std::string& file, uint64_t frames) {
        Span span;
        bool seen = false, started = false;
        uint64_t origin = 0, firstSteps = 0, firstClock = 0;
        headless::setKeyboardHandler([&](uint32_t) {
            const uint64_t steps = machine.stepCount;
            const uint64_t now = headless::clockMicrosecondsNow();
            if (!seen) {
                seen = true;
                origin = steps;
            } else if (!started) {
                // Two frames in, the pace has started.
                started = steps - origin >= 2 * kStepsPerFrame;
                firstSteps = steps;
                firstClock = now;
            } else if (span.steps == 0 && steps - firstSteps >= frames * kStepsPerFrame) {
                span = {now - firstClock, steps - firstSteps};
                headless::setKey(DIK_ESCAPE, true);
            }
        });
        onMenuWaits({});
        loadFirst(file);
        EXPECT_TRUE(runEmulationLoop());
        return span;
    }
};

// The limit holds emulated time to the host's clock at the handheld's rate, with the
// LCD on and with it off, and the waits sleep rather than spin.
TEST_F(PacingTest, EmulatedTimeKeepsToTheHostsClockWithTheLcdOnOrOff) {
    constexpr uint64_t kFrames = 600;
    for (const bool lcdOn : {true, false}) {
        for (const uint32_t start : {5000u, 0xFFFFFFFFu - 4000u}) {  // the second one wraps
            SCOPED_TRACE(testing::Message() << (lcdOn ? "LCD on" : "LCD off") << ", clock at " << start);
            releaseEverything();
            ASSERT_TRUE(startUp());
            limitFps = 1;
            headless::setClock(start);
            headless::setClockStepMicroseconds(1);
            menuStep_ = 0;
            const uint64_t slept = headless::sleptMilliseconds();
            const uint64_t yields = headless::yields();
            const Span span = runSpan(lcdOn ? writeLoopingCartridge("loop.gb")
                                            : writeHaltingCartridge("halt.gb"),
                                      kFrames);
            ASSERT_GE(span.steps, kFrames * kStepsPerFrame);
            // Measured at the same point of a frame at both ends: within a millisecond
            // of the emulated time, 59.73 frames a second.
            const double emulated = static_cast<double>(microsecondsOfSteps(span.steps));
            EXPECT_NEAR(static_cast<double>(span.microseconds), emulated, 1000.0);
            EXPECT_NEAR(1e6 * static_cast<double>(span.steps) / kStepsPerFrame / emulated, 59.7275, 0.0001);
            // Sleeping takes all but the last millisecond or so of each 16.7 ms wait.
            EXPECT_GT(headless::sleptMilliseconds() - slept, kFrames * 14);
            EXPECT_LT(headless::yields() - yields, kFrames * 40);
        }
    }
}

TEST_F(PacingTest, HoldingTabRunsUnlimitedAndTheLimitResumesAfterwards) {
    limitFps = 1;
    headless::setClock(5000);
    headless::setClockStepMicroseconds(100);
    headless::setKey(DIK_TAB, true);
    const std::vector<Window> fast = runWindows(2);
    ASSERT_EQ(fast.size(), 2u);
    for (const Window& w : fast) EXPECT_GT(w.frames, 61u);
    EXPECT_EQ(headless::sleptMilliseconds(), 0u);

    releaseEverything();
    ASSERT_TRUE(startUp());
    limitFps = 1;
    headless::setClockStepMicroseconds(1);
    menuStep_ = 0;
    const std::vector<Window> limited = runWindows(2);
    ASSERT_EQ(limited.size(), 2u);
    for (const Window& w : limited) {
        EXPECT_GE(w.frames, 59u);
        EXPECT_LE(w.frames, 60u);
    }
}

TEST_F(PacingTest, WithoutLimitTheWindowClosesAfter999MillisecondsAndNothingWaits) {
    limitFps = 0;
    headless::setClock(5000);
    headless::setClockStepMicroseconds(100);
    const std::vector<Window> closed = runWindows(2);
    ASSERT_EQ(closed.size(), 2u);
    for (const Window& w : closed) {
        EXPECT_GE(w.milliseconds, 1000u);
        EXPECT_LE(w.milliseconds, 1001u);
        EXPECT_GT(w.frames, 0u);
    }
    EXPECT_EQ(headless::sleptMilliseconds(), 0u);
    EXPECT_EQ(headless::yields(), 0u);
}

TEST(FramePacer, FramesAreDueAtEmulatedTimeAndJumpsOrStallsStartAgain) {
    struct Case {
        const char* name;
        uint64_t steps;         // machine.stepCount at the frame's end
        uint64_t now;           // the host's clock then
        uint64_t due;           // when the frame is due
    };
    // Frame ends in order, each after the one before.
    const Case cases[] = {
        {"the first frame starts the pace", 1000000, 7000000, 7000000},
        {"a frame later: 16,742 us", 1007088, 7000100, 7016742},
        {"a frame with the LCD switched on, half as long", 1010632, 7020000, 7025114},
        {"the machine went back (a rewind): one frame", 900000, 7030000, 7041856},
        {"the machine jumped ahead (a state): one frame", 5000000, 7040000, 7058599},
        {"40 ms late still catches up", 5007088, 7115000, 7075342},
        {"51 ms late starts again from now", 5014176, 7143500, 7143500},
        {"and goes on from there", 5021264, 7144000, 7160242},
    };
    FramePacer pacer;
    for (const Case& c : cases) EXPECT_EQ(frameDue(pacer, c.steps, c.now), c.due) << c.name;

    // Hours of frames: every due time is the exact emulated time, rounded down.
    restartPacing(pacer);
    frameDue(pacer, 0, 0);
    const uint64_t frames = 3 * 60 * 60 * 60;
    uint64_t due = 0;
    for (uint64_t f = 1; f <= frames; ++f) due = frameDue(pacer, f * kStepsPerFrame, due);
    EXPECT_EQ(due, frames * kCyclesPerFrame * 1000000 / kClockHz);
}

TEST(FramePacer, AWindowOfPresentedFramesClosesAfterASecond) {
    struct Case {
        const char* name;
        uint32_t secondStart, now, frames;
        bool closes;
    };
    const Case cases[] = {
        {"loop start, clock counting from boot", 0, 123456, 3, true},
        {"999 ms is not yet a second", 1000, 1999, 5, false},
        {"1000 ms closes", 1000, 2000, 5, true},
        {"across the wrap", 0xFFFFFF00u, 0x000002F0u, 7, true},
        {"just before the wrap", 0xFFFFFF00u, 0xFFFFFFF0u, 7, false},
    };
    for (const Case& c : cases) {
        headless::reset();
        headless::setClock(c.now);
        framesThisSecond = c.frames;
        fpsShown = 60;
        uint32_t secondStart = c.secondStart;
        updateFrameRateWindow(secondStart);
        if (c.closes) {
            EXPECT_EQ(fpsShown, c.frames) << c.name;
            EXPECT_EQ(framesThisSecond, 0u) << c.name;
            EXPECT_EQ(secondStart, c.now) << c.name;
        } else {
            EXPECT_EQ(fpsShown, 60u) << c.name;
            EXPECT_EQ(secondStart, c.secondStart) << c.name;
        }
    }
    headless::reset();
    resetAppFlags();
}

}  // namespace
