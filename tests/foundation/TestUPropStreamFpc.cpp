// Cross-check of the property-stream format with Free Pascal's own component streaming
// (tests/data/propstream/pasreader.pas, compiled here when fpc is installed).

#include "PropStreamTestClasses.h"
#include "TestSupport.h"
#include "UCodePage.h"
#include "UPropStream.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <bit>
#include <gtest/gtest.h>

namespace {

QByteArray Write(TComponent& C) {
    TMemoryStream m;
    WriteComponent(m, C);
    return m.Bytes();
}

// A value's bits as hexadecimal digits, most significant first.
QString HexBits(uint64_t Bits, int Size) {
    return QString::number(Bits, 16).toUpper().rightJustified(2 * Size, u'0');
}

QString Bytes(const QString& Text) {
    return QString::fromLatin1(ToCP932(Text).toHex().toUpper());
}

QString Options(TTestOptions O) {
    QString s;
    for (int bit = 0; bit < 4; ++bit)
        if (O.toInt() & (1 << bit))
            s += QString::number(bit);
    return s;
}

// The text pasreader's "dump" prints for an object tree, made from our own objects.
QString Dump(const TTestObject& O) {
    QString s = QStringLiteral("%1 Small=%2 Counter=%3 Big=%4 Enabled=%5 Hidden=%6 Kind=%7 ")
                    .arg(O.Name())
                    .arg(O.Small())
                    .arg(O.Counter())
                    .arg(O.Big())
                    .arg(O.Enabled() ? "TRUE" : "FALSE", O.Hidden() ? "TRUE" : "FALSE")
                    .arg(int(O.Kind()));
    s += QStringLiteral("Options=%1 Ratio=%2 Scale=%3 Price=%4 Stamp=%5 Caption=%6 Note=%7 ")
             .arg(Options(O.Options()), HexBits(std::bit_cast<uint64_t>(O.Ratio()), 8),
                  HexBits(std::bit_cast<uint32_t>(O.Scale()), 4),
                  HexBits(uint64_t(O.Price().Scaled), 8),
                  HexBits(std::bit_cast<uint64_t>(O.Stamp().Value), 8), Bytes(O.Caption()),
                  Bytes(O.Note()));
    s += QStringLiteral("Color=%1 Lines=").arg(O.Color());
    for (const QString& line : O.Lines())
        s += Bytes(line) + ';';
    s += QStringLiteral(" Font=%1,%2,%3,%4,%5 Items=")
             .arg(Bytes(O.Font()->Name()))
             .arg(O.Font()->Size())
             .arg(Options(O.Font()->Style()))
             .arg(O.Font()->Color())
             .arg(O.Font()->Charset());
    for (int i = 0; i < O.Items()->Count(); ++i) {
        const auto* item = O.Items()->ItemsAs<TTestItem>(i);
        s += QStringLiteral("%1:%2;").arg(item->Value()).arg(Bytes(item->Caption()));
    }
    s += QStringLiteral(" Buddy=%1 Secret=%2 Offset=%3 Data=%4 Extra=")
             .arg(O.Buddy() ? O.Buddy()->Name() : QStringLiteral("nil"))
             .arg(O.Secret())
             .arg(O.Offset())
             .arg(QString::fromLatin1(O.Data.toHex().toUpper()));
    for (int v : O.Extra)
        s += QString::number(v) + ';';
    s += '\n';
    for (int i = 0; i < O.ComponentCount(); ++i)
        if (auto* child = qobject_cast<const TTestObject*>(O.Components(i)))
            s += Dump(*child);
    return s;
}

class FreePascalPeer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterTestClasses();
        const QString fpc = QStandardPaths::findExecutable(QStringLiteral("fpc"));
        if (fpc.isEmpty())
            return;
        Dir = new QTemporaryDir;
        const QString out = Dir->path();
        QByteArray log;
        const int rc = RunProgram(fpc,
                                  {QStringLiteral("-v0"), QStringLiteral("-FE") + out,
                                   QStringLiteral("-FU") + out,
                                   TestDataPath(QStringLiteral("propstream/pasreader.pas"))},
                                  &log);
        if (rc == 0)
            Program = out + QStringLiteral("/pasreader");
        else
            BuildLog = QString::fromLocal8Bit(log);
    }
    static void TearDownTestSuite() {
        delete Dir;
        Dir = nullptr;
    }
    void SetUp() override {
        if (Program.isEmpty() && BuildLog.isEmpty())
            GTEST_SKIP() << "Free Pascal (fpc) is not installed: cross-check skipped";
        ASSERT_TRUE(BuildLog.isEmpty()) << "pasreader.pas did not compile:\n"
                                        << BuildLog.toStdString();
    }
    // Runs pasreader; answers its standard output.
    static QByteArray Peer(const QStringList& Args) {
        QByteArray out;
        EXPECT_EQ(RunProgram(Program, Args, &out), 0) << out.toStdString();
        return out;
    }
    static QString File(const QString& Name) { return Dir->filePath(Name); }
    static void Save(const QString& Name, const QByteArray& Bytes) {
        QFile f(File(Name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(Bytes);
    }

    static inline QTemporaryDir* Dir = nullptr;
    static inline QString Program;
    static inline QString BuildLog;
};

} // namespace

TEST_F(FreePascalPeer, ReadsOurStreamsToTheSameValues) {
    auto root = MakeFreePascalSample();
    const QByteArray ours = Write(*root);
    Save(QStringLiteral("ours.bin"), ours);
    TMemoryStream m(ours);
    std::unique_ptr<TComponent> back = ReadComponent(m);
    const QString expected = Dump(*qobject_cast<TTestObject*>(back.get()));
    EXPECT_EQ(QString::fromLatin1(Peer({QStringLiteral("dump"), File(QStringLiteral("ours.bin"))})),
              expected);
}

TEST_F(FreePascalPeer, WhatItWritesBackReadsToTheSameStream) {
    auto root = MakeFreePascalSample();
    const QByteArray ours = Write(*root);
    Save(QStringLiteral("ours.bin"), ours);
    Peer({QStringLiteral("rewrite"), File(QStringLiteral("ours.bin")),
          File(QStringLiteral("theirs.bin"))});
    const QByteArray theirs = ReadWholeFile(File(QStringLiteral("theirs.bin")));
    ASSERT_FALSE(theirs.isEmpty());
    TMemoryStream m(theirs);
    std::unique_ptr<TComponent> back = ReadComponent(m);
    EXPECT_EQ(Write(*back), ours);
}

TEST_F(FreePascalPeer, TextFormShowsTheTree) {
    auto root = MakeFreePascalSample();
    Save(QStringLiteral("ours.bin"), Write(*root));
    const QString text =
        QString::fromLatin1(Peer({QStringLiteral("text"), File(QStringLiteral("ours.bin"))}));
    for (const char* line :
         {"object Root: TTestObject", "  Small = 100", "  Counter = 1000", "  Big = 5000000000",
          "  Kind = tkGamma", "  Options = [toBold, toStrike]", "  Lines.Strings = (",
          "  Font.Size = 12", "  Font.Style = [toItalic]", "  Items = <", "  Buddy = Child1",
          "  Offset = 3", "  Data = {", "  Extra = (", "  object Child1: TTestObject",
          "    Small = -1", "  object Child2: TTestObject", "    Buddy = Child1"})
        EXPECT_TRUE(text.contains(QLatin1String(line))) << line << "\n"
                                                               << text.toStdString();
}

// tests/data/propstream/fpc-written.bin was written by "pasreader make": Free Pascal writes
// Single, Currency and Date values as Extended and colours as identifiers.
TEST(FreePascalFixture, StreamWrittenByFreePascalReads) {
    RegisterTestClasses();
    TMemoryStream m(ReadTestData(QStringLiteral("propstream/fpc-written.bin")));
    std::unique_ptr<TComponent> c = ReadComponent(m);
    auto* root = qobject_cast<TTestObject*>(c.get());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->Name(), QStringLiteral("FpcRoot"));
    EXPECT_EQ(root->Small(), -5);
    EXPECT_EQ(root->Counter(), 300);
    EXPECT_EQ(root->Big(), -7000000000LL);
    EXPECT_FALSE(root->Enabled());
    EXPECT_TRUE(root->Hidden());
    EXPECT_EQ(root->Kind(), tkGamma);
    EXPECT_EQ(root->Options(), toItalic | toUnderline);
    EXPECT_EQ(root->Ratio(), 0.1);
    EXPECT_EQ(root->Scale(), 0.75f);
    EXPECT_EQ(root->Price().Scaled, 35000);
    EXPECT_EQ(root->Stamp(), 36526.5);
    EXPECT_EQ(root->Caption(), QStringLiteral("Free Pascal"));
    EXPECT_EQ(root->Note(), QString(300, u'z'));
    EXPECT_EQ(root->Color(), clRed);
    EXPECT_EQ(root->Lines().Lines(), QStringList({"alpha", "beta"}));
    EXPECT_EQ(root->Font()->Name(), QStringLiteral("Courier"));
    EXPECT_EQ(root->Font()->Size(), 11);
    EXPECT_EQ(root->Font()->Style(), TTestOptions(toBold));
    EXPECT_EQ(root->Font()->Color(), clNone);
    EXPECT_EQ(root->Font()->Charset(), 128);
    ASSERT_EQ(root->Items()->Count(), 2);
    EXPECT_EQ(root->Items()->ItemsAs<TTestItem>(1)->Caption(), QStringLiteral("two"));
    EXPECT_EQ(root->Secret(), 0);
    EXPECT_EQ(root->Offset(), 42);
    EXPECT_EQ(root->Data, QByteArray("DATA\0\1", 6));
    EXPECT_EQ(root->Extra, std::vector<int>({10, -20}));
    ASSERT_EQ(root->ComponentCount(), 1);
    EXPECT_EQ(root->Buddy(), root->Components(0));
    EXPECT_EQ(qobject_cast<TTestObject*>(root->Components(0))->Small(), 1);
}

TEST_F(FreePascalPeer, FixtureIsWhatThePascalSourceWrites) {
    Peer({QStringLiteral("make"), File(QStringLiteral("made.bin"))});
    EXPECT_EQ(ReadWholeFile(File(QStringLiteral("made.bin"))),
              ReadTestData(QStringLiteral("propstream/fpc-written.bin")));
}
