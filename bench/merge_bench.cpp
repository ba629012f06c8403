// Archive merging: absorbing 5000 scores with their 10000 A4 pages, set against a plain copy of
// the same files in the same run, and loading a 10000-entry source archive into merging.
#include "bench_support.h"
#include "core/absorption/absorption.h"
#include "core/files/file_ops.h"
#include "demo/generator/demo_installation.h"
#include "platform/dialogs.h"
#include "windows/common/shared_state.h"
#include "windows/merging/merging_host.h"
#include "windows/merging/merging_window.h"

#include <QListWidget>
#include <chrono>
#include <stdexcept>

namespace folio::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kAbsorbedEntries = 5000;

// The other stand: 5000 entries, each with an A4 left and right page (a few distinct pages
// hard-linked under every name).
struct OtherStand {
    OtherStand() : folder("merge-source") {
        demo::DemoOptions options;
        options.entries = kAbsorbedEntries;
        options.pageSize = QSize(2480, 3508);
        options.distinctPages = 8;
        options.everyEntryHasPages = true;
        QString error;
        if (!demo::generateDemoInstallation(folder.path(), options, &error))
            throw std::runtime_error(error.toStdString());
    }
    ScratchFolder folder;
};

OtherStand& otherStand() {
    static OtherStand stand;
    return stand;
}

// This stand before each absorption: an archive of 200 scores and no pages.
void resetThisStand(const fs::path& root, ScoreArchive& archive) {
    fs::remove_all(root);
    fs::create_directories(root / "spartiti");
    archive.clear();
    for (int n = 1; n <= 200; ++n)
        archive.slot(n) = {std::to_string(n), "Own score " + std::to_string(n), "Me", "own", "1"};
    archive.setEntryCount(200);
    if (!saveArchive(archive, Installation(root)).ok)
        throw std::runtime_error("this stand's archive could not be written");
}

// Every page of the source copied under its name, file by file, as a plain copy does it, and
// on the disk at the end like the absorption's copies.
void plainCopy(const fs::path& source, const fs::path& target) {
    fs::remove_all(target);
    fs::create_directories(target);
    for (int n = 1; n <= kAbsorbedEntries; ++n)
        for (const char* side : {"L.jpg", "R.jpg"}) {
            const std::string name = std::to_string(n) + side;
            fs::copy_file(source / "spartiti" / name, target / name,
                          fs::copy_options::overwrite_existing);
        }
    syncFileSystem(target);
}

void BM_Absorb_5000Entries(benchmark::State& state) {
    OtherStand& other = otherStand();
    ScratchFolder scratch("merge-target");
    const fs::path here = scratch.path() / "here";
    const fs::path plain = scratch.path() / "plain";
    ScoreArchive archive;
    std::vector<double> ratios, absorbMs, plainMs, writeMs;
    for (auto _ : state) {
        state.PauseTiming();
        resetThisStand(here, archive);
        const double plainTime = [&] {
            const Clock::time_point start = Clock::now();
            plainCopy(other.folder.path(), plain);
            return millisecondsSince(start);
        }();
        fs::remove_all(plain);
        syncFileSystem(scratch.path());
        state.ResumeTiming();

        const Clock::time_point start = Clock::now();
        SourceArchive source;
        loadSourceArchive(other.folder.path(), source);
        std::vector<int> rows(source.entries.size());
        for (std::size_t i = 0; i < rows.size(); ++i)
            rows[i] = static_cast<int>(i);
        const Clock::time_point writeStart = Clock::now();
        const Absorption done = appendAndWrite(archive, Installation(here), other.folder.path(),
                                               collectMarked(source, rows));
        const double writeTime = millisecondsSince(writeStart);
        const std::vector<UncopiedPage> uncopied = copyPages(done.copies);
        const double absorbTime = millisecondsSince(start);
        if (done.outcome != Absorption::Outcome::Appended || done.count != kAbsorbedEntries ||
            !uncopied.empty()) {
            state.SkipWithError("the absorption did not complete");
            return;
        }
        state.SetIterationTime(absorbTime / 1000.0);
        ratios.push_back(absorbTime / plainTime);
        absorbMs.push_back(absorbTime);
        plainMs.push_back(plainTime);
        writeMs.push_back(writeTime);
    }
    std::sort(ratios.begin(), ratios.end());
    state.counters["ratio_median"] = ratios[ratios.size() / 2];
    reportMilliseconds(state, "absorb", absorbMs);
    reportMilliseconds(state, "plain_copy", plainMs);
    reportMilliseconds(state, "append_and_write", writeMs);
}
BENCHMARK(BM_Absorb_5000Entries)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// The archive write of an absorption alone, on a quiet disk: 5000 source entries appended to
// an archive of 200 and archivio.js written atomically and read back.
void BM_Absorb_ArchiveWrite_5000Entries(benchmark::State& state) {
    ScratchFolder scratch("merge-write");
    const fs::path here = scratch.path() / "here";
    ScoreArchive archive;
    resetThisStand(here, archive);
    SourceArchive source;
    for (int n = 1; n <= kAbsorbedEntries; ++n)
        source.entries.push_back({std::to_string(n), "Study No. " + std::to_string(n),
                                  "Composer " + std::to_string(n % 211), "study exercise", "7"});
    std::vector<int> rows(source.entries.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = static_cast<int>(i);
    const std::vector<ScoreEntry> marked = collectMarked(source, rows);
    for (auto _ : state) {
        state.PauseTiming();
        archive.setEntryCount(200);
        state.ResumeTiming();
        const Absorption done =
            appendAndWrite(archive, Installation(here), fs::path("/nowhere"), marked);
        if (done.outcome != Absorption::Outcome::Appended) {
            state.SkipWithError(done.error.c_str());
            return;
        }
    }
}
BENCHMARK(BM_Absorb_ArchiveWrite_5000Entries)->UseRealTime()->Unit(benchmark::kMillisecond);

class NoHost : public MergingHost {
public:
    void showAbsorptionWindow() override {}
    void reopenMainWindow() override {}
    bool settleTypedAfterLast() override { return true; }
};

void BM_MergingWindow_Load10000(benchmark::State& state) {
    ScratchFolder folder("merge-load");
    ScoreArchive source;
    for (int n = 1; n <= ScoreArchive::kMaxEntries; ++n)
        source.slot(n) = {std::to_string(n), "Sonata in C major, movement " + std::to_string(n),
                          "Composer " + std::to_string(n % 211), "piano sonata", "1"};
    source.setEntryCount(ScoreArchive::kMaxEntries);
    std::string bytes = archiveFileBytes(source);
    // One entry more than the archive holds: the source's 10000th.
    bytes.insert(bytes.size() - 5, "\"10000\",\r\n\"Last\",\r\n\"\",\r\n\"\",\r\n\"0\",\r\n");
    fs::create_directories(folder.path() / "spartiti");
    if (!rewriteAtomically(folder.path() / "spartiti" / "archivio.js", bytes).ok)
        throw std::runtime_error("the source archive could not be written");

    SharedState shared{Installation(folder.path())};
    for (int n = 1; n <= 3000; ++n)
        shared.archive.slot(n) = source.slot(n * 3);
    shared.archive.setEntryCount(3000);
    shared.mergeSourceFolder = folder.path().string();
    SilentDialogs dialogs;
    NoHost host;
    for (auto _ : state) {
        merging window(shared, dialogs, host);
        if (window.List1->count() != 10000) {
            state.SkipWithError("the list does not hold 10000 titles");
            return;
        }
    }
}
BENCHMARK(BM_MergingWindow_Load10000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace folio::bench
