#include "UPictureFormats.h"

#include "UGIFImage.h"
#include "UJPEG.h"
#include "UMetafile.h"
#include "UPNGImage.h"
#include "USafetyBitmap.h"

void RegisterPictureFormats() {
    RegisterFileFormat<TSafetyBitmap>(QStringLiteral("BMP"), QStringLiteral("Bitmaps"));
    RegisterFileFormat<TSafetyBitmap>(QStringLiteral("CBM"), QStringLiteral("Compressed Bitmaps"));
    RegisterGraphicClass(QStringLiteral("TBitmap"), QStringLiteral("TSafetyBitmap"),
                         [] { return std::make_unique<TSafetyBitmap>(); });
    RegisterClipboardFormat(CF_DIB, QStringLiteral("TSafetyBitmap"));

    const QString jpeg = QStringLiteral("JPEG Image");
    RegisterFileFormat<TJPEGImage>(QStringLiteral("JPG"), jpeg);
    RegisterFileFormat<TSafetyJPEGImage>(QStringLiteral("JPG"), jpeg);
    RegisterFileFormat<TSafetyJPEGImage>(QStringLiteral("JPEG"), jpeg);

    RegisterFileFormat<TPNGImage>(QStringLiteral("PNG"),
                                  QStringLiteral("Portable Network Graphics"));
    RegisterFileFormat<TGIFImage>(QStringLiteral("GIF"), QStringLiteral("GIF Image"));
    RegisterFileFormat<TMetafile>(QStringLiteral("EMF"), QStringLiteral("Enhanced Metafiles"));
    RegisterFileFormat<TMetafile>(QStringLiteral("WMF"), QStringLiteral("Metafiles"));
    RegisterClipboardFormat(CF_ENHMETAFILE, QStringLiteral("TMetafile"));
}

void UnregisterPictureFormats() {
    for (const char* name :
         {"TSafetyBitmap", "TJPEGImage", "TSafetyJPEGImage", "TPNGImage", "TGIFImage", "TMetafile"})
        UnregisterGraphicClass(QString::fromLatin1(name));
}
