// Printing an A4 page with photos at 600 dpi to PDF: time and peak resident memory for 1, 2
// and 4 pages (copies), beside the peer `pdftoppm -r 600` rasterising the same PDF (its time
// including start-up and its own peak resident size).
//
//   BM_PrintA4Photos600/N   N pages of the A4 sheet (one face covering the page, four photos
//                           of 3000 x 2000 pixels, a blended box over them), written to PDF
//   BM_PdfToPpm600/N        pdftoppm -r 600 over the PDF of N pages
//
// Counters: PeakMB is the peak resident size during the run (the kernel's high-water mark,
// reset before each run through /proc/self/clear_refs), StartMB the resident size when the
// run starts (the document with its photos, Qt), so PeakMB - StartMB is what printing takes
// and the rows show whether it stays flat as pages are added.

#include "UDOList.h"
#include "UImageData.h"
#include "ULOImage.h"
#include "ULORect.h"
#include "ULabelData.h"
#include "UObjectFactory.h"
#include "UPNGImage.h"
#include "UPaperInfo.h"
#include "UPictureEx.h"
#include "UPrintCommand.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QStandardPaths>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

QString WorkDir() {
    const QString dir =
        QStandardPaths::writableLocation(QStandardPaths::TempLocation) + "/vantomi-bench";
    QDir().mkpath(dir);
    return dir;
}

QString PdfFile(int Pages) {
    return WorkDir() + QStringLiteral("/print-a4-%1.pdf").arg(Pages);
}

// Resets the peak resident size of this process; false when the kernel does not allow it.
bool ResetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    return static_cast<bool>(clear);
}

// A size line of /proc/self/status ("VmHWM:" peak, "VmRSS:" now) in MiB.
double StatusMB(const std::string& Key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(Key, 0) == 0)
            return std::stod(line.substr(Key.size())) / 1024.0;
    return 0;
}

// A 3000 x 2000 photo-like picture (smooth shapes with noise).
std::unique_ptr<TPictureEx> Photo(int Seed) {
    QImage image(3000, 2000, QImage::Format_RGB888);
    uint32_t state = 42 + Seed;
    for (int y = 0; y < image.height(); ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            const int noise = static_cast<int>(state >> 28);
            const double s = std::sin(x * 0.004 + Seed) * std::cos(y * 0.006);
            row[3 * x] = static_cast<uchar>(std::clamp(128 + s * 100 + noise, 0.0, 255.0));
            row[3 * x + 1] = static_cast<uchar>((x / 23 + y / 17 + noise + Seed * 40) & 255);
            row[3 * x + 2] = static_cast<uchar>(((x / 40) * (y / 40) + noise) & 255);
        }
    }
    auto png = std::make_unique<TPNGImage>();
    png->SetImage(image);
    auto picture = std::make_unique<TPictureEx>();
    picture->SetGraphic(std::move(png));
    return picture;
}

// The document: A4 with one face covering it, four photos and a blended box.
TLabelData& Document() {
    static TLabelData* doc = [] {
        RegisterLabelDataClasses();
        RegisterObjectClasses();
        auto* d = new TLabelData;
        TMatrixPaperInfo paper;
        paper.SetWidth(2100);
        paper.SetHeight(2970);
        paper.SetFaceCountX(1);
        paper.SetFaceCountY(1);
        paper.SetFaceWidth(2100);
        paper.SetFaceHeight(2970);
        d->SetPaperInfo(&paper);
        TDOList list;
        for (int i = 0; i < 4; ++i) {
            auto* image = new TLOImage;
            image->ImageData()->SetPicture(Photo(i).get());
            const int x = 100 + (i % 2) * 1000, y = 150 + (i / 2) * 1400;
            image->SetBoundsRect(TRect(x, y, x + 900, y + 600));
            list.Add(image);
        }
        auto* box = new TLORect;
        box->SetBoundsRect(TRect(500, 500, 1600, 2400));
        box->FillColor()->SetColor(0xFF8040);
        box->SetFillInside(true);
        box->SetBlendRatio(40);
        list.Add(box);
        d->WriteLabel(0, list);
        list.FreeObjects();
        return d;
    }();
    return *doc;
}

void BM_PrintA4Photos600(benchmark::State& State) {
    const int pages = static_cast<int>(State.range(0));
    TLabelData& doc = Document();
    TPrintSpec spec;
    spec.Resolution = 600;
    spec.Copies = pages;
    double peak = 0, start = 0;
    for (auto _ : State) {
        const bool reset = ResetPeak();
        start = StatusMB("VmRSS:");
        QString error;
        if (!PrintToPdf(doc, PdfFile(pages), spec, &error)) {
            State.SkipWithError(error.toUtf8().constData());
            return;
        }
        peak = reset ? StatusMB("VmHWM:") : 0;
    }
    State.counters["StartMB"] = start;
    State.counters["PeakMB"] = peak;
    State.counters["PdfMB"] = QFile(PdfFile(pages)).size() / (1024.0 * 1024.0);
}
BENCHMARK(BM_PrintA4Photos600)
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void BM_PdfToPpm600(benchmark::State& State) {
    const int pages = static_cast<int>(State.range(0));
    const std::string pdf = QFile::encodeName(PdfFile(pages)).toStdString();
    const std::string out = QFile::encodeName(WorkDir() + "/ppm").toStdString();
    if (!QFile::exists(PdfFile(pages))) {
        State.SkipWithError("run BM_PrintA4Photos600 first (its PDF is the input)");
        return;
    }
    // The peak is measured by a small python3 spawner: a process started straight from
    // this one would report this process's own peak (the kernel keeps it across exec).
    const std::string script = "import resource,subprocess,sys\n"
                               "r=subprocess.run(sys.argv[1:]).returncode\n"
                               "print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)\n"
                               "sys.exit(r)\n";
    double peak = 0;
    for (auto _ : State) {
        const std::string command =
            "/usr/bin/python3 -c '" + script + "' pdftoppm -r 600 -png '" + pdf + "' '" + out + "'";
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) {
            State.SkipWithError("python3 cannot be started");
            return;
        }
        double kb = 0;
        if (fscanf(pipe, "%lf", &kb) != 1 || pclose(pipe) != 0) {
            State.SkipWithError("pdftoppm (poppler-utils) failed or is not installed");
            return;
        }
        peak = kb / 1024.0;
    }
    State.counters["PeakMB"] = peak;
}
BENCHMARK(BM_PdfToPpm600)->Arg(1)->Arg(2)->Arg(4)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
