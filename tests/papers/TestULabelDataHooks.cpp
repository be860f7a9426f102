// The document with the program's own object kinds: date objects take the document's times
// on reading, blank face backgrounds are not stored, and calendars tied by number share
// their style.

#include "LabelDataTestSupport.h"
#include "ULOBackImage.h"
#include "ULOCalendar.h"
#include "ULOCreator.h"
#include "ULODate.h"
#include "ULabelData.h"
#include "ULabelDataHooks.h"
#include "UPaperInfo.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(LabelDataWithProgramKinds, DatesBackgroundsAndTiedCalendars) {
    PrepareLabelDataTests();
    RegisterLayoutObjectClasses();
    InstallLabelDataHooks();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("kinds.vtd"));
    {
        TLabelData doc;
        TObjects objects;
        for (const TDateUpdateFlag flag : {dufNo, dufOpen, dufPrint, dufSave}) {
            auto date = std::make_unique<TLODate>();
            date->SetUpdateFlag(flag);
            date->SetDate(1000);
            objects.Add(std::move(date));
        }
        objects.Add(std::make_unique<TLOBackImage>())->Clear(); // blank: not stored
        auto calendar = std::make_unique<TLOCalendar>();
        calendar->SetConnectNo(3);
        objects.Add(std::move(calendar));
        doc.WriteLabel(0, objects.List);
        doc.SaveToFile(file);
    }
    TLabelData read;
    read.LoadFromFile(file);
    TObjects back;
    read.ReadLabel(0, back.List, false);
    int dates = 0, backgrounds = 0, calendars = 0;
    for (TDrawObject* o : back.List) {
        if (auto* date = qobject_cast<TLODate*>(o)) {
            ++dates;
            const double expected[] = {1000, read.OpenTime(), read.LastPrint(), read.LastSave()};
            EXPECT_DOUBLE_EQ(date->Date(), expected[date->UpdateFlag()])
                << "flag " << int(date->UpdateFlag());
        }
        backgrounds += qobject_cast<TLOBackImage*>(o) != nullptr;
        if (auto* calendar = qobject_cast<TLOCalendar*>(o)) {
            ++calendars;
            EXPECT_EQ(LabelDataHooks().ConnectionNumber(*calendar), 3);
        }
    }
    EXPECT_EQ(dates, 4);
    EXPECT_EQ(backgrounds, 0) << "a blank background is not stored";
    EXPECT_EQ(calendars, 1);

    TLOCalendar source, target;
    source.SetKind(ckHorizontal);
    source.SetYear(2030);
    target.SetYear(2020);
    LabelDataHooks().AssignConnectedStyle(target, source);
    EXPECT_EQ(target.Kind(), ckHorizontal);
    EXPECT_EQ(target.Year(), 2020) << "the style, not the year";
    PrepareLabelDataTests();
}

TEST(LabelDataWithProgramKinds, BackgroundsCoverTheFaceWithItsBleed) {
    PrepareLabelDataTests();
    RegisterLayoutObjectClasses();
    InstallLabelDataHooks();
    struct TCase {
        int Margin;
        TRect Expected; // in face coordinates: (0, 0) at the cut line
    };
    const TCase Cases[] = {{0, {0, 0, 900, 600}}, {50, {-50, -50, 950, 650}}};
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Margin);
        TLabelData doc;
        auto paper = std::make_unique<TMatrixPaperInfo>();
        paper->SetWidth(2100);
        paper->SetHeight(2970);
        paper->SetFaceCountX(1);
        paper->SetFaceCountY(1);
        paper->SetFaceWidth(900);
        paper->SetFaceHeight(600);
        paper->SetLeftOffset(200);
        paper->SetTopOffset(300);
        paper->SetFaceMargin(C.Margin);
        doc.SetPaperInfo(paper.get());
        TObjects objects;
        auto* back = objects.Add(std::make_unique<TLOBackImage>());
        back->FillColor()->SetColor(TColor(0x0000FF));
        back->SetBoundsRect(TRect(5, 5, 10, 10));
        doc.WriteLabel(0, objects.List);
        TObjects read;
        doc.ReadLabel(0, read.List, false);
        ASSERT_EQ(read.List.Count(), 1);
        EXPECT_EQ(read.List[0]->GetBoundsRect(), C.Expected);
    }
    PrepareLabelDataTests();
}
