#pragma once
// TPictureEx: the picture of every picture property (layout objects, calendars, image
// caches, dialogs). It owns one graphic of any registered class (or none), tells about every
// change through OnChange and through its change notifier (IBroadcaster / IChangeNotify, so
// listeners can attach), and carries the state documents keep with a picture.
//
// Stream forms:
//   - in property streams, the published ImageID and StorageID, then the binary property
//     "Data" holding the picture data (UGraphic.h) while the picture has a graphic; a
//     picture that came from a resource (StreamDataSuppressed) writes no "Data";
//   - on its own (SaveToStream / LoadFromStream, SaveBinaryProperty / LoadBinaryProperty):
//     exactly the picture data, with no property-stream framing.

#include "UGraphic.h"
#include "UNotify.h"

#include <QMimeData>
#include <QString>
#include <functional>
#include <memory>

class TSafetyBitmap;
class TSafetyJPEGImage;

class TPictureEx : public TPersistent, public virtual IInterface {
    Q_OBJECT
    Q_PROPERTY(QString ImageID READ ImageID WRITE SetImageID)
    Q_PROPERTY(QString StorageID READ StorageID WRITE SetStorageID)
public:
    TPictureEx();
    // Tells the notifier's listeners that the picture goes away.
    ~TPictureEx() override;

    // The graphic (null when the picture has none). Changes made to it are changes of the
    // picture.
    TGraphic* Graphic() const { return FGraphic.get(); }
    // A new graphic of Graphic's class assigned from it (null: no graphic). One change.
    void SetGraphic(const TGraphic* Graphic);
    // Takes Graphic as it is. One change.
    void SetGraphic(std::unique_ptr<TGraphic> Graphic);
    int Width() const { return FGraphic ? FGraphic->Width() : 0; }
    int Height() const { return FGraphic ? FGraphic->Height() : 0; }

    QString ImageID() const { return FImageID; }
    void SetImageID(const QString& Value) { FImageID = Value; }
    QString StorageID() const { return FStorageID; }
    void SetStorageID(const QString& Value) { FStorageID = Value; }

    // The file of the document storage holding the picture's bits (not published).
    QString StoragePath() const { return FStoragePath; }
    void SetStoragePath(const QString& Value) { FStoragePath = Value; }
    // Set by every change (unless Loading); cleared by whoever stores the picture.
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }
    // Set while the picture comes from a resource: no "Data" in property streams.
    bool StreamDataSuppressed() const { return FStreamDataSuppressed; }
    void SetStreamDataSuppressed(bool Value) { FStreamDataSuppressed = Value; }
    // The picture's bits live in a document's "Pictures" storage under StorageID.
    bool InStorage() const { return FInStorage; }
    void SetInStorage(bool Value) { FInStorage = Value; }
    // While set, changes do not set Modified (the picture is being read from storage).
    bool Loading() const { return FLoading; }
    void SetLoading(bool Value) { FLoading = Value; }
    // The picture was left unloaded and keeps its StorageID although it is empty.
    bool KeptUnloaded() const { return FKeptUnloaded; }
    void SetKeptUnloaded(bool Value) { FKeptUnloaded = Value; }

    // Another TPictureEx: its storage flag, ImageID, StorageID and storage path, then its
    // graphic (a graphic of the very same class, not a JPEG image, is assigned into the
    // existing graphic; otherwise a new one is made; two pictures without graphic change
    // nothing more). A graphic: becomes a copy of it. Null: no graphic. Anything else raises
    // EConvertError.
    void Assign(const TPersistent* Source) override;
    // Takes the first of the clipboard data's formats, in its own order, that a registered
    // picture format reads (enhanced metafiles, bitmaps, and pictures Qt can decode, which
    // come in as bitmaps). Raises EConvertError when there is none.
    void AssignClipboard(const QMimeData& Data);
    // The same with the system clipboard.
    void PasteFromClipboard();

    // "Data", unless StreamDataSuppressed.
    void DefineProperties(TFiler& Filer) override;

    // The class registered for the file's extension loads the file. Raises EInvalidGraphic
    // for an unknown extension or damaged data; the picture is unchanged then.
    void LoadFromFile(const QString& FileName);
    // Writes the graphic's file form (nothing without a graphic).
    void SaveToFile(const QString& FileName) const;
    // The picture data, on its own.
    void LoadFromStream(TStream& Stream);
    void SaveToStream(TStream& Stream);

    // Sets Modified (unless Loading), then, unless already announcing, calls OnChange and
    // broadcasts MsgIdChanged through the notifier. Changes made to the graphic arrive here.
    void Changed();
    std::function<void(TPictureEx* Sender)> OnChange;
    TChangeNotify& Notifier() { return FNotify; }

    // IBroadcaster and IChangeNotify answer the notifier.
    bool QueryInterface(const TGUID& Id, void** Obj) override;

protected:
    // A graphic destination takes the picture's graphic.
    void AssignTo(TPersistent* Dest) const override;

private:
    friend TSafetyBitmap& ForceSafetyBitmap(TPictureEx& Picture);
    friend TSafetyJPEGImage& ForceSafetyJPEGImage(TPictureEx& Picture);
    // Replaces the graphic without announcing it.
    void Replace(std::unique_ptr<TGraphic> Graphic);
    void ReadData(TStream& Stream);
    void WriteData(TStream& Stream) const;
    bool LoadClipboardFormat(int Format, const QByteArray& Data);

    std::unique_ptr<TGraphic> FGraphic;
    TChangeNotify FNotify;
    QString FImageID;
    QString FStorageID;
    QString FStoragePath;
    bool FModified = false;
    bool FStreamDataSuppressed = false;
    bool FInStorage = false;
    bool FLoading = false;
    bool FKeptUnloaded = false;
    bool FInChanged = false;
};

// The picture's graphic as a TSafetyBitmap: unless it is one, it is replaced by a new empty
// one, without any change being announced.
TSafetyBitmap& ForceSafetyBitmap(TPictureEx& Picture);
// The same for JPEG images: any JPEG image stays; otherwise a new empty TSafetyJPEGImage.
TSafetyJPEGImage& ForceSafetyJPEGImage(TPictureEx& Picture);

// Writes (reads) the first binary property Object defines, straight to (from) Stream, with no
// property-stream framing; for a TPictureEx that is its picture data, whatever its
// StreamDataSuppressed flag (which is put back afterwards). Raises EFilerError when Object
// defines no binary property.
void SaveBinaryProperty(TPersistent& Object, TStream& Stream);
void LoadBinaryProperty(TPersistent& Object, TStream& Stream);
