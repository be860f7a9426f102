#include "UPluginList.h"

#include "UPathResolver.h"

#include <QDir>

TPluginList::~TPluginList() {
    for (TItem& item : FItems) {
        item.Plugin.reset();
        item.Library->unload();
    }
}

int TPluginList::LoadFromFolder(const QString& Folder, IVXClientV1* Client) {
    const QString folder = FindExistingPath(Folder);
    if (folder.isEmpty())
        return 0;
    const QDir dir(folder);
    int loaded = 0;
    for (const QString& name : dir.entryList(QDir::Files | QDir::Readable, QDir::Name)) {
        const QString fileName = dir.filePath(name);
        if (QLibrary::isLibrary(fileName) && LoadLibrary(fileName, Client))
            ++loaded;
    }
    return loaded;
}

bool TPluginList::LoadLibrary(const QString& FileName, IVXClientV1* Client) {
    auto library = std::make_unique<QLibrary>(FileName);
    auto pass = [&](const QString& Reason) {
        FProblems.append(FileName + QStringLiteral(": ") + Reason);
        return false;
    };
    if (!library->load())
        return pass(QStringLiteral("読み込めません (%1)").arg(library->errorString()));
    const auto factory = reinterpret_cast<TVXPluginFactory>(library->resolve(VXPluginFactoryName));
    if (!factory) {
        library->unload();
        return pass(QStringLiteral("%1 がありません").arg(QLatin1String(VXPluginFactoryName)));
    }
    std::unique_ptr<IVXPlugin> plugin;
    try {
        plugin.reset(factory(Client));
    } catch (...) {
        plugin.reset();
    }
    void* face = nullptr;
    if (!plugin || !plugin->QueryInterface(FInterfaceId, &face) || !face) {
        plugin.reset();
        library->unload();
        return pass(QStringLiteral("プラグインを作成できません"));
    }
    FItems.push_back({std::move(library), std::move(plugin), face});
    return true;
}
