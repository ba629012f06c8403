// The MIDI store on a midi.js at its capacity of 170000 records (about 45 MB): opening the
// window set against a plain read-and-scan of the file, saving one entry set against a plain
// write of the same bytes, and the memory the store holds.
#include "bench_support.h"
#include "core/files/file_ops.h"
#include "core/files/read_limits.h"
#include "core/format/line_writer.h"
#include "core/midi/midi_store.h"
#include "platform/dialogs.h"
#include "windows/common/shared_state.h"
#include "windows/midi/midifrm.h"

#include <QLineEdit>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <stdexcept>
#include <unistd.h>

namespace folio::bench {
namespace {

using Clock = std::chrono::steady_clock;

// Answers nothing, and ends the measurement at any error: a benchmark of a failing save
// would measure nothing.
class FailLoudDialogs : public SilentDialogs {
public:
    void error(QWidget*, const QString& text) override {
        throw std::runtime_error(text.toStdString());
    }
};

// An installation whose midi.js holds 170000 records of three-digit values, one per key.
struct FullMidiFile {
    static constexpr int kOpenedEntry = 5000;

    FullMidiFile() : folder("midi"), installation(folder.path()), state(installation) {
        std::filesystem::create_directories(folder.path() / "spartiti");
        std::mt19937 random(4);
        LineWriter writer;
        writer.reserve(46u << 20);
        writer.line("var midi = [");
        char channel[16];
        for (int record = 1; record <= MidiStore::kMaxRecords; ++record) {
            writer.quotedValue(std::to_string(record));
            for (int c = 0; c < kMidiChannels; ++c) {
                std::snprintf(channel, sizeof channel, "%03u,%03u,%03u",
                              static_cast<unsigned>(random() % 128),
                              static_cast<unsigned>(random() % 128),
                              static_cast<unsigned>(random() % 128));
                writer.quotedValue(channel);
            }
        }
        writer.line(" ];");
        size = writer.bytes().size();
        path = installation.resolve(kMidiFileName);
        if (!rewriteAtomically(path, writer.bytes()).ok)
            throw std::runtime_error("cannot write " + path.string());
        state.archive.slot(kOpenedEntry).title = "Entry with a set-up";
        state.archive.setEntryCount(9999);
        state.currentEntryNumber = kOpenedEntry;
    }

    ScratchFolder folder;
    Installation installation;
    SharedState state;
    std::filesystem::path path;
    std::size_t size = 0;
};

FullMidiFile& fullMidiFile() {
    static FullMidiFile file;
    return file;
}

// Opening the window (loading midi.js, filling the grid of one entry and showing it) and, in
// the same run, reading the file whole and scanning it for line ends.
void BM_MidiWindow_Open(benchmark::State& state) {
    FullMidiFile& file = fullMidiFile();
    FailLoudDialogs dialogs;
    std::vector<double> open, plain, ratio;
    std::size_t held = 0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        auto* window = new midifrm(file.state, dialogs);
        window->show();
        const double openMs = millisecondsSince(start);
        if (window->MSB[1]->text() == "000" ||
            window->store().recordCount() != MidiStore::kMaxRecords) {
            state.SkipWithError("the window did not show the entry's record");
            delete window;
            return;
        }
        held = window->store().heldBytes();
        delete window;

        start = Clock::now();
        std::optional<std::string> bytes = readWholeFile(file.path, kMidiFileLimit).content();
        const std::size_t lines = bytes ? countLinesWithMemchr(*bytes) : 0;
        const double plainMs = millisecondsSince(start);
        benchmark::DoNotOptimize(lines);

        state.SetIterationTime(openMs / 1e3);
        open.push_back(openMs);
        plain.push_back(plainMs);
        ratio.push_back(openMs / plainMs);
    }
    reportMilliseconds(state, "open", open);
    reportMilliseconds(state, "plain", plain);
    state.counters["ratio_median"] = medianOf(ratio);
    state.counters["store_bytes"] = static_cast<double>(held);
    state.counters["store_per_file_byte"] =
        static_cast<double>(held) / static_cast<double>(file.size);
    state.counters["MB"] = static_cast<double>(file.size) / 1e6;
}
BENCHMARK(BM_MidiWindow_Open)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);

// Writes bytes to path the plain way: open, write, optionally sync, close.
bool plainWrite(const std::filesystem::path& path, const std::string& bytes, bool sync) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ok = (!sync || ::fsync(fd) == 0) && ok;
    return ::close(fd) == 0 && ok;
}

// Saving one entry of the full store and, in the same run, plain writes of the same bytes. A
// save is an atomic rewrite synced to disk, so the figure is its ratio to a plain write that is
// synced too; the ratio to a write left in the page cache is reported beside it.
void BM_MidiStore_Save(benchmark::State& state) {
    FullMidiFile& file = fullMidiFile();
    MidiStore store;
    store.load(file.installation);
    MidiGrid grid;
    grid.fill("001,002,003");
    const std::string bytes = store.fileBytes(FullMidiFile::kOpenedEntry, grid).value();
    const std::filesystem::path copy = file.folder.path() / "plain.js";
    std::vector<double> save, plain, plainSynced, ratioUnsynced, ratio;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        const FileResult saved = store.save(file.installation, FullMidiFile::kOpenedEntry, grid);
        const double saveMs = millisecondsSince(start);
        if (!saved.ok) {
            state.SkipWithError(saved.error.c_str());
            return;
        }
        start = Clock::now();
        const bool written = plainWrite(copy, bytes, false);
        const double plainMs = millisecondsSince(start);
        start = Clock::now();
        const bool synced = plainWrite(copy, bytes, true);
        const double syncedMs = millisecondsSince(start);
        if (!written || !synced) {
            state.SkipWithError("the plain write failed");
            return;
        }
        state.SetIterationTime(saveMs / 1e3);
        save.push_back(saveMs);
        plain.push_back(plainMs);
        plainSynced.push_back(syncedMs);
        ratioUnsynced.push_back(saveMs / plainMs);
        ratio.push_back(saveMs / syncedMs);
    }
    if (readWholeFile(file.path, kMidiFileLimit).content() != bytes)
        state.SkipWithError("the saved file is not the bytes of the save");
    reportMilliseconds(state, "save", save);
    reportMilliseconds(state, "plain_unsynced", plain);
    reportMilliseconds(state, "plain_synced", plainSynced);
    state.counters["ratio_median"] = medianOf(ratio);
    state.counters["ratio_unsynced_median"] = medianOf(ratioUnsynced);
    state.counters["store_bytes"] = static_cast<double>(store.heldBytes());
    state.counters["MB"] = static_cast<double>(bytes.size()) / 1e6;
}
BENCHMARK(BM_MidiStore_Save)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace folio::bench

namespace folio::bench {
namespace {

// The atomic rewrite of the whole file alone, the disk's share of a save.
void BM_MidiStore_Save_RewriteOnly(benchmark::State& state) {
    FullMidiFile& file = fullMidiFile();
    const std::string bytes =
        readWholeFile(file.path, kMidiFileLimit).content().value_or(std::string());
    const std::filesystem::path target = file.folder.path() / "rewrite.js";
    for (auto _ : state) {
        if (!rewriteAtomically(target, bytes).ok) {
            state.SkipWithError("rewrite failed");
            return;
        }
    }
}
BENCHMARK(BM_MidiStore_Save_RewriteOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace folio::bench

namespace folio::bench {
namespace {

// A MIDI save that keeps the earlier midi.js as a version, against the plain save in the same
// run, turn about.
void BM_MidiStore_Save_KeepingVersion(benchmark::State& state) {
    FullMidiFile& file = fullMidiFile();
    MidiStore store;
    store.load(file.installation);
    MidiGrid grid;
    grid.fill("004,005,006");
    compareKeepingVersion(state, [&](bool keepingVersion) {
        KeepVersion keep;
        keep.what = "midi";
        const Clock::time_point start = Clock::now();
        const FileResult saved = store.save(file.installation, FullMidiFile::kOpenedEntry, grid,
                                            keepingVersion ? &keep : nullptr);
        const double ms = millisecondsSince(start);
        return !saved.ok || (keepingVersion && keep.folder.empty()) ? -1.0 : ms;
    });
    state.counters["records"] = store.recordCount();
}
BENCHMARK(BM_MidiStore_Save_KeepingVersion)
    ->UseManualTime()
    ->Iterations(15)
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace folio::bench
