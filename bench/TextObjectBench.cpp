// Repaint of a 200 x 150 mm page holding 50 text objects with mixed effects (plain, outline,
// shadow, gradient fill, rotation, arc, distortion, half transparency), printed through
// DrawTo at screen resolution (96 dpi, 100 %) and at 600 dpi: the first paint of new objects
// (glyph outlines built), a repaint of the same objects (outlines cached), and as the peer
// QPainter::drawText of the same strings on a page of the same size.
// Run with QT_QPA_PLATFORM=offscreen.

#include "UBitmap.h"
#include "UDrawSite.h"
#include "ULOText.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QPainter>

#include <memory>
#include <vector>

namespace {

constexpr int PageW = 2000, PageH = 1500; // 0.1 mm
constexpr int Count = 50;

QString StringOf(int I) {
    static const QString words[] = {u"写真カレンダー"_qs, u"2027年 春"_qs, u"Happy Birthday"_qs,
                                    u"お誕生日おめでとう"_qs, u"家族旅行"_qs};
    return words[I % 5];
}

TRect PlaceOf(int I) {
    const int col = I % 5, row = I / 5;
    return TRect(40 + col * 390, 20 + row * 148, 40 + col * 390 + 360, 20 + row * 148 + 120);
}

void SetWave(TCoonsDistortion& D) {
    D.SetTopCount(2);
    D.SetRightCount(2);
    D.SetBottomCount(2);
    D.SetLeftCount(2);
    D.SetTopPoint(0, {0, 0.2L});
    D.SetTopPoint(1, {1, -0.2L});
    D.SetBottomPoint(0, {0, 0.8L});
    D.SetBottomPoint(1, {1, 1.2L});
}

std::unique_ptr<TDrawSite> MakePage() {
    auto site = std::make_unique<TDrawSite>();
    site->Scaler().SetUnitDPI(254);
    site->SetLogWidth(PageW);
    site->SetLogHeight(PageH);
    site->SetBorder(false);
    for (int i = 0; i < Count; ++i) {
        auto* t = new TLOText(site.get());
        t->SetBoundsRect(PlaceOf(i));
        t->Font()->SetName(QStringLiteral("IPAPGothic"));
        t->Font()->SetSize(14);
        t->SetPlainText(StringOf(i));
        t->TextColor()->SetColor(0x802000);
        switch (i % 8) {
        case 1:
            t->SetOutline(true);
            t->OutlineColor()->SetColor(0x0000FF);
            t->SetOutLineWidth(3);
            break;
        case 2:
            t->SetShadow(8);
            t->ShadowColor()->SetColor(0x808080);
            break;
        case 3:
            t->TextColor()->SetKind(cskGradation);
            t->TextColor()->SetGradColNum(2);
            t->TextColor()->SetGradColor0(0x0000FF);
            t->TextColor()->SetGradColor1(0xFF0000);
            break;
        case 4:
            t->SetAngle(20);
            break;
        case 5:
            t->SetBulge(60);
            break;
        case 6:
            SetWave(*t->CoonsDistortion());
            break;
        case 7:
            t->SetBlendRatio(50);
            break;
        default:
            break;
        }
        site->AddObject(t);
    }
    return site;
}

// A white page; it is cleared once, so that the timings are those of the objects.
TBitmap MakeTarget(int Dpi) {
    TBitmap target(MulDiv(PageW, Dpi, 254), MulDiv(PageH, Dpi, 254), pf24bit);
    target.Canvas().Brush().SetColor(clWhite);
    target.Canvas().FillRect(TRect(0, 0, target.Width(), target.Height()));
    return target;
}

void Paint(TDrawSite& Site, TBitmap& Target, int Dpi) {
    // DrawTo scales from the target's resolution (the screen's, 96 dpi, for a bitmap).
    Site.DrawTo(Target.Canvas(), TPoint(0, 0), MulDiv(100, Dpi, 96));
}

void BM_TextPageFirstPaint(benchmark::State& State) {
    const int dpi = static_cast<int>(State.range(0));
    TBitmap target = MakeTarget(dpi);
    for (auto _ : State) {
        State.PauseTiming();
        auto site = MakePage();
        State.ResumeTiming();
        Paint(*site, target, dpi);
        benchmark::DoNotOptimize(target.ScanLine(0)[0]);
        State.PauseTiming();
        site.reset();
        State.ResumeTiming();
    }
    State.SetItemsProcessed(State.iterations() * Count);
}

void BM_TextPageRepaint(benchmark::State& State) {
    const int dpi = static_cast<int>(State.range(0));
    TBitmap target = MakeTarget(dpi);
    auto site = MakePage();
    Paint(*site, target, dpi);
    for (auto _ : State) {
        Paint(*site, target, dpi);
        benchmark::DoNotOptimize(target.ScanLine(0)[0]);
    }
    State.SetItemsProcessed(State.iterations() * Count);
}

void BM_QPainterDrawTextPeer(benchmark::State& State) {
    const int dpi = static_cast<int>(State.range(0));
    QImage page(MulDiv(PageW, dpi, 254), MulDiv(PageH, dpi, 254), QImage::Format_RGB888);
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(14 * dpi / 72);
    page.fill(Qt::white);
    for (auto _ : State) {
        QPainter p(&page);
        p.setFont(font);
        p.setPen(QColor(0, 0x20, 0x80));
        for (int i = 0; i < Count; ++i) {
            const TRect r = PlaceOf(i);
            p.drawText(QRect(MulDiv(r.Left, dpi, 254), MulDiv(r.Top, dpi, 254),
                             MulDiv(r.Width(), dpi, 254), MulDiv(r.Height(), dpi, 254)),
                       Qt::AlignLeft | Qt::AlignTop, StringOf(i));
        }
        p.end();
        benchmark::DoNotOptimize(page.constScanLine(0)[0]);
    }
    State.SetItemsProcessed(State.iterations() * Count);
}

} // namespace

BENCHMARK(BM_TextPageFirstPaint)->Arg(96)->Arg(600)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TextPageRepaint)->Arg(96)->Arg(600)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QPainterDrawTextPeer)->Arg(96)->Arg(600)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
