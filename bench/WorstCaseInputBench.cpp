// Inputs built to be slow: a holiday file of huge ranges and 20000 lines, a dotted line two
// billion pixels long of which a hundred are on the bitmap, and a document whose paper claims
// ten billion faces while one label is stored (reading refuses such a paper; one set through
// the program's own calls must still cost only what is stored). Each must take a fraction of
// a second; the tests check only what they produce.

#include "UBitmap.h"
#include "UCanvas.h"
#include "UDOList.h"
#include "UHolidays.h"
#include "ULORect.h"
#include "ULabelData.h"
#include "UPaperInfo.h"
#include "UStringList.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QTemporaryDir>

namespace {

void BM_HolidayFileOfHugeRanges(benchmark::State& State) {
    TStringList lines;
    QStringList text{"[HolidayName]",
                     "0,A",
                     "1,B",
                     "2,C",
                     "[HolidayDef]",
                     "0-4294967296;0-99999999999;-99999999999999999999;0",
                     "99999999999-;1;1;1",
                     "2000;99999999999-;1;1"};
    for (int i = 0; i < 20000; ++i)
        text << QStringLiteral("*;*;1-30;%1").arg(i % 3);
    lines.SetText(text.join(u'\n'));
    for (auto _ : State) {
        THolidays h;
        h.LoadFromStrings(lines);
        benchmark::DoNotOptimize(h.HolidayIndex(2000, 1, 31));
    }
}
BENCHMARK(BM_HolidayFileOfHugeRanges)->Unit(benchmark::kMillisecond);

void BM_FarOffDottedLine(benchmark::State& State) {
    TBitmap b(100, 10, pf24bit);
    TCanvas& c = b.Canvas();
    c.Pen().SetStyle(psDot);
    c.SetBkMode(TRANSPARENT);
    for (auto _ : State) {
        c.MoveTo(-1000000000, 5);
        c.LineTo(1000000000, 5);
        benchmark::DoNotOptimize(b.GetPixel(0, 5));
    }
}
BENCHMARK(BM_FarOffDottedLine)->Unit(benchmark::kMicrosecond);

// Applying a style to other sheets, changing the paper and saving, on a document whose
// paper claims 100000 x 100000 faces (more than an int counts) and holds one label.
void BM_PaperOfTenBillionFaces(benchmark::State& State) {
    QTemporaryDir dir;
    TMatrixPaperInfo paper;
    paper.SetWidth(2100);
    paper.SetHeight(2970);
    paper.SetFaceWidth(900);
    paper.SetFaceHeight(600);
    paper.SetFaceCountX(100000);
    paper.SetFaceCountY(100000);
    TLabelData doc;
    doc.SetPaperInfo(&paper);
    TDOList objects;
    TLORect rect;
    rect.SetBoundsRect(TRect(0, 0, 100, 100));
    objects.Add(&rect);
    doc.WriteLabel(1, objects);
    doc.NewSheet();
    const QString file = dir.filePath(QStringLiteral("huge.vtd"));
    for (auto _ : State) {
        doc.ApplyConnected(objects);
        doc.ChangePaper(doc.PaperInfo());
        doc.SaveToFile(file);
    }
}
BENCHMARK(BM_PaperOfTenBillionFaces)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    RegisterLabelDataClasses();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
