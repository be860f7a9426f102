// The position frame, the position dialog and the preview frame on their own.

#include "PropertyDialogTestSupport.h"

#include "FLineProperty.h"
#include "FObjectPreview.h"
#include "FPosition.h"
#include "FPositionProperty.h"
#include "FPropertyDialog.h"
#include "UDOGroup.h"
#include "UDOList.h"
#include "UDrawSite.h"
#include "UExSpinEdit.h"
#include "ULOJANCode.h"
#include "ULOLine.h"
#include "ULORect.h"
#include "ULOText.h"
#include "UScaler.h"
#include "UUndo.h"

#include <QCheckBox>
#include <QLabel>
#include <QScrollArea>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

std::unique_ptr<TLOText> MakeText() {
    auto text = std::make_unique<TLOText>();
    text->SetBoundsRect(TRect(10, 20, 310, 120));
    text->SetAngle(15);
    text->SetAutoSize(true);
    text->SetBlendRatio(70);
    text->SetMovable(false);
    text->SetDontPrint(true);
    return text;
}

std::unique_ptr<TDOGroup> MakeGroup() {
    auto member = std::make_unique<TLORect>();
    member->SetBoundsRect(TRect(100, 50, 300, 250));
    TDOList members;
    members.Add(member.get());
    auto group = std::make_unique<TDOGroup>();
    group->AddObjects(members);
    return group;
}

std::unique_ptr<TLOLine> MakeLine() {
    auto line = std::make_unique<TLOLine>();
    line->SetStartPoint(TPoint(0, 0));
    line->SetEndPoint(TPoint(100, 100));
    return line;
}

struct TLoadCase {
    const char* Name;
    std::function<std::unique_ptr<TDrawObject>()> Make;
    TPositionValues Expected;
};

TPositionValues Values(int Angle, bool Lock, bool DontPrint, bool HasAutoSize, bool AutoSize,
                       TRect R, bool HasBlend, int Blend, bool HasRotate, bool HasPosition) {
    TPositionValues v;
    v.Angle = Angle;
    v.Lock = Lock;
    v.DontPrint = DontPrint;
    v.HasAutoSize = HasAutoSize;
    v.AutoSize = AutoSize;
    v.Left = R.Left;
    v.Top = R.Top;
    v.Width = R.Width();
    v.Height = R.Height();
    v.HasBlend = HasBlend;
    v.BlendRatio = Blend;
    v.HasRotate = HasRotate;
    v.HasPosition = HasPosition;
    return v;
}

std::vector<TLoadCase> LoadCases() {
    return {
        {"text answers every capability", [] { return MakeText(); },
         Values(15, true, true, true, true, TRect(10, 20, 310, 120), true, 70, true, true)},
        {"bar code: no blend, no auto size",
         [] {
             auto jan = std::make_unique<TLOJANCode>();
             jan->SetBoundsRect(TRect(5, 5, 405, 205));
             return jan;
         },
         Values(0, false, false, false, false, TRect(5, 5, 405, 205), false, 100, true, true)},
        // The member's bounds take its 1 mm frame in.
        {"group: position only", [] { return MakeGroup(); },
         Values(0, false, false, false, false, TRect(95, 45, 305, 255), false, 100, false, true)},
        {"line: no position", [] { return MakeLine(); },
         Values(45, false, false, false, false, TRect(), true, 100, true, false)},
    };
}

void ExpectSameValues(const TPositionValues& A, const TPositionValues& B) {
    EXPECT_EQ(A.Angle, B.Angle);
    EXPECT_EQ(A.Lock, B.Lock);
    EXPECT_EQ(A.DontPrint, B.DontPrint);
    EXPECT_EQ(A.HasAutoSize, B.HasAutoSize);
    EXPECT_EQ(A.AutoSize, B.AutoSize);
    EXPECT_EQ(A.Left, B.Left);
    EXPECT_EQ(A.Top, B.Top);
    EXPECT_EQ(A.Width, B.Width);
    EXPECT_EQ(A.Height, B.Height);
    EXPECT_EQ(A.HasBlend, B.HasBlend);
    EXPECT_EQ(A.BlendRatio, B.BlendRatio);
    EXPECT_EQ(A.HasRotate, B.HasRotate);
    EXPECT_EQ(A.HasPosition, B.HasPosition);
}

class PositionFrame : public ::testing::Test {
protected:
    TDialogTestEnvironment Env;
    TfrmPosition Frame;
};

TEST_F(PositionFrame, LoadsWhatTheObjectAnswersAndShowsOnlyThoseFields) {
    for (const TLoadCase& c : LoadCases()) {
        SCOPED_TRACE(c.Name);
        std::unique_ptr<TDrawObject> object = c.Make();
        const TPositionValues loaded = TfrmPosition::Load(*object);
        ExpectSameValues(loaded, c.Expected);
        Frame.ShowValues(loaded);
        EXPECT_EQ(!Frame.cbAutoSize->isHidden(), c.Expected.HasAutoSize);
        EXPECT_EQ(Frame.cbAutoSize->isChecked(), c.Expected.AutoSize);
        EXPECT_EQ(!Frame.seBlend->isHidden(), c.Expected.HasBlend);
        EXPECT_EQ(Frame.esRotate->isEnabled(), c.Expected.HasRotate);
        EXPECT_EQ(Frame.esWidth->isEnabled(), c.Expected.HasPosition && !c.Expected.AutoSize);

        // Reading back what was shown and applying it changes nothing.
        const QByteArray before = PropertyStreamOf(*object);
        EXPECT_TRUE(Frame.ApplyTo(*object));
        EXPECT_EQ(StreamDifference(PropertyStreamOf(*object), before), "");
    }
}

TEST_F(PositionFrame, AutoSizeSwitchesTheSizeFieldsOff) {
    std::unique_ptr<TLOText> text = MakeText();
    Frame.LoadFrom(*text);
    EXPECT_FALSE(Frame.esWidth->isEnabled());
    EXPECT_FALSE(Frame.esHeight->isEnabled());
    Frame.cbAutoSize->click();
    EXPECT_TRUE(Frame.esWidth->isEnabled());
    EXPECT_TRUE(Frame.esHeight->isEnabled());
    Frame.esWidth->setText(QStringLiteral("50"));
    ASSERT_TRUE(Frame.ApplyTo(*text));
    EXPECT_FALSE(text->GetAutoSize());
    EXPECT_EQ(text->Width(), 500);
}

TEST_F(PositionFrame, AppliesEachValueInItsUnits) {
    std::unique_ptr<TLOText> text = MakeText();
    text->SetAutoSize(false);
    Frame.LoadFrom(*text);
    Frame.esLeft->setText(QStringLiteral("-2.5"));
    Frame.esTop->setText(QStringLiteral("3"));
    Frame.esWidth->setText(QStringLiteral("12.5"));
    Frame.esHeight->setText(QStringLiteral("40"));
    Frame.esRotate->setText(QStringLiteral("90"));
    Frame.seBlend->setText(QStringLiteral("30"));
    Frame.cbLock->setChecked(false);
    Frame.cbDontPrint->setChecked(false);
    ASSERT_TRUE(Frame.ApplyTo(*text));
    EXPECT_EQ(text->Left(), -25);
    EXPECT_EQ(text->Top(), 30);
    EXPECT_EQ(text->Width(), 125);
    EXPECT_EQ(text->Height(), 400);
    EXPECT_EQ(text->GetAngle(), 90);
    EXPECT_EQ(text->BlendRatio(), 30);
    EXPECT_TRUE(text->Movable());
    EXPECT_FALSE(text->DontPrint());
}

TEST_F(PositionFrame, RefusesSizesThatCannotBeAppliedAndAppliesNothing) {
    const struct {
        const char* Width;
        bool Accepted;
    } cases[] = {
        {"", false},    {"-5", false},   {"0", false},
        {"abc", false}, {"2000", false}, // beyond the 1000 mm limit
        {"12.5", true}, {"1000", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Width);
        auto rect = std::make_unique<TLORect>();
        rect->SetBoundsRect(TRect(0, 0, 300, 200));
        Frame.LoadFrom(*rect);
        Frame.esLeft->setText(QStringLiteral("7"));
        Frame.esWidth->setText(QString::fromLatin1(c.Width));
        TPositionValues values;
        QWidget* field = nullptr;
        QString message;
        EXPECT_EQ(Frame.ReadValues(values, field, message), c.Accepted);
        EXPECT_EQ(Frame.ApplyTo(*rect), c.Accepted);
        if (c.Accepted) {
            EXPECT_EQ(rect->Left(), 70);
            continue;
        }
        EXPECT_EQ(field, Frame.esWidth);
        EXPECT_TRUE(message.contains(QStringLiteral("幅"))) << message.toStdString();
        EXPECT_EQ(rect->GetRect(), TRect(0, 0, 300, 200)) << "nothing applied, not even Left";
    }
}

TEST_F(PositionFrame, ANewObjectWithoutSizeMayKeepIt) {
    auto rect = std::make_unique<TLORect>();
    Frame.LoadFrom(*rect);
    QString message;
    EXPECT_EQ(Frame.FindProblem(message), nullptr);
    Frame.esWidth->setText(QStringLiteral("-1"));
    EXPECT_EQ(Frame.FindProblem(message), Frame.esWidth);
}

TEST_F(PositionFrame, TellsWhenTheSizeHoldsAValidValue) {
    auto rect = std::make_unique<TLORect>();
    rect->SetBoundsRect(TRect(0, 0, 300, 200));
    Frame.LoadFrom(*rect);
    int changes = 0;
    QObject::connect(&Frame, &TfrmPosition::OnChange, [&] { ++changes; });
    Frame.esWidth->setText(QString());
    Frame.esHeight->setText(QStringLiteral("x"));
    EXPECT_EQ(changes, 0);
    Frame.esHeight->setText(QStringLiteral("5"));
    EXPECT_EQ(changes, 0) << "the width is still empty";
    Frame.esWidth->setText(QStringLiteral("8"));
    EXPECT_EQ(changes, 1);
}

TEST(PositionProperty, AppliesOnlyTheFieldsThatHoldValidValues) {
    TDialogTestEnvironment env;
    TfrmPositionProperty dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("位置･サイズの設定"));

    auto rect = std::make_unique<TLORect>();
    rect->SetBoundsRect(TRect(100, 100, 400, 300));
    dialog.LoadFrom(*rect);
    EXPECT_EQ(dialog.Pages()->currentWidget()->objectName(), QStringLiteral("RectPosition"));
    EXPECT_EQ(dialog.esWidth->text(), QStringLiteral("30"));
    dialog.esLeft->setText(QStringLiteral("5"));
    dialog.esWidth->setText(QString());            // empty: kept
    dialog.esHeight->setText(QStringLiteral("1")); // below the 2 mm limit: kept
    dialog.esTop->setText(QStringLiteral("2.5"));
    dialog.ApplyTo(*rect);
    EXPECT_EQ(rect->GetRect(), TRect(50, 25, 350, 225));

    auto line = std::make_unique<TLOLine>();
    line->SetStartPoint(TPoint(10, 20));
    line->SetEndPoint(TPoint(30, 40));
    dialog.LoadFrom(*line);
    EXPECT_EQ(dialog.Pages()->currentWidget()->objectName(), QStringLiteral("LinePosition"));
    dialog.esStartX->setText(QStringLiteral("7"));
    dialog.esEndX->setText(QStringLiteral("-200000")); // beyond the logical plane: kept
    dialog.esEndY->setText(QStringLiteral("x"));
    dialog.ApplyTo(*line);
    EXPECT_EQ(line->GetStartPoint(), TPoint(70, 20));
    EXPECT_EQ(line->GetEndPoint(), TPoint(30, 40));
}

// On a face with a bleed margin the page starts at the margin's corner; every position field
// counts from the cut line (the page's user origin), and what the user leaves alone comes
// back unchanged, even beyond the fields' limits.
TEST(PositionProperty, FieldsCountFromThePagesOriginAndKeepUntouchedValues) {
    TDialogTestEnvironment env;
    env.Site().SetUserOrigin(TPoint(25, 25));
    TLORect& rect = env.Place([] {
        auto r = std::make_unique<TLORect>();
        r->SetBoundsRect(TRect(145, 105, 345, 255));
        return r;
    }());
    TLOLine& line = env.Place([] {
        auto l = std::make_unique<TLOLine>();
        l->SetStartPoint(TPoint(-25, 125));
        l->SetEndPoint(TPoint(325, 150025));
        return l;
    }());

    TfrmPositionProperty dialog;
    dialog.LoadFrom(rect);
    EXPECT_EQ(dialog.esLeft->Value(), 120);
    EXPECT_EQ(dialog.esTop->Value(), 80);
    dialog.ApplyTo(rect);
    EXPECT_EQ(rect.GetRect(), TRect(145, 105, 345, 255)) << "OK alone moves nothing";
    dialog.esTop->setText(QStringLiteral("3"));
    dialog.ApplyTo(rect);
    EXPECT_EQ(rect.GetRect(), TRect(145, 55, 345, 205)) << "3 mm below the cut line";

    dialog.LoadFrom(line);
    EXPECT_EQ(TPoint(dialog.esStartX->Value(), dialog.esStartY->Value()), TPoint(-50, 100));
    dialog.ApplyTo(line);
    EXPECT_EQ(line.GetStartPoint(), TPoint(-25, 125));
    EXPECT_EQ(line.GetEndPoint(), TPoint(325, 150025)) << "beyond 1 m, untouched";
    dialog.esEndY->setText(QStringLiteral("5"));
    dialog.ApplyTo(line);
    EXPECT_EQ(line.GetEndPoint(), TPoint(325, 75));

    // The position page of the object's own dialog and the line dialog count the same way.
    TfrmPosition frame;
    frame.LoadFrom(rect);
    EXPECT_EQ(TPoint(frame.esLeft->Value(), frame.esTop->Value()), TPoint(120, 30));
    ASSERT_TRUE(frame.ApplyTo(rect));
    EXPECT_EQ(rect.GetRect(), TRect(145, 55, 345, 205));
    frame.esLeft->setText(QStringLiteral("0"));
    ASSERT_TRUE(frame.ApplyTo(rect));
    EXPECT_EQ(rect.GetRect().Left, 25) << "on the cut line";

    TfrmLineProperty lineDialog(line);
    lineDialog.LoadFrom(line);
    EXPECT_EQ(lineDialog.Fields.esStartX->Value(), -50);
    EXPECT_EQ(lineDialog.Fields.esEndY->Value(), 50);
    lineDialog.Fields.esStartY->setText(QStringLiteral("1"));
    lineDialog.ApplyTo(line);
    EXPECT_EQ(line.GetStartPoint(), TPoint(-25, 35));
    EXPECT_EQ(line.GetEndPoint(), TPoint(325, 75));
}

TEST(ObjectPreview, FitsTheObjectsOrShowsThemAtTrueSizeWithoutTouchingThem) {
    TDialogTestEnvironment env;
    TLORect& rect = env.Place([] {
        auto r = std::make_unique<TLORect>();
        r->SetBoundsRect(TRect(500, 400, 1500, 900));
        r->SetFillInside(true);
        return r;
    }());
    TframeObjectPreview preview;
    preview.resize(300, 300);
    preview.show();
    preview.Attach({&rect});
    EXPECT_GT(preview.Scale(), 0);
    EXPECT_LT(preview.Scale(), 100);
    const QImage fitted = preview.Picture().toImage();
    EXPECT_LE(fitted.width(), preview.View()->width());
    int painted = 0;
    for (int y = 0; y < fitted.height(); ++y)
        for (int x = 0; x < fitted.width(); ++x)
            painted += fitted.pixel(x, y) != qRgb(255, 255, 255);
    EXPECT_GT(painted, fitted.width()) << "the frame of the rectangle shows";
    EXPECT_EQ(preview.View()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    preview.ShowTrueSizeBox()->setChecked(true);
    EXPECT_EQ(preview.Scale(), 100);
    const int dpi = GetScreenPixelsPerInch();
    EXPECT_NEAR(preview.Picture().width(), MulDiv(rect.GetBoundsRect().Width(), dpi, 254), 2);
    EXPECT_EQ(preview.View()->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    SaveScreenshot(preview, QStringLiteral("ObjectPreview-TrueSize"));

    // The object drawn was a copy: the original stays where and whose it was.
    EXPECT_EQ(rect.GetRect(), TRect(500, 400, 1500, 900));
    EXPECT_EQ(rect.DrawSite(), &env.Site());

    preview.Attach({});
    EXPECT_EQ(preview.Scale(), 0);
}

} // namespace
