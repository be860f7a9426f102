#pragma once
// The compressed-stream container. It may start at any position of a stream:
//
//   offset 0   13 bytes  "ZLIBCompress" followed by the byte 0x1A
//   offset 13   4 bytes  Int32 little-endian: the size of the uncompressed data
//   offset 17   rest     a zlib stream (header and Adler-32 checksum) of exactly that data
//
// The stored size is untrusted: nothing is allocated from it, the data must inflate to
// exactly that many bytes, and a negative size is refused.

#include "UException.h"
#include "UStreams.h"

#include <QString>
#include <cstdint>

VANTOMI_DECLARE_EXCEPTION(EZLibError, Exception)
VANTOMI_DECLARE_EXCEPTION(ECompressionError, EZLibError)
VANTOMI_DECLARE_EXCEPTION(EDecompressionError, EZLibError)

enum TCompressionLevel { zcNone, zcFastest, zcDefault, zcMax };

// Reads the 17-byte header at Stream's position. True with Size set and the position after
// the header when it is there; otherwise False with the position unchanged (also for a
// magic followed by fewer than 4 bytes).
bool ReadCompressHeader(TStream& Stream, int32_t& Size);
// Writes a container holding the bytes of Source from its position to its end. Raises
// ECompressionError for more than 2 GiB - 1 bytes.
void CompressStream(TStream& Source, TStream& Dest, TCompressionLevel Level = zcDefault);
// Inflates the zlib stream at Source's position and writes exactly Size bytes to Dest;
// Source is left just after the zlib stream. Raises EDecompressionError for a negative
// Size, corrupt data, a checksum mismatch, or data shorter or longer than Size.
void DecompressStream(TStream& Source, TStream& Dest, int32_t Size);
// Bytes with the container taken off: the inflated data when Bytes begin with a container
// header, Bytes themselves otherwise. False (nothing inflated) when the header declares a
// size that is negative or over Limit, so that the caller refuses the data in its own words;
// corrupt data raises EDecompressionError as DecompressStream does.
bool TakeOffContainer(const QByteArray& Bytes, int64_t Limit, QByteArray& Plain);
// True when the file begins with a container header. Raises EFOpenError when it cannot be
// opened.
bool IsCompressedFile(const QString& FileName);
// When Source begins with a container header, writes the uncompressed data to Dest; Dest
// is replaced only once the new content is complete (written beside it, flushed, renamed),
// so a corrupt Source leaves Dest as it was. Without a header nothing is written.
void DecompressFile(const QString& Source, const QString& Dest);
