#include "UPaperInfo.h"

#include "UClasses.h"
#include "UException.h"
#include "UPixelMath.h"
#include "UPropStream.h"
#include "URegion.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <limits>
#include <utility>

namespace {

TPurposeValidator* GPurposeValidator = nullptr;

// The hole of a face as stored: "CutCenter" holds one size for a round hole that is not
// the default 410 (read back, 0 means 410); unequal sizes go as the two properties.
void DefineCutCenter(TFiler& Filer, int& Width, int& Height) {
    Filer.DefineProperty(
        "CutCenter",
        [&Width, &Height](TReader& Reader) {
            int Value = Reader.ReadInteger();
            if (Value == 0)
                Value = 410;
            Width = Value;
            Height = Value;
        },
        [&Width](TWriter& Writer) { Writer.WriteInteger(Width); }, Width == Height && Width != 410);
}

// "FaceType" of older streams: a face-type number that names both shape and purpose.
void DefineFaceType(TFiler& Filer, TFaceShape& Shape, QString& Purpose) {
    Filer.DefineProperty(
        "FaceType",
        [&Shape, &Purpose](TReader& Reader) {
            TFaceInfo Info;
            Info.SetFaceShape(Shape);
            Info.SetPurpose(Purpose);
            Info.SetLegacyFaceType(Reader.ReadInteger());
            Shape = Info.FaceShape();
            Purpose = Info.Purpose();
        },
        nullptr, false);
}

} // namespace

// ---------------------------------------------------------------------------------------
// Purposes

void TPurposeInfo::Assign(const TPersistent* Source) {
    if (const auto* Other = qobject_cast<const TPurposeInfo*>(Source)) {
        FID = Other->FID;
        FDisplayName = Other->FDisplayName;
        FShapeMask = Other->FShapeMask;
        return;
    }
    TCollectionItem::Assign(Source);
}

int TPurposeList::IndexOfID(const QString& ID) const {
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->ID().compare(ID, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void TPurposeList::SetDefault() {
    struct TDefault {
        const char* ID;
        TFaceShapes Mask;
    };
    const TDefault Defaults[] = {
        {"CD", FaceShapeSet(fsDoughnut) | FaceShapeSet(fsEllipse)},
        {"CDCover", FaceShapeSet(fsRect) | FaceShapeSet(fsRoundRect)},
        {"CDCaseTray", FaceShapeSet(fsRect) | FaceShapeSet(fsRoundRect)},
        {"MOSquare", FaceShapeSet(fsRect) | FaceShapeSet(fsRoundRect)},
        {"", TFaceShapes()},
    };
    BeginUpdate();
    Clear();
    for (const TDefault& D : Defaults) {
        auto* Item = Add<TPurposeInfo>();
        Item->SetID(QString::fromLatin1(D.ID));
        Item->SetDisplayName(QString::fromLatin1(D.ID));
        Item->SetShapeMask(D.Mask);
    }
    EndUpdate();
}

bool TPurposeList::Merge(const TPurposeList& Source) {
    bool Added = false;
    for (int i = 0; i < Source.Count(); ++i) {
        if (IndexOfID(Source.Items(i)->ID()) >= 0)
            continue;
        Add()->Assign(Source.Items(i));
        Added = true;
    }
    if (const TPurposeValidator* Validator = GetPurposeValidator())
        Validator->CleanList(*this);
    return Added;
}

void TPurposeValidator::CleanList(TPurposeList& List) const {
    for (int i = List.Count() - 1; i >= 0; --i)
        if (IsObsolete(List.Items(i)->ID()))
            List.Delete(i);
}

TPurposeValidator* GetPurposeValidator() {
    return GPurposeValidator;
}

void SetPurposeValidator(TPurposeValidator* Validator) {
    GPurposeValidator = Validator;
}

QString ValidatePurpose(const QString& ID) {
    return GPurposeValidator ? GPurposeValidator->Replace(ID) : ID;
}

TRect FaceDesignArea(const TFaceInfo& Face) {
    // In 64 bits and clamped: a document's paper may carry any numbers.
    const TRect R = Face.GetRect();
    const int64_t M = Face.FaceMargin();
    return TRect(ClampToInt(-M), ClampToInt(-M), ClampToInt(int64_t(R.Right) - R.Left + M),
                 ClampToInt(int64_t(R.Bottom) - R.Top + M));
}

// ---------------------------------------------------------------------------------------
// TPaperInfo

TPaperInfo::TPaperInfo(TComponent* Owner)
    : TComponent(Owner), FPurposeList(std::make_unique<TPurposeList>()) {
    // Collections create their items by class name: a paper works without start-up having
    // registered anything.
    static const bool Registered = (RegisterPaperClasses(), true);
    (void)Registered;
}

TPaperInfo::~TPaperInfo() = default;

void TPaperInfo::Assign(const TPersistent* Source) {
    if (const auto* Other = qobject_cast<const TPaperInfo*>(Source)) {
        FRawWidth = Other->FRawWidth;
        FRawHeight = Other->FRawHeight;
        FPaperName = Other->FPaperName;
        FGroupName = Other->FGroupName;
        FReadOnly = Other->FReadOnly;
        FLandscape = Other->FLandscape;
        FPurposeList->Assign(Other->FPurposeList.get());
        return;
    }
    TComponent::Assign(Source);
}

TRect TPaperInfo::TurnRect(const TRect& R) const {
    return TRect(R.Top, FRawWidth - R.Right, R.Bottom, FRawWidth - R.Left);
}

TRect TPaperInfo::GetFaceMarginRect(int Index) const {
    TRect R = GetFaceRect(Index);
    const int Margin = GetFaceMargin(Index);
    InflateRect(R, Margin, Margin);
    return FLandscape ? TurnRect(R) : R;
}

void TPaperInfo::GetFaceInfo(int Index, TFaceInfo& Info) const {
    const TRect R = GetFaceRect(Index);
    const TSize Hole = GetCutCenterSize(Index);
    Info.SetRect(FLandscape ? TurnRect(R) : R);
    Info.SetFaceMargin(GetFaceMargin(Index));
    Info.SetFaceShape(GetFaceShape(Index));
    Info.SetPurpose(GetFacePurpose(Index));
    Info.SetCenterShape(GetCenterShape(Index));
    Info.SetRoundSize(GetRoundSize(Index));
    Info.SetCutCenterWidth(FLandscape ? Hole.cy : Hole.cx);
    Info.SetCutCenterHeight(FLandscape ? Hole.cx : Hole.cy);
}

int TPaperInfo::FindFaceOutside() const {
    const TRect Sheet(0, 0, Width(), Height());
    for (int i = 0; i < GetFaceCount(); ++i) {
        const TRect R = GetFaceMarginRect(i);
        TRect Common;
        if (!IntersectRect(Common, R, Sheet) || Common != R)
            return i;
    }
    return -1;
}

void TPaperInfo::CheckRange(const char* Name, int64_t Value, int64_t Low, int64_t High) const {
    if (Value < Low || Value > High)
        throw EReadError(QStringLiteral("用紙「%1」の %2 (%3) が範囲外です")
                             .arg(FPaperName, QString::fromLatin1(Name))
                             .arg(Value));
}

void TPaperInfo::CheckBounds() const {
    CheckRange("Width", FRawWidth, 0, MaxPaperLength);
    CheckRange("Height", FRawHeight, 0, MaxPaperLength);
    CheckFaceBounds();
}

void TPaperInfo::Loaded() {
    TComponent::Loaded();
    CheckBounds();
}

int TPaperInfo::FindFaceOverlap() const {
    TRegion Union;
    TFaceInfo Info;
    for (int i = 0; i < GetFaceCount(); ++i) {
        GetFaceInfo(i, Info);
        const TRegion Face = Info.CreateRegion(nullptr, false);
        if (i > 0) {
            TRegion Common;
            Common.Combine(Union, Face, RGN_AND);
            if (!Common.IsEmpty())
                return i;
        }
        TRegion Next;
        Next.Combine(Union, Face, RGN_OR);
        Union = std::move(Next);
    }
    return -1;
}

int TPaperInfo::FindFaceShapeRefused(const TPurposeList& Purposes) const {
    for (int i = 0; i < GetFaceCount(); ++i) {
        const int Purpose = Purposes.IndexOfID(GetFacePurpose(i));
        if (Purpose < 0)
            continue;
        const TFaceShapes Mask = Purposes.Items(Purpose)->ShapeMask();
        if (Mask && !(Mask & FaceShapeSet(GetFaceShape(i))))
            return i;
    }
    return -1;
}

// ---------------------------------------------------------------------------------------
// TMatrixPaperInfo

void TMatrixPaperInfo::Assign(const TPersistent* Source) {
    TPaperInfo::Assign(Source);
    if (const auto* Other = qobject_cast<const TMatrixPaperInfo*>(Source)) {
        FTopOffset = Other->FTopOffset;
        FLeftOffset = Other->FLeftOffset;
        FBottomMargin = Other->FBottomMargin;
        FRightMargin = Other->FRightMargin;
        FFaceWidth = Other->FFaceWidth;
        FFaceHeight = Other->FFaceHeight;
        FFaceCountX = Other->FFaceCountX;
        FFaceCountY = Other->FFaceCountY;
        FFaceShape = Other->FFaceShape;
        FFacePurpose = Other->FFacePurpose;
        FFaceMargin = Other->FFaceMargin;
        FRoundSize = Other->FRoundSize;
        FCenterShape = Other->FCenterShape;
        FCutCenterWidth = Other->FCutCenterWidth;
        FCutCenterHeight = Other->FCutCenterHeight;
    }
}

void TMatrixPaperInfo::DefineProperties(TFiler& Filer) {
    TPaperInfo::DefineProperties(Filer);
    DefineFaceType(Filer, FFaceShape, FFacePurpose);
    DefineCutCenter(Filer, FCutCenterWidth, FCutCenterHeight);
}

int TMatrixPaperInfo::GetFaceCount() const {
    if (FFaceCountX <= 0 || FFaceCountY <= 0)
        return 0;
    // Counts come from stored papers: their product must not overflow.
    const int64_t Count = int64_t(FFaceCountX) * FFaceCountY;
    return Count > INT_MAX ? INT_MAX : static_cast<int>(Count);
}

void TMatrixPaperInfo::CheckFaceBounds() const {
    CheckRange("FaceCountX", FFaceCountX, 0, MaxPaperFaceCount);
    CheckRange("FaceCountY", FFaceCountY, 0, MaxPaperFaceCount);
    CheckRange("FaceCountX x FaceCountY", int64_t(FFaceCountX) * FFaceCountY, 0, MaxPaperFaceCount);
    CheckRange("FaceWidth", FFaceWidth, 0, MaxPaperLength);
    CheckRange("FaceHeight", FFaceHeight, 0, MaxPaperLength);
    const std::pair<const char*, int> Lengths[] = {
        {"LeftOffset", FLeftOffset},         {"TopOffset", FTopOffset},
        {"RightMargin", FRightMargin},       {"BottomMargin", FBottomMargin},
        {"FaceMargin", FFaceMargin},         {"RoundSize", FRoundSize},
        {"CutCenterWidth", FCutCenterWidth}, {"CutCenterHeight", FCutCenterHeight},
    };
    for (const auto& [Name, Value] : Lengths)
        CheckRange(Name, Value, -MaxPaperLength, MaxPaperLength);
}

TRect TMatrixPaperInfo::GetFaceRect(int Index) const {
    const int Column = FFaceCountX > 0 ? Index % FFaceCountX : 0;
    const int Row = FFaceCountX > 0 ? Index / FFaceCountX : 0;
    const int Left = Column * (FFaceWidth + FRightMargin) + FLeftOffset;
    const int Top = Row * (FFaceHeight + FBottomMargin) + FTopOffset;
    return TRect(Left, Top, Left + FFaceWidth, Top + FFaceHeight);
}

// ---------------------------------------------------------------------------------------
// TFaceItem

void TFaceItem::Assign(const TPersistent* Source) {
    if (const auto* Other = qobject_cast<const TFaceItem*>(Source)) {
        FRect = Other->FRect;
        FFaceShape = Other->FFaceShape;
        FFacePurpose = Other->FFacePurpose;
        FFaceMargin = Other->FFaceMargin;
        FCutCenterWidth = Other->FCutCenterWidth;
        FCutCenterHeight = Other->FCutCenterHeight;
        FRoundSize = Other->FRoundSize;
        FCenterShape = Other->FCenterShape;
        return;
    }
    TCollectionItem::Assign(Source);
}

void TFaceItem::DefineProperties(TFiler& Filer) {
    TCollectionItem::DefineProperties(Filer);
    DefineFaceType(Filer, FFaceShape, FFacePurpose);
    DefineCutCenter(Filer, FCutCenterWidth, FCutCenterHeight);
}

void TFaceItem::AssignFaceInfo(const TFaceInfo& Info) {
    FFaceMargin = Info.FaceMargin();
    FRect = Info.GetRect();
    FFaceShape = Info.FaceShape();
    FFacePurpose = Info.Purpose();
    FCenterShape = Info.CenterShape();
    FCutCenterWidth = Info.CutCenterWidth();
    FCutCenterHeight = Info.CutCenterHeight();
    FRoundSize = Info.RoundSize();
}

void TFaceItem::SetLeft(int Value) {
    FRect.Right = ClampToInt(int64_t(FRect.Right) + Value - FRect.Left);
    FRect.Left = Value;
}

void TFaceItem::SetTop(int Value) {
    FRect.Bottom = ClampToInt(int64_t(FRect.Bottom) + Value - FRect.Top);
    FRect.Top = Value;
}

int TFaceItem::Width() const {
    return ClampToInt(int64_t(FRect.Right) - FRect.Left);
}

void TFaceItem::SetWidth(int Value) {
    FRect.Right = ClampToInt(int64_t(FRect.Left) + Value);
}

int TFaceItem::Height() const {
    return ClampToInt(int64_t(FRect.Bottom) - FRect.Top);
}

void TFaceItem::SetHeight(int Value) {
    FRect.Bottom = ClampToInt(int64_t(FRect.Top) + Value);
}

// ---------------------------------------------------------------------------------------
// TFreePaperInfo

TFreePaperInfo::TFreePaperInfo(TComponent* Owner)
    : TPaperInfo(Owner), FFaces(std::make_unique<TFaces>()) {}

TFreePaperInfo::~TFreePaperInfo() = default;

void TFreePaperInfo::Assign(const TPersistent* Source) {
    TPaperInfo::Assign(Source);
    if (const auto* Other = qobject_cast<const TFreePaperInfo*>(Source))
        FFaces->Assign(Other->FFaces.get());
}

QString TFreePaperInfo::GetFacePurpose(int Index) const {
    return ValidatePurpose(Item(Index).FacePurpose());
}

void TFreePaperInfo::CheckFaceBounds() const {
    CheckRange("Faces", FFaces->Count(), 0, MaxPaperFaceCount);
    for (int i = 0; i < FFaces->Count(); ++i) {
        const TFaceItem& F = Item(i);
        CheckRange("Faces.Left", F.Left(), -MaxPaperLength, MaxPaperLength);
        CheckRange("Faces.Top", F.Top(), -MaxPaperLength, MaxPaperLength);
        CheckRange("Faces.Width", int64_t(F.Rect().Right) - F.Rect().Left, 0, MaxPaperLength);
        CheckRange("Faces.Height", int64_t(F.Rect().Bottom) - F.Rect().Top, 0, MaxPaperLength);
        const std::pair<const char*, int> Lengths[] = {
            {"Faces.FaceMargin", F.FaceMargin()},
            {"Faces.RoundSize", F.RoundSize()},
            {"Faces.CutCenterWidth", F.CutCenterWidth()},
            {"Faces.CutCenterHeight", F.CutCenterHeight()},
        };
        for (const auto& [Name, Value] : Lengths)
            CheckRange(Name, Value, -MaxPaperLength, MaxPaperLength);
    }
}

TSize TFreePaperInfo::GetCutCenterSize(int Index) const {
    const TFaceItem& F = Item(Index);
    return {F.CutCenterWidth(), F.CutCenterHeight()};
}

void RegisterPaperClasses() {
    RegisterClasses<TPurposeInfo, TFaceItem, TMatrixPaperInfo, TFreePaperInfo>();
}
