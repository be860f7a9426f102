#pragma once
// What the data module needs of the main window at start-up. The data module creates the
// main window through a factory so that start-up can be exercised with a stand-in window.

#include <QString>

#include <functional>
#include <memory>

class QWidget;

class IMainForm {
public:
    virtual ~IMainForm() = default;
    // The window itself (shown, enabled and disabled by the data module).
    virtual QWidget* Widget() = 0;
    // A new document on the default paper, without any question.
    virtual void NewDocumentQuietly() = 0;
    // Opens FileName without any question; true when it was opened.
    virtual bool OpenFileQuietly(const QString& FileName) = 0;
    // True once the about box shown at creation has been closed.
    virtual bool SplashClosed() const = 0;
    // Asks how to begin (new calendar by the wizard, open a file, exit, blank document)
    // and does it.
    virtual void RunStartupSelection() = 0;
};

using TMainFormFactory = std::function<std::unique_ptr<IMainForm>()>;
