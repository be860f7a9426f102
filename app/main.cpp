// Program entry. The application shell grows here; for now the classes that streams create
// are registered, the main window opens and the event loop runs until it closes.

#include "UAppClasses.h"
#include "UApplication.h"
#include "UUndo.h"

#include <QMainWindow>
#include <QTimer>

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TApplication::setApplicationName(QStringLiteral("Vantomi"));
    TApplication::setOrganizationName(QStringLiteral("Quorvelin"));
    RegisterApplicationClasses();

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Vantomi"));
    window.resize(1024, 720);
    window.show();

    // "--smoke-test": open the window, let the event loop run once, close cleanly.
    if (TApplication::arguments().contains(QStringLiteral("--smoke-test")))
        QTimer::singleShot(200, &window, &QMainWindow::close);
    const int result = app.exec();
    // Undo steps own copies of objects: free them while the application object still exists.
    ActionList().Clear();
    return result;
}
