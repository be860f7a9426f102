// Program entry. The application shell grows here; for now the main window opens and the
// event loop runs until it closes.

#include <QApplication>
#include <QMainWindow>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantomi"));
    QApplication::setOrganizationName(QStringLiteral("Quorvelin"));

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Vantomi"));
    window.resize(1024, 720);
    window.show();

    // "--smoke-test": open the window, let the event loop run once, close cleanly.
    if (QApplication::arguments().contains(QStringLiteral("--smoke-test")))
        QTimer::singleShot(200, &window, &QMainWindow::close);
    return app.exec();
}
