// Opening a stand of 9999 entries with A4 pages through "Open stand…" while the small demo stand
// is open, from the command to the main window's first paint with both pages, set against a
// fresh start of the program on the same stand (process start to that paint); the two run turn
// about as child processes in the same run. Memory: the process's peak resident memory once the
// big stand is shown as the second stand, set against the fresh start's: nothing of the first
// stand may stay.
#include "bench_support.h"
#include "demo/generator/demo_installation.h"

#include <QStringList>
#include <filesystem>
#include <stdexcept>

namespace folio::bench {
namespace {

struct TwoStands {
    TwoStands() : small("open-small"), big("open-big") {
        QString error;
        if (!demo::generateDemoInstallation(small.path(), demo::DemoOptions(), &error))
            throw std::runtime_error(error.toStdString());
        writeA4Installation(big.path());
    }
    ScratchFolder small;
    ScratchFolder big;
};

// One child's figures: the milliseconds to the first paint with both pages and the peak memory;
// for the opening, the memory resident with the first stand shown, just before the command.
struct Shown {
    double ms = 0;
    double peakMB = 0;
    double beforeMB = 0;
};

// The small stand is open, the big one is opened from the menu: milliseconds from the command.
bool openSecond(const TwoStands& stands, Shown& shown) {
    ChildReport report;
    long long started = 0;
    if (!runChild("folio_open_stand_probe", {QString::fromStdString(stands.big.path().string())},
                  stands.small.path(), report, &started) ||
        report["open_ns"].size() != 1 || report["first_paint_ns"].size() != 1 ||
        report["peak_kB"].size() != 1 || report["before_open_rss_kB"].size() != 1)
        return false;
    shown.ms = static_cast<double>(report["first_paint_ns"][0] - report["open_ns"][0]) / 1e6;
    shown.peakMB = static_cast<double>(report["peak_kB"][0]) / 1e3;
    shown.beforeMB = static_cast<double>(report["before_open_rss_kB"][0]) / 1e3;
    return true;
}

// The program started on the big stand: milliseconds from the process's start.
bool startFresh(const TwoStands& stands, Shown& shown) {
    ChildReport report;
    long long started = 0;
    if (!runChild("folio_startup_probe", {}, stands.big.path(), report, &started) ||
        report["first_paint_ns"].size() != 1 || report["peak_kB"].size() != 1)
        return false;
    shown.ms = static_cast<double>(report["first_paint_ns"][0] - started) / 1e6;
    shown.peakMB = static_cast<double>(report["peak_kB"][0]) / 1e3;
    return true;
}

void BM_OpenSecondStand(benchmark::State& state) {
    static TwoStands stands;
    std::vector<double> open, fresh, ratio, openPeakMB, freshPeakMB, beforeOpenMB;
    std::size_t turn = 0;
    for (auto _ : state) {
        // Turn about which goes first, so that neither always finds the page files cached by
        // the other or the machine busier.
        const bool freshFirst = turn++ % 2 == 1;
        Shown opened;
        Shown started;
        const bool ran = freshFirst ? startFresh(stands, started) && openSecond(stands, opened)
                                    : openSecond(stands, opened) && startFresh(stands, started);
        if (!ran) {
            state.SkipWithError("a child program did not report its first paint with both pages");
            return;
        }
        state.SetIterationTime(opened.ms / 1e3);
        open.push_back(opened.ms);
        fresh.push_back(started.ms);
        ratio.push_back(opened.ms / started.ms);
        openPeakMB.push_back(opened.peakMB);
        freshPeakMB.push_back(started.peakMB);
        beforeOpenMB.push_back(opened.beforeMB);
    }
    reportMilliseconds(state, "open", open);
    reportMilliseconds(state, "fresh", fresh);
    state.counters["open_ms"] = medianOf(open);
    state.counters["fresh_ms"] = medianOf(fresh);
    state.counters["ratio_median"] = medianOf(ratio);
    state.counters["open_peak_MB"] = medianOf(openPeakMB);
    state.counters["fresh_peak_MB"] = medianOf(freshPeakMB);
    state.counters["memory_ratio"] = medianOf(openPeakMB) / medianOf(freshPeakMB);
    // The small stand alone: what the process holds before the big stand is asked for.
    state.counters["before_open_MB"] = medianOf(beforeOpenMB);
}
// Eleven turns, as the start-up benchmark: single starts on a shared machine vary by a fifth.
BENCHMARK(BM_OpenSecondStand)->UseManualTime()->Iterations(11)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace folio::bench
