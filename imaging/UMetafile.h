#pragma once
// Metafiles: vector pictures.
//
// A metafile the program records itself is a list of canvas calls (pen, brush and font
// changes, lines, polylines, polygons, rectangles, ellipses, filled rectangles, text, clip
// rectangles and drawn graphics) in the metafile's own pixels, recorded with a
// TMetafileCanvas and played back through any TCanvas, mapped onto the rectangle it is drawn
// into. Playback starts from the default pen, brush and font and leaves the canvas as it was.
//
// A foreign metafile (an enhanced metafile, or a placeable Windows metafile) is kept as its
// bytes, so that it is stored unchanged; its size comes from its header (the frame of an
// enhanced metafile, the bounding box of a placeable one, at the screen's resolution), and it
// is drawn as a framed placeholder.
//
// File form of a recorded metafile (little-endian):
//   "VMF1", Int32 width, Int32 height, UInt32 record count, then per record UInt8 kind,
//   UInt32 payload length and the payload (see UMetafile.cpp). A drawn graphic is stored as
//   picture data; a metafile drawn into another is recorded as a mapped group of its calls.
// Damaged data raises EInvalidGraphic "メタファイルが不正です", and so do coordinates, pen widths
// and font heights more than 262144 away from 0 (playback stays within safe device values).

#include "UGraphic.h"

#include <memory>
#include <vector>

enum TMetafileKind { mkNone, mkRecorded, mkEnhanced, mkPlaceable };

struct TMetaRecord;

class TMetafile : public TGraphic {
    Q_OBJECT
public:
    TMetafile();
    ~TMetafile() override;
    std::unique_ptr<TGraphic> CreateNew() const override;

    TMetafileKind Kind() const { return FKind; }
    bool Empty() const override;
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    // The size a recording is made in (pixels, 0 .. 32767); one change.
    void SetSize(int Width, int Height);
    int RecordCount() const;

    // Accepts another metafile (shares its contents) and null (empties).
    void Assign(const TPersistent* Source) override;
    void Draw(TCanvas& Canvas, const TRect& Rect) const override;
    void LoadFromStream(TStream& Stream) override;
    void SaveToStream(TStream& Stream) const override;
    // CF_ENHMETAFILE: the bytes of an enhanced metafile.
    void LoadFromClipboardFormat(int Format, const QByteArray& Data) override;

private:
    friend class TMetafileCanvas;
    using TRecords = std::vector<TMetaRecord>;
    void Clear();
    void PlayRecords(TCanvas& Canvas, const TRect& Rect) const;
    void DrawPlaceholder(TCanvas& Canvas, const TRect& Rect) const;

    TMetafileKind FKind = mkNone;
    int FWidth = 0;
    int FHeight = 0;
    std::shared_ptr<const TRecords> FRecords;
    QByteArray FForeign;
};

// Records canvas calls into a metafile, in the metafile's pixels. The recording replaces the
// metafile's contents when the canvas is closed (Close, or destruction), which is one change.
class TMetafileCanvas {
public:
    // Starts a recording of Metafile's current size.
    explicit TMetafileCanvas(TMetafile& Metafile);
    // Closes the recording when Close was not called (errors are logged, not raised).
    ~TMetafileCanvas();
    TMetafileCanvas(const TMetafileCanvas&) = delete;
    TMetafileCanvas& operator=(const TMetafileCanvas&) = delete;

    // Hands the records to the metafile; later calls record nothing.
    void Close();

    // The tools in effect for the next call (recorded when they changed).
    TPen& Pen() { return FPen; }
    TBrush& Brush() { return FBrush; }
    TFont& Font() { return FFont; }

    void MoveTo(int X, int Y);
    void LineTo(int X, int Y);
    void Polyline(const std::vector<TPoint>& Points);
    void Polygon(const std::vector<TPoint>& Points);
    void Rectangle(const TRect& R);
    void Ellipse(const TRect& R);
    void FillRect(const TRect& R);
    void TextOut(int X, int Y, const QString& Text);
    // Narrows the clip region for the rest of the recording.
    void IntersectClipRect(const TRect& R);
    // Draws Graphic stretched over R: a metafile as a mapped group of its own calls (a
    // foreign one as its placeholder), other graphics as a copy of the graphic.
    void StretchDraw(const TRect& R, const TGraphic& Graphic);
    void StretchDraw(const TRect& R, const TBitmap& Bitmap);
    // At its natural size.
    void Draw(int X, int Y, const TGraphic& Graphic);

private:
    void Add(TMetaRecord&& Record);
    void AddShape(uint8_t Kind, std::vector<TPoint> Points);
    void RecordTools();

    TMetafile* FMetafile;
    std::shared_ptr<TMetafile::TRecords> FRecords;
    TPen FPen;
    TBrush FBrush;
    TFont FFont;
    unsigned FPenSeen = ~0u, FBrushSeen = ~0u, FFontSeen = ~0u;
};
