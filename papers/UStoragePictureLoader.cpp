#include "UStoragePictureLoader.h"

#include "UClasses.h"
#include "UCompress.h"
#include "UDOList.h"
#include "UDocStorage.h"
#include "UDrawObject.h"
#include "UGraphicUtils.h"
#include "ULabelSheetInfo.h"
#include "UPictureEx.h"
#include "USafetyBitmap.h"
#include "UStringList.h"

#include <set>

namespace {

const QString PicturesName = QStringLiteral("Pictures");
const QString NextIDName = QStringLiteral("NextID");
const QString OriginalName = QStringLiteral("Original");
const QString SmallName = QStringLiteral("Small");

// The largest picture data taken from a document, after inflating.
constexpr int64_t MaxPictureBytes = 1024LL * 1024 * 1024;

void VisitPictures(TPersistent& Object, const std::function<void(TPictureEx&)>& Proc,
                   std::set<const QObject*>& Seen, int Depth) {
    if (Depth > 16 || !Seen.insert(&Object).second)
        return;
    for (const TPropInfo& Prop : GetPropList(*Object.metaObject()).Props()) {
        if (Prop.Kind() != pkPersistent)
            continue;
        QObject* Value = Prop.GetObject(Object);
        if (auto* Picture = qobject_cast<TPictureEx*>(Value))
            Proc(*Picture);
        else if (auto* Nested = qobject_cast<TPersistent*>(Value))
            VisitPictures(*Nested, Proc, Seen, Depth + 1);
    }
}

int32_t ReadNextID(TDocStorage& Pictures) {
    if (!Pictures.StreamExists(NextIDName))
        return 0;
    const QByteArray Bytes = ReadWholeStream(Pictures, NextIDName, 64);
    if (Bytes.size() < 4)
        return 0;
    int32_t Value = 0;
    memcpy(&Value, Bytes.constData(), 4);
    return Value < 0 ? 0 : Value;
}

void WriteNextID(TDocStorage& Pictures, int32_t Value) {
    TDocStream Stream(Pictures, NextIDName, smCreate);
    Stream.WriteValue<int32_t>(Value);
}

// The next free number: a damaged NextID must not hand out the name of a stored picture.
QString TakeNewID(TDocStorage& Pictures, int32_t& NextID) {
    while (NextID < INT32_MAX) {
        const QString Id = QString::number(NextID++);
        if (!Pictures.StorageExists(Id) && !Pictures.StreamExists(Id))
            return Id;
    }
    throw ELabelDataError(QStringLiteral("画像の番号が尽きました"));
}

void WriteOriginal(TDocStorage& Pictures, TPictureEx& Picture) {
    const QString Path = Picture.StorageID() + u'\\' + OriginalName;
    TMemoryStream Data;
    Picture.SaveToStream(Data);
    TMemoryStream Out;
    if (qobject_cast<TSafetyBitmap*>(Picture.Graphic())) {
        Data.SetPosition(0);
        CompressStream(Data, Out, zcFastest);
    } else {
        Out.WriteBytes(Data.Bytes());
    }
    Pictures.DeleteElement(Picture.StorageID());
    TDocStream Stream(Pictures, Path, smCreate);
    Stream.WriteBytes(Out.Bytes());
}

void StoreOne(TDocStorage& Pictures, const QString& Owner, int32_t& NextID, TPictureEx& Picture) {
    if (IsPictureEmpty(&Picture)) {
        if (!Picture.KeptUnloaded()) {
            Picture.SetStorageID({});
            Picture.SetImageID({});
            Picture.SetInStorage(false);
        }
        return;
    }
    if (Picture.StoragePath() != Owner || !IsPictureID(Picture.StorageID())) {
        Picture.SetStoragePath(Owner);
        Picture.SetStorageID({});
    }
    if (Picture.StorageID().isEmpty()) {
        Picture.SetStorageID(TakeNewID(Pictures, NextID));
        Picture.SetModified(true);
    }
    // A picture whose storage went away (purged while its object was deleted and later
    // brought back) is written again, changed or not.
    if (Picture.Modified() || !Pictures.StreamExists(Picture.StorageID() + u'\\' + OriginalName)) {
        WriteOriginal(Pictures, Picture);
        Picture.SetModified(false);
    }
    Picture.SetInStorage(true);
    Picture.SetKeptUnloaded(false);
}

// The picture data at Path, inflated when it is in the container.
QByteArray ReadPictureBytes(TDocStorage& Pictures, const QString& Path) {
    QByteArray Plain;
    if (!TakeOffContainer(ReadWholeStream(Pictures, Path, MaxPictureBytes), MaxPictureBytes, Plain))
        throw ELabelDataError(QStringLiteral("画像 %1 が大きすぎます").arg(Path));
    return Plain;
}

void LoadOne(TDocStorage& Pictures, const QString& Owner, TPictureEx& Picture) {
    const QString Id = Picture.StorageID();
    if (Id.isEmpty())
        return;
    Picture.SetKeptUnloaded(true);
    if (!IsPictureID(Id))
        return;
    const QString Small = Id + u'\\' + SmallName;
    const QString Original = Id + u'\\' + OriginalName;
    const QString Path = Pictures.StreamExists(Small) ? Small : Original;
    if (!Pictures.StreamExists(Path))
        return;
    try {
        TMemoryStream Data(ReadPictureBytes(Pictures, Path));
        Picture.SetLoading(true);
        try {
            Picture.LoadFromStream(Data);
        } catch (...) {
            Picture.SetLoading(false);
            throw;
        }
        Picture.SetLoading(false);
    } catch (const Exception&) {
        // Damaged picture data: the picture stays empty but keeps its id and its bytes.
        return;
    }
    Picture.SetModified(false);
    Picture.SetStoragePath(Owner);
    Picture.SetInStorage(true);
    Picture.SetKeptUnloaded(false);
}

} // namespace

void ForEachPicture(TPersistent& Object, const std::function<void(TPictureEx&)>& Proc) {
    std::set<const QObject*> Seen;
    VisitPictures(Object, Proc, Seen, 0);
}

void ForEachPicture(const TDOList& List, const std::function<void(TPictureEx&)>& Proc) {
    for (TDrawObject* Object : List)
        ForEachPicture(*Object, Proc);
}

bool IsPictureID(const QString& Id) {
    if (Id.isEmpty() || Id.size() > 10)
        return false;
    for (QChar C : Id)
        if (C < u'0' || C > u'9')
            return false;
    return true;
}

void StorePictures(TDocStorage& Root, const TDOList& List) {
    TDocStorage Pictures(Root, PicturesName, true);
    const QString Owner = Root.GetFileName();
    int32_t NextID = ReadNextID(Pictures);
    const int32_t Before = NextID;
    ForEachPicture(List, [&](TPictureEx& P) { StoreOne(Pictures, Owner, NextID, P); });
    if (NextID != Before || !Pictures.StreamExists(NextIDName))
        WriteNextID(Pictures, NextID);
}

void LoadPictures(TDocStorage& Root, const TDOList& List) {
    if (!Root.StorageExists(PicturesName)) {
        KeepPicturesUnloaded(List);
        return;
    }
    TDocStorage Pictures(Root, PicturesName, false);
    const QString Owner = Root.GetFileName();
    ForEachPicture(List, [&](TPictureEx& P) { LoadOne(Pictures, Owner, P); });
}

void KeepPicturesUnloaded(const TDOList& List) {
    ForEachPicture(List, [](TPictureEx& P) {
        if (!P.StorageID().isEmpty())
            P.SetKeptUnloaded(true);
    });
}

void CollectPictureIDs(const TDOList& List, QStringList& Ids) {
    ForEachPicture(List, [&](TPictureEx& P) {
        if (!P.StorageID().isEmpty())
            Ids << P.StorageID();
    });
}

void PurgePictures(TDocStorage& Root, const QStringList& Used) {
    if (!Root.StorageExists(PicturesName))
        return;
    TDocStorage Pictures(Root, PicturesName, false);
    TStringList Names;
    Pictures.ListStorages(Names);
    const std::set<QString> Keep(Used.begin(), Used.end());
    for (const QString& Name : Names.Lines())
        if (!Keep.count(Name))
            Pictures.DeleteElement(Name);
}

TStoredPictureGuard::TStoredPictureGuard(const TDOList& List) {
    ForEachPicture(List, [this](TPictureEx& P) {
        if (P.InStorage() && IsPictureID(P.StorageID())) {
            FEntries.push_back({&P, P.StreamDataSuppressed()});
            P.SetStreamDataSuppressed(true);
        }
    });
}

TStoredPictureGuard::~TStoredPictureGuard() {
    for (const TEntry& E : FEntries)
        E.Picture->SetStreamDataSuppressed(E.Suppressed);
}
