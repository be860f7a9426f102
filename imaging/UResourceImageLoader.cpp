#include "UResourceImageLoader.h"

#include "UContainerStream.h"
#include "UJPEG.h"
#include "UMetafile.h"
#include "UPathResolver.h"
#include "UPictureEx.h"
#include "UResStream.h"
#include "USafetyBitmap.h"

#include <QCoreApplication>

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
        ForceSafetyBitmap(*FPicture).LoadFromStream(file);
        return true;
    }
    if (IsType(FResType, u"METAFILE")) {
        auto metafile = std::make_unique<TMetafile>();
        metafile->LoadFromStream(Stream);
        FPicture->SetGraphic(std::move(metafile));
        return true;
    }
    if (IsType(FResType, u"JPEG")) {
        ForceSafetyJPEGImage(*FPicture).LoadFromStream(Stream);
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
