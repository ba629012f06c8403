// Start-up of the main program on an installation of 9999 entries with A4 pages, from process
// start to the main window's first paint with both pages, set against a bare Qt Widgets window
// of the same size that decodes the same two pages; both are started as child processes in the
// same run. Memory: the program's peak resident memory at that paint and after scrolling back
// through 1000 entries, set against the bare window's plus the archive file's bytes.
#include "bench_support.h"

#include <QStringList>
#include <filesystem>

namespace folio::bench {
namespace {

constexpr int kScrolledEntries = 1000;

struct Installation9999 {
    Installation9999() : folder("startup") { writeA4Installation(folder.path()); }
    ScratchFolder folder;
};

// Runs a child program on folder; the milliseconds from its start to its first paint with both
// pages go to *ms. False if it reported no paint.
bool runToFirstPaint(const char* name, const QStringList& arguments,
                     const std::filesystem::path& folder, ChildReport& report, double* ms) {
    long long start = 0;
    if (!runChild(name, arguments, folder, report, &start) ||
        report["first_paint_ns"].size() != 1 || report["peak_kB"].size() != 1)
        return false;
    *ms = static_cast<double>(report["first_paint_ns"][0] - start) / 1e6;
    return true;
}

QStringList numbers(const std::vector<long long>& values) {
    QStringList list;
    for (long long value : values)
        list << QString::number(value);
    return list;
}

void BM_StartUp(benchmark::State& state) {
    static Installation9999 installation;
    const std::filesystem::path& folder = installation.folder.path();
    const double archiveMB =
        static_cast<double>(std::filesystem::file_size(folder / "spartiti" / "archivio.js")) / 1e6;
    std::vector<double> program, floor, ratio, peakMB, scrolledMB, floorMB;
    for (auto _ : state) {
        ChildReport shown;
        double programMs = 0;
        if (!runToFirstPaint("folio_startup_probe", {QString::number(kScrolledEntries)}, folder,
                             shown, &programMs) ||
            shown["window"].size() != 4 || shown["left"].size() != 4 ||
            shown["right"].size() != 4 || shown["position"].size() != 1 ||
            shown["scrolled_peak_kB"].size() != 1) {
            state.SkipWithError("the program did not report its first paint with both pages");
            return;
        }
        const std::string position = std::to_string(shown["position"][0]);
        QStringList arguments = numbers({shown["window"][2], shown["window"][3]});
        arguments << numbers(shown["left"]) << numbers(shown["right"])
                  << QString::fromStdString("spartiti/" + position + "L.jpg")
                  << QString::fromStdString("spartiti/" + position + "R.jpg");
        ChildReport bare;
        double floorMs = 0;
        if (!runToFirstPaint("folio_startup_floor", arguments, folder, bare, &floorMs)) {
            state.SkipWithError("the bare window did not report its first paint");
            return;
        }
        state.SetIterationTime(programMs / 1e3);
        program.push_back(programMs);
        floor.push_back(floorMs);
        ratio.push_back(programMs / floorMs);
        peakMB.push_back(static_cast<double>(shown["peak_kB"][0]) / 1e3);
        scrolledMB.push_back(static_cast<double>(shown["scrolled_peak_kB"][0]) / 1e3);
        floorMB.push_back(static_cast<double>(bare["peak_kB"][0]) / 1e3 + archiveMB);
    }
    reportMilliseconds(state, "startup", program);
    reportMilliseconds(state, "floor", floor);
    state.counters["ratio_median"] = medianOf(ratio);
    state.counters["peak_MB"] = medianOf(peakMB);
    state.counters["scrolled_peak_MB"] = medianOf(scrolledMB);
    state.counters["floor_MB"] = medianOf(floorMB);
    state.counters["memory_ratio"] = medianOf(peakMB) / medianOf(floorMB);
    state.counters["scrolled_memory_ratio"] = medianOf(scrolledMB) / medianOf(floorMB);
    state.counters["archive_MB"] = archiveMB;
}
// Eleven starts: on a shared machine single starts vary by a fifth either way, and the median of
// five moved by as much as a change being measured.
BENCHMARK(BM_StartUp)->UseManualTime()->Iterations(11)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace folio::bench
