#pragma once
// TCDDFile: a file of stored distortion patterns, looked up by the transform dialog. The
// file is a compound file holding a list stream "Distortions" whose entries name one stream
// per pattern beside it ("Distortions0", "Distortions1" ...); each pattern stream holds a
// TCoonsDistortion in its stored "Data" form. A container that was never opened behaves as
// an empty one.

#include "UComponent.h"

#include <QString>
#include <memory>

class TCoonsDistortion;
class TDocStreamList;
class TFileStorage;

class TCDDFile : public TComponent {
    Q_OBJECT
public:
    explicit TCDDFile(TComponent* Owner = nullptr);
    ~TCDDFile() override;

    // Opens an existing pattern file for reading, closing the one open before. A file that
    // is not a compound file or whose list is damaged raises (EStorageError, EReadError) and
    // leaves the container closed.
    void Open(const QString& FileName);
    // Starts a new, empty pattern file; it is written by Close.
    void Create(const QString& FileName);
    // Writes any changes and frees the storage and its list. Raises when the file cannot
    // be written; the container is closed either way.
    void Close();
    bool IsOpen() const { return FStorage != nullptr; }

    // Number of stored patterns (0 when closed).
    int GetCount() const;
    // Reads pattern Index into Distortion. An index outside 0..GetCount() - 1 raises
    // EListError; a missing or damaged pattern raises (EStorageError, EReadError) and leaves
    // Distortion unchanged.
    void ReadDistortion(TCoonsDistortion& Distortion, int Index) const;
    // Index of the first stored pattern with Distortion's identity; -1 when Distortion is
    // empty, when none has it, or when the container is closed. Patterns that cannot be
    // read are passed over.
    int IndexOf(const TCoonsDistortion& Distortion) const;
    // Appends Distortion to a file started with Create; answers its index. Raises
    // EStorageError when the file was opened for reading.
    int Add(const TCoonsDistortion& Distortion);

private:
    std::unique_ptr<TFileStorage> FStorage;
    std::unique_ptr<TDocStreamList> FList;
};
