#include "app/state_slots.h"

#include <vector>

#include "app/app_flags.h"
#include "cartridge/battery_save.h"
#include "cartridge/file_handle.h"
#include "cartridge/state_file.h"
#include "cartridge/whole_file_writer.h"
#include "cartridge/write_failure.h"
#include "core/machine_state.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "resources/resources.h"

namespace {

uint8_t slotInUse = 1;

// What the undo key would take back: the machine before the last load, or a slot's
// contents before the last save (none when the slot was empty).
struct UndoStep {
    enum class Kind : uint8_t { None, Load, Save } kind = Kind::None;
    uint8_t slot = 0;
    bool slotWasEmpty = false;
    std::string romPath;
    std::vector<uint8_t> bytes;
};

UndoStep undoStep;

void say(const std::string& text) {
    showOnScreenMessage(text.c_str());
}

void report(const std::string& shortText, const std::string& message) {
    say(shortText);
    showMessageBox(topLevelWindow(), message.c_str());
}

// The slot the commands use from now on, with its check mark in Game > Slot.
void useSlot(uint8_t slot) {
    slotInUse = slot;
    for (uint8_t s = 1; s <= kStateSlots; ++s)
        checkMenuItem(static_cast<uint16_t>(ID_GAME_STATE_SLOT_1 + s - 1), s == slot);
}

std::string slotText(const char* what, uint8_t slot, const char* outcome) {
    return std::string(what) + " " + std::to_string(slot) + " " + outcome;
}

}  // namespace

uint8_t selectedStateSlot() {
    return slotInUse;
}

void selectStateSlot(uint8_t slot) {
    if (slot < 1 || slot > kStateSlots) return;
    useSlot(slot);
    say("Slot " + std::to_string(slot));
}

void resetStateSlots() {
    useSlot(1);
    undoStep = UndoStep{};
}

std::string stateSlotFileName(const std::string& romPath, uint8_t slot) {
    return fileNameBesideImage(romPath, "ss" + std::to_string(slot));
}

bool saveStateToSlot() {
    if (!machine.cartridgeLoaded) return false;
    const uint8_t slot = slotInUse;
    const std::string path = stateSlotFileName(machine.romPath, slot);
    if (path.empty()) return false;
    // The slot's contents as they are, for the undo key; a slot that cannot be read
    // is not written over, so that nothing is lost that undo could not bring back.
    UndoStep step{UndoStep::Kind::Save, slot, false, machine.romPath, {}};
    std::string message;
    const StateFileResult before = readStateFile(path, step.bytes, message);
    if (before == StateFileResult::Failed) {
        report(slotText("State", slot, "not saved"),
               writeFailureMessage(path, "its present contents cannot be read to keep them for undo"));
        return false;
    }
    step.slotWasEmpty = before == StateFileResult::Missing;
    if (saveStateFile(path, message) != StateFileResult::Done) {
        report(slotText("State", slot, "not saved"), message);
        return false;
    }
    undoStep = std::move(step);
    say(slotText("State", slot, "saved"));
    return true;
}

bool loadStateFromSlot() {
    if (!machine.cartridgeLoaded) return false;
    const uint8_t slot = slotInUse;
    const std::string path = stateSlotFileName(machine.romPath, slot);
    if (path.empty()) return false;
    UndoStep step{UndoStep::Kind::Load, slot, false, machine.romPath, encodeState()};
    std::string message;
    switch (loadStateFile(path, message)) {
        case StateFileResult::Done:
            undoStep = std::move(step);
            say(slotText("State", slot, "loaded"));
            return true;
        case StateFileResult::Missing:
            say("No state in slot " + std::to_string(slot));
            return false;
        case StateFileResult::Failed: report(slotText("State", slot, "not loaded"), message); return false;
    }
    return false;
}

bool undoStateCommand() {
    if (undoStep.kind == UndoStep::Kind::None || undoStep.romPath != machine.romPath ||
        !machine.cartridgeLoaded) {
        say("Nothing to undo");
        return false;
    }
    if (undoStep.kind == UndoStep::Kind::Load) {
        std::string reason;
        if (!decodeState(undoStep.bytes, reason)) {
            report("Load not undone", "Cannot undo the load: " + reason + ".");
            return false;
        }
        undoStep = UndoStep{};
        say("Load undone");
        return true;
    }
    const std::string path = stateSlotFileName(undoStep.romPath, undoStep.slot);
    std::string failure;
    bool restored = false;
    if (undoStep.slotWasEmpty) {
        restored = removeFile(path);
        if (!restored) failure = "it cannot be removed";
    } else {
        restored = writeWholeFile(path, undoStep.bytes.data(),
                                  static_cast<uint32_t>(undoStep.bytes.size()), failure,
                                  AtLink::Replace);
    }
    if (!restored) {
        report("Save not undone", writeFailureMessage(path, failure));
        return false;
    }
    say(slotText("Save to slot", undoStep.slot, "undone"));
    undoStep = UndoStep{};
    return true;
}
