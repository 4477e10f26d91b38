// A reset machine for CPU tests: code is laid into work RAM (or ROM) and run through
// stepMachine, one instruction per step, with the LCD switched off so nothing but
// the instructions under test touches the registers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "core/bus.h"
#include "core/machine_state.h"
#include "core/step.h"

class CpuTest : public ::testing::Test {
protected:
    static constexpr uint16_t kCode = 0xC100;  // where most tests put their code

    void SetUp() override { install(std::vector<uint8_t>(0x8000, 0)); }

    void TearDown() override {
        freeMachineBuffers();
    }

    // Loads an image the way the loader lays a cartridge out, then resets.
    void install(const std::vector<uint8_t>& image, uint8_t controllerType = 0) {
        ASSERT_TRUE(allocateMachineBuffers());
        machine.RomBankArea.assign(image.size(), 0);
        machine.romSize = static_cast<uint32_t>(image.size());
        std::memcpy(machine.RomBankArea.data(), image.data(), image.size());
        std::memcpy(machine.RomBank0.data(), image.data(), 0x4000);
        machine.controllerType = controllerType;
        machine.cartridgeLoaded = 1;
        resetMachine();
        io(0xFF40) = 0x00;  // LCD off: LY, STAT and IF stay where the test puts them
    }

    static uint8_t& io(uint16_t address) { return machine.HighPage[address - 0xE000]; }
    static CpuRegisters& cpu() { return machine.cpu; }

    // Writes bytes through the bus (work RAM, high RAM ...).
    static void poke(uint16_t address, std::initializer_list<uint8_t> bytes) {
        for (const uint8_t b : bytes) writeByte(b, address++);
    }
    static void poke(uint16_t address, const std::vector<uint8_t>& bytes) {
        for (const uint8_t b : bytes) writeByte(b, address++);
    }

    // Puts code at an address and points PC at it.
    static void place(uint16_t address, std::initializer_list<uint8_t> code) {
        poke(address, code);
        machine.cpu.PC = address;
    }

    // Places code at kCode and runs the given number of steps.
    static void run(std::initializer_list<uint8_t> code, int steps = 1) {
        place(kCode, code);
        for (int i = 0; i < steps; ++i) stepMachine();
    }

    // Runs one step from wherever PC is.
    static void step() { stepMachine(); }

    static uint16_t hl() { return static_cast<uint16_t>((machine.cpu.H << 8) | machine.cpu.L); }
    static uint16_t bc() { return static_cast<uint16_t>((machine.cpu.B << 8) | machine.cpu.C); }
    static uint16_t de() { return static_cast<uint16_t>((machine.cpu.D << 8) | machine.cpu.E); }
    static void setHl(uint16_t v) {
        machine.cpu.H = static_cast<uint8_t>(v >> 8);
        machine.cpu.L = static_cast<uint8_t>(v);
    }
    static void setBc(uint16_t v) {
        machine.cpu.B = static_cast<uint8_t>(v >> 8);
        machine.cpu.C = static_cast<uint8_t>(v);
    }
    static void setDe(uint16_t v) {
        machine.cpu.D = static_cast<uint8_t>(v >> 8);
        machine.cpu.E = static_cast<uint8_t>(v);
    }

    // Register by operand number (0 B, 1 C, 2 D, 3 E, 4 H, 5 L, 7 A); 6 is (HL).
    static uint8_t& reg(unsigned index) {
        CpuRegisters& r = machine.cpu;
        uint8_t* regs[8] = {&r.B, &r.C, &r.D, &r.E, &r.H, &r.L, nullptr, &r.A};
        return *regs[index];
    }
};
