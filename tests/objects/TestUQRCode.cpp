#include "UQRCode.h"

#include "TestSupport.h"
#include "UCodePage.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <random>

namespace {

void SetData(TQRCode& Q, const QByteArray& Bytes) {
    Q.Data().Clear();
    Q.Data().WriteBytes(Bytes);
    Q.RequestEncode();
}

// ---- An independent reading of the mask score, written straight from its rules ---------

int ReferenceScore(const TQRCode& Q) {
    const int n = Q.SymbolSize();
    auto val = [&](int x, int y) { return (!Q.IsFunction(x, y) && Q.IsDark(x, y)) ? 0 : 1; };
    int score = 0;
    for (int dir = 0; dir < 2; ++dir)
        for (int line = 0; line < n; ++line) {
            auto at = [&](int i) { return dir == 0 ? val(i, line) : val(line, i); };
            int start = 0;
            while (start < n - 4) {
                int len = 1;
                while (start + len < n && at(start + len) == at(start))
                    ++len;
                if (len > 5)
                    score += len - 2;
                start += len;
            }
            for (int i = 0; i + 7 <= n; ++i) {
                const int want[7] = {0, 1, 0, 0, 0, 1, 0};
                bool match = true;
                for (int k = 0; k < 7; ++k)
                    match = match && at(i + k) == want[k];
                if (match)
                    score += 40;
            }
        }
    for (int y = 0; y + 1 < n; ++y)
        for (int x = 0; x + 1 < n; ++x) {
            const int v = val(x, y);
            if (val(x + 1, y) == v && val(x, y + 1) == v && val(x + 1, y + 1) == v)
                score += 3;
        }
    int dark = 0, data = 0;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            if (!Q.IsFunction(x, y)) {
                ++data;
                dark += Q.IsDark(x, y) ? 1 : 0;
            }
    const int p = 100 * dark / data;
    return score + std::abs(50 - p) / 5 * 10;
}

} // namespace

TEST(TQRCode, TablesMatchTheStandard) {
    EXPECT_EQ(QRDataBits(1, 0), 152);
    EXPECT_EQ(QRDataBits(1, 1), 128);
    EXPECT_EQ(QRDataBits(1, 2), 104);
    EXPECT_EQ(QRDataBits(1, 3), 72);
    EXPECT_EQ(QRDataBits(40, 0), 23648);
    EXPECT_EQ(QRDataBits(40, 1), 18672);
    EXPECT_EQ(QRDataBits(40, 2), 13328);
    EXPECT_EQ(QRDataBits(40, 3), 10208);
    EXPECT_EQ(QRDataBits(5, 2), 62 * 8); // two groups: 2 x 15 + 2 x 16
    EXPECT_EQ(QRTotalCodewords(1), 26);
    EXPECT_EQ(QRTotalCodewords(7), 196);
    EXPECT_EQ(QRTotalCodewords(40), 3706);
    EXPECT_EQ(QRAlignmentCenters(1), std::vector<int>{});
    EXPECT_EQ(QRAlignmentCenters(2), (std::vector<int>{6, 18}));
    EXPECT_EQ(QRAlignmentCenters(7), (std::vector<int>{6, 22, 38}));
    EXPECT_EQ(QRAlignmentCenters(15), (std::vector<int>{6, 26, 48, 70}));
    EXPECT_EQ(QRAlignmentCenters(32), (std::vector<int>{6, 34, 60, 86, 112, 138}));
    EXPECT_EQ(QRAlignmentCenters(36), (std::vector<int>{6, 24, 50, 76, 102, 128, 154}));
    EXPECT_EQ(QRAlignmentCenters(40), (std::vector<int>{6, 30, 58, 86, 114, 142, 170}));
    EXPECT_EQ(QRVersionInfo(7), 0x07C94);
    EXPECT_EQ(QRVersionInfo(40), 0x28C69);
    EXPECT_EQ(QRFormatInfo(1, 0), 0x5412);
    EXPECT_EQ(QRFormatInfo(0, 4), 0x662F); // L, mask 4: 110011000101111
    EXPECT_EQ(QRFormatInfo(3, 7), 0x083B); // H, mask 7: 000100000111011
}

TEST(TQRCode, ChoosesModeFromTheBytes) {
    struct {
        QByteArray Data;
        char Mode;
    } const cases[] = {{"12345", '0'},        {"AC-42", 'A'}, {"ac-42", '8'}, {"", '8'},
                       {"HTTP://X.JP/", 'A'}, {"A\x80", '8'}, {"12_3", '8'}};
    for (const auto& c : cases) {
        TQRCode q;
        SetData(q, c.Data);
        EXPECT_EQ(q.GetEncodeMode(), c.Mode) << c.Data.constData();
    }
}

TEST(TQRCode, EmptyDataMakesAVersionOneSymbol) {
    TQRCode q;
    q.Encode();
    EXPECT_EQ(q.Status(), TQRStatus::Ok);
    EXPECT_EQ(q.GetVersion(), 1);
    EXPECT_EQ(q.Symbol().Width(), 29);
    q.SetMargin(0);
    EXPECT_TRUE(q.Dirty());
    q.Encode();
    EXPECT_EQ(q.Symbol().Width(), 21);
    EXPECT_EQ(q.Symbol().Height(), 21);
}

TEST(TQRCode, SettersIgnoreValuesTheyDoNotAccept) {
    TQRCode q;
    SetData(q, "HELLO");
    q.Encode();
    const QImage before = q.Symbol().Bitmap().ToQImage();
    q.SetErrorCorrectLevel('X');
    q.SetErrorCorrectLevel('M');
    q.SetEncodeMode('B');
    q.SetVersion(41);
    q.SetVersion(0);
    q.SetMaskNumber(8);
    q.SetMaskNumber(-1);
    q.SetMargin(-1);
    EXPECT_FALSE(q.Dirty());
    EXPECT_EQ(q.GetErrorCorrectLevel(), 'M');
    EXPECT_EQ(q.GetMargin(), 4);
    q.Encode();
    EXPECT_EQ(q.Symbol().Bitmap().ToQImage(), before);
    q.SetErrorCorrectLevel('H');
    EXPECT_TRUE(q.Dirty());
}

TEST(TQRCode, RefusesDataItCannotEncode) {
    struct {
        const char* What;
        QByteArray Data;
        char Mode;   // 0: automatic
        int Version; // 0: automatic
        char Level;
        TQRStatus Status;
    } const cases[] = {
        {"beyond version 40", QByteArray(1300, 'x'), 0, 0, 'H', TQRStatus::TooLong},
        {"beyond the fixed version", QByteArray(20, 'x'), 0, 1, 'M', TQRStatus::TooLong},
        {"one digit over version 1-L", QByteArray("123456789012345678901234567890123456789012"), 0,
         1, 'L', TQRStatus::TooLong},
        {"non-digits in numeric mode", "12A4", '0', 0, 'M', TQRStatus::InvalidData},
        {"fits version 1-L exactly", QByteArray("12345678901234567890123456789012345678901"), 0, 1,
         'L', TQRStatus::Ok},
    };
    for (const auto& c : cases) {
        TQRCode q;
        SetData(q, c.Data);
        q.SetErrorCorrectLevel(c.Level);
        if (c.Mode) {
            q.SetAutoEncodeMode(false);
            q.SetEncodeMode(c.Mode);
        }
        if (c.Version) {
            q.SetAutoVersion(false);
            q.SetVersion(c.Version);
        }
        q.Encode();
        EXPECT_EQ(q.Status(), c.Status) << c.What;
        EXPECT_EQ(q.Symbol().Empty(), c.Status != TQRStatus::Ok) << c.What;
        EXPECT_FALSE(q.Dirty()) << c.What;
    }
}

TEST(TQRCode, AutomaticMaskHasTheLowestScore) {
    const QByteArray inputs[] = {"12345",
                                 "AC-42",
                                 "https://example.jp/calendar?id=42",
                                 QByteArray(120, 'A'),
                                 ToCP932(QStringLiteral("写真カレンダー 2027")),
                                 QByteArray(300, '7'),
                                 QByteArray(1500, '9'),
                                 QByteArray(1400, 'q')};
    for (const QByteArray& in : inputs) {
        TQRCode q;
        SetData(q, in);
        q.Encode();
        const int chosen = q.GetMaskNumber();
        int best = -1, bestMask = -1;
        for (int m = 0; m < 8; ++m) {
            TQRCode f;
            SetData(f, in);
            f.SetAutoMask(false);
            f.SetMaskNumber(m);
            f.Encode();
            const int s = ReferenceScore(f);
            // the encoder's own score of the finished symbol agrees with the reference
            std::vector<uint8_t> modules;
            for (int y = 0; y < f.SymbolSize(); ++y)
                for (int x = 0; x < f.SymbolSize(); ++x)
                    modules.push_back(static_cast<uint8_t>((f.IsDark(x, y) ? 1 : 0) |
                                                           (f.IsFunction(x, y) ? 2 : 0)));
            EXPECT_EQ(QRMaskScore(modules, f.SymbolSize()), s) << in.constData() << " mask " << m;
            if (best < 0 || s < best) {
                best = s;
                bestMask = m;
            }
        }
        EXPECT_EQ(chosen, bestMask) << in.constData();
    }
}

TEST(TQRCode, ScoreRulesOnHandBuiltMatrices) {
    // all function modules: every value reads 1; runs, blocks and balance count
    const int n = 21;
    std::vector<uint8_t> allFunction(n * n, 2);
    // runs: per line one run of 21 -> 19, 2 x 21 lines; blocks: 20 x 20 x 3; balance: no
    // data modules -> p = 0 -> 100
    EXPECT_EQ(QRMaskScore(allFunction, n), 2 * 21 * 19 + 20 * 20 * 3 + 100);
}

TEST(TQRCode, AssignCopiesDataSymbolAndSettings) {
    TQRCode a, b;
    SetData(a, "ASSIGN ME");
    a.SetErrorCorrectLevel('Q');
    a.SetMargin(2);
    a.Encode();
    b.Assign(&a);
    EXPECT_EQ(b.Data().Bytes(), QByteArray("ASSIGN ME"));
    EXPECT_EQ(b.Data().GetPosition(), 0);
    EXPECT_EQ(b.GetErrorCorrectLevel(), 'Q');
    EXPECT_EQ(b.GetMargin(), 2);
    EXPECT_FALSE(b.Dirty());
    EXPECT_EQ(b.Symbol().Bitmap().ToQImage(), a.Symbol().Bitmap().ToQImage());
}

// ---- Every version and level, decoded by an outside reader --------------------------------

namespace {

constexpr char AlnumSet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";

// The most characters of Mode that version V at level index L holds, counted from the
// standard's bit lengths.
int Capacity(char Mode, int V, int L) {
    const int bits = QRDataBits(V, L);
    const int count = Mode == '0'   ? (V < 10   ? 10
                                       : V < 27 ? 12
                                                : 14)
                      : Mode == 'A' ? (V < 10   ? 9
                                       : V < 27 ? 11
                                                : 13)
                                    : (V < 10 ? 8 : 16);
    const int avail = bits - 4 - count;
    if (Mode == '0')
        return avail / 10 * 3 + (avail % 10 >= 7 ? 2 : avail % 10 >= 4 ? 1 : 0);
    if (Mode == 'A')
        return avail / 11 * 2 + (avail % 11 >= 6 ? 1 : 0);
    return avail / 8;
}

// Data of the given kind that fills version V at level L; kinds: 0 numeric, 1 alphanumeric,
// 2 bytes, 3 kanji (CP932, byte mode), 4 mixed text (byte mode).
QByteArray FillData(int Kind, int V, int L, std::mt19937& Rng) {
    const char mode = Kind == 0 ? '0' : Kind == 1 ? 'A' : '8';
    const int cap = Capacity(mode, V, L);
    QByteArray out;
    if (Kind == 0 || Kind == 1) {
        const int n = Kind == 0 ? 10 : 45;
        for (int i = 0; i < cap; ++i)
            out.append(AlnumSet[Rng() % n]);
    } else if (Kind == 2) {
        for (int i = 0; i < cap; ++i)
            out.append(static_cast<char>('a' + Rng() % 26));
    } else {
        const QString kanji = QStringLiteral("写真暦日月火水木金土曜祝休");
        const QString mixed = QStringLiteral("Photo カレンダー 2027年 ｱｲｳ abc!");
        const QString& src = Kind == 3 ? kanji : mixed;
        QString text;
        while (true) {
            const QString next = text + src[static_cast<int>(Rng() % src.size())];
            if (ToCP932(next).size() > cap)
                break;
            text = next;
        }
        out = ToCP932(text);
    }
    return out;
}

bool SaveScaled(const TQRCode& Q, const QString& Path) {
    const QImage img = Q.Symbol().Bitmap().ToQImage();
    const int scale = img.width() > 120 ? 2 : 3;
    return img
        .scaled(img.width() * scale, img.height() * scale, Qt::IgnoreAspectRatio,
                Qt::FastTransformation)
        .save(Path, "PNG");
}

// The reader's standard output alone (it may chatter on its error output).
QByteArray Zbar(const QStringList& Files) {
    QProcess p;
    p.start(QStringLiteral("zbarimg"),
            QStringList{"--raw", "-q", "-Sdisable", "-Sqrcode.enable", "-Sbinary"} + Files);
    p.waitForFinished(120000);
    return p.readAllStandardOutput();
}

} // namespace

TEST(TQRCode, EveryVersionAndLevelDecodesToItsInput) {
    const QString zbar = QStandardPaths::findExecutable(QStringLiteral("zbarimg"));
    if (zbar.isEmpty())
        GTEST_SKIP() << "zbarimg is not installed (zbar-tools, see scripts/bootstrap)";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::mt19937 rng(2027);
    QStringList files;
    std::vector<QByteArray> inputs;
    const char levels[] = "LMQH";
    for (int v = 1; v <= 40; ++v)
        for (int l = 0; l < 4; ++l) {
            const int kind = (v + l) % 5;
            const QByteArray data = FillData(kind, v, l, rng);
            TQRCode q;
            SetData(q, data);
            q.SetErrorCorrectLevel(levels[l]);
            q.Encode();
            ASSERT_EQ(q.Status(), TQRStatus::Ok) << v << levels[l];
            // the data fills the version, so the automatic version is v itself
            ASSERT_EQ(q.GetVersion(), v) << levels[l] << " kind " << kind;
            ASSERT_EQ(q.GetEncodeMode(), kind == 0 ? '0' : kind == 1 ? 'A' : '8');
            const QString path = dir.filePath(QStringLiteral("v%1%2.png").arg(v).arg(levels[l]));
            ASSERT_TRUE(SaveScaled(q, path));
            files << path;
            inputs.push_back(data);
        }
    // One reader call for all symbols; the raw outputs follow one another in file order.
    QByteArray expected;
    for (const QByteArray& in : inputs)
        expected += in;
    const QByteArray all = Zbar(files);
    if (all != expected) {
        // Name the symbols that failed.
        for (int i = 0; i < files.size(); ++i)
            EXPECT_EQ(Zbar({files[i]}), inputs[i]) << files[i].toStdString();
        return;
    }
    // Kanji and mixed text: the decoded bytes read back as the CP932 text they came from.
    qsizetype at = 0;
    for (const QByteArray& in : inputs) {
        bool ok = false;
        const QString text = FromCP932(all.mid(at, in.size()), &ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(ToCP932(text), in);
        at += in.size();
    }
}
