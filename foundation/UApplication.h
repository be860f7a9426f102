#pragma once
// The program's application object. Exceptions must not cross Qt's event loop: one that
// escapes an event handler is caught here and handed to the application frame, which shows
// it as a message (HandleApplicationException), and the program goes on.

#include <QApplication>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& Argc, char** Argv) : QApplication(Argc, Argv) {}

    bool notify(QObject* Receiver, QEvent* Event) override;
};
