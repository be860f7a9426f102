#include "UFont.h"

#include "UWinTypes.h"

#include <QFontMetricsF>
#include <cmath>

TFont::TFont(QObject* Parent) : QObject(Parent) {}

void TFont::Changed() {
    ++FVersion;
    if (OnChange)
        OnChange();
}

void TFont::Assign(const TFont& Source) {
    if (&Source != this)
        SetData(Source.FData);
}

void TFont::SetData(const TFontData& Data) {
    FData = Data;
    Changed();
}

void TFont::SetName(const QString& Value) {
    if (Value != FData.Name) {
        FData.Name = Value;
        Changed();
    }
}

void TFont::SetHeight(int Value) {
    if (Value != FData.Height) {
        FData.Height = Value;
        Changed();
    }
}

int TFont::Size() const {
    return -MulDiv(FData.Height, 72, FData.PixelsPerInch);
}

void TFont::SetSize(int Value) {
    SetHeight(-MulDiv(Value, FData.PixelsPerInch, 72));
}

void TFont::SetPixelsPerInch(int Value) {
    if (Value > 0 && Value != FData.PixelsPerInch) {
        FData.PixelsPerInch = Value;
        Changed();
    }
}

void TFont::SetStyle(TFontStyles Value) {
    const unsigned v = static_cast<unsigned>(Value.toInt());
    if (v != FData.Style) {
        FData.Style = v;
        Changed();
    }
}

void TFont::SetPitch(TFontPitch Value) {
    if (Value != FData.Pitch) {
        FData.Pitch = Value;
        Changed();
    }
}

void TFont::SetColor(TColor Value) {
    if (Value != FData.Color) {
        FData.Color = Value;
        Changed();
    }
}

void TFont::SetCharset(int Value) {
    if (Value != FData.Charset) {
        FData.Charset = Value;
        Changed();
    }
}

void TFont::SetEscapement(int Value) {
    if (Value != FData.Escapement) {
        FData.Escapement = Value;
        Changed();
    }
}

void TFont::SetOrientation(int Value) {
    if (Value != FData.Orientation) {
        FData.Orientation = Value;
        Changed();
    }
}

void TFont::SetQuality(int Value) {
    if (Value != FData.Quality) {
        FData.Quality = Value;
        Changed();
    }
}

namespace {

struct TFaceSubstitute {
    const char16_t* Stored;
    const char* Installed;
};

// Stored Windows names and the IPA face that draws each. Full-width names use U+FF2D,
// U+FF33 and U+FF30 with an ASCII space, as documents store them.
constexpr TFaceSubstitute FaceSubstitutes[] = {
    {u"ＭＳ Ｐゴシック", "IPAPGothic"}, {u"ＭＳ Ｐ明朝", "IPAPMincho"},
    {u"ＭＳ ゴシック", "IPAGothic"},    {u"ＭＳ 明朝", "IPAMincho"},
    {u"MS PGothic", "IPAPGothic"},      {u"MS PMincho", "IPAPMincho"},
    {u"MS Gothic", "IPAGothic"},        {u"MS Mincho", "IPAMincho"},
    {u"MS UI Gothic", "IPAPGothic"},    {u"標準ゴシック", "IPAGothic"},
    {u"標準明朝", "IPAMincho"},         {u"System", "IPAPGothic"},
};

} // namespace

QString SubstituteFontFace(const QString& Name) {
    const QString face = Name.startsWith(QLatin1Char('@')) ? Name.mid(1) : Name;
    for (const TFaceSubstitute& s : FaceSubstitutes)
        if (face.compare(QString::fromUtf16(s.Stored), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(s.Installed);
    return face;
}

QFont CreateQFont(const TFontData& Data, int DeviceHeight) {
    QFont font(SubstituteFontFace(Data.Name));
    font.setBold(Data.Style & TFont::fsBold);
    font.setItalic(Data.Style & TFont::fsItalic);
    font.setUnderline(Data.Style & TFont::fsUnderline);
    font.setStrikeOut(Data.Style & TFont::fsStrikeOut);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(Data.Quality == NONANTIALIASED_QUALITY ? QFont::NoAntialias
                                                                 : QFont::PreferAntialias);
    if (Data.Pitch == TFont::fpFixed)
        font.setFixedPitch(true);
    if (DeviceHeight == 0)
        DeviceHeight = -12;
    if (DeviceHeight < 0) {
        font.setPixelSize(std::max(1, -DeviceHeight));
        return font;
    }
    // A cell height: find the em size whose ascent + descent is that height.
    font.setPixelSize(100);
    const QFontMetricsF m(font);
    const double cell = m.ascent() + m.descent();
    const double em = cell > 0 ? DeviceHeight * 100.0 / cell : DeviceHeight;
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(em))));
    return font;
}
