#pragma once
// Image packs: indexed collections of images that browsers, buttons and list views draw by
// index without knowing where the images come from.
//
//   TImagePack          the abstract pack; announces changes through its broadcaster
//                       (MsgIdImagePackChanging before, MsgIdImagePackChanged after)
//   TMatrixImagePack    one picture cut into CountCol x CountRow cells
//   TCachedImagePack    keeps the CacheLimit most recently used images; LoadImage loads one
//   TFileImagePack      the images of a list of files
//   TFolderImagePack    the list comes from a wildcard mask or a list file
//   TCustomImagePack    count and images come from its owner's events
//
// An image that cannot be loaded shows as the shared error picture, both where it is drawn
// and in the cache; no load error reaches the caller.
//
// Threads: everything runs on the user-interface thread, except TCachedImagePack::LoadImage,
// which the background loader also calls on a picture of its own (it never touches the
// cache list). The owner of a loader empties it before changing a pack (the pack announces
// MsgIdImagePackChanging first).

#include "UComponent.h"
#include "UException.h"
#include "UNotify.h"
#include "UPictureEx.h"
#include "UResourceImageLoader.h"
#include "UStringList.h"
#include "UWinTypes.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

class TCanvas;

VANTOMI_DECLARE_EXCEPTION(EImagePack, Exception)

// The shared error picture: a recorded metafile with the two lines "イメージ処理" and "エラー"
// in red on white, sized to the text. Made once per process on first call (thread-safe);
// packs and loaders make it when they are created, so it exists before any load can fail.
const TPictureEx& ImagePackErrorPicture();

class TImagePack : public TComponent {
    Q_OBJECT
public:
    explicit TImagePack(TComponent* Owner = nullptr);
    ~TImagePack() override;

    // Broadcasts MsgIdImagePackChanged with the pack as sender, then calls OnChange.
    virtual void Changed();
    // Broadcasts MsgIdImagePackChanging.
    virtual void Changing();
    virtual int GetCount() const = 0;
    // Raises EImagePack "Cannot set count of ImagePack".
    virtual void SetCount(int Count);
    virtual TRect GetImageRect(int Index) = 0;
    // Raises EImagePack "Cannot set ImageRect of ImagePack".
    virtual void SetImageRect(int Index, const TRect& Rect);
    virtual int GetImageLeft(int Index) { return GetImageRect(Index).Left; }
    virtual int GetImageTop(int Index) { return GetImageRect(Index).Top; }
    virtual int GetImageWidth(int Index) { return GetImageRect(Index).Width(); }
    virtual int GetImageHeight(int Index) { return GetImageRect(Index).Height(); }
    // The rect moved, its size kept.
    virtual void SetImageLeft(int Index, int Value);
    virtual void SetImageTop(int Index, int Value);
    // Right := Left + Value (Bottom := Top + Value).
    virtual void SetImageWidth(int Index, int Value);
    virtual void SetImageHeight(int Index, int Value);
    // Puts image Index into Picture.
    virtual void GetImage(TPictureEx& Picture, int Index) = 0;
    // The image's rect moved to (X, Y), stretch-drawn there.
    virtual void Draw(TCanvas& Canvas, int X, int Y, int Index);
    // Draws image Index (SafeGetImage) stretched over Rect.
    virtual void StretchDraw(TCanvas& Canvas, const TRect& Rect, int Index);
    virtual bool IndexOutOfRange(int Index) const { return Index < 0 || Index >= GetCount(); }

    // GetImage; when that raises, Picture takes the error picture and the answer is false.
    bool SafeGetImage(TPictureEx& Picture, int Index);

    std::function<void(TImagePack* Sender)> OnChange;
    TBroadcaster& Broadcaster() { return FBroadcaster; }
    // IBroadcaster answers the broadcaster.
    bool QueryInterface(const TGUID& Id, void** Obj) override;

private:
    TBroadcaster FBroadcaster;
};

class TMatrixImagePack : public TImagePack {
    Q_OBJECT
    Q_PROPERTY(TResourceImageLoader* ImageLoader READ ImageLoader WRITE SetImageLoader)
    Q_PROPERTY(TPictureEx* Image READ Image WRITE SetImage)
    Q_PROPERTY(int CountCol READ CountCol WRITE SetCountCol)
    Q_PROPERTY(int CountRow READ CountRow WRITE SetCountRow)
    Q_CLASSINFO("Default:CountCol", "1")
    Q_CLASSINFO("Default:CountRow", "1")
public:
    explicit TMatrixImagePack(TComponent* Owner = nullptr);
    ~TMatrixImagePack() override;

    TResourceImageLoader* ImageLoader() const { return FImageLoader.get(); }
    void SetImageLoader(TResourceImageLoader* Value) { FImageLoader->Assign(Value); }
    TPictureEx* Image() const { return FImage.get(); }
    // Copies Value; the picture's change calls Changed.
    void SetImage(TPictureEx* Value) { FImage->Assign(Value); }
    int CountCol() const { return FCountCol; }
    void SetCountCol(int Value);
    int CountRow() const { return FCountRow; }
    void SetCountRow(int Value);

    int GetCount() const override { return FCountCol * FCountRow; }
    // The cell: MulDiv of the picture's size by the column and row.
    TRect GetImageRect(int Index) override;
    void GetImage(TPictureEx& Picture, int Index) override;
    void StretchDraw(TCanvas& Canvas, const TRect& Rect, int Index) override;
    // Also out of range while Image has no graphic or an empty one.
    bool IndexOutOfRange(int Index) const override;
    void Loaded() override;

private:
    std::unique_ptr<TPictureEx> FImage;
    std::unique_ptr<TResourceImageLoader> FImageLoader;
    int FCountCol = 1;
    int FCountRow = 1;
};

class TCachedImagePack : public TImagePack {
    Q_OBJECT
public:
    static constexpr int MaxCacheLimit = 65535;

    explicit TCachedImagePack(TComponent* Owner = nullptr);
    ~TCachedImagePack() override;

    // 1 .. 65535 (clamped); a different value trims the cache at once.
    int CacheLimit() const { return FCacheLimit; }
    void SetCacheLimit(int Value);
    // While set, ClearCache keeps the entries.
    bool KeepCache() const { return FKeepCache; }
    void SetKeepCache(bool Value) { FKeepCache = Value; }
    int CacheCount() const { return static_cast<int>(FCache.size()); }

    // Frees every entry (unless KeepCache).
    virtual void ClearCache();
    // The entry of Index (moved to newest), or a new empty one (the oldest go beyond
    // CacheLimit).
    virtual TPictureEx* FindCacheEntry(int Index);
    // Loads image Index into Picture; may raise. Called by the loader thread too, on a
    // picture the loader owns: implementations must not touch the cache.
    virtual void LoadImage(TPictureEx& Picture, int Index) = 0;

    // Cleared; nothing for an out-of-range index; else the cached (or freshly loaded, the
    // error picture when loading raises) image's graphic.
    void GetImage(TPictureEx& Picture, int Index) override;
    // The entry of Index takes Picture.
    void StoreImage(const TPictureEx& Picture, int Index);

private:
    struct TEntry {
        int Index;
        std::unique_ptr<TPictureEx> Picture;
    };
    void Trim();

    std::vector<TEntry> FCache; // oldest first
    int FCacheLimit = 1;
    bool FKeepCache = false;
};

// Sender, file name, picture to fill.
using TOnFileLoadEvent =
    std::function<void(TImagePack* Sender, const QString& FileName, TPictureEx& Picture)>;

class TFileImagePackBase : public TCachedImagePack {
    Q_OBJECT
public:
    explicit TFileImagePackBase(TComponent* Owner = nullptr);

    const TStringList& FileList() const { return FFileList; }
    // One change of the file list: Changing, Edit, ClearCache, Changed.
    void EditFileList(const std::function<void(TStringList& List)>& Edit);

    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value) { FTransparent = Value; }
    TColor TransparentColor() const { return FTransparentColor; }
    void SetTransparentColor(TColor Value) { FTransparentColor = Value; }

    int GetCount() const override { return FFileList.Count(); }
    // (0, 0, width, height) of the image; empty when out of range.
    TRect GetImageRect(int Index) override;
    // OnFileLoad first; a picture still empty loads the file by its extension's format;
    // then the pack's transparency.
    void LoadImage(TPictureEx& Picture, int Index) override;

    TOnFileLoadEvent OnFileLoad;

protected:
    TStringList FFileList;

private:
    bool FTransparent = false;
    TColor FTransparentColor = 0xF0F0F0;
};

class TFileImagePack : public TFileImagePackBase {
    Q_OBJECT
public:
    explicit TFileImagePack(TComponent* Owner = nullptr);
    void SetFileList(const TStringList& List);
    // Keeps the files whose extension (".JPG", or "." for none) is one of the entries of
    // Extensions (".JPG;.BMP"), compared whole and without regard to case. One change.
    void FilterByExtensions(const QString& Extensions);
};

class TFolderImagePack : public TFileImagePackBase {
    Q_OBJECT
public:
    explicit TFolderImagePack(TComponent* Owner = nullptr);

    QString FileMask() const { return FFileMask; }
    // Rebuilds the file list (one change).
    void SetFileMask(const QString& Value);

private:
    void ReadFileList(TStringList& List) const;
    void ReadListFile(TStringList& List) const;

    QString FFileMask;
};

class TCustomImagePack : public TCachedImagePack {
    Q_OBJECT
public:
    explicit TCustomImagePack(TComponent* Owner = nullptr);

    int GetCount() const override;
    TRect GetImageRect(int Index) override;
    // OnGetImage fills Picture (nothing without a handler).
    void LoadImage(TPictureEx& Picture, int Index) override;
    // ClearCache, then Changed.
    void Refresh();
    // Changing.
    void NotifyChanging() { Changing(); }

    // Sender, in-out count (starts at 0).
    std::function<void(TImagePack* Sender, int& Count)> OnGetCount;
    // Sender, picture to fill, index.
    std::function<void(TImagePack* Sender, TPictureEx& Picture, int Index)> OnGetImage;
};
