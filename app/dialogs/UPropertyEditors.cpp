#include "UPropertyEditors.h"

#include "FAlphaMaskProperty.h"
#include "FBackImageProperty.h"
#include "FCalendarProperty.h"
#include "FDecoLineProperty.h"
#include "FDecoStringProperty.h"
#include "FGroupProperty.h"
#include "FImageProperty.h"
#include "FJANCodeProperty.h"
#include "FLineProperty.h"
#include "FPropertyDialog.h"
#include "FQRCodeProperty.h"
#include "FRectProperty.h"
#include "FTextProperty.h"
#include "FYearMonthProperty.h"
#include "UAppFrame.h"
#include "UDOGroup.h"
#include "ULOAlphaMask.h"
#include "ULOBackImage.h"
#include "ULOCalendar.h"
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
#include "UUndo.h"

bool RunPropertyForm(TfrmPropertyDialog& Form, TDrawObject& Object) {
    auto action = std::make_unique<TDOChangeAction>(Object);
    action->SetCaption(SCaptionChangeSettings);
    const QByteArray before = PropertyStreamOf(Object);
    Form.LoadFrom(Object);
    const bool confirmed = Form.exec() == QDialog::Accepted;
    if (confirmed)
        Form.ApplyTo(Object);
    // Setters may announce a change when a value is written again unchanged; what counts
    // is whether the stored form of the object changed.
    if (PropertyStreamOf(Object) != before) {
        action->SetForced(true); // data a setter keeps quiet about (a QR code's bytes)
        TDOChangeAction::Commit(std::move(action), ActionList());
    }
    return confirmed;
}

class TDOLineEditor : public TDOFormEditor<TLOLine, TfrmLineProperty> {};
class TDORectEditor : public TDOFormEditor<TLORect, TfrmRectProperty> {};
class TDOTextEditor : public TDOFormEditor<TLOText, TfrmTextProperty> {};
class TDODateEditor : public TDOFormEditor<TLODate, TfrmDateProperty> {};
class TDOQRCodeEditor : public TDOFormEditor<TLOQRCode, TfrmQRCodeProperty> {};
class TDOJANCodeEditor : public TDOFormEditor<TLOJANCode, TfrmJANCodeProperty> {};
class TDOYearMonthEditor : public TDOFormEditor<TLOYearMonth, TfrmYearMonthProperty> {};
class TDOImageEditor : public TDOFormEditor<TLOImage, TfrmImageProperty> {};
class TDODecoLineEditor : public TDOFormEditor<TLODecoLine, TfrmDecoLineProperty> {};
class TDODecoStringEditor : public TDOFormEditor<TLODecoString, TfrmDecoStringProperty> {};
class TDOAlphaMaskEditor : public TDOFormEditor<TLOAlphaMask, TfrmAlphaMaskProperty> {};
class TDOBackImageEditor : public TDOFormEditor<TLOBackImage, TfrmBackImageProperty> {};
class TDOGroupEditor : public TDOFormEditor<TDOGroup, TfrmGroupProperty> {};

bool TDOOLEEditor::EditObject(TDrawObject& Object, bool& Cancel) {
    if (!qobject_cast<TLOOLE*>(&Object))
        return false;
    Cancel = true;
    AppShowMessage(QStringLiteral("このオブジェクトを編集するプログラムがありません。"));
    return true;
}

void InstallPropertyEditors() {
    static const bool installed = [] {
        TDODesignerList& list = TheDesignerList();
        list.Add(std::make_unique<TDOGroupEditor>());
        list.Add(std::make_unique<TDOBackImageEditor>());
        list.Add(std::make_unique<TDOImageEditor>());
        list.Add(std::make_unique<TDOAlphaMaskEditor>());
        list.Add(std::make_unique<TDORectEditor>());
        list.Add(std::make_unique<TDOLineEditor>());
        list.Add(std::make_unique<TDODecoLineEditor>());
        list.Add(std::make_unique<TDODecoStringEditor>());
        list.Add(std::make_unique<TDOTextEditor>());
        list.Add(std::make_unique<TDODateEditor>());
        list.Add(std::make_unique<TDOJANCodeEditor>());
        list.Add(std::make_unique<TDOQRCodeEditor>());
        list.Add(std::make_unique<TDOCalendarEditor>());
        list.Add(std::make_unique<TDOYearMonthEditor>());
        list.Add(std::make_unique<TDOOLEEditor>());
        return true;
    }();
    (void)installed;
}
