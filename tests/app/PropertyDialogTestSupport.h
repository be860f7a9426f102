#pragma once
// Driving the modal property dialogs from tests: a surface to edit objects on, a message box
// that records instead of waiting, and a way to act on a dialog while it runs modally.

#include "AppTestSupport.h"
#include "UAppFrame.h"
#include "UDrawSite.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>

class QWidget;
class TDrawObject;
class TfrmPropertyDialog;

class TDialogTestEnvironment {
public:
    TDialogTestEnvironment();
    ~TDialogTestEnvironment();

    // A surface of 200 x 200 mm; objects placed on it belong to it.
    TDrawSite& Site() { return *FSite; }
    // Puts Object on the surface (owned by it) and answers it.
    template <class T>
    T& Place(std::unique_ptr<T> Object) {
        T* placed = Object.release();
        FSite->InsertObject(placed);
        FSite->AddObject(placed);
        return *placed;
    }
    // The messages shown since the last call (emptied).
    QStringList TakeMessages();

private:
    std::unique_ptr<TDrawSite> FSite;
    std::unique_ptr<TAppFrame> FFrame;
    QStringList FMessages;
};

// Calls Act with the modal property dialog as soon as one runs (inside its modal loop). A
// dialog Act leaves open is cancelled afterwards, so a failing test never hangs; Act may
// close it itself with its OK or Cancel button.
void WhenDialogRuns(std::function<void(TfrmPropertyDialog& Dialog)> Act);
// Opens the property dialog of Object through the program's designer list with Act driving
// it; answers whether the edit was confirmed.
bool EditWithDialog(TDrawObject& Object, std::function<void(TfrmPropertyDialog& Dialog)> Act);
// Writes a picture of Widget to the build folder's screenshots/Name.png.
void SaveScreenshot(QWidget& Widget, const QString& Name);
// Typed text into a field, as a user leaves it.
void TypeInto(QWidget* Field, const QString& Text);
