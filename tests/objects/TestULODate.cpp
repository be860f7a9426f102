#include "ULODate.h"

#include "ObjectTestSupport.h"
#include "UDrawSite.h"
#include "UObjectFactory.h"
#include "UPropStream.h"
#include "UStreams.h"

#include <QDate>
#include <gtest/gtest.h>

namespace {

TDateTime Day(int Y, int M, int D) {
    return EncodeDateTime(QDate(Y, M, D));
}

QByteArray StreamOf(TComponent& C) {
    TMemoryStream s;
    WriteComponent(s, C);
    return s.Bytes();
}

class DateObject : public ::testing::Test {
protected:
    void SetUp() override { RegisterObjectClasses(); }
};

} // namespace

TEST_F(DateObject, FormatsEraMonthMacrosAndLineBreaks) {
    struct {
        const char* Format;
        TDateTime Date;
        QStringList Lines;
    } const cases[] = {
        {"yyyy/mm/dd", Day(2027, 1, 5), {"2027/01/05"}},
        {"ggee年m月d日", Day(2027, 1, 5), {u"令和09年1月5日"_qs}},
        {"gge", Day(2019, 4, 30), {u"平成31"_qs}},
        {"gge", Day(2019, 5, 1), {u"令和1"_qs}},
        {"gge", Day(1989, 1, 7), {u"昭和64"_qs}},
        {"gge", Day(1989, 1, 8), {u"平成1"_qs}},
        {"$(LongMonthA) d", Day(2027, 3, 9), {"March 9"}},
        {"$(LongMonthB)", Day(2027, 3, 9), {"march"}},
        {"$(LongMonthC)", Day(2027, 3, 9), {"MARCH"}},
        {"$(ShortMonthA)/$(ShortMonthB)/$(ShortMonthC)", Day(2027, 12, 1), {"Dec/dec/DEC"}},
        {"yyyy\r\nm/d", Day(2027, 2, 14), {"2027", "2/14"}},
        {"dddd", Day(2027, 2, 14), {u"日曜日"_qs}},
    };
    for (const auto& c : cases) {
        TLODate d;
        d.SetDate(c.Date);
        d.SetFormat(QString::fromUtf8(c.Format));
        EXPECT_EQ(d.Text().Lines(), c.Lines) << c.Format;
    }
}

TEST_F(DateObject, SettersRegenerateOnlyOnChange) {
    TLODate d;
    int changes = 0;
    d.OnModify = [&](TComponent*) { ++changes; };
    d.SetDate(Day(2027, 1, 5));
    d.SetFormat("yyyy");
    EXPECT_EQ(d.PlainText(), "2027");
    // A text edited by other means stays while the same format is set again.
    d.SetPlainText("edited");
    changes = 0;
    d.SetFormat("yyyy");
    d.SetDate(Day(2027, 1, 5));
    EXPECT_EQ(d.PlainText(), "edited");
    EXPECT_EQ(changes, 0);
    d.SetDate(Day(2031, 1, 5));
    EXPECT_EQ(d.PlainText(), "2031");
    changes = 0;
    d.SetUpdateFlag(dufPrint);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(d.PlainText(), "2031") << "the flag does not touch the text";
    d.SetUpdateFlag(dufPrint);
    EXPECT_EQ(changes, 1);
}

TEST_F(DateObject, StreamsAndReadingReplacesTheStoredText) {
    TLODate d;
    d.SetDate(Day(2027, 6, 1));
    d.SetFormat("yyyy.mm.dd");
    d.SetUpdateFlag(dufSave);
    QByteArray s = StreamOf(d);
    // A stream whose stored text differs (edited on another machine): the date wins.
    const QByteArray stored = QByteArray(1, 10) + "2027.06.01";
    ASSERT_TRUE(s.contains(stored));
    s.replace(stored, QByteArray(1, 10) + "xxxx.xx.xx");
    TMemoryStream in(s);
    std::unique_ptr<TComponent> read = ReadComponent(in);
    auto* copy = qobject_cast<TLODate*>(read.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->PlainText(), "2027.06.01");
    EXPECT_EQ(copy->UpdateFlag(), dufSave);
    EXPECT_EQ(copy->Format(), "yyyy.mm.dd");
    EXPECT_EQ(StreamOf(*copy), StreamOf(d));

    TLODate assigned;
    assigned.Assign(&d);
    EXPECT_EQ(StreamOf(assigned), StreamOf(d));
}

TEST_F(DateObject, RefreshTakesTheTimeEachFlagNames) {
    auto site = MakeTestSite(1000, 1000);
    auto add = [&](TDateUpdateFlag Flag) {
        auto* d = new TLODate(site.get());
        d->SetBoundsRect(TRect(0, 0, 500, 100));
        d->SetDate(Day(2000, 1, 1));
        d->SetFormat("yyyy/mm/dd");
        d->SetUpdateFlag(Flag);
        site->AddObject(d);
        return d;
    };
    TLODate* keep = add(dufNo);
    TLODate* open = add(dufOpen);
    TLODate* print = add(dufPrint);
    TLODate* save = add(dufSave);
    PlaceTestRect(*site, "Other", TRect(0, 0, 10, 10), clRed);

    TDocumentTimes times;
    times.Opened = Day(2027, 1, 2);
    times.Saved = Day(2026, 12, 31);
    EXPECT_EQ(RefreshDateObjects(*site, times), 2) << "never printed: the print date stays";
    EXPECT_EQ(keep->PlainText(), "2000/01/01");
    EXPECT_EQ(open->PlainText(), "2027/01/02");
    EXPECT_EQ(print->PlainText(), "2000/01/01");
    EXPECT_EQ(save->PlainText(), "2026/12/31");

    // At printing, the print site passes only the print time.
    TDocumentTimes printing;
    printing.Printed = Day(2027, 3, 3);
    EXPECT_EQ(RefreshDateObjects(*site, printing), 1);
    EXPECT_EQ(print->PlainText(), "2027/03/03");
    EXPECT_EQ(open->PlainText(), "2027/01/02");
}

TEST_F(DateObject, AnUnformattableDateKeepsTheText) {
    TLODate d;
    d.SetDate(Day(2027, 1, 1));
    d.SetFormat("yyyy");
    d.SetDate(TDateTime(1e9)); // far beyond the year 9999
    EXPECT_EQ(d.PlainText(), "2027");
}
