// The run-time paper list: default paper, system and user libraries, damaged files, and the
// preview drawing of the chooser.

#include "FPaperChooser.h"
#include "PaperTestSupport.h"
#include "TestSupport.h"
#include "UPaperLibrary.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

std::unique_ptr<TMatrixPaperInfo> Sheet(const QString& Name, const QString& Group, bool ReadOnly) {
    auto P = std::make_unique<TMatrixPaperInfo>();
    P->SetPaperName(Name);
    P->SetGroupName(Group);
    P->SetReadOnly(ReadOnly);
    P->SetWidth(2100);
    P->SetHeight(2970);
    P->SetFaceCountX(1);
    P->SetFaceCountY(2);
    P->SetFaceWidth(1160);
    P->SetFaceHeight(1160);
    P->SetLeftOffset(470);
    P->SetTopOffset(215);
    P->SetBottomMargin(220);
    P->SetFaceShape(fsDoughnut);
    return P;
}

} // namespace

TEST(PaperLibraryView, DefaultPaperAlone) {
    QTemporaryDir Dir;
    TPaperLibrary L(Dir.filePath(QStringLiteral("missing.ppr")), QString());
    ASSERT_EQ(L.GetCount(), 1);
    EXPECT_TRUE(L.Errors().isEmpty());
    EXPECT_THROW(L.GetPaper(1), EListError);
    EXPECT_THROW(L.GetName(-1), EListError);
    const TPaperInfo& A4 = L.GetPaper(0);
    EXPECT_EQ(L.GetName(0), QStringLiteral("A4"));
    EXPECT_EQ(A4.GroupName(), QStringLiteral("定型"));
    EXPECT_TRUE(A4.ReadOnly());
    EXPECT_EQ(A4.GetFaceCount(), 1);
    EXPECT_EQ(A4.GetFaceRect(0), TRect(0, 0, 2100, 2970));
    EXPECT_NE(qobject_cast<const TFreePaperInfo*>(&A4), nullptr);
    // It reads back from its stream unchanged.
    auto Back = ReadPaper(StreamOf(*CreateDefaultPaper()));
    EXPECT_EQ(Back->PaperName(), QStringLiteral("A4"));
    EXPECT_EQ(Back->GetFaceRect(0), TRect(0, 0, 2100, 2970));
}

TEST(PaperLibraryView, SystemAndUserPapersInOneList) {
    QTemporaryDir Dir;
    const QString System = Dir.filePath(QStringLiteral("vantomi.ppr"));
    const QString User = Dir.filePath(QStringLiteral("settings/UserPaper.ppr"));
    {
        TPapersV2 S(System, false, false);
        S.Put(*Sheet(QStringLiteral("CD 2面"), QStringLiteral("CD/DVDラベル"), true));
        S.Put(*Sheet(QStringLiteral("A4"), QStringLiteral("定型"), true));
    }
    const QByteArray SystemBytes = FileBytes(System);
    {
        TPaperLibrary L(System, User);
        ASSERT_NE(L.User(), nullptr);
        L.User()->Put(*Sheet(QStringLiteral("CD 2面"), QStringLiteral("自作"), false));
        L.Refresh();
        ASSERT_EQ(L.GetCount(), 4);
        EXPECT_EQ(L.GetName(2), QStringLiteral("A4$")); // the system paper after the default one
        EXPECT_EQ(L.GetName(3), QStringLiteral("CD 2面$"));
        EXPECT_TRUE(L.IsUserPaper(3));
        EXPECT_FALSE(L.IsUserPaper(1));
        EXPECT_EQ(L.GetGroupNames(),
                  QStringList({QStringLiteral("定型"), QStringLiteral("CD/DVDラベル"),
                               QStringLiteral("自作")}));
        EXPECT_EQ(L.IndexOf(QStringLiteral("CD 2面$")), 3);
    }
    // The user's paper was saved in the settings folder; the system library is untouched.
    EXPECT_EQ(FileBytes(System), SystemBytes);
    TPaperLibrary Again(System, User);
    EXPECT_EQ(Again.GetCount(), 4);
}

TEST(PaperLibraryView, DamagedLibrariesAreLeftOutAndReported) {
    QTemporaryDir Dir;
    const QString System = Dir.filePath(QStringLiteral("vantomi.ppr"));
    const QString User = Dir.filePath(QStringLiteral("UserPaper.ppr"));
    static const char JunkText[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1 this is not a library";
    const QByteArray Junk(JunkText, sizeof JunkText - 1);
    for (const QString& Name : {System, User}) {
        QFile F(Name);
        ASSERT_TRUE(F.open(QIODevice::WriteOnly));
        F.write(Junk);
    }
    {
        TPaperLibrary L(System, User);
        EXPECT_EQ(L.System(), nullptr);
        EXPECT_EQ(L.User(), nullptr);
        ASSERT_EQ(L.Errors().size(), 2);
        EXPECT_TRUE(L.Errors()[0].contains(System));
        EXPECT_TRUE(L.Errors()[1].contains(User));
        EXPECT_EQ(L.GetCount(), 1);
        EXPECT_EQ(L.DefaultPaper().PaperName(), QStringLiteral("A4"));
    }
    EXPECT_EQ(FileBytes(System), Junk);
    EXPECT_EQ(FileBytes(User), Junk);
}

TEST(PaperPreview, FacesAndHolesAreDrawnWhereTheGeometrySaysSo) {
    // A4 at one pixel per millimetre, with a 4-pixel border.
    auto P = Sheet(QStringLiteral("CD"), QStringLiteral("CD"), true);
    const QImage Image = RenderPaperPreview(*P, 218, 305);
    ASSERT_EQ(Image.size(), QSize(218, 305));
    const auto At = [&Image](int X, int Y) { return Image.pixelColor(4 + X / 10, 4 + Y / 10); };
    const QColor Face(200, 220, 245), White(255, 255, 255), Ground(160, 160, 160);
    struct TCase {
        const char* Where;
        int X, Y;
        QColor Want;
    };
    const TCase Cases[] = {
        {"outside the sheet", -30, -30, Ground},  {"sheet corner", 100, 100, White},
        {"first disc, ring", 1050, 500, Face},    {"first disc, hole", 1050, 795, White},
        {"second disc, ring", 1050, 2400, Face},  {"second disc, hole", 1050, 2175, White},
        {"between the discs", 1050, 1485, White},
    };
    for (const TCase& C : Cases)
        EXPECT_EQ(At(C.X, C.Y), C.Want) << C.Where;
    // Turned to landscape the sheet lies across.
    P->SetLandscape(true);
    const QImage Turned = RenderPaperPreview(*P, 305, 218);
    EXPECT_EQ(Turned.pixelColor(4 + 30, 4 + 105), Face) << "first disc ring after the turn";
    EXPECT_EQ(Turned.pixelColor(4 + 79, 4 + 105), White) << "first disc hole after the turn";
}
