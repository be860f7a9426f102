#pragma once
// The property editors: one designer per kind of layout object, registered in the
// program's designer list, that opens the kind's property dialog.
//
// Every editor follows one pattern: it accepts only objects of its class (the designer list
// then asks the next one); it creates the dialog, records the object's state in a change
// action captioned "設定変更", loads the dialog from the object, shows it modally, applies it
// to the object on OK and commits the action in every case (an unchanged object, or one
// not yet placed on a surface, leaves no undo step). Cancel changes nothing.
//
// User-interface thread only.

#include "UDesigner.h"

#include <QApplication>
#include <QString>
#include <QWidget>

#include <memory>

class TfrmPropertyDialog;

// Caption of the undo step of a property dialog.
inline const QString SCaptionChangeSettings = QStringLiteral("設定変更");

// The pattern with a created Form: change action, load, modal, apply on OK, commit.
// True when the user confirmed.
bool RunPropertyForm(TfrmPropertyDialog& Form, TDrawObject& Object);

// An editor for objects of class TObject (and its descendants) with the dialog TForm,
// constructed as TForm(TObject&, QWidget* Parent).
template <class TObject, class TForm>
class TDOFormEditor : public TDODesigner {
public:
    bool EditObject(TDrawObject& Object, bool& Cancel) override {
        auto* object = qobject_cast<TObject*>(&Object);
        if (!object)
            return false;
        TForm form(*object, QApplication::activeWindow());
        Cancel = !RunPropertyForm(form, Object);
        return true;
    }
};

// The editors by kind (declared here so that callers and tests can name them).
class TDOLineEditor;
class TDORectEditor;
class TDOTextEditor;
class TDODateEditor;
class TDOQRCodeEditor;
class TDOJANCodeEditor;
class TDOCalendarEditor;
class TDOYearMonthEditor;
class TDOImageEditor;
class TDODecoLineEditor;
class TDODecoStringEditor;
class TDOAlphaMaskEditor;
class TDOBackImageEditor;
class TDOGroupEditor;

// Embedded objects of other programs: no program can edit them here, so the edit only tells
// the user so and changes nothing (answers handled, cancelled).
class TDOOLEEditor : public TDODesigner {
public:
    bool EditObject(TDrawObject& Object, bool& Cancel) override;
};

// Adds every editor to the program's designer list once (later calls change nothing),
// after the designers already there, so that they are asked before them; a derived kind's
// editor comes after its base's (date after text, decorative line after line).
void InstallPropertyEditors();
