// Scrolling the main window through 9999 entries with A4 300-dpi pages: the time a step costs
// the UI thread, and the time until both pages of the new position are on screen.
#include "bench_support.h"
#include "platform/dialogs.h"
#include "windows/common/main_window_host.h"
#include "windows/common/shared_state.h"
#include "windows/main/form1.h"
#include "windows/main/page_image_loader.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QProcess>
#include <QScrollBar>
#include <QTimer>
#include <chrono>
#include <memory>
#include <optional>

namespace folio::bench {
namespace {

using Clock = std::chrono::steady_clock;

// Tells when both pages of an awaited position have reached the window.
class PageWatch {
public:
    explicit PageWatch(PageImageLoader* loader) {
        QObject::connect(loader, &PageImageLoader::pageReady, loader,
                         [this](int position, PageSide side, const QImage&) {
                             if (position != awaited_)
                                 return;
                             (side == PageSide::Left ? left_ : right_) = true;
                             if (left_ && right_ && loop_)
                                 loop_->quit();
                         });
    }

    // Starts watching for position; call before the step so that a synchronous answer counts.
    void await(int position) {
        awaited_ = position;
        left_ = right_ = false;
    }

    // Runs the event loop until both pages came or timeoutMs passed; true if they came.
    bool wait(int timeoutMs = 10000) {
        if (!(left_ && right_)) {
            QEventLoop loop;
            QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
            loop_ = &loop;
            loop.exec();
            loop_ = nullptr;
        }
        return left_ && right_;
    }

private:
    int awaited_ = 0;
    bool left_ = false;
    bool right_ = false;
    QEventLoop* loop_ = nullptr;
};

// Runs the event loop for a while, as the window does between two moves of the hand.
void idleFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// The main window open on the A4 archive, built once for all scroll benchmarks.
struct ScrollWindow {
    ScrollWindow() : folder("scroll"), state(Installation(folder.path())) {
        writeA4Installation(folder.path());
        window = std::make_unique<Form1>(state, dialogs, host);
        window->show();
        loader = window->findChild<PageImageLoader*>();
        watch = std::make_unique<PageWatch>(loader);
        watch->await(window->VScroll1->value());
        watch->wait();
    }

    bool pagesShown() const {
        return !window->Image1->pixmap().isNull() && !window->Image2->pixmap().isNull();
    }

    ScratchFolder folder;
    SharedState state;
    SilentDialogs dialogs;
    NoHost host;
    std::unique_ptr<Form1> window;
    PageImageLoader* loader = nullptr;
    std::unique_ptr<PageWatch> watch;
};

std::unique_ptr<ScrollWindow> scrollWindow;

ScrollWindow& theWindow() {
    if (!scrollWindow)
        scrollWindow = std::make_unique<ScrollWindow>();
    return *scrollWindow;
}

// One step to position, timed from the step until both pages are on screen.
struct StepFigures {
    double uiMs = 0;
    double handlerMs = 0;
    double screenMs = 0;
    bool shown = false;
};

StepFigures stepTo(ScrollWindow& fixture, int position) {
    StepFigures figures;
    fixture.watch->await(position);
    const Clock::time_point start = Clock::now();
    const double cpuStart = threadCpuMilliseconds();
    fixture.window->VScroll1->setValue(position);
    figures.handlerMs = threadCpuMilliseconds() - cpuStart;
    figures.shown = fixture.watch->wait();
    QCoreApplication::processEvents();
    figures.screenMs = millisecondsSince(start);
    figures.uiMs = threadCpuMilliseconds() - cpuStart;
    figures.shown = figures.shown && fixture.pagesShown();
    return figures;
}

// The yardsticks: one A4 scan decoded at full size and at the size of its frame.
void BM_DecodeA4(benchmark::State& state) {
    ScrollWindow& fixture = theWindow();
    const std::filesystem::path scan = fixture.state.installation.resolve("spartiti\\1L.jpg");
    const QSize frame = state.range(0) ? fixture.window->Image1->size() : QSize();
    for (auto _ : state) {
        QImage page = decodePage(scan, frame);
        if (page.isNull()) {
            state.SkipWithError("the scan did not decode");
            return;
        }
        benchmark::DoNotOptimize(page.constBits());
    }
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(scan)) / 1e6;
}
BENCHMARK(BM_DecodeA4)->ArgName("reduced")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A process that keeps one core busy while it lives.
class BusyNeighbour {
public:
    BusyNeighbour() {
        process_.start(QStringLiteral("/bin/sh"),
                       {QStringLiteral("-c"), QStringLiteral("while :; do :; done")});
        process_.waitForStarted();
    }
    ~BusyNeighbour() {
        process_.kill();
        process_.waitForFinished();
    }
    BusyNeighbour(const BusyNeighbour&) = delete;
    BusyNeighbour& operator=(const BusyNeighbour&) = delete;

private:
    QProcess process_;
};

// The figures of a series of single steps, reported as medians.
struct StepSeries {
    std::vector<double> ui, handler, screen;

    // Records one step; false (and the benchmark marked failed) if its pages never arrived.
    bool add(benchmark::State& state, const StepFigures& figures) {
        if (!figures.shown) {
            state.SkipWithError("the pages did not reach the window");
            return false;
        }
        state.SetIterationTime(figures.uiMs / 1e3);
        ui.push_back(figures.uiMs);
        handler.push_back(figures.handlerMs);
        screen.push_back(figures.screenMs);
        return true;
    }

    void report(benchmark::State& state) const {
        reportMilliseconds(state, "ui", ui);
        reportMilliseconds(state, "handler", handler);
        reportMilliseconds(state, "screen", screen);
    }
};

// Runs the event loop until the loader has decoded everything it was asked for.
void waitUntilIdle(ScrollWindow& fixture) {
    for (int waited = 0; !fixture.loader->isIdle() && waited < 10000; waited += 5)
        idleFor(5);
}

// Each step lands far from the last one and from every recent one, so neither a prefetch nor
// a cache can help: the pages must be decoded after the step. (A stride of half the archive
// would land every second step next to the position before last, whose neighbours the
// prefetch has decoded.) The measured jump leaves right after the pages of an earlier jump
// came, while its neighbours are still being decoded. The floor, one page decoded at its
// frame's size with the loader idle, is measured before each pair of jumps.
//
// With busy_neighbour:1 a second process keeps one core busy all along, as another program on
// the musician's computer would: the floor and the jumps are both measured under that load.
void BM_ScrollStep_Jump(benchmark::State& state) {
    ScrollWindow& fixture = theWindow();
    std::optional<BusyNeighbour> neighbour;
    if (state.range(0) == 1)
        neighbour.emplace();
    const std::filesystem::path scan = fixture.state.installation.resolve("spartiti\\1L.jpg");
    StepSeries series;
    std::vector<double> floor, ratio;
    int position = fixture.window->VScroll1->value();
    for (auto _ : state) {
        state.PauseTiming();
        waitUntilIdle(fixture);
        const Clock::time_point start = Clock::now();
        const QImage page = decodePage(scan, fixture.window->Image1->size());
        floor.push_back(millisecondsSince(start));
        position = (position + 2502) % kScrollEntries + 1;
        const bool approached = !page.isNull() && stepTo(fixture, position).shown;
        state.ResumeTiming();
        if (!approached) {
            state.SkipWithError("the floor's page or an earlier jump's pages did not decode");
            return;
        }
        position = (position + 2502) % kScrollEntries + 1;
        if (!series.add(state, stepTo(fixture, position)))
            return;
        ratio.push_back(series.screen.back() / floor.back());
    }
    series.report(state);
    reportMilliseconds(state, "decode", floor);
    state.counters["ratio_median"] = medianOf(ratio);
}
BENCHMARK(BM_ScrollStep_Jump)
    ->ArgName("busy_neighbour")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(40)
    ->Unit(benchmark::kMillisecond);

// Reading pace: one entry further every 150 ms, the window idle in between.
void BM_ScrollStep_Next(benchmark::State& state) {
    ScrollWindow& fixture = theWindow();
    StepSeries series;
    int position = 3000;
    stepTo(fixture, position);
    for (auto _ : state) {
        state.PauseTiming();
        idleFor(150);
        state.ResumeTiming();
        if (!series.add(state, stepTo(fixture, ++position)))
            return;
    }
    series.report(state);
}
BENCHMARK(BM_ScrollStep_Next)->UseManualTime()->Iterations(40)->Unit(benchmark::kMillisecond);

// A drag: 30 steps of one entry at 60 steps a second without waiting for pages. ui is the UI
// thread's time per step, screen the time from the last step until its pages are shown.
void BM_ScrollDrag(benchmark::State& state) {
    constexpr int kSteps = 30;
    constexpr auto kInterval = std::chrono::microseconds(16667);
    ScrollWindow& fixture = theWindow();
    std::vector<double> ui, screen;
    int position = 6000;
    stepTo(fixture, position);
    for (auto _ : state) {
        double cpuStart = threadCpuMilliseconds();
        const Clock::time_point dragStart = Clock::now();
        Clock::time_point lastStep;
        for (int step = 1; step <= kSteps; ++step) {
            ++position;
            if (step == kSteps)
                fixture.watch->await(position);
            lastStep = Clock::now();
            fixture.window->VScroll1->setValue(position);
            auto untilNext = dragStart + step * kInterval - Clock::now();
            if (step < kSteps && untilNext.count() > 0)
                idleFor(static_cast<int>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(untilNext).count()));
            if (step < kSteps) {
                double cpuNow = threadCpuMilliseconds();
                ui.push_back(cpuNow - cpuStart);
                cpuStart = cpuNow;
            }
        }
        bool shown = fixture.watch->wait();
        QCoreApplication::processEvents();
        screen.push_back(millisecondsSince(lastStep));
        ui.push_back(threadCpuMilliseconds() - cpuStart);
        if (!shown || !fixture.pagesShown()) {
            state.SkipWithError("the last position's pages did not reach the window");
            return;
        }
        state.SetIterationTime(millisecondsSince(dragStart) / 1e3);
        position += 500;
        state.PauseTiming();
        stepTo(fixture, position);
        state.ResumeTiming();
    }
    reportMilliseconds(state, "ui_step", ui);
    reportMilliseconds(state, "last_screen", screen);
}
BENCHMARK(BM_ScrollDrag)->UseManualTime()->Iterations(6)->Unit(benchmark::kMillisecond);

} // namespace

void releaseWindows() {
    scrollWindow.reset();
}

} // namespace folio::bench
