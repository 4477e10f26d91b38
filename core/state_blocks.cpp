#include "core/state_blocks.h"

#include <cstring>
#include <utility>

#include "core/audio.h"
#include "core/bank_controller.h"
#include "core/lcd.h"
#include "core/real_time_clock.h"

namespace {

// A block's fields are listed once, in a function that hands each field to a
// visitor: FieldWriter appends it, FieldReader takes it from the block.
class FieldWriter {
public:
    explicit FieldWriter(std::vector<uint8_t>& out) : out_(out) {}
    void u8(uint8_t& v) { out_.push_back(v); }
    void flag(bool& v) { out_.push_back(v ? 1 : 0); }
    void s8(int8_t& v) { out_.push_back(static_cast<uint8_t>(v)); }
    void u16(uint16_t& v) { put(v, 2); }
    void u32(uint32_t& v) { put(v, 4); }
    void s32(int32_t& v) { put(static_cast<uint32_t>(v), 4); }
    void u64(uint64_t& v) { put(v, 8); }
    void f32(float& v) {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        put(bits, 4);
    }
    void bytes(uint8_t* data, size_t size) { out_.insert(out_.end(), data, data + size); }
    // A buffer whose size the cartridge fixes, written with its size before it.
    void sizedBytes(std::vector<uint8_t>& data, uint32_t size, const char*) {
        u32(size);
        bytes(data.data(), size);
    }
    // A count of the entries that follow, at most `most`.
    void count(uint32_t& n, uint32_t, const char*) { u32(n); }
    // The first n entries of an array of `capacity`.
    void s32s(int32_t* data, uint32_t n, uint32_t) {
        for (uint32_t i = 0; i < n; ++i) s32(data[i]);
    }

private:
    void put(uint64_t v, int size) {
        for (int i = 0; i < size; ++i) out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    std::vector<uint8_t>& out_;
};

class FieldReader {
public:
    FieldReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    void u8(uint8_t& v) { v = static_cast<uint8_t>(take(1)); }
    void flag(bool& v) { v = take(1) != 0; }
    void s8(int8_t& v) { v = static_cast<int8_t>(take(1)); }
    void u16(uint16_t& v) { v = static_cast<uint16_t>(take(2)); }
    void u32(uint32_t& v) { v = static_cast<uint32_t>(take(4)); }
    void s32(int32_t& v) { v = static_cast<int32_t>(static_cast<uint32_t>(take(4))); }
    void u64(uint64_t& v) { v = take(8); }
    void f32(float& v) {
        const uint32_t bits = static_cast<uint32_t>(take(4));
        std::memcpy(&v, &bits, 4);
    }
    void bytes(uint8_t* data, size_t size) {
        if (!has(size)) return;
        std::memcpy(data, data_ + position_, size);
        position_ += size;
    }
    void sizedBytes(std::vector<uint8_t>& data, uint32_t size, const char* what) {
        uint32_t stored = 0;
        u32(stored);
        if (failed()) return;
        if (stored != size) {
            fail(std::string("its ") + what + " is " + std::to_string(stored) +
                 " bytes where the cartridge has " + std::to_string(size));
            return;
        }
        bytes(data.data(), size);
    }
    void count(uint32_t& n, uint32_t most, const char* what) {
        u32(n);
        if (!failed() && n > most) fail(std::string("its ") + what + " is out of range");
    }
    // The first n entries of an array of `capacity`; the rest become 0.
    void s32s(int32_t* data, uint32_t n, uint32_t capacity) {
        for (uint32_t i = 0; i < n; ++i) s32(data[i]);
        for (uint32_t i = n; i < capacity; ++i) data[i] = 0;
    }

    bool failed() const { return !reason_.empty(); }
    const std::string& reason() const { return reason_; }
    void fail(const std::string& reason) {
        if (reason_.empty()) reason_ = reason;
    }

private:
    bool has(size_t size) {
        if (failed()) return false;
        if (size_ - position_ >= size) return true;
        fail("a block is shorter than its fields");
        return false;
    }
    uint64_t take(int size) {
        if (!has(static_cast<size_t>(size))) return 0;
        uint64_t v = 0;
        for (int i = 0; i < size; ++i) v |= uint64_t{data_[position_ + i]} << (8 * i);
        position_ += static_cast<size_t>(size);
        return v;
    }
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
    std::string reason_;
};

template <class Fields>
void cpuFields(Fields& f, MachineState& m) {
    CpuRegisters& r = m.cpu;
    for (uint8_t* reg : {&r.A, &r.F, &r.B, &r.C, &r.D, &r.E, &r.H, &r.L}) f.u8(*reg);
    f.u16(r.SP);
    f.u16(r.PC);
    f.u8(m.ime);
    f.u8(m.halted);
    f.u8(m.stopped);
    f.u8(m.doubleSpeed);
    f.u8(m.stepCountParity);
    f.u64(m.stepCount);
}

template <class Fields>
void memoryFields(Fields& f, MachineState& m) {
    f.bytes(m.VideoRam.data(), kVideoRamSize);
    f.bytes(m.WorkRam0.data(), kWorkRam0Size);
    f.bytes(m.WorkRamBanks.data(), kWorkRamBanksSize);
    f.bytes(m.HighPage.data(), kHighPageSize);
}

template <class Fields>
void cartridgeFields(Fields& f, MachineState& m) {
    f.u16(m.romBank);
    f.u8(m.ramBank);
    f.u8(m.ramEnabled);
    f.u8(m.bankingMode);
    f.u8(m.clockRegister);
    f.u8(m.rumbleMotor);
    f.u8(m.rumbleSeen);
    f.u8(m.cartRamWritten);
    f.sizedBytes(m.CartRam, m.cartRamSize, "cartridge RAM");
}

template <class Fields>
void clockFields(Fields& f, MachineState& m) {
    RealTimeClock& c = m.clock;
    f.bytes(c.counters, sizeof c.counters);
    f.bytes(c.latched, sizeof c.latched);
    f.u8(c.latchArmed);
    f.u64(c.subsecond);
    f.u64(c.syncedAtStep);
}

template <class Fields>
void lcdAndTimerFields(Fields& f, MachineState& m) {
    f.u8(m.lcdTickCounter);
    f.u8(m.windowLinesShown);
    f.flag(m.windowYReached);
    f.u32(m.timerPhase);
}

template <class Fields>
void colourFields(Fields& f, MachineState& m) {
    f.u8(m.colourModel);
    f.bytes(m.backgroundPalettes, sizeof m.backgroundPalettes);
    f.bytes(m.spritePalettes, sizeof m.spritePalettes);
    f.u8(m.hblankDmaBlocks);
    f.u16(m.hblankDmaSource);
    f.u16(m.hblankDmaDestination);
}

// The entries of the output buffer still in use: those up to the sample being made,
// and the tails of the steps spread past it.
uint32_t liveAudioEntries(const AudioUnit& a) {
    const uint64_t live = (a.samplePos >> 32) + kAudioStepTaps;
    return live < kAudioBufferLength ? static_cast<uint32_t>(live) : kAudioBufferLength;
}

template <class Fields>
void soundFields(Fields& f, MachineState& m) {
    AudioUnit& a = m.audio;
    for (AudioChannel& ch : a.channels) {
        f.flag(ch.on);
        f.flag(ch.lengthEnabled);
        f.s8(ch.level);
        f.u8(ch.position);
        f.u16(ch.frequency);
        f.u16(ch.length);
        f.u32(ch.timer);
        f.u8(ch.envelope.volume);
        f.u8(ch.envelope.period);
        f.u8(ch.envelope.timer);
        f.flag(ch.envelope.increase);
    }
    f.u16(a.sweepShadow);
    f.u8(a.sweepTimer);
    f.flag(a.sweepEnabled);
    f.u16(a.lfsr);
    f.flag(a.power);
    f.u8(a.sequencerStep);
    f.u64(a.cycle);
    f.u64(a.nextSequencerCycle);
    for (int c = 0; c < 4; ++c) f.s32(a.weightLeft[c]);
    for (int c = 0; c < 4; ++c) f.s32(a.weightRight[c]);
    // The output stage; with nobody listening it holds nothing worth keeping.
    f.flag(a.listening);
    f.u64(a.samplePos);
    f.s32(a.sumLeft);
    f.s32(a.sumRight);
    f.f32(a.capacitorLeft);
    f.f32(a.capacitorRight);
    uint32_t live = liveAudioEntries(a);
    f.count(live, kAudioBufferLength, "sound buffer");
    f.s32s(a.bufferLeft, live, kAudioBufferLength);
    f.s32s(a.bufferRight, live, kAudioBufferLength);
}

template <class Fields>
void joypadFields(Fields& f, MachineState& m) {
    JoypadButtons& p = m.joypad;
    for (uint8_t* b : {&p.right, &p.left, &p.up, &p.down, &p.a, &p.b, &p.select, &p.start})
        f.u8(*b);
}

struct Block {
    char tag[5];
    void (*write)(FieldWriter&, MachineState&);
    void (*read)(FieldReader&, MachineState&);
};

// Every block this version writes, and needs to read a state.
constexpr Block kBlocks[] = {
    {"CPU ", &cpuFields<FieldWriter>, &cpuFields<FieldReader>},
    {"MEM ", &memoryFields<FieldWriter>, &memoryFields<FieldReader>},
    {"CART", &cartridgeFields<FieldWriter>, &cartridgeFields<FieldReader>},
    {"RTC ", &clockFields<FieldWriter>, &clockFields<FieldReader>},
    {"LCD ", &lcdAndTimerFields<FieldWriter>, &lcdAndTimerFields<FieldReader>},
    {"COLR", &colourFields<FieldWriter>, &colourFields<FieldReader>},
    {"SND ", &soundFields<FieldWriter>, &soundFields<FieldReader>},
    {"PAD ", &joypadFields<FieldWriter>, &joypadFields<FieldReader>},
};

constexpr size_t kBlockHeaderSize = 8;

uint32_t readLength(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

template <class T>
T atMost(T value, T most) {
    return value < most ? value : most;
}

// Values no running machine holds are brought back into range, so that what a state
// file says can never index outside a memory or make the machine loop for ages.
void bringIntoRange(MachineState& m) {
    m.ime &= 1;
    m.halted &= 1;
    if (m.stopped > kWaitingForButton) m.stopped = kStoppedForGood;
    m.doubleSpeed &= 1;
    m.stepsPerLcdTick = static_cast<uint8_t>(kStepsPerLcdTick << m.doubleSpeed);
    m.stepCountParity = m.doubleSpeed ? (m.stepCountParity & 1) : 0;
    m.lcdTickCounter = atMost<uint8_t>(m.lcdTickCounter, m.stepsPerLcdTick - 1);
    m.colourModel &= 1;
    m.hblankDmaBlocks = atMost<uint8_t>(m.hblankDmaBlocks, 0x80);
    m.hblankDmaSource &= 0xFFF0;
    m.hblankDmaDestination &= 0x1FF0;
    m.generalDmaRunning = 0;  // a state is never taken in the middle of a transfer
    if (!m.hasClock || m.clockRegister < kClockSeconds || m.clockRegister > kClockDayHigh)
        m.clockRegister = 0;
    for (int i = 0; i < 5; ++i) {
        m.clock.counters[i] &= kClockRegisterMasks[i];
        m.clock.latched[i] &= kClockRegisterMasks[i];
    }
    m.clock.latchArmed &= 1;
    m.clock.subsecond %= kClockUnitsPerSecond;
    m.clock.syncedAtStep = atMost(m.clock.syncedAtStep, m.stepCount);
    for (uint8_t* b : {&m.joypad.right, &m.joypad.left, &m.joypad.up, &m.joypad.down,
                       &m.joypad.a, &m.joypad.b, &m.joypad.select, &m.joypad.start})
        *b &= 1;
    bringAudioIntoRange(m.audio, m.stepCount);
}

}  // namespace

void writeMachineBlocks(const MachineState& from, std::vector<uint8_t>& out) {
    // The visitors take fields by reference to serve reading as well; writing only
    // reads them.
    MachineState& m = const_cast<MachineState&>(from);
    for (const Block& b : kBlocks) {
        const size_t start = out.size();
        out.insert(out.end(), b.tag, b.tag + 4);
        out.insert(out.end(), 4, 0);
        FieldWriter writer(out);
        b.write(writer, m);
        const uint32_t length = static_cast<uint32_t>(out.size() - start - kBlockHeaderSize);
        for (int i = 0; i < 4; ++i) out[start + 4 + i] = static_cast<uint8_t>(length >> (8 * i));
    }
}

bool readMachineBlocks(const uint8_t* body, size_t size, MachineState& into, std::string& reason) {
    bool seen[std::size(kBlocks)] = {};
    size_t position = 0;
    while (position < size) {
        if (size - position < kBlockHeaderSize) {
            reason = "it ends inside a block's header";
            return false;
        }
        const uint8_t* header = body + position;
        const uint32_t length = readLength(header + 4);
        if (length > size - position - kBlockHeaderSize) {
            reason = "a block runs past the end of the file";
            return false;
        }
        const uint8_t* fields = header + kBlockHeaderSize;
        for (size_t i = 0; i < std::size(kBlocks); ++i) {
            if (std::memcmp(header, kBlocks[i].tag, 4) != 0) continue;
            FieldReader reader(fields, length);
            kBlocks[i].read(reader, into);
            if (reader.failed()) {
                reason = "in block \"" + std::string(kBlocks[i].tag) + "\", " + reader.reason();
                return false;
            }
            seen[i] = true;
        }
        position += kBlockHeaderSize + length;
    }
    for (size_t i = 0; i < std::size(kBlocks); ++i) {
        if (!seen[i]) {
            reason = "the \"" + std::string(kBlocks[i].tag) + "\" block is missing";
            return false;
        }
    }
    bringIntoRange(into);
    return true;
}

void adoptMachineState(MachineState&& state) {
    const bool listening = machine.audio.listening;
    const uint64_t rateStep = machine.audio.rateStep;
    machine = std::move(state);
    updateBankOffsets();
    keepAudioTaker(listening, rateStep);
}

bool restoreMachineBlocks(const uint8_t* body, size_t size, std::string& reason) {
    const bool listening = machine.audio.listening;
    const uint64_t rateStep = machine.audio.rateStep;
    const bool read = readMachineBlocks(body, size, machine, reason);
    updateBankOffsets();
    keepAudioTaker(listening, rateStep);
    return read;
}
