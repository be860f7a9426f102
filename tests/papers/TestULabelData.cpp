// The label document: sheets, labels, the picture store, previews, saving and reading back,
// and the two readers of closed files.

#include "LabelDataTestSupport.h"
#include "TestSupport.h"
#include "UDocStorage.h"
#include "ULOJANCode.h"
#include "ULOQRCode.h"
#include "ULabelData.h"
#include "UPNGImage.h"
#include "UPaperLibrary.h"
#include "UPropStream.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <climits>
#include <gtest/gtest.h>

namespace {

std::unique_ptr<TMatrixPaperInfo> MakeMatrix(int CountX, int CountY, bool Landscape = false) {
    auto P = std::make_unique<TMatrixPaperInfo>();
    P->SetWidth(2100);
    P->SetHeight(2970);
    P->SetFaceCountX(CountX);
    P->SetFaceCountY(CountY);
    P->SetFaceWidth(900);
    P->SetFaceHeight(600);
    P->SetLeftOffset(100);
    P->SetTopOffset(100);
    P->SetRightMargin(50);
    P->SetBottomMargin(50);
    P->SetPaperName(QStringLiteral("Matrix%1x%2").arg(CountX).arg(CountY));
    P->SetLandscape(Landscape);
    return P;
}

// One maker per object kind the document must carry; a new kind is one more line.
using TMaker = std::function<std::unique_ptr<TDrawObject>(int Seed, const TPictureEx& Shared)>;

std::unique_ptr<TDrawObject> Placed(std::unique_ptr<TLORectBase> Object, int Seed) {
    Object->SetBoundsRect(TRect(10 + Seed * 7, 20 + Seed * 5, 260 + Seed * 7, 220 + Seed * 5));
    return Object;
}

const std::vector<std::pair<const char*, TMaker>>& Kinds() {
    static const std::vector<std::pair<const char*, TMaker>> List = {
        {"QR",
         [](int Seed, const TPictureEx&) {
             auto O = std::make_unique<TLOQRStd>();
             O->SetQRKind(sqkURL);
             O->SetQRUrl(QStringLiteral("https://example.jp/%1").arg(Seed));
             return Placed(std::move(O), Seed);
         }},
        {"JAN",
         [](int Seed, const TPictureEx&) {
             auto O = std::make_unique<TLOJANCode>();
             O->SetJANCode(Seed % 2 ? QStringLiteral("4901234567894") : QStringLiteral("49123456"));
             return Placed(std::move(O), Seed);
         }},
        {"Photo",
         [](int Seed, const TPictureEx& Shared) -> std::unique_ptr<TDrawObject> {
             auto O = MakePhoto(5 * Seed, 3 * Seed, Shared);
             O->Frame()->Mask()->Assign(MakePicture(16, 8, 0x102030u * Seed, true).get());
             return O;
         }},
        {"Date",
         [](int Seed, const TPictureEx&) {
             auto O = std::make_unique<TTestDate>();
             O->SetUpdateFlag(Seed % 4);
             O->SetDate(40000 + Seed);
             return Placed(std::move(O), Seed);
         }},
        {"Connected",
         [](int Seed, const TPictureEx&) {
             auto O = std::make_unique<TTestConnected>();
             O->SetConnectNo(1 + Seed % 2);
             O->SetColor(0x111111 * (Seed % 15));
             return Placed(std::move(O), Seed);
         }},
    };
    return List;
}

class LabelData : public ::testing::Test {
protected:
    void SetUp() override {
        PrepareLabelDataTests();
        ASSERT_TRUE(Dir.isValid());
    }
    void TearDown() override { PrepareLabelDataTests(); } // hooks a test replaced
    QString File(const QString& Name = QStringLiteral("doc.vtd")) const {
        return Dir.filePath(Name);
    }

    // Writes one object of every kind (seeded by Seed) to label Index of the current sheet.
    void FillLabel(TLabelData& Doc, int Index, int Seed, const TPictureEx& Shared) {
        TObjects Objects;
        for (const auto& [Name, Make] : Kinds())
            Objects.List.Add(Make(Seed, Shared).release());
        Doc.WriteLabel(Index, Objects.List);
    }

    // The objects of label Index read back, as comparable bytes, in read order.
    static std::vector<QByteArray> LabelBytes(TLabelData& Doc, int Index, bool WithPictures) {
        TObjects Objects;
        Doc.ReadLabel(Index, Objects.List, WithPictures);
        std::vector<QByteArray> Out;
        for (TDrawObject* O : Objects.List) {
            if (auto* Date = qobject_cast<TTestDate*>(O); Date && Date->UpdateFlag())
                Date->SetDate(0); // refreshed on every read
            Out.push_back(ObjectBytes(*O));
            if (auto* Photo = qobject_cast<TTestPhoto*>(O))
                Out.push_back(PicturePixels(*Photo->Picture()) +
                              PicturePixels(*Photo->Frame()->Mask()));
        }
        return Out;
    }

    QTemporaryDir Dir;
};

// The document built for the round trip: three sheets of different papers, every kind on
// several labels, one picture shared by labels of two sheets.
void BuildThreeSheets(TLabelData& Doc, const TPictureEx& Shared,
                      const std::function<void(TLabelData&, int, int)>& Fill) {
    Doc.SetDataName(QStringLiteral("年賀状"));
    Fill(Doc, 0, 1);
    Doc.NewSheet();
    Doc.SetPaperInfo(MakeMatrix(2, 3).get());
    for (int i = 0; i < 6; i += 2)
        Fill(Doc, i, 2 + i);
    Doc.NewSheet();
    auto Cd = MakeMatrix(1, 2, true);
    Cd->SetFaceShape(fsDoughnut);
    Doc.SetPaperInfo(Cd.get());
    Doc.SetMonth(4);
    Fill(Doc, 1, 9);
}

} // namespace

TEST_F(LabelData, NewDocumentHasOneSheetOnTheDefaultPaper) {
    TLabelData Doc;
    EXPECT_EQ(Doc.SheetCount(), 1);
    EXPECT_EQ(Doc.CurrentSheetNo(), 0);
    EXPECT_EQ(Doc.SheetName(), QStringLiteral("新規カレンダー1"));
    ASSERT_NE(Doc.PaperInfo(), nullptr);
    EXPECT_EQ(Doc.PaperInfo()->PaperName(), CreateDefaultPaper()->PaperName());
    EXPECT_FALSE(Doc.Modified());
    EXPECT_TRUE(Doc.SeparatelyDesign());
    EXPECT_EQ(Doc.Grid()->Size(), 50);
    EXPECT_EQ(Doc.Year(), 2005);
    EXPECT_FALSE(Doc.HasLabelData(0));
}

TEST_F(LabelData, SheetNamesAreUniqueAndPercentSignsStandForThemselves) {
    TLabelData Doc;
    Doc.NewSheet();
    Doc.NewSheet();
    EXPECT_EQ(Doc.SheetNames(),
              QStringList({QStringLiteral("新規カレンダー1"), QStringLiteral("新規カレンダー2"),
                           QStringLiteral("新規カレンダー3")}));
    Doc.SetSheet(1);
    Doc.SetSheetName(QStringLiteral("別"));
    Doc.NewSheet(); // the gap at 2 is filled
    EXPECT_EQ(Doc.SheetName(), QStringLiteral("新規カレンダー2"));

    struct TCase {
        QString Name;
        QString First;
        QString Second;
    };
    const TCase Cases[] = {
        {QStringLiteral("50%off"), QStringLiteral("50%offのコピー1"),
         QStringLiteral("50%offのコピー2")},
        {QStringLiteral("%d%s%%"), QStringLiteral("%d%s%%のコピー1"),
         QStringLiteral("%d%s%%のコピー2")},
        {QStringLiteral("春"), QStringLiteral("春のコピー1"), QStringLiteral("春のコピー2")},
    };
    for (const TCase& C : Cases) {
        Doc.SetSheet(0);
        Doc.SetSheetName(C.Name);
        Doc.DuplicateSheet();
        EXPECT_EQ(Doc.SheetName(), C.First) << C.Name.toStdString();
        Doc.SetSheet(0);
        Doc.DuplicateSheet();
        EXPECT_EQ(Doc.SheetName(), C.Second) << C.Name.toStdString();
        EXPECT_EQ(Doc.CurrentSheetNo(), Doc.SheetCount() - 1);
    }
}

TEST_F(LabelData, NewSheetsAreNamedAfterThePapersKind) {
    struct TCase {
        const char* Group;
        const char* First;
        const char* Second;
    };
    const TCase Cases[] = {
        {"CD/DVDラベル", "新規CD/DVDラベル1", "新規CD/DVDラベル2"},
        {"名刺", "新規名刺1", "新規名刺2"},
        {"100%紙", "新規100%紙1", "新規100%紙2"},
        {"定型", "新規カレンダー1", "新規カレンダー2"},
        {"", "新規カレンダー1", "新規カレンダー2"},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Group);
        TLabelData Doc;
        auto Paper = MakeMatrix(1, 2);
        Paper->SetGroupName(QString::fromUtf8(C.Group));
        // A new document on this paper: its first sheet is named after the paper's kind.
        Doc.SetPaperInfo(Paper.get());
        EXPECT_EQ(Doc.SheetName(), QString::fromUtf8(C.First));
        Doc.NewSheet();
        EXPECT_EQ(Doc.SheetName(), QString::fromUtf8(C.Second));
    }
    // A name the user gave stays when the paper changes.
    TLabelData Doc;
    Doc.SetSheetName(QStringLiteral("表紙"));
    auto Card = MakeMatrix(2, 5);
    Card->SetGroupName(QStringLiteral("名刺"));
    Doc.SetPaperInfo(Card.get());
    EXPECT_EQ(Doc.SheetName(), QStringLiteral("表紙"));
}

TEST_F(LabelData, ObjectsInTheBleedStayWhereTheyAre) {
    // Face coordinates start at the cut line: the bleed lies at negative coordinates and
    // objects there are read back unmoved; only objects beyond the bleed are pulled in.
    TLabelData Doc;
    auto Paper = MakeMatrix(1, 1);
    Paper->SetFaceMargin(50);
    Doc.SetPaperInfo(Paper.get());
    const TRect Face = Doc.PaperInfo()->GetFaceRect(0);
    const int W = Face.Width(), H = Face.Height();
    struct TCase {
        TRect Stored, Read;
    };
    const TCase Cases[] = {
        {{-45, 100, -5, 140}, {-45, 100, -5, 140}},                       // left bleed
        {{100, -45, 160, -5}, {100, -45, 160, -5}},                       // top bleed
        {{W + 5, H + 5, W + 45, H + 45}, {W + 5, H + 5, W + 45, H + 45}}, // bottom right
        {{-300, 100, -200, 140}, {-90, 100, 10, 140}}, // beyond: centre pulled in
    };
    TObjects Objects;
    for (const TCase& C : Cases)
        Objects.Add(std::make_unique<TTestBox>())->SetBoundsRect(C.Stored);
    Doc.WriteLabel(0, Objects.List);
    TObjects Back;
    Doc.ReadLabel(0, Back.List, false);
    ASSERT_EQ(Back.List.Count(), 4);
    for (int i = 0; i < 4; ++i) // read topmost first
        EXPECT_EQ(Back.List[3 - i]->GetBoundsRect(), Cases[i].Read) << i;
}

TEST_F(LabelData, DeletingAndMovingSheets) {
    TLabelData Doc;
    const auto Photo = MakePicture(8, 8, 0x203040);
    FillLabel(Doc, 0, 1, *Photo);
    EXPECT_THROW(Doc.DeleteSheet(0), ELabelDataError) << "the last sheet stays";
    EXPECT_EQ(Doc.SheetCount(), 1);
    EXPECT_TRUE(Doc.HasLabelData(0));

    Doc.NewSheet();
    Doc.NewSheet();
    Doc.SetModified(false);
    Doc.SetSheet(0);
    EXPECT_FALSE(Doc.Modified()) << "changing the sheet is no edit";
    Doc.MoveSheet(2);
    EXPECT_EQ(Doc.CurrentSheetNo(), 2);
    EXPECT_TRUE(Doc.HasLabelData(0)) << "the moved sheet keeps its labels";
    EXPECT_EQ(Doc.SheetNames().last(), QStringLiteral("新規カレンダー1"));
    Doc.DeleteSheet(2);
    EXPECT_EQ(Doc.CurrentSheetNo(), 1);
    EXPECT_EQ(Doc.SheetCount(), 2);
    EXPECT_TRUE(Doc.Modified());
    EXPECT_THROW(Doc.SetSheet(2), EListError);
    EXPECT_THROW(Doc.DeleteSheet(-1), EListError);
}

TEST_F(LabelData, SettingTheSheetsOwnPaperKeepsItWhole) {
    TLabelData Doc;
    auto Paper = MakeMatrix(1, 1);
    Paper->PurposeList()->SetDefault();
    Paper->SetCutCenterWidth(300);
    Paper->SetCutCenterHeight(300);
    Doc.SetPaperInfo(Paper.get());
    Doc.SetPaperInfo(Doc.PaperInfo()); // its own paper
    auto* Now = qobject_cast<TMatrixPaperInfo*>(Doc.PaperInfo());
    ASSERT_NE(Now, nullptr);
    EXPECT_EQ(Now->PurposeList()->Count(), Paper->PurposeList()->Count());
    EXPECT_EQ(Now->CutCenterWidth(), 300);
    EXPECT_EQ(Now->CutCenterHeight(), 300);
    EXPECT_EQ(Now->PaperName(), Paper->PaperName());
    Doc.SetPaperInfo(nullptr);
    EXPECT_NE(Doc.PaperInfo(), nullptr) << "a document always has a paper";
}

TEST_F(LabelData, ThreeSheetsSurviveSaveReopenSaveStreamForStream) {
    const auto Shared = MakePicture(64, 48, 0x336699);
    const auto Fill = [&](TLabelData& Doc, int Index, int Seed) {
        FillLabel(Doc, Index, Seed, *Shared);
    };
    std::map<std::pair<int, int>, std::vector<QByteArray>> Before;
    {
        TLabelData Doc;
        BuildThreeSheets(Doc, *Shared, Fill);
        // One picture shared by a label of sheet 0 and one of sheet 2: the object is read
        // back with its picture and written to the other label.
        Doc.SetSheet(0);
        TObjects Copy;
        Doc.ReadLabel(0, Copy.List, true);
        Doc.SetSheet(2);
        Doc.WriteLabel(0, Copy.List);
        for (int S = 0; S < 3; ++S) {
            Doc.SetSheet(S);
            for (int L = 0; L < Doc.PaperInfo()->GetFaceCount(); ++L)
                Before[{S, L}] = LabelBytes(Doc, L, true);
        }
        Doc.SetSheet(1);
        Doc.SaveToFile(File(QStringLiteral("a.vtd")));
        EXPECT_FALSE(Doc.Modified());
    }
    TLabelData Doc;
    Doc.LoadFromFile(File(QStringLiteral("a.vtd")));
    EXPECT_EQ(Doc.SheetCount(), 3);
    EXPECT_EQ(Doc.CurrentSheetNo(), 1);
    EXPECT_EQ(Doc.DataName(), QStringLiteral("年賀状"));
    EXPECT_EQ(Doc.SheetNames(),
              QStringList({QStringLiteral("新規カレンダー1"), QStringLiteral("新規カレンダー2"),
                           QStringLiteral("新規カレンダー3")}));
    int Labels = 0;
    for (const auto& [Key, Bytes] : Before) {
        Doc.SetSheet(Key.first);
        EXPECT_EQ(LabelBytes(Doc, Key.second, true), Bytes)
            << "sheet " << Key.first << " label " << Key.second;
        Labels += !Bytes.empty();
    }
    EXPECT_EQ(Labels, 6);
    Doc.SetSheet(2);
    EXPECT_EQ(Doc.Month(), 4);
    EXPECT_TRUE(Doc.PaperInfo()->Landscape());
    Doc.SetSheet(1);
    Doc.SaveToFile(File(QStringLiteral("b.vtd")));

    auto A = ReadAllStreams(File(QStringLiteral("a.vtd")));
    auto B = ReadAllStreams(File(QStringLiteral("b.vtd")));
    ASSERT_TRUE(A.count(QStringLiteral("DataInfo")));
    A.erase(QStringLiteral("DataInfo")); // holds the time of the save
    B.erase(QStringLiteral("DataInfo"));
    EXPECT_EQ(A.size(), B.size());
    for (const auto& [Path, Bytes] : A)
        EXPECT_TRUE(B.count(Path) && B.at(Path) == Bytes) << Path.toStdString();
    int PictureStores = 0;
    for (const auto& [Path, Bytes] : A)
        PictureStores += Path.startsWith(u"Pictures/") && Path.endsWith(u"/Original");
    // Labels 0 of sheet 0 and 2 share their pictures: photos of 6 labels, 2 pictures each
    // (the shared picture and the seeded mask), one label's pictures shared.
    EXPECT_EQ(PictureStores, 2 * 5) << "shared pictures are stored once";
}

TEST_F(LabelData, SavedFilePassesIndependentChecks) {
    const auto Shared = MakePicture(40, 30, 0x123456);
    {
        TLabelData Doc;
        BuildThreeSheets(Doc, *Shared,
                         [&](TLabelData& D, int I, int S) { FillLabel(D, I, S, *Shared); });
        Doc.SaveToFile(File());
    }
    if (RunProgram(QStringLiteral("/usr/bin/python3"), {"-c", "import olefile"}) != 0)
        GTEST_SKIP() << "/usr/bin/python3 with olefile is not available";
    // The compound-file check the storage layer is held to: olefile raising on every defect
    // it finds, and listing the same streams with the same contents as our reader.
    QByteArray Listing;
    ASSERT_EQ(RunProgram(QStringLiteral("/usr/bin/python3"),
                         {TestDataPath(QStringLiteral("cfb/olelist.py")), File()}, &Listing),
              0)
        << Listing.toStdString();
    int Streams = 0;
    for (const auto& [Path, Bytes] : ReadAllStreams(File())) {
        ++Streams;
        EXPECT_TRUE(
            Listing.contains(QStringLiteral("stream %1 %2 ").arg(Path).arg(Bytes.size()).toUtf8()))
            << Path.toStdString();
    }
    EXPECT_EQ(Listing.count("stream "), Streams);

    // Every component stream, by an independent decoder: the resource header (0xFF, type 10,
    // the upper-case name, flags 0x1030, the size of the rest) around a "TPF0" stream, label
    // streams first taken out of the compressed container.
    const char* Script = R"PY(
import olefile, struct, sys, zlib
f = olefile.OleFileIO(sys.argv[1], raise_defects=olefile.DEFECT_INCORRECT)
count = 0
for e in f.listdir(streams=True):
    name = e[-1]
    data = f.openstream(e).read()
    if e[0] == 'Pictures' or name.startswith('Preview') or name in ('NextID',) or (name == 'NameList'):
        continue
    expect = {'DataInfo': 'DATAINFO', 'Info': 'INFO', 'PaperInfo': 'PAPERINFO',
              'PaperExtraInfo': 'PAPEREXTRAINFO', 'PaperImageInfo': 'PAPERIMAGEINFO'}.get(name)
    if name.startswith('NameList'):
        if not data:
            continue
        expect = 'LABELDATA'
        if data[:13] == b'ZLIBCompress\x1a':
            size = struct.unpack('<i', data[13:17])[0]
            data = zlib.decompress(data[17:])
            assert len(data) == size, e
    assert expect, e
    assert data[0] == 0xFF and struct.unpack('<H', data[1:3])[0] == 10, e
    end = data.index(b'\0', 3)
    assert data[3:end].decode('ascii') == expect, (e, data[3:end])
    flags, size = struct.unpack('<Hi', data[end + 1:end + 7])
    assert flags == 0x1030 and size == len(data) - end - 7, e
    assert data[end + 7:end + 11] == b'TPF0', e
    count += 1
print(count)
)PY";
    QByteArray Out;
    ASSERT_EQ(RunProgram(QStringLiteral("/usr/bin/python3"), {"-c", Script, File()}, &Out), 0)
        << Out.toStdString();
    // DataInfo, 3 x (Info, PaperInfo), 5 labels.
    EXPECT_EQ(Out.trimmed().toInt(), 1 + 3 * 2 + 5) << Out.toStdString();
}

TEST_F(LabelData, DatesTakeTheDocumentsTimesByTheirUpdateFlag) {
    TLabelData Doc;
    TObjects Objects;
    for (int Flag = 0; Flag < 4; ++Flag) {
        auto Date = std::make_unique<TTestDate>();
        Date->SetUpdateFlag(Flag);
        Date->SetDate(1000 + Flag);
        Objects.Add(std::move(Date));
    }
    Doc.WriteLabel(0, Objects.List);
    Doc.SetLastPrint(45000.5);
    Doc.SaveToFile(File());
    const TDateTime Saved = Doc.LastSave();
    EXPECT_GT(double(Saved), 45000.0) << "saving sets the time of the last save";

    TLabelData Read;
    Read.LoadFromFile(File());
    EXPECT_DOUBLE_EQ(Read.LastSave(), Saved);
    EXPECT_DOUBLE_EQ(Read.LastPrint(), 45000.5);
    TObjects Back;
    Read.ReadLabel(0, Back.List, false);
    ASSERT_EQ(Back.List.Count(), 4);
    const double Expected[] = {1000, Read.OpenTime(), 45000.5, Saved};
    for (TDrawObject* O : Back.List) {
        auto* Date = qobject_cast<TTestDate*>(O);
        ASSERT_NE(Date, nullptr);
        EXPECT_DOUBLE_EQ(Date->Date(), Expected[Date->UpdateFlag()]) << Date->UpdateFlag();
    }
    int Sheet = -1, Label = -1;
    TLabelData::ReadCurrentSheetNo(File(), Sheet, Label);
    EXPECT_EQ(Sheet, 0);
    EXPECT_EQ(Label, 0);
}

TEST_F(LabelData, LabelStreamsKeepOrderBackgroundsAndSharedDesigns) {
    TLabelData Doc;
    Doc.SetPaperInfo(MakeMatrix(2, 2).get());
    {
        // A blank background alone is an empty label.
        TObjects Blank;
        Blank.Add(std::make_unique<TTestBackground>())->SetBlank(true);
        Doc.WriteLabel(0, Blank.List);
        EXPECT_FALSE(Doc.HasLabelData(0));
        TObjects Back;
        Doc.ReadLabel(0, Back.List, true);
        EXPECT_TRUE(Back.List.IsEmpty());
    }
    {
        // Objects arrive last first; a blank background among others is left out; a
        // background that shows something is fitted to the face.
        TObjects Objects;
        Objects.Add(std::make_unique<TTestBackground>())->SetBlank(true);
        auto* Shown = Objects.Add(std::make_unique<TTestBackground>());
        Shown->SetBoundsRect(TRect(5, 5, 50, 50));
        auto* Box = Objects.Add(std::make_unique<TTestBox>());
        Box->SetBoundsRect(TRect(100, 100, 200, 200));
        Doc.WriteLabel(3, Objects.List);
        TObjects Back;
        Doc.ReadLabel(3, Back.List, true);
        ASSERT_EQ(Back.List.Count(), 2);
        EXPECT_TRUE(qobject_cast<TTestBox*>(Back.List[0]) &&
                    !qobject_cast<TTestBackground*>(Back.List[0]));
        auto* Fitted = qobject_cast<TTestBackground*>(Back.List[1]);
        ASSERT_NE(Fitted, nullptr);
        EXPECT_EQ(Fitted->GetRect(), TRect(0, 0, 900, 600));
    }
    {
        // Without separate designs every label is entry 0.
        Doc.SetSeparatelyDesign(false);
        TObjects Objects;
        Objects.Add(std::make_unique<TTestBox>())->SetColor(0x00AA00);
        Doc.WriteLabel(2, Objects.List);
        for (int i = 0; i < 4; ++i)
            EXPECT_TRUE(Doc.HasLabelData(i)) << i;
        Doc.SetSeparatelyDesign(true);
        EXPECT_TRUE(Doc.HasLabelData(0));
        EXPECT_FALSE(Doc.HasLabelData(1));
        EXPECT_FALSE(Doc.HasLabelData(2));
    }
    // Fewer faces drop the labels beyond them.
    Doc.SetPaperInfo(MakeMatrix(1, 1).get());
    Doc.SetPaperInfo(MakeMatrix(2, 2).get());
    EXPECT_TRUE(Doc.HasLabelData(0));
    EXPECT_FALSE(Doc.HasLabelData(3));
}

TEST_F(LabelData, PurgedPictureComesBackWithUndo) {
    const auto Picture = MakePicture(50, 40, 0x884422);
    TLabelData Doc;
    TObjects Objects;
    TTestPhoto* Photo = Objects.Add(MakePhoto(0, 0, *Picture));
    Doc.WriteLabel(0, Objects.List);
    Doc.SaveToFile(File());
    const QString Id = Photo->Picture()->StorageID();
    ASSERT_FALSE(Id.isEmpty());

    // The object is deleted (an undo step keeps it) and the document saved: its picture
    // storage is purged.
    Doc.WriteLabel(0, TDOList());
    Doc.SaveToFile(File());
    EXPECT_FALSE(ReadAllStreams(File()).count(QStringLiteral("Pictures/%1/Original").arg(Id)));

    // Undo brings the object back unchanged; saving writes its picture again.
    Doc.WriteLabel(0, Objects.List);
    Doc.SaveToFile(File());
    TLabelData Read;
    Read.LoadFromFile(File());
    TObjects Back;
    Read.ReadLabel(0, Back.List, true);
    ASSERT_EQ(Back.List.Count(), 1);
    EXPECT_EQ(PicturePixels(*qobject_cast<TTestPhoto*>(Back.List[0])->Picture()),
              PicturePixels(*Picture));
}

TEST_F(LabelData, PictureIdentifiersAreStableAndNewToEachDocument) {
    const auto Picture = MakePicture(20, 20, 0x010203);
    TLabelData Doc;
    TObjects Objects;
    TTestPhoto* Photo = Objects.Add(MakePhoto(0, 0, *Picture));
    Doc.WriteLabel(0, Objects.List);
    Doc.SaveToFile(File());
    const auto First = ReadAllStreams(File());
    const QString Id = Photo->Picture()->StorageID();
    Doc.WriteLabel(0, Objects.List); // no edit of the picture
    Doc.SaveToFile(File());
    EXPECT_EQ(Photo->Picture()->StorageID(), Id);
    auto Second = ReadAllStreams(File());
    EXPECT_EQ(Second.at(QStringLiteral("Pictures/%1/Original").arg(Id)),
              First.at(QStringLiteral("Pictures/%1/Original").arg(Id)));
    EXPECT_EQ(Second.at(QStringLiteral("Pictures/NextID")),
              First.at(QStringLiteral("Pictures/NextID")));

    // The same object in another document is a picture new to it.
    TLabelData Other;
    Other.NewSheet();
    Other.SetPaperInfo(MakeMatrix(2, 1).get());
    FillLabel(Other, 0, 3, *Picture); // hands out ids 0 and 1
    Other.WriteLabel(1, Objects.List);
    EXPECT_EQ(Photo->Picture()->StorageID(), QStringLiteral("2"));
    // An unloaded label keeps its picture through a save of the other document.
    Other.SaveToFile(File(QStringLiteral("other.vtd")));
    TLabelData Read;
    Read.LoadFromFile(File(QStringLiteral("other.vtd")));
    TObjects Unloaded;
    Read.ReadLabel(1, Unloaded.List, false);
    Read.WriteLabel(1, Unloaded.List);
    Read.SaveToFile(File(QStringLiteral("other.vtd")));
    TObjects Back;
    Read.ReadLabel(1, Back.List, true);
    ASSERT_EQ(Back.List.Count(), 1);
    EXPECT_EQ(PicturePixels(*qobject_cast<TTestPhoto*>(Back.List[0])->Picture()),
              PicturePixels(*Picture));
}

TEST_F(LabelData, PreviewsAreSmallPngsReadableFromClosedFiles) {
    TLabelData Doc;
    Doc.SetPaperInfo(MakeMatrix(2, 1).get());
    TObjects Objects;
    Objects.Add(std::make_unique<TTestBox>())->SetBoundsRect(TRect(0, 0, 900, 300));
    Doc.WriteLabel(1, Objects.List);
    EXPECT_FALSE(Doc.HasPreview(1));
    TPictureEx Preview;
    EXPECT_FALSE(Doc.ReadPreview(0, Preview)) << "an empty label has no preview";
    ASSERT_TRUE(Doc.ReadPreview(1, Preview));
    EXPECT_TRUE(Doc.HasPreview(1));
    ASSERT_NE(qobject_cast<TPNGImage*>(Preview.Graphic()), nullptr);
    EXPECT_LE(Preview.Width(), 200);
    EXPECT_LE(Preview.Height(), 200);
    EXPECT_EQ(Preview.Width(), 200) << "a 900 x 600 face fills the width";

    // Writing the label drops its preview; saving makes the missing ones.
    Doc.WriteLabel(1, Objects.List);
    EXPECT_FALSE(Doc.HasPreview(1));
    Doc.SaveToFile(File());
    EXPECT_TRUE(Doc.HasPreview(1));
    EXPECT_TRUE(Doc.IsLabelCompressed(1)) << "saving compresses label streams";

    TPictureEx Closed;
    EXPECT_TRUE(TLabelData::LoadPreviewFromFile(Closed, File(), 1, 0));
    EXPECT_EQ(PicturePixels(Closed), PicturePixels(Preview));
    EXPECT_FALSE(TLabelData::LoadPreviewFromFile(Closed, File(), 0, 0));
    EXPECT_FALSE(TLabelData::LoadPreviewFromFile(Closed, File(), 1, 1));
    EXPECT_FALSE(TLabelData::LoadPreviewFromFile(Closed, File(), 5, 0));

    // Dropping the previews of every sheet (the schedule changed): each is made again when
    // it is next read; the current sheet stays.
    Doc.AddSheet(QStringLiteral("二枚目%d"));
    Doc.WriteLabel(1, Objects.List);
    ASSERT_TRUE(Doc.ReadPreview(1, Preview));
    Doc.SetSheet(0);
    ASSERT_TRUE(Doc.HasPreview(1));
    Doc.DeletePreviews();
    EXPECT_EQ(Doc.CurrentSheetNo(), 0);
    EXPECT_FALSE(Doc.HasPreview(1));
    Doc.SetSheet(1);
    EXPECT_FALSE(Doc.HasPreview(1));
    Doc.SetSheet(0);
    ASSERT_TRUE(Doc.ReadPreview(1, Preview));
    EXPECT_TRUE(Doc.HasPreview(1));

    // A custom renderer replaces the standard one.
    int Calls = 0;
    Doc.OnMakePreview = [&](TGraphic& Graphic, const TFaceInfo&, TDOList& List) {
        ++Calls;
        EXPECT_EQ(List.Count(), 1);
        auto& Png = dynamic_cast<TPNGImage&>(Graphic);
        QImage Image(10, 10, QImage::Format_RGB32);
        Image.fill(Qt::green);
        Png.SetImage(Image);
    };
    Doc.MakePreview(1);
    ASSERT_TRUE(Doc.ReadPreview(1, Preview));
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(Preview.Width(), 10);
}

TEST_F(LabelData, ConnectedObjectsTakeTheStyleOnEveryOtherSheet) {
    TLabelData Doc;
    const auto Connected = [](int No, int Color, int Month) {
        auto C = std::make_unique<TTestConnected>();
        C->SetConnectNo(No);
        C->SetColor(Color);
        C->SetMonth(Month);
        return C;
    };
    Doc.SetPaperInfo(MakeMatrix(2, 1).get());
    for (int Sheet = 0; Sheet < 3; ++Sheet) {
        if (Sheet)
            Doc.NewSheet();
        for (int Label = 0; Label < 2; ++Label) {
            TObjects Objects;
            Objects.Add(Connected(1, 0x10, Sheet + 1));
            Objects.Add(Connected(0, 0x20, Sheet + 1));
            Objects.Add(Connected(2, 0x30, Sheet + 1));
            Doc.WriteLabel(Label, Objects.List);
        }
    }
    Doc.SetSheet(1);
    TObjects Model;
    Model.Add(Connected(2, 0xABCDEF, 12));
    Model.Add(Connected(1, 0x123456, 12));
    Doc.ApplyConnected(Model.List);
    EXPECT_EQ(Doc.CurrentSheetNo(), 1);
    for (int Sheet = 0; Sheet < 3; ++Sheet) {
        Doc.SetSheet(Sheet);
        for (int Label = 0; Label < 2; ++Label) {
            TObjects Back;
            Doc.ReadLabel(Label, Back.List, false);
            ASSERT_EQ(Back.List.Count(), 3);
            std::map<int, int> Colors;
            for (TDrawObject* O : Back.List) {
                auto* C = qobject_cast<TTestConnected*>(O);
                Colors[C->ConnectNo()] = C->Color();
                EXPECT_EQ(C->Month(), Sheet + 1) << "the month stays";
            }
            const bool Other = Sheet != 1;
            EXPECT_EQ(Colors[1], Other ? 0x123456 : 0x10) << Sheet << "/" << Label;
            EXPECT_EQ(Colors[2], Other ? 0xABCDEF : 0x30) << Sheet << "/" << Label;
            EXPECT_EQ(Colors[0], 0x20);
        }
    }

    // A failure on the way leaves the current sheet as it was.
    TLabelDataHooks Failing = LabelDataHooks();
    Failing.AssignConnectedStyle = [](TDrawObject&, TDrawObject&) {
        throw Exception(QStringLiteral("style failure"));
    };
    SetLabelDataHooks(Failing);
    Doc.SetSheet(2);
    EXPECT_THROW(Doc.ApplyConnected(Model.List), Exception);
    EXPECT_EQ(Doc.CurrentSheetNo(), 2);
}

TEST_F(LabelData, FailedLoadAndSaveLeaveEverythingAsItWas) {
    TLabelData Doc;
    const auto Picture = MakePicture(10, 10, 0x445566);
    FillLabel(Doc, 0, 1, *Picture);
    Doc.SaveToFile(File());
    const QByteArray Saved = FileBytes(File());

    WriteFileBytes(File(QStringLiteral("junk.vtd")), QByteArray(5000, 'x'));
    Doc.SetDataName(QStringLiteral("開いたまま"));
    EXPECT_THROW(Doc.LoadFromFile(File(QStringLiteral("junk.vtd"))), Exception);
    EXPECT_THROW(Doc.LoadFromFile(File(QStringLiteral("missing.vtd"))), Exception);
    EXPECT_EQ(Doc.DataName(), QStringLiteral("開いたまま"));
    EXPECT_TRUE(Doc.HasLabelData(0));

    // A target folder that does not exist: the save fails and nothing changes.
    EXPECT_THROW(Doc.SaveToFile(Dir.filePath(QStringLiteral("no/such/doc.vtd"))), Exception);
    EXPECT_EQ(FileBytes(File()), Saved);
    Doc.SaveToFile(File());
    TLabelData Read;
    Read.LoadFromFile(File());
    EXPECT_EQ(Read.DataName(), QStringLiteral("開いたまま"));
}

TEST_F(LabelData, AssignCopiesTheWholeDocument) {
    const auto Picture = MakePicture(12, 12, 0x998877);
    TLabelData Source;
    Source.NewSheet();
    FillLabel(Source, 0, 4, *Picture);
    Source.SetSheetName(QStringLiteral("写し元"));
    TLabelData Copy;
    Copy.Assign(&Source);
    EXPECT_EQ(Copy.SheetCount(), 2);
    Copy.SetSheet(1);
    EXPECT_EQ(Copy.SheetName(), QStringLiteral("写し元"));
    Source.SetSheet(1);
    EXPECT_EQ(LabelBytes(Copy, 0, true), LabelBytes(Source, 0, true));
}

TEST_F(LabelData, StoredDocumentStillReads) {
    // A document saved by this program: the format must keep reading.
    const QString Stored = TestDataPath(QStringLiteral("labeldata/two-sheets.vtd"));
    const QByteArray Before = FileBytes(Stored);
    {
        TLabelData Doc;
        Doc.LoadFromFile(Stored);
        EXPECT_EQ(Doc.DataName(), QStringLiteral("種"));
        EXPECT_EQ(Doc.SheetCount(), 2);
        EXPECT_EQ(Doc.CurrentSheetNo(), 1);
        EXPECT_EQ(Doc.PaperInfo()->GetFaceCount(), 2);
        for (int Label = 0; Label < 2; ++Label) {
            TObjects Objects;
            Doc.ReadLabel(Label, Objects.List, true);
            ASSERT_EQ(Objects.List.Count(), 2);
            auto* Jan = qobject_cast<TLOJANCode*>(Objects.List[0]);
            auto* Qr = qobject_cast<TLOQRStd*>(Objects.List[1]);
            ASSERT_TRUE(Jan && Qr) << "objects arrive last written first";
            EXPECT_EQ(Jan->JANCode(), QStringLiteral("4901234567894"));
            EXPECT_EQ(Qr->QRUrl(), QStringLiteral("https://example.jp/"));
            EXPECT_TRUE(Doc.IsLabelCompressed(Label));
            EXPECT_TRUE(Doc.HasPreview(Label));
        }
        Doc.SetSheet(0);
        EXPECT_EQ(Doc.PaperInfo()->GetFaceCount(), 1);
        EXPECT_TRUE(Doc.HasLabelData(0));
        Doc.SaveToFile(File()); // saving elsewhere leaves the opened file alone
    }
    TPictureEx Preview;
    EXPECT_TRUE(TLabelData::LoadPreviewFromFile(Preview, Stored, 1, 1));
    EXPECT_GT(Preview.Width(), 0);
    int Sheet = -1, Label = -1;
    TLabelData::ReadCurrentSheetNo(Stored, Sheet, Label);
    EXPECT_EQ(Sheet, 1);
    EXPECT_EQ(FileBytes(Stored), Before);
}

TEST_F(LabelData, LabelsOutsideThePaperAreRefusedAndHugePapersVisitOnlyStoredLabels) {
    TLabelData Doc;
    Doc.SetPaperInfo(MakeMatrix(2, 1).get());
    TObjects Objects;
    Objects.Add(std::make_unique<TTestBox>())->SetBoundsRect(TRect(0, 0, 100, 100));
    EXPECT_THROW(Doc.WriteLabel(2, Objects.List), EListError);
    EXPECT_THROW(Doc.WriteLabel(-1, Objects.List), EListError);
    EXPECT_THROW(Doc.MakePreview(7), EListError);
    Doc.WriteLabel(1, Objects.List);

    // A paper (as a damaged document may carry) that claims ten billion faces: saving
    // and applying styles visit only the labels that are stored (a visit of every face
    // would not end within the test's time limit; bench/WorstCaseInputBench times it).
    Doc.SetPaperInfo(MakeMatrix(100000, 100000).get()); // more than an int can count
    EXPECT_EQ(Doc.PaperInfo()->GetFaceCount(), INT_MAX);
    EXPECT_TRUE(Doc.HasLabelData(1));
    Doc.NewSheet();
    int Previews = 0;
    Doc.OnMakePreview = [&Previews](TGraphic& Graphic, const TFaceInfo&, TDOList&) {
        ++Previews;
        QImage Image(4, 4, QImage::Format_RGB32);
        Image.fill(Qt::blue);
        dynamic_cast<TPNGImage&>(Graphic).SetImage(Image);
    };
    Doc.ApplyConnected(Objects.List);
    Doc.ChangePaper(Doc.PaperInfo());
    Doc.SaveToFile(File());
    EXPECT_EQ(Previews, 1) << "the one stored label gets its preview, no other face";
    // Read back, the paper is beyond what a paper may hold: the document is refused as a
    // whole, in plain words, instead of laying out ten billion faces.
    TLabelData Read;
    try {
        Read.LoadFromFile(File());
        for (int Sheet = 0; Sheet < Read.SheetCount(); ++Sheet) {
            Read.SetSheet(Sheet);
            Read.PaperInfo()->GetFaceCount();
        }
        ADD_FAILURE() << "a paper of ten billion faces was read";
    } catch (const ENotLabelData& E) {
        EXPECT_TRUE(E.Message.contains(QFileInfo(File()).fileName())) << E.what();
    }
}
