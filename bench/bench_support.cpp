// The benchmarks' temporary folders, the A4 archive and the per-step summaries.
#include "bench_support.h"

#include "demo/generator/demo_installation.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <algorithm>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace folio::bench {
namespace fs = std::filesystem;

ScratchFolder::ScratchFolder(const std::string& tag) {
    std::random_device seed;
    path_ = fs::temp_directory_path() / ("folio-bench-" + tag + "-" + std::to_string(::getpid()) +
                                         "-" + std::to_string(seed() % 1000000u));
    fs::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void writeA4Installation(const fs::path& folder) {
    demo::DemoOptions options;
    options.entries = kScrollEntries;
    options.pageSize = QSize(2480, 3508);
    options.distinctPages = 8;
    options.everyEntryHasPages = true;
    QString error;
    if (!demo::generateDemoInstallation(folder, options, &error))
        throw std::runtime_error(error.toStdString());
}

bool runChild(const char* name, const QStringList& arguments, const fs::path& folder,
              ChildReport& report, long long* started) {
    QProcess child;
    child.setWorkingDirectory(QString::fromStdString(folder.string()));
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    *started = std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
                   .count();
    child.start(QCoreApplication::applicationDirPath() + QDir::separator() +
                    QString::fromLatin1(name),
                arguments);
    if (!child.waitForFinished(120000)) {
        child.kill();
        child.waitForFinished();
        return false;
    }
    std::istringstream lines(child.readAllStandardOutput().toStdString());
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string key;
        words >> key;
        for (long long value; words >> value;)
            report[key].push_back(value);
    }
    return true;
}

void reportMilliseconds(benchmark::State& state, const std::string& name,
                        std::vector<double> values) {
    if (values.empty())
        return;
    std::sort(values.begin(), values.end());
    auto at = [&](double fraction) {
        return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
    };
    state.counters[name + "_median_ms"] = at(0.5);
    state.counters[name + "_p90_ms"] = at(0.9);
    state.counters[name + "_max_ms"] = values.back();
}

void compareKeepingVersion(benchmark::State& state,
                           const std::function<double(bool keepingVersion)>& timed) {
    std::vector<double> plain, keeping, ratio;
    std::size_t turn = 0;
    for (auto _ : state) {
        const bool keepingFirst = turn++ % 2 == 1;
        const double firstMs = timed(keepingFirst);
        const double secondMs = timed(!keepingFirst);
        if (firstMs < 0 || secondMs < 0) {
            state.SkipWithError("a save failed or kept no version");
            return;
        }
        const double plainMs = keepingFirst ? secondMs : firstMs;
        const double keepingMs = keepingFirst ? firstMs : secondMs;
        state.SetIterationTime(keepingMs / 1e3);
        plain.push_back(plainMs);
        keeping.push_back(keepingMs);
        ratio.push_back(keepingMs / plainMs);
    }
    reportMilliseconds(state, "plain", plain);
    reportMilliseconds(state, "keeping", keeping);
    state.counters["ratio_median"] = medianOf(ratio);
}

double threadCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

std::size_t countLinesWithMemchr(std::string_view bytes) {
    std::size_t lines = 0;
    const char* at = bytes.data();
    const char* end = at + bytes.size();
    while (at < end) {
        const void* found = std::memchr(at, '\n', static_cast<std::size_t>(end - at));
        if (!found)
            break;
        ++lines;
        at = static_cast<const char*>(found) + 1;
    }
    return lines;
}

double medianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

const std::filesystem::path& smallPageInstallation(const char* name) {
    // One folder per name, kept for the whole run.
    static std::map<std::string, std::unique_ptr<ScratchFolder>> folders;
    std::unique_ptr<ScratchFolder>& folder = folders[name];
    if (!folder) {
        folder = std::make_unique<ScratchFolder>(name);
        demo::DemoOptions options;
        options.entries = kScrollEntries;
        options.pageSize = QSize(120, 170);
        options.distinctPages = 4;
        QString error;
        if (!demo::generateDemoInstallation(folder->path(), options, &error))
            throw std::runtime_error(error.toStdString());
    }
    return folder->path();
}

} // namespace folio::bench
