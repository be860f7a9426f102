#include "UAtomicFile.h"

#include "UException.h"
#include "UStreams.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/stat.h>

namespace {

QStringList FilesIn(const QString& Dir) {
    return QDir(Dir).entryList(QDir::Files | QDir::Hidden);
}

} // namespace

TEST(AtomicFileStream, CommitReplacesTheFileAndKeepsItsPermissions) {
    QTemporaryDir dir;
    const QString name = dir.filePath("doc.bin");
    WriteFileAtomic(name, "old");
    ASSERT_TRUE(
        QFile::setPermissions(name, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    {
        TAtomicFileStream out(name);
        out.WriteBytes("new content");
        EXPECT_EQ(ReadWholeFile(name), "old") << "the old file is untouched until Commit";
        out.Commit();
    }
    EXPECT_EQ(ReadWholeFile(name), "new content");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(name).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(FilesIn(dir.path()), QStringList{"doc.bin"});
}

TEST(AtomicFileStream, AbandonedOrFailedSavesLeaveTheOldFile) {
    QTemporaryDir dir;
    const QString name = dir.filePath("doc.bin");
    WriteFileAtomic(name, "old");
    {
        TAtomicFileStream out(name);
        out.WriteBytes("half written");
    } // destroyed without Commit, as when an exception unwinds a save
    EXPECT_EQ(ReadWholeFile(name), "old");
    {
        TAtomicFileStream out(name);
        out.WriteBytes("complete but interrupted");
        EXPECT_THROW(out.Commit([] { throw std::runtime_error("power cut"); }), std::runtime_error);
        EXPECT_THROW(out.WriteBytes("more"), EWriteError);
    }
    EXPECT_EQ(ReadWholeFile(name), "old");
    EXPECT_EQ(FilesIn(dir.path()), QStringList{"doc.bin"}) << "no temporary file is left";
}

TEST(AtomicFileStream, MissingFolderRaises) {
    QTemporaryDir dir;
    EXPECT_THROW(TAtomicFileStream(dir.filePath("no/such/folder/doc.bin")), EFCreateError);
}
