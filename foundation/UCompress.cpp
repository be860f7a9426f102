#include "UCompress.h"

#include "UAtomicFile.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>
#include <zlib.h>

namespace {

constexpr char Magic[13] = {'Z', 'L', 'I', 'B', 'C', 'o', 'm', 'p', 'r', 'e', 's', 's', 0x1A};
constexpr size_t Chunk = 64 * 1024;

int ZLevel(TCompressionLevel Level) {
    switch (Level) {
    case zcNone:
        return Z_NO_COMPRESSION;
    case zcFastest:
        return Z_BEST_SPEED;
    case zcMax:
        return Z_BEST_COMPRESSION;
    case zcDefault:
        break;
    }
    return Z_DEFAULT_COMPRESSION;
}

[[noreturn]] void DecompressionFailed(const QString& Why) {
    throw EDecompressionError(QStringLiteral("圧縮データを展開できません（%1）").arg(Why));
}

// zlib streams released on every path.
struct TDeflater : z_stream {
    explicit TDeflater(int Level) : z_stream{} {
        if (deflateInit(this, Level) != Z_OK)
            throw ECompressionError(QStringLiteral("圧縮を開始できません"));
    }
    ~TDeflater() { deflateEnd(this); }
};

struct TInflater : z_stream {
    TInflater() : z_stream{} {
        if (inflateInit(this) != Z_OK)
            DecompressionFailed(QStringLiteral("展開を開始できません"));
    }
    ~TInflater() { inflateEnd(this); }
};

} // namespace

bool ReadCompressHeader(TStream& Stream, int32_t& Size) {
    const int64_t start = Stream.GetPosition();
    char header[sizeof Magic + 4];
    if (Stream.Read(header, sizeof header) == sizeof header &&
        std::memcmp(header, Magic, sizeof Magic) == 0) {
        Size = qFromLittleEndian<qint32>(header + sizeof Magic);
        return true;
    }
    Stream.SetPosition(start);
    return false;
}

void CompressStream(TStream& Source, TStream& Dest, TCompressionLevel Level) {
    const int64_t count = Source.GetSize() - Source.GetPosition();
    if (count < 0 || count > std::numeric_limits<int32_t>::max())
        throw ECompressionError(QStringLiteral("圧縮するデータが大きすぎます"));
    char header[sizeof Magic + 4];
    std::memcpy(header, Magic, sizeof Magic);
    qToLittleEndian<qint32>(static_cast<int32_t>(count), header + sizeof Magic);
    Dest.WriteBuffer(header, sizeof header);

    TDeflater z(ZLevel(Level));
    std::vector<unsigned char> in(Chunk), out(Chunk);
    int64_t left = count;
    int flush = Z_NO_FLUSH;
    do {
        if (z.avail_in == 0 && flush == Z_NO_FLUSH) {
            const int64_t n = std::min<int64_t>(left, Chunk);
            Source.ReadBuffer(in.data(), n);
            left -= n;
            z.next_in = in.data();
            z.avail_in = static_cast<uInt>(n);
            if (left == 0)
                flush = Z_FINISH;
        }
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        const int rc = deflate(&z, flush);
        if (rc == Z_STREAM_ERROR)
            throw ECompressionError(QStringLiteral("圧縮に失敗しました"));
        Dest.WriteBuffer(out.data(), static_cast<int64_t>(out.size() - z.avail_out));
        if (rc == Z_STREAM_END)
            break;
    } while (true);
}

void DecompressStream(TStream& Source, TStream& Dest, int32_t Size) {
    if (Size < 0)
        DecompressionFailed(QStringLiteral("サイズ %1 が不正です").arg(Size));
    TInflater z;
    std::vector<unsigned char> in(Chunk), out(Chunk);
    int64_t left = Size;
    bool sourceEnded = false;
    for (;;) {
        if (z.avail_in == 0 && !sourceEnded) {
            const int64_t n = Source.Read(in.data(), static_cast<int64_t>(in.size()));
            sourceEnded = n == 0;
            z.next_in = in.data();
            z.avail_in = static_cast<uInt>(n);
        }
        // Once Size bytes are out, one more byte of room shows whether the data goes on.
        unsigned char extra = 0;
        const bool complete = left == 0;
        const uInt room = complete ? 1 : static_cast<uInt>(std::min<int64_t>(left, Chunk));
        z.next_out = complete ? &extra : out.data();
        z.avail_out = room;
        const int rc = inflate(&z, Z_NO_FLUSH);
        const uInt produced = room - z.avail_out;
        if (complete && produced > 0)
            DecompressionFailed(QStringLiteral("データが記録されたサイズより長くなっています"));
        if (produced > 0) {
            Dest.WriteBuffer(out.data(), produced);
            left -= produced;
        }
        if (rc == Z_STREAM_END) {
            if (left != 0)
                DecompressionFailed(QStringLiteral("データが記録されたサイズより短くなっています"));
            break;
        }
        if (rc == Z_BUF_ERROR) {
            // No progress was possible: more input is needed, and there is none.
            if (sourceEnded || z.avail_in != 0)
                DecompressionFailed(QStringLiteral("データが途中で切れています"));
            continue;
        }
        if (rc != Z_OK)
            DecompressionFailed(z.msg ? QString::fromLatin1(z.msg)
                                      : QStringLiteral("zlib %1").arg(rc));
    }
    // Give back what was read past the end of the zlib stream.
    if (z.avail_in > 0)
        Source.Seek(-static_cast<int64_t>(z.avail_in), soCurrent);
}

bool TakeOffContainer(const QByteArray& Bytes, int64_t Limit, QByteArray& Plain) {
    TMemoryStream Raw(Bytes);
    int32_t Size = 0;
    if (!ReadCompressHeader(Raw, Size)) {
        Plain = Bytes;
        return true;
    }
    if (Size < 0 || Size > Limit)
        return false;
    TMemoryStream Inflated;
    DecompressStream(Raw, Inflated, Size);
    Plain = Inflated.Bytes();
    return true;
}

bool IsCompressedFile(const QString& FileName) {
    TFileStream file(FileName, fmOpenRead);
    int32_t size = 0;
    return ReadCompressHeader(file, size);
}

void DecompressFile(const QString& Source, const QString& Dest) {
    TFileStream source(Source, fmOpenRead);
    int32_t size = 0;
    if (!ReadCompressHeader(source, size))
        return;
    TAtomicFileStream dest(Dest);
    DecompressStream(source, dest, size);
    dest.Commit();
}
