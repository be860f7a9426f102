// Opening a compound file reads its header, sector tables and directory only, so opening a
// large file and reading one small stream costs about what it costs on a small file with the
// same tree. Both files below hold the same 26 elements; in the large one 25 of them are
// 8 MB streams (200 MB in all).

#include "UCompoundFile.h"

#include <QByteArray>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int BulkStreams = 25;
constexpr int TargetSize = 300;

QByteArray Filler(qsizetype Size, char Seed) {
    QByteArray b(Size, Seed);
    for (qsizetype i = 0; i < Size; i += 4096)
        b[i] = static_cast<char>(i / 4096);
    return b;
}

void MakeFile(const QString& Name, qsizetype BulkSize) {
    auto file = TCompoundFile::Create(Name);
    auto root = file->Root();
    auto pictures = root->CreateStorage("Pictures");
    for (int i = 0; i < BulkStreams; ++i)
        pictures->CreateStream(QStringLiteral("Picture%1").arg(i))
            ->WriteBytes(Filler(BulkSize, char(i)));
    root->CreateStream("Target")->WriteBytes(Filler(TargetSize, 'T'));
    file->Commit();
}

struct TFiles {
    QTemporaryDir Dir;
    QString Small = Dir.filePath("small.cfb");
    QString Large = Dir.filePath("large.cfb");
    TFiles() {
        MakeFile(Small, 2000);
        MakeFile(Large, 8 * 1024 * 1024);
    }
};

TFiles& Files() {
    static TFiles files;
    return files;
}

void OpenAndReadTarget(benchmark::State& State, bool Large) {
    const QString name = Large ? Files().Large : Files().Small;
    char buffer[TargetSize];
    for (auto _ : State) {
        auto file = TCompoundFile::Open(name, false);
        auto target = file->Root()->OpenStream("Target", false);
        target->ReadBuffer(buffer, TargetSize);
        benchmark::DoNotOptimize(buffer);
    }
}

void ReadOneLargeStream(benchmark::State& State) {
    auto file = TCompoundFile::Open(Files().Large, false);
    auto pictures = file->Root()->OpenStorage("Pictures");
    QByteArray buffer(8 * 1024 * 1024, Qt::Uninitialized);
    for (auto _ : State) {
        auto s = pictures->OpenStream("Picture7", false);
        s->ReadBuffer(buffer.data(), buffer.size());
        benchmark::DoNotOptimize(buffer.data());
    }
    State.SetBytesProcessed(State.iterations() * buffer.size());
}

} // namespace

BENCHMARK_CAPTURE(OpenAndReadTarget, SmallFile, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(OpenAndReadTarget, LargeFile200MB, true)->Unit(benchmark::kMicrosecond);
BENCHMARK(ReadOneLargeStream)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
