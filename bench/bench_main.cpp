// The benchmark program: the window benchmarks need a QApplication on the main thread.
#include "bench_support.h"

#include <QApplication>
#include <benchmark/benchmark.h>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    folio::bench::releaseWindows();
    benchmark::Shutdown();
    return 0;
}
