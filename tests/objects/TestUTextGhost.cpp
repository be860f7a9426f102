#include "UTextGhost.h"

#include "DesignTestSupport.h"
#include "FTextEdit.h"
#include "UDrawSiteHost.h"
#include "ULOText.h"
#include "UObjectFactory.h"
#include "URectGhost.h"
#include "UUtils.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// The designers as the program registers them: rectangle first, text last (asked first).
struct TInstalledTextDesigners {
    TDODesignerList Designers;
    TInstalledTextDesigners() {
        Designers.Add(std::make_unique<TDORectGhostDesigner>());
        Designers.Add(std::make_unique<TDOTextGhostDesigner>());
        InstallGhostList();
        TheGhostList().SetClearEvent({});
        SetDesignerList(&Designers);
        ActionList().Clear();
        SetGhostSnapHook({});
    }
    ~TInstalledTextDesigners() {
        TheGhostList().Cancel();
        ActionList().Clear();
        SetGhostList(nullptr);
        SetDesignerList(nullptr);
    }
};

// Accepts (or cancels) the next text editor that opens, typing Text into it first.
void AnswerNextTextEditor(const QString& Text, bool Accept = true) {
    QTimer::singleShot(0, [Text, Accept] {
        auto* dialog = qobject_cast<TfrmTextEdit*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr) << "no text editor open";
        dialog->Editor()->setPlainText(Text);
        if (Accept)
            dialog->accept();
        else
            dialog->reject();
    });
}

std::vector<TPivot*> PivotsOf(TDrawSite& Site) {
    std::vector<TPivot*> pivots;
    for (int i = 0; i < Site.ControlCount(); ++i)
        if (auto* p = qobject_cast<TPivot*>(Site.Controls(i)))
            pivots.push_back(p);
    return pivots;
}

TPivot* PivotWithCode(TDrawSite& Site, int Code) {
    for (TPivot* p : PivotsOf(Site))
        if (p->Code() == Code)
            return p;
    return nullptr;
}

// A rectangle that answers IDOCurve with a fixed arc over its middle line, as curve objects
// of other kinds do.
class TCurvedRect : public TTestRect, public IDOCurve {
public:
    TPoint GetStartPoint() const override { return {Left(), Top() + Height() / 2}; }
    void SetStartPoint(const TPoint&) override {}
    TPoint GetEndPoint() const override { return {Left() + Width(), Top() + Height() / 2}; }
    void SetEndPoint(const TPoint&) override {}
    void BeginBulgeDrag() override {}
    void EndBulgeDrag() override {}
    TPoint GetBulgePoint() const override { return {Left() + Width() / 2, Top() - 50}; }
    void SetBulgePoint(const TPoint&) override {}
    bool QueryInterface(const TGUID& Id, void** Obj) override {
        return AnswerInterface<IDOCurve>(this, Id, Obj) || TTestRect::QueryInterface(Id, Obj);
    }
};

class TextGhosts : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterDesignTestObjects();
        RegisterObjectClasses();
    }
    void SetUp() override {
        FSite.Scaler().SetUnitDPI(GetScreenPixelsPerInch()); // one unit, one pixel
        FSite.SetLogWidth(1000);
        FSite.SetLogHeight(600);
        FSite.SetColor(clWhite);
    }
    TLOText* Place(const TRect& R, const QString& Text = QStringLiteral("ABCDEF")) {
        auto* t = new TLOText();
        t->SetName(QStringLiteral("Text%1").arg(++FCount));
        t->SetBoundsRect(R);
        t->Font()->SetName(QStringLiteral("IPAGothic"));
        t->Font()->SetSize(12);
        t->SetPlainText(Text);
        FSite.InsertObject(t);
        FSite.AddObject(t);
        return t;
    }
    // A drag of handle Code of Object from P by Delta (client pixels = logical units).
    void Drag(TDrawObject& Object, int Code, TPoint P, TPoint Delta) {
        ASSERT_TRUE(FDesigners.Designers.CreateGhost(Object, Code));
        TheGhostList().Begin(FSite, TRect(0, 0, 1000, 600), P, {});
        TheGhostList().Move({}, TPoint(P.x + Delta.x / 2, P.y + Delta.y / 2));
        TheGhostList().Move({}, TPoint(P.x + Delta.x, P.y + Delta.y));
        TheGhostList().End();
    }

    TInstalledTextDesigners FDesigners;
    TDrawSite FSite;
    int FCount = 0;
};

} // namespace

TEST_F(TextGhosts, OnlyCurvedTextsGetTheBulgeHandle) {
    TLOText* straight = Place(TRect(100, 100, 500, 160));
    straight->SetSelected(true);
    FSite.UpdatePivots();
    EXPECT_EQ(PivotsOf(FSite).size(), 8u);
    EXPECT_EQ(PivotWithCode(FSite, BulgeHitCode), nullptr);
    EXPECT_FALSE(TDOTextGhostDesigner::IsCurved(*straight));

    straight->SetBulge(80);
    EXPECT_TRUE(TDOTextGhostDesigner::IsCurved(*straight));
    FSite.UpdatePivots();
    EXPECT_EQ(PivotsOf(FSite).size(), 9u);
    TPivot* bulge = PivotWithCode(FSite, BulgeHitCode);
    ASSERT_NE(bulge, nullptr);
    EXPECT_NE(qobject_cast<TBulgePivot*>(bulge), nullptr);
    // Centred on the centre of the rectangle (300, 130).
    EXPECT_EQ(RectCenter(bulge->BoundsRect()), TPoint(300, 130));
    EXPECT_EQ(bulge->Cursor(), crSizeNS);
    // The rotation handles are those of the rectangle designer.
    int rotate = 0;
    for (TPivot* p : PivotsOf(FSite))
        rotate += p->Code() == 8;
    EXPECT_EQ(rotate, 2);

    // A distorted text without bulge is never curved.
    TLOText* distorted = Place(TRect(100, 300, 500, 360));
    distorted->CoonsDistortion()->SetTopCount(2);
    distorted->CoonsDistortion()->SetRightCount(2);
    distorted->CoonsDistortion()->SetBottomCount(2);
    distorted->CoonsDistortion()->SetLeftCount(2);
    EXPECT_FALSE(TDOTextGhostDesigner::IsCurved(*distorted));
    EXPECT_FALSE(FDesigners.Designers.CreateGhost(*distorted, BulgeHitCode));
    EXPECT_TRUE(FDesigners.Designers.CreateGhost(*straight, 7)) << "the rectangle designer's";
    TheGhostList().Clear();

    // A curve of another kind gets the handles, but its bulge drag is its own designer's.
    auto* curve = new TCurvedRect();
    curve->SetBoundsRect(TRect(600, 100, 900, 200));
    FSite.InsertObject(curve);
    FSite.AddObject(curve);
    EXPECT_TRUE(TDOTextGhostDesigner::IsCurved(*curve));
    TDOTextGhostDesigner designer;
    EXPECT_FALSE(designer.CreateGhost(*curve, BulgeHitCode));
    EXPECT_TRUE(designer.CreateGhost(*straight, BulgeHitCode));
    TheGhostList().Clear();
    FSite.SelectAll(false);
    curve->SetSelected(true);
    FSite.UpdatePivots();
    EXPECT_NE(PivotWithCode(FSite, BulgeHitCode), nullptr);
}

TEST_F(TextGhosts, BulgeDragIsOneUndoStepRestoringTheStream) {
    TLOText* t = Place(TRect(100, 200, 700, 260));
    t->SetBulge(60);
    const QByteArray before = StreamOf(*t);
    // The arc's middle point is dragged 100 units further up.
    Drag(*t, BulgeHitCode, TPoint(400, 230), TPoint(0, -100));
    EXPECT_EQ(t->Bulge(), 160);
    EXPECT_EQ(t->GetAngle(), 0);
    EXPECT_EQ(t->GetRect(), TRect(100, 200, 700, 260));
    EXPECT_FALSE(t->CurveEditing());
    const QByteArray after = StreamOf(*t);
    ASSERT_EQ(ActionList().Count(), 1);
    EXPECT_EQ(ActionList().UndoCaption(), SCaptionBulge);
    ActionList().Undo();
    EXPECT_EQ(StreamOf(*t), before);
    ActionList().Redo();
    EXPECT_EQ(StreamOf(*t), after);
}

// Carried round the page centre with turning on, an arc text turns about the middle of what
// it shows: its visible middle lands where the drag carried it.
TEST_F(TextGhosts, ArcTextCarriedRoundTheCentreTurnsAboutWhatItShows) {
    TLOText* t = Place(TRect(400, 60, 600, 120));
    t->SetBulge(100);
    const TRect before = t->GetBoundsRect();
    const TPoint c(500, 300);
    const TPoint m((before.Left + before.Right) / 2, (before.Top + before.Bottom) / 2);
    const TPoint to(c.x - (m.y - c.y), c.y + (m.x - c.x)); // a quarter turn round c
    TMoveOptions options;
    options.Circumference = true;
    options.CircumRotate = true;
    TMoveGhost ghost(*t, -1);
    ghost.SetOptions(options);
    ghost.Site = &FSite;
    ghost.Bounds = TRect(0, 0, 1000, 600);
    ghost.Start(m);
    ghost.Move({}, TPoint(to.x - m.x, to.y - m.y));
    auto* clone = qobject_cast<TLOText*>(ghost.Clone());
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->GetAngle(), 90);
    const TRect after = clone->GetBoundsRect();
    EXPECT_NEAR((after.Left + after.Right) / 2.0, to.x, 6);
    EXPECT_NEAR((after.Top + after.Bottom) / 2.0, to.y, 6);
}

TEST_F(TextGhosts, BulgeIsLimitedByTheDragBounds) {
    TLOText* t = Place(TRect(100, 200, 700, 260));
    t->SetBulge(60);
    Drag(*t, BulgeHitCode, TPoint(400, 230), TPoint(0, -5000));
    EXPECT_EQ(t->Bulge(), 600) << "the smaller side of the 1000 x 600 bounds";
}

TEST_F(TextGhosts, RotateAndStyleChangesAreOneStepEach) {
    TLOText* t = Place(TRect(200, 200, 600, 260));
    const QByteArray before = StreamOf(*t);
    // Rotate by the handle: from right of the centre to below it.
    Drag(*t, 8, TPoint(600, 230), TPoint(-200, 200));
    EXPECT_EQ(t->GetAngle(), 90);
    ASSERT_EQ(ActionList().Count(), 1);
    const QByteArray turned = StreamOf(*t);

    // A style change as the property dialogs record it.
    auto action = std::make_unique<TDOChangeAction>(*t);
    t->SetOutline(true);
    t->OutlineColor()->SetColor(clRed);
    t->SetOutLineWidth(6);
    t->TextColor()->SetKind(cskGradation);
    action->SetCaption(QStringLiteral("プロパティ"));
    TDOChangeAction::Commit(std::move(action), ActionList());
    ASSERT_EQ(ActionList().Count(), 2);
    const QByteArray styled = StreamOf(*t);

    ActionList().Undo();
    EXPECT_EQ(StreamOf(*t), turned);
    ActionList().Undo();
    EXPECT_EQ(StreamOf(*t), before);
    ActionList().Redo();
    ActionList().Redo();
    EXPECT_EQ(StreamOf(*t), styled);
}

TEST_F(TextGhosts, TypingThroughTheEditorIsOneStep) {
    TLOText* t = Place(TRect(200, 200, 600, 260), QStringLiteral("old"));
    const QByteArray before = StreamOf(*t);
    AnswerNextTextEditor(u"新しい\n二行目"_qs);
    EXPECT_TRUE(EditLabelObject(*t));
    EXPECT_EQ(t->Text().Count(), 2);
    EXPECT_EQ(t->Text()[0], u"新しい"_qs);
    ASSERT_EQ(ActionList().Count(), 1);
    EXPECT_EQ(ActionList().UndoCaption(), SCaptionTextEdit);
    const QByteArray typed = StreamOf(*t);
    ActionList().Undo();
    EXPECT_EQ(StreamOf(*t), before);
    ActionList().Redo();
    EXPECT_EQ(StreamOf(*t), typed);

    // Cancelling changes nothing and records nothing.
    AnswerNextTextEditor(QStringLiteral("ignored"), false);
    EXPECT_FALSE(EditLabelObject(*t));
    EXPECT_EQ(StreamOf(*t), typed);
    EXPECT_EQ(ActionList().Count(), 1);

    // An emptied text has no lines: the screen shows the placeholder again.
    AnswerNextTextEditor(QString());
    EXPECT_TRUE(EditLabelObject(*t));
    EXPECT_EQ(t->Text().Count(), 0);
}

namespace {

void Mouse(QWidget* Target, QEvent::Type Type, QPoint P, Qt::MouseButton Button,
           Qt::MouseButtons Buttons) {
    QMouseEvent event(Type, QPointF(P), QPointF(Target->mapToGlobal(P)), Button, Buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(Target, &event);
}

int BlueInk(const QImage& Image, const QRect& Area) {
    int n = 0;
    for (int y = Area.top(); y <= Area.bottom(); ++y)
        for (int x = Area.left(); x <= Area.right(); ++x) {
            const QRgb c = Image.pixel(x, y);
            n += qBlue(c) > 180 && qRed(c) < 90 && qGreen(c) < 90;
        }
    return n;
}

} // namespace

TEST_F(TextGhosts, OnTheScreenCreateEditAndBendAText) {
    std::unique_ptr<QScrollArea> area(TDrawSiteHost::CreateScrollArea(FSite));
    area->resize(1020, 620);
    area->show();
    QCoreApplication::processEvents();
    auto* host = qobject_cast<TDrawSiteHost*>(area->widget());
    ASSERT_NE(host, nullptr);

    // Creation by dragging, as the creation tool starts it.
    std::unique_ptr<TDrawObject> made = CreateObjectOfKind(QStringLiteral("TLOText"));
    auto* text = qobject_cast<TLOText*>(made.get());
    ASSERT_NE(text, nullptr);
    text->Font()->SetName(QStringLiteral("IPAGothic"));
    text->Font()->SetSize(20);
    text->TextColor()->SetColor(0xFF0000);
    FSite.InsertObject(made.release());
    FSite.AddObject(text);
    text->Hide();
    ASSERT_TRUE(FDesigners.Designers.CreateGhost(*text, -2));
    Mouse(host, QEvent::MouseButtonPress, QPoint(200, 200), Qt::LeftButton, Qt::LeftButton);
    Mouse(host, QEvent::MouseMove, QPoint(500, 250), Qt::NoButton, Qt::LeftButton);
    Mouse(host, QEvent::MouseMove, QPoint(800, 300), Qt::NoButton, Qt::LeftButton);
    Mouse(host, QEvent::MouseButtonRelease, QPoint(800, 300), Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(text->Visible());
    EXPECT_EQ(text->GetRect(), TRect(200, 200, 801, 301));
    ASSERT_EQ(ActionList().Count(), 1);

    // The empty text shows its placeholder on the screen.
    QCoreApplication::processEvents();
    QImage shot = area->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_GT(BlueInk(shot, QRect(200, 200, 600, 100)), 100);

    // A double click opens the editor.
    AnswerNextTextEditor(u"カレンダー2027"_qs);
    Mouse(host, QEvent::MouseButtonDblClick, QPoint(300, 240), Qt::LeftButton, Qt::LeftButton);
    Mouse(host, QEvent::MouseButtonRelease, QPoint(300, 240), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(text->PlainText(), u"カレンダー2027"_qs);

    // Bent a little by its properties, then further by its bulge handle.
    text->SetAlign(1);
    text->SetBulge(40);
    text->SetSelected(true);
    FSite.UpdatePivots();
    TPivot* handle = PivotWithCode(FSite, BulgeHitCode);
    ASSERT_NE(handle, nullptr);
    const TPoint centre = RectCenter(handle->BoundsRect());
    const QPoint at(centre.x, centre.y);
    const int steps = ActionList().Count();
    Mouse(host, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(GhostCount(), 1);
    Mouse(host, QEvent::MouseMove, at + QPoint(0, -60), Qt::NoButton, Qt::LeftButton);
    Mouse(host, QEvent::MouseMove, at + QPoint(0, -120), Qt::NoButton, Qt::LeftButton);
    Mouse(host, QEvent::MouseButtonRelease, at + QPoint(0, -120), Qt::LeftButton, Qt::NoButton);
    EXPECT_NEAR(text->Bulge(), 160, 1);
    EXPECT_EQ(ActionList().Count(), steps + 1);

    QCoreApplication::processEvents();
    shot = area->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    shot.save(QCoreApplication::applicationDirPath() + "/text-bulge-drag.png");
    // The middle of the centred text now stands well above the chord.
    const TRect b = text->GetBoundsRect();
    EXPECT_LT(b.Top, 150);
    EXPECT_GT(BlueInk(shot, QRect(450, b.Top, 100, 80)), 50) << "ink at the top of the arc";
    EXPECT_EQ(BlueInk(shot, QRect(450, 235, 100, 30)), 0) << "none left at the chord's middle";
}
