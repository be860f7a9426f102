#include "UFont.h"

#include "UCodePage.h"
#include "UWinTypes.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QHash>
#include <cmath>
#include <hb-ot.h>
#include <hb.h>
#include <map>
#include <memory>
#include <mutex>

TFont::TFont(QObject* Parent) {
    setParent(Parent);
}

void TFont::Assign(const TPersistent* Source) {
    if (const auto* font = qobject_cast<const TFont*>(Source))
        Assign(*font);
    else
        TPersistent::Assign(Source);
}

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
    {u"標準明朝", "IPAMincho"},
};

QString& SystemFace() {
    static QString face = QStringLiteral("IPAPGothic");
    return face;
}

} // namespace

QString SystemFontFace() {
    return SystemFace();
}

void SetSystemFontFace(const QString& Face) {
    SystemFace() = Face;
}

QString SubstituteFontFace(const QString& Name) {
    const QString face = Name.startsWith(QLatin1Char('@')) ? Name.mid(1) : Name;
    for (const TFaceSubstitute& s : FaceSubstitutes)
        if (face.compare(QString::fromUtf16(s.Stored), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(s.Installed);
    if (face.compare(QLatin1String("System"), Qt::CaseInsensitive) == 0)
        return SystemFace();
    return face;
}

// ---- Vertical faces --------------------------------------------------------------------

bool IsVerticalFaceName(const QString& Name) {
    return Name.startsWith(QLatin1Char('@'));
}

bool IsUprightInVertical(char32_t Ch) {
    if (Ch < 0x80)
        return false;
    // Whatever code page 932 holds in two bytes stands (circled digits, symbols, arrows,
    // full-width Greek and Cyrillic included); its single-byte characters lie on their side.
    if (const TCP932Result encoded = EncodeCP932(QString::fromUcs4(&Ch, 1)); encoded.Ok())
        return encoded.Bytes.size() == 2;
    struct TRange {
        char32_t First, Last;
    };
    // Beyond the code page: CJK punctuation, kana, ideographs, compatibility forms,
    // full-width forms (the half-width katakana and symbols after U+FF60 lie on their side
    // as Latin does).
    static constexpr TRange Upright[] = {
        {0x1100, 0x11FF}, {0x2E80, 0x2FDF},   {0x2FF0, 0x303F},   {0x3040, 0x31FF},
        {0x3200, 0x4DBF}, {0x4E00, 0x9FFF},   {0xA960, 0xA97F},   {0xAC00, 0xD7FF},
        {0xF900, 0xFAFF}, {0xFE10, 0xFE1F},   {0xFE30, 0xFE4F},   {0xFF01, 0xFF60},
        {0xFFE0, 0xFFE6}, {0x1F200, 0x1F2FF}, {0x20000, 0x2FFFF}, {0x30000, 0x3FFFF},
    };
    for (const TRange& r : Upright)
        if (Ch >= r.First && Ch <= r.Last)
            return true;
    return false;
}

namespace {

// HarfBuzz over the tables of a QRawFont, one face per font file, for the vertical
// alternates. The tables are copied into blobs, so the QRawFont may go after creation.
struct THbFace {
    std::unique_ptr<hb_face_t, decltype(&hb_face_destroy)> Face{nullptr, hb_face_destroy};
    std::unique_ptr<hb_font_t, decltype(&hb_font_destroy)> Font{nullptr, hb_font_destroy};
    std::map<char32_t, quint32> Vertical;
    bool HasVert = false;
};

hb_blob_t* ReferenceTable(hb_face_t*, hb_tag_t Tag, void* User) {
    const auto* raw = static_cast<const QRawFont*>(User);
    const char name[4] = {char(Tag >> 24), char(Tag >> 16), char(Tag >> 8), char(Tag)};
    auto data = std::make_unique<QByteArray>(raw->fontTable(name));
    if (data->isEmpty())
        return nullptr;
    const char* bytes = data->constData();
    const auto size = static_cast<unsigned>(data->size());
    return hb_blob_create(bytes, size, HB_MEMORY_MODE_READONLY, data.release(), [](void* P) {
        std::unique_ptr<QByteArray>(static_cast<QByteArray*>(P));
    });
}

QString FaceKey(const QRawFont& Font) {
    return Font.familyName() + QLatin1Char('/') + Font.styleName();
}

std::mutex HbLock;

THbFace& HbFaceOf(const QRawFont& Font) {
    static std::map<QString, std::unique_ptr<THbFace>> faces;
    auto& entry = faces[FaceKey(Font)];
    if (!entry) {
        entry = std::make_unique<THbFace>();
        // The callback reads tables while the face is created and on first use of each
        // table; a copy of the raw font kept with the face serves the later reads.
        QRawFont* keep = std::make_unique<QRawFont>(Font).release();
        entry->Face.reset(hb_face_create_for_tables(ReferenceTable, keep, [](void* P) {
            std::unique_ptr<QRawFont>(static_cast<QRawFont*>(P));
        }));
        hb_face_set_upem(entry->Face.get(), static_cast<unsigned>(Font.unitsPerEm()));
        entry->Font.reset(hb_font_create(entry->Face.get()));
        const hb_tag_t vert = HB_TAG('v', 'e', 'r', 't');
        hb_tag_t tags[64];
        unsigned start = 0, count = 64;
        do {
            count = 64;
            hb_ot_layout_table_get_feature_tags(entry->Face.get(), HB_OT_TAG_GSUB, start, &count,
                                                tags);
            for (unsigned i = 0; i < count; ++i)
                entry->HasVert = entry->HasVert || tags[i] == vert;
            start += count;
        } while (count == 64);
    }
    return *entry;
}

} // namespace

bool HasVerticalForms(const QRawFont& Font) {
    if (!Font.isValid())
        return false;
    const std::lock_guard guard(HbLock);
    return HbFaceOf(Font).HasVert;
}

quint32 VerticalGlyphIndex(const QRawFont& Font, char32_t Ch) {
    if (!Font.isValid())
        return 0;
    const std::lock_guard guard(HbLock);
    THbFace& face = HbFaceOf(Font);
    if (auto it = face.Vertical.find(Ch); it != face.Vertical.end())
        return it->second;
    std::unique_ptr<hb_buffer_t, decltype(&hb_buffer_destroy)> buffer(hb_buffer_create(),
                                                                      hb_buffer_destroy);
    const uint32_t text[1] = {static_cast<uint32_t>(Ch)};
    hb_buffer_add_utf32(buffer.get(), text, 1, 0, 1);
    hb_buffer_set_direction(buffer.get(), HB_DIRECTION_TTB);
    hb_buffer_set_script(buffer.get(), HB_SCRIPT_HAN);
    hb_buffer_set_language(buffer.get(), hb_language_from_string("ja", -1));
    const hb_feature_t features[] = {
        {HB_TAG('v', 'e', 'r', 't'), 1, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
        {HB_TAG('v', 'r', 't', '2'), 1, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
    };
    hb_shape(face.Font.get(), buffer.get(), features, 2);
    unsigned count = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer.get(), &count);
    const quint32 glyph = count == 1 ? info[0].codepoint : 0;
    face.Vertical.emplace(Ch, glyph);
    return glyph;
}

// ---- Installed faces -------------------------------------------------------------------

namespace {

struct TFaceLists {
    QStringList Names;
    QHash<QString, bool> Scalable; // lower-case name -> outline face
};

TFaceLists BuildFaceLists() {
    TFaceLists lists;
    auto add = [&lists](const QString& Name, bool Scalable) {
        const QString key = Name.toLower();
        if (!lists.Scalable.contains(key)) {
            lists.Names.append(Name);
            lists.Scalable.insert(key, Scalable);
        }
    };
    const QStringList families = QFontDatabase::families();
    for (const QString& family : families)
        add(family, QFontDatabase::isSmoothlyScalable(family));
    auto installed = [&families](const QString& Face) {
        return families.contains(Face, Qt::CaseInsensitive);
    };
    for (const TFaceSubstitute& s : FaceSubstitutes)
        if (installed(QString::fromLatin1(s.Installed)))
            add(QString::fromUtf16(s.Stored), true);
    if (installed(SystemFace()))
        add(QStringLiteral("System"), true);
    const QStringList plain = lists.Names;
    for (const QString& name : plain) {
        if (!lists.Scalable.value(name.toLower()))
            continue;
        // Vertical forms come with faces for CJK writing; others are not opened.
        const QString family = SubstituteFontFace(name);
        const QList<QFontDatabase::WritingSystem> systems = QFontDatabase::writingSystems(family);
        if (!systems.contains(QFontDatabase::Japanese) &&
            !systems.contains(QFontDatabase::SimplifiedChinese) &&
            !systems.contains(QFontDatabase::TraditionalChinese) &&
            !systems.contains(QFontDatabase::Korean))
            continue;
        QFont font(family);
        font.setPixelSize(16);
        if (HasVerticalForms(QRawFont::fromFont(font)))
            add(QLatin1Char('@') + name, true);
    }
    return lists;
}

std::mutex FaceListLock;

TFaceLists& FaceLists(bool Rebuild = false) {
    static std::unique_ptr<TFaceLists> lists;
    if (!lists || Rebuild)
        lists = std::make_unique<TFaceLists>(BuildFaceLists());
    return *lists;
}

} // namespace

const QStringList& InstalledFontFaces() {
    const std::lock_guard guard(FaceListLock);
    return FaceLists().Names;
}

void RefreshFontFaces() {
    const std::lock_guard guard(FaceListLock);
    FaceLists(true);
}

bool IsInstalledFontFace(const QString& Name) {
    const std::lock_guard guard(FaceListLock);
    return FaceLists().Scalable.contains(Name.toLower());
}

bool IsScalableFontFace(const QString& Name) {
    const std::lock_guard guard(FaceListLock);
    return FaceLists().Scalable.value(Name.toLower(), false);
}

int FontFaceCharset(const QString& Name) {
    if (!IsInstalledFontFace(Name))
        return DEFAULT_CHARSET;
    const QString family = SubstituteFontFace(Name);
    const QList<QFontDatabase::WritingSystem> systems = QFontDatabase::writingSystems(family);
    if (systems.contains(QFontDatabase::Japanese))
        return SHIFTJIS_CHARSET;
    if (systems.contains(QFontDatabase::Latin))
        return ANSI_CHARSET;
    return DEFAULT_CHARSET;
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
