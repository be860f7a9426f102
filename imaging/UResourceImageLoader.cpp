#include "UResourceImageLoader.h"

#include "UContainerStream.h"
#include "UJPEG.h"
#include "UMetafile.h"
#include "UPNGImage.h"
#include "UPathResolver.h"
#include "UPictureEx.h"
#include "UResStream.h"
#include "USafetyBitmap.h"

#include <QCoreApplication>
#include <QtEndian>

namespace {

constexpr int FileHeaderSize = 14;

// The resource type as the resource stream names it.
QString StreamType(const QString& ResType) {
    if (ResType.compare(u"RT_BITMAP", Qt::CaseInsensitive) == 0)
        return QStringLiteral("#2");
    if (ResType.compare(u"RT_ICON", Qt::CaseInsensitive) == 0)
        return QStringLiteral("#3");
    return ResType;
}

bool IsType(const QString& ResType, const char16_t* Name) {
    return ResType.compare(QStringView(Name), Qt::CaseInsensitive) == 0;
}

// A bitmap resource as a bitmap file: the decompressed container, or the raw DIB behind a
// file header whose only non-zero field is "BM".
void BitmapFile(TStream& Resource, TMemoryStream& File) {
    if (ReadContainer(Resource, File))
        return;
    QByteArray bytes(FileHeaderSize, '\0');
    bytes[0] = 'B';
    bytes[1] = 'M';
    bytes += Resource.ReadBytes(Resource.Remaining());
    File = TMemoryStream(std::move(bytes));
}

// A new graphic of class T to load into; when the picture already holds one, a copy of it,
// so that its settings (a JPEG's scale, say) carry over. The picture itself only changes
// once the load has succeeded: a damaged resource leaves the old picture in place.
template <class T>
std::unique_ptr<T> FreshGraphic(const TPictureEx& Picture) {
    if (const auto* current = dynamic_cast<const T*>(Picture.Graphic())) {
        std::unique_ptr<TGraphic> copy = current->CreateNew();
        if (auto* typed = dynamic_cast<T*>(copy.get())) {
            typed->Assign(current);
            copy.release();
            return std::unique_ptr<T>(typed);
        }
    }
    return std::make_unique<T>();
}

[[noreturn]] void RaiseBadIcon(const QString& Name, const char* Detail) {
    RaiseInvalidGraphic(QStringLiteral("アイコンのリソース %1 を読み込めません (%2)")
                            .arg(Name, QString::fromLatin1(Detail)));
}

// An icon resource: a PNG file, or a device-independent bitmap whose header gives twice the
// icon's height (the colour image, then its one-bit mask). The colour image is loaded; the
// mask is not used.
std::unique_ptr<TGraphic> IconGraphic(TStream& Resource, const QString& Name) {
    constexpr int64_t MaxIconBytes = 16 << 20;
    if (Resource.Remaining() > MaxIconBytes)
        RaiseBadIcon(Name, "too large");
    QByteArray bytes = Resource.ReadBytes(Resource.Remaining());
    if (bytes.startsWith("\x89PNG\r\n\x1a\n")) {
        auto png = std::make_unique<TPNGImage>();
        TMemoryStream file(bytes);
        png->LoadFromStream(file);
        return png;
    }
    constexpr int InfoHeaderSize = 40;
    if (bytes.size() < InfoHeaderSize || qFromLittleEndian<quint32>(bytes.constData()) != 40)
        RaiseBadIcon(Name, "no bitmap header");
    const qint32 height = qFromLittleEndian<qint32>(bytes.constData() + 8);
    if (height <= 0 || height % 2 != 0)
        RaiseBadIcon(Name, "height is not that of an image and its mask");
    qToLittleEndian<qint32>(height / 2, bytes.data() + 8);
    QByteArray file(FileHeaderSize, '\0');
    file[0] = 'B';
    file[1] = 'M';
    file += bytes;
    TMemoryStream stream(std::move(file));
    auto bitmap = std::make_unique<TSafetyBitmap>();
    bitmap->LoadFromStream(stream);
    return bitmap;
}

} // namespace

TResourceImageLoader::TResourceImageLoader(TPictureEx* Picture) : FPicture(Picture) {}

void TResourceImageLoader::SetResource(QString& Field, const QString& Value) {
    if (Field == Value)
        return;
    Field = Value;
    ResourceChanged();
}

void TResourceImageLoader::SetResFile(const QString& Value) {
    SetResource(FResFile, Value);
}

void TResourceImageLoader::SetResType(const QString& Value) {
    SetResource(FResType, Value);
}

void TResourceImageLoader::SetResName(const QString& Value) {
    SetResource(FResName, Value);
}

void TResourceImageLoader::ResourceChanged() {
    if (FPicture)
        FPicture->SetStreamDataSuppressed(false);
    if (FAutoLoad && FReady)
        Load();
}

void TResourceImageLoader::Assign(const TPersistent* Source) {
    if (const auto* l = dynamic_cast<const TResourceImageLoader*>(Source)) {
        FResFile = l->FResFile;
        FResName = l->FResName;
        FResType = l->FResType;
        ResourceChanged();
        return;
    }
    TPersistent::Assign(Source);
}

bool TResourceImageLoader::LoadByType(TStream& Stream) {
    if (!FPicture)
        return false;
    if (IsType(FResType, u"RT_BITMAP") || IsType(FResType, u"CBM")) {
        TMemoryStream file;
        BitmapFile(Stream, file);
        auto bitmap = FreshGraphic<TSafetyBitmap>(*FPicture);
        bitmap->LoadFromStream(file);
        FPicture->SetGraphic(std::move(bitmap));
        return true;
    }
    if (IsType(FResType, u"METAFILE")) {
        auto metafile = std::make_unique<TMetafile>();
        metafile->LoadFromStream(Stream);
        FPicture->SetGraphic(std::move(metafile));
        return true;
    }
    if (IsType(FResType, u"JPEG")) {
        auto jpeg = FreshGraphic<TSafetyJPEGImage>(*FPicture);
        jpeg->LoadFromStream(Stream);
        FPicture->SetGraphic(std::move(jpeg));
        return true;
    }
    if (IsType(FResType, u"RT_ICON")) {
        FPicture->SetGraphic(IconGraphic(Stream, FResName));
        return true;
    }
    return false;
}

void TResourceImageLoader::Load() {
    if (FResName.isEmpty() || FResType.isEmpty())
        return;
    const QString file = FResFile.isEmpty()
                             ? QString()
                             : ResolveFileName(JoinLocalPath(QCoreApplication::applicationDirPath(),
                                                             ConvertWindowsPath(FResFile)));
    TResStream stream(file, StreamType(FResType), FResName);
    bool loaded = false;
    if (OnLoad)
        OnLoad(stream, loaded);
    if (!loaded)
        loaded = LoadByType(stream);
    if (loaded && FPicture)
        FPicture->SetStreamDataSuppressed(true);
}
