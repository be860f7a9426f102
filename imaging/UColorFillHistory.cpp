#include "UColorFillHistory.h"

#include "UDocStorage.h"
#include "UGraphicUtils.h"
#include "UPNGImage.h"
#include "UPropStream.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

const QString ListPath = QStringLiteral("ColorSpec\\NameList");
const QString WrapperResName = QStringLiteral("TColorSpecWrapper");
constexpr unsigned ReadMode = 0x00;      // read, compatible sharing
constexpr unsigned ReadWriteMode = 0x12; // read-write, exclusive

QString SpecPath(const QString& Name) {
    return QStringLiteral("ColorSpec\\") + Name;
}

QString PreviewPath(const QString& Name) {
    return QStringLiteral("Preview\\") + Name;
}

// Names are the decimal text of a signed 64-bit number; anything else in a list is damage
// (and must never become a path).
bool IsEntryName(const QString& Name) {
    static const QRegularExpression Pattern(QStringLiteral("^-?[0-9]{1,20}$"));
    return Pattern.match(Name).hasMatch();
}

// FNV-1a, 64 bits, over every byte.
int64_t Hash64(const QByteArray& Bytes) {
    uint64_t h = 14695981039346656037ull;
    for (const char c : Bytes) {
        h ^= static_cast<uint8_t>(c);
        h *= 1099511628211ull;
    }
    return static_cast<int64_t>(h);
}

void WriteSpec(TStream& Stream, TColorSpec& Spec) {
    TColorSpecWrapper wrapper;
    wrapper.SetReference(&Spec);
    WriteComponentRes(Stream, WrapperResName, wrapper);
}

void ReadSpec(TStream& Stream, TColorSpec& Spec) {
    TColorSpecWrapper wrapper;
    wrapper.SetReference(&Spec);
    ReadComponentRes(Stream, wrapper);
}

void ReadEntry(TDocStorage& Storage, const QString& Name, TColorSpec& Spec) {
    TDocStream stream(Storage, SpecPath(Name), ReadMode);
    ReadSpec(stream, Spec);
}

void ReadPreview(TDocStorage& Storage, const QString& Name, TPictureEx& Picture) {
    TDocStream stream(Storage, PreviewPath(Name), ReadMode);
    LoadBinaryProperty(Picture, stream);
}

void DeleteEntryStreams(TDocStorage& Storage, const QString& Name) {
    Storage.DeleteElement(PreviewPath(Name));
    Storage.DeleteElement(SpecPath(Name));
}

[[noreturn]] void IndexError(int Index) {
    throw EListError(QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(Index));
}

} // namespace

TColorSpecHistory::TColorSpecHistory(TComponent* Owner) : TComponent(Owner) {}

TColorSpecHistory::~TColorSpecHistory() = default;

std::unique_ptr<TFileStorage> TColorSpecHistory::Recreate() {
    QFile::remove(FFilename);
    QDir().mkpath(QFileInfo(FFilename).absolutePath());
    auto storage = std::make_unique<TFileStorage>(FFilename, smCreate);
    { TDocStreamList list(*storage, ListPath); }
    storage->Commit();
    return storage;
}

std::unique_ptr<TFileStorage> TColorSpecHistory::Open(bool Write) {
    if (!QFileInfo::exists(FFilename))
        return Recreate();
    try {
        return std::make_unique<TFileStorage>(FFilename, Write ? ReadWriteMode : ReadMode);
    } catch (const Exception&) {
        return nullptr;
    }
}

QStringList TColorSpecHistory::ValidNames(TDocStorage& Storage) {
    QStringList names;
    QStringList listed;
    try {
        TDocStreamList list(Storage, ListPath);
        for (int i = 0; i < list.Count(); ++i)
            listed.append(list[i]);
    } catch (const Exception&) {
        return names;
    }
    for (const QString& name : listed) {
        if (!IsEntryName(name) || names.contains(name))
            continue;
        try {
            TColorSpec spec;
            ReadEntry(Storage, name, spec);
            TPictureEx preview;
            ReadPreview(Storage, name, preview);
            names.append(name);
        } catch (const Exception&) {
            // A damaged entry is left out.
        }
    }
    return names;
}

QString TColorSpecHistory::NameAt(TDocStorage& Storage, int Index) {
    const QStringList names = ValidNames(Storage);
    if (Index < 0 || Index >= names.size())
        IndexError(Index);
    return names[Index];
}

void TColorSpecHistory::MakePreview(TColorSpec& Spec, TPictureEx& Preview) {
    TBitmap bitmap(PreviewSize, PreviewSize, pf24bit);
    Spec.DrawPreview(bitmap.Canvas(), TRect(0, 0, PreviewSize, PreviewSize));
    auto png = std::make_unique<TPNGImage>();
    png->SetImage(bitmap.ToQImage());
    Preview.SetGraphic(std::unique_ptr<TGraphic>(std::move(png)));
}

QString TColorSpecHistory::EntryName(TColorSpec& Spec, TPictureEx& Preview) {
    TColorSpec copy;
    copy.Assign(&Spec);
    copy.ImageData()->Clear();
    TMemoryStream stream;
    WriteSpec(stream, copy);
    SaveBinaryProperty(Preview, stream);
    stream.WriteValue<int32_t>(0);
    return QString::number(Hash64(stream.Bytes()));
}

void TColorSpecHistory::Add(TColorSpec& Spec) {
    TPictureEx preview;
    MakePreview(Spec, preview);
    const QString name = EntryName(Spec, preview);
    std::unique_ptr<TFileStorage> storage = Open(true);
    if (!storage)
        storage = Recreate();
    {
        const QStringList valid = ValidNames(*storage);
        TDocStreamList list(*storage, ListPath);
        list.BeginUpdate();
        // Entries that do not read back whole are dropped with whatever is left of them.
        for (int i = list.Count() - 1; i >= 0; --i)
            if (!valid.contains(list[i])) {
                if (IsEntryName(list[i]))
                    DeleteEntryStreams(*storage, list[i]);
                list.Delete(i);
            }
        const int existing = list.IndexOf(name);
        if (existing >= 0) {
            list.Delete(existing);
        } else {
            {
                TDocStream stream(*storage, SpecPath(name), smCreate);
                WriteSpec(stream, Spec);
            }
            {
                TDocStream stream(*storage, PreviewPath(name), smCreate);
                SaveBinaryProperty(preview, stream);
            }
        }
        list.Insert(0, name);
        while (list.Count() > std::max(FLimit, 0)) {
            const int last = list.Count() - 1;
            DeleteEntryStreams(*storage, list[last]);
            list.Delete(last);
        }
        list.EndUpdate();
    }
    storage->Commit();
}

void TColorSpecHistory::Delete(int Index) {
    std::unique_ptr<TFileStorage> storage = Open(true);
    if (!storage)
        IndexError(Index);
    const QString name = NameAt(*storage, Index);
    {
        TDocStreamList list(*storage, ListPath);
        DeleteEntryStreams(*storage, name);
        const int i = list.IndexOf(name);
        if (i >= 0)
            list.Delete(i);
    }
    storage->Commit();
}

int TColorSpecHistory::GetCount() {
    std::unique_ptr<TFileStorage> storage = Open(false);
    return storage ? static_cast<int>(ValidNames(*storage).size()) : 0;
}

void TColorSpecHistory::GetItem(int Index, TColorSpec& Spec) {
    std::unique_ptr<TFileStorage> storage = Open(false);
    if (!storage)
        IndexError(Index);
    ReadEntry(*storage, NameAt(*storage, Index), Spec);
}

void TColorSpecHistory::GetPreview(int Index, TPictureEx& Picture) {
    Picture.SetGraphic(std::unique_ptr<TGraphic>());
    std::unique_ptr<TFileStorage> storage = Open(false);
    if (!storage)
        IndexError(Index);
    ReadPreview(*storage, NameAt(*storage, Index), Picture);
}

void TColorSpecHistory::Clear() {
    QFile::remove(FFilename);
}
