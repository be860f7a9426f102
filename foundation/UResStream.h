#pragma once
// A read stream over a named resource: from an external 32-bit resource file (.RES) when
// one is given and exists, else from the program's own resources.
//
// Resource types and names are text; an ordinal is written "#" and its decimal number
// ("#10" is the raw-data type). The program's own resources are Qt resources at
// ":/<type>/<name>" (looked up as given, then upper-cased, as resource compilers store
// names).

#include "UException.h"
#include "UStreams.h"

#include <QByteArray>
#include <QString>
#include <memory>

VANTOMI_DECLARE_EXCEPTION(EResNotFound, Exception)

class TResStream : public TStream {
public:
    // Raises EResNotFound ("<ResName> リソースが見つかりません") when no resource matches.
    TResStream(const QString& ResFile, const QString& ResType, const QString& ResName);

    int64_t Read(void* Buffer, int64_t Count) override { return FInner.Read(Buffer, Count); }
    int64_t Write(const void* Buffer, int64_t Count) override {
        return FInner.Write(Buffer, Count);
    }
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override {
        return FInner.Seek(Offset, Origin);
    }
    int64_t GetSize() override { return FInner.GetSize(); }
    void SetSize(int64_t NewSize) override { FInner.SetSize(NewSize); }

private:
    TMemoryStream FInner;
};

// Finds the data of the first entry of a 32-bit resource file's bytes whose type and name
// match (names without regard to case, ordinals by number). The walk stops at the end of the
// data, and at an entry whose header or data sizes are too small or run past the end, so
// damaged files end the search instead of looping or reading outside the file. Answers
// false when nothing matched.
bool FindResourceData(const QByteArray& ResFile, const QString& ResType, const QString& ResName,
                      QByteArray& Data);
