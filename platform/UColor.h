#pragma once
// Colours as the drawing code stores them: 0x00BBGGRR. Negative values (high byte 0x80)
// name system colours and are resolved with ColorToRGB; clNone and clDefault are markers.

#include <QColor>
#include <cstdint>

using TColor = int32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// System colours: clSystemColor | COLOR_xxx index, numbered as the GUI class library numbers
// them in stored files (clBtnFace = 0xFF00000F). Any negative value counts as a system
// colour when resolved, so that the older numbering 0x80000000 | index still resolves.
constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000u);
constexpr TColor clScrollBar = static_cast<TColor>(0xFF000000u);
constexpr TColor clBackground = static_cast<TColor>(0xFF000001u);
constexpr TColor clActiveCaption = static_cast<TColor>(0xFF000002u);
constexpr TColor clInactiveCaption = static_cast<TColor>(0xFF000003u);
constexpr TColor clMenu = static_cast<TColor>(0xFF000004u);
constexpr TColor clWindow = static_cast<TColor>(0xFF000005u);
constexpr TColor clWindowFrame = static_cast<TColor>(0xFF000006u);
constexpr TColor clMenuText = static_cast<TColor>(0xFF000007u);
constexpr TColor clWindowText = static_cast<TColor>(0xFF000008u);
constexpr TColor clCaptionText = static_cast<TColor>(0xFF000009u);
constexpr TColor clActiveBorder = static_cast<TColor>(0xFF00000Au);
constexpr TColor clInactiveBorder = static_cast<TColor>(0xFF00000Bu);
constexpr TColor clAppWorkSpace = static_cast<TColor>(0xFF00000Cu);
constexpr TColor clHighlight = static_cast<TColor>(0xFF00000Du);
constexpr TColor clHighlightText = static_cast<TColor>(0xFF00000Eu);
constexpr TColor clBtnFace = static_cast<TColor>(0xFF00000Fu);
constexpr TColor clBtnShadow = static_cast<TColor>(0xFF000010u);
constexpr TColor clGrayText = static_cast<TColor>(0xFF000011u);
constexpr TColor clBtnText = static_cast<TColor>(0xFF000012u);
constexpr TColor clInactiveCaptionText = static_cast<TColor>(0xFF000013u);
constexpr TColor clBtnHighlight = static_cast<TColor>(0xFF000014u);
constexpr TColor cl3DDkShadow = static_cast<TColor>(0xFF000015u);
constexpr TColor cl3DLight = static_cast<TColor>(0xFF000016u);
constexpr TColor clInfoText = static_cast<TColor>(0xFF000017u);
constexpr TColor clInfoBk = static_cast<TColor>(0xFF000018u);

constexpr uint8_t GetRValue(TColor C) {
    return static_cast<uint8_t>(C & 0xFF);
}
constexpr uint8_t GetGValue(TColor C) {
    return static_cast<uint8_t>((C >> 8) & 0xFF);
}
constexpr uint8_t GetBValue(TColor C) {
    return static_cast<uint8_t>((C >> 16) & 0xFF);
}
constexpr TColor RGB(int R, int G, int B) {
    return static_cast<TColor>((R & 0xFF) | ((G & 0xFF) << 8) | ((B & 0xFF) << 16));
}

// Resolves system colours to 0x00BBGGRR with the classic Windows defaults (the program's
// look does not follow the desktop theme); other values are returned with the high byte
// cleared. clNone and clDefault resolve to black.
TColor ColorToRGB(TColor C);

inline QColor ToQColor(TColor C) {
    const TColor c = ColorToRGB(C);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}
inline TColor FromQColor(const QColor& C) {
    return RGB(C.red(), C.green(), C.blue());
}
