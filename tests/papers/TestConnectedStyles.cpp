// Style changes of a calendar reach the calendars of the other sheets tied to it by number,
// also when a year or month caption of the same number lies above the calendar.

#include "LabelDataTestSupport.h"
#include "ULOCalendar.h"
#include "ULOCreator.h"
#include "ULOYearMonth.h"
#include "ULabelData.h"
#include "ULabelDataHooks.h"
#include "UPaperInfo.h"

#include <gtest/gtest.h>

namespace {

// A page of a year: a month caption and the calendar it belongs to, both tied by number 1; the
// calendar shows Month.
void WritePage(TLabelData& Doc, int Month, TColor LineColor) {
    TObjects objects;
    auto caption = std::make_unique<TLOYearMonth>();
    caption->SetConnectNo(1);
    caption->SetMonth(Month);
    objects.Add(std::move(caption));
    auto calendar = std::make_unique<TLOCalendar>();
    calendar->SetConnectNo(1);
    calendar->SetMonth(Month);
    calendar->SetlnColor(LineColor);
    objects.Add(std::move(calendar));
    Doc.WriteLabel(0, objects.List);
}

} // namespace

TEST(ConnectedStyles, ACaptionOfTheSameNumberDoesNotHideTheCalendar) {
    PrepareLabelDataTests();
    RegisterLayoutObjectClasses();
    InstallLabelDataHooks();
    TLabelData doc;
    for (int sheet = 0; sheet < 3; ++sheet) {
        if (sheet)
            doc.NewSheet();
        WritePage(doc, sheet + 1, clBlack);
    }

    // The user restyles the calendar of the second sheet; the caption comes first in the
    // list handed over, as it lies above the calendar.
    doc.SetSheet(1);
    TObjects model;
    doc.ReadLabel(0, model.List, false);
    ASSERT_EQ(model.List.Count(), 2);
    TLOYearMonth* caption = nullptr;
    TLOCalendar* styled = nullptr;
    for (TDrawObject* object : model.List) {
        if (auto* c = qobject_cast<TLOYearMonth*>(object))
            caption = c;
        if (auto* c = qobject_cast<TLOCalendar*>(object))
            styled = c;
    }
    ASSERT_TRUE(caption && styled);
    styled->SetlnColor(0x3366CC);
    TDOList topFirst;
    topFirst.Add(caption);
    topFirst.Add(styled);
    doc.ApplyConnected(topFirst);

    for (int sheet = 0; sheet < 3; ++sheet) {
        doc.SetSheet(sheet);
        TObjects back;
        doc.ReadLabel(0, back.List, false);
        ASSERT_EQ(back.List.Count(), 2);
        TLOYearMonth* caption = nullptr;
        TLOCalendar* calendar = nullptr;
        for (TDrawObject* object : back.List) {
            if (auto* c = qobject_cast<TLOYearMonth*>(object))
                caption = c;
            if (auto* c = qobject_cast<TLOCalendar*>(object))
                calendar = c;
        }
        ASSERT_TRUE(caption && calendar);
        if (sheet != 1)
            EXPECT_EQ(calendar->lnColor(), 0x3366CC) << "sheet " << sheet;
        EXPECT_EQ(calendar->Month(), sheet + 1) << "each page keeps its month";
        EXPECT_EQ(caption->Month(), sheet + 1);
    }
}
