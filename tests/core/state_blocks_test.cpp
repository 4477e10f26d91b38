// The machine's state blocks: read back they give the same machine, and no body,
// however damaged, leads the machine outside its memories when it runs on (the
// sanitizer build checks every access).
#include "core/state_blocks.h"

#include <gtest/gtest.h>

#include <random>

#include "core/audio.h"
#include "core/step.h"
#include "machine_fixture.h"
#include "tools/assembler/assembler.h"

namespace {

// A program that keeps the sound unit, the timer and MBC1 banking busy.
std::vector<uint8_t> busyImage() {
    const sm83::AssemblyResult result = sm83::assemble(R"(
org $100
    ld a, $80
    ldh ($26), a
    ld a, $FF
    ldh ($25), a
    ld a, $77
    ldh ($24), a
    ld a, $F0
    ldh ($12), a
    ld a, $87
    ldh ($14), a
    ld a, $05
    ldh ($07), a
loop:
    inc b
    ld a, b
    ld ($2000), a
    ldh ($13), a
    ld ($C000), a
    jr loop
)");
    EXPECT_TRUE(result.ok) << result.error;
    return result.image;
}

void runSteps(uint32_t steps) {
    for (uint32_t i = 0; i < steps && stepMachine(); ++i) {
    }
}

// The busy program run for a while with the sound unit listening; its blocks.
std::vector<uint8_t> busyMachineBlocks() {
    installImage(busyImage(), 1);
    setAudioListening(true);
    runSteps(50000);
    std::vector<uint8_t> body;
    writeMachineBlocks(machine, body);
    return body;
}

TEST(StateBlocksTest, ReadBackTheyGiveTheSameMachine) {
    const std::vector<uint8_t> body = busyMachineBlocks();
    const MachineState saved = machine;
    runSteps(30000);
    std::string reason;
    ASSERT_TRUE(restoreMachineBlocks(body.data(), body.size(), reason)) << reason;
    std::vector<uint8_t> again;
    writeMachineBlocks(machine, again);
    EXPECT_EQ(again, body);
    EXPECT_EQ(machine.WorkRam0, saved.WorkRam0);
    EXPECT_EQ(machine.cpu.PC, saved.cpu.PC);
    EXPECT_EQ(machine.romBankOffset, saved.romBankOffset);
    setAudioListening(false);
    freeMachineBuffers();
}

TEST(StateBlocksTest, DamagedBodiesAreRefusedOrBroughtIntoRange) {
    const std::vector<uint8_t> body = busyMachineBlocks();
    const MachineState start = machine;
    std::mt19937 random(7);
    int accepted = 0;
    for (int round = 0; round < 400; ++round) {
        std::vector<uint8_t> damaged = body;
        const int kind = round % 4;
        if (kind == 0) damaged.resize(random() % damaged.size());
        for (int i = 0; i < 1 + static_cast<int>(random() % 40); ++i) {
            // Most damage lands on the small blocks' fields, past the memories.
            const size_t at = kind == 1 ? random() % damaged.size()
                                        : damaged.size() - 1 - random() % std::min<size_t>(damaged.size(), 2000);
            if (!damaged.empty()) damaged[at] = static_cast<uint8_t>(random());
        }
        MachineState into = start;
        std::string reason;
        if (!readMachineBlocks(damaged.data(), damaged.size(), into, reason)) {
            EXPECT_FALSE(reason.empty());
            continue;
        }
        ++accepted;
        adoptMachineState(std::move(into));
        runSteps(20000);
        int16_t samples[2 * 512];
        takeAudioSamples(samples, 512);
    }
    EXPECT_GT(accepted, 100) << "damage to fields within their blocks is read, not refused";
    setAudioListening(false);
    freeMachineBuffers();
}

}  // namespace
