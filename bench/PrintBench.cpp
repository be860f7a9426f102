// Printing an A4 page with photos at 600 dpi to PDF: time and peak resident memory for 1, 2
// and 4 pages (copies), beside the peer `pdftoppm -r 600` rasterising the same PDF (its time
// including start-up and its peak resident size from the kernel's accounting of the child).
//
//   BM_PrintA4Photos600/N   N pages of the A4 sheet (one face covering the page, four photos
//                           of 3000 x 2000 pixels, a blended box over them), written to PDF
//   BM_PdfToPpm600/N        pdftoppm -r 600 over the PDF of N pages
//
// Counters: PeakMB is the peak resident size during the run (the kernel's high-water mark,
// reset before each run through /proc/self/clear_refs), so it shows whether memory stays flat
// as pages are added.

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
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

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

// The peak resident size of this process in MiB (VmHWM).
double PeakMB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
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
    double peak = 0;
    for (auto _ : State) {
        const bool reset = ResetPeak();
        QString error;
        if (!PrintToPdf(doc, PdfFile(pages), spec, &error)) {
            State.SkipWithError(error.toUtf8().constData());
            return;
        }
        peak = reset ? PeakMB() : 0;
    }
    State.counters["PeakMB"] = peak;
    State.counters["PdfMB"] = QFile(PdfFile(pages)).size() / (1024.0 * 1024.0);
}
BENCHMARK(BM_PrintA4Photos600)
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

void BM_PdfToPpm600(benchmark::State& State) {
    const int pages = static_cast<int>(State.range(0));
    const std::string pdf = QFile::encodeName(PdfFile(pages)).toStdString();
    const std::string out = QFile::encodeName(WorkDir() + "/ppm").toStdString();
    if (!QFile::exists(PdfFile(pages))) {
        State.SkipWithError("run BM_PrintA4Photos600 first (its PDF is the input)");
        return;
    }
    double peak = 0;
    for (auto _ : State) {
        const char* argv[] = {"pdftoppm", "-r", "600", "-png", pdf.c_str(), out.c_str(), nullptr};
        pid_t pid = 0;
        if (posix_spawnp(&pid, "pdftoppm", nullptr, nullptr, const_cast<char**>(argv), environ) !=
            0) {
            State.SkipWithError("pdftoppm (poppler-utils) is not installed");
            return;
        }
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        peak = usage.ru_maxrss / 1024.0;
    }
    State.counters["PeakMB"] = peak;
}
BENCHMARK(BM_PdfToPpm600)->Arg(1)->Arg(2)->Arg(4)->Iterations(2)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
