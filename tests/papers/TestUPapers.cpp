// The paper library file: storing, deleting, reordering, merging and updating papers, each
// checked after the library was closed and opened again; read-only and damaged libraries.

#include "PaperTestSupport.h"
#include "TestSupport.h"
#include "UPapers.h"
#include "UPropStream.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

std::unique_ptr<TMatrixPaperInfo> MakePaper(const QString& Name, bool ReadOnly = false,
                                            const QString& Group = QStringLiteral("ラベル")) {
    auto P = std::make_unique<TMatrixPaperInfo>();
    P->SetPaperName(Name);
    P->SetGroupName(Group);
    P->SetReadOnly(ReadOnly);
    P->SetWidth(2100);
    P->SetHeight(2970);
    P->SetFaceCountX(2);
    P->SetFaceCountY(5);
    P->SetFaceWidth(910);
    P->SetFaceHeight(550);
    P->SetLeftOffset(140);
    P->SetTopOffset(110);
    return P;
}

QStringList NamesOf(const TPapers& L) {
    QStringList Names;
    for (int i = 0; i < L.GetCount(); ++i)
        Names << L.GetPaper(i)->PaperName();
    return Names;
}

QStringList ElementsOf(const TPapers& L) {
    QStringList Names;
    for (int i = 0; i < L.GetCount(); ++i)
        Names << L.GetElementName(i);
    return Names;
}

void WriteFileBytes(const QString& Name, const QByteArray& Bytes) {
    QFile F(Name);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly | QIODevice::Truncate));
    F.write(Bytes);
}

class PaperLibrary : public ::testing::Test {
protected:
    QString File(const QString& Name = QStringLiteral("UserPaper.ppr")) const {
        return Dir.filePath(Name);
    }
    QTemporaryDir Dir;
};

} // namespace

TEST_F(PaperLibrary, PutStoresAndReplacesByNameAcrossReopening) {
    {
        TPapersV2 L(File(), false, false);
        EXPECT_EQ(L.GetCount(), 0);
        auto P = MakePaper(QStringLiteral("宛名 10面"));
        P->SetLandscape(true);
        L.Put(*P);
        L.Put(*MakePaper(QStringLiteral("B")));
        EXPECT_TRUE(L.GetPaper(0)->Landscape()); // the copy in memory keeps the orientation
    }
    ASSERT_TRUE(QFileInfo::exists(File()));
    {
        TPapersV2 L(File(), false, false);
        ASSERT_EQ(NamesOf(L), QStringList({QStringLiteral("宛名 10面"), QStringLiteral("B")}));
        EXPECT_EQ(ElementsOf(L),
                  QStringList({QStringLiteral("$00000001"), QStringLiteral("$00000002")}));
        // Stored portrait, with the raw size unchanged.
        EXPECT_FALSE(L.GetPaper(0)->Landscape());
        EXPECT_EQ(L.GetPaper(0)->Width(), 2100);
        EXPECT_EQ(L.GetPaper(0)->GetFaceCount(), 10);
        auto P = MakePaper(QStringLiteral("宛名 10面"));
        P->SetFaceCountY(4);
        L.Put(*P);
    }
    TPapersV2 L(File(), false, false);
    ASSERT_EQ(L.GetCount(), 2);
    EXPECT_EQ(L.GetElementName(0), QStringLiteral("$00000001"));
    EXPECT_EQ(L.GetPaper(0)->GetFaceCount(), 8);
}

TEST_F(PaperLibrary, DeleteRemovesThePaperAndItsRecordsAcrossReopening) {
    {
        TPapersV2 L(File(), false, false);
        L.RegisterExtraInfo(std::make_unique<TExInfoBase>());
        for (const char* Name : {"A", "B", "C"}) {
            L.Put(*MakePaper(QString::fromLatin1(Name)));
            TExPaperInfo Info;
            Info.SetPaperName(QString::fromLatin1(Name));
            Info.SetCompany(QStringLiteral("Maker ") + QString::fromLatin1(Name));
            L.PutExtraInfo(QStringLiteral("ExtraInfos"), Info);
        }
    }
    {
        TPapersV2 L(File(), false, false);
        L.RegisterExtraInfo(std::make_unique<TExInfoBase>());
        L.Delete(L.IndexOf(QStringLiteral("B")));
        EXPECT_EQ(L.GetExtraInfo(QStringLiteral("ExtraInfos"), QStringLiteral("B")), nullptr);
    }
    TPapersV2 L(File(), false, false);
    L.RegisterExtraInfo(std::make_unique<TExInfoBase>());
    EXPECT_EQ(NamesOf(L), QStringList({QStringLiteral("A"), QStringLiteral("C")}));
    EXPECT_EQ(ElementsOf(L),
              QStringList({QStringLiteral("$00000001"), QStringLiteral("$00000003")}));
    EXPECT_EQ(L.GetExtraInfo(QStringLiteral("ExtraInfos"), QStringLiteral("B")), nullptr);
    auto C = L.GetExtraInfo(QStringLiteral("ExtraInfos"), QStringLiteral("C"));
    ASSERT_NE(C, nullptr);
    EXPECT_EQ(qobject_cast<TExPaperInfo*>(C.get())->Company(), QStringLiteral("Maker C"));
    EXPECT_EQ(L.FindExtraInfo(QStringLiteral("ExtraInfos"))->GetCount(), 2);
    // A new paper takes the next number after the highest one.
    L.Put(*MakePaper(QStringLiteral("D")));
    EXPECT_EQ(L.GetElementName(2), QStringLiteral("$00000004"));
}

TEST_F(PaperLibrary, ReorderRenumbersInTheGivenOrderAcrossReopening) {
    {
        TPapersV2 L(File(), false, false);
        for (const char* Name : {"one", "two", "three"})
            L.Put(*MakePaper(QString::fromLatin1(Name)));
        L.Reorder({QStringLiteral("three"), QStringLiteral("one"), QStringLiteral("two")});
    }
    TPapersV2 L(File(), false, false);
    EXPECT_EQ(NamesOf(L),
              QStringList({QStringLiteral("three"), QStringLiteral("one"), QStringLiteral("two")}));
    EXPECT_EQ(ElementsOf(L), QStringList({QStringLiteral("$00000004"), QStringLiteral("$00000005"),
                                          QStringLiteral("$00000006")}));
}

TEST_F(PaperLibrary, ReorderWithABadListChangesNothing) {
    {
        TPapersV2 L(File(), false, false);
        for (const char* Name : {"one", "two", "three"})
            L.Put(*MakePaper(QString::fromLatin1(Name)));
    }
    const QByteArray Before = FileBytes(File());
    const QStringList BadLists[] = {
        {QStringLiteral("three"), QStringLiteral("one"), QStringLiteral("missing")},
        {QStringLiteral("three"), QStringLiteral("one")},
        {QStringLiteral("one"), QStringLiteral("one"), QStringLiteral("two")},
        {QStringLiteral("ONE"), QStringLiteral("two"), QStringLiteral("three")},
    };
    for (const QStringList& Bad : BadLists) {
        TPapersV2 L(File(), false, false);
        try {
            L.Reorder(Bad);
            ADD_FAILURE() << "accepted " << Bad.join(',').toStdString();
        } catch (const EPaperLibraryError& E) {
            EXPECT_EQ(E.Message, QStringLiteral("Bad paper name"));
        }
        EXPECT_EQ(NamesOf(L), QStringList({QStringLiteral("one"), QStringLiteral("two"),
                                           QStringLiteral("three")}));
        EXPECT_EQ(ElementsOf(L).first(), QStringLiteral("$00000001"));
    }
    EXPECT_EQ(FileBytes(File()), Before);
}

TEST_F(PaperLibrary, MergeFromTakesWritablePapersAndRenamesThoseClashingWithReadOnlyOnes) {
    {
        TPapersV2 Target(File(QStringLiteral("target.ppr")), false, false);
        Target.Put(*MakePaper(QStringLiteral("A4"), true));
        Target.Put(*MakePaper(QStringLiteral("Mine")));
        TPapersV2 Source(File(QStringLiteral("source.ppr")), false, false);
        Source.Put(*MakePaper(QStringLiteral("A4"), false, QStringLiteral("user")));
        Source.Put(*MakePaper(QStringLiteral("Mine"), false, QStringLiteral("user")));
        Source.Put(*MakePaper(QStringLiteral("System only"), true));
        Source.RegisterExtraInfo(std::make_unique<TExInfoBase>());
        Target.RegisterExtraInfo(std::make_unique<TExInfoBase>());
        TExPaperInfo Info;
        Info.SetPaperName(QStringLiteral("A4"));
        Info.SetComment(QStringLiteral("user A4"));
        Source.PutExtraInfo(QStringLiteral("ExtraInfos"), Info);
        std::vector<std::pair<int, int>> Steps;
        Target.MergeFrom(Source, true, false,
                         [&Steps](int Step, int Count) { Steps.emplace_back(Step, Count); });
        EXPECT_EQ(Steps, (std::vector<std::pair<int, int>>{{1, 3}, {2, 3}, {3, 3}}));
    }
    TPapersV2 Target(File(QStringLiteral("target.ppr")), false, false);
    Target.RegisterExtraInfo(std::make_unique<TExInfoBase>());
    EXPECT_EQ(NamesOf(Target),
              QStringList({QStringLiteral("A4"), QStringLiteral("Mine"), QStringLiteral("A4$")}));
    EXPECT_TRUE(Target.GetPaper(0)->ReadOnly());
    EXPECT_EQ(Target.GetPaper(1)->GroupName(), QStringLiteral("user")); // replaced
    auto Info = Target.GetExtraInfo(QStringLiteral("ExtraInfos"), QStringLiteral("A4$"));
    ASSERT_NE(Info, nullptr);
    EXPECT_EQ(qobject_cast<TExPaperInfo*>(Info.get())->Comment(), QStringLiteral("user A4"));
    EXPECT_EQ(Target.GetExtraInfo(QStringLiteral("ExtraInfos"), QStringLiteral("A4")), nullptr);
}

TEST_F(PaperLibrary, UpdateTakesReadOnlyPapersListsAndGlobalInfo) {
    {
        TPapersV2 Source(File(QStringLiteral("system.ppr")), false, false);
        Source.Put(*MakePaper(QStringLiteral("S1"), true));
        Source.Put(*MakePaper(QStringLiteral("U1"), false));
        TPaperUpdate U;
        U.SetPPRNo(7);
        Source.SetUpdateInfo(U);
        Source.SetCompanyList({QStringLiteral("ヒサゴ"), QStringLiteral("Avery")});
        Source.SetGroupList({QStringLiteral("宛名ラベル"), QStringLiteral("名刺")});
    }
    {
        // Free-form data in GlobalInfo, written through the storage layer.
        TTemporaryStorage Root;
        Root.LoadFromFile(File(QStringLiteral("system.ppr")));
        {
            TDocStream S(Root, QStringLiteral("GlobalInfo\\Notes"), smCreate);
            S.WriteBytes("global data");
        }
        Root.SaveToFile(File(QStringLiteral("system.ppr")));
    }
    {
        TPapersV2 Target(File(), false, false);
        Target.Put(*MakePaper(QStringLiteral("Mine")));
        TPapersV2 Source(File(QStringLiteral("system.ppr")), false, true);
        Target.Update(Source);
    }
    TPapersV2 Target(File(), false, false);
    EXPECT_EQ(NamesOf(Target), QStringList({QStringLiteral("Mine"), QStringLiteral("S1")}));
    EXPECT_EQ(Target.GetUpdateInfo().PPRNo(), 7);
    EXPECT_GT(double(Target.GetUpdateInfo().LastUpdate()), 40000.0);
    EXPECT_EQ(Target.CompanyList(),
              QStringList({QStringLiteral("ヒサゴ"), QStringLiteral("Avery")}));
    EXPECT_EQ(Target.GroupList(),
              QStringList({QStringLiteral("宛名ラベル"), QStringLiteral("名刺")}));
    TTemporaryStorage Root;
    Root.LoadFromFile(File());
    TDocStream S(Root, QStringLiteral("GlobalInfo\\Notes"), 0);
    EXPECT_EQ(S.ReadBytes(S.GetSize()), QByteArray("global data"));
}

TEST_F(PaperLibrary, PurposesOfStoredPapersJoinTheLibraryList) {
    {
        TPapersV2 L(File(), false, false);
        EXPECT_EQ(L.PurposeList().Count(), 5); // the default list
        auto P = MakePaper(QStringLiteral("Tray"));
        auto* Extra = P->PurposeList()->Add<TPurposeInfo>();
        Extra->SetID(QStringLiteral("DiscTray"));
        Extra->SetShapeMask(FaceShapeSet(fsDoughnut));
        P->PurposeList()->Add<TPurposeInfo>()->SetID(QStringLiteral("cd")); // known, other case
        L.Put(*P);
        EXPECT_EQ(L.PurposeList().Count(), 6);
    }
    TPapersV2 L(File(), false, false);
    ASSERT_EQ(L.PurposeList().Count(), 6);
    EXPECT_EQ(L.PurposeList().IndexOfID(QStringLiteral("DiscTray")), 5);
    // The paper keeps its own purposes.
    EXPECT_EQ(L.GetPaper(0)->PurposeList()->Count(), 2);
}

TEST_F(PaperLibrary, ExtraRecordsFollowTheirRules) {
    TPapersV2 L(File(), false, false);
    L.RegisterExtraInfo(std::make_unique<TExInfoBase>());
    L.RegisterExtraInfo(std::make_unique<TImageInfoBase>());
    TImagePaperInfo Image;
    Image.SetPaperName(QStringLiteral("A"));
    Image.SetImage(QByteArray("\x89PNG\r\n\x1a\n fake", 14));
    L.PutExtraInfo(QStringLiteral("PaperImages"), Image);
    auto Back = L.GetExtraInfo(QStringLiteral("PaperImages"), QStringLiteral("A"));
    ASSERT_NE(Back, nullptr);
    EXPECT_EQ(qobject_cast<TImagePaperInfo*>(Back.get())->Image(), Image.Image());
    EXPECT_TRUE(Back->IsSame(&Image));
    EXPECT_FALSE(Back->IsSame(nullptr));
    // An empty record replaces and is not stored.
    TImagePaperInfo Empty;
    Empty.SetPaperName(QStringLiteral("A"));
    L.PutExtraInfo(QStringLiteral("PaperImages"), Empty);
    EXPECT_EQ(L.GetExtraInfo(QStringLiteral("PaperImages"), QStringLiteral("A")), nullptr);
    EXPECT_EQ(L.FindExtraInfo(QStringLiteral("PaperImages"))->GetCount(), 0);
    // Ignored: no paper name, unknown handler; nothing for an empty name.
    TExPaperInfo Nameless;
    Nameless.SetCompany(QStringLiteral("x"));
    L.PutExtraInfo(QStringLiteral("ExtraInfos"), Nameless);
    EXPECT_EQ(L.FindExtraInfo(QStringLiteral("ExtraInfos"))->GetCount(), 0);
    Nameless.SetPaperName(QStringLiteral("B"));
    L.PutExtraInfo(QStringLiteral("Nobody"), Nameless);
    EXPECT_EQ(L.GetExtraInfo(QStringLiteral("ExtraInfos"), QString()), nullptr);
    EXPECT_EQ(L.GetExtraInfo(QStringLiteral("Nobody"), QStringLiteral("B")), nullptr);
}

TEST_F(PaperLibrary, TwoRecordsForOnePaperAreReported) {
    {
        TPapersV2 L(File(), false, false);
        L.Put(*MakePaper(QStringLiteral("A")));
    }
    {
        // Two streams naming the same paper, as a damaged or hand-made file may hold.
        TTemporaryStorage Root;
        Root.LoadFromFile(File());
        TExPaperInfo Info;
        Info.SetPaperName(QStringLiteral("A"));
        Info.SetCompany(QStringLiteral("x"));
        for (const char* Name : {"ExtraInfos\\$00000001", "ExtraInfos\\$00000002"}) {
            TDocStream S(Root, QString::fromLatin1(Name), smCreate);
            WriteComponent(S, Info);
        }
        Root.SaveToFile(File());
    }
    TPapersV2 L(File(), false, false);
    L.RegisterExtraInfo(std::make_unique<TExInfoBase>());
    try {
        L.GetExtraInfo(QStringLiteral("ExtraInfos"), QStringLiteral("none"));
        ADD_FAILURE() << "no error";
    } catch (const EPaperLibraryError& E) {
        EXPECT_EQ(E.Message, QStringLiteral("用紙情報更新エラー(A)"));
    }
}

TEST_F(PaperLibrary, ReadOnlyLibraryIsNeverWritten) {
    {
        TPapersV2 L(File(), false, false);
        L.Put(*MakePaper(QStringLiteral("A"), true));
    }
    const QByteArray Before = FileBytes(File());
    QFile::setPermissions(File(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    {
        TPapersV2 L(File(), false, true);
        L.RegisterExtraInfo(std::make_unique<TExInfoBase>());
        ASSERT_EQ(L.GetCount(), 1);
        EXPECT_THROW(L.Put(*MakePaper(QStringLiteral("B"))), EPaperLibraryError);
        EXPECT_THROW(L.Delete(0), EPaperLibraryError);
        EXPECT_THROW(L.Reorder({QStringLiteral("A")}), EPaperLibraryError);
        EXPECT_THROW(L.SetCompanyList({QStringLiteral("x")}), EPaperLibraryError);
        EXPECT_THROW(L.Save(), EPaperLibraryError);
    }
    EXPECT_EQ(FileBytes(File()), Before);
}

TEST_F(PaperLibrary, OpeningWithoutChangesLeavesTheFileAlone) {
    {
        TPapersV2 L(File(), false, false);
        L.Put(*MakePaper(QStringLiteral("A")));
    }
    const QByteArray Before = FileBytes(File());
    const QDateTime Stamp = QFileInfo(File()).lastModified();
    {
        TPapersV2 L(File(), false, false);
        L.RegisterExtraInfo(std::make_unique<TExInfoBase>());
        L.RegisterExtraInfo(std::make_unique<TImageInfoBase>());
    }
    EXPECT_EQ(FileBytes(File()), Before);
    EXPECT_EQ(QFileInfo(File()).lastModified(), Stamp);
    // A library that was never changed is not created either.
    { TPapersV2 L(File(QStringLiteral("never.ppr")), false, false); }
    EXPECT_FALSE(QFileInfo::exists(File(QStringLiteral("never.ppr"))));
}

TEST_F(PaperLibrary, DamagedLibrariesAreRefusedWithoutTouchingTheFile) {
    {
        TPapersV2 L(File(QStringLiteral("good.ppr")), false, false);
        for (int i = 0; i < 5; ++i)
            L.Put(*MakePaper(QStringLiteral("Paper %1").arg(i)));
    }
    const QByteArray Good = FileBytes(File(QStringLiteral("good.ppr")));
    ASSERT_GT(Good.size(), 2048);
    // Find a paper stream's signature inside the file: flipping it must be refused.
    const qsizetype Signature = Good.indexOf("TPF0\x10TMatrixPaperInfo");
    ASSERT_GT(Signature, 0);

    struct TCase {
        const char* Name;
        QByteArray Bytes;
        bool MustRefuse;
        qsizetype Offset = -1;
    };
    std::vector<TCase> Cases;
    Cases.push_back({"empty", QByteArray(), true});
    for (const qsizetype Size :
         {qsizetype(8), qsizetype(511), qsizetype(512), Good.size() / 2, Good.size() - 512})
        Cases.push_back({"truncated", Good.left(Size), true});
    for (const qsizetype Offset : {qsizetype(0), qsizetype(30), Signature, Signature + 5}) {
        QByteArray Flipped = Good;
        Flipped[Offset] = char(Flipped[Offset] ^ 0x04);
        Cases.push_back({"bit flipped", Flipped, true, Offset});
    }
    // Every other byte of the first kilobyte past the header and a spread of others: never a
    // crash, never a write; whatever opens must list papers that read.
    // The last sector ends in padding: cutting its last byte loses nothing.
    Cases.push_back({"last byte cut", Good.left(Good.size() - 1), false});
    for (qsizetype Offset = 76; Offset < Good.size(); Offset += Offset < 1024 ? 7 : 97) {
        QByteArray Flipped = Good;
        Flipped[Offset] = char(Flipped[Offset] ^ 0x10);
        Cases.push_back({"bit flipped anywhere", Flipped, false});
    }
    int Refused = 0;
    for (const TCase& C : Cases) {
        for (const bool ReadOnly : {true, false}) {
            const QString Name = File(QStringLiteral("bad.ppr"));
            QFile::remove(Name);
            WriteFileBytes(Name, C.Bytes);
            bool WasRefused = false;
            try {
                TPapersV2 L(Name, false, ReadOnly);
                L.RegisterExtraInfo(std::make_unique<TExInfoBase>());
                for (int i = 0; i < L.GetCount(); ++i)
                    L.GetPaper(i)->GetFaceCount();
            } catch (const EPaperLibraryError& E) {
                WasRefused = true;
                EXPECT_TRUE(E.Message.contains(Name)) << E.what();
            } catch (const Exception& E) {
                // Storage errors met after opening (a handler's storage) pass through.
                WasRefused = true;
            }
            Refused += WasRefused;
            if (C.MustRefuse) {
                EXPECT_TRUE(WasRefused)
                    << C.Name << " size " << C.Bytes.size() << " at " << C.Offset;
            }
            EXPECT_EQ(FileBytes(Name), C.Bytes) << C.Name << " was rewritten";
        }
    }
    EXPECT_GT(Refused, 20);
}

TEST_F(PaperLibrary, SavedLibraryPassesAnIndependentCompoundFileCheck) {
    {
        TPapersV2 L(File(), false, false);
        L.RegisterExtraInfo(std::make_unique<TExInfoBase>());
        L.Put(*MakePaper(QStringLiteral("A")));
        L.Put(*MakePaper(QStringLiteral("B")));
        TExPaperInfo Info;
        Info.SetPaperName(QStringLiteral("A"));
        Info.SetCompany(QStringLiteral("ヒサゴ"));
        L.PutExtraInfo(QStringLiteral("ExtraInfos"), Info);
        L.SetCompanyList({QStringLiteral("ヒサゴ")});
        L.SetGroupList({QStringLiteral("ラベル")});
        TPaperUpdate U;
        U.SetPPRNo(3);
        L.SetUpdateInfo(U);
    }
    QByteArray Output;
    const int Code = RunProgram(
        QStringLiteral("/usr/bin/python3"),
        {QStringLiteral("-c"),
         QStringLiteral("import olefile,sys\n"
                        "f=olefile.OleFileIO(sys.argv[1])\n"
                        "for e in sorted('/'.join(p) for p in f.listdir(streams=True)):\n"
                        "    print(e, len(f.openstream(e).read()), f.openstream(e).read()[:4])\n"),
         File()},
        &Output);
    ASSERT_EQ(Code, 0) << Output.toStdString();
    const QString Text = QString::fromUtf8(Output);
    for (const char* Want : {"Papers/$00000001", "Papers/$00000002", "PurposeList/PurposeList",
                             "UpdateInfo/UpdateInfo", "CompanyList/CompanyList 8",
                             "GroupList/GroupList 8", "ExtraInfos/$00000001"})
        EXPECT_TRUE(Text.contains(QString::fromLatin1(Want))) << Want << "\n"
                                                              << Output.toStdString();
    EXPECT_EQ(Text.count(QStringLiteral("b'TPF0'")), 5) << Output.toStdString();
}

TEST_F(PaperLibrary, ReorderOfAnEmptyLibraryChangesNothing) {
    {
        TPapersV2 L(File(), false, false);
        L.Reorder({});
        EXPECT_EQ(L.GetCount(), 0);
        EXPECT_THROW(L.Reorder({QStringLiteral("A")}), EPaperLibraryError);
        L.Put(*MakePaper(QStringLiteral("A")));
    }
    TPapersV2 L(File(), false, false);
    EXPECT_EQ(ElementsOf(L), QStringList({QStringLiteral("$00000001")}));
}

TEST_F(PaperLibrary, AnOversizedPaperStreamIsRefused) {
    {
        TPapersV2 L(File(), false, false);
        L.Put(*MakePaper(QStringLiteral("A")));
    }
    {
        // A paper stream far larger than any paper: damaged or not a library of ours.
        TTemporaryStorage Root;
        Root.LoadFromFile(File());
        TDocStream S(Root, QStringLiteral("Papers\\$00000002"), smCreate);
        S.WriteBytes(QByteArray("TPF0") + QByteArray(17 * 1024 * 1024, '\0'));
        Root.SaveToFile(File());
    }
    const QByteArray Before = FileBytes(File());
    for (const bool ReadOnly : {true, false}) {
        try {
            TPapersV2 L(File(), false, ReadOnly);
            ADD_FAILURE() << "opened";
        } catch (const EPaperLibraryError& E) {
            EXPECT_TRUE(E.Message.contains(QStringLiteral("$00000002"))) << E.what();
        }
    }
    EXPECT_EQ(FileBytes(File()), Before);
}

// A stored paper beyond the paper bounds (a damaged or hand-made library) is refused when the
// library is read, naming the paper, and the file is left alone.
TEST_F(PaperLibrary, APaperBeyondTheBoundsIsRefused) {
    {
        TPapersV2 L(File(), false, false);
        L.Put(*MakePaper(QStringLiteral("A")));
        auto Huge = MakePaper(QStringLiteral("四百万面"));
        Huge->SetFaceCountX(2000);
        Huge->SetFaceCountY(2000);
        L.Put(*Huge);
    }
    const QByteArray Before = FileBytes(File());
    for (const bool ReadOnly : {true, false}) {
        try {
            TPapersV2 L(File(), false, ReadOnly);
            ADD_FAILURE() << "opened with " << L.GetCount() << " papers";
        } catch (const EPaperLibraryError& E) {
            EXPECT_TRUE(E.Message.contains(QStringLiteral("四百万面"))) << E.what();
        }
    }
    EXPECT_EQ(FileBytes(File()), Before);
}

// A library freed while an exception unwinds keeps its file as it was: what the failed
// operation changed is not saved.
TEST_F(PaperLibrary, NothingIsSavedWhileAnExceptionUnwinds) {
    {
        TPapersV2 L(File(), false, false);
        L.Put(*MakePaper(QStringLiteral("A")));
    }
    const QByteArray Before = FileBytes(File());
    try {
        TPapersV2 L(File(), false, false);
        L.Put(*MakePaper(QStringLiteral("B")));
        L.Delete(L.IndexOf(QStringLiteral("A")));
        throw EPaperLibraryError(QStringLiteral("途中で失敗"));
    } catch (const EPaperLibraryError&) {
    }
    EXPECT_EQ(FileBytes(File()), Before);
    TPapersV2 L(File(), false, false);
    EXPECT_EQ(NamesOf(L), QStringList({QStringLiteral("A")}));
}
