#include "ULOCreator.h"

#include "UCalSchedule.h"
#include "UCalendarGhost.h"
#include "UClasses.h"
#include "UDOGroup.h"
#include "UDrawSite.h"
#include "UGhost.h"
#include "ULOAlphaMask.h"
#include "ULOBackImage.h"
#include "ULOCalendar.h"
#include "ULOCalendarPage.h"
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

#include "UObjectFactory.h"
#include "UUndo.h"
#include <QClipboard>
#include <QDate>
#include <QGuiApplication>
#include <QMimeData>

#include <algorithm>

namespace {

// A calendar placed by its tool shows the current month; the class's own default (which
// streams leave out) stays as it is.
void PrepareCalendar(TDrawObject& Object, TDrawSite&) {
    if (auto* calendar = qobject_cast<TLOCalendar*>(&Object)) {
        calendar->SetWidth(TLOCalendar::DefaultSize);
        calendar->SetHeight(TLOCalendar::DefaultSize);
        const QDate today = QDate::currentDate();
        calendar->SetYear(today.year());
        calendar->SetMonth(today.month());
    }
}

void PrepareYearMonth(TDrawObject& Object, TDrawSite&) {
    if (auto* caption = qobject_cast<TLOYearMonth*>(&Object))
        caption->FitToContent();
}

void PrepareYear(TDrawObject& Object, TDrawSite& Site) {
    if (auto* caption = qobject_cast<TLOYearMonth*>(&Object))
        caption->SetIsYear(true);
    PrepareYearMonth(Object, Site);
}

void PrepareMonth(TDrawObject& Object, TDrawSite& Site) {
    if (auto* caption = qobject_cast<TLOYearMonth*>(&Object))
        caption->SetIsYear(false);
    PrepareYearMonth(Object, Site);
}

// A new standard QR code starts from the empty profile of its first kind.
void PrepareQRStd(TDrawObject& Object, TDrawSite&) {
    if (auto* qr = qobject_cast<TLOQRStd*>(&Object)) {
        qr->SetQRType(sqtDoCoMo);
        qr->SetQRKind(sqkTel);
        qr->RebuildData();
    }
}

void PrepareText(TDrawObject& Object, TDrawSite&) {
    if (auto* text = qobject_cast<TLOText*>(&Object))
        text->SetAutoSize(true);
}

void PrepareTextPaste(TDrawObject& Object, TDrawSite& Site) {
    PrepareText(Object, Site);
    auto* text = qobject_cast<TLOText*>(&Object);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (text && data && data->hasText()) {
        TStringList lines;
        lines.SetText(data->text());
        text->SetText(lines);
    }
}

void PrepareDate(TDrawObject& Object, TDrawSite& Site) {
    PrepareText(Object, Site);
    if (auto* date = qobject_cast<TLODate*>(&Object))
        date->SetDate(EncodeDateTime(QDate::currentDate(), QTime::currentTime()));
}

void PrepareImageFrom(TDrawObject& Object, TImageSource Source) {
    if (auto* image = qobject_cast<TLOImage*>(&Object))
        image->SetImageSource(Source);
}

void PrepareImage(TDrawObject& Object, TDrawSite&) {
    PrepareImageFrom(Object, isFile);
}

void PrepareOnePoint(TDrawObject& Object, TDrawSite&) {
    PrepareImageFrom(Object, isOnePoint);
}

void PrepareTwain(TDrawObject& Object, TDrawSite&) {
    PrepareImageFrom(Object, isTwain);
}

// A pasted picture takes the first registered picture format the clipboard holds (the
// bitmap paste: the clipboard's bitmap) and the size the picture asks for.
void PastePicture(TDrawObject& Object, TDrawSite& Site, bool BitmapOnly) {
    PrepareImage(Object, Site);
    auto* image = qobject_cast<TLOImage*>(&Object);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!image || !data)
        return;
    if (BitmapOnly)
        image->PasteFromClipboard(*data);
    else
        image->AssignClipboardPicture(*data);
    image->FitToImage();
}

void PrepareImagePaste(TDrawObject& Object, TDrawSite& Site) {
    PastePicture(Object, Site, false);
}

void PrepareBitmapPaste(TDrawObject& Object, TDrawSite& Site) {
    PastePicture(Object, Site, true);
}

// Backgrounds cover the whole page, white, and are never picked by the mouse.
void PrepareBackground(TDrawObject& Object, TDrawSite& Site) {
    if (auto* back = qobject_cast<TLOBackImage*>(&Object)) {
        back->FillColor()->SetKind(cskSolid);
        back->FillColor()->SetColor(TColor(0xFFFFFF));
        back->SetBoundsRect(TRect(0, 0, Site.LogWidth(), Site.LogHeight()));
    }
    Object.SetEnabled(false);
    Object.SetSelectable(false);
}

// One line per kind; kinds of other libraries are added here as their classes arrive.
constexpr TCreatorKind Kinds[] = {
    {"TLOText", PrepareText, true, false},
    {"TLOTextPaste", PrepareTextPaste, false, false},
    {"TLODate", PrepareDate, true, false},
    {"TLOImage", PrepareImage, true, false},
    {"TLOImagePaste", PrepareImagePaste, false, false},
    {"TLOBitmapPaste", PrepareBitmapPaste, false, false},
    {"TLOMetafilePaste", PrepareImagePaste, false, false},
    {"TLOOnePoint", PrepareOnePoint, true, false},
    {"TLOTwain", PrepareTwain, true, false},
    {"TLOBackImage", PrepareBackground, true, false},
    {"TLOCalendarBackGrnd", PrepareBackground, true, false},
    {"TLOCalendarPhoto", PrepareImage, true, false},
    {"TLODecoLine", nullptr, true, false},
    {"TLODecoString", nullptr, true, false},
    {"TLOAlphaMask", nullptr, true, false},
    {"TLOJANCode", nullptr, true, false},
    {"TLOCalendar", PrepareCalendar, true, false},
    {"TLOYearMonth", PrepareYearMonth, true, false},
    {"TLOYear", PrepareYear, true, false},
    {"TLOMonth", PrepareMonth, true, false},
    {"TLOQRStd", PrepareQRStd, true, false},
};

struct TPseudoName {
    const char* Name;
    const char* ClassName;
};

constexpr TPseudoName PseudoNames[] = {
    {"TLOImagePaste", "TLOImage"}, {"TLOBitmapPaste", "TLOImage"}, {"TLOMetafilePaste", "TLOImage"},
    {"TLOOnePoint", "TLOImage"},   {"TLOTwain", "TLOImage"},       {"TLOTextPaste", "TLOText"},
    {"TLOOLEPaste", "TLOOLE"},     {"TLOYear", "TLOYearMonth"},    {"TLOMonth", "TLOYearMonth"},
};

TLOCreator* InstalledCreator = nullptr;

} // namespace

std::span<const TCreatorKind> CreatorKinds() {
    return Kinds;
}

const TCreatorKind* FindCreatorKind(const QString& KindName) {
    for (const TCreatorKind& kind : Kinds)
        if (KindName == QLatin1String(kind.Name))
            return &kind;
    return nullptr;
}

QString CreatorClassName(const QString& KindName) {
    for (const TPseudoName& p : PseudoNames)
        if (KindName == QLatin1String(p.Name))
            return QString::fromLatin1(p.ClassName);
    return KindName;
}

std::unique_ptr<TDrawObject> TLOCreator::CreateObject(const QString& KindName) {
    if (IsObjectKindRegistered(KindName))
        return CreateObjectOfKind(KindName);
    const QMetaObject* cls = GetClass(CreatorClassName(KindName));
    if (!cls || QString::fromLatin1(cls->className()) != CreatorClassName(KindName) ||
        !cls->inherits(&TDrawObject::staticMetaObject))
        return nullptr;
    std::unique_ptr<TPersistent> created = CreatePersistent(*cls);
    return std::unique_ptr<TDrawObject>(static_cast<TDrawObject*>(created.release()));
}

bool TLOCreator::InitObject(TDrawSite& Site, const QString& KindName) {
    std::unique_ptr<TDrawObject> object = TheDesignerList().NewObject(KindName);
    if (!object)
        return false;
    const TCreatorKind* kind = FindCreatorKind(KindName);
    if (kind && kind->Prepare)
        kind->Prepare(*object, Site);
    // Every text-family object starts with a grey shadow colour (the shadow itself is off).
    if (auto* text = qobject_cast<TLOText*>(object.get())) {
        text->ShadowColor()->SetKind(cskSolid);
        text->ShadowColor()->SetColor(TColor(0x808080));
    }
    const bool dialogFirst = kind ? kind->DialogFirst : false;
    const bool dragToPlace = kind ? kind->DragToPlace : true;
    return PlaceNewObject(Site, std::move(object), dialogFirst, dragToPlace);
}

bool TLOCreator::PlaceNewObject(TDrawSite& Site, std::unique_ptr<TDrawObject> Object,
                                bool DialogFirst, bool DragToPlace) {
    if (!Object)
        return false;
    Site.InsertObject(Object.get());
    TDrawObject* object = Object.release(); // owned by the site from here
    // A running drag is cancelled; a creation still waiting for its drag is abandoned too
    // (its ghost frees the waiting object), so that no second creation ghost piles up.
    DiscardGhosts();
    if (OnCreateObject) {
        OnCreateObject(*object);
        object->SetSelected(false);
    }
    Site.SetCursor(crDefault);
    if (DialogFirst) {
        bool handled = false;
        const bool confirmed = TheDesignerList().EditObject(*object, handled);
        if (handled && !confirmed) {
            Site.RemoveComponent(object); // frees it
            return false;
        }
    }
    object->SetCursor(crHandPoint);
    Site.AddObject(object);
    if (DragToPlace) {
        object->Hide();
        Site.SetCursor(crCross);
        if (IDesignerList* designers = DesignerList())
            designers->CreateGhost(*object, -2);
    } else {
        if (object->Selectable())
            PlaceObjectInView(*object, Site);
        auto action = std::make_unique<TDOAddAction>(*object);
        action->SetCaption(SCaptionAdd);
        ActionList().Add(std::move(action));
        if (object->Selectable()) {
            Site.SelectAll(false);
            object->SetSelected(true);
            Site.UpdatePivots();
        }
    }
    if (OnResetOneShotTools)
        OnResetOneShotTools();
    return true;
}

void RegisterLayoutObjectClasses() {
    // The stored documents' class names, in the order the program has always registered
    // them; the rectangle was missing from that list, which left stored rectangles
    // unreadable, so it comes last.
    RegisterClasses<TLOLine, TLOAlphaMask, TLODecoLine, TLOJANCode, TLOCurve, TLOCircle>();
    RegisterClasses<TLOImage, TLODate, TLOBackImage, TLODecoString, TLOText, TDOGroup, TLOOLE>();
    RegisterClasses<TLOYearMonth, TLOCalendar, TLOCalendarBackGrnd, TLOCalendarPhoto>();
    RegisterClasses<TLOQRCode, TLOQRStd, TLORect>();
}

TLOCreator& InstallLOCreator() {
    if (!InstalledCreator) {
        RegisterLayoutObjectClasses();
        TheDesignerList().Add(std::make_unique<TDOCalendarMoveGhostDesigner>());
        InstalledCreator =
            static_cast<TLOCreator*>(&TheDesignerList().Add(std::make_unique<TLOCreator>()));
    }
    return *InstalledCreator;
}

TLOCreator* LOCreator() {
    return InstalledCreator;
}
