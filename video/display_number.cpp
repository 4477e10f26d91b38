// Numbers on the display, shared by every implementation of the display.
#include "video/display.h"

// The decimal digits from the billions down, without leading zeros; the last digit
// is always written, so zero shows as "0".
bool Display::drawNumber(uint32_t value, uint16_t x, uint16_t y) {
    char text[11];
    int length = 0;
    for (uint32_t power = 1000000000; power > 0; power /= 10) {
        const uint32_t digit = value / power;
        if (length > 0 || digit != 0 || power == 1) text[length++] = static_cast<char>('0' + digit);
        value %= power;
    }
    text[length] = '\0';
    return drawText(text, x, y);
}
