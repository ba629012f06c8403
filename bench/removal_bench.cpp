// Removing score 1 of 9999, each with two pages and a recording: about 30000 renames, against
// the bare renames of the same files done in one loop, in the same run.
#include "bench_support.h"
#include "core/archive/score_archive.h"
#include "core/files/file_ops.h"
#include "core/removal/removal.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

namespace folio::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kEntries = 9999;

// A stand of 9999 scores, each with its two pages and a recording of a few bytes.
void writeStand(const fs::path& root) {
    fs::create_directories(root / "spartiti" / "audio");
    ScoreArchive archive;
    archive.setEntryCount(kEntries);
    for (int n = 1; n <= kEntries; ++n) {
        archive.slot(n) = {"", "Song " + std::to_string(n), "Author", "tag", "0"};
        const std::string number = std::to_string(n);
        for (const fs::path& file :
             {root / "spartiti" / (number + "L.jpg"), root / "spartiti" / (number + "R.jpg"),
              root / "spartiti" / "audio" / (number + ".mp3")}) {
            std::FILE* out = std::fopen(file.c_str(), "wb");
            std::fputs("x", out);
            std::fclose(out);
        }
    }
    if (!rewriteAtomically(root / "spartiti" / "archivio.js", archiveFileBytes(archive)).ok)
        throw std::runtime_error("cannot write the archive");
}

// The floor: the same files moved the same way, with rename() in one loop.
double bareRenames(const fs::path& root) {
    const Clock::time_point start = Clock::now();
    for (const char* suffix : {"L.jpg", "R.jpg"})
        std::rename((root / "spartiti" / ("1" + std::string(suffix))).c_str(),
                    (root / ("gone" + std::string(suffix))).c_str());
    std::rename((root / "spartiti" / "audio" / "1.mp3").c_str(), (root / "gone.mp3").c_str());
    for (int n = 2; n <= kEntries; ++n) {
        const std::string from = std::to_string(n);
        const std::string to = std::to_string(n - 1);
        std::rename((root / "spartiti" / (from + "L.jpg")).c_str(),
                    (root / "spartiti" / (to + "L.jpg")).c_str());
        std::rename((root / "spartiti" / (from + "R.jpg")).c_str(),
                    (root / "spartiti" / (to + "R.jpg")).c_str());
        std::rename((root / "spartiti" / "audio" / (from + ".mp3")).c_str(),
                    (root / "spartiti" / "audio" / (to + ".mp3")).c_str());
    }
    return millisecondsSince(start);
}

void BM_RemoveFirstOf9999(benchmark::State& state) {
    std::vector<double> removal, floor, ratio;
    int iteration = 0;
    for (auto _ : state) {
        ScratchFolder scratch("remove");
        const fs::path ours = scratch.path() / "ours";
        const fs::path bare = scratch.path() / "bare";
        writeStand(ours);
        writeStand(bare);
        std::string why;
        const std::optional<RemovalPlan> plan = planRemoval(kEntries, {1}, why);
        // Taken in turns first and second, so that neither always finds the caches warm.
        double floorMs = 0;
        if (iteration % 2 == 1)
            floorMs = bareRenames(bare);
        const Clock::time_point start = Clock::now();
        const RemovalReport report = removeScores(Installation(ours), *plan,
                                                  "2026-01-01 00-00-0" + std::to_string(iteration));
        const double removalMs = millisecondsSince(start);
        if (iteration++ % 2 == 0)
            floorMs = bareRenames(bare);
        if (!report.ok) {
            state.SkipWithError(report.error.c_str());
            return;
        }
        state.SetIterationTime(removalMs / 1e3);
        removal.push_back(removalMs);
        floor.push_back(floorMs);
        ratio.push_back(removalMs / floorMs);
    }
    reportMilliseconds(state, "removal", removal);
    reportMilliseconds(state, "renames", floor);
    state.counters["ratio_median"] = medianOf(ratio);
}
BENCHMARK(BM_RemoveFirstOf9999)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace folio::bench
