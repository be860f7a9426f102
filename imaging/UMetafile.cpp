#include "UMetafile.h"

#include "UCanvasGuards.h"
#include "USafetyBitmap.h"
#include "UScaler.h"

#include <QDebug>
#include <array>
#include <climits>
#include <cstring>

// Record payloads (all integers little-endian Int32 unless said otherwise):
//   Pen          colour, width, UInt8 style, UInt8 mode
//   Brush        colour, UInt8 style
//   Font         name (UInt32 count + UTF-16), height, pixels per inch, UInt32 style, pitch,
//                colour, charset, escapement, orientation, quality
//   MoveTo ... ClipRect, BeginGroup
//                UInt32 point count, then x, y per point (a rectangle is two points; a group
//                is its rectangle and, as a third point, the size of its own pixels)
//   Text         x, y, text (UInt32 count + UTF-16)
//   Graphic      left, top, right, bottom, then picture data (not of a metafile)
//   EndGroup     nothing

struct TMetaRecord {
    uint8_t Kind = 0;
    std::vector<TPoint> Points;
    TPenData Pen;
    TBrushData Brush;
    TFontData Font;
    QString Text;
    std::shared_ptr<const TGraphic> Graphic;
};

namespace {

enum : uint8_t {
    mrPen = 1,
    mrBrush,
    mrFont,
    mrMoveTo,
    mrLineTo,
    mrPolyline,
    mrPolygon,
    mrRectangle,
    mrEllipse,
    mrFillRect,
    mrText,
    mrClipRect,
    mrGraphic,
    mrBeginGroup,
    mrEndGroup,
};

constexpr char Magic[4] = {'V', 'M', 'F', '1'};
constexpr uint32_t EmfSignature = 0x464D4520; // " EMF"
constexpr uint32_t PlaceableKey = 0x9AC6CDD7;
constexpr int MaxGroupDepth = 64;
// Coordinates, pen widths and font heights read from a file stay within this distance of 0.
constexpr int32_t MaxCoordinate = 1 << 18;

[[noreturn]] void Invalid() {
    RaiseInvalidGraphic(QStringLiteral("メタファイルが不正です"));
}

// The first bytes of a file, zero-padded: header fields are read from here.
constexpr size_t HeadSize = 88;
using THead = std::array<uint8_t, HeadSize>;

THead HeadOf(const QByteArray& Data) {
    THead head{};
    std::memcpy(head.data(), Data.constData(), std::min(HeadSize, size_t(Data.size())));
    return head;
}

uint32_t U32(const THead& H, size_t At) {
    return H[At] | H[At + 1] << 8 | H[At + 2] << 16 | uint32_t(H[At + 3]) << 24;
}
int32_t I32(const THead& H, size_t At) {
    return static_cast<int32_t>(U32(H, At));
}
uint16_t U16(const THead& H, size_t At) {
    return static_cast<uint16_t>(H[At] | H[At + 1] << 8);
}
int16_t I16(const THead& H, size_t At) {
    return static_cast<int16_t>(U16(H, At));
}

bool SideInRange(int64_t V) {
    return V > 0 && V <= MaxBitmapSide;
}

// ---------------------------------------------------------------------------------------
// Writing

void WriteText(TStream& S, const QString& Text) {
    S.WriteValue<uint32_t>(static_cast<uint32_t>(Text.size()));
    for (const QChar c : Text)
        S.WriteValue<uint16_t>(c.unicode());
}

void WritePoints(TStream& S, const std::vector<TPoint>& Points) {
    S.WriteValue<uint32_t>(static_cast<uint32_t>(Points.size()));
    for (const TPoint& p : Points) {
        S.WriteValue<int32_t>(p.x);
        S.WriteValue<int32_t>(p.y);
    }
}

void WritePayload(TStream& S, const TMetaRecord& R) {
    switch (R.Kind) {
    case mrPen:
        S.WriteValue<int32_t>(R.Pen.Color);
        S.WriteValue<int32_t>(R.Pen.Width);
        S.WriteValue<uint8_t>(static_cast<uint8_t>(R.Pen.Style));
        S.WriteValue<uint8_t>(static_cast<uint8_t>(R.Pen.Mode));
        break;
    case mrBrush:
        S.WriteValue<int32_t>(R.Brush.Color);
        S.WriteValue<uint8_t>(static_cast<uint8_t>(R.Brush.Style));
        break;
    case mrFont: {
        const TFontData& f = R.Font;
        WriteText(S, f.Name);
        for (const int32_t v : {f.Height, f.PixelsPerInch, static_cast<int32_t>(f.Style), f.Pitch,
                                f.Color, f.Charset, f.Escapement, f.Orientation, f.Quality})
            S.WriteValue<int32_t>(v);
        break;
    }
    case mrText:
        S.WriteValue<int32_t>(R.Points.at(0).x);
        S.WriteValue<int32_t>(R.Points.at(0).y);
        WriteText(S, R.Text);
        break;
    case mrGraphic:
        for (const TPoint& p : R.Points) {
            S.WriteValue<int32_t>(p.x);
            S.WriteValue<int32_t>(p.y);
        }
        WritePictureData(S, R.Graphic.get());
        break;
    case mrEndGroup:
        break;
    default:
        WritePoints(S, R.Points);
        break;
    }
}

// ---------------------------------------------------------------------------------------
// Reading (every read is bounded by the payload; a short payload raises EReadError)

QString ReadText(TStream& S) {
    const auto count = S.ReadValue<uint32_t>();
    if (int64_t(count) * 2 > S.Remaining())
        Invalid();
    QString text(static_cast<qsizetype>(count), Qt::Uninitialized);
    for (uint32_t i = 0; i < count; ++i)
        text[static_cast<qsizetype>(i)] = QChar(S.ReadValue<uint16_t>());
    return text;
}

// A coordinate or length of a record: within MaxCoordinate of the origin, so that playback
// never hands the canvas values whose device arithmetic could overflow.
int32_t ReadCoordinate(TStream& S) {
    const auto v = S.ReadValue<int32_t>();
    if (v < -MaxCoordinate || v > MaxCoordinate)
        Invalid();
    return v;
}

// A whole-number field of a record within [Min, Max].
int32_t ReadBounded(TStream& S, int32_t Min, int32_t Max) {
    const auto v = S.ReadValue<int32_t>();
    if (v < Min || v > Max)
        Invalid();
    return v;
}

TPoint ReadPoint(TStream& S) {
    const int32_t x = ReadCoordinate(S);
    const int32_t y = ReadCoordinate(S);
    return TPoint(x, y);
}

std::vector<TPoint> ReadPoints(TStream& S, uint32_t Min, uint32_t Max) {
    const auto count = S.ReadValue<uint32_t>();
    if (count < Min || count > Max || int64_t(count) * 8 > S.Remaining())
        Invalid();
    std::vector<TPoint> points(count);
    for (TPoint& p : points)
        p = ReadPoint(S);
    return points;
}

template <class TEnum>
TEnum ReadEnum(TStream& S, int Last) {
    const auto v = S.ReadValue<uint8_t>();
    if (v > Last)
        Invalid();
    return static_cast<TEnum>(v);
}

std::shared_ptr<const TGraphic> ReadGraphic(TStream& S) {
    const auto length = S.ReadValue<uint8_t>();
    const QString name = QString::fromLatin1(S.ReadBytes(length));
    if (name.isEmpty())
        return nullptr;
    std::unique_ptr<TGraphic> graphic = CreateGraphic(name);
    // A metafile is stored as a group of calls, never as a nested graphic: nesting here
    // would let a file recurse without bound.
    if (dynamic_cast<TMetafile*>(graphic.get()))
        Invalid();
    graphic->ReadData(S);
    return graphic;
}

TMetaRecord ReadRecord(uint8_t Kind, TStream& S, int& Depth) {
    TMetaRecord r;
    r.Kind = Kind;
    constexpr uint32_t Any = UINT32_MAX;
    switch (Kind) {
    case mrPen:
        r.Pen.Color = S.ReadValue<int32_t>();
        r.Pen.Width = std::max(0, ReadCoordinate(S));
        r.Pen.Style = ReadEnum<TPenStyle>(S, psInsideFrame);
        r.Pen.Mode = ReadEnum<TPenMode>(S, pmNotXor);
        break;
    case mrBrush:
        r.Brush.Color = S.ReadValue<int32_t>();
        r.Brush.Style = ReadEnum<TBrushStyle>(S, bsDiagCross);
        break;
    case mrFont: {
        TFontData& f = r.Font;
        f.Name = ReadText(S);
        f.Height = ReadCoordinate(S);
        f.PixelsPerInch = S.ReadValue<int32_t>();
        f.Style = S.ReadValue<uint32_t>() & 0xF;
        f.Pitch = ReadBounded(S, TFont::fpDefault, TFont::fpFixed);
        f.Color = S.ReadValue<int32_t>();
        f.Charset = ReadBounded(S, 0, 255);
        // Angles in tenths of a degree: any turn the canvas can draw, never a value whose
        // negation or scaling could overflow.
        f.Escapement = ReadBounded(S, -MaxCoordinate, MaxCoordinate);
        f.Orientation = ReadBounded(S, -MaxCoordinate, MaxCoordinate);
        f.Quality = ReadBounded(S, 0, 255);
        if (f.PixelsPerInch <= 0 || f.PixelsPerInch > MaxCoordinate)
            Invalid();
        break;
    }
    case mrMoveTo:
    case mrLineTo:
        r.Points = ReadPoints(S, 1, 1);
        break;
    case mrPolyline:
    case mrPolygon:
        r.Points = ReadPoints(S, 1, Any);
        break;
    case mrRectangle:
    case mrEllipse:
    case mrFillRect:
    case mrClipRect:
        r.Points = ReadPoints(S, 2, 2);
        break;
    case mrText:
        r.Points = {ReadPoint(S)};
        r.Text = ReadText(S);
        break;
    case mrGraphic:
        for (int i = 0; i < 2; ++i)
            r.Points.push_back(ReadPoint(S));
        r.Graphic = ReadGraphic(S);
        break;
    case mrBeginGroup:
        r.Points = ReadPoints(S, 3, 3);
        if (!SideInRange(r.Points[2].x) || !SideInRange(r.Points[2].y) || ++Depth > MaxGroupDepth)
            Invalid();
        break;
    case mrEndGroup:
        if (--Depth < 0)
            Invalid();
        break;
    default:
        Invalid();
    }
    return r;
}

// ---------------------------------------------------------------------------------------
// Playback

// Maps logical (0, 0) - (Width, Height) onto R of the canvas's current mapping. False when
// nothing would be visible.
bool MapInto(TCanvas& Canvas, const TRect& R, int Width, int Height) {
    const TRect d = Canvas.LPtoDP(R);
    if (d.Width() <= 0 || d.Height() <= 0 || Width <= 0 || Height <= 0)
        return false;
    Canvas.SetMapMode(MM_ANISOTROPIC);
    Canvas.SetWindowOrgEx(0, 0);
    Canvas.SetWindowExtEx(Width, Height);
    Canvas.SetViewportOrgEx(d.Left, d.Top);
    Canvas.SetViewportExtEx(d.Width(), d.Height());
    return true;
}

void ResetTools(TCanvas& Canvas) {
    Canvas.Pen().SetData(TPenData{});
    Canvas.Brush().SetData(TBrushData{});
    Canvas.Font().SetData(TFontData{});
    Canvas.SetCopyMode(SRCCOPY);
}

TRect RectOf(const std::vector<TPoint>& Points) {
    return TRect(Points[0], Points[1]);
}

// The placeholder of a foreign metafile: a grey frame with its diagonals. Works on a canvas
// and on a metafile canvas alike.
template <class TAnyCanvas>
void PlaceholderCalls(TAnyCanvas& Canvas, const TRect& R) {
    const TPenData pen = Canvas.Pen().Data();
    const TBrushData brush = Canvas.Brush().Data();
    Canvas.Pen().SetData(TPenData{clGray, 0, psSolid, pmCopy});
    Canvas.Brush().SetData(TBrushData{clWhite, bsClear});
    Canvas.Rectangle(R);
    Canvas.MoveTo(R.Left, R.Top);
    Canvas.LineTo(R.Right - 1, R.Bottom - 1);
    Canvas.MoveTo(R.Right - 1, R.Top);
    Canvas.LineTo(R.Left, R.Bottom - 1);
    Canvas.Pen().SetData(pen);
    Canvas.Brush().SetData(brush);
}

// The records of our own file form, and its size.
std::shared_ptr<const std::vector<TMetaRecord>> ParseRecorded(const QByteArray& Data, TSize& Size) {
    const THead head = HeadOf(Data);
    const int32_t w = I32(head, 4), h = I32(head, 8);
    const uint32_t count = U32(head, 12);
    if (w < 0 || h < 0 || w > MaxBitmapSide || h > MaxBitmapSide || count > Data.size() / 5)
        Invalid();
    auto records = std::make_shared<std::vector<TMetaRecord>>();
    records->reserve(count);
    TMemoryStream s(Data);
    s.SetPosition(16);
    int depth = 0;
    try {
        for (uint32_t i = 0; i < count; ++i) {
            const auto kind = s.ReadValue<uint8_t>();
            const auto length = s.ReadValue<uint32_t>();
            TMemoryStream payload(s.ReadBytes(length));
            records->push_back(ReadRecord(kind, payload, depth));
        }
    } catch (const EReadError&) {
        Invalid();
    }
    if (depth != 0)
        Invalid();
    Size = {w, h};
    return records;
}

// An enhanced metafile: its frame (0.01 mm) at the screen's resolution.
bool ParseEnhanced(const QByteArray& Data, TSize& Size) {
    const qsizetype size = Data.size();
    const THead Head = HeadOf(Data);
    if (size < 88 || U32(Head, 0) != 1 || U32(Head, 40) != EmfSignature)
        return false;
    const uint32_t headerSize = U32(Head, 4), bytes = U32(Head, 48);
    if (headerSize < 88 || headerSize > size || bytes < headerSize || bytes > size)
        Invalid();
    const int ppi = GetScreenPixelsPerInch();
    // The frame's sides in 64 bits: two corners far apart differ by more than an int holds.
    const auto side = [&](int From, int To) {
        const int64_t d = int64_t(I32(Head, To)) - I32(Head, From);
        if (d < INT_MIN || d > INT_MAX)
            Invalid();
        return int64_t(MulDiv(static_cast<int>(d), ppi, 2540));
    };
    const int64_t w = side(24, 32);
    const int64_t h = side(28, 36);
    if (!SideInRange(w) || !SideInRange(h))
        Invalid();
    Size = {static_cast<int>(w), static_cast<int>(h)};
    return true;
}

// A placeable Windows metafile: its bounding box in units of 1/inch at the screen's
// resolution; the Windows metafile header after it must fit the data.
bool ParsePlaceable(const QByteArray& Data, TSize& Size) {
    const qsizetype size = Data.size();
    const THead Head = HeadOf(Data);
    if (size < 22 + 18 || U32(Head, 0) != PlaceableKey)
        return false;
    const int inch = U16(Head, 14);
    const uint16_t type = U16(Head, 22), headerWords = U16(Head, 24);
    const int64_t fileWords = U32(Head, 28);
    if (inch == 0 || (type != 1 && type != 2) || headerWords != 9 || fileWords * 2 > size - 22)
        Invalid();
    const int ppi = GetScreenPixelsPerInch();
    const int64_t w = MulDiv(I16(Head, 10) - I16(Head, 6), ppi, inch);
    const int64_t h = MulDiv(I16(Head, 12) - I16(Head, 8), ppi, inch);
    if (!SideInRange(w) || !SideInRange(h))
        Invalid();
    Size = {static_cast<int>(w), static_cast<int>(h)};
    return true;
}

TMetafileKind ParseForeign(const QByteArray& Data, TSize& Size) {
    if (ParseEnhanced(Data, Size))
        return mkEnhanced;
    if (ParsePlaceable(Data, Size))
        return mkPlaceable;
    Invalid();
}

struct TToolState {
    TPenData Pen;
    TBrushData Brush;
    TFontData Font;
};

} // namespace

// ---------------------------------------------------------------------------------------
// TMetafile

TMetafile::TMetafile() = default;
TMetafile::~TMetafile() = default;

std::unique_ptr<TGraphic> TMetafile::CreateNew() const {
    return std::make_unique<TMetafile>();
}

bool TMetafile::Empty() const {
    return FKind == mkNone || FWidth <= 0 || FHeight <= 0;
}

int TMetafile::RecordCount() const {
    return FRecords ? static_cast<int>(FRecords->size()) : 0;
}

void TMetafile::Clear() {
    FKind = mkNone;
    FWidth = FHeight = 0;
    FRecords.reset();
    FForeign.clear();
}

void TMetafile::SetSize(int Width, int Height) {
    if (Width < 0 || Height < 0 || Width > MaxBitmapSide || Height > MaxBitmapSide)
        throw Exception(
            QStringLiteral("メタファイルの大きさが範囲外です (%1 x %2)").arg(Width).arg(Height));
    if (FKind != mkRecorded) {
        Clear();
        FKind = mkRecorded;
    }
    FWidth = Width;
    FHeight = Height;
    Changed();
}

void TMetafile::Assign(const TPersistent* Source) {
    if (Source == this)
        return;
    if (const auto* m = dynamic_cast<const TMetafile*>(Source)) {
        FKind = m->FKind;
        FWidth = m->FWidth;
        FHeight = m->FHeight;
        FRecords = m->FRecords;
        FForeign = m->FForeign;
        Changed();
        return;
    }
    if (!Source) {
        Clear();
        Changed();
        return;
    }
    TGraphic::Assign(Source);
}

void TMetafile::Draw(TCanvas& Canvas, const TRect& Rect) const {
    if (Empty())
        return;
    if (FKind == mkRecorded)
        PlayRecords(Canvas, Rect);
    else
        DrawPlaceholder(Canvas, Rect);
}

void TMetafile::DrawPlaceholder(TCanvas& Canvas, const TRect& Rect) const {
    TCanvasSaver saver(Canvas, false);
    PlaceholderCalls(Canvas, Rect);
}

void TMetafile::PlayRecords(TCanvas& Canvas, const TRect& Rect) const {
    if (!FRecords)
        return;
    TCanvasSaver saver(Canvas, true);
    if (!MapInto(Canvas, Rect, FWidth, FHeight))
        return;
    ResetTools(Canvas);
    std::vector<TToolState> outer;
    // Groups whose rectangle is not visible are skipped up to their end.
    int hiddenDepth = 0;
    for (const TMetaRecord& r : *FRecords) {
        if (hiddenDepth > 0) {
            hiddenDepth += r.Kind == mrBeginGroup ? 1 : r.Kind == mrEndGroup ? -1 : 0;
            continue;
        }
        switch (r.Kind) {
        case mrPen:
            Canvas.Pen().SetData(r.Pen);
            break;
        case mrBrush:
            Canvas.Brush().SetData(r.Brush);
            break;
        case mrFont:
            Canvas.Font().SetData(r.Font);
            break;
        case mrMoveTo:
            Canvas.MoveTo(r.Points[0].x, r.Points[0].y);
            break;
        case mrLineTo:
            Canvas.LineTo(r.Points[0].x, r.Points[0].y);
            break;
        case mrPolyline:
            Canvas.Polyline(r.Points);
            break;
        case mrPolygon:
            Canvas.Polygon(r.Points);
            break;
        case mrRectangle:
            Canvas.Rectangle(RectOf(r.Points));
            break;
        case mrEllipse:
            Canvas.Ellipse(RectOf(r.Points));
            break;
        case mrFillRect:
            Canvas.FillRect(RectOf(r.Points));
            break;
        case mrText:
            Canvas.TextOut(r.Points[0].x, r.Points[0].y, r.Text);
            break;
        case mrClipRect: {
            const TRect c = RectOf(r.Points);
            Canvas.IntersectClipRect(c.Left, c.Top, c.Right, c.Bottom);
            break;
        }
        case mrGraphic:
            if (r.Graphic)
                r.Graphic->Draw(Canvas, RectOf(r.Points));
            break;
        case mrBeginGroup:
            outer.push_back({Canvas.Pen().Data(), Canvas.Brush().Data(), Canvas.Font().Data()});
            Canvas.SaveDC();
            if (MapInto(Canvas, RectOf(r.Points), r.Points[2].x, r.Points[2].y)) {
                ResetTools(Canvas);
            } else {
                hiddenDepth = 1;
                // The group ends here for playback: put the state back at once.
                Canvas.RestoreDC(-1);
                outer.pop_back();
            }
            break;
        case mrEndGroup:
            if (!outer.empty()) {
                Canvas.RestoreDC(-1);
                Canvas.Pen().SetData(outer.back().Pen);
                Canvas.Brush().SetData(outer.back().Brush);
                Canvas.Font().SetData(outer.back().Font);
                outer.pop_back();
            }
            break;
        default:
            break;
        }
    }
}

void TMetafile::LoadFromStream(TStream& Stream) {
    const QByteArray data = Stream.ReadBytes(Stream.Remaining());
    TSize size;
    if (data.size() >= 16 && std::memcmp(data.constData(), Magic, 4) == 0) {
        std::shared_ptr<const TRecords> records = ParseRecorded(data, size);
        FKind = mkRecorded;
        FRecords = std::move(records);
        FForeign.clear();
    } else {
        const TMetafileKind kind = ParseForeign(data, size);
        FKind = kind;
        FRecords.reset();
        FForeign = data;
    }
    FWidth = size.cx;
    FHeight = size.cy;
    Changed();
}

void TMetafile::SaveToStream(TStream& Stream) const {
    if (FKind == mkEnhanced || FKind == mkPlaceable) {
        Stream.WriteBytes(FForeign);
        return;
    }
    if (FKind != mkRecorded)
        return;
    Stream.WriteBuffer(Magic, 4);
    Stream.WriteValue<int32_t>(FWidth);
    Stream.WriteValue<int32_t>(FHeight);
    Stream.WriteValue<uint32_t>(static_cast<uint32_t>(RecordCount()));
    if (!FRecords)
        return;
    for (const TMetaRecord& r : *FRecords) {
        TMemoryStream payload;
        WritePayload(payload, r);
        Stream.WriteValue<uint8_t>(r.Kind);
        Stream.WriteValue<uint32_t>(static_cast<uint32_t>(payload.GetSize()));
        Stream.WriteBytes(payload.Bytes());
    }
}

void TMetafile::LoadFromClipboardFormat(int Format, const QByteArray& Data) {
    if (Format != CF_ENHMETAFILE) {
        TGraphic::LoadFromClipboardFormat(Format, Data);
        return;
    }
    TMemoryStream stream(Data);
    LoadFromStream(stream);
}

// ---------------------------------------------------------------------------------------
// TMetafileCanvas

TMetafileCanvas::TMetafileCanvas(TMetafile& Metafile)
    : FMetafile(&Metafile), FRecords(std::make_shared<TMetafile::TRecords>()) {}

TMetafileCanvas::~TMetafileCanvas() {
    try {
        Close();
    } catch (const std::exception& e) {
        qWarning() << "metafile recording lost:" << e.what();
    }
}

void TMetafileCanvas::Close() {
    if (!FMetafile)
        return;
    TMetafile* m = FMetafile;
    FMetafile = nullptr;
    if (m->FKind != mkRecorded) {
        m->Clear();
        m->FKind = mkRecorded;
    }
    m->FForeign.clear();
    m->FRecords = std::move(FRecords);
    m->Changed();
}

void TMetafileCanvas::Add(TMetaRecord&& Record) {
    if (FMetafile)
        FRecords->push_back(std::move(Record));
}

void TMetafileCanvas::RecordTools() {
    if (FPen.Version() != FPenSeen) {
        TMetaRecord r;
        r.Kind = mrPen;
        r.Pen = FPen.Data();
        Add(std::move(r));
        FPenSeen = FPen.Version();
    }
    if (FBrush.Version() != FBrushSeen) {
        TMetaRecord r;
        r.Kind = mrBrush;
        r.Brush = FBrush.Data();
        Add(std::move(r));
        FBrushSeen = FBrush.Version();
    }
    if (FFont.Version() != FFontSeen) {
        TMetaRecord r;
        r.Kind = mrFont;
        r.Font = FFont.Data();
        Add(std::move(r));
        FFontSeen = FFont.Version();
    }
}

void TMetafileCanvas::AddShape(uint8_t Kind, std::vector<TPoint> Points) {
    RecordTools();
    TMetaRecord r;
    r.Kind = Kind;
    r.Points = std::move(Points);
    Add(std::move(r));
}

void TMetafileCanvas::MoveTo(int X, int Y) {
    AddShape(mrMoveTo, {TPoint(X, Y)});
}

void TMetafileCanvas::LineTo(int X, int Y) {
    AddShape(mrLineTo, {TPoint(X, Y)});
}

void TMetafileCanvas::Polyline(const std::vector<TPoint>& Points) {
    if (!Points.empty())
        AddShape(mrPolyline, Points);
}

void TMetafileCanvas::Polygon(const std::vector<TPoint>& Points) {
    if (!Points.empty())
        AddShape(mrPolygon, Points);
}

void TMetafileCanvas::Rectangle(const TRect& R) {
    AddShape(mrRectangle, {R.TopLeft(), R.BottomRight()});
}

void TMetafileCanvas::Ellipse(const TRect& R) {
    AddShape(mrEllipse, {R.TopLeft(), R.BottomRight()});
}

void TMetafileCanvas::FillRect(const TRect& R) {
    AddShape(mrFillRect, {R.TopLeft(), R.BottomRight()});
}

void TMetafileCanvas::IntersectClipRect(const TRect& R) {
    AddShape(mrClipRect, {R.TopLeft(), R.BottomRight()});
}

void TMetafileCanvas::TextOut(int X, int Y, const QString& Text) {
    RecordTools();
    TMetaRecord r;
    r.Kind = mrText;
    r.Points = {TPoint(X, Y)};
    r.Text = Text;
    Add(std::move(r));
}

void TMetafileCanvas::StretchDraw(const TRect& R, const TGraphic& Graphic) {
    if (!FMetafile || Graphic.Empty())
        return;
    if (const auto* m = dynamic_cast<const TMetafile*>(&Graphic)) {
        if (m->FKind != mkRecorded) {
            PlaceholderCalls(*this, R);
            return;
        }
        TMetaRecord begin;
        begin.Kind = mrBeginGroup;
        begin.Points = {R.TopLeft(), R.BottomRight(), TPoint(m->FWidth, m->FHeight)};
        Add(std::move(begin));
        if (m->FRecords)
            for (const TMetaRecord& r : *m->FRecords)
                Add(TMetaRecord(r));
        TMetaRecord end;
        end.Kind = mrEndGroup;
        Add(std::move(end));
        return;
    }
    std::unique_ptr<TGraphic> copy = Graphic.CreateNew();
    copy->Assign(&Graphic);
    TMetaRecord r;
    r.Kind = mrGraphic;
    r.Points = {R.TopLeft(), R.BottomRight()};
    r.Graphic = std::move(copy);
    Add(std::move(r));
}

void TMetafileCanvas::StretchDraw(const TRect& R, const TBitmap& Bitmap) {
    StretchDraw(R, TSafetyBitmap(Bitmap));
}

void TMetafileCanvas::Draw(int X, int Y, const TGraphic& Graphic) {
    StretchDraw(Bounds(X, Y, Graphic.Width(), Graphic.Height()), Graphic);
}
