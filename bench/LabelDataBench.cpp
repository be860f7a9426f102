// Opening a label document and reading its first sheet (settings, sheet names, every label
// with its pictures): the time until the editor can show the document. Two documents of the
// same structure and the same first sheet are measured in the same run: a small one (about
// 2 MB) and a large one (about 200 MB, large photos on the further sheets). Opening reads only what
// the first sheet needs, so the two times should stay close; the ratio large / small is printed at
// the end.
//
//   build-bench/bench/LabelDataBench [--benchmark_repetitions=N]

#include "UClasses.h"
#include "UDOList.h"
#include "UDrawObject.h"
#include "ULabelData.h"
#include "UPictureEx.h"
#include "USafetyBitmap.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <random>

namespace {

// A photo object: a rectangle with one picture property.
class TBenchPhoto : public TLORectBase {
    Q_OBJECT
    Q_PROPERTY(TPictureEx* Picture READ Picture WRITE SetPicture)
public:
    explicit TBenchPhoto(TComponent* Owner = nullptr)
        : TLORectBase(Owner), FPicture(std::make_unique<TPictureEx>()) {}
    TPictureEx* Picture() const { return FPicture.get(); }
    void SetPicture(TPictureEx* Value) { FPicture->Assign(Value); }
    void ResizeTo(int W, int H) override {
        SetBoundsRect(TRect(Left(), Top(), Left() + W, Top() + H));
    }
    void DrawOutline(TCanvas&) override {}

private:
    std::unique_ptr<TPictureEx> FPicture;
};

// A bitmap of noise: it does not compress, so the file holds its full size.
std::unique_ptr<TPictureEx> NoisePicture(int W, int H, unsigned Seed) {
    TBitmap Bitmap(W, H, pf24bit);
    std::mt19937 Random(Seed);
    for (int y = 0; y < H; ++y) {
        auto* Row = reinterpret_cast<uint32_t*>(Bitmap.ScanLine(y));
        for (int x = 0; x < W * 3 / 4; ++x)
            Row[x] = Random();
    }
    auto Picture = std::make_unique<TPictureEx>();
    Picture->SetGraphic(std::make_unique<TSafetyBitmap>(Bitmap));
    return Picture;
}

void WritePhotos(TLabelData& Doc, int Label, int Count, int W, int H, unsigned Seed) {
    TDOList Objects;
    for (int i = 0; i < Count; ++i) {
        auto* Photo = new TBenchPhoto;
        Photo->SetBoundsRect(TRect(10 * i, 10 * i, 10 * i + 400, 10 * i + 300));
        Photo->Picture()->Assign(NoisePicture(W, H, Seed + i).get());
        Objects.Add(Photo);
    }
    Doc.WriteLabel(Label, Objects);
    Objects.FreeObjects();
}

// The same first sheet (one label, two photos of about 0.9 MB together), then ExtraSheets
// sheets of ExtraPhotos photos of Side x Side pixels each (3 bytes a pixel).
void BuildDocument(const QString& FileName, int ExtraSheets, int ExtraPhotos, int Side) {
    TLabelData Doc;
    WritePhotos(Doc, 0, 2, 400, 400, 1);
    for (int s = 0; s < ExtraSheets; ++s) {
        Doc.NewSheet();
        WritePhotos(Doc, 0, ExtraPhotos, Side, Side, 100 + 10 * s);
    }
    Doc.SetSheet(0);
    Doc.SaveToFile(FileName);
}

int64_t OpenFirstSheet(const QString& FileName) {
    TLabelData Doc;
    Doc.LoadFromFile(FileName);
    int64_t Pixels = Doc.SheetNames().size();
    for (int Label = 0; Label < Doc.PaperInfo()->GetFaceCount(); ++Label) {
        TDOList Objects;
        Doc.ReadLabel(Label, Objects, true);
        for (TDrawObject* O : Objects)
            if (auto* Photo = qobject_cast<TBenchPhoto*>(O))
                Pixels += Photo->Picture()->Width();
        Objects.FreeObjects();
    }
    return Pixels;
}

QTemporaryDir* Folder = nullptr;
QString SmallFile, LargeFile;

void BM_OpenFirstSheet(benchmark::State& State, const QString* File) {
    for (auto _ : State)
        benchmark::DoNotOptimize(OpenFirstSheet(*File));
    State.counters["MB"] = double(QFileInfo(*File).size()) / 1e6;
}
BENCHMARK_CAPTURE(BM_OpenFirstSheet, small_2MB, &SmallFile)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenFirstSheet, large_200MB, &LargeFile)->Unit(benchmark::kMillisecond);

double MedianMs(const QString& File, int Runs) {
    std::vector<double> Times;
    for (int i = 0; i < Runs; ++i) {
        QElapsedTimer Timer;
        Timer.start();
        benchmark::DoNotOptimize(OpenFirstSheet(File));
        Times.push_back(Timer.nsecsElapsed() / 1e6);
    }
    std::sort(Times.begin(), Times.end());
    return Times[Times.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication App(argc, argv);
    RegisterLabelDataClasses();
    RegisterClasses<TBenchPhoto>();
    QTemporaryDir Dir;
    Folder = &Dir;
    SmallFile = Dir.filePath(QStringLiteral("small.vtd"));
    LargeFile = Dir.filePath(QStringLiteral("large.vtd"));
    // The same structure (23 sheets, 67 photos): only the size of the photos differs.
    BuildDocument(SmallFile, 22, 3, 70);
    BuildDocument(LargeFile, 22, 3, 1000);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const double Small = MedianMs(SmallFile, 15);
    const double Large = MedianMs(LargeFile, 15);
    std::printf("first sheet, median of 15: %.1f MB in %.2f ms, %.1f MB in %.2f ms, ratio %.2f\n",
                QFileInfo(SmallFile).size() / 1e6, Small, QFileInfo(LargeFile).size() / 1e6, Large,
                Large / Small);
    return 0;
}

#include "LabelDataBench.moc"
