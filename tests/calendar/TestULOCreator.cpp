// The object factory: new objects by kind name, their preparation, and placing them on a
// page with or without a property dialog, at once or by a creation drag.

#include "CalendarTestSupport.h"
#include "UClasses.h"
#include "UDesigner.h"
#include "UGhost.h"
#include "ULOCreator.h"
#include "ULODate.h"
#include "ULOImage.h"
#include "ULOJANCode.h"
#include "ULOQRCode.h"
#include "ULOText.h"
#include "ULOYearMonth.h"
#include "UObjectFactory.h"
#include "UPictureFormats.h"
#include "UPropStream.h"
#include "UStreams.h"
#include "UUndo.h"

#include <QClipboard>
#include <QDate>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <gtest/gtest.h>

namespace {

// How the test's property editor answers: not at all (no dialog for the kind), or by
// confirming or refusing.
struct TEditAnswer {
    bool Handle = false;
    bool Confirm = false;
    int Calls = 0;
};

TEditAnswer& EditAnswer() {
    static TEditAnswer answer;
    return answer;
}

class TTestEditor : public TDODesigner {
public:
    bool EditObject(TDrawObject&, bool& Cancel) override {
        TEditAnswer& a = EditAnswer();
        if (!a.Handle)
            return false;
        ++a.Calls;
        Cancel = !a.Confirm;
        return true;
    }
};

class Creator : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterPictureFormats();
        InstallDesignerList();
        InstallGhostList();
        InstallLOCreator();
        static const bool added = [] {
            TheDesignerList().Add(std::make_unique<TTestEditor>());
            return true;
        }();
        (void)added;
    }
    void SetUp() override {
        EditAnswer() = {};
        ActionList().Clear();
        FSite = MakeCalendarPage(2000, 2000);
    }
    void TearDown() override {
        TheGhostList().Cancel();
        ActionList().Clear();
        if (TLOCreator* c = LOCreator()) {
            c->OnCreateObject = nullptr;
            c->OnResetOneShotTools = nullptr;
        }
    }
    std::vector<TDrawObject*> Objects() const {
        TDOList list;
        FSite->GetObjects(list, false);
        return {list.begin(), list.end()};
    }
    std::unique_ptr<TDrawSite> FSite;
};

// A 40 x 20 picture and two lines of text on the clipboard, for the paste kinds.
void PutPictureAndTextOnClipboard() {
    auto* data = new QMimeData;
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::red);
    data->setImageData(image);
    data->setText(QStringLiteral("一行目\n二行目"));
    QGuiApplication::clipboard()->setMimeData(data);
}

QByteArray StreamOf(TComponent& Component) {
    TMemoryStream stream;
    WriteComponent(stream, Component);
    return stream.Bytes();
}

} // namespace

TEST_F(Creator, NewInstancesByKindNameAndEachStreams) {
    struct Row {
        const char* Kind;
        const char* Class; // nullptr: no object
    };
    const Row rows[] = {
        {"TLOCalendar", "TLOCalendar"},
        {"TLOYearMonth", "TLOYearMonth"},
        {"TLOYear", "TLOYearMonth"},
        {"TLOMonth", "TLOYearMonth"},
        {"TLOQRCode", "TLOQRCode"},
        {"TLOQRStd", "TLOQRStd"},
        {"TLOJANCode", "TLOJANCode"},
        {"TLOText", "TLOText"},
        {"TLOTextPaste", "TLOText"},
        {"TLODate", "TLODate"},
        {"TLOImage", "TLOImage"},
        {"TLOImagePaste", "TLOImage"},
        {"TLOBitmapPaste", "TLOImage"},
        {"TLOOnePoint", "TLOImage"},
        {"TLOTwain", "TLOImage"},
        {"TLORect", "TLORect"},
        {"TLOCircle", "TLOCircle"},
        {"TLOLine", "TLOLine"},
        {"TLOCurve", "TLOCurve"},
        {"TLOBackImage", "TLOBackImage"},
        {"TLODecoLine", "TLODecoLine"},
        {"TLODecoString", "TLODecoString"},
        {"TLOAlphaMask", "TLOAlphaMask"},
        {"TDOGroup", "TDOGroup"},
        {"TLOCalendarBackGrnd", "TLOCalendarBackGrnd"},
        {"TLOCalendarPhoto", "TLOCalendarPhoto"},
        {"TLOOLE", "TLOOLE"},
        {"tlocalendar", nullptr}, // names are taken exactly
        {"TLOField", nullptr},
        {"TDrawSite", nullptr}, // registered, but no drawing object
        {"", nullptr},
    };
    for (const Row& r : rows) {
        std::unique_ptr<TDrawObject> o = TheDesignerList().NewObject(QString::fromLatin1(r.Kind));
        if (!r.Class) {
            EXPECT_EQ(o, nullptr) << r.Kind;
            continue;
        }
        ASSERT_NE(o, nullptr) << r.Kind;
        EXPECT_EQ(o->ClassName(), QString::fromLatin1(r.Class)) << r.Kind;
        EXPECT_EQ(o->Owner(), nullptr);
        const QByteArray bytes = StreamOf(*o);
        TMemoryStream stream(bytes);
        std::unique_ptr<TComponent> back = ReadComponent(stream);
        ASSERT_NE(back, nullptr) << r.Kind;
        EXPECT_EQ(back->ClassName(), QString::fromLatin1(r.Class)) << r.Kind;
        const QByteArray again = StreamOf(*back);
        // A standard QR code encodes its rebuilt data on loading; the others come back as
        // they were written.
        if (o->ClassName() != "TLOQRStd")
            EXPECT_EQ(again, bytes) << r.Kind;
        TMemoryStream second(again);
        EXPECT_EQ(StreamOf(*ReadComponent(second)), again) << r.Kind;
    }
    // A maker registered for a kind answers before the classes.
    RegisterObjectKind("TLOTestKind", [] {
        auto c = std::make_unique<TLOCalendar>();
        c->SetYear(2030);
        return c;
    });
    std::unique_ptr<TDrawObject> made = TheDesignerList().NewObject("TLOTestKind");
    UnregisterObjectKind("TLOTestKind");
    ASSERT_TRUE(qobject_cast<TLOCalendar*>(made.get()));
    EXPECT_EQ(qobject_cast<TLOCalendar*>(made.get())->Year(), 2030);
    EXPECT_EQ(CreatorClassName("TLOImagePaste"), "TLOImage");
    EXPECT_EQ(CreatorClassName("TLOOLEPaste"), "TLOOLE");
    EXPECT_EQ(CreatorClassName("TLOCalendar"), "TLOCalendar");
}

// Every kind with a table row is placed at once once its dialog (if it asks for one) is
// confirmed, prepared, selected, and one undo takes it away again. Backgrounds cover the
// page instead and are never selected.
TEST_F(Creator, KindsWithARowArePlacedAtOnceAsOneUndoStep) {
    PutPictureAndTextOnClipboard();
    for (const TCreatorKind& kind : CreatorKinds()) {
        SetUp();
        EditAnswer().Handle = true;
        EditAnswer().Confirm = true;
        const QString name = QString::fromLatin1(kind.Name);
        ASSERT_TRUE(TheDesignerList().CreateObject(*FSite, name)) << kind.Name;
        const std::vector<TDrawObject*> objects = Objects();
        ASSERT_EQ(objects.size(), 1u) << kind.Name;
        TDrawObject* o = objects[0];
        EXPECT_EQ(o->Owner(), FSite.get());
        EXPECT_EQ(EditAnswer().Calls, kind.DialogFirst ? 1 : 0) << kind.Name;
        if (!o->Selectable()) {
            EXPECT_EQ(o->GetBoundsRect(), TRect(0, 0, 2000, 2000)) << kind.Name;
            EXPECT_FALSE(o->Enabled());
            continue;
        }
        EXPECT_TRUE(o->Selected()) << kind.Name;
        EXPECT_TRUE(o->Visible());
        EXPECT_EQ(o->Cursor(), crHandPoint);
        ASSERT_EQ(ActionList().Count(), 1) << kind.Name;
        EXPECT_EQ(ActionList().UndoCaption(), SCaptionAdd);
        // Fitted into the page and centred on it.
        const TRect b = o->GetBoundsRect();
        EXPECT_NEAR((b.Left + b.Right) / 2, 1000, 1) << kind.Name;
        EXPECT_NEAR((b.Top + b.Bottom) / 2, 1000, 1) << kind.Name;
        ActionList().Undo();
        EXPECT_TRUE(Objects().empty()) << kind.Name;
        ActionList().Redo();
        EXPECT_EQ(Objects().size(), 1u) << kind.Name;
    }
}

TEST_F(Creator, PreparationByKind) {
    ASSERT_TRUE(TheDesignerList().CreateObject(*FSite, "TLOCalendar"));
    auto* calendar = qobject_cast<TLOCalendar*>(Objects().at(0));
    ASSERT_TRUE(calendar);
    EXPECT_EQ(calendar->Width(), 600);
    EXPECT_EQ(calendar->Height(), 600);
    // A placed calendar shows the current month; the class default that streams leave out
    // stays.
    const QDate today = QDate::currentDate();
    EXPECT_EQ(calendar->Year(), today.year());
    EXPECT_EQ(calendar->Month(), today.month());
    EXPECT_EQ(TLOCalendar().Year(), 2005);
    EXPECT_EQ(TLOCalendar().Month(), 1);

    for (const bool year : {true, false}) {
        SetUp();
        ASSERT_TRUE(TheDesignerList().CreateObject(*FSite, year ? "TLOYear" : "TLOMonth"));
        auto* caption = qobject_cast<TLOYearMonth*>(Objects().at(0));
        ASSERT_TRUE(caption);
        EXPECT_EQ(caption->IsYear(), year);
        // Fitted to "2005" or "1" at 36 points (127 units high).
        EXPECT_GT(caption->Height(), 127);
        EXPECT_LT(caption->Height(), 200);
        if (year)
            EXPECT_GT(caption->Width(), 4 * 127 / 2) << "four digits";
        else
            EXPECT_LT(caption->Width(), 127);
        EXPECT_TRUE(StreamOf(*caption).contains("TLOYearMonth"))
            << "documents hold the caption class only";
    }

    // Pasted text and pictures take the clipboard's and are placed without a dialog; every
    // text-family object starts with a grey shadow colour.
    PutPictureAndTextOnClipboard();
    SetUp();
    ASSERT_TRUE(TheDesignerList().CreateObject(*FSite, "TLOTextPaste"));
    auto* text = qobject_cast<TLOText*>(Objects().at(0));
    ASSERT_TRUE(text);
    EXPECT_EQ(text->Text().Count(), 2);
    EXPECT_TRUE(text->GetAutoSize());
    EXPECT_EQ(text->ShadowColor()->Color(), 0x808080);
    EXPECT_EQ(EditAnswer().Calls, 0);
    SetUp();
    EditAnswer().Handle = true;
    EditAnswer().Confirm = true;
    ASSERT_TRUE(TheDesignerList().CreateObject(*FSite, "TLODate"));
    auto* date = qobject_cast<TLODate*>(Objects().at(0));
    ASSERT_TRUE(date);
    EXPECT_EQ(date->ShadowColor()->Color(), 0x808080);
    EXPECT_NEAR(date->Date().Value, EncodeDateTime(QDate::currentDate()).Value, 1.0);
    SetUp();
    ASSERT_TRUE(TheDesignerList().CreateObject(*FSite, "TLOImagePaste"));
    auto* image = qobject_cast<TLOImage*>(Objects().at(0));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->ImageSource(), isFile);
    EXPECT_GT(image->Width(), image->Height()) << "fitted to the 2:1 picture";
    SetUp();
    EditAnswer().Handle = true;
    EditAnswer().Confirm = true;
    ASSERT_TRUE(TheDesignerList().CreateObject(*FSite, "TLOTwain"));
    EXPECT_EQ(qobject_cast<TLOImage*>(Objects().at(0))->ImageSource(), isTwain);

    SetUp();
    ASSERT_TRUE(TheDesignerList().CreateObject(*FSite, "TLOQRStd"));
    auto* qr = qobject_cast<TLOQRStd*>(Objects().at(0));
    ASSERT_TRUE(qr);
    EXPECT_EQ(qr->QRType(), sqtDoCoMo) << "the empty profile of the first kind";
    EXPECT_EQ(qr->QRKind(), sqkTel);
    EXPECT_EQ(qr->GetDataStream().GetSize(), 0);
}

TEST_F(Creator, ARefusedDialogDiscardsTheObject) {
    EditAnswer().Handle = true;
    EditAnswer().Confirm = false;
    EXPECT_FALSE(TheDesignerList().CreateObject(*FSite, "TLOCalendar"));
    EXPECT_EQ(EditAnswer().Calls, 1);
    EXPECT_TRUE(Objects().empty());
    EXPECT_EQ(FSite->ComponentCount(), 0) << "freed, not only hidden";
    EXPECT_EQ(ActionList().Count(), 0);

    EditAnswer().Confirm = true;
    EXPECT_TRUE(TheDesignerList().CreateObject(*FSite, "TLOCalendar"));
    EXPECT_EQ(EditAnswer().Calls, 2);
    EXPECT_EQ(Objects().size(), 1u);
    EXPECT_EQ(ActionList().Count(), 1);
}

// A kind without a row (QR codes, and later lines, rectangles ...) waits hidden for the
// creation drag; cancelling that drag frees it.
TEST_F(Creator, KindsWithoutARowArePlacedByDragging) {
    EditAnswer().Handle = true; // no dialog is asked for all the same
    ASSERT_TRUE(TheDesignerList().CreateObject(*FSite, "TLOQRCode"));
    EXPECT_EQ(EditAnswer().Calls, 0);
    const std::vector<TDrawObject*> objects = Objects();
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_FALSE(objects[0]->Visible());
    EXPECT_EQ(FSite->Cursor(), crCross);
    EXPECT_EQ(TheGhostList().Count(), 1) << "the creation ghost";
    EXPECT_EQ(ActionList().Count(), 0) << "recorded when the drag ends";
    // A new creation abandons the one still waiting for its drag.
    ASSERT_TRUE(TheDesignerList().CreateObject(*FSite, "TLOQRCode"));
    EXPECT_EQ(Objects().size(), 1u);
    EXPECT_EQ(TheGhostList().Count(), 1);
    TheGhostList().Clear();
    EXPECT_TRUE(Objects().empty());
}

TEST_F(Creator, CallbackAndOneShotToolsAndUnknownKinds) {
    TLOCreator& creator = *LOCreator();
    std::vector<QString> seen;
    int resets = 0;
    creator.OnCreateObject = [&](TDrawObject& O) {
        seen.push_back(O.ClassName());
        EXPECT_EQ(O.Owner(), FSite.get());
        EXPECT_FALSE(O.Visible() && O.Parent()) << "not on the page yet";
    };
    creator.OnResetOneShotTools = [&] { ++resets; };
    EXPECT_TRUE(TheDesignerList().CreateObject(*FSite, "TLOJANCode"));
    EXPECT_TRUE(TheDesignerList().CreateObject(*FSite, "TLOMonth"));
    EXPECT_EQ(seen, (std::vector<QString>{"TLOJANCode", "TLOYearMonth"}));
    EXPECT_EQ(resets, 2);
    const std::vector<TDrawObject*> objects = Objects();
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(SnapshotObjects(*FSite, true).size(), 1u) << "only the newest is selected";

    EXPECT_FALSE(TheDesignerList().CreateObject(*FSite, "TLONoSuchThing"));
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(resets, 2);
    EXPECT_EQ(ActionList().Count(), 2);
    EXPECT_FALSE(creator.PlaceNewObject(*FSite, nullptr, false, false));
}
