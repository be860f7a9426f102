#include "UPictureEx.h"

#include "UDIB.h"
#include "UJPEG.h"
#include "USafetyBitmap.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <typeinfo>

namespace {

// Captures the first binary property an object defines instead of streaming it.
class TTrapFiler final : public TFiler {
public:
    void DefineProperty(const char*, const TReaderProc&, const TWriterProc&, bool) override {}
    void DefineBinaryProperty(const char*, const TStreamProc& ReadData,
                              const TStreamProc& WriteData, bool) override {
        if (!FFound) {
            FFound = true;
            Read = ReadData;
            Write = WriteData;
        }
    }
    TStreamProc Read;
    TStreamProc Write;

private:
    bool FFound = false;
};

// Clears a picture's stream-data-suppressed flag for a scope and puts it back.
class TSuppressionLift {
public:
    explicit TSuppressionLift(TPersistent& Object) : FPicture(dynamic_cast<TPictureEx*>(&Object)) {
        if (FPicture) {
            FSaved = FPicture->StreamDataSuppressed();
            FPicture->SetStreamDataSuppressed(false);
        }
    }
    ~TSuppressionLift() {
        if (FPicture)
            FPicture->SetStreamDataSuppressed(FSaved);
    }
    TSuppressionLift(const TSuppressionLift&) = delete;
    TSuppressionLift& operator=(const TSuppressionLift&) = delete;

private:
    TPictureEx* FPicture;
    bool FSaved = false;
};

TTrapFiler Trap(TPersistent& Object) {
    TTrapFiler filer;
    Object.DefineProperties(filer);
    if (!filer.Write || !filer.Read)
        throw EFilerError(
            QStringLiteral("%1 にはバイナリ プロパティがありません").arg(Object.ClassName()));
    return filer;
}

// The clipboard format a MIME type of clipboard data stands for (0: none we read).
int ClipboardFormatOf(const QString& Mime) {
    const QString m = Mime.toLower();
    if (m == u"image/x-emf" || m == u"image/emf" || m.contains(u"enhanced metafile"))
        return CF_ENHMETAFILE;
    if (m == u"image/bmp" || m == u"image/x-bmp" || m.contains(u"deviceindependentbitmap"))
        return CF_DIB;
    if (m == u"application/x-qt-image" || m.startsWith(u"image/"))
        return CF_BITMAP;
    return 0;
}

// A decoded clipboard picture as a BMP file, put on white where it is transparent.
QByteArray ImageAsBMP(const QImage& Image) {
    if (Image.isNull())
        return {};
    QImage white(Image.size(), QImage::Format_RGB32);
    white.fill(Qt::white);
    {
        QPainter painter(&white);
        painter.drawImage(0, 0, Image);
    }
    return EncodeBMP(TBitmap::FromQImage(white, pf24bit));
}

} // namespace

TPictureEx::TPictureEx() : FNotify(this) {}

TPictureEx::~TPictureEx() {
    FNotify.BeforeDestruction();
}

bool TPictureEx::QueryInterface(const TGUID& Id, void** Obj) {
    if (FNotify.AnswerNotifyInterface(Id, Obj))
        return true;
    if (Id == IInterface::IID) {
        *Obj = static_cast<IInterface*>(this);
        return true;
    }
    *Obj = nullptr;
    return false;
}

void TPictureEx::Replace(std::unique_ptr<TGraphic> Graphic) {
    if (Graphic)
        Graphic->OnChange = [this](TGraphic*) { Changed(); };
    std::unique_ptr<TGraphic> old = std::move(FGraphic);
    FGraphic = std::move(Graphic);
    if (old)
        old->OnChange = nullptr;
}

void TPictureEx::SetGraphic(const TGraphic* Graphic) {
    std::unique_ptr<TGraphic> copy;
    if (Graphic) {
        copy = Graphic->CreateNew();
        copy->Assign(Graphic);
    }
    SetGraphic(std::move(copy));
}

void TPictureEx::SetGraphic(std::unique_ptr<TGraphic> Graphic) {
    Replace(std::move(Graphic));
    Changed();
}

void TPictureEx::Changed() {
    if (!FLoading)
        FModified = true;
    if (FInChanged)
        return;
    FInChanged = true;
    struct TReset {
        bool& Flag;
        ~TReset() { Flag = false; }
    } reset{FInChanged};
    if (OnChange)
        OnChange(this);
    FNotify.Changed();
}

void TPictureEx::Assign(const TPersistent* Source) {
    if (Source == this)
        return;
    if (const auto* p = dynamic_cast<const TPictureEx*>(Source)) {
        FInStorage = p->FInStorage;
        FImageID = p->FImageID;
        FStorageID = p->FStorageID;
        FStoragePath = p->FStoragePath;
        const TGraphic* source = p->FGraphic.get();
        if (!source && !FGraphic)
            return;
        if (source && FGraphic && typeid(*source) == typeid(*FGraphic) &&
            !dynamic_cast<const TSafetyJPEGImage*>(source)) {
            FGraphic->Assign(source);
            return;
        }
        SetGraphic(source);
        return;
    }
    if (const auto* g = dynamic_cast<const TGraphic*>(Source)) {
        SetGraphic(g);
        return;
    }
    if (!Source) {
        SetGraphic(std::unique_ptr<TGraphic>());
        return;
    }
    TPersistent::Assign(Source);
}

void TPictureEx::AssignTo(TPersistent* Dest) const {
    if (auto* g = dynamic_cast<TGraphic*>(Dest)) {
        g->Assign(FGraphic.get());
        return;
    }
    TPersistent::AssignTo(Dest);
}

bool TPictureEx::LoadClipboardFormat(int Format, const QByteArray& Data) {
    const QString cls = GraphicClassOfClipboardFormat(Format);
    if (cls.isEmpty() || Data.isEmpty())
        return false;
    std::unique_ptr<TGraphic> graphic = CreateGraphic(cls);
    graphic->LoadFromClipboardFormat(Format, Data);
    SetGraphic(std::move(graphic));
    return true;
}

void TPictureEx::AssignClipboard(const QMimeData& Data) {
    for (const QString& mime : Data.formats()) {
        const int format = ClipboardFormatOf(mime);
        if (format == CF_ENHMETAFILE || format == CF_DIB) {
            if (LoadClipboardFormat(format, Data.data(mime)))
                return;
        } else if (format == CF_BITMAP) {
            // Pictures the clipboard holds decoded (or in a format Qt decodes) come in as
            // device-independent bitmaps.
            const QImage image = mime.compare(u"application/x-qt-image", Qt::CaseInsensitive) == 0
                                     ? qvariant_cast<QImage>(Data.imageData())
                                     : QImage::fromData(Data.data(mime));
            if (LoadClipboardFormat(CF_DIB, ImageAsBMP(image)))
                return;
        }
    }
    throw EConvertError(QStringLiteral("TClipboard を %1 に代入できません").arg(ClassName()));
}

void TPictureEx::PasteFromClipboard() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data)
        throw EConvertError(QStringLiteral("TClipboard を %1 に代入できません").arg(ClassName()));
    AssignClipboard(*data);
}

void TPictureEx::DefineProperties(TFiler& Filer) {
    TPersistent::DefineProperties(Filer);
    if (FStreamDataSuppressed)
        return;
    Filer.DefineBinaryProperty(
        "Data", [this](TStream& S) { ReadData(S); }, [this](TStream& S) { WriteData(S); },
        FGraphic != nullptr);
}

void TPictureEx::ReadData(TStream& Stream) {
    SetGraphic(ReadPictureData(Stream));
}

void TPictureEx::WriteData(TStream& Stream) const {
    WritePictureData(Stream, FGraphic.get());
}

void TPictureEx::LoadFromFile(const QString& FileName) {
    const QString ext = QFileInfo(FileName).suffix();
    const QString cls = GraphicClassOfExtension(ext);
    if (cls.isEmpty())
        RaiseInvalidGraphic(QStringLiteral("不明なピクチャファイルの拡張子です (.%1)").arg(ext));
    std::unique_ptr<TGraphic> graphic = CreateGraphic(cls);
    graphic->LoadFromFile(FileName);
    SetGraphic(std::move(graphic));
}

void TPictureEx::SaveToFile(const QString& FileName) const {
    if (FGraphic)
        FGraphic->SaveToFile(FileName);
}

void TPictureEx::LoadFromStream(TStream& Stream) {
    LoadBinaryProperty(*this, Stream);
}

void TPictureEx::SaveToStream(TStream& Stream) {
    SaveBinaryProperty(*this, Stream);
}

TSafetyBitmap& ForceSafetyBitmap(TPictureEx& Picture) {
    if (auto* b = dynamic_cast<TSafetyBitmap*>(Picture.Graphic()))
        return *b;
    auto b = std::make_unique<TSafetyBitmap>();
    TSafetyBitmap& result = *b;
    Picture.Replace(std::move(b));
    return result;
}

TSafetyJPEGImage& ForceSafetyJPEGImage(TPictureEx& Picture) {
    if (auto* j = dynamic_cast<TSafetyJPEGImage*>(Picture.Graphic()))
        return *j;
    auto j = std::make_unique<TSafetyJPEGImage>();
    TSafetyJPEGImage& result = *j;
    Picture.Replace(std::move(j));
    return result;
}

void SaveBinaryProperty(TPersistent& Object, TStream& Stream) {
    TSuppressionLift lift(Object);
    Trap(Object).Write(Stream);
}

void LoadBinaryProperty(TPersistent& Object, TStream& Stream) {
    TSuppressionLift lift(Object);
    Trap(Object).Read(Stream);
}
