#pragma once
// TColorSpecHistory: the most recently used colour fills, kept in a compound file
// so that the colour-spec editor can offer them again, each with a 48 x 48 preview.
//
// File layout:
//   "ColorSpec\NameList"   the entry names, newest first (a stream name list); each entry
//                          names the stream "ColorSpec\<name>" holding the fill as the
//                          component resource of a TColorSpecWrapper;
//   "Preview\<name>"       the preview: picture data of a 48 x 48 PNG image.
//
// An entry's name is the signed decimal of a 64-bit hash of the fill's stored form (without
// its picture), the preview's picture data and four zero bytes; every byte counts, so two
// specs are taken for one only when all of that is equal. Adding an existing spec only
// moves it to the top. The list is trimmed to Limit entries when a spec is added.
//
// The file is opened for every operation and closed afterwards. Each change is written as a
// whole beside the old file and renamed over it, and an entry's streams are written before
// its name is listed, so an interrupted save leaves the previous history. Entries whose
// streams are missing or damaged (a cut-short file) are not listed; a file that cannot be
// opened at all reads as an empty history and is replaced by the next Add.

#include "UColorFill.h"
#include "UComponent.h"

#include <QString>
#include <memory>

class TDocStorage;
class TFileStorage;

class TColorSpecHistory : public TComponent {
    Q_OBJECT
    Q_PROPERTY(int Limit READ Limit WRITE SetLimit)
    Q_PROPERTY(QString Filename READ Filename WRITE SetFilename)
    Q_CLASSINFO("Default:Limit", "10")
public:
    static constexpr int PreviewSize = 48;

    explicit TColorSpecHistory(TComponent* Owner = nullptr);
    ~TColorSpecHistory() override;

    int Limit() const { return FLimit; }
    // Takes effect at the next Add.
    void SetLimit(int Value) { FLimit = Value; }
    const QString& Filename() const { return FFilename; }
    void SetFilename(const QString& Value) { FFilename = Value; }

    // Adds Spec at the top, or moves an identical entry there; then trims to Limit.
    void Add(TColorSpec& Spec);
    // Removes entry Index with its streams. Raises EListError outside 0..Count-1.
    void Delete(int Index);
    int GetCount();
    // Reads entry Index into Spec. Raises EListError outside 0..Count-1.
    void GetItem(int Index, TColorSpec& Spec);
    // Picture is emptied, then takes entry Index's preview.
    void GetPreview(int Index, TPictureEx& Picture);
    // Deletes the file.
    void Clear();

    // The entry name Spec would get, and the preview it is stored with.
    static QString EntryName(TColorSpec& Spec, TPictureEx& Preview);
    static void MakePreview(TColorSpec& Spec, TPictureEx& Preview);

private:
    // The open file (for reading, or for reading and writing); nullptr when it exists but
    // cannot be opened. A missing file is created (with its folder).
    std::unique_ptr<TFileStorage> Open(bool Write);
    // A new empty file in place of the current one.
    std::unique_ptr<TFileStorage> Recreate();
    // The names of the listed entries whose streams read back whole, in list order.
    QStringList ValidNames(TDocStorage& Storage);
    QString NameAt(TDocStorage& Storage, int Index);

    int FLimit = 10;
    QString FFilename;
};
