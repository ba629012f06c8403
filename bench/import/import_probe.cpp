// The import benchmark's child program, so that each measure starts from a fresh process and its
// peak memory is its own. Two modes, each reporting "<name> <value>" lines on stdout:
//   floor <pdf folder> <output folder> <first> <count>
//     Qt alone: each file's first two pages drawn by QPdfDocument at the import's pixel sizes and
//     written by QImageWriter at the import's quality, one after another.
//   import <stand> <pdf folder>, import-in-processes <stand> <pdf folder>
//     The import window driven like a user, drawing in its own threads or in worker processes: the
//     whole folder listed, "Import" clicked, timed to importEnded, with the window thread's longest
//     stall, the workers' processor time and the peak memory meanwhile.
#include "bench_support.h"
#include "core/archive/score_archive.h"
#include "startup/first_paint.h"
#include "windows/common/changed_elsewhere.h"
#include "windows/common/shared_state.h"
#include "windows/pdf_import/import_rows.h"
#include "windows/pdf_import/pdf_pages.h"
#include "windows/pdf_import/pdf_worker.h"
#include "windows/pdf_import/score_import_window.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImageWriter>
#include <QPdfDocument>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace folio::bench {
namespace {

using Clock = std::chrono::steady_clock;

// One line of /proc/self/status, in kB; -1 when it is not there.
long statusKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word)
        if (word == field && status >> word)
            return std::stol(word);
    return -1;
}

// Starts the peak resident memory (VmHWM) afresh from what is resident now, so that the peak
// read later belongs to what ran in between. False when the system does not allow it.
bool restartPeakMemory() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

// The threads of this process, by id.
std::set<long> threadIds() {
    std::set<long> ids;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
        ids.insert(std::stol(entry.path().filename().string()));
    return ids;
}

// Nanoseconds a thread of this process has run on a processor, and waited for one while it could
// run; nothing once it has ended.
std::optional<std::pair<long long, long long>> threadSchedule(long id) {
    std::ifstream schedstat("/proc/self/task/" + std::to_string(id) + "/schedstat");
    long long ran = -1, waited = -1;
    if (!(schedstat >> ran >> waited))
        return std::nullopt;
    return std::pair(ran, waited);
}

// What /proc tells of a thread's or a process's work: processor time in the program and in the
// system (page faults, file writes), and the minor page faults it took.
struct Work {
    double userMs = 0;
    double systemMs = 0;
    long long minorFaults = 0;
};

// Reads the fields after the command name of a /proc stat file; nothing once the thread ended.
std::optional<Work> workIn(const std::string& statFile) {
    std::ifstream stat(statFile);
    std::string line;
    if (!std::getline(stat, line) || line.rfind(')') == std::string::npos)
        return std::nullopt;
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::vector<std::string> values;
    for (std::string value; fields >> value;)
        values.push_back(value);
    // From the state (field 3): minflt is field 10, utime 14, stime 15.
    if (values.size() < 13)
        return std::nullopt;
    const double tick = 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
    return Work{std::stod(values[11]) * tick, std::stod(values[12]) * tick, std::stoll(values[7])};
}

void reportWork(const std::string& name, const Work& work) {
    report((name + "_user_us").c_str(), static_cast<long long>(work.userMs * 1e3));
    report((name + "_system_us").c_str(), static_cast<long long>(work.systemMs * 1e3));
    report((name + "_faults").c_str(), work.minorFaults);
}

// Watches, every 10 ms, the processor time of the threads started after it and the resident
// memory, until stopped. The import's drawer is started before its writer, so it has the lower
// thread id (ids grow until they wrap at the system's limit, far away on a test machine).
class ThreadWatch {
public:
    ThreadWatch() : before_(threadIds()) {
        watcher_ = std::thread([this] { watch(); });
    }
    ~ThreadWatch() { stop(); }
    void stop() {
        running_ = false;
        if (watcher_.joinable())
            watcher_.join();
    }
    // The last processor time seen of each new thread, in thread id order.
    std::vector<double> newThreadMilliseconds() const {
        std::vector<double> ms;
        for (const auto& [id, schedule] : seen_)
            ms.push_back(static_cast<double>(schedule.first) / 1e6);
        return ms;
    }
    // How long each new thread waited for a processor while it could run, in thread id order.
    std::vector<double> newThreadWaitMilliseconds() const {
        std::vector<double> ms;
        for (const auto& [id, schedule] : seen_)
            ms.push_back(static_cast<double>(schedule.second) / 1e6);
        return ms;
    }
    long largestResidentKilobytes() const { return largestRss_; }
    // The last work seen of each new thread, in thread id order.
    std::vector<Work> newThreadWork() const {
        std::vector<Work> work;
        for (const auto& [id, done] : work_)
            work.push_back(done);
        return work;
    }

private:
    void watch() {
        const long self = static_cast<long>(gettid());
        while (running_) {
            for (long id : threadIds()) {
                if (id == self || before_.contains(id))
                    continue;
                if (const auto schedule = threadSchedule(id))
                    seen_[id] = *schedule;
                if (std::optional<Work> work =
                        workIn("/proc/self/task/" + std::to_string(id) + "/stat"))
                    work_[id] = *work;
            }
            largestRss_ = std::max(largestRss_, statusKilobytes("VmRSS:"));
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    const std::set<long> before_;
    std::map<long, std::pair<long long, long long>> seen_;
    std::map<long, Work> work_;
    long largestRss_ = 0;
    std::atomic<bool> running_ = true;
    std::thread watcher_;
};

int runFloor(const QString& pdfFolder, const QString& outFolder, int first, int count) {
    const QStringList files = pdfFilesIn(pdfFolder).mid(first, count);
    QDir().mkpath(outFolder);
    QPdfDocument document;
    // The PDF engine is loaded before the measure, as the import window has it loaded by then.
    if (files.isEmpty() || document.load(files.first()) != QPdfDocument::Error::None)
        return 3;
    document.close();
    const bool peakRestarted = restartPeakMemory();
    const long rssBefore = statusKilobytes("VmRSS:");
    double drawMs = 0, encodeMs = 0;
    int pages = 0;
    const Work workBefore = workIn("/proc/self/stat").value_or(Work{});
    const long long startNs = steadyNanoseconds();
    for (int n = 0; n < files.size(); ++n) {
        if (document.load(files[n]) != QPdfDocument::Error::None)
            return 4;
        for (int page = 0; page < 2; ++page) {
            const QSize size = PdfPages::pixelSize(document.pagePointSize(page));
            Clock::time_point start = Clock::now();
            const QImage image = document.render(page, size);
            drawMs += millisecondsSince(start);
            start = Clock::now();
            QImageWriter writer(
                QDir(outFolder).filePath(QStringLiteral("%1%2.jpg").arg(first + n + 1).arg(page)),
                "jpeg");
            writer.setQuality(PdfPages::kJpegQuality);
            if (image.isNull() || !writer.write(image))
                return 5;
            encodeMs += millisecondsSince(start);
            ++pages;
        }
        document.close();
    }
    const long long endNs = steadyNanoseconds();
    const Work workAfter = workIn("/proc/self/stat").value_or(Work{});
    reportWork("floor",
               {workAfter.userMs - workBefore.userMs, workAfter.systemMs - workBefore.systemMs,
                workAfter.minorFaults - workBefore.minorFaults});
    report("start_ns", startNs);
    report("end_ns", endNs);
    report("loop_us", (endNs - startNs) / 1000);
    report("draw_us", static_cast<long long>(drawMs * 1e3));
    report("encode_us", static_cast<long long>(encodeMs * 1e3));
    report("pages", pages);
    report("peak_growth_kB", peakRestarted ? statusKilobytes("VmHWM:") - rssBefore : -1);
    return 0;
}

// Processes events until done says so or a minute and a half has gone by. The event loop
// sleeps between events, as the program's own does: a loop of processEvents calls never sleeps
// and would take a processor from the import's workers.
bool waitFor(const std::function<bool()>& done) {
    const Clock::time_point start = Clock::now();
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || millisecondsSince(start) > 90000)
            loop.quit();
    });
    check.start(10);
    if (!done())
        loop.exec();
    return done();
}

int runImport(const QString& standFolder, const QString& pdfFolder, bool inProcesses) {
    SharedState shared{Installation(standFolder.toStdString())};
    if (loadArchive(shared.archive, shared.installation) != ArchiveLoad::Loaded)
        return 3;
    noteDataFile(shared, DataFile::Archive);
    const int entriesBefore = shared.archive.entryCount();
    SilentDialogs dialogs;
    ScoreImportWindow window(shared, dialogs);
    if (inProcesses)
        window.setDrawingProgram(QCoreApplication::applicationFilePath());
    window.show();
    QCoreApplication::processEvents();
    const QStringList files = pdfFilesIn(pdfFolder);
    window.addFiles(files);
    if (!waitFor([&] { return window.allCounted(); }) || window.tickedCount() != files.size() ||
        !window.importButton->isEnabled())
        return 4;
    QCoreApplication::processEvents();

    bool ended = false;
    double importMs = 0;
    Clock::time_point start;
    // The window thread's processor time since the last tick when the import ends: the end of
    // the import (the archive's save, the report) with nothing else, unless a tick came in
    // between. It counts as the last tick's interval.
    double finishMs = 0;
    // The window thread's longest stall: how late a 5 ms timer fires, and the thread's own
    // processor time between two ticks (a late tick on a busy machine may only mean that the
    // thread was not scheduled).
    QElapsedTimer sinceTick;
    qint64 longestGapNs = 0;
    double longestBusyMs = 0;
    double cpuAtTick = threadCpuMilliseconds();
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        longestGapNs = std::max(longestGapNs, sinceTick.nsecsElapsed());
        const double cpu = threadCpuMilliseconds();
        longestBusyMs = std::max(longestBusyMs, cpu - cpuAtTick);
        cpuAtTick = cpu;
        sinceTick.restart();
    });
    QObject::connect(&window, &ScoreImportWindow::importEnded, [&] {
        importMs = millisecondsSince(start);
        longestGapNs = std::max(longestGapNs, sinceTick.nsecsElapsed());
        finishMs = threadCpuMilliseconds() - cpuAtTick;
        longestBusyMs = std::max(longestBusyMs, finishMs);
        ended = true;
    });

    ThreadWatch watch;
    const bool peakRestarted = restartPeakMemory();
    const long rssBefore = statusKilobytes("VmRSS:");
    sinceTick.start();
    ticks.start(5);
    cpuAtTick = threadCpuMilliseconds();
    start = Clock::now();
    const double cpuAtClick = threadCpuMilliseconds();
    window.importButton->click();
    // The click's own work: the list read, the workers started, the progress dialog shown.
    const double clickMs = threadCpuMilliseconds() - cpuAtClick;
    if (!waitFor([&] { return ended; }))
        return 5;
    ticks.stop();
    const long peakKb = statusKilobytes("VmHWM:");
    watch.stop();
    const std::vector<double> workers = watch.newThreadMilliseconds();

    report("import_us", static_cast<long long>(importMs * 1e3));
    report("written", shared.archive.entryCount() - entriesBefore);
    report("stall_us", std::max<long long>(0, longestGapNs / 1000 - 5000));
    report("busy_us", static_cast<long long>(longestBusyMs * 1e3));
    report("click_us", static_cast<long long>(clickMs * 1e3));
    report("finish_us", static_cast<long long>(finishMs * 1e3));
    report("new_threads", static_cast<long long>(workers.size()));
    if (workers.size() == 2) {
        report("draw_cpu_us", static_cast<long long>(workers[0] * 1e3));
        report("write_cpu_us", static_cast<long long>(workers[1] * 1e3));
        const std::vector<double> waited = watch.newThreadWaitMilliseconds();
        report("draw_runqueue_us", static_cast<long long>(waited[0] * 1e3));
        report("write_runqueue_us", static_cast<long long>(waited[1] * 1e3));
        const std::vector<Work> work = watch.newThreadWork();
        reportWork("drawer", work[0]);
        reportWork("writer", work[1]);
    }
    report("peak_growth_kB", peakRestarted ? peakKb - rssBefore : -1);
    report("sampled_growth_kB", watch.largestResidentKilobytes() - rssBefore);
    return 0;
}

} // namespace
} // namespace folio::bench

int main(int argc, char* argv[]) {
    // The import's drawing workers are this program started again, as the program starts itself.
    if (folio::isPdfWorkerRun(argc, argv))
        return folio::runPdfWorker(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (mode == "floor" && argc == 6)
        return folio::bench::runFloor(QString::fromLocal8Bit(argv[2]),
                                      QString::fromLocal8Bit(argv[3]), std::atoi(argv[4]),
                                      std::atoi(argv[5]));
    if ((mode == "import" || mode == "import-in-processes") && argc == 4) {
        // The pickers' last folders go to the stand's folder, never to the user's settings.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromLocal8Bit(argv[2]) + QStringLiteral("/settings"));
        return folio::bench::runImport(QString::fromLocal8Bit(argv[2]),
                                       QString::fromLocal8Bit(argv[3]),
                                       mode == "import-in-processes");
    }
    return 2;
}
