#pragma once
// The interface of the test plug-in, shared by the plug-in library and the test.

#include "UPluginList.h"

class IVXTestPlugin : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{5E1D3C2B-7A44-4F0E-9B61-2C8D0F7A1B39}");

    // The application name the plug-in asked the host for when it was created.
    virtual QString HostAppName() const = 0;

protected:
    ~IVXTestPlugin() = default;
};
