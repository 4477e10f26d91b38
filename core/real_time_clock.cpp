#include "core/real_time_clock.h"

namespace {

enum : uint8_t { Seconds, Minutes, Hours, DayLow, DayHigh };

RealTimeClock& rtc() {
    return machine.clock;
}

uint32_t dayCounter() {
    return rtc().counters[DayLow] | ((rtc().counters[DayHigh] & 1u) << 8);
}

void setDayCounter(uint32_t days) {
    rtc().counters[DayLow] = static_cast<uint8_t>(days);
    rtc().counters[DayHigh] =
        static_cast<uint8_t>((rtc().counters[DayHigh] & 0xFE) | ((days >> 8) & 1));
}

// One second, counted as the hardware counts: a counter carries into the next when
// it reaches its limit (60, 60, 24, 512 days), but one that the program set beyond
// the limit runs on to the top of its bits and wraps to 0 without a carry.
void tickSecond() {
    uint8_t* c = rtc().counters;
    struct Field {
        uint8_t index, limit, mask;
    };
    static constexpr Field kFields[3] = {
        {Seconds, 60, 0x3F}, {Minutes, 60, 0x3F}, {Hours, 24, 0x1F}};
    for (const Field& f : kFields) {
        c[f.index] = static_cast<uint8_t>((c[f.index] + 1) & f.mask);
        if (c[f.index] == f.limit) {
            c[f.index] = 0;
            continue;  // carry into the next counter
        }
        return;
    }
    const uint32_t days = dayCounter() + 1;
    if (days == 512) c[DayHigh] |= kClockDayCarry;
    setDayCounter(days & 0x1FF);
}

bool countersInRange() {
    const uint8_t* c = rtc().counters;
    return c[Seconds] < 60 && c[Minutes] < 60 && c[Hours] < 24;
}

}  // namespace

void resetClock() {
    rtc() = RealTimeClock{};
    rtc().syncedAtStep = machine.stepCount;
}

void advanceClockSeconds(uint64_t seconds) {
    if (rtc().counters[DayHigh] & kClockHalt) return;
    // Counters set out of range are ticked one second at a time until they are back
    // (a few hours at most); from there the seconds are added in one sum.
    while (seconds > 0 && !countersInRange()) {
        tickSecond();
        --seconds;
    }
    if (seconds == 0) return;
    uint8_t* c = rtc().counters;
    const uint64_t total =
        c[Seconds] + 60 * (c[Minutes] + 60 * (c[Hours] + 24 * uint64_t{dayCounter()})) + seconds;
    c[Seconds] = static_cast<uint8_t>(total % 60);
    c[Minutes] = static_cast<uint8_t>(total / 60 % 60);
    c[Hours] = static_cast<uint8_t>(total / 3600 % 24);
    const uint64_t days = total / 86400;
    if (days >= 512) c[DayHigh] |= kClockDayCarry;
    setDayCounter(static_cast<uint32_t>(days % 512));
}

void syncClock() {
    const uint64_t steps = machine.stepCount - rtc().syncedAtStep;
    rtc().syncedAtStep = machine.stepCount;
    if (rtc().counters[DayHigh] & kClockHalt) return;
    rtc().subsecond += steps * kClockUnitsPerStep;
    const uint64_t seconds = rtc().subsecond / kClockUnitsPerSecond;
    rtc().subsecond %= kClockUnitsPerSecond;
    advanceClockSeconds(seconds);
}

uint8_t readClockRegister(uint8_t reg) {
    if (reg < kClockSeconds || reg > kClockDayHigh) return 0xFF;
    return rtc().latched[reg - kClockSeconds];
}

void writeClockRegister(uint8_t reg, uint8_t value) {
    if (reg < kClockSeconds || reg > kClockDayHigh) return;
    // The time up to this write counts under the old settings (a halt included).
    syncClock();
    const uint8_t index = reg - kClockSeconds;
    rtc().counters[index] = value & kClockRegisterMasks[index];
    if (index == Seconds) rtc().subsecond = 0;
}

void writeClockLatch(uint8_t value) {
    if (value == 1 && rtc().latchArmed) {
        syncClock();
        for (int i = 0; i < 5; ++i) rtc().latched[i] = rtc().counters[i];
    }
    rtc().latchArmed = value == 0 ? 1 : 0;
}
