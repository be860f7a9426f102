#pragma once
// TResourceImageLoader: fills a picture from a resource of the program (a Qt resource) or of
// a resource file (.RES) beside the program, named by type and name.
//
// Types: "RT_BITMAP" (a device-independent bitmap without file header, or a compressed
// container around a bitmap file) and "CBM" (the same), "METAFILE", "JPEG"; other types load
// nothing unless the load event does. What a loader loaded is not written into property
// streams (the picture's StreamDataSuppressed is set); changing the resource clears that.

#include "UPersistent.h"
#include "UStreams.h"

#include <QString>
#include <functional>

class TPictureEx;

class TResourceImageLoader : public TPersistent {
    Q_OBJECT
    // Load whenever a resource property changes (once the owner is ready).
    Q_PROPERTY(bool AutoLoad READ AutoLoad WRITE SetAutoLoad)
    // Resource file relative to the program's folder; empty: the program's own resources.
    Q_PROPERTY(QString ResFile READ ResFile WRITE SetResFile)
    // "RT_BITMAP", "RT_ICON" or a named type ("CBM", "METAFILE", "JPEG" ...).
    Q_PROPERTY(QString ResType READ ResType WRITE SetResType)
    Q_PROPERTY(QString ResName READ ResName WRITE SetResName)
    Q_CLASSINFO("Default:AutoLoad", "True")
public:
    // Picture (may be null) outlives the loader.
    explicit TResourceImageLoader(TPictureEx* Picture = nullptr);

    bool AutoLoad() const { return FAutoLoad; }
    void SetAutoLoad(bool Value) { FAutoLoad = Value; }
    QString ResFile() const { return FResFile; }
    void SetResFile(const QString& Value);
    QString ResType() const { return FResType; }
    void SetResType(const QString& Value);
    QString ResName() const { return FResName; }
    void SetResName(const QString& Value);

    TPictureEx* Picture() const { return FPicture; }
    // Set by the owner once it is loaded; changes load only from then on.
    bool Ready() const { return FReady; }
    void SetReady(bool Value) { FReady = Value; }

    // Called with the resource stream and Loaded false; answering true means the handler
    // loaded the picture itself.
    std::function<void(TStream& Stream, bool& Loaded)> OnLoad;

    // Another loader: its resource file, name and type; loads as a change does.
    void Assign(const TPersistent* Source) override;
    // Loads the resource into the picture (nothing unless ResName and ResType are given).
    // Raises EResNotFound when there is no such resource (the picture is unchanged) and
    // EInvalidGraphic for damaged data.
    void Load();

private:
    void SetResource(QString& Field, const QString& Value);
    void ResourceChanged();
    bool LoadByType(TStream& Stream);

    TPictureEx* FPicture;
    bool FAutoLoad = true;
    bool FReady = false;
    QString FResFile;
    QString FResType;
    QString FResName;
};
