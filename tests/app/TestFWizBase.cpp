// The new-calendar wizard: filling each shipped template headless (months, photos,
// background colours, style, saving and reopening), the font fit and main-calendar rules,
// failures that leave the document alone, and the window run through its three pages.

#include "FWizBase.h"
#include "FWizPages.h"
#include "TestSupport.h"
#include "UAppClasses.h"
#include "UCalendarGhost.h"
#include "UDOList.h"
#include "ULOCalendar.h"
#include "ULOCalendarPage.h"
#include "ULOYearMonth.h"
#include "ULabelData.h"
#include "UPaperInfo.h"
#include "UPictureEx.h"
#include "UStreams.h"
#include "UUndo.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <set>

namespace {

const QString WizardFolder = QStringLiteral(VANTOMI_SOURCE_DIR "/data/Data/Wizard");

QString Shipped(const QString& Relative) {
    return WizardFolder + QLatin1Char('/') + Relative;
}

TWizardInfo::TFindFile ShippedDefinitions() {
    return [](const QString&) { return Shipped(QStringLiteral("Wizard.dat")); };
}

struct TOwned {
    TDOList List;
    TOwned() = default;
    TOwned(const TOwned&) = delete;
    ~TOwned() { List.FreeObjects(); }
};

// What a label of a filled document shows.
struct TLabelView {
    int Sheet, Face;
    std::vector<std::pair<int, TCalDate>> Calendars; // MonthOrigin, date shown
    std::vector<std::pair<int, TCalDate>> Captions;  // ConnectNo, date shown
    std::vector<QSize> Photos;                       // picture sizes
    std::vector<TRect> Crops;
    std::vector<TColor> Backgrounds;
    QStringList Classes; // bottom first
    QByteArray Bytes;    // the label's objects as an object stream, pictures included
};

std::vector<TLabelView> ViewDocument(TLabelData& Doc) {
    std::vector<TLabelView> views;
    for (int sheet = 0; sheet < Doc.SheetCount(); ++sheet) {
        Doc.SetSheet(sheet);
        for (int face = 0; face < Doc.PaperInfo()->GetFaceCount(); ++face) {
            if (!Doc.HasLabelData(face))
                continue;
            TOwned objects;
            Doc.ReadLabel(face, objects.List, true);
            TLabelView view{sheet, face, {}, {}, {}, {}, {}, {}, {}};
            for (TDrawObject* object : objects.List) {
                view.Classes.append(QString::fromLatin1(object->metaObject()->className()));
                if (auto* c = qobject_cast<TLOCalendar*>(object))
                    view.Calendars.push_back({c->MonthOrigin(), {c->Year(), c->Month(), 1}});
                else if (auto* y = qobject_cast<TLOYearMonth*>(object))
                    view.Captions.push_back({y->ConnectNo(), {y->Year(), y->Month(), 1}});
                else if (auto* p = qobject_cast<TLOCalendarPhoto*>(object)) {
                    const TPictureEx* picture = p->ImageData()->Picture();
                    view.Photos.push_back(QSize(picture->Width(), picture->Height()));
                    view.Crops.push_back(p->ImageData()->ClipFilter()->ClipRect());
                } else if (auto* b = qobject_cast<TLOCalendarBackGrnd*>(object))
                    view.Backgrounds.push_back(b->FillColor()->Color());
            }
            TMemoryStream stream;
            objects.List.SaveToStream(stream);
            view.Bytes = stream.Bytes();
            views.push_back(std::move(view));
        }
    }
    Doc.SetSheet(0);
    return views;
}

TCalDate MonthsOn(int Year, int Month, int Delta) {
    AddMonths(Year, Month, Delta);
    return {Year, Month, 1};
}

class Wizard : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static const bool registered = (RegisterApplicationClasses(), true);
        (void)registered;
    }
    static void TearDownTestSuite() { ActionList().Clear(); }

    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        // Three photos of different sizes and shapes.
        const QSize sizes[] = {{64, 48}, {50, 90}, {120, 40}};
        for (int i = 0; i < 3; ++i) {
            QImage image(sizes[i], QImage::Format_RGB32);
            image.fill(QColor::fromHsv(i * 100, 200, 220));
            const QString file = Dir.filePath(QStringLiteral("photo%1.png").arg(i));
            ASSERT_TRUE(image.save(file));
            Photos.append(file);
            PhotoSizes.push_back(sizes[i]);
        }
    }

    QTemporaryDir Dir;
    QStringList Photos;
    std::vector<QSize> PhotoSizes;
};

struct TTemplate {
    const char* File;
    int Sheets;
    int FacesPerSheet;
};

const TTemplate Templates[] = {
    {"Types/Wall.vtd", 12, 1},
    {"Types/Desk.vtd", 6, 1},
    {"Types/CDCase.vtd", 6, 2},
};

} // namespace

TEST_F(Wizard, EveryTemplateFillsWithConsecutiveMonthsPhotosAndColoursAndReopensTheSame) {
    for (const TTemplate& t : Templates) {
        SCOPED_TRACE(t.File);
        TLabelData doc;
        const TWizardOrder order{Shipped(QString::fromLatin1(t.File)), QString(), 2026, 11, Photos};
        FillCalendarDocument(doc, order);
        EXPECT_TRUE(doc.Modified());
        ASSERT_EQ(doc.SheetCount(), t.Sheets);
        const std::vector<TLabelView> views = ViewDocument(doc);
        ASSERT_EQ(static_cast<int>(views.size()), t.Sheets * t.FacesPerSheet);
        // The objects keep their stacking: the background at the bottom, as in the template.
        TLabelData original;
        original.LoadFromFile(order.TemplateFile);
        const std::vector<TLabelView> before = ViewDocument(original);
        ASSERT_EQ(before.size(), views.size());
        for (size_t i = 0; i < views.size(); ++i) {
            EXPECT_EQ(views[i].Classes, before[i].Classes) << "label " << i;
            EXPECT_EQ(views[i].Classes.value(0), QStringLiteral("TLOCalendarBackGrnd"));
        }

        // Twelve calendars, offsets 0..11, each showing its own month from November 2026.
        std::set<int> origins;
        std::set<std::pair<int, int>> months;
        int photoIndex = 0;
        for (const TLabelView& view : views) {
            SCOPED_TRACE(testing::Message() << "sheet " << view.Sheet << " face " << view.Face);
            for (const auto& [origin, date] : view.Calendars) {
                EXPECT_EQ(date, MonthsOn(2026, 11, origin));
                origins.insert(origin);
                months.insert({date.Year, date.Month});
            }
            for (const auto& caption : view.Captions) {
                // A caption shows a month of its own label.
                EXPECT_TRUE(std::any_of(view.Calendars.begin(), view.Calendars.end(),
                                        [&](const auto& c) { return c.second == caption.second; }));
            }
            ASSERT_EQ(view.Backgrounds.size(), 1u);
            const auto first =
                std::min_element(view.Calendars.begin(), view.Calendars.end(),
                                 [](const auto& a, const auto& b) { return a.first < b.first; });
            EXPECT_EQ(view.Backgrounds[0], MonthBackColor(first->second.Month));
            for (size_t i = 0; i < view.Photos.size(); ++i, ++photoIndex) {
                if (photoIndex < 3) {
                    EXPECT_EQ(view.Photos[i], PhotoSizes[photoIndex]);
                    const TRect& crop = view.Crops[i];
                    EXPECT_TRUE(crop.Left >= 0 && crop.Top >= 0 && crop.Left < crop.Right &&
                                crop.Top < crop.Bottom &&
                                crop.Right <= PhotoSizes[photoIndex].width() &&
                                crop.Bottom <= PhotoSizes[photoIndex].height());
                } else {
                    EXPECT_EQ(view.Photos[i], QSize(320, 200)); // the template's own picture
                }
            }
        }
        EXPECT_EQ(origins.size(), 12u);
        EXPECT_EQ(months.size(), 12u);
        EXPECT_EQ(*origins.begin(), 0);
        EXPECT_EQ(*origins.rbegin(), 11);
        EXPECT_GE(photoIndex, 3);
        EXPECT_EQ(doc.Year(), 2026);
        EXPECT_EQ(doc.Month(), 11);

        const QString saved = Dir.filePath(QStringLiteral("filled.vtd"));
        doc.SaveToFile(saved);
        TLabelData reopened;
        reopened.LoadFromFile(saved);
        const std::vector<TLabelView> again = ViewDocument(reopened);
        ASSERT_EQ(again.size(), views.size());
        for (size_t i = 0; i < views.size(); ++i)
            EXPECT_EQ(again[i].Bytes, views[i].Bytes) << "label " << i;
    }
}

TEST_F(Wizard, TiedCaptionsFollowTheirOwnCalendar) {
    TLabelData doc;
    FillCalendarDocument(doc, {Shipped(QStringLiteral("Types/Desk.vtd")), QString(), 2027, 12, {}});
    for (const TLabelView& view : ViewDocument(doc)) {
        ASSERT_EQ(view.Calendars.size(), 2u);
        ASSERT_EQ(view.Captions.size(), 2u);
        // Captions 1 and 2 are tied to the first and the second calendar of the postcard.
        EXPECT_EQ(view.Captions[0].second, view.Calendars[0].second);
        EXPECT_EQ(view.Captions[1].second, view.Calendars[1].second);
        EXPECT_NE(view.Calendars[0].second, view.Calendars[1].second);
    }
}

TEST_F(Wizard, AStyleGivesItsLookButKeepsPlaceSizeAndMonths) {
    TLabelData plain, styled;
    const QString wall = Shipped(QStringLiteral("Types/Wall.vtd"));
    FillCalendarDocument(plain, {wall, QString(), 2026, 1, {}});
    FillCalendarDocument(styled,
                         {wall, Shipped(QStringLiteral("Styles/ColorfulMon.vtd")), 2026, 1, {}});
    const std::unique_ptr<TLOCalendar> style =
        ReadStyleCalendar(Shipped(QStringLiteral("Styles/ColorfulMon.vtd")));
    for (int sheet = 0; sheet < 12; ++sheet) {
        plain.SetSheet(sheet);
        styled.SetSheet(sheet);
        TOwned a, b;
        plain.ReadLabel(0, a.List, false);
        styled.ReadLabel(0, b.List, false);
        ASSERT_EQ(a.List.Count(), b.List.Count());
        for (int i = 0; i < a.List.Count(); ++i) {
            auto* before = qobject_cast<TLOCalendar*>(a.List[i]);
            auto* after = qobject_cast<TLOCalendar*>(b.List[i]);
            if (!before)
                continue;
            ASSERT_TRUE(after);
            EXPECT_EQ(after->GetRect(), before->GetRect());
            EXPECT_EQ(after->MonthOrigin(), before->MonthOrigin());
            EXPECT_EQ(after->Month(), before->Month());
            EXPECT_EQ(after->ConnectNo(), before->ConnectNo());
            EXPECT_EQ(after->Appendix().Values(SMainFlag), QStringLiteral("1"));
            EXPECT_EQ(after->StartWeek(), 1);
            EXPECT_EQ(after->hdCircleColor(), style->hdCircleColor());
            EXPECT_EQ(after->WeekStyle(), style->WeekStyle());
        }
    }
}

TEST_F(Wizard, FailuresLeaveTheDocumentAlone) {
    const QString broken = Dir.filePath(QStringLiteral("broken.png"));
    WriteFileAtomic(broken, QByteArray("\x89PNG\r\n\x1a\nnot really", 18));
    const QString wall = Shipped(QStringLiteral("Types/Wall.vtd"));
    const struct {
        const char* Name;
        TWizardOrder Order;
    } cases[] = {
        {"missing template", {Dir.filePath(QStringLiteral("none.vtd")), QString(), 2026, 1, {}}},
        {"template is not a document", {broken, QString(), 2026, 1, {}}},
        {"missing photo",
         {wall, QString(), 2026, 1, {Photos[0], Dir.filePath(QStringLiteral("x.jpg"))}}},
        {"damaged photo", {wall, QString(), 2026, 1, {broken}}},
        {"style without calendar", {wall, broken, 2026, 1, {}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TLabelData doc;
        doc.SetDataName(QStringLiteral("まだ"));
        EXPECT_THROW(FillCalendarDocument(doc, c.Order), Exception);
        EXPECT_EQ(doc.DataName(), QStringLiteral("まだ"));
        EXPECT_EQ(doc.SheetCount(), 1);
    }
    try {
        TLabelData doc;
        FillCalendarDocument(doc, cases[3].Order);
    } catch (const EWizardFillError& e) {
        EXPECT_TRUE(e.Message.contains(broken)) << e.Message.toStdString();
    }
}

TEST(WizardFill, FontFitScalesThenShrinksToTheCell) {
    const auto widthPerPoint = [](int PerPoint) {
        return [PerPoint](int Size) { return Size * PerPoint; };
    };
    const struct {
        int Size, NewExtent, OldExtent;
        std::function<int(int)> WidthAt;
        int Cell, Want;
    } cases[] = {
        {20, 500, 1000, {}, 0, 10},                   // halved
        {20, 2000, 1000, {}, 0, 40},                  // doubled
        {20, 1, 1000, {}, 0, 1},                      // never below 1
        {20, 500, 0, {}, 0, 20},                      // no old extent: unchanged
        {20, 1000, 1000, widthPerPoint(10), 150, 15}, // shrunk to fit
        {20, 1000, 1000, widthPerPoint(10), 5, 1},    // stops at 1 point
        {12, 1000, 1000, widthPerPoint(10), 500, 12}, // fits already
    };
    for (const auto& c : cases)
        EXPECT_EQ(FitFontSize(c.Size, c.NewExtent, c.OldExtent, c.WidthAt, c.Cell), c.Want)
            << c.Size << " " << c.NewExtent << "/" << c.OldExtent << " cell " << c.Cell;
}

TEST(WizardFill, MainCalendarByFlagOrByMonthOffset) {
    const struct {
        const char* Flag; // nullptr: no MainFlag line
        int Origin, MonthCount;
        bool Main;
    } cases[] = {
        {"1", 40, 12, true},      {"0", 0, 12, false},     {" 1 ", 5, 1, true},
        {nullptr, 0, 12, true},   {nullptr, 11, 12, true}, {nullptr, 12, 12, false},
        {nullptr, -1, 12, false}, {nullptr, 0, 0, false},
    };
    for (const auto& c : cases) {
        TLOCalendar calendar;
        calendar.SetMonthOrigin(c.Origin);
        if (c.Flag) {
            TStringList appendix;
            appendix.Add(QStringLiteral("MainFlag=") + QString::fromLatin1(c.Flag));
            calendar.SetAppendix(appendix);
        }
        EXPECT_EQ(IsMainCalendar(calendar, c.MonthCount), c.Main)
            << (c.Flag ? c.Flag : "-") << " " << c.Origin << " " << c.MonthCount;
    }
}

TEST_F(Wizard, WindowRunsThroughItsThreePages) {
    const QString shots =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../screenshots");
    QDir().mkpath(shots);
    TfrmWizBase wizard(nullptr, ShippedDefinitions());
    wizard.show();
    QApplication::processEvents();

    // Page 0: the three types, nothing chosen yet.
    ASSERT_EQ(wizard.PageIndex(), 0);
    EXPECT_EQ(wizard.windowTitle(), QStringLiteral("カレンダータイプの選択"));
    auto* type = qobject_cast<TfrmWizType*>(wizard.Page());
    ASSERT_TRUE(type);
    ASSERT_EQ(type->lstTypes->count(), 3);
    EXPECT_FALSE(type->lstTypes->item(0)->icon().isNull()); // the template's preview
    EXPECT_FALSE(wizard.btnPrev->isEnabled());
    EXPECT_FALSE(wizard.actNext->isEnabled());
    EXPECT_FALSE(wizard.actFinish->isEnabled());
    type->lstTypes->setCurrentRow(0);
    EXPECT_TRUE(wizard.actNext->isEnabled());
    EXPECT_TRUE(wizard.btnNext->isEnabled());
    wizard.grab().save(shots + QStringLiteral("/wizard-1-type.png"));
    wizard.btnNext->click();

    // Page 1: the template's own look and three styles; the pull-down narrows to variants.
    ASSERT_EQ(wizard.PageIndex(), 1);
    EXPECT_EQ(wizard.windowTitle(), QStringLiteral("カレンダースタイルの選択"));
    auto* style = qobject_cast<TfrmWizStyle*>(wizard.Page());
    ASSERT_TRUE(style);
    EXPECT_EQ(style->lstStyles->count(), 4);
    ASSERT_EQ(style->cmbPullDown->count(), 2);
    EXPECT_EQ(style->cmbPullDown->itemText(0), SWizardShowAll);
    style->cmbPullDown->setCurrentIndex(1);
    ASSERT_EQ(style->lstStyles->count(), 4);
    style->lstStyles->setCurrentRow(2);
    EXPECT_TRUE(wizard.Order().StyleFile.endsWith(QStringLiteral("ColorfulMon.vtd")))
        << wizard.Order().StyleFile.toStdString();
    EXPECT_TRUE(wizard.btnPrev->isEnabled());
    wizard.grab().save(shots + QStringLiteral("/wizard-2-style.png"));
    wizard.btnNext->click();

    // Page 2: year, month and photos; the default button finishes.
    ASSERT_EQ(wizard.PageIndex(), 2);
    EXPECT_EQ(wizard.windowTitle(), QStringLiteral("年月・写真の設定"));
    auto* photo = qobject_cast<TfrmWizPhoto*>(wizard.Page());
    ASSERT_TRUE(photo);
    EXPECT_EQ(wizard.btnNext->text(), QStringLiteral("完了"));
    EXPECT_FALSE(wizard.btnFinish->isVisible());
    photo->spnYear->setValue(2027);
    photo->spnMonth->setValue(4);
    photo->AddPhotos(Photos);
    ASSERT_TRUE(photo->UpdatePreview());
    EXPECT_FALSE(photo->imgPreview->pixmap().isNull());
    EXPECT_FALSE(wizard.ProgressBar->isVisible());
    wizard.grab().save(shots + QStringLiteral("/wizard-3-photo.png"));

    // Back and forth keeps what was chosen.
    wizard.btnPrev->click();
    ASSERT_EQ(wizard.PageIndex(), 1);
    wizard.btnNext->click();
    ASSERT_EQ(wizard.PageIndex(), 2);
    photo = qobject_cast<TfrmWizPhoto*>(wizard.Page());
    EXPECT_EQ(photo->spnYear->value(), 2027);
    EXPECT_EQ(photo->lstPhotos->count(), 3);

    wizard.btnNext->click();
    EXPECT_EQ(wizard.result(), QDialog::Accepted);
    const std::vector<TLabelView> views = ViewDocument(wizard.Document());
    ASSERT_EQ(views.size(), 12u);
    for (const TLabelView& view : views)
        for (const auto& [origin, date] : view.Calendars)
            EXPECT_EQ(date, MonthsOn(2027, 4, origin));
    EXPECT_EQ(views[0].Photos[0], PhotoSizes[0]);
}

TEST_F(Wizard, PhotosChosenTogetherAllArriveAndThePreviewFollowsEveryChoice) {
    TfrmWizBase wizard(nullptr, ShippedDefinitions());
    wizard.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wizard));
    auto* type = qobject_cast<TfrmWizType*>(wizard.Page());
    ASSERT_TRUE(type);
    type->lstTypes->setCurrentRow(0);
    QTest::mouseClick(wizard.btnNext, Qt::LeftButton);
    QTest::mouseClick(wizard.btnNext, Qt::LeftButton);
    auto* photo = qobject_cast<TfrmWizPhoto*>(wizard.Page());
    ASSERT_TRUE(photo);
    const int frames = CountCalendarPhotos(wizard.Document());
    ASSERT_GT(frames, 3) << "the template has more photo frames than the test chooses";
    EXPECT_TRUE(photo->lblSlots->text().contains(
        QStringLiteral("写真を選んでいない %1 か所は、テンプレートの見本の写真のままです")
            .arg(frames)))
        << photo->lblSlots->text().toStdString();
    const auto settled = [photo] { return !photo->PreviewPending(); };

    // Three photos chosen at once in the dialog: all three are taken, and the preview and
    // the note follow without being asked.
    int asked = 0;
    photo->AskPhotoFiles = [&](QWidget*) {
        ++asked;
        return Photos;
    };
    const QImage empty = photo->imgPreview->pixmap().toImage();
    QTest::mouseClick(photo->btnAddPhotos, Qt::LeftButton);
    EXPECT_EQ(asked, 1);
    ASSERT_EQ(photo->lstPhotos->count(), 3);
    ASSERT_TRUE(QTest::qWaitFor(settled, 10000));
    EXPECT_EQ(wizard.Order().Photos, Photos);
    EXPECT_TRUE(photo->lblSlots->text().contains(
        QStringLiteral("写真を選んでいない %1 か所は、テンプレートの見本の写真のままです")
            .arg(frames - 3)))
        << photo->lblSlots->text().toStdString();
    const QImage withPhotos = photo->imgPreview->pixmap().toImage();
    EXPECT_NE(withPhotos, empty) << "the preview shows the photos";
    std::vector<TLabelView> views = ViewDocument(wizard.Document());
    ASSERT_FALSE(views.empty());
    ASSERT_FALSE(views[0].Photos.empty());
    EXPECT_EQ(views[0].Photos[0], PhotoSizes[0]);

    // The start month typed up by one: the document and the preview follow.
    const int year = photo->spnYear->value();
    const int month = photo->spnMonth->value();
    photo->spnMonth->setFocus();
    QTest::keyClick(photo->spnMonth, month < 12 ? Qt::Key_Up : Qt::Key_Down);
    const int moved = month < 12 ? month + 1 : month - 1;
    ASSERT_TRUE(QTest::qWaitFor(settled, 10000));
    EXPECT_EQ(wizard.Order().Month, moved);
    views = ViewDocument(wizard.Document());
    ASSERT_FALSE(views.empty());
    ASSERT_FALSE(views[0].Calendars.empty());
    EXPECT_EQ(views[0].Calendars[0].second, MonthsOn(year, moved, views[0].Calendars[0].first));
    EXPECT_NE(photo->imgPreview->pixmap().toImage(), withPhotos) << "the preview shows the month";

    // One photo removed: two remain, and the note counts one more frame left as it was.
    photo->lstPhotos->setCurrentRow(1);
    QTest::mouseClick(photo->btnRemovePhoto, Qt::LeftButton);
    ASSERT_EQ(photo->lstPhotos->count(), 2);
    ASSERT_TRUE(QTest::qWaitFor(settled, 10000));
    EXPECT_EQ(wizard.Order().Photos, QStringList({Photos[0], Photos[2]}));
    EXPECT_TRUE(photo->lblSlots->text().contains(QStringLiteral("%1 か所は").arg(frames - 2)))
        << photo->lblSlots->text().toStdString();
}

TEST_F(Wizard, DamagedOrMissingDefinitionsLeaveAnEmptyFirstPageWithTheReason) {
    const QString damaged = Dir.filePath(QStringLiteral("Wizard.dat"));
    WriteFileAtomic(damaged, QByteArray("\x00\xff\x81[Types\n1=\n=x\n", 16));
    for (const QString& found : {QString(), damaged}) {
        TfrmWizBase wizard(nullptr, [&](const QString&) { return found; });
        auto* type = qobject_cast<TfrmWizType*>(wizard.Page());
        ASSERT_TRUE(type);
        EXPECT_EQ(type->lstTypes->count(), 0);
        EXPECT_FALSE(type->lblMessage->text().isEmpty());
        EXPECT_FALSE(wizard.actNext->isEnabled());
        EXPECT_FALSE(wizard.actFinish->isEnabled());
    }
}

TEST_F(Wizard, CancellingTheModalWizardLeavesTheDocumentAlone) {
    TLabelData doc;
    doc.SetDataName(QStringLiteral("そのまま"));
    doc.SetModified(false);
    bool seen = false;
    QTimer::singleShot(0, [&seen] {
        auto* wizard = qobject_cast<TfrmWizBase*>(QApplication::activeModalWidget());
        seen = wizard != nullptr;
        if (wizard)
            wizard->btnCancel->click();
        else if (QWidget* other = QApplication::activeModalWidget())
            other->close();
    });
    EXPECT_FALSE(RunNewCalendarWizard(nullptr, doc));
    EXPECT_TRUE(seen);
    EXPECT_EQ(doc.DataName(), QStringLiteral("そのまま"));
    EXPECT_FALSE(doc.Modified());
}
