// The object property dialogs, opened through the program's designer list on objects of a
// surface: OK applies the changed fields as one undo step whose result is the stream of the
// object with exactly those changes; Cancel and refused fields change nothing.

#include "PropertyDialogTestSupport.h"

#include "FAlphaMaskProperty.h"
#include "FColorFill.h"
#include "FDecoLineProperty.h"
#include "FImageProperty.h"
#include "FPropertyDialog.h"
#include "TestSupport.h"
#include "UColGrid.h"
#include "UColorButtons.h"
#include "UColorFill.h"
#include "UColorFillHistory.h"
#include "UDOGroup.h"
#include "UDOList.h"
#include "UDesigner.h"
#include "UJANCode.h"
#include "ULOAlphaMask.h"
#include "ULOBackImage.h"
#include "ULOCalendar.h"
#include "ULOCalendarPage.h"
#include "ULOCreator.h"
#include "ULODate.h"
#include "ULODecoLine.h"
#include "ULODecoString.h"
#include "ULOImage.h"
#include "ULOJANCode.h"
#include "ULOLine.h"
#include "ULOOLE.h"
#include "ULOQRCode.h"
#include "ULORect.h"
#include "ULOText.h"
#include "ULOYearMonth.h"
#include "UPictureEx.h"
#include "UPropStream.h"
#include "UPropertyEditors.h"
#include "UStreams.h"
#include "UUndo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>

namespace {

using TDialog = TfrmPropertyDialog;

template <class T>
T* Find(TDialog& Dialog, const char* Name) {
    T* field = Dialog.findChild<T*>(QString::fromLatin1(Name));
    EXPECT_NE(field, nullptr) << Name;
    return field;
}

void Type(TDialog& Dialog, const char* Name, const QString& Text) {
    if (auto* edit = Find<QLineEdit>(Dialog, Name))
        edit->setText(Text);
}

void Check(TDialog& Dialog, const char* Name, bool On) {
    if (auto* box = Find<QCheckBox>(Dialog, Name))
        box->setChecked(On);
}

void Choose(TDialog& Dialog, const char* Name, int Index) {
    if (auto* combo = Find<QComboBox>(Dialog, Name))
        combo->setCurrentIndex(Index);
}

std::unique_ptr<TColorSpec> SolidSpec(TColor Color) {
    auto spec = std::make_unique<TColorSpec>();
    spec->SetKind(cskSolid);
    spec->SetColor(Color);
    return spec;
}

std::unique_ptr<TPictureEx> TestPicture() {
    auto picture = std::make_unique<TPictureEx>();
    picture->LoadFromFile(TestDataPath(QStringLiteral("pictures/backdrop.png")));
    return picture;
}

template <class T>
std::unique_ptr<T> WithRect(std::unique_ptr<T> Object, const TRect& R) {
    Object->SetBoundsRect(R);
    return Object;
}

// One dialog kind: an object to edit, the user's changes, the same changes made directly
// (what the stream after OK must show), and a field the dialog must refuse.
struct TDialogCase {
    const char* Name;
    QString Caption;
    std::function<TDrawObject&(TDialogTestEnvironment&)> Make;
    std::function<void(TDialog&)> Change;
    std::function<void(TDrawObject&)> Expect;
    std::function<void(TDialog&)> MakeInvalid;
};

template <class T>
std::function<void(TDrawObject&)> On(std::function<void(T&)> F) {
    return [F](TDrawObject& Object) {
        T* object = qobject_cast<T*>(&Object);
        ASSERT_NE(object, nullptr);
        F(*object);
    };
}

void EmptyWidth(TDialog& Dialog) {
    Type(Dialog, "esWidth", QString());
}

std::vector<TDialogCase> DialogCases() {
    std::vector<TDialogCase> cases;
    cases.push_back({"Line", QStringLiteral("直線の設定"),
                     [](TDialogTestEnvironment& Env) -> TDrawObject& {
                         auto line = std::make_unique<TLOLine>();
                         line->SetStartPoint(TPoint(100, 100));
                         line->SetEndPoint(TPoint(400, 100));
                         return Env.Place(std::move(line));
                     },
                     [](TDialog& D) {
                         Type(D, "seLineWidth", QStringLiteral("2.5"));
                         Type(D, "esEndX", QStringLiteral("60"));
                         Type(D, "seBlend", QStringLiteral("50"));
                         Check(D, "cbDontPrint", true);
                         Find<TfrmColorSpec>(D, "frmColorSpec")->SetColorSpec(*SolidSpec(0x0000FF));
                     },
                     On<TLOLine>([](TLOLine& L) {
                         L.SetLineWidth(25);
                         L.SetEndPoint(TPoint(600, 100));
                         L.SetBlendRatio(50);
                         L.SetDontPrint(true);
                         L.LineColor()->Assign(SolidSpec(0x0000FF).get());
                     }),
                     [](TDialog& D) { Type(D, "seLineWidth", QString()); }});
    cases.push_back({"Curve", QStringLiteral("円弧の設定"),
                     [](TDialogTestEnvironment& Env) -> TDrawObject& {
                         auto curve = std::make_unique<TLOCurve>();
                         curve->SetEndPoint(TPoint(300, 300));
                         return Env.Place(std::move(curve));
                     },
                     [](TDialog& D) {
                         Check(D, "cbLock", true);
                         Type(D, "esStartY", QStringLiteral("5"));
                     },
                     On<TLOCurve>([](TLOCurve& C) {
                         C.SetMovable(false);
                         C.SetStartPoint(TPoint(0, 50));
                     }),
                     // Beyond the page's logical plane (points off the face are valid).
                     [](TDialog& D) { Type(D, "esStartX", QStringLiteral("-100000.1")); }});
    cases.push_back({"Rect", QStringLiteral("四角形の設定"),
                     [](TDialogTestEnvironment& Env) -> TDrawObject& {
                         return Env.Place(
                             WithRect(std::make_unique<TLORect>(), TRect(100, 100, 400, 300)));
                     },
                     [](TDialog& D) {
                         Type(D, "seFrameWidth", QStringLiteral("2"));
                         Check(D, "cbFillInside", true);
                         Check(D, "cbRoundRect", true);
                         Type(D, "esLeft", QStringLiteral("20"));
                         Type(D, "esHeight", QStringLiteral("30"));
                     },
                     On<TLORect>([](TLORect& R) {
                         R.SetFrameWidth(20);
                         R.SetFillInside(true);
                         R.SetRoundRect(true);
                         R.SetLeft(200);
                         R.SetHeight(300);
                     }),
                     EmptyWidth});
    cases.push_back({"Circle", QStringLiteral("円の設定"),
                     [](TDialogTestEnvironment& Env) -> TDrawObject& {
                         return Env.Place(
                             WithRect(std::make_unique<TLOCircle>(), TRect(0, 0, 300, 300)));
                     },
                     [](TDialog& D) { Type(D, "esRotate", QStringLiteral("30")); },
                     On<TLOCircle>([](TLOCircle& C) { C.SetAngle(30); }),
                     [](TDialog& D) { Type(D, "esHeight", QStringLiteral("-3")); }});
    cases.push_back(
        {"Text", QStringLiteral("テキストの設定"),
         [](TDialogTestEnvironment& Env) -> TDrawObject& {
             auto text = WithRect(std::make_unique<TLOText>(), TRect(100, 100, 900, 400));
             text->SetPlainText(QStringLiteral("abc"));
             return Env.Place(std::move(text));
         },
         [](TDialog& D) {
             Find<QPlainTextEdit>(D, "memText")->setPlainText(QStringLiteral("新しい\n文字"));
             Choose(D, "cmbAlign", 1);
             Type(D, "seFontSize", QStringLiteral("24"));
             Check(D, "cbOutline", true);
             Choose(D, "cmbShadow", 2);
         },
         On<TLOText>([](TLOText& T) {
             T.SetPlainText(QStringLiteral("新しい\n文字"));
             T.SetAlign(1);
             T.Font()->SetSize(24);
             T.SetOutline(true);
             T.SetShadow(2);
         }),
         [](TDialog& D) { Type(D, "seFontSize", QStringLiteral("abc")); }});
    // A straight text goes onto an arc (and is distorted less); an arc text straightens.
    cases.push_back({"ArcText", QStringLiteral("テキストの設定"),
                     [](TDialogTestEnvironment& Env) -> TDrawObject& {
                         auto text =
                             WithRect(std::make_unique<TLOText>(), TRect(100, 100, 900, 400));
                         text->SetPlainText(QStringLiteral("円弧"));
                         return Env.Place(std::move(text));
                     },
                     [](TDialog& D) {
                         Check(D, "cbArc", true);
                         Type(D, "seBulge", QStringLiteral("15"));
                         Type(D, "seDistortionRatio", QStringLiteral("60"));
                     },
                     On<TLOText>([](TLOText& T) {
                         T.SetBulge(150);
                         T.SetDistortionRatio(60);
                     }),
                     [](TDialog& D) { Type(D, "seBulge", QStringLiteral("abc")); }});
    cases.push_back({"StraightText", QStringLiteral("テキストの設定"),
                     [](TDialogTestEnvironment& Env) -> TDrawObject& {
                         auto text =
                             WithRect(std::make_unique<TLOText>(), TRect(100, 100, 900, 400));
                         text->SetPlainText(QStringLiteral("円弧"));
                         text->SetBulge(-80);
                         return Env.Place(std::move(text));
                     },
                     [](TDialog& D) { Check(D, "cbArc", false); },
                     On<TLOText>([](TLOText& T) { T.SetBulge(0); }),
                     [](TDialog& D) { Type(D, "seDistortionRatio", QStringLiteral("-5")); }});
    cases.push_back(
        {"Date", QStringLiteral("日付の設定"),
         [](TDialogTestEnvironment& Env) -> TDrawObject& {
             auto date = WithRect(std::make_unique<TLODate>(), TRect(0, 0, 600, 200));
             date->SetFormat(QStringLiteral("yyyy/mm/dd"));
             date->SetDate(EncodeDateTime(QDate(2020, 5, 6), QTime(7, 8, 9)));
             return Env.Place(std::move(date));
         },
         [](TDialog& D) {
             Find<QComboBox>(D, "cmbFormat")->setCurrentText(QStringLiteral("yyyy年m月d日"));
             Choose(D, "cmbUpdateFlag", 2);
         },
         On<TLODate>([](TLODate& T) {
             T.SetFormat(QStringLiteral("yyyy年m月d日"));
             T.SetUpdateFlag(dufPrint);
         }),
         [](TDialog& D) { Find<QComboBox>(D, "cmbFormat")->setCurrentText(QString()); }});
    cases.push_back({"Image", QStringLiteral("イメージの設定"),
                     [](TDialogTestEnvironment& Env) -> TDrawObject& {
                         auto image = WithRect(std::make_unique<TLOImage>(), TRect(0, 0, 500, 400));
                         image->ImageData()->SetPicture(TestPicture().get());
                         return Env.Place(std::move(image));
                     },
                     [](TDialog& D) { Type(D, "esTop", QStringLiteral("10")); },
                     On<TLOImage>([](TLOImage& I) { I.SetTop(100); }), EmptyWidth});
    cases.push_back({"QRCode", QStringLiteral("QRコードの設定"),
                     [](TDialogTestEnvironment& Env) -> TDrawObject& {
                         auto qr = WithRect(std::make_unique<TLOQRStd>(), TRect(0, 0, 300, 300));
                         qr->SetQRName(QStringLiteral("山田"));
                         return Env.Place(std::move(qr));
                     },
                     [](TDialog& D) {
                         Type(D, "edName", QStringLiteral("鈴木"));
                         Type(D, "edTel1", QStringLiteral("0123-45-6789"));
                         Choose(D, "cmbErrorLevel", 3);
                     },
                     On<TLOQRStd>([](TLOQRStd& Q) {
                         Q.SetQRName(QStringLiteral("鈴木"));
                         Q.SetQRTel1(QStringLiteral("0123-45-6789"));
                         Q.SetErrorCorrectLevel(QStringLiteral("H"));
                     }),
                     [](TDialog& D) {
                         // Far more text than version 40 holds.
                         Choose(D, "cmbQRKind", 2);
                         Find<QPlainTextEdit>(D, "memQRText")->setPlainText(QString(4000, u'漢'));
                     }});
    cases.push_back({"JANCode", QStringLiteral("JANコードの設定"),
                     [](TDialogTestEnvironment& Env) -> TDrawObject& {
                         auto jan = WithRect(std::make_unique<TLOJANCode>(), TRect(0, 0, 400, 200));
                         jan->SetJANCode(CompleteJANCode(QStringLiteral("490123456789")));
                         return Env.Place(std::move(jan));
                     },
                     [](TDialog& D) {
                         Type(D, "edJANCode", QStringLiteral("4512345"));
                         Check(D, "cbShowFrame", true);
                         Type(D, "seFontSize", QStringLiteral("14"));
                         Check(D, "cbBold", true);
                     },
                     On<TLOJANCode>([](TLOJANCode& J) {
                         J.SetJANCode(CompleteJANCode(QStringLiteral("4512345")));
                         J.SetShowFrame(true);
                         J.Font()->SetSize(14);
                         J.Font()->SetStyle(TFont::fsBold);
                     }),
                     [](TDialog& D) { Type(D, "edJANCode", QStringLiteral("12345")); }});
    cases.push_back({"DecoLine", QStringLiteral("飾り罫の設定"),
                     [](TDialogTestEnvironment& Env) -> TDrawObject& {
                         auto line = std::make_unique<TLODecoLine>();
                         line->SetImage(TestPicture().get());
                         line->SetEndPoint(TPoint(600, 0));
                         line->SetLineWidth(50);
                         return Env.Place(std::move(line));
                     },
                     [](TDialog& D) {
                         Type(D, "seLineWidth", QStringLiteral("8"));
                         Type(D, "esStartY", QStringLiteral("10"));
                     },
                     On<TLODecoLine>([](TLODecoLine& L) {
                         L.SetLineWidth(80);
                         L.SetStartPoint(TPoint(0, 100));
                     }),
                     [](TDialog& D) { Type(D, "esEndX", QStringLiteral("x")); }});
    cases.push_back({"DecoString", QStringLiteral("飾り文字の設定"),
                     [](TDialogTestEnvironment& Env) -> TDrawObject& {
                         auto text =
                             WithRect(std::make_unique<TLODecoString>(), TRect(0, 0, 300, 100));
                         text->SetText(QStringLiteral("ABC"));
                         return Env.Place(std::move(text));
                     },
                     [](TDialog& D) {
                         Type(D, "edText", QStringLiteral("XYZ"));
                         Choose(D, "cmbAlign", 2);
                     },
                     On<TLODecoString>([](TLODecoString& T) {
                         T.SetText(QStringLiteral("XYZ"));
                         T.SetAlign(2);
                     }),
                     [](TDialog& D) { Type(D, "edText", QString()); }});
    cases.push_back({"AlphaMask", QStringLiteral("アルファマスクの設定"),
                     [](TDialogTestEnvironment& Env) -> TDrawObject& {
                         return Env.Place(
                             WithRect(std::make_unique<TLOAlphaMask>(), TRect(0, 0, 300, 300)));
                     },
                     [](TDialog& D) {
                         Type(D, "seShadeSize", QStringLiteral("5"));
                         Find<TColorSpecButton>(D, "btnFillColor")->SetSpec(*SolidSpec(0x00FF00));
                     },
                     On<TLOAlphaMask>([](TLOAlphaMask& M) {
                         M.SetShadeSize(5);
                         M.SetFillColor(SolidSpec(0x00FF00).get());
                     }),
                     [](TDialog& D) { Type(D, "seShadeSize", QStringLiteral("101")); }});
    cases.push_back({"Calendar", QStringLiteral("カレンダーの設定"),
                     [](TDialogTestEnvironment& Env) -> TDrawObject& {
                         return Env.Place(
                             WithRect(std::make_unique<TLOCalendar>(), TRect(0, 0, 600, 600)));
                     },
                     [](TDialog& D) {
                         Type(D, "seYear", QStringLiteral("2024"));
                         Type(D, "seMonth", QStringLiteral("2"));
                         Choose(D, "cmbStartWeek", 1);
                         Check(D, "cblnVertical", false);
                     },
                     On<TLOCalendar>([](TLOCalendar& C) {
                         C.SetYear(2024);
                         C.SetMonth(2);
                         C.SetStartWeek(1);
                         C.SetlnVertical(false);
                     }),
                     [](TDialog& D) { Type(D, "seMonth", QStringLiteral("13")); }});
    cases.push_back({"YearMonth", QStringLiteral("年月の設定"),
                     [](TDialogTestEnvironment& Env) -> TDrawObject& {
                         return Env.Place(
                             WithRect(std::make_unique<TLOYearMonth>(), TRect(0, 0, 300, 200)));
                     },
                     [](TDialog& D) {
                         Choose(D, "cmbShow", 1);
                         Type(D, "seYear", QStringLiteral("2030"));
                     },
                     On<TLOYearMonth>([](TLOYearMonth& Y) {
                         Y.SetIsYear(true);
                         Y.SetYear(2030);
                     }),
                     [](TDialog& D) { Type(D, "seYear", QString()); }});
    cases.push_back({"BackImage", QStringLiteral("背景の設定"),
                     [](TDialogTestEnvironment& Env) -> TDrawObject& {
                         return Env.Place(
                             WithRect(std::make_unique<TLOBackImage>(), TRect(0, 0, 1000, 1000)));
                     },
                     [](TDialog& D) { Type(D, "seFrameWidth", QStringLiteral("3")); },
                     On<TLOBackImage>([](TLOBackImage& B) { B.SetFrameWidth(30); }),
                     [](TDialog& D) { Type(D, "seFrameWidth", QStringLiteral("-1")); }});
    cases.push_back({"Group", QStringLiteral("グループの設定"),
                     [](TDialogTestEnvironment& Env) -> TDrawObject& {
                         auto a = WithRect(std::make_unique<TLORect>(), TRect(100, 100, 200, 200));
                         auto b =
                             WithRect(std::make_unique<TLOCircle>(), TRect(300, 100, 400, 300));
                         TDOList members;
                         members.Add(a.get());
                         members.Add(b.get());
                         auto group = std::make_unique<TDOGroup>();
                         group->AddObjects(members);
                         return Env.Place(std::move(group));
                     },
                     [](TDialog& D) { Type(D, "esLeft", QStringLiteral("50")); },
                     On<TDOGroup>([](TDOGroup& G) { G.SetLeft(500); }), EmptyWidth});
    return cases;
}

// The stream of Object once it is settled: a QR code's automatic mask is chosen when it is
// encoded, so both sides of a comparison are encoded first.
QByteArray SettledStream(TDrawObject& Object) {
    if (auto* qr = qobject_cast<TLOQRCode*>(&Object))
        qr->QRCode().Encode();
    return PropertyStreamOf(Object);
}

int CountJANCodes(const TDrawSite& Site) {
    int count = 0;
    for (int i = 0; i < Site.ControlCount(); ++i)
        count += qobject_cast<TLOJANCode*>(Site.Controls(i)) != nullptr;
    return count;
}

class PropertyDialogs : public ::testing::Test {
protected:
    TDialogTestEnvironment Env;
};

TEST_F(PropertyDialogs, OKAppliesTheChangesAsOneUndoStep) {
    for (const TDialogCase& c : DialogCases()) {
        SCOPED_TRACE(c.Name);
        ActionList().Clear();
        TDrawObject& object = c.Make(Env);
        const QByteArray before = SettledStream(object);
        std::unique_ptr<TDrawObject> expected = CloneDrawObject(object);
        c.Expect(*expected);
        QString caption;
        const bool confirmed = EditWithDialog(object, [&](TDialog& D) {
            caption = D.windowTitle();
            c.Change(D);
            SaveScreenshot(D, QStringLiteral("PropertyDialog-%1").arg(QLatin1String(c.Name)));
            D.OKButton()->click();
        });
        EXPECT_TRUE(confirmed);
        EXPECT_EQ(caption, c.Caption);
        EXPECT_EQ(Env.TakeMessages(), QStringList());
        EXPECT_EQ(StreamDifference(SettledStream(object), SettledStream(*expected)), "");
        ASSERT_EQ(ActionList().Count(), 1);
        EXPECT_EQ(ActionList().Actions(0)->Caption(), SCaptionChangeSettings);
        ActionList().Undo();
        EXPECT_EQ(StreamDifference(SettledStream(object), before), "")
            << "undo brings the old object back";
        ActionList().Redo();
        EXPECT_EQ(StreamDifference(SettledStream(object), SettledStream(*expected)), "");
    }
}

TEST_F(PropertyDialogs, CancelAndUnchangedOKLeaveTheObjectAndTheUndoListAlone) {
    for (const TDialogCase& c : DialogCases()) {
        SCOPED_TRACE(c.Name);
        ActionList().Clear();
        TDrawObject& object = c.Make(Env);
        const QByteArray before = SettledStream(object);
        EXPECT_FALSE(EditWithDialog(object, [&](TDialog& D) {
            c.Change(D);
            D.CancelButton()->click();
        }));
        EXPECT_EQ(StreamDifference(SettledStream(object), before), "");
        EXPECT_TRUE(EditWithDialog(object, [](TDialog& D) { D.OKButton()->click(); }));
        EXPECT_EQ(StreamDifference(SettledStream(object), before), "")
            << "loading and applying changes nothing";
        EXPECT_EQ(ActionList().Count(), 0);
    }
}

TEST_F(PropertyDialogs, LinePointsAndWidthsTheUserDidNotTouchComeBackUnchanged) {
    const struct {
        const char* Name;
        TPoint Start, End;
        int Width;
        std::function<void(TDialog&)> Change; // what the user edits, if anything
        TPoint ExpectedStart, ExpectedEnd;
    } cases[] = {
        {"off the face, OK alone", TPoint(-50, 100), TPoint(300, 12000), 10, nullptr,
         TPoint(-50, 100), TPoint(300, 12000)},
        {"far off, a wide line, OK alone", TPoint(-30000, -900000), TPoint(999000, 5), 350, nullptr,
         TPoint(-30000, -900000), TPoint(999000, 5)},
        {"one field edited, the others kept", TPoint(-50, 100), TPoint(300, 12000), 10,
         [](TDialog& D) { Type(D, "esEndX", QStringLiteral("45")); }, TPoint(-50, 100),
         TPoint(450, 12000)},
        {"a point typed off the face", TPoint(100, 100), TPoint(300, 100), 10,
         [](TDialog& D) { Type(D, "esStartY", QStringLiteral("-12.5")); }, TPoint(100, -125),
         TPoint(300, 100)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        auto made = std::make_unique<TLOLine>();
        made->SetStartPoint(c.Start);
        made->SetEndPoint(c.End);
        made->SetLineWidth(c.Width);
        TLOLine& line = Env.Place(std::move(made));
        EXPECT_TRUE(EditWithDialog(line, [&](TDialog& D) {
            if (c.Change)
                c.Change(D);
            D.OKButton()->click();
        }));
        EXPECT_EQ(Env.TakeMessages(), QStringList());
        EXPECT_EQ(line.GetStartPoint(), c.ExpectedStart);
        EXPECT_EQ(line.GetEndPoint(), c.ExpectedEnd);
        EXPECT_EQ(line.LineWidth(), c.Width);
    }
}

// A bulge and a distortion ratio beyond what the fields can show stay as they were while the
// user leaves those fields alone, also when other fields change.
TEST_F(PropertyDialogs, TextGeometryTheUserDidNotTouchComesBackUnchanged) {
    const struct {
        const char* Name;
        std::function<void(TDialog&)> Change; // what the user edits, if anything
        int ExpectedBulge, ExpectedRatio;
    } cases[] = {
        {"OK alone", nullptr, 15000, 1500},
        {"another field edited", [](TDialog& D) { Choose(D, "cmbAlign", 2); }, 15000, 1500},
        {"the bulge edited", [](TDialog& D) { Type(D, "seBulge", QStringLiteral("-20")); }, -200,
         1500},
        {"the arc taken off", [](TDialog& D) { Check(D, "cbArc", false); }, 0, 1500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        auto made = WithRect(std::make_unique<TLOText>(), TRect(100, 100, 900, 400));
        made->SetPlainText(QStringLiteral("円弧"));
        made->SetBulge(15000);
        made->SetDistortionRatio(1500);
        TLOText& text = Env.Place(std::move(made));
        EXPECT_TRUE(EditWithDialog(text, [&](TDialog& D) {
            if (c.Change)
                c.Change(D);
            D.OKButton()->click();
        }));
        EXPECT_EQ(Env.TakeMessages(), QStringList());
        EXPECT_EQ(text.Bulge(), c.ExpectedBulge);
        EXPECT_EQ(text.DistortionRatio(), c.ExpectedRatio);
    }
}

TEST_F(PropertyDialogs, LineColoursChosenInTheDialogEnterTheColourHistory) {
    QTemporaryDir dir;
    const QString historyFile = dir.filePath(QStringLiteral("ColorSpec.hst"));
    TStringList macros;
    macros.SetText(QStringLiteral("SysRegistryKey=Software\\Quorvelin\\LineHistoryTest\n"
                                  "ColorSpecHistory=%1")
                       .arg(historyFile));
    TAppFrame::Global()->SetMacro(macros);
    auto made = std::make_unique<TLOLine>();
    made->SetEndPoint(TPoint(300, 0));
    TLOLine& line = Env.Place(std::move(made));
    const auto historyCount = [&] {
        TColorSpecHistory history;
        history.SetFilename(historyFile);
        return history.GetCount();
    };

    // OK without touching the colour adds nothing.
    EXPECT_TRUE(EditWithDialog(line, [](TDialog& D) {
        Type(D, "seLineWidth", QStringLiteral("1.5"));
        D.OKButton()->click();
    }));
    EXPECT_EQ(historyCount(), 0);

    // A colour picked in the embedded editor with the mouse is remembered on OK.
    EXPECT_TRUE(EditWithDialog(line, [](TDialog& D) {
        auto* editor = Find<TfrmColorSpec>(D, "frmColorSpec");
        D.Pages()->setCurrentIndex(0);
        QTest::mouseClick(editor->rbColor, Qt::LeftButton);
        TColGrid& grid = *editor->ColGrid1;
        QTest::mouseClick(&grid, Qt::LeftButton, {}, grid.Cells()[1].center()); // red
        QTest::mouseClick(D.OKButton(), Qt::LeftButton);
    }));
    EXPECT_EQ(line.LineColor()->Color(), clRed);
    ASSERT_EQ(historyCount(), 1);
    TColorSpecHistory history;
    history.SetFilename(historyFile);
    TColorSpec remembered;
    history.GetItem(0, remembered);
    EXPECT_EQ(remembered.Color(), clRed);
}

TEST_F(PropertyDialogs, InvalidFieldsAreRefusedWithAMessageAndNeverApplied) {
    for (const TDialogCase& c : DialogCases()) {
        SCOPED_TRACE(c.Name);
        ActionList().Clear();
        TDrawObject& object = c.Make(Env);
        const QByteArray before = SettledStream(object);
        bool stayedOpen = false;
        EXPECT_FALSE(EditWithDialog(object, [&](TDialog& D) {
            c.Change(D);
            c.MakeInvalid(D);
            D.OKButton()->click();
            stayedOpen = D.isVisible();
            D.CancelButton()->click();
        }));
        EXPECT_TRUE(stayedOpen);
        EXPECT_EQ(Env.TakeMessages().size(), 1);
        EXPECT_EQ(SettledStream(object), before);
        EXPECT_EQ(ActionList().Count(), 0);
    }
}

TEST_F(PropertyDialogs, TheJANDigitsFontOutlivesSavingAndReopening) {
    auto jan = WithRect(std::make_unique<TLOJANCode>(), TRect(0, 0, 400, 200));
    jan->SetJANCode(CompleteJANCode(QStringLiteral("490123456789")));
    TLOJANCode& object = Env.Place(std::move(jan));
    EXPECT_TRUE(EditWithDialog(object, [](TDialog& D) {
        Type(D, "seFontSize", QStringLiteral("14"));
        Check(D, "cbItalic", true);
        D.OKButton()->click();
    }));
    TMemoryStream stored(PropertyStreamOf(object));
    std::unique_ptr<TComponent> read = ReadComponent(stored);
    auto* reopened = qobject_cast<TLOJANCode*>(read.get());
    ASSERT_NE(reopened, nullptr);
    read.release();
    TLOJANCode& placed = Env.Place(std::unique_ptr<TLOJANCode>(reopened));
    EditWithDialog(placed, [](TDialog& D) {
        EXPECT_EQ(Find<QLineEdit>(D, "seFontSize")->text(), QStringLiteral("14"));
        EXPECT_TRUE(Find<QCheckBox>(D, "cbItalic")->isChecked());
        EXPECT_FALSE(Find<QCheckBox>(D, "cbBold")->isChecked());
        D.CancelButton()->click();
    });
}

TEST_F(PropertyDialogs, EveryCreatableKindHasAnEditorAndEachKindItsOwnCaption) {
    // Kinds the factory makes with their dialog first, and the caption of their dialog.
    const struct {
        const char* Kind;
        QString Caption;
    } kinds[] = {
        {"TLOText", QStringLiteral("テキストの設定")},
        {"TLODate", QStringLiteral("日付の設定")},
        {"TLOImage", QStringLiteral("イメージの設定")},
        {"TLOCalendarPhoto", QStringLiteral("写真の設定")},
        {"TLOBackImage", QStringLiteral("背景の設定")},
        {"TLOCalendarBackGrnd", QStringLiteral("カレンダー背景の設定")},
        {"TLODecoLine", QStringLiteral("飾り罫の設定")},
        {"TLODecoString", QStringLiteral("飾り文字の設定")},
        {"TLOAlphaMask", QStringLiteral("アルファマスクの設定")},
        {"TLOJANCode", QStringLiteral("JANコードの設定")},
        {"TLOCalendar", QStringLiteral("カレンダーの設定")},
        {"TLOYearMonth", QStringLiteral("年月の設定")},
        {"TLOQRStd", QStringLiteral("QRコードの設定")},
        {"TLOLine", QStringLiteral("直線の設定")},
        {"TLOCurve", QStringLiteral("円弧の設定")},
        {"TLORect", QStringLiteral("四角形の設定")},
        {"TLOCircle", QStringLiteral("円の設定")},
        {"TDOGroup", QStringLiteral("グループの設定")},
    };
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.Kind);
        std::unique_ptr<TDrawObject> object = TheDesignerList().NewObject(QLatin1String(k.Kind));
        ASSERT_NE(object, nullptr);
        QString caption;
        EditWithDialog(*object, [&](TDialog& D) {
            caption = D.windowTitle();
            SaveScreenshot(D, QStringLiteral("PropertyDialog-new-%1").arg(QLatin1String(k.Kind)));
            D.CancelButton()->click();
        });
        EXPECT_EQ(caption, k.Caption);
    }
}

TEST_F(PropertyDialogs, TheLastPageOfEachKindIsShownAgain) {
    TDrawObject& text = Env.Place(WithRect(std::make_unique<TLOText>(), TRect(0, 0, 500, 200)));
    auto line = std::make_unique<TLOLine>();
    line->SetEndPoint(TPoint(300, 0));
    TDrawObject& straight = Env.Place(std::move(line));

    EditWithDialog(text, [](TDialog& D) {
        EXPECT_EQ(D.Pages()->currentIndex(), 0);
        D.Pages()->setCurrentIndex(2);
        D.CancelButton()->click();
    });
    EditWithDialog(straight, [](TDialog& D) {
        EXPECT_EQ(D.Pages()->currentIndex(), 0) << "another kind keeps its own page";
        D.Pages()->setCurrentIndex(1);
        D.OKButton()->click();
    });
    EditWithDialog(text, [](TDialog& D) {
        EXPECT_EQ(D.Pages()->currentIndex(), 2);
        D.CancelButton()->click();
    });
    EditWithDialog(straight, [](TDialog& D) {
        EXPECT_EQ(D.Pages()->currentIndex(), 1);
        D.CancelButton()->click();
    });
}

TEST_F(PropertyDialogs, EnterPressesOKAndEscapePressesCancel) {
    TDrawObject& rect = Env.Place(WithRect(std::make_unique<TLORect>(), TRect(0, 0, 300, 300)));
    const QByteArray before = PropertyStreamOf(rect);
    const struct {
        int Key;
        bool Confirmed;
    } keys[] = {{Qt::Key_Escape, false}, {Qt::Key_Return, true}, {Qt::Key_Enter, true}};
    for (const auto& k : keys) {
        SCOPED_TRACE(k.Key);
        const bool confirmed = EditWithDialog(rect, [&](TDialog& D) {
            // Pressed in a field, as a user does.
            QLineEdit* field = Find<QLineEdit>(D, "esLeft");
            field->setText(QStringLiteral("1"));
            QKeyEvent press(QEvent::KeyPress, k.Key, Qt::NoModifier);
            QApplication::sendEvent(field, &press);
        });
        EXPECT_EQ(confirmed, k.Confirmed);
    }
    EXPECT_NE(PropertyStreamOf(rect), before);
    EXPECT_EQ(qobject_cast<TLORect*>(&rect)->Left(), 10);
}

TEST_F(PropertyDialogs, EnterInAMultiLineTextFieldBreaksTheLine) {
    TDrawObject& text = Env.Place(WithRect(std::make_unique<TLOText>(), TRect(0, 0, 500, 200)));
    EditWithDialog(text, [](TDialog& D) {
        auto* memo = Find<QPlainTextEdit>(D, "memText");
        memo->setFocus();
        memo->setPlainText(QStringLiteral("a"));
        memo->moveCursor(QTextCursor::End);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QApplication::sendEvent(memo, &press);
        EXPECT_TRUE(D.isVisible());
        EXPECT_EQ(memo->toPlainText(), QStringLiteral("a\n"));
        D.CancelButton()->click();
    });
}

TEST_F(PropertyDialogs, DialogFirstCreationPlacesTheObjectOnlyWhenConfirmed) {
    TLOCreator& creator = InstallLOCreator();
    (void)creator;
    ASSERT_EQ(CountJANCodes(Env.Site()), 0);
    // Cancel: nothing is created, nothing recorded.
    WhenDialogRuns([](TDialog& D) {
        EXPECT_EQ(D.windowTitle(), QStringLiteral("JANコードの設定"));
        D.CancelButton()->click();
    });
    EXPECT_FALSE(TheDesignerList().CreateObject(Env.Site(), QStringLiteral("TLOJANCode")));
    EXPECT_EQ(CountJANCodes(Env.Site()), 0);
    EXPECT_EQ(ActionList().Count(), 0);

    // OK: the object is placed with the dialog's values, as one "追加" step.
    WhenDialogRuns([](TDialog& D) {
        Type(D, "edJANCode", QStringLiteral("4512345"));
        D.OKButton()->click();
    });
    EXPECT_TRUE(TheDesignerList().CreateObject(Env.Site(), QStringLiteral("TLOJANCode")));
    ASSERT_EQ(CountJANCodes(Env.Site()), 1);
    ASSERT_EQ(ActionList().Count(), 1);
    EXPECT_EQ(ActionList().Actions(0)->Caption(), SCaptionAdd);
    TLOJANCode* jan = nullptr;
    for (int i = 0; i < Env.Site().ControlCount(); ++i)
        if (auto* j = qobject_cast<TLOJANCode*>(Env.Site().Controls(i)))
            jan = j;
    ASSERT_NE(jan, nullptr);
    EXPECT_EQ(jan->JANCode(), CompleteJANCode(QStringLiteral("4512345")));
}

TEST_F(PropertyDialogs, EveryDialogFirstKindIsPlacedWithASizeOnceConfirmed) {
    InstallLOCreator();
    const QString picture = TestDataPath(QStringLiteral("pictures/backdrop.png"));
    const struct {
        const char* Kind;
        std::function<void(TDialog&)> Fill;
    } kinds[] = {
        {"TLOText",
         [](TDialog& D) {
             Find<QPlainTextEdit>(D, "memText")->setPlainText(QStringLiteral("春"));
         }},
        {"TLODate", [](TDialog&) {}},
        {"TLOImage",
         [&](TDialog& D) { static_cast<TfrmImageProperty&>(D).LoadPictureFile(picture); }},
        {"TLOCalendarPhoto",
         [&](TDialog& D) { static_cast<TfrmImageProperty&>(D).LoadPictureFile(picture); }},
        {"TLODecoLine",
         [&](TDialog& D) { static_cast<TfrmDecoLineProperty&>(D).LoadPictureFile(picture); }},
        {"TLODecoString", [](TDialog& D) { Type(D, "edText", QStringLiteral("AB")); }},
        {"TLOAlphaMask",
         [&](TDialog& D) { static_cast<TfrmAlphaMaskProperty&>(D).LoadPictureFile(picture); }},
        {"TLOJANCode", [](TDialog& D) { Type(D, "edJANCode", QStringLiteral("4512345")); }},
        {"TLOQRStd", [](TDialog& D) { Type(D, "edTel1", QStringLiteral("012")); }},
        {"TLOCalendar", [](TDialog&) {}},
        {"TLOYear", [](TDialog&) {}},
        {"TLOMonth", [](TDialog&) {}},
        {"TLOBackImage", [](TDialog&) {}},
        {"TLOCalendarBackGrnd", [](TDialog&) {}},
    };
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.Kind);
        ActionList().Clear();
        Env.TakeMessages();
        WhenDialogRuns([&](TDialog& D) {
            k.Fill(D);
            D.OKButton()->click();
        });
        ASSERT_TRUE(TheDesignerList().CreateObject(Env.Site(), QLatin1String(k.Kind)));
        EXPECT_EQ(Env.TakeMessages(), QStringList());
        ASSERT_EQ(ActionList().Count(), 1) << "one step: the object's addition";
        EXPECT_EQ(ActionList().Actions(0)->Caption(), SCaptionAdd);
        auto* added = static_cast<TDOAddAction*>(ActionList().Actions(0));
        ASSERT_NE(added->Object(), nullptr);
        const TRect bounds = added->Object()->GetBoundsRect();
        EXPECT_GT(bounds.Width(), 0);
        EXPECT_GT(bounds.Height(), 0);
        ActionList().Undo();
        EXPECT_EQ(added->Object()->DrawSite(), nullptr) << "one undo takes it away";
    }
}

TEST_F(PropertyDialogs, ANewPictureNeedsAPictureAndTakesItsSize) {
    std::unique_ptr<TDrawObject> made = TheDesignerList().NewObject(QStringLiteral("TLOImage"));
    auto* image = qobject_cast<TLOImage*>(made.get());
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(EditWithDialog(*image, [&](TDialog& D) {
        D.OKButton()->click();
        EXPECT_TRUE(D.isVisible()) << "no picture yet";
        EXPECT_EQ(Env.TakeMessages(), QStringList{QStringLiteral("イメージを選択してください。")});
        auto& dialog = static_cast<TfrmImageProperty&>(D);
        EXPECT_FALSE(dialog.LoadPictureFile(TestDataPath(QStringLiteral("pictures/missing.png"))));
        EXPECT_EQ(Env.TakeMessages().size(), 1);
        EXPECT_TRUE(dialog.LoadPictureFile(TestDataPath(QStringLiteral("pictures/backdrop.png"))));
        D.OKButton()->click();
    }));
    const std::unique_ptr<TPictureEx> picture = TestPicture();
    EXPECT_EQ(image->ImageData()->Picture()->Width(), picture->Width());
    const TSize size = CalcGraphicSize(picture->Width(), picture->Height());
    EXPECT_EQ(image->Width(), size.cx);
    EXPECT_EQ(image->Height(), size.cy);
}

// A picture file that cannot be read, missing or not a picture at all, is refused by each
// picture dialog with the message; the picture shown before (the object's own, or the one
// chosen earlier in the dialog) stays and is what OK applies.
TEST_F(PropertyDialogs, AnUnreadablePictureFileIsRefusedAndThePictureBeforeStays) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString notAPicture = dir.filePath(QStringLiteral("not-a-picture.png"));
    const QString empty = dir.filePath(QStringLiteral("empty.jpg"));
    for (const auto& [file, bytes] : {std::pair{notAPicture, QByteArray("this is no picture")},
                                      std::pair{empty, QByteArray()}}) {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }
    const QStringList unreadable = {TestDataPath(QStringLiteral("pictures/missing.png")),
                                    notAPicture, empty};
    const QString other = TestDataPath(QStringLiteral("pictures/photo.png"));
    const QStringList refused = {QStringLiteral("イメージを読み込めませんでした。")};

    const struct {
        const char* Name;
        std::function<TDrawObject&(TDialogTestEnvironment&)> Make;
        std::function<const TPictureEx*(TDrawObject&)> PictureOf;
    } cases[] = {
        {"Image",
         [](TDialogTestEnvironment& Env) -> TDrawObject& {
             auto image = WithRect(std::make_unique<TLOImage>(), TRect(0, 0, 500, 400));
             image->ImageData()->SetPicture(TestPicture().get());
             return Env.Place(std::move(image));
         },
         [](TDrawObject& O) -> const TPictureEx* {
             return static_cast<TLOImage&>(O).ImageData()->Picture();
         }},
        {"DecoLine",
         [](TDialogTestEnvironment& Env) -> TDrawObject& {
             auto line = std::make_unique<TLODecoLine>();
             line->SetImage(TestPicture().get());
             line->SetEndPoint(TPoint(600, 0));
             return Env.Place(std::move(line));
         },
         [](TDrawObject& O) -> const TPictureEx* { return static_cast<TLODecoLine&>(O).Image(); }},
        {"AlphaMask",
         [](TDialogTestEnvironment& Env) -> TDrawObject& {
             auto mask = WithRect(std::make_unique<TLOAlphaMask>(), TRect(0, 0, 300, 300));
             mask->SetPicture(TestPicture().get());
             return Env.Place(std::move(mask));
         },
         [](TDrawObject& O) -> const TPictureEx* {
             return static_cast<TLOAlphaMask&>(O).Picture();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TDrawObject& object = c.Make(Env);
        const QByteArray before = PropertyStreamOf(object);
        auto refuseEach = [&](TfrmPicturePropertyDialog& Dialog) {
            const QString shown = Dialog.lblPictureInfo->text();
            const TPictureEx* chosen = Dialog.ChosenPicture();
            for (const QString& file : unreadable) {
                SCOPED_TRACE(file.toStdString());
                EXPECT_FALSE(Dialog.LoadPictureFile(file));
                EXPECT_EQ(Env.TakeMessages(), refused);
                EXPECT_EQ(Dialog.lblPictureInfo->text(), shown);
                EXPECT_EQ(Dialog.ChosenPicture(), chosen);
            }
        };

        // Only refused files: the object keeps its own picture.
        EXPECT_TRUE(EditWithDialog(object, [&](TDialog& D) {
            auto* dialog = qobject_cast<TfrmPicturePropertyDialog*>(&D);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->lblPictureInfo->text(), QStringLiteral("40 × 30 ピクセル"));
            refuseEach(*dialog);
            D.OKButton()->click();
        }));
        EXPECT_EQ(StreamDifference(PropertyStreamOf(object), before), "");

        // A picture chosen first stays chosen through the refused files.
        EXPECT_TRUE(EditWithDialog(object, [&](TDialog& D) {
            auto* dialog = qobject_cast<TfrmPicturePropertyDialog*>(&D);
            ASSERT_NE(dialog, nullptr);
            ASSERT_TRUE(dialog->LoadPictureFile(other));
            EXPECT_EQ(dialog->lblPictureInfo->text(), QStringLiteral("48 × 32 ピクセル"));
            refuseEach(*dialog);
            D.OKButton()->click();
        }));
        EXPECT_EQ(Env.TakeMessages(), QStringList());
        const TPictureEx* applied = c.PictureOf(object);
        EXPECT_EQ(applied->Width(), 48);
        EXPECT_EQ(applied->Height(), 32);
    }
}

TEST_F(PropertyDialogs, EmbeddedObjectsOfOtherProgramsAreNotEdited) {
    TDrawObject& ole = Env.Place(WithRect(std::make_unique<TLOOLE>(), TRect(0, 0, 100, 50)));
    bool handled = false;
    EXPECT_FALSE(TheDesignerList().EditObject(ole, handled));
    EXPECT_TRUE(handled);
    EXPECT_EQ(Env.TakeMessages().size(), 1);
    EXPECT_EQ(ActionList().Count(), 0);
}

} // namespace
