// Save states as the player uses them: four slots per cartridge, kept beside the image
// ("game.ss1" to "game.ss4"), one of them selected; and one step of undo, which takes
// back the last load (the game returns to the moment before it) or the last save (the
// slot gets its previous contents back, or none). Each command says what happened in
// a short on-screen message; a state that cannot be written or read is reported in a
// message box with the file and the reason, and the game goes on untouched.
#pragma once

#include <cstdint>
#include <string>

inline constexpr uint8_t kStateSlots = 4;

// The slot that saving and loading use, 1-4; 1 at start.
uint8_t selectedStateSlot();
void selectStateSlot(uint8_t slot);
// Slot 1 and nothing to undo, as at start; the menu's check marks follow.
void resetStateSlots();

// The file of slot 1-4 of the image at romPath; empty when romPath names no file.
std::string stateSlotFileName(const std::string& romPath, uint8_t slot);

// Each returns true when it changed something (a file or the machine).
bool saveStateToSlot();
bool loadStateFromSlot();
// Undoing applies only while the same cartridge is loaded.
bool undoStateCommand();
