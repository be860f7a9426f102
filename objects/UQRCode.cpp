#include "UQRCode.h"

#include "UCanvas.h"
#include "UGraphicUtils.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>

namespace {

constexpr int MaxVersion = 40;

// Error-correction codewords per block, by level index then version (ISO/IEC 18004).
constexpr std::array<std::array<uint8_t, MaxVersion + 1>, 4> EccPerBlock = {{
    {0,  7,  10, 15, 20, 26, 18, 20, 24, 30, 18, 20, 24, 26, 30, 22, 24, 28, 30, 28, 28,
     28, 28, 30, 30, 26, 28, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30},
    {0,  10, 16, 26, 18, 24, 16, 18, 22, 22, 26, 30, 22, 22, 24, 24, 28, 28, 26, 26, 26,
     26, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28},
    {0,  13, 22, 18, 26, 18, 24, 18, 22, 20, 24, 28, 26, 24, 20, 30, 24, 28, 28, 26, 30,
     28, 30, 30, 30, 30, 28, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30},
    {0,  17, 28, 22, 16, 22, 28, 26, 26, 24, 28, 24, 28, 22, 24, 24, 30, 28, 28, 26, 28,
     30, 24, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30},
}};

// Number of error-correction blocks (both groups), by level index then version.
constexpr std::array<std::array<uint8_t, MaxVersion + 1>, 4> BlockCount = {{
    {0, 1, 1, 1,  1,  1,  2,  2,  2,  2,  4,  4,  4,  4,  4,  6,  6,  6,  6,  7, 8,
     8, 9, 9, 10, 12, 12, 12, 13, 14, 15, 16, 17, 18, 19, 19, 20, 21, 22, 24, 25},
    {0,  1,  1,  1,  2,  2,  4,  4,  4,  5,  5,  5,  8,  9,  9,  10, 10, 11, 13, 14, 16,
     17, 17, 18, 20, 21, 23, 25, 26, 28, 29, 31, 33, 35, 37, 38, 40, 43, 45, 47, 49},
    {0,  1,  1,  2,  2,  4,  4,  6,  6,  8,  8,  8,  10, 12, 16, 12, 17, 16, 18, 21, 20,
     23, 23, 25, 27, 29, 34, 34, 35, 38, 40, 43, 45, 48, 51, 53, 56, 59, 62, 65, 68},
    {0,  1,  1,  2,  4,  4,  4,  5,  6,  8,  8,  11, 11, 16, 16, 18, 16, 19, 21, 25, 25,
     25, 34, 30, 32, 35, 37, 40, 42, 45, 48, 51, 54, 57, 60, 63, 66, 70, 74, 77, 81},
}};

// Alphanumeric values of the bytes below 96; -1 for bytes outside the set.
constexpr std::array<int8_t, 96> MakeAlnumTable() {
    std::array<int8_t, 96> t{};
    for (auto& v : t)
        v = -1;
    for (int i = 0; i < 10; ++i)
        t['0' + i] = static_cast<int8_t>(i);
    for (int i = 0; i < 26; ++i)
        t['A' + i] = static_cast<int8_t>(10 + i);
    const char extra[] = " $%*+-./:";
    for (int i = 0; i < 9; ++i)
        t[static_cast<unsigned char>(extra[i])] = static_cast<int8_t>(36 + i);
    return t;
}
constexpr std::array<int8_t, 96> AlnumValue = MakeAlnumTable();

int AlnumOf(unsigned char B) {
    return B < 96 ? AlnumValue[B] : -1;
}

// GF(256) with the field polynomial x^8 + x^4 + x^3 + x^2 + 1.
struct TGaloisField {
    std::array<uint8_t, 512> Exp{};
    std::array<int, 256> Log{};
    TGaloisField() {
        int x = 1;
        for (int i = 0; i < 255; ++i) {
            Exp[i] = static_cast<uint8_t>(x);
            Log[x] = i;
            x <<= 1;
            if (x & 0x100)
                x ^= 0x11D;
        }
        for (int i = 255; i < 512; ++i)
            Exp[i] = Exp[i - 255];
    }
};

const TGaloisField& Field() {
    static const TGaloisField field;
    return field;
}

// The generator polynomial of Degree error-correction codewords, as exponents of alpha of
// its coefficients without the leading term (highest power first). Built once per degree.
const std::vector<int>& Generator(int Degree) {
    static std::array<std::vector<int>, 69> cache;
    std::vector<int>& g = cache[Degree];
    if (!g.empty())
        return g;
    const TGaloisField& f = Field();
    // coefficients, highest power first, starting with the polynomial 1
    std::vector<uint8_t> c{1};
    for (int i = 0; i < Degree; ++i) {
        // multiply by (x - alpha^i)
        std::vector<uint8_t> n(c.size() + 1, 0);
        for (size_t k = 0; k < c.size(); ++k) {
            n[k] ^= c[k];
            if (c[k])
                n[k + 1] ^= f.Exp[f.Log[c[k]] + i];
        }
        c = std::move(n);
    }
    g.resize(Degree);
    for (int k = 0; k < Degree; ++k)
        g[k] = f.Log[c[k + 1]]; // never zero for the degrees of the block table
    return g;
}

// The remainder of Data * x^Degree divided by the generator.
void ErrorCorrection(const uint8_t* Data, int Count, int Degree, uint8_t* Out) {
    const TGaloisField& f = Field();
    const std::vector<int>& g = Generator(Degree);
    std::fill(Out, Out + Degree, 0);
    for (int i = 0; i < Count; ++i) {
        const uint8_t lead = Data[i] ^ Out[0];
        std::copy(Out + 1, Out + Degree, Out);
        Out[Degree - 1] = 0;
        if (lead) {
            const int l = f.Log[lead];
            for (int k = 0; k < Degree; ++k)
                Out[k] ^= f.Exp[g[k] + l];
        }
    }
}

// Bits packed most significant first.
class TBitWriter {
public:
    explicit TBitWriter(std::vector<uint8_t>& Bytes) : FBytes(Bytes) {}
    void Put(unsigned Value, int Length) {
        for (int i = Length - 1; i >= 0; --i) {
            if ((Value >> i) & 1)
                FBytes[FBit >> 3] |= static_cast<uint8_t>(0x80 >> (FBit & 7));
            ++FBit;
        }
    }
    int Bits() const { return FBit; }

private:
    std::vector<uint8_t>& FBytes;
    int FBit = 0;
};

int ModeIndicator(char Mode) {
    return Mode == '0' ? 1 : Mode == 'A' ? 2 : 4;
}

// Length of the character count field for Mode at Version.
int CountBits(char Mode, int Version) {
    const int band = Version < 10 ? 0 : Version < 27 ? 1 : 2;
    switch (Mode) {
    case '0':
        return 10 + 2 * band;
    case 'A':
        return 9 + 2 * band;
    default:
        return band == 0 ? 8 : 16;
    }
}

// Bits of the segment (indicator, count at version 1..9 width, data).
int SegmentBits(char Mode, int Count) {
    switch (Mode) {
    case '0':
        return 4 + 10 + 10 * (Count / 3) + (Count % 3 == 2 ? 7 : Count % 3 == 1 ? 4 : 0);
    case 'A':
        return 4 + 9 + 11 * (Count / 2) + 6 * (Count % 2);
    default:
        return 4 + 8 + 8 * Count;
    }
}

// The smallest version whose capacity holds Bits plus the count extension; 0 when none.
int FitVersion(char Mode, int Bits, int Level) {
    for (int v = 1; v <= MaxVersion; ++v)
        if (Bits + CountBits(Mode, v) - CountBits(Mode, 1) <= QRDataBits(v, Level))
            return v;
    return 0;
}

void WriteSegment(TBitWriter& W, char Mode, int Version, const QByteArray& Data) {
    const int n = static_cast<int>(Data.size());
    const auto* b = reinterpret_cast<const unsigned char*>(Data.constData());
    W.Put(ModeIndicator(Mode), 4);
    W.Put(static_cast<unsigned>(n), CountBits(Mode, Version));
    if (Mode == '0') {
        int i = 0;
        for (; i + 3 <= n; i += 3)
            W.Put((b[i] - '0') * 100 + (b[i + 1] - '0') * 10 + (b[i + 2] - '0'), 10);
        if (n - i == 2)
            W.Put((b[i] - '0') * 10 + (b[i + 1] - '0'), 7);
        else if (n - i == 1)
            W.Put(b[i] - '0', 4);
    } else if (Mode == 'A') {
        auto val = [](unsigned char c) { return std::max(AlnumOf(c), 0); };
        int i = 0;
        for (; i + 2 <= n; i += 2)
            W.Put(val(b[i]) * 45 + val(b[i + 1]), 11);
        if (i < n)
            W.Put(val(b[i]), 6);
    } else {
        for (int i = 0; i < n; ++i)
            W.Put(b[i], 8);
    }
}

// Splits the data codewords into blocks, adds their error correction and interleaves.
std::vector<uint8_t> InterleaveBlocks(const std::vector<uint8_t>& Data, int Version, int Level) {
    const int blocks = BlockCount[Level][Version];
    const int ecc = EccPerBlock[Level][Version];
    const int total = QRTotalCodewords(Version);
    const int shortBlocks = blocks - total % blocks;
    const int shortData = total / blocks - ecc;
    std::vector<uint8_t> eccBytes(static_cast<size_t>(blocks) * ecc);
    std::vector<int> start(blocks + 1, 0);
    for (int b = 0; b < blocks; ++b)
        start[b + 1] = start[b] + shortData + (b >= shortBlocks ? 1 : 0);
    for (int b = 0; b < blocks; ++b)
        ErrorCorrection(Data.data() + start[b], start[b + 1] - start[b], ecc,
                        eccBytes.data() + static_cast<size_t>(b) * ecc);
    std::vector<uint8_t> out;
    out.reserve(total);
    for (int i = 0; i <= shortData; ++i)
        for (int b = 0; b < blocks; ++b)
            if (i < start[b + 1] - start[b])
                out.push_back(Data[start[b] + i]);
    for (int i = 0; i < ecc; ++i)
        for (int b = 0; b < blocks; ++b)
            out.push_back(eccBytes[static_cast<size_t>(b) * ecc + i]);
    return out;
}

// The module matrix under construction: bit 0 dark, bit 1 function pattern.
class TMatrix {
public:
    explicit TMatrix(int Version) : Size(4 * Version + 17), M(Size * Size, 0) {}
    void Function(int X, int Y, bool Dark) {
        M[Y * Size + X] = static_cast<uint8_t>(2 | (Dark ? 1 : 0));
    }
    bool IsFunction(int X, int Y) const { return M[Y * Size + X] & 2; }
    const int Size;
    std::vector<uint8_t> M;
};

void DrawFinder(TMatrix& T, int Cx, int Cy) {
    for (int dy = -4; dy <= 4; ++dy)
        for (int dx = -4; dx <= 4; ++dx) {
            const int x = Cx + dx, y = Cy + dy;
            if (x < 0 || y < 0 || x >= T.Size || y >= T.Size)
                continue;
            const int d = std::max(std::abs(dx), std::abs(dy));
            T.Function(x, y, d != 2 && d != 4);
        }
}

void DrawFunctionPatterns(TMatrix& T, int Version) {
    const int s = T.Size;
    for (int i = 0; i < s; ++i) {
        T.Function(6, i, i % 2 == 0);
        T.Function(i, 6, i % 2 == 0);
    }
    DrawFinder(T, 3, 3);
    DrawFinder(T, s - 4, 3);
    DrawFinder(T, 3, s - 4);
    const std::vector<int> c = QRAlignmentCenters(Version);
    const int n = static_cast<int>(c.size());
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            if ((i == 0 && j == 0) || (i == 0 && j == n - 1) || (i == n - 1 && j == 0))
                continue; // overlaps a finder
            for (int dy = -2; dy <= 2; ++dy)
                for (int dx = -2; dx <= 2; ++dx)
                    T.Function(c[i] + dx, c[j] + dy, std::max(std::abs(dx), std::abs(dy)) != 1);
        }
    // format areas, reserved light for now, and the dark module
    for (int i = 0; i <= 8; ++i) {
        if (i != 6) {
            T.Function(8, i, false);
            T.Function(i, 8, false);
        }
    }
    for (int i = 0; i < 8; ++i) {
        T.Function(s - 1 - i, 8, false);
        T.Function(8, s - 1 - i, false);
    }
    T.Function(8, s - 8, true);
    if (Version >= 7) {
        const int info = QRVersionInfo(Version);
        for (int i = 0; i < 18; ++i) {
            const bool bit = (info >> i) & 1;
            const int a = s - 11 + i % 3, b = i / 3;
            T.Function(a, b, bit);
            T.Function(b, a, bit);
        }
    }
}

void DrawFormat(std::vector<uint8_t>& M, int Size, int Level, int Mask) {
    const int bits = QRFormatInfo(Level, Mask);
    auto set = [&](int X, int Y, int I) {
        M[Y * Size + X] = static_cast<uint8_t>(2 | ((bits >> I) & 1));
    };
    for (int i = 0; i <= 5; ++i)
        set(8, i, i);
    set(8, 7, 6);
    set(8, 8, 7);
    set(7, 8, 8);
    for (int i = 9; i < 15; ++i)
        set(14 - i, 8, i);
    for (int i = 0; i < 8; ++i)
        set(Size - 1 - i, 8, i);
    for (int i = 8; i < 15; ++i)
        set(8, Size - 15 + i, i);
    M[(Size - 8) * Size + 8] = 3;
}

// Places the codewords, most significant bit first, in the two-module columns.
void PlaceCodewords(TMatrix& T, const std::vector<uint8_t>& Codewords) {
    const int s = T.Size;
    const int totalBits = static_cast<int>(Codewords.size()) * 8;
    int bit = 0;
    bool upward = true;
    for (int right = s - 1; right >= 1; right -= 2) {
        if (right == 6)
            right = 5;
        for (int k = 0; k < s; ++k) {
            const int y = upward ? s - 1 - k : k;
            for (int dx = 0; dx < 2; ++dx) {
                const int x = right - dx;
                if (T.IsFunction(x, y))
                    continue;
                if (bit < totalBits && ((Codewords[bit >> 3] >> (7 - (bit & 7))) & 1))
                    T.M[y * s + x] = 1;
                ++bit;
            }
        }
        upward = !upward;
    }
}

template <class TCondition>
void MaskWith(const std::vector<uint8_t>& Raw, std::vector<uint8_t>& Out, int Size,
              TCondition Condition) {
    Out = Raw;
    for (int y = 0; y < Size; ++y) {
        uint8_t* row = Out.data() + static_cast<size_t>(y) * Size;
        for (int x = 0; x < Size; ++x)
            if (!(row[x] & 2) && Condition(x, y))
                row[x] ^= 1;
    }
}

// Out := Raw with the data modules inverted where the mask condition holds.
void ApplyMask(const std::vector<uint8_t>& Raw, std::vector<uint8_t>& Out, int Size, int Mask) {
    switch (Mask) {
    case 0:
        return MaskWith(Raw, Out, Size, [](int X, int Y) { return (X + Y) % 2 == 0; });
    case 1:
        return MaskWith(Raw, Out, Size, [](int, int Y) { return Y % 2 == 0; });
    case 2:
        return MaskWith(Raw, Out, Size, [](int X, int) { return X % 3 == 0; });
    case 3:
        return MaskWith(Raw, Out, Size, [](int X, int Y) { return (X + Y) % 3 == 0; });
    case 4:
        return MaskWith(Raw, Out, Size, [](int X, int Y) { return (X / 3 + Y / 2) % 2 == 0; });
    case 5:
        return MaskWith(Raw, Out, Size,
                        [](int X, int Y) { return (X * Y) % 2 + (X * Y) % 3 == 0; });
    case 6:
        return MaskWith(Raw, Out, Size,
                        [](int X, int Y) { return ((X * Y) % 2 + (X * Y) % 3) % 2 == 0; });
    default:
        return MaskWith(Raw, Out, Size,
                        [](int X, int Y) { return ((X * Y) % 3 + (X + Y) % 2) % 2 == 0; });
    }
}

// One line of module values as bits (bit i: module i reads 1), at most 177 of them.
struct TLineBits {
    static constexpr int Words = 3;
    uint64_t W[Words] = {};

    void Set(int I) { W[I >> 6] |= uint64_t{1} << (I & 63); }
    // Bit i of the result is bit i + K of this line (K below 64).
    TLineBits Shr(int K) const {
        TLineBits r;
        for (int i = 0; i < Words; ++i)
            r.W[i] = K == 0 ? W[i] : (W[i] >> K) | (i + 1 < Words ? W[i + 1] << (64 - K) : 0);
        return r;
    }
    TLineBits operator&(const TLineBits& B) const {
        TLineBits r;
        for (int i = 0; i < Words; ++i)
            r.W[i] = W[i] & B.W[i];
        return r;
    }
    TLineBits operator^(const TLineBits& B) const {
        TLineBits r;
        for (int i = 0; i < Words; ++i)
            r.W[i] = W[i] ^ B.W[i];
        return r;
    }
    TLineBits operator~() const {
        TLineBits r;
        for (int i = 0; i < Words; ++i)
            r.W[i] = ~W[i];
        return r;
    }
    int Count() const {
        int n = 0;
        for (const uint64_t w : W)
            n += std::popcount(w);
        return n;
    }
};

// The bits 0 .. N - 1.
TLineBits FirstBits(int N) {
    TLineBits r;
    for (int i = 0; i < TLineBits::Words; ++i) {
        const int from = 64 * i;
        r.W[i] = N >= from + 64 ? ~uint64_t{0} : N <= from ? 0 : (uint64_t{1} << (N - from)) - 1;
    }
    return r;
}

// Runs and finder-like patterns of one line.
int LineScore(const TLineBits& V, int Size) {
    int score = 0;
    // runs: a boundary bit i means module i differs from module i + 1
    const TLineBits boundaries = (V ^ V.Shr(1)) & FirstBits(Size - 1);
    int start = 0;
    for (int w = 0; w < TLineBits::Words && start < Size - 4; ++w)
        for (uint64_t bits = boundaries.W[w]; bits && start < Size - 4; bits &= bits - 1) {
            const int end = 64 * w + std::countr_zero(bits) + 1;
            if (end - start > 5)
                score += end - start - 2;
            start = end;
        }
    if (start < Size - 4 && Size - start > 5)
        score += Size - start - 2;
    // 0,1,0,0,0,1,0 starting at each position
    const TLineBits pattern = ~V & V.Shr(1) & ~V.Shr(2) & ~V.Shr(3) & ~V.Shr(4) & V.Shr(5) &
                              ~V.Shr(6) & FirstBits(Size - 6);
    return score + 40 * pattern.Count();
}

// The score of a matrix with reusable buffers for its lines by rows and by columns.
class TMaskScorer {
public:
    int Score(const std::vector<uint8_t>& Modules, int Size) {
        FRows.assign(Size, TLineBits{});
        FColumns.assign(Size, TLineBits{});
        int dark = 0, data = 0;
        for (int y = 0; y < Size; ++y) {
            const uint8_t* row = Modules.data() + static_cast<size_t>(y) * Size;
            for (int x = 0; x < Size; ++x) {
                const bool function = row[x] & 2;
                if (function || !(row[x] & 1)) {
                    FRows[y].Set(x);
                    FColumns[x].Set(y);
                } else {
                    ++dark;
                }
                data += function ? 0 : 1;
            }
        }
        int score = 0;
        for (int i = 0; i < Size; ++i)
            score += LineScore(FRows[i], Size) + LineScore(FColumns[i], Size);
        const TLineBits inside = FirstBits(Size - 1);
        int blocks = 0;
        for (int y = 0; y + 1 < Size; ++y) {
            const TLineBits& a = FRows[y];
            const TLineBits& b = FRows[y + 1];
            blocks += (~(a ^ b) & ~(a ^ a.Shr(1)) & ~(b ^ b.Shr(1)) & inside).Count();
        }
        score += 3 * blocks;
        const int p = data ? 100 * dark / data : 0;
        return score + std::abs(50 - p) / 5 * 10;
    }

private:
    std::vector<TLineBits> FRows, FColumns;
};

} // namespace

// ---- Tables ------------------------------------------------------------------------------

int QRLevelIndex(char Level) {
    switch (Level) {
    case 'L':
        return 0;
    case 'M':
        return 1;
    case 'Q':
        return 2;
    case 'H':
        return 3;
    default:
        return -1;
    }
}

int QRTotalCodewords(int Version) {
    int modules = (16 * Version + 128) * Version + 64;
    if (Version >= 2) {
        const int align = Version / 7 + 2;
        modules -= (25 * align - 10) * align - 55;
        if (Version >= 7)
            modules -= 36;
    }
    return modules / 8;
}

int QRDataBits(int Version, int Level) {
    return 8 *
           (QRTotalCodewords(Version) - EccPerBlock[Level][Version] * BlockCount[Level][Version]);
}

std::vector<int> QRAlignmentCenters(int Version) {
    if (Version < 2)
        return {};
    const int count = Version / 7 + 2;
    const int step = Version == 32 ? 26 : (Version * 4 + count * 2 + 1) / (count * 2 - 2) * 2;
    std::vector<int> c(count);
    c[0] = 6;
    for (int i = count - 1, pos = 4 * Version + 10; i >= 1; --i, pos -= step)
        c[i] = pos;
    return c;
}

char QRChooseMode(const QByteArray& Bytes) {
    if (Bytes.isEmpty())
        return '8';
    char mode = '0';
    for (const char ch : Bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= '0' && b <= '9')
            continue;
        if (AlnumOf(b) < 0)
            return '8';
        mode = 'A';
    }
    return mode;
}

int QRVersionInfo(int Version) {
    int rem = Version;
    for (int i = 0; i < 12; ++i)
        rem = (rem << 1) ^ ((rem >> 11) * 0x1F25);
    return Version << 12 | rem;
}

int QRFormatInfo(int Level, int Mask) {
    static constexpr int levelBits[4] = {1, 0, 3, 2};
    const int data = levelBits[Level] << 3 | Mask;
    int rem = data;
    for (int i = 0; i < 10; ++i)
        rem = (rem << 1) ^ ((rem >> 9) * 0x537);
    return (data << 10 | rem) ^ 0x5412;
}

int QRMaskScore(const std::vector<uint8_t>& Modules, int Size) {
    TMaskScorer scorer;
    return scorer.Score(Modules, Size);
}

// ---- TQRCode -----------------------------------------------------------------------------

TQRCode::TQRCode() {
    FSymbol.SetPixelFormat(pf24bit);
}

char TQRCode::GetEncodeMode() {
    if (FAutoEncodeMode) {
        LoadBytes();
        FEncodeMode = QRChooseMode(FBytes);
    }
    return FEncodeMode;
}

void TQRCode::SetEncodeMode(char Value) {
    if ((Value != '0' && Value != 'A' && Value != '8') || Value == FEncodeMode)
        return;
    FEncodeMode = Value;
    FDirty = true;
}

void TQRCode::SetAutoEncodeMode(bool Value) {
    if (Value == FAutoEncodeMode)
        return;
    FAutoEncodeMode = Value;
    FDirty = true;
}

int TQRCode::GetVersion() {
    if (FAutoVersion) {
        LoadBytes();
        const char mode = GetEncodeMode();
        FVersion = FitVersion(mode, SegmentBits(mode, static_cast<int>(FBytes.size())),
                              QRLevelIndex(FLevel));
    }
    return FVersion;
}

void TQRCode::SetVersion(int Value) {
    if (Value < 1 || Value > MaxVersion || Value == FVersion)
        return;
    FVersion = Value;
    FDirty = true;
}

void TQRCode::SetAutoVersion(bool Value) {
    if (Value == FAutoVersion)
        return;
    FAutoVersion = Value;
    FDirty = true;
}

void TQRCode::SetMaskNumber(int Value) {
    if (Value < 0 || Value > 7 || Value == FMaskNumber)
        return;
    FMaskNumber = Value;
    FDirty = true;
}

void TQRCode::SetAutoMask(bool Value) {
    if (Value == FAutoMask)
        return;
    FAutoMask = Value;
    FDirty = true;
}

void TQRCode::SetErrorCorrectLevel(char Value) {
    if (QRLevelIndex(Value) < 0 || Value == FLevel)
        return;
    FLevel = Value;
    FDirty = true;
}

void TQRCode::SetMargin(int Value) {
    if (Value < 0 || Value == FMargin)
        return;
    FMargin = Value;
    FDirty = true;
}

void TQRCode::LoadBytes() {
    FBytes = FData.Bytes();
}

void TQRCode::Encode() {
    if (!FDirty)
        return;
    EncodeNow();
    FDirty = false;
}

void TQRCode::EncodeNow() {
    FSize = 0;
    FModules.clear();
    FSymbol.SetSize(0, 0);
    LoadBytes();
    const char mode = GetEncodeMode();
    const int level = QRLevelIndex(FLevel);
    const int count = static_cast<int>(FBytes.size());
    if (mode == '0' &&
        std::any_of(FBytes.begin(), FBytes.end(), [](char c) { return c < '0' || c > '9'; })) {
        FStatus = TQRStatus::InvalidData;
        return;
    }
    const int version = GetVersion();
    const int bits = SegmentBits(mode, count);
    if (version < 1 || version > MaxVersion ||
        bits + CountBits(mode, version) - CountBits(mode, 1) > QRDataBits(version, level) ||
        count >= (1 << CountBits(mode, version))) {
        FStatus = TQRStatus::TooLong;
        return;
    }
    // codewords: segment, terminator, zero bits to the byte, pad bytes
    const int capacity = QRDataBits(version, level);
    std::vector<uint8_t> data(capacity / 8, 0);
    TBitWriter w(data);
    WriteSegment(w, mode, version, FBytes);
    w.Put(0, std::min(4, capacity - w.Bits()));
    for (int i = (w.Bits() + 7) / 8, pad = 0xEC; i < capacity / 8; ++i, pad ^= 0xEC ^ 0x11)
        data[i] = static_cast<uint8_t>(pad);
    // matrix
    TMatrix t(version);
    DrawFunctionPatterns(t, version);
    PlaceCodewords(t, InterleaveBlocks(data, version, level));
    const int s = t.Size;
    std::vector<uint8_t> masked;
    int mask = FMaskNumber;
    if (FAutoMask) {
        int best = -1;
        TMaskScorer scorer;
        for (int m = 0; m < 8; ++m) {
            ApplyMask(t.M, masked, s, m);
            const int score = scorer.Score(masked, s);
            if (best < 0 || score < best) {
                best = score;
                mask = m;
            }
        }
        FMaskNumber = mask;
    }
    ApplyMask(t.M, masked, s, mask);
    DrawFormat(masked, s, level, mask);
    FModules = std::move(masked);
    FSize = s;
    FStatus = TQRStatus::Ok;
    // rendering: white quiet zone, one pixel per module
    const int margin = DrawnMargin();
    const int side = s + 2 * margin;
    TBitmap bmp(side, side, pf24bit);
    for (int y = 0; y < side; ++y) {
        uint8_t* row = bmp.ScanLine(y);
        const int my = y - margin;
        for (int x = 0; x < side; ++x) {
            const int mx = x - margin;
            const bool dark = my >= 0 && my < s && mx >= 0 && mx < s && (FModules[my * s + mx] & 1);
            const uint8_t v = dark ? 0 : 255;
            row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = v;
        }
    }
    FSymbol.SetBitmap(bmp);
}

void TQRCode::Draw(TCanvas& Canvas, const TRect& Rect) {
    Encode();
    if (FSymbol.Empty())
        return;
    LockedStretchDraw(Canvas, Rect, FSymbol);
}

void TQRCode::AssignTo(TPersistent* Dest) const {
    auto* d = qobject_cast<TQRCode*>(Dest);
    if (!d) {
        TPersistent::AssignTo(Dest);
        return;
    }
    if (d == this)
        return;
    d->FData.Clear();
    d->FData.WriteBytes(FData.Bytes());
    d->FData.SetPosition(0);
    d->FBytes = FBytes;
    d->FSymbol.Assign(&FSymbol);
    d->FEncodeMode = FEncodeMode;
    d->FAutoEncodeMode = FAutoEncodeMode;
    d->FVersion = FVersion;
    d->FAutoVersion = FAutoVersion;
    d->FMaskNumber = FMaskNumber;
    d->FAutoMask = FAutoMask;
    d->FLevel = FLevel;
    d->FMargin = FMargin;
    d->FDirty = FDirty;
    d->FStatus = FStatus;
    d->FSize = FSize;
    d->FModules = FModules;
}
