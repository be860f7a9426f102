// A plug-in library for the loader tests; built by the test itself.

#include "VXTestPlugin.h"

namespace {

class TTestPlugin final : public IVXPlugin, public IVXTestPlugin {
public:
    explicit TTestPlugin(IVXClientV1* Client) {
        if (Client)
            Client->GetAppName(FAppName);
    }

    bool QueryInterface(const TGUID& Id, void** Obj) override {
        if (AnswerInterface<IVXTestPlugin>(this, Id, Obj) ||
            AnswerInterface<IVXPlugin>(this, Id, Obj))
            return true;
        *Obj = nullptr;
        return false;
    }

    QString HostAppName() const override { return FAppName; }

private:
    QString FAppName;
};

} // namespace

extern "C" __attribute__((visibility("default"))) IVXPlugin* VXCreatePlugin(IVXClientV1* Client) {
    return new TTestPlugin(Client);
}
