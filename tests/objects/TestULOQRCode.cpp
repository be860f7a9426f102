#include "ULOQRCode.h"

#include "UCodePage.h"
#include "UException.h"
#include "UObjectFactory.h"
#include "UPropStream.h"

#include "UBitmap.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>

namespace {

QByteArray DataOf(const TLOQRCode& Q) {
    return Q.QRCode().Data().Bytes();
}

} // namespace

TEST(QRProfileText, ContactBookmarkAndTextTables) {
    struct {
        const char* What;
        TQRProfile P;
        QString Text;
    } const cases[] = {
        {"only tel, docomo", {.Tel1 = "0312345678"}, "MECARD:TEL:0312345678;;"},
        {"split name",
         {.NameCommaDevide = true, .Name = u"山田 太郎"_qs},
         u"MECARD:N:山田,太郎;;"_qs},
        {"split name, three words",
         {.NameCommaDevide = true, .Name = "  Doe  John  Q "},
         "MECARD:N:Doe,John Q;;"},
        {"one-word name split", {.NameCommaDevide = true, .Name = "a;b"}, "MECARD:N:a\\;b;;"},
        {"escaping", {.Name = "a\\b:c;d,e"}, "MECARD:N:a\\\\b\\:c\\;d\\,e;;"},
        {"all contact fields, reading made half-width",
         {.Name = u"山田"_qs,
          .Furigana = u"ヤマダ"_qs,
          .Tel1 = "1",
          .Tel2 = "2",
          .Email1 = "a@b.jp",
          .Email2 = "c@d.jp"},
         u"MECARD:N:山田;SOUND:ﾔﾏﾀﾞ;TEL:1;TEL:2;EMAIL:a@b.jp;EMAIL:c@d.jp;;"_qs},
        {"reading kept full-width",
         {.FuriganaHankaku = false, .Furigana = u"ヤマダ"_qs},
         u"MECARD:SOUND:ヤマダ;;"_qs},
        {"all empty", {}, ""},
        {"bookmark",
         {.Kind = sqkURL, .UrlTitle = "My:Site", .Url = "http://x.jp/"},
         "MEBKM:TITLE:My:Site;URL:http://x.jp/;;"},
        {"bookmark, address only", {.Kind = sqkURL, .Url = "x.jp"}, "MEBKM:URL:x.jp;;"},
        {"empty bookmark", {.Kind = sqkURL}, ""},
        {"vodafone contact, no escaping",
         {.Type = sqtVodafone, .Name = "a;b", .Tel1 = "1", .Email2 = "m@x"},
         "MEMORY:\r\nNAME1:a;b\r\nTEL1:1\r\nMAIL2:m@x\r\n"},
        {"vodafone address gets a scheme",
         {.Type = sqtVodafone, .Kind = sqkURL, .UrlTitle = "t", .Url = u"ｘ．ｊｐ"_qs},
         "http://x.jp"},
        {"vodafone https in any case",
         {.Type = sqtVodafone, .Kind = sqkURL, .Url = "hTTpS://a.jp"},
         "hTTpS://a.jp"},
        {"text", {.Kind = sqkTEXT, .Text = {"line 1", "line 2"}}, "line 1\r\nline 2"},
        {"au builds nothing", {.Type = sqtAU, .Tel1 = "1"}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BuildQRProfileText(c.P), c.Text) << c.What;
}

TEST(TLOQRStd, FieldsRebuildTheData) {
    TLOQRStd q;
    q.SetQRTel1("0312345678");
    EXPECT_EQ(DataOf(q), QByteArray("MECARD:TEL:0312345678;;"));
    q.SetQRName(u"写真"_qs);
    EXPECT_EQ(DataOf(q), ToCP932(u"MECARD:N:写真;TEL:0312345678;;"_qs));
    EXPECT_EQ(q.QRCode().Status(), TQRStatus::Ok);
    // the AU format has no text: the data is empty at once, as it is after a reload
    q.SetQRType(sqtAU);
    EXPECT_TRUE(DataOf(q).isEmpty());
}

TEST(TLOQRStd, StreamsFieldsAndRebuildsDataOnLoad) {
    RegisterObjectClasses();
    TLOQRStd q;
    q.SetQRKind(sqkURL);
    q.SetQRUrlTitle("T");
    q.SetQRUrl("http://a.jp/");
    q.SetQRTel1ID(7);
    TMemoryStream s;
    WriteComponent(s, q);
    s.SetPosition(0);
    std::unique_ptr<TComponent> read = ReadComponent(s);
    auto* copy = qobject_cast<TLOQRStd*>(read.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(DataOf(*copy), QByteArray("MEBKM:TITLE:T;URL:http://a.jp/;;"));
    EXPECT_EQ(copy->ProfileGuid(), q.ProfileGuid());
    EXPECT_EQ(copy->QRTel1ID(), 7);
    EXPECT_EQ(copy->QRKind(), sqkURL);

    TLOQRStd assigned;
    assigned.Assign(&q);
    EXPECT_EQ(DataOf(assigned), DataOf(q));
    EXPECT_EQ(assigned.ProfileGuid(), q.ProfileGuid());
}

TEST(TLOQRCode, QRDataRoundTripAndBadCounts) {
    RegisterObjectClasses();
    TLOQRCode q;
    q.GetDataStream().WriteBytes("HELLO QR");
    q.QRCode().RequestEncode();
    q.SetErrorCorrectLevel("H");
    q.SetMergin(2);
    TMemoryStream s;
    WriteComponent(s, q);
    s.SetPosition(0);
    std::unique_ptr<TComponent> read = ReadComponent(s);
    auto* copy = qobject_cast<TLOQRCode*>(read.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(DataOf(*copy), QByteArray("HELLO QR"));
    EXPECT_EQ(copy->ErrorCorrectLevel(), "H");
    EXPECT_EQ(copy->Mergin(), 2);
    EXPECT_EQ(copy->EncodeMode(), "A");
    EXPECT_EQ(copy->Version(), 1);

    // "QRData" is a count and the bytes; a count beyond the bytes present is refused.
    const QByteArray good = s.Bytes();
    const qsizetype at = good.indexOf("QRData");
    ASSERT_GE(at, 0);
    const qsizetype countAt = at + 6 + 1 + 4; // name, type tag, payload length
    for (const int32_t bad : {9, -1, 0x7FFFFFFF}) {
        QByteArray broken = good;
        std::memcpy(broken.data() + countAt, &bad, 4);
        TMemoryStream b(broken);
        EXPECT_THROW(ReadComponent(b), Exception) << bad;
    }
}

// A stored quiet zone larger than the dialog offers (damaged or hand-made files) is drawn as
// MaxQRMargin modules and written back as it was read.
TEST(TLOQRCode, HugeStoredMarginIsDrawnBoundedAndKept) {
    RegisterObjectClasses();
    TLOQRCode q;
    q.GetDataStream().WriteBytes("HELLO QR");
    q.QRCode().RequestEncode();
    q.SetMergin(2);
    TMemoryStream s;
    WriteComponent(s, q);
    const QByteArray stored = QByteArray("Mergin") + char(vaInt8) + char(2);
    ASSERT_TRUE(s.Bytes().contains(stored));
    for (const int32_t margin : {21, 10000, 16384, 1 << 30, 0x7FFFFFFF}) {
        QByteArray bytes = s.Bytes();
        QByteArray value(4, 0);
        std::memcpy(value.data(), &margin, 4);
        bytes.replace(stored, QByteArray("Mergin") + char(vaInt32) + value);
        TMemoryStream in(bytes);
        std::unique_ptr<TComponent> read = ReadComponent(in);
        auto* copy = qobject_cast<TLOQRCode*>(read.get());
        ASSERT_NE(copy, nullptr) << margin;
        EXPECT_EQ(copy->Mergin(), margin);
        TMemoryStream again;
        WriteComponent(again, *copy);
        again.SetPosition(0);
        std::unique_ptr<TComponent> reread = ReadComponent(again);
        EXPECT_EQ(qobject_cast<TLOQRCode*>(reread.get())->Mergin(), margin) << "written back";
        TBitmap b(200, 200, pf24bit);
        b.Fill(clRed);
        copy->DrawTo(b.Canvas());
        ASSERT_EQ(copy->QRCode().Status(), TQRStatus::Ok) << margin;
        const int side = copy->QRCode().SymbolSize() + 2 * MaxQRMargin;
        EXPECT_EQ(copy->QRCode().Symbol().Width(), side) << margin;
        EXPECT_EQ(copy->QRCode().Symbol().Height(), side) << margin;
        EXPECT_EQ(copy->Mergin(), margin) << "drawing keeps the stored margin";
    }
}

TEST(TLOQRCode, RefusedDataIsReported) {
    TLOQRCode q;
    q.GetDataStream().WriteBytes(QByteArray(100, 'x'));
    q.QRCode().RequestEncode();
    q.SetAutoVersion(false);
    q.SetVersion(1);
    q.QRCode().Encode();
    EXPECT_EQ(q.QRCode().Status(), TQRStatus::TooLong);
    EXPECT_TRUE(q.QRCode().Symbol().Empty());
}

namespace {

QByteArray ZbarBytes(const QString& Path) {
    QProcess p;
    p.start(QStringLiteral("zbarimg"), {"--raw", "-q", "-Sbinary", Path});
    p.waitForFinished(60000);
    return p.readAllStandardOutput();
}

} // namespace

TEST(TLOQRCode, DrawnSymbolReadsBackStraightAndTurned) {
    if (QStandardPaths::findExecutable(QStringLiteral("zbarimg")).isEmpty())
        GTEST_SKIP() << "zbarimg is not installed (zbar-tools, see scripts/bootstrap)";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const int angle : {0, 90, 30}) {
        TLOQRStd q;
        q.SetBoundsRect(TRect(50, 50, 350, 350));
        q.SetQRTel1(QStringLiteral("0312345678"));
        q.SetQRName(u"山田 太郎"_qs);
        q.SetAngle(angle);
        TBitmap b(400, 400, pf24bit);
        b.Fill(clWhite);
        q.DrawTo(b.Canvas());
        const QString path = dir.filePath(QStringLiteral("qr%1.png").arg(angle));
        ASSERT_TRUE(b.ToQImage().save(path, "PNG"));
        EXPECT_EQ(FromCP932(ZbarBytes(path)), u"MECARD:N:山田 太郎;TEL:0312345678;;"_qs)
            << "angle " << angle;
    }
}

TEST(TLOQRCode, RefusedDataShowsAPlaceholderOnScreenOnly) {
    TLOQRCode q;
    q.GetDataStream().WriteBytes(QByteArray(100, 'x'));
    q.QRCode().RequestEncode();
    q.SetAutoVersion(false);
    q.SetVersion(1);
    TBitmap b(200, 200, pf24bit);
    b.Fill(clWhite);
    q.DrawTo(b.Canvas());
    EXPECT_EQ(b.GetPixel(100, 100), clRed) << "the crossed box on the screen";
    EXPECT_EQ(b.GetPixel(50, 20), clWhite);
}

TEST(TLOQRStd, LoadingRebuildsOnceAtTheEnd) {
    TLOQRStd q;
    q.IncludeState(csLoading);
    q.SetQRTel1(QStringLiteral("1"));
    q.SetQREmail1(QStringLiteral("a@b.jp"));
    EXPECT_TRUE(DataOf(q).isEmpty()) << "no rebuild per field while loading";
    q.Loaded();
    EXPECT_EQ(DataOf(q), QByteArray("MECARD:TEL:1;EMAIL:a@b.jp;;"));
    EXPECT_FALSE(q.QRCode().Dirty());

    // the AU format: empty data before and after a reload
    RegisterObjectClasses();
    q.SetQRType(sqtAU);
    EXPECT_TRUE(DataOf(q).isEmpty());
    TMemoryStream s;
    WriteComponent(s, q);
    s.SetPosition(0);
    std::unique_ptr<TComponent> read = ReadComponent(s);
    auto* copy = qobject_cast<TLOQRStd*>(read.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->QRType(), sqtAU);
    EXPECT_EQ(copy->QRTel1(), QStringLiteral("1"));
    EXPECT_TRUE(DataOf(*copy).isEmpty());
}
