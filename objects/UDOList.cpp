#include "UDOList.h"

#include "UClasses.h"
#include "UComponentCopy.h"
#include "UDrawObject.h"
#include "UGMEMStream.h"
#include "UPropStream.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <algorithm>
#include <memory>

namespace {

const QString SInvalidStream = QStringLiteral("不正なストリーム フォーマット");

// The fewest bytes one component stream takes: "TPF0", a one-letter class name, an empty
// object name, the end of the properties and the end of the children.
constexpr int64_t MinComponentStreamSize = 4 + 2 + 1 + 1 + 1;

[[noreturn]] void InvalidStream() {
    throw EReadError(SInvalidStream);
}

// Moves past one whole component stream; raises EReadError when the bytes are not one.
void SkipComponentStream(TStream& Stream) {
    try {
        TReader reader(Stream);
        reader.ReadSignature();
        reader.SkipComponent();
    } catch (const EReadError&) {
        throw;
    } catch (const Exception&) {
        InvalidStream();
    }
}

// The drawing object held by Bytes (one component stream), or nullptr when it cannot be
// made into one.
std::unique_ptr<TDrawObject> ReadDrawObject(const QByteArray& Bytes) {
    TMemoryStream stream(Bytes);
    std::unique_ptr<TComponent> component;
    try {
        component = ReadComponent(stream);
    } catch (const Exception& e) {
        qWarning("An object of the object stream was skipped: %s", e.what());
        return nullptr;
    }
    if (!qobject_cast<TDrawObject*>(component.get()))
        return nullptr; // any other component is freed
    return std::unique_ptr<TDrawObject>(static_cast<TDrawObject*>(component.release()));
}

// A new instance of Source's class with Source's state, named like Source: the published
// properties (the layer group among them), then whatever the class's Assign copies (data
// kept outside the published properties).
std::unique_ptr<TDrawObject> CopyForClipboard(const TDrawObject& Source) {
    std::unique_ptr<TComponent> clone = CloneComponent(Source);
    std::unique_ptr<TDrawObject> copy(qobject_cast<TDrawObject*>(clone.get()));
    clone.release();
    copy->Assign(&Source);
    copy->SetName(Source.Name());
    return copy;
}

} // namespace

TDrawObject* TDOList::GetItem(int Index) const {
    if (Index < 0 || Index >= Count())
        throw EListError(
            QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(Index));
    return FItems[static_cast<size_t>(Index)];
}

void TDOList::SetItem(int Index, TDrawObject* Object) {
    GetItem(Index);
    FItems[static_cast<size_t>(Index)] = Object;
}

int TDOList::Add(TDrawObject* Object) {
    FItems.push_back(Object);
    return Count() - 1;
}

void TDOList::Insert(int Index, TDrawObject* Object) {
    if (Index < 0 || Index > Count())
        throw EListError(
            QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(Index));
    FItems.insert(FItems.begin() + Index, Object);
}

void TDOList::Delete(int Index) {
    GetItem(Index);
    FItems.erase(FItems.begin() + Index);
}

int TDOList::Remove(TDrawObject* Object) {
    const int index = IndexOf(Object);
    if (index >= 0)
        Delete(index);
    return index;
}

int TDOList::IndexOf(const TDrawObject* Object) const {
    const auto it = std::find(FItems.begin(), FItems.end(), Object);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TDOList::Exchange(int A, int B) {
    GetItem(A);
    GetItem(B);
    std::swap(FItems[static_cast<size_t>(A)], FItems[static_cast<size_t>(B)]);
}

void TDOList::FreeObjects() {
    std::vector<TDrawObject*> items = std::exchange(FItems, {});
    for (TDrawObject* object : items) {
        const std::unique_ptr<TDrawObject> owned(object); // the holder owned them
    }
}

void TDOList::SaveToStream(TStream& Stream) const {
    Stream.WriteValue<int32_t>(Count());
    for (TDrawObject* object : FItems)
        WriteComponent(Stream, *object);
}

void TDOList::LoadFromStream(TStream& Stream) {
    Clear();
    if (Stream.Remaining() < 4)
        InvalidStream();
    const int32_t count = Stream.ReadValue<int32_t>();
    if (count < 0 || count > Stream.Remaining() / MinComponentStreamSize)
        InvalidStream();
    std::vector<std::unique_ptr<TDrawObject>> read;
    for (int32_t i = 0; i < count; ++i) {
        const int64_t start = Stream.GetPosition();
        SkipComponentStream(Stream);
        const int64_t end = Stream.GetPosition();
        Stream.SetPosition(start);
        const QByteArray bytes = Stream.ReadBytes(end - start);
        if (std::unique_ptr<TDrawObject> object = ReadDrawObject(bytes))
            read.push_back(std::move(object));
    }
    FItems.reserve(read.size());
    for (std::unique_ptr<TDrawObject>& object : read)
        FItems.push_back(object.release());
}

void TDOList::CopyToClipboard(const QString& FormatName) const {
    if (IsEmpty())
        return;
    std::vector<std::unique_ptr<TDrawObject>> copies;
    TDOList list;
    for (TDrawObject* object : FItems) {
        copies.push_back(CopyForClipboard(*object));
        list.Add(copies.back().get());
    }
    TGMEMStream stream;
    list.SaveToStream(stream);
    auto data = std::make_unique<QMimeData>();
    SetClipboardStream(*data, FormatName, stream);
    QGuiApplication::clipboard()->setMimeData(data.release());
}

void TDOList::PasteFromClipboard(const QString& FormatName) {
    Clear();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data)
        return;
    std::unique_ptr<TGMEMStream> stream = GetClipboardStream(*data, FormatName);
    if (stream)
        LoadFromStream(*stream);
}
