// The archive store on 9999 entries (load, save and what a save is made of) and the field
// reader's counting pass set against a plain read-and-scan of the same 45 MB file.
#include "bench_support.h"
#include "core/archive/score_archive.h"
#include "core/files/file_ops.h"
#include "core/files/read_limits.h"
#include "core/format/field_reader.h"
#include "core/format/line_writer.h"
#include "core/versions/versions.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <random>
#include <stdexcept>
#include <unistd.h>

namespace folio::bench {
namespace {

using Clock = std::chrono::steady_clock;

// An installation whose archive holds 9999 entries of everyday length.
struct LargeArchive {
    LargeArchive() : folder("store"), installation(folder.path()) {
        std::filesystem::create_directories(folder.path() / "spartiti");
        archive.setEntryCount(ScoreArchive::kMaxEntries);
        for (int n = 1; n <= ScoreArchive::kMaxEntries; ++n) {
            ScoreEntry& entry = archive.slot(n);
            entry.title = "Sonata in C major, movement " + std::to_string(n % 4 + 1);
            entry.author = "Composer number " + std::to_string(n % 211);
            entry.tags = "piano classic sonata study " + std::to_string(n);
            entry.category = std::to_string(n % 33 + 1);
        }
        FileResult saved = saveArchive(archive, installation);
        if (!saved.ok)
            throw std::runtime_error(saved.error);
    }

    ScratchFolder folder;
    Installation installation;
    ScoreArchive archive;
};

LargeArchive& largeArchive() {
    static LargeArchive archive;
    return archive;
}

void BM_LoadArchive(benchmark::State& state) {
    LargeArchive& fixture = largeArchive();
    ScoreArchive target;
    for (auto _ : state) {
        loadArchive(target, fixture.installation);
        benchmark::DoNotOptimize(target.entryCount());
    }
    if (target.entryCount() != ScoreArchive::kMaxEntries)
        state.SkipWithError("the archive did not load whole");
}
BENCHMARK(BM_LoadArchive)->Unit(benchmark::kMillisecond);

void BM_SaveArchive(benchmark::State& state) {
    LargeArchive& fixture = largeArchive();
    for (auto _ : state) {
        FileResult saved = saveArchive(fixture.archive, fixture.installation);
        if (!saved.ok) {
            state.SkipWithError(saved.error.c_str());
            return;
        }
    }
}
BENCHMARK(BM_SaveArchive)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadPlusSaveArchive(benchmark::State& state) {
    LargeArchive& fixture = largeArchive();
    for (auto _ : state) {
        loadArchive(fixture.archive, fixture.installation);
        FileResult saved = saveArchive(fixture.archive, fixture.installation);
        if (!saved.ok) {
            state.SkipWithError(saved.error.c_str());
            return;
        }
    }
}
BENCHMARK(BM_LoadPlusSaveArchive)->Unit(benchmark::kMillisecond)->UseRealTime();

// The parts of a save: building the bytes, and writing them with the syncs of an atomic
// rewrite, so that the disk's share of the save shows.
void BM_SaveArchive_BuildBytes(benchmark::State& state) {
    LargeArchive& fixture = largeArchive();
    for (auto _ : state)
        benchmark::DoNotOptimize(archiveFileBytes(fixture.archive));
}
BENCHMARK(BM_SaveArchive_BuildBytes)->Unit(benchmark::kMillisecond);

void BM_SaveArchive_RewriteOnly(benchmark::State& state) {
    LargeArchive& fixture = largeArchive();
    const std::string bytes = archiveFileBytes(fixture.archive);
    const std::filesystem::path file = fixture.folder.path() / "rewrite.js";
    for (auto _ : state) {
        if (!rewriteAtomically(file, bytes).ok) {
            state.SkipWithError("rewrite failed");
            return;
        }
    }
    state.counters["bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_SaveArchive_RewriteOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SaveArchive_WriteWithoutSync(benchmark::State& state) {
    LargeArchive& fixture = largeArchive();
    const std::string bytes = archiveFileBytes(fixture.archive);
    const std::filesystem::path file = fixture.folder.path() / "nosync.js";
    for (auto _ : state) {
        int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        bool ok = fd >= 0 &&
                  ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        if (fd >= 0)
            ::close(fd);
        if (!ok) {
            state.SkipWithError("write failed");
            return;
        }
    }
}
BENCHMARK(BM_SaveArchive_WriteWithoutSync)->Unit(benchmark::kMillisecond)->UseRealTime();

// A 45 MB file laid out like the data files: 170000 records of 17 quoted value lines.
struct LargeDataFile {
    static constexpr int kRecords = 170000;
    static constexpr int kFieldsPerRecord = 17;

    LargeDataFile() : folder("fields"), path(folder.path() / "large.js") {
        std::mt19937 random(17);
        LineWriter writer;
        writer.reserve(46u << 20);
        writer.line("var midi = [");
        std::string value;
        for (int record = 0; record < kRecords; ++record) {
            for (int field = 0; field < kFieldsPerRecord; ++field) {
                value.assign(6 + random() % 10, 'a');
                for (char& c : value)
                    c = static_cast<char>('a' + random() % 26);
                writer.quotedValue(value);
            }
        }
        writer.line(" ];");
        if (!rewriteAtomically(path, writer.bytes()).ok)
            throw std::runtime_error("cannot write " + path.string());
        size = writer.bytes().size();
    }

    ScratchFolder folder;
    std::filesystem::path path;
    std::size_t size = 0;
};

// Both passes in one run: the reader's counting pass (read the file, count its fields) and a
// plain read of the same file with a memchr scan for line ends; the ratio is the figure.
void BM_FieldCountingPass_vs_PlainScan(benchmark::State& state) {
    static LargeDataFile file;
    std::vector<double> reader, plain, ratio;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        std::optional<std::string> bytes = readWholeFile(file.path, kArchiveFileLimit).content();
        std::size_t fields = bytes ? countFields(*bytes) : 0;
        double readerMs = millisecondsSince(start);
        benchmark::DoNotOptimize(fields);

        start = Clock::now();
        std::optional<std::string> again = readWholeFile(file.path, kArchiveFileLimit).content();
        std::size_t lines = again ? countLinesWithMemchr(*again) : 0;
        double plainMs = millisecondsSince(start);
        benchmark::DoNotOptimize(lines);

        if (fields + 2 != 2 * lines) {
            state.SkipWithError("the field count does not match the file");
            return;
        }
        state.SetIterationTime(readerMs / 1e3);
        reader.push_back(readerMs);
        plain.push_back(plainMs);
        ratio.push_back(readerMs / plainMs);
    }
    reportMilliseconds(state, "reader", reader);
    reportMilliseconds(state, "plain", plain);
    state.counters["ratio_median"] = medianOf(ratio);
    state.counters["MB"] = static_cast<double>(file.size) / 1e6;
}
BENCHMARK(BM_FieldCountingPass_vs_PlainScan)
    ->UseManualTime()
    ->Iterations(15)
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace folio::bench

namespace folio::bench {
namespace {

// A save that keeps the earlier archivio.js as a version, against the plain save in the same
// run, turn about; versions pile up to what pruning keeps, as in a long session.
void BM_SaveArchive_KeepingVersion(benchmark::State& state) {
    LargeArchive& fixture = largeArchive();
    compareKeepingVersion(state, [&](bool keepingVersion) {
        // As the main window's save: the entries of the file as last saved are known.
        KeepVersion keep;
        keep.what = "save";
        keep.count = std::size_t{ScoreArchive::kMaxEntries};
        const Clock::time_point start = Clock::now();
        const FileResult saved =
            saveArchive(fixture.archive, fixture.installation, keepingVersion ? &keep : nullptr);
        const double ms = millisecondsSince(start);
        return !saved.ok || (keepingVersion && keep.folder.empty()) ? -1.0 : ms;
    });
    state.counters["versions"] = static_cast<double>(listVersions(fixture.installation).size());
}
BENCHMARK(BM_SaveArchive_KeepingVersion)
    ->UseManualTime()
    ->Iterations(30)
    ->Unit(benchmark::kMillisecond);

// Listing 500 versions for the "Restore…" window: only their small record files are read.
void BM_ListVersions_500(benchmark::State& state) {
    ScratchFolder folder("versions");
    const Installation installation(folder.path());
    std::filesystem::create_directories(folder.path() / "spartiti");
    if (!rewriteAtomically(dataFilePath(installation, DataFile::Archive),
                           "var archivio = [\r\n ];\r\n")
             .ok) {
        state.SkipWithError("the archive could not be written");
        return;
    }
    for (int k = 0; k < 500; ++k) {
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "2026-01-%02d %02d-%02d-00", k / 100 + 1, k / 60 % 24,
                      k % 60);
        KeepVersion keep;
        keep.what = "save";
        keep.count = 0;
        keep.stamp = stamp;
        keepVersion(installation, DataFile::Archive, keep);
    }
    std::size_t listed = 0;
    for (auto _ : state) {
        listed = listVersions(installation).size();
        benchmark::DoNotOptimize(listed);
    }
    if (listed != 500)
        state.SkipWithError("not every version was listed");
    state.counters["versions"] = static_cast<double>(listed);
}
BENCHMARK(BM_ListVersions_500)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace folio::bench
