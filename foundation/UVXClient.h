#pragma once
// The host interface handed to image-server plug-ins: through it a plug-in learns the
// application's name and settings key, finds the window to parent its dialogs to and
// expands the application's macros.
//
// Every method answers a status code: S_OK on success, E_UNEXPECTED when the host failed
// (a macro error, for example). Each out parameter is cleared before the work starts, so a
// failure leaves it empty.

#include "UInterface.h"

#include <QString>
#include <cstdint>

class QWidget;

using HRESULT = int32_t;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);

class IVXClientV1 : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{7BF0723E-2701-437A-B4CE-F65649F6838F}");

    // The expansion of "$(AppName)".
    virtual HRESULT GetAppName(QString& Result) = 0;
    // The expansion of "$(SysRegistryKey)": the settings key below HKEY_CURRENT_USER.
    virtual HRESULT GetRegistryKey(QString& Result) = 0;
    // The application's active window, else its first visible top-level window; nullptr
    // when it shows none.
    virtual HRESULT GetMainWindow(QWidget*& Result) = 0;
    // Text with its macros expanded by the application frame.
    virtual HRESULT ExpandMacros(const QString& Text, QString& Result) = 0;

protected:
    ~IVXClientV1() = default;
};

// The host object the data module creates once and passes to every plug-in list. It works
// through the global application frame (without one, texts come back unexpanded).
class TVXAppFrameClient final : public IVXClientV1 {
public:
    bool QueryInterface(const TGUID& Id, void** Obj) override;

    HRESULT GetAppName(QString& Result) override;
    HRESULT GetRegistryKey(QString& Result) override;
    HRESULT GetMainWindow(QWidget*& Result) override;
    HRESULT ExpandMacros(const QString& Text, QString& Result) override;
};
