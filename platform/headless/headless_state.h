// The headless platform's shared state, behind the controls of headless_platform.h.
#pragma once

#include <deque>
#include <map>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/headless/headless_platform.h"

struct PlatformWindow {
    int width = 0;
    int height = 0;
    bool visible = false;
    const MenuResource* menu = nullptr;
};

namespace headless {

struct FakeController {
    std::string name;
    bool creatable = true;
    bool failReads = false;
    ControllerState state;
    // The rumble as the program last set it, the times it was switched on from off,
    // and every call that reached the controller.
    bool rumbling = false;
    uint32_t rumbleStarts = 0;
    uint32_t rumbleCalls = 0;
};

struct State {
    // Window and messages.
    uint16_t desktopWidth = 1024;
    uint16_t desktopHeight = 768;
    bool failWindow = false;
    PlatformWindow* window = nullptr;
    std::deque<WindowMessage> queue;
    std::function<void()> idleHandler;
    uint32_t emptyWaits = 0;
    bool cursorVisible = true;
    std::vector<std::string> messageBoxes;
    bool closeRequest = false;  // a Close or EndSession was taken from the queue
    std::map<uint16_t, std::pair<std::string, bool>> menuItems;  // set by setMenuItem
    std::string droppedFile;

    // Clock.
    uint64_t clockMicroseconds = 0;
    uint32_t clockStepMicroseconds = 0;
    uint32_t clockReadings = 0;
    uint64_t sleptMilliseconds = 0;
    uint64_t yields = 0;

    // Input.
    bool failSource = false;
    bool failKeyboardCreate = false;
    bool failKeyboardAcquire = false;
    int notAcquiredReads = 0;
    uint8_t keys[kKeyboardStateSize] = {};
    std::function<void(uint32_t)> keyboardHandler;
    uint32_t keyboardReads = 0;
    std::vector<FakeController> controllers;
    std::function<void(uint32_t)> controllerHandler;
    uint32_t controllerReads = 0;
    bool failEnumeration = false;
    int openedController = -1;

    // Dialogs and the file chooser.
    DialogUser dialogUser;
    std::vector<uint16_t> dialogsRun;
    std::vector<PixelRect> dialogRects;
    std::deque<std::optional<std::string>> fileChoices;
    std::vector<std::string> fileFilterDescriptions;
    std::vector<std::string> fileChooserStartFolders;
    std::vector<std::string> fileRejections;

    std::vector<uint16_t> checkedMenuItems;

    // Sound device.
    bool failAudio = false;
    bool audioOpen = false;
    uint32_t audioQueued = 0;        // frames waiting; tests drain it
    uint64_t audioFramesQueued = 0;  // every frame ever queued
};

State& state();

}  // namespace headless
