#pragma once
// TFaceInfo: the geometry of one face (one label on a sheet): the cut line's bounding
// rectangle, the shape inside it, a bleed margin around the cut line and, for disc shapes,
// a centre hole. It draws outlines, cut lines and centre holes, and builds the regions that
// clip a face's drawing. Lengths are logical units (0.1 mm).
//
// The barrel shape is a disc whose diameter is the longer side of its rectangle, cut
// straight by the rectangle's two longer sides; it serves as a face shape (fsBarrelCD) and
// as a centre hole shape (csBarrel).

#include "UPersistent.h"
#include "URegion.h"
#include "UWinTypes.h"

#include <QObject>
#include <QString>

class TCanvas;
class TStroke;

struct TFaceShapeEnum {
    Q_GADGET
public:
    enum TFaceShape { fsRect, fsDoughnut, fsEllipse, fsRoundRect, fsRectCD, fsBarrelCD };
    Q_ENUM(TFaceShape)
    enum TCenterShape { csEllipse, csBarrel };
    Q_ENUM(TCenterShape)
};
using TFaceShape = TFaceShapeEnum::TFaceShape;
using enum TFaceShapeEnum::TFaceShape;
using TCenterShape = TFaceShapeEnum::TCenterShape;
using enum TFaceShapeEnum::TCenterShape;

class TFaceInfo : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(int CutCenterWidth READ CutCenterWidth WRITE SetCutCenterWidth)
    Q_PROPERTY(int CutCenterHeight READ CutCenterHeight WRITE SetCutCenterHeight)
    Q_PROPERTY(TFaceShape FaceShape READ FaceShape WRITE SetFaceShape)
    Q_PROPERTY(QString Purpose READ Purpose WRITE SetPurpose)
    Q_PROPERTY(int FaceMargin READ FaceMargin WRITE SetFaceMargin)
    Q_PROPERTY(TCenterShape CenterShape READ CenterShape WRITE SetCenterShape)
    Q_PROPERTY(int RoundSize READ RoundSize WRITE SetRoundSize)
public:
    TFaceInfo() = default;

    // Copies rectangle, shape, purpose, margin, centre-hole size, round size and centre
    // shape from another face; other sources go to the inherited Assign.
    void Assign(const TPersistent* Source) override;

    // The cut line's bounding rectangle on the sheet.
    const TRect& GetRect() const { return FRect; }
    void SetRect(const TRect& R) { FRect = R; }
    int CutCenterWidth() const { return FCutCenterWidth; }
    void SetCutCenterWidth(int Value) { FCutCenterWidth = Value; }
    int CutCenterHeight() const { return FCutCenterHeight; }
    void SetCutCenterHeight(int Value) { FCutCenterHeight = Value; }
    // Both sizes of the centre hole.
    void SetCutCenterSize(int Value);
    TFaceShape FaceShape() const { return FFaceShape; }
    void SetFaceShape(TFaceShape Value) { FFaceShape = Value; }
    // The face's purpose name (also shown as the face's name).
    const QString& Purpose() const { return FPurpose; }
    void SetPurpose(const QString& Value) { FPurpose = Value; }
    // Bleed: the design area is the rectangle inflated by this on every side.
    int FaceMargin() const { return FFaceMargin; }
    void SetFaceMargin(int Value) { FFaceMargin = Value; }
    TCenterShape CenterShape() const { return FCenterShape; }
    void SetCenterShape(TCenterShape Value) { FCenterShape = Value; }
    // Corner diameter of the rounded shapes.
    int RoundSize() const { return FRoundSize; }
    void SetRoundSize(int Value) { FRoundSize = Value; }

    // The rectangle inflated by FaceMargin; setting it deflates R by FaceMargin.
    TRect GetMarginRect() const;
    void SetMarginRect(const TRect& R);
    // The centre hole: CutCenterWidth x CutCenterHeight centred in the rectangle (the
    // offsets (size - hole) / 2 truncated toward zero), and that inflated by FaceMargin.
    TRect GetCenterRect() const;
    TRect GetCenterMarginRect() const;

    // fsDoughnut, fsRectCD and fsBarrelCD have a centre hole; fsRoundRect and fsRectCD
    // round corners.
    bool HasCenterHole() const;
    bool HasRoundCorners() const;

    // The shape on R with the canvas's pen and brush: rectangle, ellipse (fsDoughnut,
    // fsEllipse), rounded rectangle with corners RoundSize (fsRoundRect, fsRectCD) or the
    // barrel path stroked and filled (fsBarrelCD).
    void DrawShape(TCanvas& Canvas, const TRect& R) const;
    // The centre hole's shape on R: an ellipse, or the barrel path stroked and filled.
    void DrawHole(TCanvas& Canvas, const TRect& R) const;
    // The shape on the margin rectangle, then the hole on the centre margin rectangle. With
    // AtOrigin both are moved so that the margin rectangle starts at (0, 0); with Cross a
    // cross of two lines reaching 50 units each way marks the centre of the last shape drawn.
    void DrawOutline(TCanvas& Canvas, bool AtOrigin, bool Cross) const;
    // Only with a margin: the shape on the face rectangle (the cut line) and the hole on the
    // centre rectangle; with AtOrigin moved as in DrawOutline.
    void DrawCutLine(TCanvas& Canvas, bool AtOrigin) const;
    // For shapes with a hole: the hole on the centre margin rectangle, with AtOrigin moved to
    // start at (0, 0).
    void DrawCenterHole(TCanvas& Canvas, bool AtOrigin) const;

    // The region of the shape on the margin rectangle: in Canvas's device pixels when a
    // canvas is given (the rectangle and the corner size mapped by LPtoDP), in logical units
    // without one. With SubtractHole the hole of a shape with a hole, on the centre margin
    // rectangle, is cut out.
    TRegion CreateRegion(const TCanvas* Canvas, bool SubtractHole) const;

    // The shapes' display names in TFaceShape order, comma-separated.
    static QString GetFaceShapeDisplayNames();

    // Face types of older documents: 0 rectangle, 1 CD, 2 CD cover, 3 CD case tray, 4 and 5
    // MO square, 6 ellipse, 7 rounded rectangle. Other values change nothing.
    void SetLegacyFaceType(int N);

    // The barrel shape on R as a closed stroke of lines: the two arcs through the middles of
    // the shorter sides, joined by straight pieces of the longer sides.
    static void MakeBarrelStroke(const TRect& R, TStroke& Stroke);

private:
    TRect FRect;
    int FCutCenterWidth = 410;
    int FCutCenterHeight = 410;
    TFaceShape FFaceShape = fsRect;
    QString FPurpose;
    int FFaceMargin = 0;
    TCenterShape FCenterShape = csEllipse;
    int FRoundSize = 100;
};
