// Shared pieces of the benchmarks: a temporary folder that outlives one benchmark, the
// large A4 archive the scroll benchmarks walk, and per-step figures summed up as medians.
#pragma once

#include "platform/dialogs.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <string>
#include <vector>

namespace folio::bench {

// A folder below the system's temporary folder, removed with the object.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& tag);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Entries of the scroll benchmark's archive.
inline constexpr int kScrollEntries = 9999;

// Writes a demo installation of kScrollEntries entries whose every entry has an A4 page at
// 300 dpi on the left and on the right, a few distinct pages hard-linked under each entry's names.
void writeA4Installation(const std::filesystem::path& folder);

// Milliseconds per step, summed up into median / 90th percentile / maximum counters.
void reportMilliseconds(benchmark::State& state, const std::string& name,
                        std::vector<double> values);

// Message boxes that show nothing and answer No, for windows under measurement.
class SilentDialogs : public Dialogs {
public:
    void message(QWidget*, const QString&, const QString&) override {}
    void error(QWidget*, const QString&) override {}
    bool question(QWidget*, const QString&, const QString&) override { return false; }
};

// Closes the windows the benchmarks opened; call before the QApplication ends.
void releaseWindows();

// CPU time the calling thread has used so far, in milliseconds.
double threadCpuMilliseconds();

} // namespace folio::bench
