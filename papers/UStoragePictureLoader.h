#pragma once
// The pictures of a document's objects, kept once in the document's "Pictures" storage and
// named from the objects by StorageID:
//
//   "Pictures\NextID"          Int32 little-endian, the next number to hand out (missing = 0)
//   "Pictures\<id>\Original"   the picture data; bitmaps inside the compressed container
//   "Pictures\<id>\Small"      a reduced copy, read in place of "Original" when present
//
// A picture belongs to the working copy whose file name it remembers (StoragePath); a
// picture that comes from elsewhere gets a new number when first stored. Every picture
// property of an object counts, also those of its nested objects.

#include <QString>
#include <QStringList>
#include <functional>

class TDocStorage;
class TDrawObject;
class TDOList;
class TPictureEx;
class TPersistent;

// Calls Proc for every picture property of Object and of its nested objects, in property
// order.
void ForEachPicture(TPersistent& Object, const std::function<void(TPictureEx&)>& Proc);
void ForEachPicture(const TDOList& List, const std::function<void(TPictureEx&)>& Proc);

// True when Id can name a picture storage: 1 to 10 decimal digits.
bool IsPictureID(const QString& Id);

// Stores the pictures of List into "Pictures" of Root (created when missing): pictures that
// are new to this document get the next number; changed pictures, and pictures whose
// storage is missing (their storage was purged while the object was away, for example in
// an undo step), are written; empty pictures that were not left unloaded lose their ids.
void StorePictures(TDocStorage& Root, const TDOList& List);
// Loads every picture of List that names a storage of Root's "Pictures". A picture whose
// storage is missing or unreadable stays empty and keeps its id (flagged as left unloaded),
// so that saving does not drop it.
void LoadPictures(TDocStorage& Root, const TDOList& List);
// Flags every picture of List that has an id as left unloaded.
void KeepPicturesUnloaded(const TDOList& List);
// Adds the ids of the pictures of List to Ids.
void CollectPictureIDs(const TDOList& List, QStringList& Ids);
// Destroys every picture storage of Root's "Pictures" whose name is not among Used.
void PurgePictures(TDocStorage& Root, const QStringList& Used);

// While alive, the pictures of List that live in the document storage write no picture data
// into property streams (the label stream names them by id only).
class TStoredPictureGuard {
public:
    explicit TStoredPictureGuard(const TDOList& List);
    ~TStoredPictureGuard();
    TStoredPictureGuard(const TStoredPictureGuard&) = delete;
    TStoredPictureGuard& operator=(const TStoredPictureGuard&) = delete;

private:
    struct TEntry {
        TPictureEx* Picture;
        bool Suppressed;
    };
    std::vector<TEntry> FEntries;
};
