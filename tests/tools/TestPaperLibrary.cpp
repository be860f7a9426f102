// The system paper library generated at build time: read back and compared with the label
// tables it was made from, checked by an independent compound-file reader, and the table
// reader's quoting rules.

#include "TestSupport.h"
#include "UPaperSheets.h"
#include "UPapers.h"
#include "UPropStream.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMetaEnum>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString SystemPapers = QStringLiteral(VANTOMI_SYSTEM_PAPERS);
const QString Tables = QStringLiteral(VANTOMI_PAPER_TABLES);

const TSheetTable& Sheets() {
    static const TSheetTable T = TSheetTable::Load(Tables + QStringLiteral("/label-sheets.csv"));
    return T;
}

const TSheetTable& Faces() {
    static const TSheetTable T =
        TSheetTable::Load(Tables + QStringLiteral("/label-sheet-faces.csv"));
    return T;
}

class SystemLibrary : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Library = std::make_unique<TPapersV2>(SystemPapers, false, true);
        Library->RegisterExtraInfo(std::make_unique<TExInfoBase>());
    }
    static void TearDownTestSuite() { Library.reset(); }
    static TPaperInfo* Paper(const QString& Name) {
        const int Index = Library->IndexOf(Name);
        return Index >= 0 ? Library->GetPaper(Index) : nullptr;
    }
    static std::unique_ptr<TPapersV2> Library;
};
std::unique_ptr<TPapersV2> SystemLibrary::Library;

QByteArray StreamOf(TComponent& C) {
    TMemoryStream S;
    WriteComponent(S, C);
    return S.Bytes();
}

QString Shape(TFaceShape S) {
    return QString::fromLatin1(QMetaEnum::fromType<TFaceShape>().valueToKey(S));
}

} // namespace

TEST(SheetTable, QuotingRules) {
    const TSheetTable T = TSheetTable::Parse("A,B,C\r\n"
                                             "1,\"two, with comma\",3\r\n"
                                             "\"line\nbreak\",\"say \"\"hi\"\"\",\n"
                                             ",,last");
    ASSERT_EQ(T.RowCount(), 3);
    EXPECT_EQ(T.Cell(0, QStringLiteral("B")), QStringLiteral("two, with comma"));
    EXPECT_EQ(T.Cell(1, QStringLiteral("A")), QStringLiteral("line\nbreak"));
    EXPECT_EQ(T.Cell(1, QStringLiteral("B")), QStringLiteral("say \"hi\""));
    EXPECT_EQ(T.Cell(1, QStringLiteral("C")), QString());
    EXPECT_EQ(T.Cell(2, QStringLiteral("C")), QStringLiteral("last"));
    EXPECT_EQ(T.Int(0, QStringLiteral("A")), 1);
    EXPECT_EQ(T.Int(1, QStringLiteral("C"), 410), 410);
    EXPECT_THROW(T.Int(1, QStringLiteral("C")), ESheetTableError);
    EXPECT_THROW(T.Int(1, QStringLiteral("A")), ESheetTableError);
    EXPECT_THROW(T.Cell(0, QStringLiteral("D")), ESheetTableError);

    for (const char* Bad : {"A,B\n1,2,3\n", "A,B\n\"open,2\n", ""})
        EXPECT_THROW(TSheetTable::Parse(Bad), ESheetTableError) << Bad;
}

TEST_F(SystemLibrary, EveryTableSheetIsThereWithItsFaces) {
    const TSheetTable& S = Sheets();
    QHash<QString, int> Checked;
    int Matrix = 0;
    for (int Row = 0; Row < S.RowCount(); ++Row) {
        const QString Name = S.Cell(Row, QStringLiteral("PaperName"));
        if (Checked.contains(Name))
            continue;
        Checked.insert(Name, Row);
        if (!S.Cell(Row, QStringLiteral("Checks")).isEmpty())
            continue; // left out of the library (see below)
        const TPaperInfo* P = Paper(Name);
        ASSERT_NE(P, nullptr) << Name.toStdString();
        EXPECT_TRUE(P->ReadOnly());
        EXPECT_FALSE(P->Landscape());
        EXPECT_EQ(P->Width(), S.Int(Row, QStringLiteral("Width"))) << Name.toStdString();
        EXPECT_EQ(P->Height(), S.Int(Row, QStringLiteral("Height"))) << Name.toStdString();
        EXPECT_EQ(P->GroupName(), JapaneseGroupName(S.Cell(Row, QStringLiteral("GroupName"))));
        ASSERT_EQ(P->GetFaceCount(), S.Int(Row, QStringLiteral("FaceCount"))) << Name.toStdString();
        if (S.Cell(Row, QStringLiteral("PaperKind")) != QLatin1String("matrix"))
            continue;
        ++Matrix;
        ASSERT_NE(qobject_cast<const TMatrixPaperInfo*>(P), nullptr) << Name.toStdString();
        // Face i: column i mod CountX, row i div CountX, placed by the pitch.
        const int CountX = S.Int(Row, QStringLiteral("FaceCountX"));
        const int PitchX = S.Int(Row, QStringLiteral("PitchX"));
        const int PitchY = S.Int(Row, QStringLiteral("PitchY"));
        const int FaceW = S.Int(Row, QStringLiteral("FaceWidth"));
        const int FaceH = S.Int(Row, QStringLiteral("FaceHeight"));
        for (int i = 0; i < P->GetFaceCount(); ++i) {
            const int L = S.Int(Row, QStringLiteral("LeftOffset")) + (i % CountX) * PitchX;
            const int T = S.Int(Row, QStringLiteral("TopOffset")) + (i / CountX) * PitchY;
            ASSERT_EQ(P->GetFaceRect(i), TRect(L, T, L + FaceW, T + FaceH))
                << Name.toStdString() << " face " << i;
            EXPECT_EQ(Shape(P->GetFaceShape(i)), S.Cell(Row, QStringLiteral("FaceShape")));
            EXPECT_EQ(P->GetFaceMargin(i), S.Int(Row, QStringLiteral("FaceMargin")));
            EXPECT_EQ(P->GetFacePurpose(i), S.Cell(Row, QStringLiteral("FacePurpose")));
            EXPECT_EQ(P->GetCutCenterSize(i).cx, S.Int(Row, QStringLiteral("CutCenterWidth"), 410));
            EXPECT_EQ(P->GetRoundSize(i), S.Int(Row, QStringLiteral("RoundSize"), 100));
        }
    }
    EXPECT_EQ(Checked.size(), 1757);
    EXPECT_EQ(Matrix, 1647 - 14);

    // Free papers: the face table row by row.
    const TSheetTable& F = Faces();
    for (int Row = 0; Row < F.RowCount(); ++Row) {
        const QString Name = F.Cell(Row, QStringLiteral("PaperName"));
        const TPaperInfo* P = Paper(Name);
        if (!P && !S.Cell(Checked.value(Name), QStringLiteral("Checks")).isEmpty())
            continue;
        ASSERT_NE(qobject_cast<const TFreePaperInfo*>(P), nullptr) << Name.toStdString();
        const int i = F.Int(Row, QStringLiteral("FaceIndex"));
        ASSERT_LT(i, P->GetFaceCount());
        const int L = F.Int(Row, QStringLiteral("Left"));
        const int T = F.Int(Row, QStringLiteral("Top"));
        EXPECT_EQ(P->GetFaceRect(i), TRect(L, T, L + F.Int(Row, QStringLiteral("Width")),
                                           T + F.Int(Row, QStringLiteral("Height"))))
            << Name.toStdString() << " face " << i;
        EXPECT_EQ(Shape(P->GetFaceShape(i)), F.Cell(Row, QStringLiteral("FaceShape")));
        EXPECT_EQ(P->GetCutCenterSize(i).cy, F.Int(Row, QStringLiteral("CutCenterHeight"), 410));
    }
    // Our own papers come first; nothing else is in the library.
    EXPECT_EQ(Library->GetCount(), 1757 - 15 + 6);
}

TEST_F(SystemLibrary, EveryPaperPassesThePaperChecks) {
    const TPurposeList& Purposes = Library->PurposeList();
    ASSERT_GT(Library->GetCount(), 0);
    for (int i = 0; i < Library->GetCount(); ++i) {
        const TPaperInfo* P = Library->GetPaper(i);
        ASSERT_NE(P, nullptr) << i;
        SCOPED_TRACE(P->PaperName().toStdString());
        EXPECT_EQ(P->FindFaceOutside(), -1) << "a face outside the sheet";
        EXPECT_EQ(P->FindFaceOverlap(), -1) << "faces overlap";
        EXPECT_EQ(P->FindFaceShapeRefused(Purposes), -1) << "a shape its purpose refuses";
    }
}

TEST_F(SystemLibrary, TableSheetsThatFailACheckAreLeftOut) {
    // Each table paper is shipped exactly when it passes the checks; the table's Checks
    // column names the check a left-out paper fails.
    const TSheetTable& S = Sheets();
    QHash<QString, QString> Checks;
    for (int Row = 0; Row < S.RowCount(); ++Row)
        Checks.insert(S.Cell(Row, QStringLiteral("PaperName")),
                      S.Cell(Row, QStringLiteral("Checks")));
    int LeftOut = 0;
    for (const TSheetPaper& Built : BuildSheetPapers(S, Faces())) {
        const QString Name = Built.Paper->PaperName();
        SCOPED_TRACE(Name.toStdString());
        const QString Failure = PaperCheckFailure(*Built.Paper, Library->PurposeList());
        EXPECT_EQ(Failure, Checks.value(Name));
        EXPECT_EQ(Paper(Name) != nullptr, Failure.isEmpty());
        LeftOut += Failure.isEmpty() ? 0 : 1;
    }
    EXPECT_EQ(LeftOut, 15);
}

TEST_F(SystemLibrary, OwnJapanesePapers) {
    struct TCase {
        const char* Name;
        int Width, Height, Faces;
        TRect First;
        TFaceShape Shape;
    };
    const TCase Cases[] = {
        {"A4 普通紙", 2100, 2970, 1, {0, 0, 2100, 2970}, fsRect},
        {"B5 普通紙", 1820, 2570, 1, {0, 0, 1820, 2570}, fsRect},
        {"はがき", 1000, 1480, 1, {0, 0, 1000, 1480}, fsRect},
        {"L判写真", 890, 1270, 1, {0, 0, 890, 1270}, fsRect},
        {"名刺 A4 10面", 2100, 2970, 10, {140, 110, 1050, 660}, fsRect},
        {"CD/DVDラベル A4 2面", 2100, 2970, 2, {470, 215, 1630, 1375}, fsDoughnut},
    };
    for (const TCase& C : Cases) {
        const TPaperInfo* P = Paper(QString::fromUtf8(C.Name));
        ASSERT_NE(P, nullptr) << C.Name;
        EXPECT_EQ(P->Width(), C.Width) << C.Name;
        EXPECT_EQ(P->Height(), C.Height) << C.Name;
        EXPECT_EQ(P->GetFaceCount(), C.Faces) << C.Name;
        EXPECT_EQ(P->GetFaceRect(0), C.First) << C.Name;
        EXPECT_EQ(P->GetFaceShape(0), C.Shape) << C.Name;
        EXPECT_EQ(P->FindFaceOutside(), -1) << C.Name;
        EXPECT_EQ(P->FindFaceOverlap(), -1) << C.Name;
    }
    const TPaperInfo* Disc = Paper(QStringLiteral("CD/DVDラベル A4 2面"));
    EXPECT_EQ(Disc->GetCutCenterSize(1), (TSize{410, 410}));
    EXPECT_EQ(Disc->GetFacePurpose(1), QStringLiteral("CD"));
    EXPECT_EQ(Disc->GetFaceRect(1), TRect(470, 1595, 1630, 2755));
}

TEST_F(SystemLibrary, ListsAndRecords) {
    EXPECT_EQ(Library->GetUpdateInfo().PPRNo(), 1);
    EXPECT_TRUE(Library->CompanyList().contains(QStringLiteral("Hisago")));
    EXPECT_EQ(Library->GroupList().first(), QStringLiteral("定型"));
    QStringList Groups;
    Library->GetGroupNames(Groups);
    EXPECT_EQ(Groups, Library->GroupList());
    auto Info =
        Library->GetExtraInfo(QStringLiteral("ExtraInfos"), QStringLiteral("Hisago OP2501"));
    ASSERT_NE(Info, nullptr);
    EXPECT_EQ(qobject_cast<TExPaperInfo*>(Info.get())->Company(), QStringLiteral("Hisago"));
    EXPECT_EQ(Library->PurposeList().Count(), 5);
}

TEST_F(SystemLibrary, PassesAnIndependentCompoundFileCheck) {
    QByteArray Output;
    const int Code = RunProgram(
        QStringLiteral("/usr/bin/python3"),
        {QStringLiteral("-c"),
         QStringLiteral("import olefile,sys\n"
                        "f=olefile.OleFileIO(sys.argv[1])\n"
                        "n={}\n"
                        "for p in f.listdir(streams=True):\n"
                        "    d=f.openstream(p).read()\n"
                        "    k=p[0]+('' if d[:4]==b'TPF0' or p[0].endswith('List') else '!bad')\n"
                        "    n[k]=n.get(k,0)+1\n"
                        "print(sorted(n.items()))\n"),
         SystemPapers},
        &Output);
    ASSERT_EQ(Code, 0) << Output.toStdString();
    EXPECT_EQ(Output.trimmed(),
              QByteArray("[('CompanyList', 1), ('ExtraInfos', 1748), ('GroupList', 1), "
                         "('Papers', 1748), ('PurposeList', 1), ('UpdateInfo', 1)]"));
}

TEST(PaperGenerator, WritesTheSameLibraryAgain) {
    QTemporaryDir Dir;
    const QString Out = Dir.filePath(QStringLiteral("again.ppr"));
    QByteArray Output;
    ASSERT_EQ(RunProgram(QStringLiteral(VANTOMI_PAPERS_TOOL),
                         {Tables + QStringLiteral("/label-sheets.csv"),
                          Tables + QStringLiteral("/label-sheet-faces.csv"), Out},
                         &Output),
              0)
        << Output.toStdString();
    // The same papers in the same order (the files differ only in their time stamps).
    TPapersV2 Again(Out, false, true);
    TPapersV2 Built(SystemPapers, false, true);
    ASSERT_EQ(Again.GetCount(), Built.GetCount());
    for (int i = 0; i < Again.GetCount(); ++i) {
        ASSERT_EQ(Again.GetElementName(i), Built.GetElementName(i));
        ASSERT_EQ(StreamOf(*Again.GetPaper(i)), StreamOf(*Built.GetPaper(i))) << i;
    }
    EXPECT_EQ(QFileInfo(Out).permissions() &
                  (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther),
              QFile::Permissions());
    // A table that does not parse leaves no library behind.
    const QString Broken = Dir.filePath(QStringLiteral("broken.csv"));
    QFile F(Broken);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly));
    F.write("PaperName,PaperKind\n\"unclosed,matrix\n");
    F.close();
    const QString Out2 = Dir.filePath(QStringLiteral("none.ppr"));
    EXPECT_NE(RunProgram(QStringLiteral(VANTOMI_PAPERS_TOOL),
                         {Broken, Tables + QStringLiteral("/label-sheet-faces.csv"), Out2}),
              0);
    EXPECT_FALSE(QFileInfo::exists(Out2));
}
