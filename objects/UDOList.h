#pragma once
// TDOList: a list of drawing objects (selections, z-order snapshots) and the object stream,
// the layout of the object clipboard format and of every stored object list:
//
//   Int32 little-endian  N, the number of objects
//   N property streams   one whole component stream per object ("TPF0", class, name,
//                        properties, children), in list order
//
// The list does not own its items; FreeObjects destroys them when the holder owns them.
// Objects read from a stream or the clipboard are new and belong to the caller.

#include "UException.h"

#include <QString>
#include <vector>

class TDrawObject;
class TStream;

class TDOList {
public:
    TDOList() = default;

    int Count() const { return static_cast<int>(FItems.size()); }
    bool IsEmpty() const { return FItems.empty(); }
    // Raise EListError outside 0 .. Count() - 1.
    TDrawObject* GetItem(int Index) const;
    void SetItem(int Index, TDrawObject* Object);
    TDrawObject* operator[](int Index) const { return GetItem(Index); }
    // Appends; answers the index.
    int Add(TDrawObject* Object);
    void Insert(int Index, TDrawObject* Object);
    void Delete(int Index);
    // Removes the first occurrence; answers its index or -1.
    int Remove(TDrawObject* Object);
    int IndexOf(const TDrawObject* Object) const;
    void Exchange(int A, int B);
    void Clear() { FItems.clear(); }
    // Destroys every object, then empties the list.
    void FreeObjects();

    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

    // Writes the object stream.
    void SaveToStream(TStream& Stream) const;
    // Empties the list, then reads an object stream from Stream's position. The count is
    // checked against the bytes left. A component that is whole but cannot be made into a
    // drawing object (a class that is not registered, or not a drawing object, or a value
    // it refuses) is skipped. Bytes that do not form component streams raise EReadError
    // "不正なストリーム フォーマット"; the objects read by then are destroyed and the list
    // stays empty.
    void LoadFromStream(TStream& Stream);

    // Puts copies of the objects (each named like its source) on the clipboard under the
    // private format FormatName; nothing when the list is empty.
    void CopyToClipboard(const QString& FormatName) const;
    // Reads the objects on the clipboard under FormatName into the list (emptied first);
    // nothing is read when the clipboard holds no such data. Errors as LoadFromStream.
    void PasteFromClipboard(const QString& FormatName);

private:
    std::vector<TDrawObject*> FItems;
};
