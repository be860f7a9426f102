#pragma once
// Image-server plug-ins: shared libraries in the plug-in folder, each exporting one factory
//
//   extern "C" IVXPlugin* VXCreatePlugin(IVXClientV1* Client);
//
// that creates the library's plug-in object and hands it the host interface. A plug-in list
// serves one plug-in interface (by its id): it keeps the plug-ins whose object answers that
// id and passes over every other file.

#include "UVXClient.h"

#include <QLibrary>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// The object a plug-in library creates. The host destroys it (through the virtual
// destructor) before the library is unloaded.
class IVXPlugin : public virtual IInterface {
public:
    virtual ~IVXPlugin() = default;
};

using TVXPluginFactory = IVXPlugin* (*)(IVXClientV1* Client);
inline constexpr char VXPluginFactoryName[] = "VXCreatePlugin";

class TPluginList {
public:
    explicit TPluginList(const TGUID& InterfaceId) : FInterfaceId(InterfaceId) {}
    // Destroys the plug-in objects, then unloads their libraries.
    ~TPluginList();
    TPluginList(const TPluginList&) = delete;
    TPluginList& operator=(const TPluginList&) = delete;

    // Loads every shared library of Folder (names matched without regard to case; a missing
    // folder loads nothing) and answers how many plug-ins were added. A file that is not a
    // loadable library, lacks the factory, makes the factory fail or answer nothing, or whose
    // object does not answer the list's interface id is passed over and noted in Problems.
    int LoadFromFolder(const QString& Folder, IVXClientV1* Client);

    int Count() const { return static_cast<int>(FItems.size()); }
    // The plug-in object of entry Index (0 .. Count - 1).
    IVXPlugin* Items(int Index) const { return FItems.at(Index).Plugin.get(); }
    // The list's interface of entry Index.
    void* Interface(int Index) const { return FItems.at(Index).Interface; }
    // One line for each file passed over: the file and the reason.
    const QStringList& Problems() const { return FProblems; }

private:
    struct TItem {
        std::unique_ptr<QLibrary> Library;
        std::unique_ptr<IVXPlugin> Plugin;
        void* Interface = nullptr;
    };
    bool LoadLibrary(const QString& FileName, IVXClientV1* Client);

    TGUID FInterfaceId;
    std::vector<TItem> FItems;
    QStringList FProblems;
};
