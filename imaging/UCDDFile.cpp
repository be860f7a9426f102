#include "UCDDFile.h"

#include "UDocStorage.h"
#include "UException.h"
#include "UTransformer.h"

namespace {

// The list stream at the root of a pattern file.
const QString ListStreamName = QStringLiteral("Distortions");

} // namespace

TCDDFile::TCDDFile(TComponent* Owner) : TComponent(Owner) {}

TCDDFile::~TCDDFile() {
    // The list's stream goes before its root; a pending new file is committed by the root.
    FList.reset();
    FStorage.reset();
}

void TCDDFile::Open(const QString& FileName) {
    Close();
    auto storage = std::make_unique<TFileStorage>(FileName, 0);
    auto list = std::make_unique<TDocStreamList>(*storage, ListStreamName);
    FStorage = std::move(storage);
    FList = std::move(list);
}

void TCDDFile::Create(const QString& FileName) {
    Close();
    auto storage = std::make_unique<TFileStorage>(FileName, smCreate);
    auto list = std::make_unique<TDocStreamList>(*storage, ListStreamName);
    FStorage = std::move(storage);
    FList = std::move(list);
}

void TCDDFile::Close() {
    FList.reset();
    if (!FStorage)
        return;
    std::unique_ptr<TFileStorage> storage = std::move(FStorage);
    if (storage->IsWritable())
        storage->Commit();
}

int TCDDFile::GetCount() const {
    return FList ? FList->Count() : 0;
}

void TCDDFile::ReadDistortion(TCoonsDistortion& Distortion, int Index) const {
    if (Index < 0 || Index >= GetCount())
        throw EListError(
            QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(Index));
    const std::unique_ptr<TDocStream> stream = FList->OpenStream(Index, 0);
    Distortion.ReadData(*stream);
}

int TCDDFile::IndexOf(const TCoonsDistortion& Distortion) const {
    if (Distortion.IsEmpty())
        return -1;
    TCoonsDistortion scratch;
    for (int i = 0; i < GetCount(); ++i) {
        try {
            ReadDistortion(scratch, i);
        } catch (const Exception&) {
            continue;
        }
        if (scratch.Equals(Distortion))
            return i;
    }
    return -1;
}

int TCDDFile::Add(const TCoonsDistortion& Distortion) {
    if (!FList || !FStorage->IsWritable())
        throw EStorageError(STG_E_ACCESSDENIED,
                            QStringLiteral("変形パターンのファイルに書き込めません"));
    const int index = FList->AddNewName();
    const std::unique_ptr<TDocStream> stream = FList->OpenStream(index, smCreate);
    Distortion.WriteData(*stream);
    return index;
}
