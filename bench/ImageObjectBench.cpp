// A 24-megapixel photo (6000 x 4000 JPEG) placed as an image object 270 x 180 mm and drawn on
// a design surface at 100 % on a 96 dpi screen (1020 x 680 pixels): the time and the peak
// growth of the resident memory of one first draw, beside `vips thumbnail` making a picture
// of the same size from the same file (its time including start-up, its peak resident size
// from the kernel's accounting of child processes).
//
//   BM_ImageObjectFirstDraw   the first paint of a placed object: the decode at the scale
//                             the zoom needs and the stretch
//   BM_ImageObjectPlaceAndDraw the loaded picture given to a new object, which is painted
//                             (a picture given to an object's image data is decoded in full
//                             at once: the image data's own rule)
//   BM_ImageObjectLoadAndDraw the file read, given to a new object, painted
//   BM_VipsThumbnail         vips thumbnail photo.jpg out.jpg 1020 --height 680

#include "BenchImage.h"
#include "UDrawSite.h"
#include "ULOImage.h"
#include "UObjectFactory.h"
#include "UPictureFormats.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <sys/resource.h>

namespace {

constexpr int PhotoWidth = 6000;
constexpr int PhotoHeight = 4000;
// The object: 270 x 180 mm, in 0.1 mm.
constexpr int ObjectWidth = 2700;
constexpr int ObjectHeight = 1800;
// 100 % on a 96 dpi screen.
constexpr int ScreenWidth = ObjectWidth * 96 / 254;
constexpr int ScreenHeight = ObjectHeight * 96 / 254;

QString PhotoFile() {
    const QString dir =
        QStandardPaths::writableLocation(QStandardPaths::TempLocation) + "/vantomi-bench";
    QDir().mkpath(dir);
    return dir + "/photo24mp.jpg";
}

// Writes the photo once: smooth shapes with noise, JPEG quality 90.
bool PreparePhoto() {
    static const bool ready = [] {
        if (QFile::exists(PhotoFile()))
            return true;
        QImage photo(PhotoWidth, PhotoHeight, QImage::Format_RGB888);
        uint32_t seed = 42;
        for (int y = 0; y < PhotoHeight; ++y) {
            uchar* row = photo.scanLine(y);
            for (int x = 0; x < PhotoWidth; ++x) {
                seed = seed * 1664525u + 1013904223u;
                const int noise = static_cast<int>(seed >> 27);
                const double s = std::sin(x * 0.004) * std::cos(y * 0.006);
                row[3 * x] = static_cast<uchar>(std::clamp(128 + s * 100 + noise, 0.0, 255.0));
                row[3 * x + 1] = static_cast<uchar>((x / 23 + y / 17 + noise) & 255);
                row[3 * x + 2] = static_cast<uchar>(((x / 40) * (y / 40) + noise) & 255);
            }
        }
        return photo.save(PhotoFile(), "JPEG", 90);
    }();
    return ready;
}

// A surface at 0.1 mm per unit, shown at 100 % on a 96 dpi screen.
std::unique_ptr<TDrawSite> MakeSite() {
    auto site = std::make_unique<TDrawSite>();
    site->Scaler().SetUnitDPI(254);
    site->SetLogWidth(ObjectWidth);
    site->SetLogHeight(ObjectHeight);
    return site;
}

// A new image with Picture on Site, owned by the surface.
TLOImage* Place(TDrawSite& Site, const TPictureEx& Picture) {
    auto* image = new TLOImage();
    image->SetBoundsRect(TRect(0, 0, ObjectWidth, ObjectHeight));
    image->ImageData()->Picture()->Assign(&Picture);
    Site.InsertObject(image);
    Site.AddObject(image);
    return image;
}

// Paints the surface into Screen.
void Draw(TDrawSite& Site, TBitmap& Screen, const TLOImage& Image) {
    Site.PaintWindow(Screen.Canvas(), Site.ClientRect());
    if (Image.PaintFailed())
        throw Exception(QStringLiteral("the image failed to paint"));
}

void PlaceAndDraw(TDrawSite& Site, TBitmap& Screen, const TPictureEx& Picture) {
    std::unique_ptr<TLOImage> image(Place(Site, Picture));
    Draw(Site, Screen, *image);
}

void Report(benchmark::State& State, int64_t PeakBytes) {
    State.counters["peak_MB"] = static_cast<double>(PeakBytes) / (1024.0 * 1024.0);
    State.counters["screen_px"] = ScreenWidth * ScreenHeight;
}

void BM_ImageObjectFirstDraw(benchmark::State& State) {
    if (!PreparePhoto()) {
        State.SkipWithError("the photo could not be written");
        return;
    }
    TPictureEx picture;
    picture.LoadFromFile(PhotoFile());
    auto site = MakeSite();
    TBitmap screen(site->TControl::Width(), site->TControl::Height(), pf24bit);
    int64_t peak = 0;
    for (auto _ : State) {
        State.PauseTiming();
        std::unique_ptr<TLOImage> image(Place(*site, picture));
        State.ResumeTiming();
        peak = std::max(peak, BenchImage::PeakGrowthBytes([&] { Draw(*site, screen, *image); }));
    }
    Report(State, peak);
}

void BM_ImageObjectPlaceAndDraw(benchmark::State& State) {
    if (!PreparePhoto()) {
        State.SkipWithError("the photo could not be written");
        return;
    }
    TPictureEx picture;
    picture.LoadFromFile(PhotoFile());
    auto site = MakeSite();
    TBitmap screen(site->TControl::Width(), site->TControl::Height(), pf24bit);
    int64_t peak = 0;
    for (auto _ : State)
        peak = std::max(peak,
                        BenchImage::PeakGrowthBytes([&] { PlaceAndDraw(*site, screen, picture); }));
    Report(State, peak);
}

void BM_ImageObjectLoadAndDraw(benchmark::State& State) {
    if (!PreparePhoto()) {
        State.SkipWithError("the photo could not be written");
        return;
    }
    auto site = MakeSite();
    TBitmap screen(site->TControl::Width(), site->TControl::Height(), pf24bit);
    int64_t peak = 0;
    for (auto _ : State)
        peak = std::max(peak, BenchImage::PeakGrowthBytes([&] {
                            TPictureEx picture;
                            picture.LoadFromFile(PhotoFile());
                            PlaceAndDraw(*site, screen, picture);
                        }));
    Report(State, peak);
}

void BM_VipsThumbnail(benchmark::State& State) {
    if (!PreparePhoto() || std::system("which vips >/dev/null 2>&1") != 0) {
        State.SkipWithError("vips or the photo is not available");
        return;
    }
    const QString out = QFileInfo(PhotoFile()).absolutePath() + "/vips-thumbnail.jpg";
    const std::string command = "vips thumbnail " + PhotoFile().toStdString() + " " +
                                out.toStdString() + " " + std::to_string(ScreenWidth) +
                                " --height " + std::to_string(ScreenHeight) + " >/dev/null 2>&1";
    for (auto _ : State)
        if (std::system(command.c_str()) != 0) {
            State.SkipWithError("vips thumbnail failed");
            return;
        }
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    State.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    State.counters["screen_px"] = ScreenWidth * ScreenHeight;
}

} // namespace

BENCHMARK(BM_ImageObjectFirstDraw)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_ImageObjectPlaceAndDraw)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ImageObjectLoadAndDraw)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_VipsThumbnail)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RegisterPictureFormats();
    RegisterObjectClasses();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
