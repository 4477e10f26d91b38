// The machine's state as labelled blocks of bytes, the body of a state file and of
// the rewind history. Each block is a four-letter tag, its length (32 bits, little
// endian) and its fields in a fixed order, little endian. Readers skip blocks they do
// not know and bytes past the fields they know at the end of a block, so that a later
// version may add both; a block shorter than its fields, or one this version needs
// that is missing, makes the whole body unreadable.
//
// The cartridge image is not written: a state belongs to the cartridge it was taken
// of, and the image comes from the cartridge file (see cartridge/state_file.h). The
// taker's choices on the sound unit (whether it listens, its rate) are not part of a
// state either.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/machine_state.h"

// Appends the blocks for `from` to out.
void writeMachineBlocks(const MachineState& from, std::vector<uint8_t>& out);

// Reads a body written by writeMachineBlocks into `into`, which must hold the same
// cartridge (its image, size and controller); the fields of every block are checked
// and brought into range, so that no body, however made, can lead the machine outside
// its memories. On failure returns false with the reason in `reason` ("the X block is
// missing"), and `into` may be partly changed: read into a copy.
bool readMachineBlocks(const uint8_t* body, size_t size, MachineState& into, std::string& reason);

// Replaces the running machine with a state read by readMachineBlocks, keeping the
// sound unit's taker choices of the running one.
void adoptMachineState(MachineState&& state);

// readMachineBlocks straight into the running machine, keeping the taker choices, for
// a body this program made itself moments ago (the rewind history): it saves copying
// the machine, but a body that fails to read leaves the machine partly changed.
bool restoreMachineBlocks(const uint8_t* body, size_t size, std::string& reason);
