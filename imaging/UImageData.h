#pragma once
// TImageData: a picture with the non-destructive filters the user sets on it (a crop, a blur
// or sharpen, a monotone tint, brightness and contrast) and a transparent colour. The
// picture itself is never altered; the filtered picture is computed on demand in the order
// crop, blur, monotone, light, kept, and dropped whenever the picture, a filter or the
// transparent colour changes.
//
// The colour filters work on every raster picture (bitmaps, JPEG, PNG, GIF, icons); a
// metafile can only be cropped (as a metafile).
//
// Stream form (property streams): Picture, ClipFilter (the custom property "ClipRect", four
// integers, only when the rectangle is not empty), BlurFilter.BlurCount,
// LightFilter.Brightness and .Contrast, MonotoneFilter.RefColor (default clNone),
// TransparentColor (default clNone).

#include "UEffects.h"
#include "UGraphicUtils.h"
#include "UNotify.h"
#include "UPersistent.h"
#include "UPictureEx.h"
#include "UWinTypes.h"

#include <memory>

inline constexpr TGUID ImageDataClipResetMsg = MsgIdImageDataSizeChanged;
inline constexpr TGUID ImageDataPictureMsg = MsgIdImageDataPictureChanged;

// The base of the filters: a change notifier exposed as IChangeNotify and IBroadcaster.
class TImageFilter : public TPersistent, public virtual IInterface {
    Q_OBJECT
public:
    TImageFilter();
    ~TImageFilter() override;

    // The inherited assignment inside one update, so a copy signals one change.
    void Assign(const TPersistent* Source) override;

    virtual bool CanApply(const TPictureEx& Picture) const = 0;
    // Writes the filtered Source into Dest; ResultRect := (0, 0, Dest width, Dest height).
    virtual void Apply(const TPictureEx& Source, TPictureEx& Dest, TRect& ResultRect) = 0;
    // Whether the filter changes anything (for editors).
    virtual bool IsEffective(const TPictureEx& Picture) const = 0;

    TChangeNotify& Notifier() { return FNotify; }
    bool QueryInterface(const TGUID& Id, void** Obj) override;

protected:
    // Assigning to another kind of object is silently ignored.
    void AssignTo(TPersistent* Dest) const override;
    void Changed() { FNotify.Changed(); }
    template <class T>
    void SetField(T& Field, const T& Value) {
        if (Field != Value) {
            Field = Value;
            Changed();
        }
    }

private:
    TChangeNotify FNotify;
};

class TClipFilter : public TImageFilter {
    Q_OBJECT
public:
    TClipFilter() = default;

    const TRect& ClipRect() const { return FClipRect; }
    void SetClipRect(const TRect& Value);
    TColor FillColor() const { return FFillColor; }
    void SetFillColor(TColor Value) { SetField(FFillColor, Value); }
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value) { SetField(FTransparent, Value); }

    bool CanApply(const TPictureEx&) const override { return true; }
    void Apply(const TPictureEx& Source, TPictureEx& Dest, TRect& ResultRect) override;
    bool IsEffective(const TPictureEx& Picture) const override;
    // "ClipRect": Left, Top, Right, Bottom as a list of integers, when not empty.
    void DefineProperties(TFiler& Filer) override;

protected:
    void AssignTo(TPersistent* Dest) const override;

    // Value with every coordinate brought into -MaxBitmapSide..MaxBitmapSide (a stored
    // rectangle is read so; its width and height then fit an int).
    static TRect BoundedToSide(const TRect& Value);
    // The part of Value a crop of a W x H picture uses: Value within the picture grown by half
    // its size on every side (a crop may reach past the picture, which shows the fill colour
    // there, but never makes a picture of more than four times the pixels); the whole picture
    // when Value is empty or lies beyond that.
    static TRect BoundedToPicture(const TRect& Value, int W, int H);

private:
    void ClipToBitmap(const TPictureEx& Source, TPictureEx& Dest, const TRect& C) const;
    void ClipToMetafile(const TPictureEx& Source, TPictureEx& Dest, const TRect& C) const;

    TRect FClipRect;
    TColor FFillColor = clWhite;
    bool FTransparent = false;
};

// Filters that run an effector over the picture's pixels.
class TGREFilter : public TImageFilter {
    Q_OBJECT
public:
    // The picture has a raster graphic (not a metafile).
    bool CanApply(const TPictureEx& Picture) const override;
    // The effector's result on a 24-bit copy of Source; without an effector a copy of Source.
    void Apply(const TPictureEx& Source, TPictureEx& Dest, TRect& ResultRect) override;
    // A new effector, or null when the filter does nothing.
    virtual std::unique_ptr<TGREffector> CreateEffector() const = 0;
};

class TBlurFilter : public TGREFilter {
    Q_OBJECT
    Q_PROPERTY(int BlurCount READ BlurCount WRITE SetBlurCount)
    Q_CLASSINFO("Default:BlurCount", "0")
public:
    int BlurCount() const { return FBlurCount; }
    void SetBlurCount(int Value) { SetField(FBlurCount, Value); }
    bool IsEffective(const TPictureEx&) const override { return FBlurCount != 0; }
    // > 0: that many blur passes; < 0: unsharp mask of amount -BlurCount; 0: none.
    std::unique_ptr<TGREffector> CreateEffector() const override;

protected:
    void AssignTo(TPersistent* Dest) const override;

private:
    int FBlurCount = 0;
};

class TLightFilter : public TGREFilter {
    Q_OBJECT
    Q_PROPERTY(int Brightness READ Brightness WRITE SetBrightness)
    Q_PROPERTY(int Contrast READ Contrast WRITE SetContrast)
    Q_CLASSINFO("Default:Brightness", "0")
    Q_CLASSINFO("Default:Contrast", "0")
public:
    int Brightness() const { return FBrightness; }
    void SetBrightness(int Value) { SetField(FBrightness, Value); }
    int Contrast() const { return FContrast; }
    void SetContrast(int Value) { SetField(FContrast, Value); }
    bool IsEffective(const TPictureEx&) const override { return FBrightness || FContrast; }
    std::unique_ptr<TGREffector> CreateEffector() const override;

protected:
    void AssignTo(TPersistent* Dest) const override;

private:
    int FBrightness = 0;
    int FContrast = 0;
};

class TMonotoneFilter : public TGREFilter {
    Q_OBJECT
    Q_PROPERTY(TColor RefColor READ RefColor WRITE SetRefColor)
    Q_CLASSINFO("Default:RefColor", "clNone")
public:
    TColor RefColor() const { return FRefColor; }
    void SetRefColor(TColor Value) { SetField(FRefColor, Value); }
    bool IsEffective(const TPictureEx&) const override { return FRefColor != clNone; }
    std::unique_ptr<TGREffector> CreateEffector() const override;

protected:
    void AssignTo(TPersistent* Dest) const override;

private:
    TColor FRefColor = clNone;
};

class TImageData : public TPersistent, public virtual IInterface {
    Q_OBJECT
    Q_PROPERTY(TPictureEx* Picture READ Picture WRITE SetPicture)
    Q_PROPERTY(TClipFilter* ClipFilter READ ClipFilter WRITE SetClipFilter)
    Q_PROPERTY(TBlurFilter* BlurFilter READ BlurFilter WRITE SetBlurFilter)
    Q_PROPERTY(TLightFilter* LightFilter READ LightFilter WRITE SetLightFilter)
    Q_PROPERTY(TMonotoneFilter* MonotoneFilter READ MonotoneFilter WRITE SetMonotoneFilter)
    Q_PROPERTY(TColor TransparentColor READ TransparentColor WRITE SetTransparentColor)
    Q_CLASSINFO("Default:TransparentColor", "clNone")
public:
    TImageData();
    ~TImageData() override;

    TPictureEx* Picture() const { return FPicture.get(); }
    void SetPicture(TPictureEx* Value) { FPicture->Assign(Value); }
    TClipFilter* ClipFilter() const { return FClipFilter.get(); }
    void SetClipFilter(TClipFilter* Value) { FClipFilter->Assign(Value); }
    TBlurFilter* BlurFilter() const { return FBlurFilter.get(); }
    void SetBlurFilter(TBlurFilter* Value) { FBlurFilter->Assign(Value); }
    TLightFilter* LightFilter() const { return FLightFilter.get(); }
    void SetLightFilter(TLightFilter* Value) { FLightFilter->Assign(Value); }
    TMonotoneFilter* MonotoneFilter() const { return FMonotoneFilter.get(); }
    void SetMonotoneFilter(TMonotoneFilter* Value) { FMonotoneFilter->Assign(Value); }
    TColor TransparentColor() const { return FTransparentColor; }
    // On a different value: stores it, drops the filtered picture and signals a change.
    void SetTransparentColor(TColor Value);

    // The filtered picture, computed first when it is not cached (empty when Picture is).
    TPictureEx& GetFilteredPicture();
    // True while a filtered picture is cached.
    bool HasFilteredPicture() const { return !IsPictureEmpty(FCache.get()); }

    // Picture is empty and not held in document storage.
    bool IsEmpty() const;
    // The graphic is a bitmap, a PNG or a JPEG image.
    bool IsRasterImage() const;
    bool IsTransparent() const { return IsRasterImage() && FTransparentColor != clNone; }
    // False switches transparency off; True changes nothing.
    void SetTransparent(bool Value);
    // W = 0 or an empty picture: the whole picture; else the largest W:H rectangle centred
    // in it.
    void ResetClipRect(int W, int H);
    void Clear();

    TChangeNotify& Notifier() { return FNotify; }
    bool QueryInterface(const TGUID& Id, void** Obj) override;

protected:
    // To another TImageData, in one update: picture, filters, transparent colour, and the
    // filtered picture (so a copy need not recompute it).
    void AssignTo(TPersistent* Dest) const override;

private:
    void PictureChanged(const TGUID& MsgID);
    void FilterChanged(TImageFilter* Filter, const TGUID& MsgID);
    void DropCache();
    void ComputeFiltered();

    std::unique_ptr<TPictureEx> FPicture;
    std::unique_ptr<TPictureEx> FCache;
    TChangeNotify FNotify;
    std::unique_ptr<TClipFilter> FClipFilter;
    std::unique_ptr<TBlurFilter> FBlurFilter;
    std::unique_ptr<TLightFilter> FLightFilter;
    std::unique_ptr<TMonotoneFilter> FMonotoneFilter;
    TColor FTransparentColor = clNone;
    int FPictureWidth = 0;
    int FPictureHeight = 0;
    bool FComputing = false;
    // Declared last so they detach before the objects they listen to go.
    std::unique_ptr<TListener> FPictureListener;
    std::unique_ptr<TListener> FFilterListener;
};
