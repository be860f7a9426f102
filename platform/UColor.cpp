#include "UColor.h"

TColor ColorToRGB(TColor C) {
    if (C < 0) {
        // Classic Windows system colour defaults, indexed by COLOR_xxx.
        static constexpr TColor table[] = {
            RGB(192, 192, 192), RGB(0, 128, 128),   RGB(0, 0, 128),     RGB(128, 128, 128),
            RGB(192, 192, 192), RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),
            RGB(0, 0, 0),       RGB(255, 255, 255), RGB(192, 192, 192), RGB(192, 192, 192),
            RGB(128, 128, 128), RGB(0, 0, 128),     RGB(255, 255, 255), RGB(192, 192, 192),
            RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(192, 192, 192),
            RGB(255, 255, 255), RGB(0, 0, 0),       RGB(223, 223, 223), RGB(0, 0, 0),
            RGB(255, 255, 225),
        };
        const unsigned index = static_cast<unsigned>(C) & 0xFF;
        return index < sizeof table / sizeof table[0] ? table[index] : clBlack;
    }
    if (C == clNone || C == clDefault)
        return clBlack;
    return C & 0xFFFFFF;
}
