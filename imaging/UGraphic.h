#pragma once
// Graphics: the picture formats (bitmaps, JPEG, PNG, GIF, metafiles, icons) behind one base
// class, the registry that finds a format by class name, file extension or clipboard
// format, and the picture data layout that stores a graphic with its class name.
//
// Picture data: one length byte and the graphic's class name in ASCII (length 0: no
// graphic), then the graphic's own data (TGraphic::WriteData). Every class here writes its
// data as a 32-bit signed byte count followed by that many bytes of its file form (a
// bitmap: a BMP file or a compressed container; a JPEG image: the JPEG file ...).
//
// Graphics are used from one thread at a time; a picture may be loaded on a worker thread
// and handed over. Drawing keeps decoded pixels and masks as caches, so Draw is const.

#include "UBitmap.h"
#include "UCanvas.h"
#include "UClasses.h"
#include "UPersistent.h"
#include "UStreams.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

// Clipboard formats a graphic can be loaded from.
constexpr int CF_BITMAP = 2;
constexpr int CF_DIB = 8;
constexpr int CF_PALETTE = 9;
constexpr int CF_ENHMETAFILE = 14;

class TGraphic : public TPersistent {
    Q_OBJECT
public:
    TGraphic() = default;
    ~TGraphic() override = default;

    // A new, empty graphic of the same class.
    virtual std::unique_ptr<TGraphic> CreateNew() const = 0;
    // The class name the registry knows this graphic by, written in picture data.
    virtual QString GraphicClassName() const { return ClassName(); }

    virtual bool Empty() const = 0;
    // Natural size in pixels (a metafile: pixels at the screen's resolution).
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Whether drawing leaves parts of the target showing through. Setting it to a
    // different value calls Changed.
    virtual bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool Value);

    // Draws the graphic stretched over Rect (logical units of Canvas).
    virtual void Draw(TCanvas& Canvas, const TRect& Rect) const = 0;

    // The file form: reads from the stream's position to its end, or writes a whole file.
    // A reader of damaged data raises EInvalidGraphic and leaves the graphic unchanged.
    virtual void LoadFromStream(TStream& Stream) = 0;
    virtual void SaveToStream(TStream& Stream) const = 0;
    void LoadFromFile(const QString& FileName);
    // Written atomically: a failed save leaves an existing file intact.
    void SaveToFile(const QString& FileName) const;

    // The data form inside picture data: a 32-bit count, then the file form in exactly that
    // many bytes (0: an empty graphic). ReadData leaves the stream after the counted bytes.
    virtual void ReadData(TStream& Stream);
    virtual void WriteData(TStream& Stream) const;

    // True when Other holds the same picture: the base compares class and data form.
    virtual bool Equals(const TGraphic* Other) const;

    // Loads clipboard data of a registered clipboard format; the base raises
    // EInvalidGraphic.
    virtual void LoadFromClipboardFormat(int Format, const QByteArray& Data);

    // The canvas of the pixels the graphic draws from, for callers that lock it while
    // drawing (null: none).
    virtual TCanvas* PixelCanvas() { return nullptr; }

    // Set by every change; cleared by whoever stores the graphic.
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }
    // Sets Modified and calls OnChange.
    virtual void Changed();
    std::function<void(TGraphic* Sender)> OnChange;

protected:
    // Sets the transparency flag without announcing a change (loading, assigning).
    void StoreTransparent(bool Value) { FTransparent = Value; }

private:
    bool FTransparent = false;
    bool FModified = false;
};

// Raises EInvalidGraphic with Message.
[[noreturn]] void RaiseInvalidGraphic(const QString& Message);

// ---------------------------------------------------------------------------------------
// Registry. Registration is explicit (RegisterPictureFormats, UPictureFormats.h) and may
// run again. Lookups are thread-safe.

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

struct TGraphicFileFormat {
    QString Extension; // upper case, without the dot
    QString Description;
    QString ClassName;
};

// Registers a class under ClassName (case-insensitive). CreatedClass is the class name of
// what Create makes; it differs for aliases (a stored "TBitmap" makes our bitmap graphic).
// Registering a name again replaces it.
void RegisterGraphicClass(const QString& ClassName, const QString& CreatedClass,
                          TGraphicFactory Create);
template <class T>
void RegisterGraphicClass() {
    const QString name = QString::fromLatin1(T::staticMetaObject.className());
    RegisterGraphicClass(name, name, [] { return std::make_unique<T>(); });
}
// Registers the class of ClassName for a file extension (with or without the dot, any case);
// the latest registration of an extension wins.
void RegisterFileFormat(const QString& Extension, const QString& Description,
                        const QString& ClassName);
template <class T>
void RegisterFileFormat(const QString& Extension, const QString& Description) {
    RegisterGraphicClass<T>();
    RegisterFileFormat(Extension, Description,
                       QString::fromLatin1(T::staticMetaObject.className()));
}
// Registers the class of ClassName for a clipboard format (CF_DIB ...); the latest wins.
void RegisterClipboardFormat(int Format, const QString& ClassName);
// Removes every name, extension and clipboard format that creates ClassName.
void UnregisterGraphicClass(const QString& ClassName);

// True when a class of that name is registered.
bool IsGraphicClassRegistered(const QString& ClassName);
// A new graphic of a registered class; raises EClassNotFound "クラス %s が見つかりません".
std::unique_ptr<TGraphic> CreateGraphic(const QString& ClassName);
// The class registered last for Extension (with or without the dot), or an empty string.
QString GraphicClassOfExtension(const QString& Extension);
// The class registered last for a clipboard format, or an empty string.
QString GraphicClassOfClipboardFormat(int Format);
// The registered extensions, oldest first (an extension registered twice appears twice).
std::vector<TGraphicFileFormat> GraphicFileFormats();

// ---------------------------------------------------------------------------------------
// Picture data.

// Writes the class name and data of Graphic (null: the empty name alone).
void WritePictureData(TStream& Stream, const TGraphic* Graphic);
// Reads picture data: null for the empty name, else a graphic of the named class with its
// data read. Raises EClassNotFound for an unregistered name, EInvalidGraphic for damaged
// data.
std::unique_ptr<TGraphic> ReadPictureData(TStream& Stream);

// Reads the 32-bit count of a data form and the counted bytes. Raises EInvalidGraphic when
// the count is negative or runs past the end of the stream.
QByteArray ReadCountedData(TStream& Stream);
void WriteCountedData(TStream& Stream, const QByteArray& Data);
