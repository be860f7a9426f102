#include "UImageCache.h"

#include "UGraphicUtils.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

#include <cstdio>
#include <vector>

// ---------------------------------------------------------------------------------------
// Items

TImageCacheItem::TImageCacheItem(TComponent* Owner)
    : TComponent(Owner), FPicture(std::make_unique<TPictureEx>()) {}

bool GetImageFileInfo(const QString& FileName, uint64_t& Size, int64_t& FileTime) {
    struct stat st {};
    const QByteArray path = QFile::encodeName(FileName);
    if (path.isEmpty() || ::stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    constexpr int64_t secondsFrom1601 = 11644473600LL;
    Size = static_cast<uint64_t>(st.st_size);
    FileTime = (static_cast<int64_t>(st.st_mtim.tv_sec) + secondsFrom1601) * 10000000LL +
               st.st_mtim.tv_nsec / 100;
    return true;
}

bool TImageCacheItem::IsUpToDate(const QString& FileName) const {
    if (IsPictureEmpty(FPicture.get()))
        return false;
    uint64_t size = 0;
    int64_t time = 0;
    if (!GetImageFileInfo(FileName, size, time))
        return false;
    return static_cast<uint32_t>(size) == FSize && time == FTime;
}

bool TImageCacheItem::SetFileInfo(const QString& FileName) {
    FPicture->SetGraphic(static_cast<const TGraphic*>(nullptr));
    uint64_t size = 0;
    int64_t time = 0;
    if (!GetImageFileInfo(FileName, size, time))
        return false;
    FSize = static_cast<uint32_t>(size);
    FTime = time;
    return true;
}

void TImageCacheItem::ReadFrom(TStream& Stream) {
    const auto emptyWord = Stream.ReadValue<int32_t>();
    if (emptyWord > 0) {
        FSize = 0;
        FTime = 0;
        FPicture->SetGraphic(static_cast<const TGraphic*>(nullptr));
        return;
    }
    const auto size = Stream.ReadValue<uint32_t>();
    const auto time = Stream.ReadValue<int64_t>();
    LoadBinaryProperty(*FPicture, Stream);
    FSize = size;
    FTime = time;
}

void TImageCacheItem::WriteTo(TStream& Stream) const {
    Stream.WriteValue<int32_t>(0);
    Stream.WriteValue<uint32_t>(FSize);
    Stream.WriteValue<int64_t>(FTime);
    SaveBinaryProperty(*FPicture, Stream);
}

// ---------------------------------------------------------------------------------------
// Element paths

QStringList ImageCacheElementPath(const QString& FileName, bool FolderCache) {
    if (FolderCache)
        return {QFileInfo(FileName).fileName()};
    QString path = FileName;
    path.replace(u':', QStringLiteral("?Drive"));
    return path.split(u'/', Qt::SkipEmptyParts);
}

QString ImageCacheShortKey(const QString& Component) {
    // FNV-1a over the UTF-16 code units: stable across runs and machines.
    uint64_t hash = 14695981039346656037ULL;
    for (QChar c : Component) {
        hash ^= c.unicode();
        hash *= 1099511628211ULL;
    }
    return u'~' + QStringLiteral("%1").arg(hash, 16, 16, QChar(u'0')).toUpper();
}

namespace {

constexpr qsizetype ShortKeyLength = 17;

// A component that may stand as an element name itself.
bool NameFits(const QString& Name) {
    if (!IsValidElementName(Name))
        return false;
    // Names shaped like a short key are keyed too, so a key never meets a real name.
    return !(Name.size() == ShortKeyLength && Name.startsWith(u'~'));
}

// The stored name of Storage's child Name (which exists), in its stored case.
QString StoredName(const TCFStorage& Storage, const QString& Name, int Type) {
    if (Type == STGTY_STORAGE)
        return Storage.OpenStorage(Name)->Stat().Name;
    return Storage.OpenStream(Name, false)->Stat().Name;
}

// The name under which Component of the given type is found in Storage, or empty.
QString FindElement(const TCFStorage& Storage, const QString& Component, int Type) {
    if (NameFits(Component) && Storage.ElementType(Component) == Type &&
        StoredName(Storage, Component, Type) == Component)
        return Component;
    const QString key = ImageCacheShortKey(Component);
    return Storage.ElementType(key) == Type ? key : QString();
}

// The name under which Component of the given type is to be written in Storage.
QString ElementNameForWrite(const TCFStorage& Storage, const QString& Component, int Type) {
    const QString key = ImageCacheShortKey(Component);
    if (Storage.ElementType(key) == Type)
        return key;
    if (!NameFits(Component))
        return key;
    const int existing = Storage.ElementType(Component);
    if (existing == 0)
        return Component;
    if (existing == Type && StoredName(Storage, Component, Type) == Component)
        return Component;
    return key;
}

bool IsDamageError(const EStorageError& E) {
    return E.ErrorCode == STG_E_INVALIDHEADER || E.ErrorCode == STG_E_DOCFILECORRUPT ||
           E.ErrorCode == STG_E_READFAULT;
}

int64_t FileSizeOnDisk(const QString& FileName) {
    const QFileInfo info(FileName);
    return info.exists() ? info.size() : 0;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Storage

TImageCacheStorage::~TImageCacheStorage() {
    try {
        Close();
    } catch (const std::exception& e) {
        qWarning() << "image cache not saved:" << e.what();
    }
}

void TImageCacheStorage::Open(const QString& FileName, bool ReadOnly, bool FolderCache) {
    Close();
    FFileName = FileName;
    FReadOnly = ReadOnly;
    FFolderCache = FolderCache;
    OpenFile();
}

void TImageCacheStorage::OpenFile() {
    if (FReadOnly) {
        FFile = TCompoundFile::Open(FFileName, false);
        return;
    }
    if (!QFileInfo::exists(FFileName)) {
        Rebuild();
        return;
    }
    try {
        FFile = TCompoundFile::Open(FFileName, true);
    } catch (const EStorageError& e) {
        if (!IsDamageError(e))
            throw;
        qWarning() << "image cache" << FFileName << "is damaged and is started afresh";
        Rebuild();
    } catch (const EStreamError&) {
        Rebuild();
    }
}

void TImageCacheStorage::Rebuild() {
    FFile.reset();
    auto file = TCompoundFile::Create(FFileName);
    file->Commit();
    FFile = std::move(file);
    FPendingBytes = 0;
}

void TImageCacheStorage::Close() {
    if (!FFile)
        return;
    Flush();
    FFile.reset();
    FPendingBytes = 0;
}

void TImageCacheStorage::Flush() {
    if (!FFile || FReadOnly || !FFile->IsDirty())
        return;
    try {
        FFile->Commit();
    } catch (const EStorageError& e) {
        if (!IsDamageError(e))
            throw;
        qWarning() << "image cache" << FFileName << "is damaged and is started afresh";
        Rebuild();
    } catch (const EReadError&) {
        Rebuild();
    }
    FPendingBytes = 0;
}

int64_t TImageCacheStorage::CurrentSize() const {
    return FileSizeOnDisk(FFileName) + FPendingBytes;
}

std::unique_ptr<TCFStorage> TImageCacheStorage::WalkStorages(const QStringList& Path, bool Create) {
    std::unique_ptr<TCFStorage> storage = FFile->Root();
    for (qsizetype i = 0; i + 1 < Path.size(); ++i) {
        if (Create) {
            const QString name = ElementNameForWrite(*storage, Path[i], STGTY_STORAGE);
            storage = storage->ElementType(name) == STGTY_STORAGE ? storage->OpenStorage(name)
                                                                  : storage->CreateStorage(name);
        } else {
            const QString name = FindElement(*storage, Path[i], STGTY_STORAGE);
            if (name.isEmpty())
                return nullptr;
            storage = storage->OpenStorage(name);
        }
    }
    return storage;
}

bool TImageCacheStorage::ReadItem(const QString& FileName, TImageCacheItem& Item) {
    if (!FFile)
        return false;
    const QStringList path = ImageCacheElementPath(FileName, FFolderCache);
    if (path.isEmpty())
        return false;
    try {
        std::unique_ptr<TCFStorage> storage = WalkStorages(path, false);
        if (!storage)
            return false;
        const QString name = FindElement(*storage, path.last(), STGTY_STREAM);
        if (name.isEmpty())
            return false;
        TImageCacheItem entry;
        try {
            std::unique_ptr<TCFStream> stream = storage->OpenStream(name, false);
            entry.ReadFrom(*stream);
        } catch (const Exception& e) {
            // A damaged entry is a miss; a writable cache drops it.
            qWarning() << "damaged image cache entry for" << FileName << ":" << e.Message;
            if (!FReadOnly)
                storage->DestroyElement(name);
            return false;
        }
        Item.SetPicture(entry.Picture());
        Item.SetSize(entry.Size());
        Item.SetTime(entry.Time());
        return true;
    } catch (const EStorageError& e) {
        if (!IsDamageError(e))
            throw;
        return false;
    }
}

bool TImageCacheStorage::WriteItem(const QString& FileName, const TImageCacheItem& Item) {
    if (!FFile || FReadOnly)
        return false;
    if (CurrentSize() / 1048576 >= FLimit)
        return false;
    const QStringList path = ImageCacheElementPath(FileName, FFolderCache);
    if (path.isEmpty())
        return false;
    std::unique_ptr<TCFStorage> storage = WalkStorages(path, true);
    const QString name = ElementNameForWrite(*storage, path.last(), STGTY_STREAM);
    std::unique_ptr<TCFStream> stream = storage->CreateStream(name);
    Item.WriteTo(*stream);
    FPendingBytes += stream->GetSize();
    return true;
}

bool PruneStorage(TCFStorage& Storage, int64_t& Excess) {
    if (Excess <= 0)
        return false;
    std::vector<TCFStat> storages;
    std::vector<TCFStat> streams;
    for (TCFStat& s : Storage.EnumElements())
        (s.Type == STGTY_STORAGE ? storages : streams).push_back(std::move(s));

    for (auto i = static_cast<qsizetype>(storages.size()) - 1; i >= 0 && Excess > 0; --i) {
        const QString name = storages[i].Name;
        bool emptied = false;
        {
            std::unique_ptr<TCFStorage> sub = Storage.OpenStorage(name);
            emptied = PruneStorage(*sub, Excess);
        }
        if (emptied) {
            Storage.DestroyElement(name);
            storages.erase(storages.begin() + i);
        }
    }
    const bool storagesGone = storages.empty();
    if (Excess <= 0)
        return false;
    while (!streams.empty() && Excess > 0) {
        Excess -= static_cast<int64_t>(streams.back().Size);
        Storage.DestroyElement(streams.back().Name);
        streams.pop_back();
    }
    return storagesGone && streams.empty();
}

void TImageCacheStorage::SetLimit(int MiB) {
    FLimit = MiB;
    if (!FFile || FReadOnly)
        return;
    Flush();
    int64_t excess = FileSizeOnDisk(FFileName) - static_cast<int64_t>(MiB) * 1048576;
    if (excess <= 0)
        return;
    {
        std::unique_ptr<TCFStorage> root = FFile->Root();
        PruneStorage(*root, excess);
    }
    Compact();
}

void TImageCacheStorage::Compact() {
    if (!FFile || FReadOnly)
        return;
    const QString copyName = FFileName + u'$';
    {
        auto copy = TCompoundFile::Create(copyName);
        std::unique_ptr<TCFStorage> source = FFile->Root();
        std::unique_ptr<TCFStorage> dest = copy->Root();
        source->CopyTo(*dest);
        dest.reset();
        copy->Commit();
    }
    FFile.reset();
    FPendingBytes = 0;
    // rename() replaces the old file in one step: the cache is always whole on disk.
    if (std::rename(QFile::encodeName(copyName).constData(),
                    QFile::encodeName(FFileName).constData()) != 0) {
        QFile::remove(copyName);
        OpenFile();
        throw EStorageError(
            STG_E_WRITEFAULT,
            QStringLiteral("キャッシュファイル %1 を置き換えられません").arg(FFileName));
    }
    OpenFile();
}
