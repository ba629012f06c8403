// Shared pieces of the benchmarks: a temporary folder that outlives one benchmark, the
// large A4 archive the scroll benchmarks walk, and per-step figures summed up as medians.
#pragma once

#include "platform/dialogs.h"
#include "windows/common/main_window_host.h"

#include <QStringList>
#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
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

// A demo installation of kScrollEntries entries with small pages, written once per run under a
// scratch folder named name: for the benchmarks that read the archive, not the pages.
const std::filesystem::path& smallPageInstallation(const char* name);

// The lines "<name> <numbers...>" a child program reported on its standard output, by name.
using ChildReport = std::map<std::string, std::vector<long long>>;

// Starts the child program name, built next to the benchmark program, in folder with arguments,
// and reads its report once it has ended; *started is the steady clock's nanoseconds, which the
// child shares, just before the start. False when it did not end within two minutes.
bool runChild(const char* name, const QStringList& arguments, const std::filesystem::path& folder,
              ChildReport& report, long long* started);

// Milliseconds per step, summed up into median / 90th percentile / maximum counters.
void reportMilliseconds(benchmark::State& state, const std::string& name,
                        std::vector<double> values);

// Times a save that keeps a version against the plain save, turn about, so that neither pays
// alone for the other's writing back. timed(keepingVersion) makes one save and gives its
// milliseconds, or a negative figure when it failed or kept no version. Reports the "plain" and
// "keeping" milliseconds and their ratio_median; each iteration's time is the keeping save's.
void compareKeepingVersion(benchmark::State& state,
                           const std::function<double(bool keepingVersion)>& timed);

// Message boxes that show nothing and answer No, for windows under measurement.
class SilentDialogs : public Dialogs {
public:
    void message(QWidget*, const QString&, const QString&) override {}
    void error(QWidget*, const QString&) override {}
    bool question(QWidget*, const QString&, const QString&) override { return false; }
    bool questionDefaultNo(QWidget*, const QString&, const QString&) override { return false; }
    Answer questionWithCancel(QWidget*, const QString&) override { return Answer::Cancel; }
    int choose(QWidget*, const QString&, const QStringList& buttons) override {
        return static_cast<int>(buttons.size()) - 1;
    }
    std::optional<int> askNumber(QWidget*, const QString&, int, int, int) override {
        return std::nullopt;
    }
    std::optional<QString> askText(QWidget*, const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<int> askItem(QWidget*, const QString&, const QStringList&) override {
        return std::nullopt;
    }
    std::optional<std::pair<QString, QString>> askSaveFile(QWidget*, const QString&, const QString&,
                                                           const QString&) override {
        return std::nullopt;
    }
    QString chooseFolder(QWidget*, const QString&, const QString&) override { return {}; }
};

// A main window's host that opens nothing, for a main window under measurement.
class NoHost : public MainWindowHost {
public:
    void showLeftPageWindow() override {}
    void showRightPageWindow() override {}
    void showAudioWindow() override {}
    void showPlaylistManager() override {}
    void showMidiDevice() override {}
    void showMerging() override {}
    void showPdfImport() override {}
    void showScoreImport() override {}
    void pageFileDropped(PageSide, const QString&) override {}
    void exitProgram() override {}
    bool closeWindowsBeforeLeaving() override { return true; }
    void showRestoreWindow() override {}
    void showLibrary() override {}
    UndoOffer undoOffer() override { return {}; }
    void undoLastAbsorption() override {}
    void removeScores(const std::vector<int>&) override {}
    void chooseStand() override {}
    void openRecentStand(const QString&) override {}
    QList<RecentStand> recentStands() override { return {}; }
};

// Closes the windows the benchmarks opened; call before the QApplication ends.
void releaseWindows();

// CPU time the calling thread has used so far, in milliseconds.
double threadCpuMilliseconds();

// Wall time since start, in milliseconds.
double millisecondsSince(std::chrono::steady_clock::time_point start);

// The plain operation the readers are set against: the line ends of bytes, found by memchr.
std::size_t countLinesWithMemchr(std::string_view bytes);

// The median of the values (the upper one of an even count).
double medianOf(std::vector<double> values);

} // namespace folio::bench
