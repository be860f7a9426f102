#include "UApplication.h"

#include "UAppFrame.h"
#include "UException.h"

bool TApplication::notify(QObject* Receiver, QEvent* Event) {
    try {
        return QApplication::notify(Receiver, Event);
    } catch (const std::exception& e) {
        HandleApplicationException(e);
    } catch (...) {
        HandleApplicationException(Exception(QStringLiteral("不明な例外が発生しました")));
    }
    return false;
}
