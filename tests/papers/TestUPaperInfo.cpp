// Paper definitions: face geometry of both kinds, the landscape turn, the outside and
// overlap checks, and what a paper writes to a property stream.

#include "PaperTestSupport.h"
#include "UComponentCopy.h"
#include "UPaperInfo.h"
#include "UPropStream.h"

#include <gtest/gtest.h>
#include <limits>

#include <climits>
#include <functional>

namespace {

std::unique_ptr<TMatrixPaperInfo> MakeMatrix(int W, int H, int CountX, int CountY, int FaceW,
                                             int FaceH, int Left, int Top, int GapX, int GapY) {
    auto P = std::make_unique<TMatrixPaperInfo>();
    P->SetWidth(W);
    P->SetHeight(H);
    P->SetFaceCountX(CountX);
    P->SetFaceCountY(CountY);
    P->SetFaceWidth(FaceW);
    P->SetFaceHeight(FaceH);
    P->SetLeftOffset(Left);
    P->SetTopOffset(Top);
    P->SetRightMargin(GapX);
    P->SetBottomMargin(GapY);
    return P;
}

} // namespace

TEST(PaperInfo, LandscapeTurnTable) {
    struct TCase {
        int RawWidth;
        TRect In;
        TRect Out;
    };
    const TCase Cases[] = {
        {2100, {0, 0, 2100, 2970}, {0, 0, 2970, 2100}},
        {2100, {100, 200, 600, 500}, {200, 1500, 500, 2000}},
        {1000, {0, 0, 10, 20}, {0, 990, 20, 1000}},
        {1000, {990, 980, 1000, 1000}, {980, 0, 1000, 10}},
        {500, {-10, -20, 10, 20}, {-20, 490, 20, 510}},
    };
    for (const TCase& C : Cases) {
        TMatrixPaperInfo P;
        P.SetWidth(C.RawWidth);
        P.SetHeight(3000);
        EXPECT_EQ(P.TurnRect(C.In), C.Out)
            << "raw width " << C.RawWidth << " rect " << C.In.Left << "," << C.In.Top;
    }
}

TEST(PaperInfo, WidthAndHeightSwapWithOrientation) {
    TMatrixPaperInfo P;
    P.SetWidth(2100);
    P.SetHeight(2970);
    P.SetLandscape(true);
    EXPECT_EQ(P.Width(), 2970);
    EXPECT_EQ(P.Height(), 2100);
    P.SetWidth(3000); // sets the raw height while landscape
    EXPECT_EQ(P.RawHeight(), 3000);
    EXPECT_EQ(P.RawWidth(), 2100);
    P.SetLandscape(false);
    EXPECT_EQ(P.Width(), 2100);
    EXPECT_EQ(P.Height(), 3000);
}

TEST(PaperInfo, MatrixFaceRectanglesFillColumnsFirst) {
    struct TCase {
        int CountX, CountY, FaceW, FaceH, Left, Top, GapX, GapY;
        int Index;
        TRect Expected;
    };
    const TCase Cases[] = {
        {2, 5, 910, 550, 140, 110, 0, 0, 0, {140, 110, 1050, 660}},
        {2, 5, 910, 550, 140, 110, 0, 0, 1, {1050, 110, 1960, 660}},
        {2, 5, 910, 550, 140, 110, 0, 0, 2, {140, 660, 1050, 1210}},
        {2, 5, 910, 550, 140, 110, 0, 0, 9, {1050, 2310, 1960, 2860}},
        {3, 2, 100, 50, 10, 20, 5, 7, 4, {115, 77, 215, 127}},
        {3, 2, 100, 50, 10, 20, 5, 7, 5, {220, 77, 320, 127}},
        {1, 2, 1160, 1160, 470, 215, 0, 80, 1, {470, 1455, 1630, 2615}},
        {2, 1, 100, 100, 0, 0, -10, 0, 1, {90, 0, 190, 100}},
    };
    for (const TCase& C : Cases) {
        auto P = MakeMatrix(2100, 2970, C.CountX, C.CountY, C.FaceW, C.FaceH, C.Left, C.Top, C.GapX,
                            C.GapY);
        EXPECT_EQ(P->GetFaceCount(), C.CountX * C.CountY);
        EXPECT_EQ(P->GetFaceRect(C.Index), C.Expected)
            << C.CountX << "x" << C.CountY << " face " << C.Index;
    }
}

TEST(PaperInfo, MatrixWithoutColumnsOrRowsHasNoFaces) {
    for (const auto& [X, Y] : {std::pair{0, 5}, std::pair{3, 0}, std::pair{-1, 4}}) {
        auto P = MakeMatrix(2100, 2970, X, Y, 100, 100, 0, 0, 0, 0);
        EXPECT_EQ(P->GetFaceCount(), 0) << X << "x" << Y;
        EXPECT_EQ(P->FindFaceOutside(), -1);
        EXPECT_EQ(P->FindFaceOverlap(), -1);
    }
}

TEST(PaperInfo, FaceOutsideCheckTable) {
    struct TCase {
        const char* Name;
        int Left, Top, FaceW, FaceH, Margin;
        bool Landscape;
        int Expected;
    };
    // A 2 x 2 grid on a 1000 x 800 sheet, faces of FaceW x FaceH, no gaps.
    const TCase Cases[] = {
        {"touching every edge", 0, 0, 500, 400, 0, false, -1},
        {"one unit too wide", 0, 0, 501, 400, 0, false, 1},
        {"one unit too high", 0, 0, 500, 401, 0, false, 2},
        {"negative offset", -1, 0, 400, 300, 0, false, 0},
        {"margin sticks out", 0, 0, 500, 400, 1, false, 0},
        {"margin fits", 10, 10, 480, 380, 10, false, -1},
        {"landscape turns the sheet", 0, 0, 500, 400, 0, true, -1},
        {"landscape margin sticks out", 5, 0, 495, 400, 5, true, 0},
    };
    for (const TCase& C : Cases) {
        auto P = MakeMatrix(1000, 800, 2, 2, C.FaceW, C.FaceH, C.Left, C.Top, 0, 0);
        P->SetFaceMargin(C.Margin);
        P->SetLandscape(C.Landscape);
        EXPECT_EQ(P->FindFaceOutside(), C.Expected) << C.Name;
    }
}

TEST(PaperInfo, FaceOverlapCheckTable) {
    struct TCase {
        const char* Name;
        TFaceShape Shape;
        int FaceW, GapX, Margin;
        int Expected;
    };
    // Three faces in a row, 100 high.
    const TCase Cases[] = {
        {"rectangles side by side", fsRect, 100, 0, 0, -1},
        {"rectangles one unit over", fsRect, 100, -1, 0, 1},
        {"margins meet", fsRect, 100, 10, 5, -1},
        {"margins overlap", fsRect, 100, 10, 6, 1},
        {"discs touching boxes", fsEllipse, 100, 0, 0, -1},
        {"discs overlapping", fsDoughnut, 100, -30, 0, 1},
    };
    for (const TCase& C : Cases) {
        auto P = MakeMatrix(2000, 2000, 3, 1, C.FaceW, 100, 50, 50, C.GapX, 0);
        P->SetFaceShape(C.Shape);
        P->SetFaceMargin(C.Margin);
        EXPECT_EQ(P->FindFaceOverlap(), C.Expected) << C.Name;
    }
}

TEST(PaperInfo, FreeFaceOverlapFindsTheFirstFaceHittingAnEarlierOne) {
    TFreePaperInfo P;
    P.SetWidth(1000);
    P.SetHeight(1000);
    const TRect Rects[] = {
        {0, 0, 100, 100}, {200, 0, 300, 100}, {400, 0, 500, 100}, {250, 50, 350, 150}};
    for (const TRect& R : Rects)
        P.Faces()->Add()->SetRect(R);
    EXPECT_EQ(P.FindFaceOverlap(), 3);
    P.Faces()->Delete(3);
    EXPECT_EQ(P.FindFaceOverlap(), -1);
    // Discs whose boxes overlap at a corner only do not overlap.
    TFaceItem* A = P.Faces()->Add();
    A->SetRect({600, 600, 700, 700});
    A->SetFaceShape(fsEllipse);
    TFaceItem* B = P.Faces()->Add();
    B->SetRect({690, 690, 790, 790});
    B->SetFaceShape(fsEllipse);
    EXPECT_EQ(P.FindFaceOverlap(), -1);
    A->SetFaceShape(fsRect);
    B->SetFaceShape(fsRect);
    EXPECT_EQ(P.FindFaceOverlap(), 4);
}

TEST(PaperInfo, ShapeCheckFollowsThePurposeMasks) {
    TPurposeList Purposes;
    Purposes.SetDefault();
    struct TCase {
        const char* Purpose;
        TFaceShape Shape;
        int Expected;
    };
    // Two faces: the first a plain rectangle, the second of the case's purpose and shape.
    const TCase Cases[] = {
        {"CD", fsDoughnut, -1},        {"CD", fsEllipse, -1},   {"CD", fsRectCD, 1},
        {"CD", fsBarrelCD, 1},         {"CDCover", fsRect, -1}, {"CDCover", fsDoughnut, 1},
        {"MOSquare", fsRoundRect, -1}, {"", fsRectCD, -1},      {"Unlisted", fsBarrelCD, -1},
    };
    for (const TCase& C : Cases) {
        TFreePaperInfo P;
        P.Faces()->Add()->SetRect({0, 0, 100, 100});
        TFaceItem* Face = P.Faces()->Add();
        Face->SetRect({200, 0, 300, 100});
        Face->SetFacePurpose(QString::fromLatin1(C.Purpose));
        Face->SetFaceShape(C.Shape);
        EXPECT_EQ(P.FindFaceShapeRefused(Purposes), C.Expected) << C.Purpose << " " << C.Shape;
    }
}

TEST(PaperInfo, FaceDesignAreaCountsFromTheCutLine) {
    constexpr int Big = std::numeric_limits<int>::max();
    constexpr int Small = std::numeric_limits<int>::min();
    struct TCase {
        TRect Rect;
        int Margin;
        TRect Expected;
    };
    const TCase Cases[] = {
        {{100, 200, 1000, 800}, 0, {0, 0, 900, 600}},
        {{100, 200, 1000, 800}, 50, {-50, -50, 950, 650}},
        {{Small, 0, Big, 10}, Big, {-Big, -Big, Big, Big}},
        {{0, 0, 10, 10}, Small, {Big, Big, Small + 10, Small + 10}},
    };
    for (const TCase& C : Cases) {
        TFaceInfo Face;
        Face.SetRect(C.Rect);
        Face.SetFaceMargin(C.Margin);
        EXPECT_EQ(FaceDesignArea(Face), C.Expected) << C.Margin;
    }
}

TEST(PaperInfo, FaceInfoTurnsRectangleAndHoleInLandscape) {
    TFreePaperInfo P;
    P.SetWidth(2100);
    P.SetHeight(2970);
    TFaceItem* F = P.Faces()->Add();
    F->SetRect({100, 200, 1260, 1360});
    F->SetFaceShape(fsRectCD);
    F->SetCutCenterWidth(300);
    F->SetCutCenterHeight(410);
    F->SetFaceMargin(15);
    F->SetFacePurpose(QStringLiteral("CD"));
    TFaceInfo Info;
    P.GetFaceInfo(0, Info);
    EXPECT_EQ(Info.GetRect(), TRect(100, 200, 1260, 1360));
    EXPECT_EQ(Info.CutCenterWidth(), 300);
    P.SetLandscape(true);
    P.GetFaceInfo(0, Info);
    EXPECT_EQ(Info.GetRect(), TRect(200, 840, 1360, 2000));
    EXPECT_EQ(Info.CutCenterWidth(), 410);
    EXPECT_EQ(Info.CutCenterHeight(), 300);
    EXPECT_EQ(Info.FaceShape(), fsRectCD);
    EXPECT_EQ(Info.FaceMargin(), 15);
    EXPECT_EQ(Info.Purpose(), QStringLiteral("CD"));
    EXPECT_EQ(P.GetFaceMarginRect(0), TRect(185, 825, 1375, 2015));

    TFaceItem Copy;
    Copy.AssignFaceInfo(Info);
    EXPECT_EQ(Copy.Rect(), Info.GetRect());
    EXPECT_EQ(Copy.CutCenterHeight(), 300);
    EXPECT_EQ(Copy.FaceShape(), fsRectCD);
}

TEST(PaperInfo, FaceItemMovesKeepingItsSize) {
    TFaceItem F;
    F.SetWidth(300);
    F.SetHeight(200);
    F.SetLeft(50);
    F.SetTop(70);
    EXPECT_EQ(F.Rect(), TRect(50, 70, 350, 270));
    F.SetWidth(10);
    EXPECT_EQ(F.Rect(), TRect(50, 70, 60, 270));
}

TEST(PaperInfo, HoleStorageFollowsTheSizes) {
    RegisterPaperClasses();
    struct TCase {
        int W, H;
        bool CutCenter, Pair;
    };
    const TCase Cases[] = {
        {410, 410, false, false}, {240, 240, true, false}, {410, 300, false, true},
        {300, 410, false, true},  {0, 0, true, false},
    };
    for (const TCase& C : Cases) {
        TMatrixPaperInfo P;
        P.SetCutCenterWidth(C.W);
        P.SetCutCenterHeight(C.H);
        const QByteArray Bytes = StreamOf(P);
        EXPECT_EQ(Bytes.contains("CutCenter\x02") || Bytes.contains("CutCenter\x03"), C.CutCenter)
            << C.W << "x" << C.H;
        EXPECT_EQ(Bytes.contains("CutCenterWidth"), C.Pair) << C.W << "x" << C.H;
        EXPECT_EQ(Bytes.contains("CutCenterHeight"), C.Pair) << C.W << "x" << C.H;
        auto Back = ReadPaper(Bytes);
        auto* M = qobject_cast<TMatrixPaperInfo*>(Back.get());
        ASSERT_NE(M, nullptr);
        // A stored 0 means the default hole.
        const int Want = C.W == 0 ? 410 : C.W;
        EXPECT_EQ(M->CutCenterWidth(), Want);
        EXPECT_EQ(M->CutCenterHeight(), C.W == 0 ? 410 : C.H);

        TFreePaperInfo Free;
        TFaceItem* F = Free.Faces()->Add();
        F->SetCutCenterWidth(C.W);
        F->SetCutCenterHeight(C.H);
        const QByteArray FreeBytes = StreamOf(Free);
        EXPECT_EQ(FreeBytes.contains("CutCenterWidth"), C.Pair);
        auto FreeBack = ReadPaper(FreeBytes);
        const TFaceItem* G = qobject_cast<TFreePaperInfo*>(FreeBack.get())->Faces()->Items(0);
        EXPECT_EQ(G->CutCenterWidth(), Want);
        EXPECT_EQ(G->CutCenterHeight(), C.W == 0 ? 410 : C.H);
    }
}

TEST(PaperInfo, StreamRoundTripKeepsEveryProperty) {
    RegisterPaperClasses();
    auto P = MakeMatrix(2100, 2970, 2, 5, 910, 550, 140, 110, 3, 4);
    P->SetLandscape(true);
    P->SetPaperName(QStringLiteral("名刺 10面"));
    P->SetGroupName(QStringLiteral("名刺"));
    P->SetReadOnly(true);
    P->SetFaceShape(fsRoundRect);
    P->SetFacePurpose(QStringLiteral("CDCover"));
    P->SetFaceMargin(12);
    P->SetRoundSize(30);
    P->SetCenterShape(csBarrel);
    P->PurposeList()->SetDefault();
    // Purposes are written only with the store flag.
    EXPECT_FALSE(StreamOf(*P).contains("PurposeList"));
    P->SetStorePurposes(true);
    const QByteArray Bytes = StreamOf(*P);
    EXPECT_TRUE(Bytes.contains("PurposeList"));

    auto Back = ReadPaper(Bytes);
    auto* M = qobject_cast<TMatrixPaperInfo*>(Back.get());
    ASSERT_NE(M, nullptr);
    EXPECT_TRUE(M->Landscape());
    EXPECT_EQ(M->RawWidth(), 2100);
    EXPECT_EQ(M->RawHeight(), 2970);
    EXPECT_EQ(M->PaperName(), P->PaperName());
    EXPECT_EQ(M->GroupName(), P->GroupName());
    EXPECT_TRUE(M->ReadOnly());
    EXPECT_EQ(M->FaceShape(), fsRoundRect);
    EXPECT_EQ(M->FacePurpose(), QStringLiteral("CDCover"));
    EXPECT_EQ(M->FaceMargin(), 12);
    EXPECT_EQ(M->RoundSize(), 30);
    EXPECT_EQ(M->CenterShape(), csBarrel);
    EXPECT_EQ(M->RightMargin(), 3);
    EXPECT_EQ(M->BottomMargin(), 4);
    ASSERT_EQ(M->PurposeList()->Count(), 5);
    EXPECT_EQ(M->PurposeList()->Items(0)->ShapeMask(),
              FaceShapeSet(fsDoughnut) | FaceShapeSet(fsEllipse));
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(M->GetFaceMarginRect(i), P->GetFaceMarginRect(i)) << i;

    TMatrixPaperInfo Copy;
    Copy.Assign(M);
    EXPECT_EQ(Copy.RawHeight(), 2970);
    EXPECT_EQ(Copy.FaceCountY(), 5);
    EXPECT_EQ(Copy.PurposeList()->Count(), 5);
}

TEST(PaperInfo, LegacyFaceTypeIsReadNeverWritten) {
    RegisterPaperClasses();
    struct TCase {
        int FaceType;
        TFaceShape Shape;
        const char* Purpose;
    };
    const TCase Cases[] = {{1, fsDoughnut, "CD"}, {3, fsRect, "CDCaseTray"}, {7, fsRoundRect, ""}};
    for (const TCase& C : Cases) {
        for (const char* Class : {"TMatrixPaperInfo", "TFreePaperInfo"}) {
            const bool Matrix = QByteArray(Class) == "TMatrixPaperInfo";
            TMemoryStream S;
            TWriter W(S);
            W.WriteSignature();
            W.WriteStr(Class);
            W.WriteStr("");
            if (Matrix) {
                W.WriteStr("FaceType");
                W.WriteInteger(C.FaceType);
            } else {
                W.WriteStr("Faces");
                W.WriteValue(vaCollection);
                W.WriteListBegin();
                W.WriteStr("FaceType");
                W.WriteInteger(C.FaceType);
                W.WriteListEnd();
                W.WriteListEnd();
            }
            W.WriteListEnd();
            W.WriteListEnd();
            auto Back = ReadPaper(S.Bytes());
            if (!Matrix) {
                ASSERT_EQ(Back->GetFaceCount(), 1);
            }
            if (Matrix) {
                auto* M = qobject_cast<TMatrixPaperInfo*>(Back.get());
                EXPECT_EQ(M->FaceShape(), C.Shape) << C.FaceType;
                EXPECT_EQ(M->FacePurpose(), QString::fromLatin1(C.Purpose)) << C.FaceType;
            } else {
                EXPECT_EQ(Back->GetFaceShape(0), C.Shape) << C.FaceType;
                EXPECT_EQ(Back->GetFacePurpose(0), QString::fromLatin1(C.Purpose));
            }
            EXPECT_FALSE(StreamOf(*Back).contains("FaceType"));
        }
    }
}

TEST(PaperInfo, FreePaperCopiesItsFaces) {
    TFreePaperInfo P;
    P.SetPaperName(QStringLiteral("A"));
    TFaceItem* F = P.Faces()->Add();
    F->SetRect({1, 2, 3, 4});
    F->SetRoundSize(7);
    TFreePaperInfo Copy;
    Copy.Assign(&P);
    ASSERT_EQ(Copy.GetFaceCount(), 1);
    EXPECT_EQ(Copy.GetFaceRect(0), TRect(1, 2, 3, 4));
    EXPECT_EQ(Copy.GetRoundSize(0), 7);
    P.Faces()->Items(0)->SetLeft(100);
    EXPECT_EQ(Copy.GetFaceRect(0).Left, 1);
}

// A copy of a paper seen through its base class keeps the paper's own class and everything
// the paper holds, and is a paper of its own.
TEST(PaperInfo, CloneKeepsTheClassAndEveryProperty) {
    RegisterPaperClasses();
    TFreePaperInfo Free;
    Free.SetPaperName(QStringLiteral("Free"));
    Free.Faces()->Add()->SetRect({1, 2, 3, 4});
    const std::unique_ptr<TMatrixPaperInfo> Matrix =
        MakeMatrix(2100, 2970, 2, 5, 900, 500, 100, 120, 30, 40);
    Matrix->SetPaperName(QStringLiteral("Matrix"));
    for (TPaperInfo* Paper :
         {static_cast<TPaperInfo*>(&Free), static_cast<TPaperInfo*>(Matrix.get())}) {
        SCOPED_TRACE(Paper->PaperName().toStdString());
        const std::unique_ptr<TPaperInfo> Copy = CloneOf(*Paper);
        ASSERT_NE(Copy, nullptr);
        EXPECT_NE(Copy.get(), Paper);
        EXPECT_EQ(Copy->metaObject(), Paper->metaObject());
        TMemoryStream Original;
        TMemoryStream Copied;
        WriteComponent(Original, *Paper);
        WriteComponent(Copied, *Copy);
        EXPECT_EQ(Copied.Bytes(), Original.Bytes());
        Copy->SetPaperName(QStringLiteral("Changed"));
        EXPECT_NE(Paper->PaperName(), Copy->PaperName());
    }
}

namespace {
class TReplacingValidator : public TPurposeValidator {
public:
    bool IsObsolete(const QString& ID) const override { return ID == QLatin1String("MOSquare"); }
    QString Replace(const QString& ID) const override {
        return IsObsolete(ID) ? QStringLiteral("CDCover") : ID;
    }
};
} // namespace

TEST(PaperInfo, PurposesGoThroughTheValidator) {
    TReplacingValidator V;
    TMatrixPaperInfo P;
    P.SetFacePurpose(QStringLiteral("MOSquare"));
    P.SetFaceCountX(1);
    P.SetFaceCountY(1);
    EXPECT_EQ(P.GetFacePurpose(0), QStringLiteral("MOSquare"));
    SetPurposeValidator(&V);
    EXPECT_EQ(P.GetFacePurpose(0), QStringLiteral("CDCover"));
    TPurposeList L;
    TPurposeList Defaults;
    Defaults.SetDefault();
    EXPECT_TRUE(L.Merge(Defaults));
    EXPECT_EQ(L.Count(), 4);
    EXPECT_EQ(L.IndexOfID(QStringLiteral("MOSquare")), -1);
    EXPECT_EQ(L.IndexOfID(QStringLiteral("cdcover")), 1);
    SetPurposeValidator(nullptr);
    // A purpose differing only in case is not added again.
    TPurposeList Upper;
    Upper.Add<TPurposeInfo>()->SetID(QStringLiteral("CDCOVER"));
    EXPECT_FALSE(L.Merge(Upper));
    EXPECT_EQ(L.Count(), 4);
}

// A paper read from a document or a library must lie within the paper bounds: a grid of
// 2000 x 2000 faces, or sizes near the end of int, are refused when read instead of freezing
// or overflowing whatever lays the faces out.
TEST(PaperInfo, PapersBeyondTheBoundsAreRefusedWhenRead) {
    const auto Sane = [] { return MakeMatrix(2100, 2970, 2, 5, 910, 550, 140, 110, 0, 0); };
    struct TCase {
        const char* What;
        std::function<void(TMatrixPaperInfo&)> Damage;
        bool Refused;
    };
    const TCase Cases[] = {
        {"sane", [](TMatrixPaperInfo&) {}, false},
        {"at the bounds",
         [](TMatrixPaperInfo& P) {
             P.SetFaceCountX(MaxPaperFaceCount);
             P.SetFaceCountY(1);
             P.SetWidth(MaxPaperLength);
             P.SetFaceWidth(MaxPaperLength);
             P.SetLeftOffset(-MaxPaperLength);
             P.SetBottomMargin(-10);
         },
         false},
        {"2000 x 2000 faces",
         [](TMatrixPaperInfo& P) {
             P.SetFaceCountX(2000);
             P.SetFaceCountY(2000);
         },
         true},
        {"too many faces in all",
         [](TMatrixPaperInfo& P) {
             P.SetFaceCountX(40);
             P.SetFaceCountY(40);
         },
         true},
        {"negative count", [](TMatrixPaperInfo& P) { P.SetFaceCountX(-1); }, true},
        {"face width", [](TMatrixPaperInfo& P) { P.SetFaceWidth(INT_MAX - 5); }, true},
        {"face height", [](TMatrixPaperInfo& P) { P.SetFaceHeight(MaxPaperLength + 1); }, true},
        {"left offset", [](TMatrixPaperInfo& P) { P.SetLeftOffset(INT_MIN); }, true},
        {"top offset", [](TMatrixPaperInfo& P) { P.SetTopOffset(INT_MAX); }, true},
        {"gap", [](TMatrixPaperInfo& P) { P.SetRightMargin(INT_MAX / 2); }, true},
        {"row gap", [](TMatrixPaperInfo& P) { P.SetBottomMargin(-MaxPaperLength - 1); }, true},
        {"margin", [](TMatrixPaperInfo& P) { P.SetFaceMargin(INT_MIN + 1); }, true},
        {"hole", [](TMatrixPaperInfo& P) { P.SetCutCenterWidth(INT_MAX); }, true},
        {"sheet", [](TMatrixPaperInfo& P) { P.SetHeight(-1); }, true},
    };
    for (const TCase& C : Cases) {
        auto P = Sane();
        P->SetPaperName(QString::fromLatin1(C.What));
        C.Damage(*P);
        const QByteArray Bytes = StreamOf(*P);
        TMemoryStream S(Bytes);
        if (C.Refused) {
            try {
                ReadComponent(S);
                ADD_FAILURE() << C.What << " was read";
            } catch (const EReadError& E) {
                EXPECT_TRUE(E.Message.contains(QString::fromLatin1(C.What))) << E.what();
            }
        } else {
            std::unique_ptr<TPaperInfo> Read = ReadPaper(Bytes);
            ASSERT_NE(Read, nullptr) << C.What;
            EXPECT_EQ(StreamOf(*Read), Bytes) << C.What;
        }
    }
}

TEST(PaperInfo, FreeFacesBeyondTheBoundsAreRefusedWhenRead) {
    struct TCase {
        const char* What;
        TRect Rect;
        int Margin;
        bool Refused;
    };
    const TCase Cases[] = {
        {"sane", TRect(100, 100, 600, 400), 20, false},
        {"huge width", TRect(0, 0, INT_MAX, 400), 0, true},
        {"far left", TRect(INT_MIN, 0, INT_MIN + 100, 400), 0, true},
        {"edges from both ends", TRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX), 0, true},
        {"inverted", TRect(500, 0, 100, 400), 0, true},
        {"margin", TRect(100, 100, 600, 400), INT_MAX, true},
    };
    for (const TCase& C : Cases) {
        TFreePaperInfo P;
        P.SetPaperName(QString::fromLatin1(C.What));
        P.SetWidth(2100);
        P.SetHeight(2970);
        P.Faces()->Add()->SetRect(TRect(0, 0, 100, 100));
        TFaceItem* F = P.Faces()->Add();
        F->SetRect(C.Rect);
        F->SetFaceMargin(C.Margin);
        const QByteArray Bytes = StreamOf(P);
        TMemoryStream S(Bytes);
        if (C.Refused)
            EXPECT_THROW(ReadComponent(S), EReadError) << C.What;
        else
            EXPECT_NE(ReadPaper(Bytes), nullptr) << C.What;
    }
    // More faces than a paper may hold.
    TFreePaperInfo P;
    P.SetWidth(2100);
    P.SetHeight(2970);
    for (int i = 0; i <= MaxPaperFaceCount; ++i)
        P.Faces()->Add()->SetRect(TRect(0, 0, 10, 10));
    TMemoryStream S(StreamOf(P));
    EXPECT_THROW(ReadComponent(S), EReadError);
}

// The edges of a face item move in 64 bits: values from a damaged stream stop at the ends of
// int instead of overflowing.
TEST(PaperInfo, FaceItemEdgesNeverOverflow) {
    TFaceItem F;
    F.SetLeft(INT_MAX);
    F.SetWidth(INT_MAX);
    F.SetLeft(INT_MIN);
    EXPECT_EQ(F.Left(), INT_MIN);
    EXPECT_EQ(F.Rect().Right, INT_MIN);
    F.SetTop(-5);
    F.SetHeight(INT_MAX);
    F.SetTop(INT_MAX);
    EXPECT_EQ(F.Rect().Bottom, INT_MAX);
    EXPECT_EQ(F.Height(), 0);
    F.SetRect(TRect(INT_MIN, 0, INT_MAX, 0));
    EXPECT_EQ(F.Width(), INT_MAX);
}
