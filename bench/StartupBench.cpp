// Start-up: from starting the program's process to the first paint of the layout editor's
// page (goal: under 1 s), on the offscreen platform. The program reports the moment with
// its "--startup-report" option and ends; the time is taken here, from process start to
// that line, so loading the libraries counts too.
//
//   build-bench/bench/StartupBench
//
// Cold: a fresh user home each run (no settings, the per-user folders made on the way).
// Warm: the same home every run.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// One start; answers the seconds to the report line, or a negative number on failure.
double StartOnce(const QString& Home) {
    for (const char* name : {"config", "data", "cache", "runtime"})
        QDir(Home).mkpath(QLatin1String(name));
    QFile::setPermissions(Home + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), Home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), Home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), Home + QStringLiteral("/cache"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), Home + QStringLiteral("/runtime"));
    QProcess program;
    program.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    program.start(QStringLiteral(VANTOMI_EXECUTABLE), {QStringLiteral("--startup-report")});
    QByteArray out;
    while (!out.contains("first-page-painted-ms")) {
        if (!program.waitForReadyRead(30000))
            return -1;
        out += program.readAllStandardOutput();
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    program.waitForFinished(30000);
    return seconds;
}

void Run(benchmark::State& State, bool Fresh) {
    QTemporaryDir warm;
    for (auto _ : State) {
        QTemporaryDir cold;
        const double seconds = StartOnce(Fresh ? cold.path() : warm.path());
        if (seconds < 0) {
            State.SkipWithError("the program did not report its first paint");
            return;
        }
        State.SetIterationTime(seconds);
    }
}

void BM_StartToFirstPaintCold(benchmark::State& State) {
    Run(State, true);
}
void BM_StartToFirstPaintWarm(benchmark::State& State) {
    Run(State, false);
}

} // namespace

BENCHMARK(BM_StartToFirstPaintCold)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_StartToFirstPaintWarm)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
