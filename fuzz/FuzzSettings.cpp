// The settings file: every key walked, every value read.
#include "FuzzSupport.h"

#include "URegistry.h"

namespace {

constexpr int MaxDepth = 6;

void Walk(TRegistry& Registry, const QString& Path, int Depth) {
    if (!Registry.OpenKeyReadOnly(Path))
        return;
    for (const QString& name : Registry.GetValueNames()) {
        Registry.ReadString(name);
        Registry.ReadInteger(name, 0);
    }
    const QStringList keys = Registry.GetKeyNames();
    if (Depth >= MaxDepth)
        return;
    for (const QString& key : keys)
        Walk(Registry, Path + u'\\' + key, Depth + 1);
}

void Run(const QByteArray& Input) {
    TRegistry registry(HKEY_CURRENT_USER, FuzzFile(Input, QStringLiteral(".ini")));
    Walk(registry, QStringLiteral("\\"), 0);
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    Walk(registry, QStringLiteral("\\"), 0);
}

} // namespace

const TFuzzTarget FuzzTarget{nullptr, Run};
