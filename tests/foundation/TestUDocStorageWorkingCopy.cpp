// The working copy of a document: a private snapshot of the file it was loaded from, whether
// it shares the file's bytes (same file system) or copies them (another file system).

#include "UDocStorage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void Put(TDocStorage& Storage, const QString& Path, const QByteArray& Content) {
    TDocStream s(Storage, Path, smCreate);
    s.WriteBytes(Content);
}

QByteArray Get(TDocStorage& Storage, const QString& Path) {
    TDocStream s(Storage, Path, 0);
    return s.ReadBytes(s.GetSize());
}

QByteArray Bytes(const QString& FileName) {
    QFile f(FileName);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void MakeDocument(const QString& FileName, const QByteArray& Body) {
    TFileStorage doc(FileName, smCreate);
    Put(doc, QStringLiteral("Body"), Body);
    Put(doc, QStringLiteral("Pictures\\1\\Original"), QByteArray(70000, 'p'));
    doc.Commit();
}

} // namespace

TEST(DocStorageWorkingCopy, EditsNeverReachTheLoadedFileAndItsReplacementNeverReachesTheCopy) {
    // The document in the temporary folder (the working copy's file system) and, where there
    // is one, in a memory file system (another file system).
    QTemporaryDir same;
    QTemporaryDir other(QStringLiteral("/dev/shm/vantomi-XXXXXX"));
    std::vector<QString> folders = {same.path()};
    if (other.isValid())
        folders.push_back(other.path());
    for (const QString& folder : folders) {
        const QString file = folder + QStringLiteral("/doc.vtd");
        MakeDocument(file, "first");
        const QByteArray loaded = Bytes(file);

        TTemporaryStorage work;
        work.LoadFromFile(file);
        Put(work, QStringLiteral("Body"), "edited");
        work.DeleteElement(QStringLiteral("Pictures"));
        EXPECT_EQ(Bytes(file), loaded) << folder.toStdString() << ": the file was written to";

        // Another program replaces the file (by writing a new one and renaming it over).
        MakeDocument(file, "replaced");
        EXPECT_TRUE(work.StreamExists(QStringLiteral("Body")));
        EXPECT_EQ(Get(work, QStringLiteral("Body")), "edited");

        // The untouched content of the loaded file is still there for a copy saved elsewhere.
        TTemporaryStorage again;
        MakeDocument(file, "third");
        again.LoadFromFile(file);
        MakeDocument(file, "fourth");
        again.SaveToFile(folder + QStringLiteral("/saved.vtd"));
        TFileStorage saved(folder + QStringLiteral("/saved.vtd"), 0);
        EXPECT_EQ(Get(saved, QStringLiteral("Body")), "third") << folder.toStdString();
        EXPECT_EQ(Get(saved, QStringLiteral("Pictures\\1\\Original")), QByteArray(70000, 'p'));
    }
}

TEST(DocStorageWorkingCopy, TheWorkingFileGoesWithTheStorageAndLeavesTheDocument) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("doc.vtd"));
    MakeDocument(file, "body");
    QString temp;
    {
        TTemporaryStorage work;
        work.LoadFromFile(file);
        temp = work.TempFileName();
        EXPECT_TRUE(QFile::exists(temp));
    }
    EXPECT_FALSE(QFile::exists(temp));
    ASSERT_TRUE(QFile::exists(file));
    TFileStorage doc(file, 0);
    EXPECT_EQ(Get(doc, QStringLiteral("Body")), "body");
}
