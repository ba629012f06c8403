// Importing 100 two-page PDF files as new scores through "Import scores…", set against Qt's own
// drawing and JPEG writing of the same 200 pages one after another (the floor), each in a child
// process of its own (bench/import/import_probe.cpp) so that its peak memory is its own: the
// time from "Import" to the end, the window thread's longest stall, the peak memory growth, and
// the processor time per page drawn and encoded (the import's drawer and writer threads; the
// floor's drawing and writing, timed around each call). And what drawing in two processes at once
// would give: the floor's files split between two child processes, against one.
#include "bench_support.h"
#include "demo/generator/demo_installation.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStringList>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>

namespace folio::bench {
namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 100;
constexpr int kPages = 2 * kFiles;
// Entries of the stand imported into: a large archive, with room for the new scores.
constexpr int kStandEntries = 9000;
// An A4 page at 200 dpi, decoded: 1654 x 2339 pixels of 4 bytes.
constexpr double kDecodedPageMB = 1654.0 * 2339.0 * 4.0 / 1e6;
// The import's worker threads: one draws, one encodes and writes.
constexpr int kWorkers = 2;

// The 100 files, written once per run: the demo's two-page A4 score under 100 names.
struct ScoreFiles {
    ScoreFiles() : folder("import-pdfs") {
        const fs::path first = folder.path() / "Imported study 1.pdf";
        QString error;
        if (!demo::writeDemoPdf(first, 2, &error))
            throw std::runtime_error(error.toStdString());
        for (int n = 2; n <= kFiles; ++n)
            fs::copy_file(first, folder.path() / ("Imported study " + std::to_string(n) + ".pdf"));
    }
    QString path() const { return QString::fromStdString(folder.path().string()); }
    ScratchFolder folder;
};

// The stand imported into, written once per run; each import gets a copy of its own whose files
// are hard links (the program replaces files, it never writes into them).
struct TemplateStand {
    TemplateStand() : folder("import-stand") {
        demo::DemoOptions options;
        options.entries = kStandEntries;
        options.pageSize = QSize(120, 170);
        options.distinctPages = 4;
        QString error;
        if (!demo::generateDemoInstallation(folder.path(), options, &error))
            throw std::runtime_error(error.toStdString());
    }
    ScratchFolder folder;
};

const ScoreFiles& scoreFiles() {
    static const ScoreFiles files;
    return files;
}

// The lines "<name> <number>" a child program reported, by name.
using Report = std::map<std::string, long long>;

// A child program started, its report read once it has ended.
class Probe {
public:
    explicit Probe(const QStringList& arguments) {
        child_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child_.start(QCoreApplication::applicationDirPath() + QStringLiteral("/folio_import_probe"),
                     arguments);
    }
    // The report, or nothing when the child failed.
    std::optional<Report> finish() {
        if (!child_.waitForFinished(300000)) {
            child_.kill();
            child_.waitForFinished();
            return std::nullopt;
        }
        if (child_.exitStatus() != QProcess::NormalExit || child_.exitCode() != 0)
            return std::nullopt;
        Report report;
        std::istringstream lines(child_.readAllStandardOutput().toStdString());
        for (std::string line; std::getline(lines, line);) {
            std::istringstream words(line);
            std::string key;
            long long value = 0;
            if (words >> key >> value)
                report[key] = value;
        }
        return report;
    }

private:
    QProcess child_;
};

std::optional<Report> runFloor(const fs::path& out, int first, int count) {
    return Probe({QStringLiteral("floor"), scoreFiles().path(),
                  QString::fromStdString(out.string()), QString::number(first),
                  QString::number(count)})
        .finish();
}

std::optional<Report> runImport(const fs::path& stand, bool inProcesses) {
    return Probe({inProcesses ? QStringLiteral("import-in-processes") : QStringLiteral("import"),
                  QString::fromStdString(stand.string()), scoreFiles().path()})
        .finish();
}

double ms(const Report& report, const char* microseconds) {
    const auto found = report.find(microseconds);
    return found == report.end() ? -1 : static_cast<double>(found->second) / 1e3;
}

double megabytes(const Report& report, const char* kilobytes) {
    const auto found = report.find(kilobytes);
    return found == report.end() || found->second < 0 ? -1
                                                      : static_cast<double>(found->second) / 1e3;
}

void BM_ImportScores_100(benchmark::State& state) {
    static const TemplateStand stand;
    scoreFiles();
    std::vector<double> imported, floor, ratio, stall, busy, click, finish, drawn, encoded,
        floorDrawn, floorEncoded, drawnSystem, floorSystem, runQueue, peak, sampledPeak, floorPeak;
    bool importFirst = true;
    for (auto _ : state) {
        ScratchFolder scratch("import-run");
        const fs::path copy = scratch.path() / "stand";
        fs::copy(stand.folder.path(), copy,
                 fs::copy_options::recursive | fs::copy_options::create_hard_links);
        std::optional<Report> ours, bare;
        // Taken in turns first and second, so that neither always finds the caches warm.
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn == 0) == importFirst)
                ours = runImport(copy, state.range(0) == 1);
            else
                bare = runFloor(scratch.path() / "floor", 0, kFiles);
        }
        importFirst = !importFirst;
        if (!ours || (*ours)["written"] != kFiles) {
            state.SkipWithError("the import did not write the 100 scores");
            return;
        }
        if (!bare || (*bare)["pages"] != kPages) {
            state.SkipWithError("the floor did not write the 200 pages");
            return;
        }
        const double importMs = ms(*ours, "import_us");
        const double floorMs = ms(*bare, "loop_us");
        state.SetIterationTime(importMs / 1e3);
        imported.push_back(importMs);
        floor.push_back(floorMs);
        ratio.push_back(importMs / floorMs);
        stall.push_back(ms(*ours, "stall_us"));
        busy.push_back(ms(*ours, "busy_us"));
        // Processor time of the import's drawer and writer threads, per page.
        drawn.push_back(ms(*ours, "draw_cpu_us") / kPages);
        encoded.push_back(ms(*ours, "write_cpu_us") / kPages);
        floorDrawn.push_back(ms(*bare, "draw_us") / kPages);
        floorEncoded.push_back(ms(*bare, "encode_us") / kPages);
        // The window thread's work at the click and at the end (the archive saved, the report).
        click.push_back(ms(*ours, "click_us"));
        finish.push_back(ms(*ours, "finish_us"));
        // The system's share: mostly the page faults of the memory the PDF engine takes and
        // gives back for each page.
        drawnSystem.push_back(ms(*ours, "drawer_system_us") / kPages);
        floorSystem.push_back(ms(*bare, "floor_system_us") / kPages);
        // How long the drawer could have run but waited for a processor.
        runQueue.push_back(ms(*ours, "draw_runqueue_us"));
        peak.push_back(megabytes(*ours, "peak_growth_kB"));
        sampledPeak.push_back(megabytes(*ours, "sampled_growth_kB"));
        floorPeak.push_back(megabytes(*bare, "peak_growth_kB"));
    }
    reportMilliseconds(state, "import", imported);
    reportMilliseconds(state, "floor", floor);
    state.counters["import_ms"] = medianOf(imported);
    state.counters["floor_ms"] = medianOf(floor);
    state.counters["ratio"] = medianOf(ratio);
    state.counters["ratio_max"] = *std::max_element(ratio.begin(), ratio.end());
    state.counters["longest_stall_ms"] = *std::max_element(stall.begin(), stall.end());
    state.counters["longest_busy_ms"] = *std::max_element(busy.begin(), busy.end());
    state.counters["click_ms"] = *std::max_element(click.begin(), click.end());
    state.counters["finish_ms"] = *std::max_element(finish.begin(), finish.end());
    state.counters["draw_ms_per_page"] = medianOf(drawn);
    state.counters["draw_system_ms_per_page"] = medianOf(drawnSystem);
    state.counters["floor_system_ms_per_page"] = medianOf(floorSystem);
    state.counters["drawer_waited_for_cpu_ms"] = medianOf(runQueue);
    state.counters["encode_ms_per_page"] = medianOf(encoded);
    state.counters["floor_draw_ms_per_page"] = medianOf(floorDrawn);
    state.counters["floor_encode_ms_per_page"] = medianOf(floorEncoded);
    state.counters["peak_MB"] = *std::max_element(peak.begin(), peak.end());
    state.counters["sampled_peak_MB"] = *std::max_element(sampledPeak.begin(), sampledPeak.end());
    state.counters["floor_peak_MB"] = medianOf(floorPeak);
    state.counters["peak_allowed_MB"] = medianOf(floorPeak) + 2 * kWorkers * kDecodedPageMB;
}
// Arg 0: drawn by a thread of the program; 1: by worker processes, as the program draws them.
// In processes, the peak is the program's own: each worker's is about the floor's.
BENCHMARK(BM_ImportScores_100)
    ->ArgName("processes")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

// The floor's 200 pages in one process, and split in two halves drawn by two processes at once:
// the wall time from the first process's first page to the last one's last.
void BM_FloorInTwoProcesses_100(benchmark::State& state) {
    scoreFiles();
    std::vector<double> one, two, speedup;
    bool singleFirst = true;
    for (auto _ : state) {
        ScratchFolder scratch("import-floor");
        std::optional<Report> single, a, b;
        // Taken in turns first and second, so that neither always finds the caches warm.
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn == 0) == singleFirst) {
                single = runFloor(scratch.path() / "one", 0, kFiles);
                continue;
            }
            const QString out = QString::fromStdString((scratch.path() / "two").string());
            Probe firstHalf({QStringLiteral("floor"), scoreFiles().path(), out, QString::number(0),
                             QString::number(kFiles / 2)});
            Probe secondHalf({QStringLiteral("floor"), scoreFiles().path(), out,
                              QString::number(kFiles / 2), QString::number(kFiles - kFiles / 2)});
            a = firstHalf.finish();
            b = secondHalf.finish();
        }
        singleFirst = !singleFirst;
        if (!single || !a || !b || (*single)["pages"] != kPages ||
            (*a)["pages"] + (*b)["pages"] != kPages) {
            state.SkipWithError("a floor process did not write its pages");
            return;
        }
        const double oneMs = ms(*single, "loop_us");
        const double twoMs = static_cast<double>(std::max((*a)["end_ns"], (*b)["end_ns"]) -
                                                 std::min((*a)["start_ns"], (*b)["start_ns"])) /
                             1e6;
        state.SetIterationTime(twoMs / 1e3);
        one.push_back(oneMs);
        two.push_back(twoMs);
        speedup.push_back(oneMs / twoMs);
    }
    reportMilliseconds(state, "one_process", one);
    reportMilliseconds(state, "two_process", two);
    state.counters["one_process_ms"] = medianOf(one);
    state.counters["two_process_ms"] = medianOf(two);
    state.counters["speedup"] = medianOf(speedup);
}
BENCHMARK(BM_FloorInTwoProcesses_100)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace folio::bench
