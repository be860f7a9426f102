// Compound files and the storage layer over them: the file is opened read-only, every
// storage walked, every stream read, and every stream tried as a name list.
#include "FuzzSupport.h"

#include "UDocStorage.h"

namespace {

constexpr int MaxDepth = 8;

void Walk(TDocStorage& Root, const QString& Path, int Depth) {
    TDocStorage storage(Root, Path, false);
    TStringList streams, storages;
    storage.ListStreams(streams);
    storage.ListStorages(storages);
    for (const QString& name : streams.Lines()) {
        const QString path = Path.isEmpty() ? name : Path + u'\\' + name;
        try {
            TDocStream stream(Root, path, 0);
            stream.ReadBytes(std::min<int64_t>(stream.GetSize(), 1 << 20));
            TDocStreamList list(Root, path);
            for (int i = 0; i < list.Count(); ++i)
                Root.StreamExists(list.GetElementPath(i));
        } catch (const Exception&) {
        }
    }
    if (Depth >= MaxDepth)
        return;
    for (const QString& name : storages.Lines()) {
        try {
            Walk(Root, Path.isEmpty() ? name : Path + u'\\' + name, Depth + 1);
        } catch (const Exception&) {
        }
    }
}

void Run(const QByteArray& Input) {
    TFileStorage root(FuzzFile(Input, QStringLiteral(".vtd")), 0);
    Walk(root, QString(), 0);
}

} // namespace

const TFuzzTarget FuzzTarget{nullptr, Run};
