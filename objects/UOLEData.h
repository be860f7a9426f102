#pragma once
// What the stored data of an embedded (OLE) object tells about it, so that the object can be
// shown without its program.
//
// The stored data is the container's own format: a short header of the container's, then
// the object's storage as a compound file. Only the compound file is read, found by its
// signature within the first 512 bytes, so that the header's layout does not matter. Of the
// compound file two root streams are read:
//   "\1CompObj"     28 bytes of header, then the user type (Int32 length with the ending
//                   zero, code page 932 characters), the clipboard format and the ProgID
//                   (same string form)
//   "\2OlePres000"  the picture the program last drew: clipboard format (Int32 marker -1 or
//                   -2 and the standard format number; 0 for none; else the length of a
//                   format name that follows), Int32 size of the target device (4 and more,
//                   the device follows), aspect, index, flags, reserved, width and height
//                   (0.01 mm), Int32 size of the data, the data
// A picture in CF_DIB (a packed DIB) is drawn; other formats (metafiles) are not.
//
// Reading is best effort: damaged or unknown data gives less (no class name, no picture),
// never an error, because the data must stay stored and shown however it looks.

#include <QByteArray>
#include <QString>
#include <memory>

class TGraphic;

struct TOLEDataInfo {
    // The user type of the object ("Bitmap Image"), its ProgID when it has none; empty when
    // neither can be read.
    QString ClassName;
    // The cached picture, or nullptr.
    std::unique_ptr<TGraphic> Picture;
};

// The information in Data, the stored bytes of an embedded object. Safe for any bytes.
TOLEDataInfo ReadOLEDataInfo(const QByteArray& Data);
