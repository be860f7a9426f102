#include "UVXClient.h"

#include "UAppFrame.h"

#include <QApplication>
#include <QWidget>

namespace {

// Runs Work, turning any exception into E_UNEXPECTED.
template <class F>
HRESULT Guarded(F&& Work) noexcept {
    try {
        Work();
        return S_OK;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT ExpandInto(const QString& Text, QString& Result) noexcept {
    Result.clear();
    QString expanded;
    const HRESULT status = Guarded([&] { expanded = ::ExpandMacros(Text); });
    if (status == S_OK)
        Result = expanded;
    return status;
}

} // namespace

bool TVXAppFrameClient::QueryInterface(const TGUID& Id, void** Obj) {
    if (AnswerInterface<IVXClientV1>(this, Id, Obj) || AnswerInterface<IInterface>(this, Id, Obj))
        return true;
    *Obj = nullptr;
    return false;
}

HRESULT TVXAppFrameClient::GetAppName(QString& Result) {
    return ExpandInto(QStringLiteral("$(AppName)"), Result);
}

HRESULT TVXAppFrameClient::GetRegistryKey(QString& Result) {
    return ExpandInto(QStringLiteral("$(SysRegistryKey)"), Result);
}

HRESULT TVXAppFrameClient::GetMainWindow(QWidget*& Result) {
    Result = nullptr;
    return Guarded([&] {
        Result = QApplication::activeWindow();
        if (Result)
            return;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->isVisible() && widget->isWindow()) {
                Result = widget;
                return;
            }
    });
}

HRESULT TVXAppFrameClient::ExpandMacros(const QString& Text, QString& Result) {
    return ExpandInto(Text, Result);
}
