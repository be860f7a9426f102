#include "UCompoundFile.h"

#include "TestSupport.h"
#include "UCompoundFileFormat.h"
#include "UException.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <stdexcept>

namespace {

const QString Python = QStringLiteral("/usr/bin/python3");

// Deterministic test content.
QByteArray Pattern(qsizetype Size, uint32_t Seed) {
    QByteArray b(Size, Qt::Uninitialized);
    uint32_t x = Seed;
    for (qsizetype i = 0; i < Size; ++i) {
        x = x * 1103515245u + 12345u;
        b[i] = static_cast<char>(x >> 24);
    }
    return b;
}

QByteArray ReadAll(TStream& S) {
    S.SetPosition(0);
    return S.ReadBytes(S.GetSize());
}

void WriteStream(TCFStorage& Storage, const QString& Name, const QByteArray& Content) {
    auto s = Storage.CreateStream(Name);
    s->WriteBytes(Content);
}

// Our view of a tree in the line format of tests/data/cfb/olelist.py.
void ListInto(const TCFStorage& Storage, const QString& Prefix, QStringList& Lines) {
    for (const TCFStat& e : Storage.EnumElements()) {
        const QString path = Prefix + e.Name;
        if (e.Type == STGTY_STORAGE) {
            Lines << QStringLiteral("storage ") + path;
            if (!e.Clsid.IsNull())
                Lines << QStringLiteral("clsid %1 %2").arg(path, e.Clsid.ToString().mid(1, 36));
            ListInto(*Storage.OpenStorage(e.Name), path + u'/', Lines);
        } else {
            const QByteArray data = ReadAll(*Storage.OpenStream(e.Name, false));
            EXPECT_EQ(static_cast<uint64_t>(data.size()), e.Size) << path.toStdString();
            Lines << QStringLiteral("stream %1 %2 %3")
                         .arg(path)
                         .arg(data.size())
                         .arg(QString::fromLatin1(
                             QCryptographicHash::hash(data, QCryptographicHash::Sha1).toHex()));
        }
    }
}

QString Listing(TCompoundFile& File) {
    QStringList lines;
    auto root = File.Root();
    if (!root->Stat().Clsid.IsNull())
        lines << QStringLiteral("clsid / ") + root->Stat().Clsid.ToString().mid(1, 36);
    ListInto(*root, QString(), lines);
    lines.sort();
    return lines.join(u'\n');
}

QString ListingOf(const QString& FileName) {
    return Listing(*TCompoundFile::Open(FileName, false));
}

QString SortedLines(const QByteArray& Text) {
    QStringList lines = QString::fromUtf8(Text).split(u'\n', Qt::SkipEmptyParts);
    lines.sort();
    return lines.join(u'\n');
}

bool HaveOlefile() {
    return RunProgram(Python, {"-c", "import olefile"}) == 0;
}

// The view of python3-olefile, or a failure naming its complaint.
QString OlefileListing(const QString& FileName) {
    QByteArray out;
    const int rc = RunProgram(Python, {TestDataPath("cfb/olelist.py"), FileName}, &out);
    EXPECT_EQ(rc, 0) << out.toStdString();
    return SortedLines(out);
}

// Opens a file and reads every element; raw damage may surface at either step.
void ReadEverything(const QString& FileName) {
    auto file = TCompoundFile::Open(FileName, false);
    Listing(*file);
}

uint32_t ErrorCodeOf(const std::function<void()>& Action) {
    try {
        Action();
    } catch (const EStorageError& e) {
        return e.ErrorCode;
    }
    return 0;
}

// Raw access to files our writer made (512-byte sectors) for inspection and damage.
struct TRawFile {
    QByteArray Bytes;

    uint32_t Get32(qsizetype Offset) const { return Get(Offset, 4); }
    uint32_t Get(qsizetype Offset, int Size) const {
        uint32_t v = 0;
        if (Offset >= 0 && Offset + Size <= Bytes.size())
            std::memcpy(&v, Bytes.constData() + Offset, Size);
        return qFromLittleEndian(v);
    }
    void Put32(qsizetype Offset, uint32_t Value) {
        ASSERT_LE(Offset + 4, Bytes.size());
        Value = qToLittleEndian(Value);
        std::memcpy(Bytes.data() + Offset, &Value, 4);
    }
    static qsizetype SectorOffset(uint32_t Sector) { return (qsizetype(Sector) + 1) * 512; }
    uint32_t Fat(uint32_t Sector) const {
        const uint32_t fatSector = Get32(0x4C + 4 * (Sector / 128));
        return Get32(SectorOffset(fatSector) + 4 * (Sector % 128));
    }
    qsizetype FatOffset(uint32_t Sector) const {
        return SectorOffset(Get32(0x4C + 4 * (Sector / 128))) + 4 * (Sector % 128);
    }
    // Offsets of the directory entries, following the directory chain.
    std::vector<qsizetype> Entries() const {
        std::vector<qsizetype> list;
        for (uint32_t s = Get32(0x30); s != ENDOFCHAIN; s = Fat(s))
            for (int i = 0; i < 4; ++i)
                list.push_back(SectorOffset(s) + 128 * i);
        return list;
    }
    QString Name(qsizetype Entry) const {
        const int chars = static_cast<int>(Get(Entry + 0x40, 2)) / 2 - 1;
        QString n;
        for (int i = 0; i < chars; ++i)
            n += QChar(static_cast<char16_t>(Get(Entry + 2 * i, 2)));
        return n;
    }
    qsizetype Entry(const QString& Name) const {
        for (qsizetype e : Entries())
            if (Bytes[e + 0x42] != 0 && this->Name(e) == Name)
                return e;
        ADD_FAILURE() << "no entry " << Name.toStdString();
        return 0;
    }
    uint32_t IndexOf(const QString& Name) const {
        const auto list = Entries();
        return static_cast<uint32_t>(std::find(list.begin(), list.end(), Entry(Name)) -
                                     list.begin());
    }
};

class CompoundFileTest : public ::testing::Test {
protected:
    QString Path(const QString& Name) const { return FDir.filePath(Name); }

    // A small file: root {A {S1 (100, mini), Big (5000)}, S2 (3000, mini)}.
    QString MakeSmallFile(const QString& Name = QStringLiteral("small.cfb")) const {
        auto file = TCompoundFile::Create(Path(Name));
        auto root = file->Root();
        auto a = root->CreateStorage("A");
        WriteStream(*a, "S1", Pattern(100, 1));
        WriteStream(*a, "Big", Pattern(5000, 2));
        WriteStream(*root, "S2", Pattern(3000, 3));
        file->Commit();
        return Path(Name);
    }

    QTemporaryDir FDir;
};

} // namespace

// ---------------------------------------------------------------------------------------

TEST(CompoundNames, DirectoryOrderIsLengthThenUpperCase) {
    struct TRow {
        const char16_t* A;
        const char16_t* B;
        int Sign;
    } rows[] = {
        {u"B", u"AA", -1},                                // shorter first, whatever the letters
        {u"abc", u"ABC", 0},                              // case is ignored
        {u"abc", u"ABD", -1},      {u"Zeta", u"alph", 1}, // same length: upper-case comparison
        {u"_", u"a", 1},           // upper-cased, 'a' is 'A' (0x41), before '_' (0x5F)
        {u"\u00e9", u"\u00c9", 0}, // é and É are one name
        {u"画像", u"画像", 0},
    };
    for (const TRow& r : rows) {
        const int got = CompareElementNames(QString::fromUtf16(r.A), QString::fromUtf16(r.B));
        EXPECT_EQ((got > 0) - (got < 0), r.Sign) << QString::fromUtf16(r.A).toStdString() << " vs "
                                                 << QString::fromUtf16(r.B).toStdString();
    }
}

TEST(CompoundNames, ValidNames) {
    const std::pair<QString, bool> rows[] = {
        {"Stream", true},
        {QString(31, u'x'), true},
        {QString(32, u'x'), false},
        {"", false},
        {"a/b", false},
        {"a\\b", false},
        {"a:b", false},
        {"a!b", false},
        {".", false},
        {"..", false},
        {"...", true},
        {".a", true},
        {QStringLiteral("\u0005SummaryInformation"), true},
        {QStringLiteral("写真データ"), true},
    };
    for (const auto& [name, valid] : rows)
        EXPECT_EQ(IsValidElementName(name), valid) << name.toStdString();
}

TEST_F(CompoundFileTest, RoundTripKeepsTreeContentOrderAndClassIds) {
    const TGUID clsid = MakeGUID("{0BEEF001-1234-5678-9ABC-DEF012345678}");
    {
        auto file = TCompoundFile::Create(Path("t.cfb"));
        auto root = file->Root();
        root->SetClass(clsid);
        for (const QString n : {"zz", "B", "a", "Ccc", "bb"})
            WriteStream(*root, n, Pattern(n.size() * 10, n.size()));
        auto sub = root->CreateStorage("Sub");
        sub->SetClass(clsid);
        sub->CreateStorage("Empty");
        WriteStream(*sub, "Zero", {});
        file->Commit();
    }
    auto file = TCompoundFile::Open(Path("t.cfb"), false);
    auto root = file->Root();
    QStringList order;
    for (const TCFStat& e : root->EnumElements())
        order << e.Name;
    EXPECT_EQ(order, (QStringList{"a", "B", "bb", "zz", "Ccc", "Sub"})) << "directory order";
    EXPECT_EQ(root->Stat().Clsid, clsid);
    EXPECT_EQ(root->Stat().Name, Path("t.cfb"));
    auto sub = root->OpenStorage("SUB"); // names ignore case
    EXPECT_EQ(sub->Stat().Clsid, clsid);
    EXPECT_EQ(sub->Stat().Name, "Sub");
    EXPECT_NE(sub->Stat().Created, 0u);
    EXPECT_EQ(sub->ElementType("empty"), STGTY_STORAGE);
    EXPECT_EQ(sub->OpenStream("Zero", false)->GetSize(), 0);
    EXPECT_EQ(ReadAll(*root->OpenStream("Ccc", false)), Pattern(30, 3));
    EXPECT_EQ(ErrorCodeOf([&] { root->OpenStream("Sub", false); }), STG_E_FILENOTFOUND);
    EXPECT_EQ(ErrorCodeOf([&] { root->OpenStorage("zz"); }), STG_E_FILENOTFOUND);
}

TEST_F(CompoundFileTest, OlefileReadsWhatWeWrite) {
    if (!HaveOlefile())
        GTEST_SKIP() << "/usr/bin/python3 with olefile is not available";
    {
        auto file = TCompoundFile::Create(Path("ole.cfb"));
        auto root = file->Root();
        root->SetClass(MakeGUID("{00020906-0000-0000-C000-000000000046}"));
        const int sizes[] = {0, 1, 63, 64, 65, 4095, 4096, 4097, 70000};
        for (int size : sizes)
            WriteStream(*root, QStringLiteral("S%1").arg(size), Pattern(size, size + 7));
        auto pictures = root->CreateStorage(QStringLiteral("写真"));
        pictures->SetClass(MakeGUID("{12345678-9ABC-DEF0-1122-334455667788}"));
        WriteStream(*pictures, QStringLiteral("画像1"), Pattern(12000, 99));
        auto deep = pictures->CreateStorage("Deep")->CreateStorage("Deeper");
        WriteStream(*deep, QStringLiteral("\u0001CompObj"), Pattern(300, 5));
        root->CreateStorage("EmptyFolder");
        file->Commit();
    }
    EXPECT_EQ(OlefileListing(Path("ole.cfb")), ListingOf(Path("ole.cfb")));
}

TEST_F(CompoundFileTest, LargeFilesUseTheDifatAndStayReadable) {
    // 9 MB of streams need more FAT sectors than the header's 109 slots can index.
    {
        auto file = TCompoundFile::Create(Path("large.cfb"));
        auto root = file->Root();
        WriteStream(*root, "Photo", Pattern(9 * 1024 * 1024, 1));
        WriteStream(*root, "Below", Pattern(4095, 2));
        WriteStream(*root, "Above", Pattern(4097, 3));
        auto many = root->CreateStorage("Many");
        for (int i = 0; i < 40; ++i)
            WriteStream(*many, QStringLiteral("N%1").arg(i), Pattern(i * 150, i));
        file->Commit();
    }
    TRawFile raw{ReadWholeFile(Path("large.cfb"))};
    EXPECT_GT(raw.Get32(0x2C), 109u) << "FAT sectors";
    EXPECT_GE(raw.Get32(0x48), 1u) << "DIFAT sectors";
    EXPECT_EQ(
        ReadAll(*TCompoundFile::Open(Path("large.cfb"), false)->Root()->OpenStream("Photo", false)),
        Pattern(9 * 1024 * 1024, 1));
    if (!HaveOlefile())
        GTEST_SKIP() << "/usr/bin/python3 with olefile is not available";
    EXPECT_EQ(OlefileListing(Path("large.cfb")), ListingOf(Path("large.cfb")));
}

TEST_F(CompoundFileTest, SiblingTreesAreOrderedRedBlackTrees) {
    const int counts[] = {1, 2, 3, 4, 7, 8, 15, 16, 33, 70};
    {
        auto file = TCompoundFile::Create(Path("rb.cfb"));
        auto root = file->Root();
        for (int count : counts) {
            auto s = root->CreateStorage(QStringLiteral("C%1").arg(count));
            for (int i = 0; i < count; ++i)
                s->CreateStorage(QString(1 + i % 5, QChar(u'a' + i % 26)) + QString::number(i));
        }
        file->Commit();
    }
    const TRawFile raw{ReadWholeFile(Path("rb.cfb"))};
    const std::vector<qsizetype> entries = raw.Entries();
    // Walks one sibling tree: answers its black height, appends names in order.
    std::function<int(uint32_t, bool, QStringList&)> check = [&](uint32_t Id, bool ParentRed,
                                                                 QStringList& Names) -> int {
        if (Id == NOSTREAM)
            return 1;
        const qsizetype e = entries.at(Id);
        const bool red = raw.Bytes[e + 0x43] == 0;
        EXPECT_FALSE(red && ParentRed) << "red node with a red parent";
        const int left = check(raw.Get32(e + 0x44), red, Names);
        Names << raw.Name(e);
        const int right = check(raw.Get32(e + 0x48), red, Names);
        EXPECT_EQ(left, right) << "black heights differ at " << raw.Name(e).toStdString();
        return left + (red ? 0 : 1);
    };
    for (int count : counts) {
        const qsizetype storage = raw.Entry(QStringLiteral("C%1").arg(count));
        const uint32_t top = raw.Get32(storage + 0x4C);
        EXPECT_EQ(raw.Bytes[entries.at(top) + 0x43], 1) << "the tree's root is black";
        QStringList names;
        check(top, false, names);
        ASSERT_EQ(names.size(), count);
        for (int i = 1; i < names.size(); ++i)
            EXPECT_LT(CompareElementNames(names[i - 1], names[i]), 0) << count << ": " << i;
    }
}

TEST(CompoundFileForeign, ReadsFilesOfIndependentWriters) {
    // npm-basic.cfb comes from the npm "cfb" package, v4-basic.cfb (4096-byte sectors) from a
    // hand-written script; both lists were computed from the content given to the writers.
    for (const char* name : {"npm-basic", "v4-basic"}) {
        const QString file = TestDataPath(QStringLiteral("cfb/%1.cfb").arg(name));
        EXPECT_EQ(ListingOf(file),
                  SortedLines(ReadTestData(QStringLiteral("cfb/%1.txt").arg(name))))
            << name;
    }
}

TEST_F(CompoundFileTest, OpeningReadsHeadersAndDirectoryOnly) {
    {
        auto file = TCompoundFile::Create(Path("lazy.cfb"));
        auto root = file->Root();
        WriteStream(*root, "Small", Pattern(200, 1));
        WriteStream(*root, "Big", Pattern(4 * 1024 * 1024, 2));
        file->Commit();
    }
    // Wreck the last FAT sector, which only the end of "Big" needs.
    TRawFile raw{ReadWholeFile(Path("lazy.cfb"))};
    const uint32_t fatCount = raw.Get32(0x2C);
    const qsizetype lastFat = TRawFile::SectorOffset(raw.Get32(0x4C + 4 * (fatCount - 1)));
    std::fill(raw.Bytes.begin() + lastFat, raw.Bytes.begin() + lastFat + 512, char(0x11));
    WriteFileAtomic(Path("lazy.cfb"), raw.Bytes);

    auto file = TCompoundFile::Open(Path("lazy.cfb"), false);
    auto root = file->Root();
    EXPECT_EQ(ReadAll(*root->OpenStream("Small", false)), Pattern(200, 1));
    auto big = root->OpenStream("Big", false);
    QByteArray head(1000, Qt::Uninitialized);
    big->ReadBuffer(head.data(), head.size());
    EXPECT_EQ(head, Pattern(4 * 1024 * 1024, 2).left(1000))
        << "the start of Big needs no later FAT";
    EXPECT_EQ(ErrorCodeOf([&] { ReadAll(*big); }), STG_E_DOCFILECORRUPT);
}

TEST_F(CompoundFileTest, ChangesCommitAndKeepUnchangedStreams) {
    const QString name = MakeSmallFile();
    {
        auto file = TCompoundFile::Open(name, true);
        EXPECT_FALSE(file->IsDirty());
        auto root = file->Root();
        auto a = root->OpenStorage("A");
        {
            auto s1 = a->OpenStream("S1", true);
            s1->Seek(0, soEnd);
            s1->WriteBytes("tail");
        }
        root->DestroyElement("S2");
        WriteStream(*root, "New", Pattern(8000, 4));
        EXPECT_TRUE(file->IsDirty());
        auto big = a->OpenStream("Big", false); // open across the commit
        file->Commit();
        EXPECT_FALSE(file->IsDirty());
        EXPECT_EQ(ReadAll(*big), Pattern(5000, 2)) << "read from the new file after the commit";
        // A second round of changes on the rebound tree.
        WriteStream(*a, "S1", "replaced");
        file->Commit();
    }
    auto file = TCompoundFile::Open(name, false);
    auto root = file->Root();
    auto a = root->OpenStorage("A");
    EXPECT_EQ(ReadAll(*a->OpenStream("S1", false)), "replaced");
    EXPECT_EQ(ReadAll(*a->OpenStream("Big", false)), Pattern(5000, 2));
    EXPECT_EQ(ReadAll(*root->OpenStream("New", false)), Pattern(8000, 4));
    EXPECT_EQ(root->ElementType("S2"), 0);
}

TEST_F(CompoundFileTest, InterruptedCommitLeavesThePreviousFileIntact) {
    const QString name = MakeSmallFile();
    const QByteArray before = ReadWholeFile(name);
    auto file = TCompoundFile::Open(name, true);
    {
        auto root = file->Root();
        root->DestroyElement("A");
        WriteStream(*root, "S2", Pattern(50000, 9));
    }
    EXPECT_THROW(file->Commit([] { throw std::runtime_error("power cut before the rename"); }),
                 std::runtime_error);
    EXPECT_EQ(ReadWholeFile(name), before);
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"small.cfb"});
    EXPECT_EQ(ListingOf(name).count(u'\n'), 3) << "the old tree is still readable";
    EXPECT_TRUE(file->IsDirty());
    file->Commit();
    EXPECT_EQ(ReadAll(*TCompoundFile::Open(name, false)->Root()->OpenStream("S2", false)),
              Pattern(50000, 9));
}

TEST_F(CompoundFileTest, OpenElementsCannotBeDestroyedMovedOrReplaced) {
    auto file = TCompoundFile::Open(MakeSmallFile(), true);
    auto root = file->Root();
    auto other = root->CreateStorage("Other");
    {
        auto a = root->OpenStorage("A");
        auto s1 = a->OpenStream("S1", true);
        EXPECT_EQ(ErrorCodeOf([&] { a->DestroyElement("S1"); }), STG_E_ACCESSDENIED);
        EXPECT_EQ(ErrorCodeOf([&] { a->CreateStream("S1"); }), STG_E_ACCESSDENIED);
        EXPECT_EQ(ErrorCodeOf([&] { a->RenameElement("S1", "S9"); }), STG_E_ACCESSDENIED);
        EXPECT_EQ(ErrorCodeOf([&] { a->MoveElementTo("S1", *other, "S1"); }), STG_E_ACCESSDENIED);
        EXPECT_EQ(ErrorCodeOf([&] { root->DestroyElement("A"); }), STG_E_ACCESSDENIED)
            << "a storage holding an open stream";
        a.reset();
        EXPECT_EQ(ErrorCodeOf([&] { root->DestroyElement("A"); }), STG_E_ACCESSDENIED)
            << "the stream alone keeps A in use";
        s1->WriteBytes("still attached");
    }
    EXPECT_EQ(ReadAll(*root->OpenStorage("A")->OpenStream("S1", false)).left(14), "still attached");
    root->DestroyElement("A");
    EXPECT_EQ(root->ElementType("A"), 0);
}

TEST_F(CompoundFileTest, MoveRenameAndCreateRules) {
    auto file = TCompoundFile::Open(MakeSmallFile(), true);
    auto root = file->Root();
    {
        auto a = root->OpenStorage("A");
        EXPECT_EQ(ErrorCodeOf([&] { root->MoveElementTo("A", *a, "X"); }), STG_E_ACCESSDENIED)
            << "into itself";
    }
    EXPECT_EQ(ErrorCodeOf([&] { root->MoveElementTo("S2", *root, "s2"); }), STG_E_ACCESSDENIED)
        << "onto itself";
    EXPECT_EQ(ErrorCodeOf([&] { root->MoveElementTo("S2", *root, "A"); }), STG_E_FILEALREADYEXISTS);
    EXPECT_EQ(ErrorCodeOf([&] { root->MoveElementTo("Nope", *root, "Z"); }), STG_E_FILENOTFOUND);
    EXPECT_EQ(ErrorCodeOf([&] { root->RenameElement("S2", "A"); }), STG_E_FILEALREADYEXISTS);
    EXPECT_EQ(ErrorCodeOf([&] { root->CreateStorage("S2"); }), STG_E_FILEALREADYEXISTS)
        << "a stream is never replaced by a storage";
    EXPECT_EQ(ErrorCodeOf([&] { root->CreateStream("A"); }), STG_E_FILEALREADYEXISTS)
        << "a storage is never replaced by a stream";
    EXPECT_EQ(ErrorCodeOf([&] { root->CreateStream("bad/name"); }), STG_E_INVALIDNAME);
    EXPECT_EQ(ErrorCodeOf([&] { root->DestroyElement("Nope"); }), STG_E_FILENOTFOUND);

    root->RenameElement("S2", "s2-renamed");
    {
        auto a = root->OpenStorage("A");
        root->MoveElementTo("s2-renamed", *a, "Moved");
        EXPECT_EQ(ReadAll(*a->OpenStream("moved", false)), Pattern(3000, 3));
    }
    root->CreateStorage("A", true); // replace: the new A is empty
    EXPECT_TRUE(root->OpenStorage("A")->EnumElements().empty());

    // Into another file: the element goes along with its content.
    auto other = TCompoundFile::Open(MakeSmallFile("other.cfb"), true);
    auto otherRoot = other->Root();
    otherRoot->MoveElementTo("A", *root, "FromOther");
    EXPECT_EQ(otherRoot->ElementType("A"), 0);
    EXPECT_EQ(ReadAll(*root->OpenStorage("FromOther")->OpenStream("Big", false)), Pattern(5000, 2));
}

TEST_F(CompoundFileTest, CopyToMergesLikeStructuredStorage) {
    auto source = TCompoundFile::Open(MakeSmallFile(), false);
    auto dest = TCompoundFile::Create(Path("dest.cfb"));
    const TGUID clsid = MakeGUID("{11111111-2222-3333-4444-555555555555}");
    {
        auto root = dest->Root();
        auto a = root->CreateStorage("A");
        WriteStream(*a, "S1", "old S1");
        WriteStream(*a, "Keep", "kept");
        WriteStream(*root, "Mine", "mine");
    }
    {
        auto srcRoot = source->Root();
        auto dstRoot = dest->Root();
        // Copying into a storage of another file; the source class id goes along.
        auto target = dest->Root();
        srcRoot->CopyTo(*target);
    }
    dest->Commit();
    auto check = TCompoundFile::Open(Path("dest.cfb"), false);
    auto root = check->Root();
    auto a = root->OpenStorage("A");
    EXPECT_EQ(ReadAll(*a->OpenStream("S1", false)), Pattern(100, 1)) << "streams are replaced";
    EXPECT_EQ(ReadAll(*a->OpenStream("Keep", false)), "kept") << "storages merge";
    EXPECT_EQ(ReadAll(*a->OpenStream("Big", false)), Pattern(5000, 2));
    EXPECT_EQ(ReadAll(*root->OpenStream("Mine", false)), "mine");
    EXPECT_EQ(ReadAll(*root->OpenStream("S2", false)), Pattern(3000, 3));

    // Within one file: never into itself or below itself.
    auto same = TCompoundFile::Open(MakeSmallFile("same.cfb"), true);
    auto sameRoot = same->Root();
    sameRoot->SetClass(clsid);
    auto sub = sameRoot->OpenStorage("A");
    EXPECT_EQ(ErrorCodeOf([&] { sameRoot->CopyTo(*sub); }), STG_E_ACCESSDENIED);
    EXPECT_EQ(ErrorCodeOf([&] { sameRoot->CopyTo(*sameRoot); }), STG_E_ACCESSDENIED);
    auto copy = sameRoot->CreateStorage("Copy");
    sub->CopyTo(*copy);
    EXPECT_EQ(ReadAll(*copy->OpenStream("S1", false)), Pattern(100, 1));
    {
        auto open = copy->OpenStream("S1", false);
        EXPECT_EQ(ErrorCodeOf([&] { sub->CopyTo(*copy); }), STG_E_ACCESSDENIED)
            << "an open element of the destination is not replaced";
    }
}

TEST_F(CompoundFileTest, ReadOnlyFilesAndStreamsRefuseChanges) {
    auto file = TCompoundFile::Open(MakeSmallFile(), false);
    auto root = file->Root();
    EXPECT_EQ(ErrorCodeOf([&] { root->CreateStream("X"); }), STG_E_ACCESSDENIED);
    EXPECT_EQ(ErrorCodeOf([&] { root->DestroyElement("S2"); }), STG_E_ACCESSDENIED);
    EXPECT_EQ(ErrorCodeOf([&] { root->OpenStream("S2", true); }), STG_E_ACCESSDENIED);
    EXPECT_EQ(ErrorCodeOf([&] { file->Commit(); }), STG_E_ACCESSDENIED);
    auto s2 = root->OpenStream("S2", false);
    EXPECT_EQ(ErrorCodeOf([&] { s2->WriteBytes("x"); }), STG_E_ACCESSDENIED);
    EXPECT_EQ(ErrorCodeOf([&] { s2->SetSize(0); }), STG_E_ACCESSDENIED);

    auto writable = TCompoundFile::Open(Path("small.cfb"), true);
    auto ro = writable->Root()->OpenStream("S2", false);
    EXPECT_EQ(ErrorCodeOf([&] { ro->WriteBytes("x"); }), STG_E_ACCESSDENIED)
        << "a stream opened for reading in a writable file";
    EXPECT_EQ(ErrorCodeOf([&] { TCompoundFile::Open(Path("missing.cfb"), false); }),
              STG_E_FILENOTFOUND);
    EXPECT_EQ(ErrorCodeOf([&] { TCompoundFile::Create(Path("no/folder/x.cfb")); }),
              STG_E_PATHNOTFOUND);
}

TEST_F(CompoundFileTest, StreamPositionsSizesAndGaps) {
    auto file = TCompoundFile::Create(Path("s.cfb"));
    auto s = file->Root()->CreateStream("S");
    s->Seek(10, soBeginning);
    s->WriteBytes("abc");
    EXPECT_EQ(s->GetSize(), 13);
    EXPECT_EQ(ReadAll(*s), QByteArray(10, '\0') + "abc") << "a gap reads as zeros";
    s->SetSize(5000);
    EXPECT_EQ(s->GetSize(), 5000);
    EXPECT_EQ(s->GetPosition(), 13) << "SetSize keeps the position";
    s->SetSize(2);
    char c[4];
    s->SetPosition(0);
    EXPECT_EQ(s->Read(c, 4), 2);
    s->SetPosition(100);
    EXPECT_EQ(s->Read(c, 4), 0);
    EXPECT_THROW(s->Seek(-1, soBeginning), EStorageError);
    EXPECT_EQ(s->Stat().Size, 2u);
}

// Every structure read from a file is untrusted. Each row damages a good file in one way;
// opening it and reading everything must raise the named error - no crash, no hang.
TEST_F(CompoundFileTest, DamagedFilesRaiseClearErrors) {
    const QByteArray good = ReadWholeFile(MakeSmallFile());
    const TRawFile base{good};
    const uint32_t bigStart = base.Get32(base.Entry("Big") + 0x74);
    const uint32_t s1Start = base.Get32(base.Entry("S1") + 0x74);
    const qsizetype miniFat = TRawFile::SectorOffset(base.Get32(0x3C));
    struct TRow {
        const char* What;
        std::function<void(TRawFile&)> Damage;
        uint32_t Code;
    };
    const TRow rows[] = {
        {"shorter than a header", [](TRawFile& f) { f.Bytes.truncate(100); }, STG_E_INVALIDHEADER},
        {"bad signature", [](TRawFile& f) { f.Bytes[0] = 0; }, STG_E_INVALIDHEADER},
        {"unknown version", [](TRawFile& f) { f.Bytes[0x1A] = 5; }, STG_E_INVALIDHEADER},
        {"version 4 with small sectors", [](TRawFile& f) { f.Bytes[0x1A] = 4; },
         STG_E_INVALIDHEADER},
        {"cut in the directory", [](TRawFile& f) { f.Bytes.truncate(1024 + 64); },
         STG_E_DOCFILECORRUPT},
        {"cut in the stream data", [](TRawFile& f) { f.Bytes.chop(1000); }, STG_E_DOCFILECORRUPT},
        {"FAT count beyond the file", [](TRawFile& f) { f.Put32(0x2C, 0x7FFFFFFF); },
         STG_E_DOCFILECORRUPT},
        {"no FAT", [](TRawFile& f) { f.Put32(0x2C, 0); }, STG_E_DOCFILECORRUPT},
        {"FAT sector out of range", [](TRawFile& f) { f.Put32(0x4C, 100000); },
         STG_E_DOCFILECORRUPT},
        {"directory out of range", [](TRawFile& f) { f.Put32(0x30, 99999); }, STG_E_DOCFILECORRUPT},
        {"FAT chain loops on itself",
         [&](TRawFile& f) { f.Put32(f.FatOffset(bigStart), bigStart); }, STG_E_DOCFILECORRUPT},
        {"FAT chain loops back", [&](TRawFile& f) { f.Put32(f.FatOffset(bigStart + 5), bigStart); },
         STG_E_DOCFILECORRUPT},
        {"chain runs into a free sector",
         [&](TRawFile& f) { f.Put32(f.FatOffset(bigStart), FREESECT); }, STG_E_DOCFILECORRUPT},
        {"chain shorter than the stream",
         [&](TRawFile& f) { f.Put32(f.FatOffset(bigStart), ENDOFCHAIN); }, STG_E_DOCFILECORRUPT},
        {"stream start beyond the file",
         [](TRawFile& f) { f.Put32(f.Entry("Big") + 0x74, 0x00FFFFFF); }, STG_E_DOCFILECORRUPT},
        {"huge stream size", [](TRawFile& f) { f.Put32(f.Entry("Big") + 0x78, 0xFFFFFFF0); },
         STG_E_DOCFILECORRUPT},
        {"huge mini stream", [](TRawFile& f) { f.Put32(f.Entry("Root Entry") + 0x78, 0x7FFFFFFF); },
         STG_E_DOCFILECORRUPT},
        {"mini chain loops", [&](TRawFile& f) { f.Put32(miniFat + 4 * s1Start, s1Start); },
         STG_E_DOCFILECORRUPT},
        {"mini sector beyond the mini stream",
         [&](TRawFile& f) { f.Put32(miniFat + 4 * s1Start, 5000); }, STG_E_DOCFILECORRUPT},
        {"no mini FAT", [](TRawFile& f) { f.Put32(0x3C, ENDOFCHAIN); }, STG_E_DOCFILECORRUPT},
        {"child index out of range", [](TRawFile& f) { f.Put32(f.Entry("A") + 0x4C, 5000); },
         STG_E_DOCFILECORRUPT},
        {"storage contains itself",
         [](TRawFile& f) { f.Put32(f.Entry("A") + 0x4C, f.IndexOf("A")); }, STG_E_DOCFILECORRUPT},
        {"sibling loop", [](TRawFile& f) { f.Put32(f.Entry("S1") + 0x44, f.IndexOf("Big")); },
         STG_E_DOCFILECORRUPT},
        {"child points at the root", [](TRawFile& f) { f.Put32(f.Entry("A") + 0x4C, 0); },
         STG_E_DOCFILECORRUPT},
        {"root is not a root", [](TRawFile& f) { f.Bytes[f.Entry("Root Entry") + 0x42] = 1; },
         STG_E_DOCFILECORRUPT},
        {"unknown element type", [](TRawFile& f) { f.Bytes[f.Entry("S1") + 0x42] = 3; },
         STG_E_DOCFILECORRUPT},
        {"name too long", [](TRawFile& f) { f.Bytes[f.Entry("S1") + 0x40] = 70; },
         STG_E_DOCFILECORRUPT},
        {"odd name length", [](TRawFile& f) { f.Bytes[f.Entry("S1") + 0x40] = 7; },
         STG_E_DOCFILECORRUPT},
        {"two elements of one name",
         [](TRawFile& f) {
             const qsizetype e = f.Entry("S2");
             f.Bytes[e] = 'a';
             f.Bytes[e + 2] = 0;
             f.Bytes[e + 0x40] = 4;
         },
         STG_E_DOCFILECORRUPT},
    };
    for (const TRow& row : rows) {
        TRawFile damaged{good};
        row.Damage(damaged);
        const QString name = Path("damaged.cfb");
        WriteFileAtomic(name, damaged.Bytes);
        EXPECT_EQ(ErrorCodeOf([&] { ReadEverything(name); }), row.Code) << row.What;
    }
}

TEST_F(CompoundFileTest, NestingDeeperThanTheLimitIsRefused) {
    // 300 storages side by side, then re-linked into one chain 300 deep.
    const int count = 300;
    {
        auto file = TCompoundFile::Create(Path("deep.cfb"));
        auto root = file->Root();
        for (int i = 0; i < count; ++i)
            root->CreateStorage(QStringLiteral("D%1").arg(i, 3, 10, QChar(u'0')));
        file->Commit();
    }
    TRawFile raw{ReadWholeFile(Path("deep.cfb"))};
    raw.Put32(raw.Entry("Root Entry") + 0x4C, raw.IndexOf("D000"));
    for (int i = 0; i < count; ++i) {
        const qsizetype e = raw.Entry(QStringLiteral("D%1").arg(i, 3, 10, QChar(u'0')));
        raw.Put32(e + 0x44, NOSTREAM);
        raw.Put32(e + 0x48, NOSTREAM);
        raw.Put32(e + 0x4C, i + 1 < count
                                ? raw.IndexOf(QStringLiteral("D%1").arg(i + 1, 3, 10, QChar(u'0')))
                                : NOSTREAM);
    }
    WriteFileAtomic(Path("deep.cfb"), raw.Bytes);
    EXPECT_EQ(ErrorCodeOf([&] { ReadEverything(Path("deep.cfb")); }), STG_E_DOCFILECORRUPT);
}

TEST_F(CompoundFileTest, DifatDamageInLargeFiles) {
    {
        auto file = TCompoundFile::Create(Path("difat.cfb"));
        WriteStream(*file->Root(), "Photo", Pattern(7 * 1024 * 1024, 1));
        file->Commit();
    }
    const QByteArray good = ReadWholeFile(Path("difat.cfb"));
    const std::pair<const char*, std::function<void(TRawFile&)>> rows[] = {
        {"DIFAT chain missing", [](TRawFile& f) { f.Put32(0x44, ENDOFCHAIN); }},
        {"DIFAT start out of range", [](TRawFile& f) { f.Put32(0x44, 0x0FFFFFFF); }},
        {"FAT sector listed twice",
         [](TRawFile& f) { f.Put32(TRawFile::SectorOffset(f.Get32(0x44)), f.Get32(0x4C)); }},
    };
    for (const auto& [what, damage] : rows) {
        TRawFile damaged{good};
        damage(damaged);
        WriteFileAtomic(Path("difat-bad.cfb"), damaged.Bytes);
        EXPECT_EQ(ErrorCodeOf([&] { ReadEverything(Path("difat-bad.cfb")); }), STG_E_DOCFILECORRUPT)
            << what;
    }
}

// Random damage and every truncation of a good file: only EStorageError may come out.
TEST_F(CompoundFileTest, RandomDamageNeverCrashes) {
    const QByteArray good = ReadWholeFile(MakeSmallFile());
    const QString name = Path("fuzz.cfb");
    const auto attempt = [&](const QByteArray& Bytes) {
        WriteFileAtomic(name, Bytes);
        try {
            ReadEverything(name);
        } catch (const EStorageError&) {
        }
    };
    for (qsizetype cut = 0; cut < good.size(); cut += 61)
        attempt(good.left(cut));
    std::mt19937 random(20240601);
    for (int round = 0; round < 400; ++round) {
        QByteArray bytes = good;
        const int flips = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < flips; ++i) {
            // Mostly the header, FAT and directory (the first 2 KB), sometimes anywhere.
            const qsizetype at = random() % 4 ? random() % 2048 : random() % bytes.size();
            bytes[at] = static_cast<char>(random());
        }
        attempt(bytes);
    }
}

// A sector in two chains, two streams on one start, or a name the writer would refuse is
// damage: the file is refused rather than one stream handing back another's bytes or a name
// being saved back that no caller could create.
TEST_F(CompoundFileTest, CrossLinkedChainsAndBadNamesAreDamage) {
    {
        auto file = TCompoundFile::Create(Path("two.cfb"));
        auto root = file->Root();
        WriteStream(*root, "R1", Pattern(5000, 1));
        WriteStream(*root, "R2", Pattern(5000, 2));
        WriteStream(*root, "S1", Pattern(100, 3));
        WriteStream(*root, "S2", Pattern(3000, 4));
        file->Commit();
    }
    const QByteArray good = ReadWholeFile(Path("two.cfb"));
    const TRawFile base{good};
    const auto start = [&](const char* Name) { return base.Get32(base.Entry(Name) + 0x74); };
    const auto lastOf = [&](uint32_t Sector) {
        while (base.Fat(Sector) != ENDOFCHAIN)
            Sector = base.Fat(Sector);
        return Sector;
    };
    const qsizetype miniFat = TRawFile::SectorOffset(base.Get32(0x3C));
    const auto miniNext = [&](uint32_t Sector) { return base.Get32(miniFat + 4 * Sector); };
    uint32_t s2Last = start("S2");
    while (miniNext(s2Last) != ENDOFCHAIN)
        s2Last = miniNext(s2Last);
    uint32_t r1NextToLast = start("R1");
    while (base.Fat(base.Fat(r1NextToLast)) != ENDOFCHAIN)
        r1NextToLast = base.Fat(r1NextToLast);
    const auto name = [](const char16_t* Text, int LengthField) {
        return [=](TRawFile& f) {
            const qsizetype e = f.Entry("S1");
            for (int i = 0; i < 32; ++i) {
                const char16_t c = i < int(std::char_traits<char16_t>::length(Text)) ? Text[i] : 0;
                f.Bytes[e + 2 * i] = char(c & 0xFF);
                f.Bytes[e + 2 * i + 1] = char(c >> 8);
            }
            f.Bytes[e + 0x40] = char(LengthField);
        };
    };
    struct TRow {
        const char* What;
        std::function<void(TRawFile&)> Damage;
    };
    const TRow rows[] = {
        {"a chain ends in another stream's last sector",
         [&](TRawFile& f) { f.Put32(f.FatOffset(r1NextToLast), lastOf(start("R2"))); }},
        {"a mini chain ends in another stream's last mini sector",
         [&](TRawFile& f) { f.Put32(miniFat + 4 * start("S1"), s2Last); }},
        {"two streams begin on one mini sector",
         [&](TRawFile& f) { f.Put32(f.Entry("S1") + 0x74, start("S2")); }},
        {"two streams begin on one sector",
         [&](TRawFile& f) { f.Put32(f.Entry("R1") + 0x74, start("R2")); }},
        {"name length without its terminator", name(u"S1", 4)},
        {"name length beyond the terminator", name(u"S1", 10)},
        {"no terminator in 32 characters", name(u"S1xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", 64)},
        {"slash in a name", name(u"S/", 6)},
        {"backslash in a name", name(u"S\\", 6)},
        {"colon in a name", name(u"S:", 6)},
        {"exclamation mark in a name", name(u"S!", 6)},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.What);
        TRawFile damaged{good};
        row.Damage(damaged);
        const QString file = Path("damaged.cfb");
        WriteFileAtomic(file, damaged.Bytes);
        EXPECT_EQ(ErrorCodeOf([&] { ReadEverything(file); }), STG_E_DOCFILECORRUPT);
    }
    EXPECT_EQ(ErrorCodeOf([&] { ReadEverything(Path("two.cfb")); }), 0u);
    // Reading a stream again after its chain was dropped is no cross-link.
    auto file = TCompoundFile::Open(Path("two.cfb"), false);
    for (int round = 0; round < 2; ++round) {
        auto s = file->Root()->OpenStream("R1", false);
        EXPECT_EQ(ReadAll(*s), Pattern(5000, 1));
    }
}
