#include "engine/html/JapaneseCodes.h"

uint16_t JisToSjis(uint16_t c) {
    if (c < 0x100) return c;
    unsigned j1 = c >> 8;
    unsigned j2 = c & 0xFF;
    // Damaged pages carry pairs outside the table; the formula below would
    // turn them into bytes that are not Shift_JIS at all (even NUL).
    if (j1 < 0x21 || j1 > 0x7E || j2 < 0x21 || j2 > 0x7E) return kSjisGeta;
    unsigned s1 = ((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0);
    unsigned s2;
    if (j1 & 1)
        s2 = j2 + (j2 >= 0x60 ? 0x20 : 0x1F);
    else
        s2 = j2 + 0x7E;
    return static_cast<uint16_t>(s1 << 8 | s2);
}

uint16_t EucToJis(uint16_t c) {
    if (c < 0x100) return c;
    if ((c >> 8) == 0x8E) return c & 0xFF;
    return c & 0x7F7F;
}

uint16_t EucToSjis(uint16_t c) {
    return JisToSjis(EucToJis(c));
}
