#include "UDocStorage.h"

#include "TestSupport.h"
#include "UCodePage.h"
#include "UPathUtil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <stdexcept>

namespace {

QByteArray Pattern(qsizetype Size, uint32_t Seed) {
    QByteArray b(Size, Qt::Uninitialized);
    uint32_t x = Seed;
    for (qsizetype i = 0; i < Size; ++i) {
        x = x * 1103515245u + 12345u;
        b[i] = static_cast<char>(x >> 24);
    }
    return b;
}

void Put(TDocStorage& Storage, const QString& Path, const QByteArray& Content) {
    TDocStream s(Storage, Path, smCreate);
    s.WriteBytes(Content);
}

QByteArray Get(TDocStorage& Storage, const QString& Path) {
    TDocStream s(Storage, Path, 0);
    return s.ReadBytes(s.GetSize());
}

uint32_t ErrorCodeOf(const std::function<void()>& Action) {
    try {
        Action();
    } catch (const EStorageError& e) {
        return e.ErrorCode;
    }
    return 0;
}

QStringList Listed(const std::function<void(TStringList&)>& List) {
    TStringList l;
    List(l);
    return l.Lines();
}

class DocStorageTest : public ::testing::Test {
protected:
    QString Path(const QString& Name) const { return FDir.filePath(Name); }
    QTemporaryDir FDir;
};

} // namespace

TEST(DocStorageModes, MapStorageMode) {
    const std::pair<unsigned, uint32_t> rows[] = {
        {smCreate, 0x1012}, {0x00, 0x10}, {0x01, 0x11}, {0x02, 0x12}, {0x10, 0x10},
        {0x12, 0x12},       {0x20, 0x20}, {0x30, 0x30}, {0x40, 0x40}, {0x42, 0x42},
    };
    for (const auto& [code, mode] : rows)
        EXPECT_EQ(MapStorageMode(code), mode) << std::hex << code;
    for (unsigned bad : {0x03u, 0x50u, 0xF2u, 0xFF00u, 0x100u})
        EXPECT_EQ(ErrorCodeOf([&] { MapStorageMode(bad); }), STG_E_INVALIDFLAG) << std::hex << bad;
}

TEST_F(DocStorageTest, CreatingAStreamCreatesItsFoldersAndReplacesOnlyTheStream) {
    TTemporaryStorage root;
    Put(root, "A\\B\\S", "first");
    Put(root, "A\\B\\Other", "kept");
    EXPECT_TRUE(root.StorageExists("A"));
    EXPECT_TRUE(root.StorageExists("A\\B"));
    EXPECT_EQ(Get(root, "A\\B\\S"), "first");
    {
        TDocStream again(root, "a\\b\\s", smCreate);
        EXPECT_EQ(again.GetSize(), 0) << "an existing stream is replaced by an empty one";
    }
    EXPECT_EQ(Get(root, "A\\B\\Other"), "kept") << "A and B are not re-created";
    EXPECT_EQ(Listed([&](TStringList& l) { TDocStorage(root, "A\\B", false).ListStreams(l); }),
              (QStringList{"s", "Other"}))
        << "the replacing stream takes the name as given";
}

TEST_F(DocStorageTest, ExistenceAndDeletion) {
    TTemporaryStorage root;
    Put(root, "A\\S", "x");
    EXPECT_TRUE(root.StreamExists("A\\S"));
    EXPECT_FALSE(root.StreamExists("A\\Missing"));
    EXPECT_FALSE(root.StreamExists("Missing\\S")) << "folder missing";
    EXPECT_FALSE(root.StreamExists("A")) << "a storage is not a stream";
    EXPECT_FALSE(root.StorageExists("A\\S")) << "a stream is not a storage";
    EXPECT_FALSE(root.StorageExists("A\\X\\Y"));
    EXPECT_FALSE(root.DeleteElement("A\\Missing"));
    EXPECT_FALSE(root.DeleteElement("Missing\\S"));
    EXPECT_TRUE(root.DeleteElement("A\\S"));
    EXPECT_FALSE(root.StreamExists("A\\S"));
    EXPECT_EQ(ErrorCodeOf([&] { TDocStorage(root, "Nope", false); }), STG_E_FILENOTFOUND);
    EXPECT_EQ(ErrorCodeOf([&] { TDocStream(root, "A\\Nope", 0); }), STG_E_FILENOTFOUND);
}

TEST_F(DocStorageTest, PathsResolveAgainstTheParentAndKeepTheirBackslashes) {
    TTemporaryStorage root;
    TDocStorage ab(root, "A\\B", true);
    EXPECT_EQ(ab.Name(), "A\\B");
    EXPECT_EQ(ab.GetName(), "B");
    TDocStorage ac(ab, "..\\C", true);
    EXPECT_EQ(ac.Name(), "A\\C");
    TDocStorage x(ab, "\\X", true);
    EXPECT_EQ(x.Name(), "X");
    EXPECT_THROW(TDocStorage(ab, "..\\..\\..", false), EPathUtil);
    // A storage opened with other case shares the open storages and finds the same one.
    TDocStorage same(root, "a\\b\\Deeper", true);
    EXPECT_TRUE(ab.StorageExists("Deeper"));
    EXPECT_EQ(Listed([&](TStringList& l) { root.ListStorages(l); }), (QStringList{"A", "X"}));
    Put(root, "A\\Stream", "s");
    EXPECT_EQ(ErrorCodeOf([&] { TDocStorage(root, "A\\Stream\\Sub", true); }),
              STG_E_FILEALREADYEXISTS)
        << "a stream in the way is never replaced by a storage";
    EXPECT_EQ(Get(root, "A\\Stream"), "s");
}

TEST_F(DocStorageTest, OpenElementsAreNeitherDeletedNorMoved) {
    TTemporaryStorage root;
    Put(root, "A\\S", "x");
    {
        TDocStorage a(root, "A", false);
        EXPECT_EQ(ErrorCodeOf([&] { root.DeleteElement("A"); }), STG_E_ACCESSDENIED);
        EXPECT_EQ(ErrorCodeOf([&] { root.MoveElement("A", "B"); }), STG_E_ACCESSDENIED);
        TDocStream s(root, "A\\S", 2);
        EXPECT_EQ(ErrorCodeOf([&] { a.DeleteElement("S"); }), STG_E_ACCESSDENIED);
    }
    root.MoveElement("A\\S", "T");
    EXPECT_EQ(Get(root, "T"), "x");
    EXPECT_TRUE(root.DeleteElement("A"));
    EXPECT_EQ(ErrorCodeOf([&] { root.MoveElement("T", "NoFolder\\T"); }), STG_E_FILENOTFOUND);
}

TEST_F(DocStorageTest, StreamsReadWriteSeekAndSetSize) {
    TTemporaryStorage root;
    TDocStream s(root, "S", smCreate);
    EXPECT_EQ(s.Write("abc", 0), 0);
    EXPECT_EQ(s.Write("abcdef", 6), 6);
    EXPECT_EQ(s.Seek(-2, soEnd), 4);
    char buf[8];
    EXPECT_EQ(s.Read(buf, -1), 0);
    EXPECT_EQ(s.Read(buf, 8), 2);
    EXPECT_EQ(QByteArray(buf, 2), "ef");
    s.SetSize(3);
    EXPECT_EQ(s.GetPosition(), 3) << "SetSize moves to the new size";
    EXPECT_EQ(s.GetSize(), 3);
    const int64_t big = int64_t(5) << 32;
    EXPECT_EQ(s.Seek(big, soBeginning), big) << "64-bit positions";
    TDocStream reader(root, "S", 0);
    EXPECT_EQ(ErrorCodeOf([&] { reader.WriteBytes("x"); }), STG_E_ACCESSDENIED);
}

// Elements are read whole up to a bound: a stream above it is refused before anything is
// allocated for it, one at the bound reads in full.
TEST_F(DocStorageTest, WholeStreamsAreReadUpToTheirBound) {
    TTemporaryStorage root;
    const QByteArray content = Pattern(1000, 7);
    Put(root, "Folder\\S", content);
    EXPECT_EQ(ReadWholeStream(root, "Folder\\S", 1000), content);
    EXPECT_EQ(ReadWholeStream(root, "Folder\\S"), content) << "the default bound";
    EXPECT_THROW(ReadWholeStream(root, "Folder\\S", 999), EReadError);
    Put(root, "Empty", QByteArray());
    EXPECT_EQ(ReadWholeStream(root, "Empty", 0), QByteArray());
    EXPECT_NE(ErrorCodeOf([&] { ReadWholeStream(root, "Missing", 10); }), 0u);
}

TEST_F(DocStorageTest, FileStorageCreatesOpensAndCommits) {
    const QString name = Path("doc.vtd");
    {
        TFileStorage file(name, smCreate);
        EXPECT_EQ(file.Mode(), 0x12u);
        EXPECT_TRUE(file.IsWritable());
        EXPECT_EQ(file.GetFileName(), name);
        EXPECT_EQ(file.GetName(), name);
        Put(file, "Pages\\Page0", Pattern(6000, 1));
    } // committed when freed
    {
        TFileStorage file(name, 0);
        EXPECT_FALSE(file.IsWritable());
        EXPECT_EQ(Get(file, "Pages\\Page0"), Pattern(6000, 1));
        EXPECT_EQ(ErrorCodeOf([&] { Put(file, "X", "x"); }), STG_E_ACCESSDENIED);
        EXPECT_FALSE(file.GetModified());
    }
    {
        TFileStorage file(name, 1); // write-only opens read-write
        EXPECT_EQ(file.Mode(), 0x12u);
        Put(file, "Pages\\Page1", "second");
        file.Commit();
        EXPECT_TRUE(file.GetModified()) << "changed since it was opened";
    }
    TFileStorage file(name, 0x40);
    EXPECT_EQ(Get(file, "Pages\\Page1"), "second");
    EXPECT_EQ(ErrorCodeOf([&] { TFileStorage(Path("missing.vtd"), 0); }), STG_E_FILENOTFOUND);
    WriteFileAtomic(Path("text.txt"), "not a compound file");
    EXPECT_EQ(ErrorCodeOf([&] { TFileStorage(Path("text.txt"), 0); }), STG_E_INVALIDHEADER);
}

TEST_F(DocStorageTest, ModifiedTracksChangesSinceTheSnapshot) {
    TTemporaryStorage root;
    EXPECT_FALSE(root.GetModified());
    Put(root, "S", "x");
    EXPECT_TRUE(root.GetModified());
    root.SetModified(false);
    EXPECT_FALSE(root.GetModified());
    {
        TDocStream s(root, "S", 0);
        char c;
        s.Read(&c, 1);
    }
    EXPECT_FALSE(root.GetModified()) << "reading changes nothing";
    root.SetModified(true);
    EXPECT_TRUE(root.GetModified());
    root.SaveToFile(Path("saved.vtd"));
    EXPECT_FALSE(root.GetModified());
    TDocStorage(root, "Folder", true);
    EXPECT_TRUE(root.GetModified());
    root.LoadFromFile(Path("saved.vtd"));
    EXPECT_FALSE(root.GetModified());
    EXPECT_FALSE(root.StorageExists("Folder"));
}

TEST_F(DocStorageTest, TemporaryStorageWorkingCopyLifecycle) {
    QString firstTemp;
    {
        TFileStorage doc(Path("doc.vtd"), smCreate);
        Put(doc, "Body", Pattern(9000, 3));
        Put(doc, QStringLiteral("画像\\写真1"), Pattern(300, 4));
    }
    {
        TTemporaryStorage work;
        firstTemp = work.TempFileName();
        EXPECT_TRUE(QFileInfo(firstTemp).fileName().startsWith("mtf"));
        EXPECT_TRUE(QFile::exists(firstTemp));
        EXPECT_EQ(work.GetFileName(), firstTemp);
        work.LoadFromFile(Path("doc.vtd"));
        EXPECT_FALSE(QFile::exists(firstTemp)) << "the previous working file is released";
        EXPECT_EQ(Get(work, QStringLiteral("画像\\写真1")), Pattern(300, 4));
        Put(work, "Body", "edited");
        work.SaveToFile(Path("doc.vtd"));
        firstTemp = work.TempFileName();
        EXPECT_TRUE(QFile::exists(firstTemp));

        {
            TDocStorage open(work, QStringLiteral("画像"), false);
            EXPECT_EQ(ErrorCodeOf([&] { work.Clear(); }), STG_E_ACCESSDENIED);
            EXPECT_EQ(ErrorCodeOf([&] { work.LoadFromFile(Path("doc.vtd")); }), STG_E_ACCESSDENIED);
        }
        WriteFileAtomic(Path("junk.vtd"), "junk");
        EXPECT_EQ(ErrorCodeOf([&] { work.LoadFromFile(Path("junk.vtd")); }), STG_E_INVALIDHEADER);
        EXPECT_EQ(Get(work, "Body"), "edited") << "a failed load keeps the working copy";
        work.Clear();
        EXPECT_FALSE(work.StreamExists("Body"));
    }
    EXPECT_FALSE(QFile::exists(firstTemp)) << "the temporary file disappears with the storage";
    TFileStorage doc(Path("doc.vtd"), 0);
    EXPECT_EQ(Get(doc, "Body"), "edited");
    EXPECT_EQ(Get(doc, QStringLiteral("画像\\写真1")), Pattern(300, 4));
}

TEST_F(DocStorageTest, FailedSaveLeavesTheTargetIntact) {
    // A document whose large stream lost its last sectors: the directory still reads, so the
    // load succeeds, but the save cannot read the stream's content.
    {
        TFileStorage doc(Path("broken.vtd"), smCreate);
        Put(doc, "Small", "s");
        Put(doc, "Big", Pattern(20000, 5));
    }
    QByteArray bytes = ReadWholeFile(Path("broken.vtd"));
    bytes.chop(1000);
    WriteFileAtomic(Path("broken.vtd"), bytes);
    {
        TFileStorage target(Path("target.vtd"), smCreate);
        Put(target, "Old", "previous document");
    }
    const QByteArray before = ReadWholeFile(Path("target.vtd"));
    TTemporaryStorage work;
    work.LoadFromFile(Path("broken.vtd"));
    EXPECT_EQ(ErrorCodeOf([&] { work.SaveToFile(Path("target.vtd")); }), STG_E_DOCFILECORRUPT);
    EXPECT_EQ(ReadWholeFile(Path("target.vtd")), before);
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"broken.vtd", "target.vtd"}));
    EXPECT_EQ(Get(work, "Small"), "s") << "the working copy stays usable";
}

TEST_F(DocStorageTest, FreeingTheRootRevertsWhatIsStillOpen) {
    auto root = std::make_unique<TTemporaryStorage>();
    auto folder = std::make_unique<TDocStorage>(*root, "F", true);
    auto stream = std::make_unique<TDocStream>(*root, "F\\S", smCreate);
    root.reset();
    EXPECT_EQ(folder->Root(), nullptr);
    EXPECT_EQ(folder->GetFileName(), "");
    EXPECT_FALSE(folder->IsWritable());
    EXPECT_EQ(ErrorCodeOf([&] { folder->Storage(); }), STG_E_REVERTED);
    EXPECT_EQ(ErrorCodeOf([&] { stream->WriteBytes("lost"); }), STG_E_REVERTED);
    EXPECT_EQ(ErrorCodeOf([&] { TDocStorage(*folder, "G", true); }), STG_E_REVERTED);
}

TEST_F(DocStorageTest, CopyToMergesIntoAnotherRoot) {
    TTemporaryStorage a, b;
    Put(a, "P\\One", "1");
    Put(a, "P\\Two", "2");
    Put(b, "P\\Two", "old");
    Put(b, "P\\Three", "3");
    TDocStorage source(a, "P", false);
    TDocStorage dest(b, "P", false);
    source.CopyTo(dest);
    EXPECT_EQ(Get(b, "P\\One"), "1");
    EXPECT_EQ(Get(b, "P\\Two"), "2");
    EXPECT_EQ(Get(b, "P\\Three"), "3");
}

// ---------------------------------------------------------------------------------------
// Name lists

TEST_F(DocStorageTest, NameListContinuesFromItsStoredCounter) {
    TTemporaryStorage root;
    {
        QByteArray stored(4, '\0');
        stored[0] = 7;
        stored += "Pages3\r\nPages5\r\n";
        Put(root, "Folder\\Pages", stored);
    }
    TDocStreamList list(root, "Folder\\Pages");
    EXPECT_EQ(list.NextID(), 7);
    EXPECT_EQ(list.BaseName(), "Pages");
    ASSERT_EQ(list.Count(), 2);
    const int index = list.AddNewName();
    EXPECT_EQ(index, 2);
    EXPECT_EQ(list[index], "Pages7");
    EXPECT_EQ(list.GetElementPath(index), "Folder\\Pages7");
    QByteArray expected(4, '\0');
    expected[0] = 8;
    expected += "Pages3\r\nPages5\r\nPages7\r\n";
    EXPECT_EQ(Get(root, "Folder\\Pages"), expected) << "rewritten at once";
}

// A stored counter at or below a listed number (a damaged or foreign file) would hand out a
// name already in the list, and the next save would overwrite that element: on load it is
// raised past every listed number.
TEST_F(DocStorageTest, NameListCounterIsRaisedPastListedNames) {
    const int32_t last = std::numeric_limits<int32_t>::max();
    const struct {
        int32_t Stored;
        QByteArray Lines;
        int32_t NextID;
    } cases[] = {
        {2, "Pages3\r\nPages5\r\n", 6},
        {7, "Pages3\r\nPages5\r\n", 7},
        {0, "pages9\r\nPAGES0\r\n", 10},
        {0, "Pages\r\nPagesX1\r\nPages-4\r\nPages1a\r\nOther8\r\n", 0},
        {1, "Pages0\r\nPages0\r\n", 1},
        {0, "Pages2147483646\r\n", last},
        {0, "Pages99999999999\r\n", last},
    };
    for (const auto& c : cases) {
        TTemporaryStorage root;
        QByteArray stored(4, Qt::Uninitialized);
        qToLittleEndian<qint32>(c.Stored, stored.data());
        Put(root, "Folder\\Pages", stored + c.Lines);
        TDocStreamList list(root, "Folder\\Pages");
        EXPECT_EQ(list.NextID(), c.NextID) << c.Lines.constData();
        if (c.NextID == last)
            continue;
        const QStringList before = list.Lines();
        const QString added = list[list.AddNewName()];
        EXPECT_FALSE(before.contains(added, Qt::CaseInsensitive)) << added.toStdString();
    }
}

TEST_F(DocStorageTest, StreamAndStorageListsNameTheirElements) {
    TTemporaryStorage root;
    {
        TDocStreamList streams(root, "Pictures");
        EXPECT_EQ(streams.Count(), 0);
        const int a = streams.AddNewName();
        const int b = streams.AddNewName();
        streams.OpenStream(a, smCreate)->WriteBytes("first");
        EXPECT_TRUE(streams.StreamExists(a));
        EXPECT_FALSE(streams.StreamExists(b)) << "named but not yet created";
        EXPECT_FALSE(streams.StreamExists(2));
        EXPECT_TRUE(streams.DeleteElement(a));
        EXPECT_EQ(streams.Count(), 2) << "DeleteElement keeps the entry";
        streams.OpenStream(b, smCreate)->WriteBytes("second");
        streams.DeleteStream(b);
        EXPECT_EQ(streams.Count(), 1);
        EXPECT_FALSE(root.StreamExists("Pictures1"));
        streams.Add(QStringLiteral("写真"));
    }
    {
        TDocStreamList streams(root, "Pictures");
        EXPECT_EQ(streams.Lines(), (QStringList{"Pictures0", QStringLiteral("写真")}));
        EXPECT_EQ(streams[streams.AddNewName()], "Pictures2") << "names are never reused";
    }
    TDocStorageList storages(root, "Layers\\List");
    const int layer = storages.AddNewName();
    auto storage = storages.OpenStorage(layer, true);
    EXPECT_EQ(storage->Name(), "Layers\\List0");
    storage.reset();
    EXPECT_TRUE(root.StorageExists("Layers\\List0"));
    storages.DeleteStorage(layer);
    EXPECT_FALSE(root.StorageExists("Layers\\List0"));
    EXPECT_EQ(storages.Count(), 0);
}

TEST_F(DocStorageTest, NameListsInReadOnlyFilesAndDamagedLists) {
    {
        TFileStorage doc(Path("doc.vtd"), smCreate);
        TDocStreamList list(doc, "Names");
        list.AddNewName();
        Put(doc, "Short", "ab");
    }
    TFileStorage doc(Path("doc.vtd"), 0);
    TDocStreamList existing(doc, "Names");
    EXPECT_EQ(existing.Lines(), QStringList{"Names0"});
    EXPECT_EQ(ErrorCodeOf([&] { existing.AddNewName(); }), STG_E_ACCESSDENIED);
    TDocStreamList missing(doc, "NoList");
    EXPECT_EQ(missing.Count(), 0) << "a read-only file without the list has an empty one";
    EXPECT_EQ(ErrorCodeOf([&] { missing.Add("x"); }), STG_E_ACCESSDENIED);
    EXPECT_THROW(TDocStreamList(doc, "Short"), EReadError) << "shorter than its counter";

    // Bytes that are not code page 932 load as replacement characters, never a crash.
    TTemporaryStorage work;
    Put(work, "Odd", QByteArray("\x02\0\0\0\x81\r\n\xff\xfe", 9));
    TDocStreamList odd(work, "Odd");
    EXPECT_EQ(odd.NextID(), 2);
    EXPECT_EQ(odd.Count(), 2);
}

TEST_F(DocStorageTest, NameListUpdatesSaveOnce) {
    TTemporaryStorage root;
    TDocStreamList list(root, "L");
    list.BeginUpdate();
    list.Add("a");
    list.Add("b");
    EXPECT_EQ(Get(root, "L").size(), 0) << "nothing saved inside an update";
    list.EndUpdate();
    EXPECT_EQ(Get(root, "L"), QByteArray(4, '\0') + "a\r\nb\r\n");
    list.EndUpdate(); // unbalanced: ignored
    list.SetStrings(0, "c");
    list.Delete(1);
    EXPECT_EQ(Get(root, "L"), QByteArray(4, '\0') + "c\r\n");
    EXPECT_THROW(list.Add(QStringLiteral("\U0001F600")), ECodePageError)
        << "a name code page 932 cannot hold is refused";
}

// A file root freed while an exception unwinds a half-made change keeps the file as it was.
TEST_F(DocStorageTest, FileStorageDoesNotCommitWhileUnwinding) {
    const QString name = Path("doc.vtd");
    {
        TFileStorage file(name, smCreate);
        Put(file, "Kept", "before");
    }
    try {
        TFileStorage file(name, 2);
        Put(file, "Kept", "half");
        Put(file, "Added", "half");
        throw std::runtime_error("the change failed");
    } catch (const std::runtime_error&) {
    }
    TFileStorage file(name, 0);
    EXPECT_EQ(Get(file, "Kept"), "before");
    EXPECT_FALSE(file.StreamExists("Added"));
}

// The stored counter is bounded: a negative one is damage, the last one hands out no more
// names, and a name whose save fails is taken back.
TEST_F(DocStorageTest, NameListCounterIsBoundedAndAddsOnlyWhatItSaves) {
    TTemporaryStorage root;
    const auto stored = [](int32_t NextID, const QByteArray& Lines) {
        QByteArray b(4, Qt::Uninitialized);
        qToLittleEndian<qint32>(NextID, b.data());
        return b + Lines;
    };
    Put(root, "Negative", stored(-3, "Negative0\r\n"));
    EXPECT_THROW(TDocStreamList(root, "Negative"), EReadError);

    Put(root, "Last", stored(std::numeric_limits<int32_t>::max(), "Last0\r\n"));
    TDocStreamList last(root, "Last");
    EXPECT_EQ(ErrorCodeOf([&] { last.AddNewName(); }), STG_E_INVALIDPARAMETER);
    EXPECT_EQ(last.Count(), 1);
    EXPECT_EQ(last.NextID(), std::numeric_limits<int32_t>::max());

    {
        TFileStorage doc(Path("doc.vtd"), smCreate);
        TDocStreamList list(doc, "Names");
        list.AddNewName();
    }
    TFileStorage doc(Path("doc.vtd"), 0);
    TDocStreamList readOnly(doc, "Names");
    EXPECT_EQ(ErrorCodeOf([&] { readOnly.AddNewName(); }), STG_E_ACCESSDENIED);
    EXPECT_EQ(readOnly.Lines(), QStringList{"Names0"});
    EXPECT_EQ(readOnly.NextID(), 1);

    // Inside an update the save comes at its end: a failed one takes back the whole update.
    readOnly.BeginUpdate();
    readOnly.BeginUpdate();
    EXPECT_EQ(readOnly.AddNewName(), 1);
    readOnly.EndUpdate();
    EXPECT_EQ(readOnly.NextID(), 2) << "not saved yet";
    EXPECT_EQ(ErrorCodeOf([&] { readOnly.EndUpdate(); }), STG_E_ACCESSDENIED);
    EXPECT_EQ(readOnly.Lines(), QStringList{"Names0"});
    EXPECT_EQ(readOnly.NextID(), 1);

    TDocStreamList work(root, "Work");
    work.AddNewName();
    const QByteArray saved = Get(root, "Work");
    work.BeginUpdate();
    work.AddNewName();
    work.Add(QStringLiteral("\U0001F600"));
    EXPECT_THROW(work.EndUpdate(), ECodePageError);
    EXPECT_EQ(work.Lines(), QStringList{"Work0"});
    EXPECT_EQ(work.NextID(), 1);
    EXPECT_EQ(Get(root, "Work"), saved);
    EXPECT_THROW(work.Add(QStringLiteral("\U0001F600")), ECodePageError);
    EXPECT_EQ(work.Lines(), QStringList{"Work0"}) << "a single change is taken back too";
    EXPECT_EQ(work.AddNewName(), 1) << "the counter was not used up";
    EXPECT_EQ(work.Lines(), (QStringList{"Work0", "Work1"}));
}
