// Encoding 1,000 mixed strings (automatic mode, version and mask, level M) with TQRCode
// beside libqrencode on the same strings. Ours includes rendering the symbol bitmap; the
// peer stops at its module matrix. libqrencode splits data into several segments of
// different modes; ours encodes one segment, so both pick a version for the same bytes.

#include "UCodePage.h"
#include "UQRCode.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#ifdef VANTOMI_HAVE_QRENCODE
#include <qrencode.h>
#endif

namespace {

const std::vector<QByteArray>& Strings() {
    static const std::vector<QByteArray> strings = [] {
        std::mt19937 rng(1000);
        const QByteArray alnum = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
        const QString kana = QStringLiteral("写真カレンダー年月日曜祝休あいうえお");
        std::vector<QByteArray> out;
        for (int i = 0; i < 1000; ++i) {
            const int len = 5 + static_cast<int>(rng() % 300);
            QByteArray s;
            switch (i % 4) {
            case 0:
                for (int k = 0; k < len; ++k)
                    s.append(static_cast<char>('0' + rng() % 10));
                break;
            case 1:
                for (int k = 0; k < len; ++k)
                    s.append(alnum[rng() % alnum.size()]);
                break;
            case 2:
                s = "https://example.jp/";
                for (int k = 0; k < len; ++k)
                    s.append(static_cast<char>('a' + rng() % 26));
                break;
            default: {
                QString t;
                for (int k = 0; k < len / 2; ++k)
                    t += kana[static_cast<int>(rng() % kana.size())];
                s = ToCP932(t);
            }
            }
            out.push_back(s);
        }
        return out;
    }();
    return strings;
}

void BM_TQRCode(benchmark::State& State) {
    for (auto _ : State)
        for (const QByteArray& s : Strings()) {
            TQRCode q;
            q.Data().WriteBytes(s);
            q.Encode();
            benchmark::DoNotOptimize(q.Symbol().Width());
        }
    State.SetItemsProcessed(State.iterations() * 1000);
}
BENCHMARK(BM_TQRCode)->Unit(benchmark::kMillisecond);

#ifdef VANTOMI_HAVE_QRENCODE
void BM_LibQrencode(benchmark::State& State) {
    for (auto _ : State)
        for (const QByteArray& s : Strings()) {
            QRcode* code = QRcode_encodeData(static_cast<int>(s.size()),
                                             reinterpret_cast<const unsigned char*>(s.constData()),
                                             0, QR_ECLEVEL_M);
            benchmark::DoNotOptimize(code ? code->width : 0);
            QRcode_free(code);
        }
    State.SetItemsProcessed(State.iterations() * 1000);
}
BENCHMARK(BM_LibQrencode)->Unit(benchmark::kMillisecond);

// The peer with its mode detection (numeric, alphanumeric, 8-bit and kanji segments).
void BM_LibQrencodeString(benchmark::State& State) {
    std::vector<QByteArray> zeroEnded;
    for (const QByteArray& s : Strings())
        zeroEnded.push_back(s + '\0');
    for (auto _ : State)
        for (const QByteArray& s : zeroEnded) {
            QRcode* code = QRcode_encodeString(s.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1);
            benchmark::DoNotOptimize(code ? code->width : 0);
            QRcode_free(code);
        }
    State.SetItemsProcessed(State.iterations() * 1000);
}
BENCHMARK(BM_LibQrencodeString)->Unit(benchmark::kMillisecond);
#endif

} // namespace

BENCHMARK_MAIN();
