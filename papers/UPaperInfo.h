#pragma once
// Paper definitions: one sheet of label stock with its size, orientation, name, group, the
// purposes it serves and the geometry of every face (one label area) on it.
//
// Two kinds exist: TMatrixPaperInfo, whose faces form a regular grid filled column by
// column along each row, and TFreePaperInfo, whose faces are listed one by one. Papers are
// components written as property streams; they live in the paper library (UPapers.h) and a
// copy travels inside every label document. All lengths are in units of 0.1 mm; face
// rectangles are in portrait sheet coordinates (x across, y down) unless said otherwise.

#include "UCollection.h"
#include "UComponent.h"
#include "UFaceInfo.h"
#include "UWinTypes.h"

#include <QString>
#include <cstdint>
#include <memory>

// A set of face shapes: bit (1 << shape) for each TFaceShape.
struct TFaceShapeSetEnum {
    Q_GADGET
public:
    enum TFaceShapeBit {
        fsRect = 1,
        fsDoughnut = 2,
        fsEllipse = 4,
        fsRoundRect = 8,
        fsRectCD = 16,
        fsBarrelCD = 32,
    };
    Q_DECLARE_FLAGS(TFaceShapes, TFaceShapeBit)
    Q_FLAG(TFaceShapes)
};
using TFaceShapes = TFaceShapeSetEnum::TFaceShapes;
Q_DECLARE_OPERATORS_FOR_FLAGS(TFaceShapes)

// The set holding the one shape S.
inline TFaceShapes FaceShapeSet(TFaceShape S) {
    return TFaceShapes::fromInt(1 << static_cast<int>(S));
}

// One purpose a face may serve: its ID (compared without case when lists merge), the name
// shown to the user and the face shapes it allows.
class TPurposeInfo : public TCollectionItem {
    Q_OBJECT
    Q_PROPERTY(QString ID READ ID WRITE SetID)
    Q_PROPERTY(QString DisplayName READ DisplayName WRITE SetDisplayName)
    Q_PROPERTY(TFaceShapes ShapeMask READ ShapeMask WRITE SetShapeMask)
public:
    TPurposeInfo() = default;
    void Assign(const TPersistent* Source) override;

    const QString& ID() const { return FID; }
    void SetID(const QString& Value) { FID = Value; }
    const QString& DisplayName() const { return FDisplayName; }
    void SetDisplayName(const QString& Value) { FDisplayName = Value; }
    TFaceShapes ShapeMask() const { return FShapeMask; }
    void SetShapeMask(TFaceShapes Value) { FShapeMask = Value; }

private:
    QString FID;
    QString FDisplayName;
    TFaceShapes FShapeMask;
};

class TPurposeList : public TCollection {
    Q_OBJECT
public:
    TPurposeList() : TCollection(TPurposeInfo::staticMetaObject) {}
    TPurposeInfo* Items(int Index) const { return ItemsAs<TPurposeInfo>(Index); }

    // Index of the purpose whose ID equals ID ignoring case, or -1.
    int IndexOfID(const QString& ID) const;
    // Replaces the items by the default list: "CD" {fsDoughnut, fsEllipse}, "CDCover",
    // "CDCaseTray" and "MOSquare" {fsRect, fsRoundRect}, and "" {} (display name = ID).
    void SetDefault();
    // Adds a copy of each purpose of Source whose ID (ignoring case) is missing, then lets
    // the installed validator clean the list. Answers whether anything was added.
    bool Merge(const TPurposeList& Source);
};

// Knows which purpose IDs are obsolete and what replaces them. One instance may be
// installed for the whole program (the installer keeps ownership).
class TPurposeValidator {
public:
    virtual ~TPurposeValidator() = default;
    virtual bool IsObsolete(const QString& ID) const = 0;
    // The ID to use in place of ID (ID itself when it is current).
    virtual QString Replace(const QString& ID) const = 0;
    // Removes every item whose ID is obsolete, from the last item to the first.
    virtual void CleanList(TPurposeList& List) const;
};

// The installed validator, or null.
TPurposeValidator* GetPurposeValidator();
// Installs Validator (null uninstalls); the caller keeps it alive while installed.
void SetPurposeValidator(TPurposeValidator* Validator);
// ID through the installed validator's Replace; ID unchanged without one.
QString ValidatePurpose(const QString& ID);

// Where the objects of a face are designed, in face coordinates: (0, 0) is the top-left of
// the face's cut line, so the bleed margin lies at negative coordinates and the area is the
// margin rectangle moved by the cut line's top-left. Printing, the layout editor and every
// preview place objects by this convention.
TRect FaceDesignArea(const TFaceInfo& Face);

// What a paper read from a document or a library may hold. The largest shipped sheet is
// 450 mm long and the most faces on one is 270 (at most 48 rows and 16 columns); these bounds
// leave ample room above that while keeping every face rectangle far from int overflow and
// the sheet view quick. A paper beyond them is refused as damaged.
constexpr int MaxPaperLength = 10000;   // 1 m in 0.1 mm: any size, offset, gap or margin
constexpr int MaxPaperFaceCount = 1000; // faces of one paper (columns x rows of a grid)

// The base of both paper kinds.
class TPaperInfo : public TComponent {
    Q_OBJECT
    Q_PROPERTY(bool Landscape READ Landscape WRITE SetLandscape)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(QString PaperName READ PaperName WRITE SetPaperName)
    Q_PROPERTY(QString GroupName READ GroupName WRITE SetGroupName)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(TPurposeList* PurposeList READ PurposeList WRITE SetPurposeList)
    Q_CLASSINFO("Stored:PurposeList", "IsPurposeListStored")
public:
    explicit TPaperInfo(TComponent* Owner = nullptr);
    ~TPaperInfo() override;

    // Copies raw size, names, ReadOnly, Landscape and the purposes from another paper.
    void Assign(const TPersistent* Source) override;

    bool Landscape() const { return FLandscape; }
    void SetLandscape(bool Value) { FLandscape = Value; }
    // The visible size: the raw (portrait) size, swapped while Landscape is set.
    int Width() const { return FLandscape ? FRawHeight : FRawWidth; }
    void SetWidth(int Value) { (FLandscape ? FRawHeight : FRawWidth) = Value; }
    int Height() const { return FLandscape ? FRawWidth : FRawHeight; }
    void SetHeight(int Value) { (FLandscape ? FRawWidth : FRawHeight) = Value; }
    int RawWidth() const { return FRawWidth; }
    int RawHeight() const { return FRawHeight; }
    const QString& PaperName() const { return FPaperName; }
    void SetPaperName(const QString& Value) { FPaperName = Value; }
    const QString& GroupName() const { return FGroupName; }
    void SetGroupName(const QString& Value) { FGroupName = Value; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value) { FReadOnly = Value; }
    TPurposeList* PurposeList() const { return FPurposeList.get(); }
    void SetPurposeList(TPurposeList* Value) { FPurposeList->Assign(Value); }

    // The purposes are written only while this flag is set (the library writer sets it).
    bool StorePurposes() const { return FStorePurposes; }
    void SetStorePurposes(bool Value) { FStorePurposes = Value; }
    Q_INVOKABLE bool IsPurposeListStored() const { return FStorePurposes; }

    // Face queries; Index counts from 0 and must be below GetFaceCount().
    virtual int GetFaceCount() const = 0;
    virtual TFaceShape GetFaceShape(int Index) const = 0;
    // The face's purpose ID through the installed validator.
    virtual QString GetFacePurpose(int Index) const = 0;
    // The face rectangle in portrait coordinates.
    virtual TRect GetFaceRect(int Index) const = 0;
    virtual int GetFaceMargin(int Index) const = 0;
    // Width (cx) and height (cy) of the centre hole.
    virtual TSize GetCutCenterSize(int Index) const = 0;
    virtual int GetRoundSize(int Index) const = 0;
    virtual TCenterShape GetCenterShape(int Index) const = 0;

    // The face rectangle inflated by its margin, in landscape coordinates while Landscape.
    TRect GetFaceMarginRect(int Index) const;
    // Fills Info with the face's geometry; while Landscape the rectangle is turned and the
    // hole's width and height are swapped.
    void GetFaceInfo(int Index, TFaceInfo& Info) const;
    // R (portrait coordinates) turned a quarter turn counter-clockwise with the sheet:
    // (x, y) goes to (y, RawWidth - x).
    TRect TurnRect(const TRect& R) const;
    // Index of the first face whose margin rectangle is not wholly inside (0, 0, Width,
    // Height); -1 when all fit.
    int FindFaceOutside() const;
    // Index of the first face whose region (its shape on the margin rectangle, the centre
    // hole not cut out) shares area with the regions of the faces before it; -1 when none.
    int FindFaceOverlap() const;
    // Index of the first face whose shape its purpose's ShapeMask in Purposes leaves out; a
    // purpose that is not listed or has an empty mask allows every shape. -1 when none.
    int FindFaceShapeRefused(const TPurposeList& Purposes) const;

    // Raises EReadError naming the paper and the value when a size, offset, gap, margin or
    // face count lies outside what a paper may hold (MaxPaperLength, MaxPaperFaceCount):
    // sheet and face sizes 0..MaxPaperLength, positions, gaps and margins within
    // -MaxPaperLength..MaxPaperLength.
    void CheckBounds() const;
    // Read from a stream: CheckBounds, so a damaged paper is refused before anything lays
    // out its faces.
    void Loaded() override;

protected:
    // Raises EReadError for Name (Value) unless Low <= Value <= High.
    void CheckRange(const char* Name, int64_t Value, int64_t Low, int64_t High) const;
    // The checks of one paper kind (CheckBounds adds the sheet size).
    virtual void CheckFaceBounds() const = 0;

private:
    bool FLandscape = false;
    int FRawWidth = 0;
    int FRawHeight = 0;
    QString FPaperName;
    QString FGroupName;
    bool FReadOnly = false;
    std::unique_ptr<TPurposeList> FPurposeList;
    bool FStorePurposes = false;
};

// A paper whose faces form a grid of FaceCountX columns and FaceCountY rows; face i sits
// in column i mod FaceCountX of row i div FaceCountX.
//
// The centre hole (410 x 410 by default) is stored as "CutCenter" (one integer) when width
// and height are equal and not 410, as both CutCenterWidth and CutCenterHeight when they
// differ, and not at all for 410 x 410. Older streams may carry "FaceType", which is read (shape
// and purpose) but never written.
class TMatrixPaperInfo : public TPaperInfo {
    Q_OBJECT
    Q_PROPERTY(int TopOffset READ TopOffset WRITE SetTopOffset)
    Q_PROPERTY(int LeftOffset READ LeftOffset WRITE SetLeftOffset)
    Q_PROPERTY(int BottomMargin READ BottomMargin WRITE SetBottomMargin)
    Q_PROPERTY(int RightMargin READ RightMargin WRITE SetRightMargin)
    Q_PROPERTY(int FaceWidth READ FaceWidth WRITE SetFaceWidth)
    Q_PROPERTY(int FaceHeight READ FaceHeight WRITE SetFaceHeight)
    Q_PROPERTY(int FaceCountX READ FaceCountX WRITE SetFaceCountX)
    Q_PROPERTY(int FaceCountY READ FaceCountY WRITE SetFaceCountY)
    Q_PROPERTY(TFaceShape FaceShape READ FaceShape WRITE SetFaceShape)
    Q_PROPERTY(QString FacePurpose READ FacePurpose WRITE SetFacePurpose)
    Q_PROPERTY(int FaceMargin READ FaceMargin WRITE SetFaceMargin)
    Q_PROPERTY(int RoundSize READ RoundSize WRITE SetRoundSize)
    Q_PROPERTY(TCenterShape CenterShape READ CenterShape WRITE SetCenterShape)
    Q_PROPERTY(int CutCenterWidth READ CutCenterWidth WRITE SetCutCenterWidth)
    Q_PROPERTY(int CutCenterHeight READ CutCenterHeight WRITE SetCutCenterHeight)
    Q_CLASSINFO("Default:RoundSize", "100")
    Q_CLASSINFO("Default:CenterShape", "csEllipse")
    Q_CLASSINFO("Stored:CutCenterWidth", "IsCutCenterSizeStored")
    Q_CLASSINFO("Stored:CutCenterHeight", "IsCutCenterSizeStored")
public:
    explicit TMatrixPaperInfo(TComponent* Owner = nullptr) : TPaperInfo(Owner) {}
    void Assign(const TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;

    int TopOffset() const { return FTopOffset; }
    void SetTopOffset(int Value) { FTopOffset = Value; }
    int LeftOffset() const { return FLeftOffset; }
    void SetLeftOffset(int Value) { FLeftOffset = Value; }
    int BottomMargin() const { return FBottomMargin; }
    void SetBottomMargin(int Value) { FBottomMargin = Value; }
    int RightMargin() const { return FRightMargin; }
    void SetRightMargin(int Value) { FRightMargin = Value; }
    int FaceWidth() const { return FFaceWidth; }
    void SetFaceWidth(int Value) { FFaceWidth = Value; }
    int FaceHeight() const { return FFaceHeight; }
    void SetFaceHeight(int Value) { FFaceHeight = Value; }
    int FaceCountX() const { return FFaceCountX; }
    void SetFaceCountX(int Value) { FFaceCountX = Value; }
    int FaceCountY() const { return FFaceCountY; }
    void SetFaceCountY(int Value) { FFaceCountY = Value; }
    TFaceShape FaceShape() const { return FFaceShape; }
    void SetFaceShape(TFaceShape Value) { FFaceShape = Value; }
    const QString& FacePurpose() const { return FFacePurpose; }
    void SetFacePurpose(const QString& Value) { FFacePurpose = Value; }
    int FaceMargin() const { return FFaceMargin; }
    void SetFaceMargin(int Value) { FFaceMargin = Value; }
    int RoundSize() const { return FRoundSize; }
    void SetRoundSize(int Value) { FRoundSize = Value; }
    TCenterShape CenterShape() const { return FCenterShape; }
    void SetCenterShape(TCenterShape Value) { FCenterShape = Value; }
    int CutCenterWidth() const { return FCutCenterWidth; }
    void SetCutCenterWidth(int Value) { FCutCenterWidth = Value; }
    int CutCenterHeight() const { return FCutCenterHeight; }
    void SetCutCenterHeight(int Value) { FCutCenterHeight = Value; }
    Q_INVOKABLE bool IsCutCenterSizeStored() const { return FCutCenterWidth != FCutCenterHeight; }

    // Faces: FaceCountX x FaceCountY (0 when either is not positive, at most INT_MAX).
    int GetFaceCount() const override;
    TFaceShape GetFaceShape(int Index) const override { return FFaceShape; }
    QString GetFacePurpose(int Index) const override { return ValidatePurpose(FFacePurpose); }
    TRect GetFaceRect(int Index) const override;
    int GetFaceMargin(int Index) const override { return FFaceMargin; }
    TSize GetCutCenterSize(int Index) const override { return {FCutCenterWidth, FCutCenterHeight}; }
    int GetRoundSize(int Index) const override { return FRoundSize; }
    TCenterShape GetCenterShape(int Index) const override { return FCenterShape; }

protected:
    void CheckFaceBounds() const override;

private:
    int FTopOffset = 0;
    int FLeftOffset = 0;
    int FBottomMargin = 0;
    int FRightMargin = 0;
    int FFaceWidth = 0;
    int FFaceHeight = 0;
    int FFaceCountX = 0;
    int FFaceCountY = 0;
    TFaceShape FFaceShape = fsRect;
    QString FFacePurpose;
    int FFaceMargin = 0;
    int FRoundSize = 100;
    TCenterShape FCenterShape = csEllipse;
    int FCutCenterWidth = 410;
    int FCutCenterHeight = 410;
};

// One face of a free paper. The rectangle is held as its edges: setting Left or Top moves
// it keeping its size, setting Width or Height moves the right or bottom edge. The centre
// hole is stored as on a matrix paper.
class TFaceItem : public TCollectionItem {
    Q_OBJECT
    Q_PROPERTY(int Left READ Left WRITE SetLeft)
    Q_PROPERTY(int Top READ Top WRITE SetTop)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(int FaceMargin READ FaceMargin WRITE SetFaceMargin)
    Q_PROPERTY(TFaceShape FaceShape READ FaceShape WRITE SetFaceShape)
    Q_PROPERTY(QString FacePurpose READ FacePurpose WRITE SetFacePurpose)
    Q_PROPERTY(int RoundSize READ RoundSize WRITE SetRoundSize)
    Q_PROPERTY(TCenterShape CenterShape READ CenterShape WRITE SetCenterShape)
    Q_PROPERTY(int CutCenterWidth READ CutCenterWidth WRITE SetCutCenterWidth)
    Q_PROPERTY(int CutCenterHeight READ CutCenterHeight WRITE SetCutCenterHeight)
    Q_CLASSINFO("Default:RoundSize", "100")
    Q_CLASSINFO("Default:CenterShape", "csEllipse")
    Q_CLASSINFO("Stored:CutCenterWidth", "IsCutCenterSizeStored")
    Q_CLASSINFO("Stored:CutCenterHeight", "IsCutCenterSizeStored")
public:
    TFaceItem() = default;
    // Copies rectangle, shape, purpose, margin, hole size, rounding and centre shape.
    void Assign(const TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    // Takes margin, rectangle, shape, purpose, centre shape, hole size and round size.
    void AssignFaceInfo(const TFaceInfo& Info);

    // The edges move in 64 bits and stop at the ends of int: values from a damaged stream
    // never overflow (the paper's bounds check refuses them afterwards).
    int Left() const { return FRect.Left; }
    void SetLeft(int Value);
    int Top() const { return FRect.Top; }
    void SetTop(int Value);
    int Width() const;
    void SetWidth(int Value);
    int Height() const;
    void SetHeight(int Value);
    const TRect& Rect() const { return FRect; }
    void SetRect(const TRect& Value) { FRect = Value; }
    int FaceMargin() const { return FFaceMargin; }
    void SetFaceMargin(int Value) { FFaceMargin = Value; }
    TFaceShape FaceShape() const { return FFaceShape; }
    void SetFaceShape(TFaceShape Value) { FFaceShape = Value; }
    const QString& FacePurpose() const { return FFacePurpose; }
    void SetFacePurpose(const QString& Value) { FFacePurpose = Value; }
    int RoundSize() const { return FRoundSize; }
    void SetRoundSize(int Value) { FRoundSize = Value; }
    TCenterShape CenterShape() const { return FCenterShape; }
    void SetCenterShape(TCenterShape Value) { FCenterShape = Value; }
    int CutCenterWidth() const { return FCutCenterWidth; }
    void SetCutCenterWidth(int Value) { FCutCenterWidth = Value; }
    int CutCenterHeight() const { return FCutCenterHeight; }
    void SetCutCenterHeight(int Value) { FCutCenterHeight = Value; }
    Q_INVOKABLE bool IsCutCenterSizeStored() const { return FCutCenterWidth != FCutCenterHeight; }

private:
    TRect FRect;
    int FFaceMargin = 0;
    TFaceShape FFaceShape = fsRect;
    QString FFacePurpose;
    int FRoundSize = 100;
    TCenterShape FCenterShape = csEllipse;
    int FCutCenterWidth = 410;
    int FCutCenterHeight = 410;
};

class TFaces : public TCollection {
    Q_OBJECT
public:
    TFaces() : TCollection(TFaceItem::staticMetaObject) {}
    TFaceItem* Items(int Index) const { return ItemsAs<TFaceItem>(Index); }
    TFaceItem* Add() { return TCollection::Add<TFaceItem>(); }
};

// A paper whose faces are listed one by one.
class TFreePaperInfo : public TPaperInfo {
    Q_OBJECT
    Q_PROPERTY(TFaces* Faces READ Faces WRITE SetFaces)
public:
    explicit TFreePaperInfo(TComponent* Owner = nullptr);
    ~TFreePaperInfo() override;
    void Assign(const TPersistent* Source) override;

    TFaces* Faces() const { return FFaces.get(); }
    void SetFaces(TFaces* Value) { FFaces->Assign(Value); }

    int GetFaceCount() const override { return FFaces->Count(); }
    TFaceShape GetFaceShape(int Index) const override { return Item(Index).FaceShape(); }
    QString GetFacePurpose(int Index) const override;
    TRect GetFaceRect(int Index) const override { return Item(Index).Rect(); }
    int GetFaceMargin(int Index) const override { return Item(Index).FaceMargin(); }
    TSize GetCutCenterSize(int Index) const override;
    int GetRoundSize(int Index) const override { return Item(Index).RoundSize(); }
    TCenterShape GetCenterShape(int Index) const override { return Item(Index).CenterShape(); }

protected:
    void CheckFaceBounds() const override;

private:
    const TFaceItem& Item(int Index) const { return *FFaces->Items(Index); }
    std::unique_ptr<TFaces> FFaces;
};

// Registers the paper classes with the stream reader. Safe to call more than once.
void RegisterPaperClasses();
