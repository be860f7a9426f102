#include "UResStream.h"

#include "TestSupport.h"
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

QByteArray SampleFile() {
    return ResEntry("#0", "#0", {}) // the empty entry that starts every file
           + ResEntry("#10", "LOGO", "raw logo") + ResEntry("CURSORS", "#5", "cursor five") +
           ResEntry("#10", "logo", "second LOGO, never found") +
           ResEntry("#10", QStringLiteral("画像"), "japanese name");
}

QByteArray Found(const QByteArray& File, const QString& Type, const QString& Name) {
    QByteArray data;
    return FindResourceData(File, Type, Name, data) ? data : QByteArray("<none>");
}

} // namespace

TEST(ResStream, FindsEntriesByNameOrOrdinal) {
    const QByteArray file = SampleFile();
    const struct {
        const char* Type;
        const char16_t* Name;
        const char* Expected;
    } rows[] = {
        {"#10", u"LOGO", "raw logo"},
        {"#10", u"Logo", "raw logo"}, // names ignore case; the first match wins
        {"cursors", u"#5", "cursor five"},
        {"#10", u"画像", "japanese name"},
        {"#10", u"#5", "<none>"}, // an ordinal never matches a string
        {"#11", u"LOGO", "<none>"},
        {"#10", u"MISSING", "<none>"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(Found(file, r.Type, QString::fromUtf16(r.Name)), QByteArray(r.Expected))
            << r.Type << " " << QString::fromUtf16(r.Name).toStdString();
}

TEST(ResStream, ReadsExternalFilesAndOwnResources) {
    QTemporaryDir dir;
    const QString res = dir.filePath("extra.res");
    WriteFileAtomic(res, SampleFile());
    TResStream external(res, "#10", "logo");
    EXPECT_EQ(external.GetSize(), 8);
    external.Seek(4, soBeginning);
    EXPECT_EQ(external.ReadBytes(4), "logo");
    try {
        TResStream(res, "#10", "ABSENT");
        ADD_FAILURE() << "expected EResNotFound";
    } catch (const EResNotFound& e) {
        EXPECT_EQ(e.Message, QStringLiteral("ABSENT リソースが見つかりません"));
    }
    // No file, or one that does not exist: the program's own resources.
    for (const QString& file : {QString(), dir.filePath("missing.res")}) {
        TResStream own(file, "rcdata", "logo");
        EXPECT_EQ(own.ReadBytes(own.GetSize()), "own resource bytes\n");
    }
    EXPECT_THROW(TResStream({}, "RCDATA", "NOPE"), EResNotFound);
}

TEST(ResStream, DamagedFilesEndTheSearch) {
    const QByteArray good = SampleFile();
    const auto patched = [&](qsizetype At, quint32 Value) {
        QByteArray b = good;
        qToLittleEndian<quint32>(Value, b.data() + At);
        return b;
    };
    const qsizetype second = 32; // the entry after the empty one
    QByteArray unterminated = ResEntry("#0", "#0", {});
    {
        QByteArray e = ResEntry("#10", "LOGO", "x");
        e.truncate(8 + 6); // header claims more than is there
        unterminated += e;
    }
    const std::pair<const char*, QByteArray> rows[] = {
        {"zero sizes in the first entry", patched(4, 0)},
        {"header size zero", patched(second + 4, 0)},
        {"header size past the end", patched(second + 4, 0x7FFFFFF0)},
        {"data size past the end", patched(second, 0xFFFFFFF0)},
        {"cut inside a header", unterminated},
    };
    for (const auto& [what, bytes] : rows)
        EXPECT_EQ(Found(bytes, "#10", "LOGO"), "<none>") << what;
    for (qsizetype cut = 0; cut < good.size(); ++cut)
        Found(good.left(cut), "#10", QStringLiteral("画像")); // never reads outside the bytes
}
