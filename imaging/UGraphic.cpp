#include "UGraphic.h"

#include <QMutex>
#include <QMutexLocker>
#include <algorithm>

// ---------------------------------------------------------------------------------------
// TGraphic

void TGraphic::SetTransparent(bool Value) {
    if (FTransparent == Value)
        return;
    FTransparent = Value;
    Changed();
}

void TGraphic::LoadFromFile(const QString& FileName) {
    TFileStream stream(FileName, fmOpenRead);
    LoadFromStream(stream);
}

void TGraphic::SaveToFile(const QString& FileName) const {
    TMemoryStream stream;
    SaveToStream(stream);
    WriteFileAtomic(FileName, stream.Bytes());
}

void TGraphic::ReadData(TStream& Stream) {
    TMemoryStream data(ReadCountedData(Stream));
    if (data.GetSize() == 0) {
        // An empty graphic of this class: a new empty instance takes its place.
        Assign(CreateNew().get());
        return;
    }
    LoadFromStream(data);
}

void TGraphic::WriteData(TStream& Stream) const {
    TMemoryStream data;
    if (!Empty())
        SaveToStream(data);
    WriteCountedData(Stream, data.Bytes());
}

bool TGraphic::Equals(const TGraphic* Other) const {
    if (!Other || Other->GraphicClassName() != GraphicClassName())
        return false;
    if (Other == this)
        return true;
    TMemoryStream a, b;
    WriteData(a);
    Other->WriteData(b);
    return a.Bytes() == b.Bytes();
}

void TGraphic::LoadFromClipboardFormat(int Format, const QByteArray&) {
    RaiseInvalidGraphic(
        QStringLiteral("クリップボード形式 %1 は %2 で読めません").arg(Format).arg(ClassName()));
}

void TGraphic::Changed() {
    FModified = true;
    if (OnChange)
        OnChange(this);
}

void RaiseInvalidGraphic(const QString& Message) {
    throw EInvalidGraphic(Message);
}

// ---------------------------------------------------------------------------------------
// Registry

namespace {

struct TNamedClass {
    QString Name;
    QString CreatedClass;
    TGraphicFactory Create;
};

struct TClipboardEntry {
    int Format;
    QString ClassName;
};

struct TRegistry {
    QMutex Lock;
    std::vector<TNamedClass> Classes;
    std::vector<TGraphicFileFormat> Formats;
    std::vector<TClipboardEntry> Clipboard;

    TNamedClass* Find(const QString& Name) {
        for (TNamedClass& c : Classes)
            if (c.Name.compare(Name, Qt::CaseInsensitive) == 0)
                return &c;
        return nullptr;
    }
};

TRegistry& Registry() {
    static TRegistry registry;
    return registry;
}

QString NormalExtension(const QString& Extension) {
    QString e = Extension.startsWith(u'.') ? Extension.mid(1) : Extension;
    return e.toUpper();
}

// The class name a registered name creates (the name itself when it is not registered).
QString CreatedClassOf(TRegistry& R, const QString& Name) {
    const TNamedClass* c = R.Find(Name);
    return c ? c->CreatedClass : Name;
}

} // namespace

void RegisterGraphicClass(const QString& ClassName, const QString& CreatedClass,
                          TGraphicFactory Create) {
    TRegistry& r = Registry();
    QMutexLocker lock(&r.Lock);
    if (TNamedClass* c = r.Find(ClassName)) {
        c->CreatedClass = CreatedClass;
        c->Create = std::move(Create);
        return;
    }
    r.Classes.push_back({ClassName, CreatedClass, std::move(Create)});
}

void RegisterFileFormat(const QString& Extension, const QString& Description,
                        const QString& ClassName) {
    TRegistry& r = Registry();
    QMutexLocker lock(&r.Lock);
    // Registering the same pair again moves it to the end (it is the latest again).
    const QString ext = NormalExtension(Extension);
    std::erase_if(r.Formats, [&](const TGraphicFileFormat& F) {
        return F.Extension == ext && F.ClassName.compare(ClassName, Qt::CaseInsensitive) == 0;
    });
    r.Formats.push_back({ext, Description, ClassName});
}

void RegisterClipboardFormat(int Format, const QString& ClassName) {
    TRegistry& r = Registry();
    QMutexLocker lock(&r.Lock);
    std::erase_if(r.Clipboard, [&](const TClipboardEntry& E) {
        return E.Format == Format && E.ClassName.compare(ClassName, Qt::CaseInsensitive) == 0;
    });
    r.Clipboard.push_back({Format, ClassName});
}

void UnregisterGraphicClass(const QString& ClassName) {
    TRegistry& r = Registry();
    QMutexLocker lock(&r.Lock);
    const auto creates = [&](const QString& Name) {
        return CreatedClassOf(r, Name).compare(ClassName, Qt::CaseInsensitive) == 0;
    };
    std::erase_if(r.Formats, [&](const TGraphicFileFormat& F) { return creates(F.ClassName); });
    std::erase_if(r.Clipboard, [&](const TClipboardEntry& E) { return creates(E.ClassName); });
    std::erase_if(r.Classes, [&](const TNamedClass& C) {
        return C.CreatedClass.compare(ClassName, Qt::CaseInsensitive) == 0;
    });
}

bool IsGraphicClassRegistered(const QString& ClassName) {
    TRegistry& r = Registry();
    QMutexLocker lock(&r.Lock);
    return r.Find(ClassName) != nullptr;
}

std::unique_ptr<TGraphic> CreateGraphic(const QString& ClassName) {
    TGraphicFactory create;
    {
        TRegistry& r = Registry();
        QMutexLocker lock(&r.Lock);
        if (const TNamedClass* c = r.Find(ClassName))
            create = c->Create;
    }
    if (!create)
        throw EClassNotFound(QStringLiteral("クラス %1 が見つかりません").arg(ClassName));
    return create();
}

QString GraphicClassOfExtension(const QString& Extension) {
    const QString ext = NormalExtension(Extension);
    TRegistry& r = Registry();
    QMutexLocker lock(&r.Lock);
    for (auto it = r.Formats.rbegin(); it != r.Formats.rend(); ++it)
        if (it->Extension == ext)
            return it->ClassName;
    return {};
}

QString GraphicClassOfClipboardFormat(int Format) {
    TRegistry& r = Registry();
    QMutexLocker lock(&r.Lock);
    for (auto it = r.Clipboard.rbegin(); it != r.Clipboard.rend(); ++it)
        if (it->Format == Format)
            return it->ClassName;
    return {};
}

std::vector<TGraphicFileFormat> GraphicFileFormats() {
    TRegistry& r = Registry();
    QMutexLocker lock(&r.Lock);
    return r.Formats;
}

// ---------------------------------------------------------------------------------------
// Picture data

void WritePictureData(TStream& Stream, const TGraphic* Graphic) {
    const QByteArray name = Graphic ? Graphic->GraphicClassName().toLatin1() : QByteArray();
    if (name.size() > 255)
        throw EWriteError(QStringLiteral("クラス名が長すぎます"));
    Stream.WriteValue<uint8_t>(static_cast<uint8_t>(name.size()));
    Stream.WriteBytes(name);
    if (Graphic)
        Graphic->WriteData(Stream);
}

std::unique_ptr<TGraphic> ReadPictureData(TStream& Stream) {
    QByteArray name;
    try {
        const auto length = Stream.ReadValue<uint8_t>();
        name = Stream.ReadBytes(length);
    } catch (const EReadError&) {
        RaiseInvalidGraphic(QStringLiteral("ピクチャデータが不正です"));
    }
    if (name.isEmpty())
        return nullptr;
    std::unique_ptr<TGraphic> graphic = CreateGraphic(QString::fromLatin1(name));
    graphic->ReadData(Stream);
    graphic->SetModified(false);
    return graphic;
}

QByteArray ReadCountedData(TStream& Stream) {
    if (Stream.Remaining() < 4)
        RaiseInvalidGraphic(QStringLiteral("ピクチャデータが不正です"));
    const auto count = Stream.ReadValue<int32_t>();
    if (count < 0 || count > Stream.Remaining())
        RaiseInvalidGraphic(QStringLiteral("ピクチャデータが不正です"));
    return Stream.ReadBytes(count);
}

void WriteCountedData(TStream& Stream, const QByteArray& Data) {
    if (Data.size() > INT32_MAX)
        throw EWriteError(QStringLiteral("ピクチャデータが大きすぎます"));
    Stream.WriteValue<int32_t>(static_cast<int32_t>(Data.size()));
    Stream.WriteBytes(Data);
}
