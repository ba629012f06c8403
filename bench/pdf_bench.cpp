// Importing pages from a PDF: one A4 page drawn at 200 dpi and written as a JPEG, set against
// Qt's own drawing and JPEG writing of the same page alone; and the import window on a 200-page
// score: how soon the first thumbnail is there and how long the UI thread is ever kept busy.
#include "bench_support.h"
#include "core/files/file_ops.h"
#include "demo/generator/demo_installation.h"
#include "windows/common/shared_state.h"
#include "windows/pdf_import/pdf_import_window.h"
#include "windows/pdf_import/pdf_pages.h"
#include "windows/pdf_import/pdf_thumbnails.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QListWidget>
#include <QPdfDocument>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <time.h>

namespace folio::bench {
namespace {

using Clock = std::chrono::steady_clock;

// Processor time of the calling thread: on a loaded machine a late timer may only mean that the
// thread was not scheduled, while this grows only with the thread's own work.
double threadCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// A score of pages pages written once per run.
struct ScorePdf {
    explicit ScorePdf(int pages) : folder("pdf"), file(folder.path() / "score.pdf") {
        QString error;
        if (!demo::writeDemoPdf(file, pages, &error))
            throw std::runtime_error(error.toStdString());
    }
    QString name() const { return QString::fromStdString(file.string()); }

    ScratchFolder folder;
    std::filesystem::path file;
};

// Qt alone: QPdfDocument::render at 200 dpi and QImageWriter at the same quality, no white
// background, no atomic replacement.
QByteArray floorJpeg(QPdfDocument& document, QSize size) {
    const QImage image = document.render(0, size);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(PdfPages::kJpegQuality);
    writer.write(image);
    return bytes;
}

void BM_PdfPage_A4ToJpeg(benchmark::State& state) {
    static const ScorePdf score(1);
    PdfPages pages;
    QPdfDocument document;
    if (pages.open(score.name()) != PdfOpen::Opened ||
        document.load(score.name()) != QPdfDocument::Error::None) {
        state.SkipWithError("the score does not open");
        return;
    }
    const QSize size = pages.pixelSize(0);
    const std::filesystem::path target = score.folder.path() / "1L.jpg";
    std::vector<double> ours, written, floor, ratio;
    bool oursFirst = true;
    for (auto _ : state) {
        double oursMs = 0, writtenMs = 0, floorMs = 0;
        // Taken in turns first and second, so that neither always finds the caches warm.
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn == 0) == oursFirst) {
                Clock::time_point start = Clock::now();
                QString why;
                const QByteArray bytes = pages.pageJpeg(0, &why);
                oursMs = millisecondsSince(start);
                const FileResult saved = rewriteAtomically(
                    target, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
                writtenMs = millisecondsSince(start);
                if (bytes.isEmpty() || !saved.ok) {
                    state.SkipWithError("the page was not written");
                    return;
                }
            } else {
                Clock::time_point start = Clock::now();
                benchmark::DoNotOptimize(floorJpeg(document, size));
                floorMs = millisecondsSince(start);
            }
        }
        oursFirst = !oursFirst;
        state.SetIterationTime(oursMs / 1e3);
        ours.push_back(oursMs);
        written.push_back(writtenMs);
        floor.push_back(floorMs);
        ratio.push_back(oursMs / floorMs);
    }
    reportMilliseconds(state, "jpeg", ours);
    reportMilliseconds(state, "jpeg_written_synced", written);
    reportMilliseconds(state, "floor", floor);
    state.counters["ratio_median"] = medianOf(ratio);
    state.counters["width"] = size.width();
    state.counters["height"] = size.height();
}
BENCHMARK(BM_PdfPage_A4ToJpeg)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// Choosing a 200-page score in the import window: the open on the UI thread, the first and the
// last thumbnail, and the longest time the UI thread was kept from its events meanwhile: the
// lateness of a 5 ms timer (ui_stall) and the UI thread's own processor time between two of its
// ticks (ui_busy).
void BM_PdfImport_Thumbnails200(benchmark::State& state) {
    static const ScorePdf score(200);
    ScratchFolder stand("pdf-stand");
    std::filesystem::create_directories(stand.path() / "spartiti");
    SharedState shared{Installation(stand.path())};
    SilentDialogs dialogs;
    std::vector<double> opened, first, all, stall, busy;
    for (auto _ : state) {
        PdfImportWindow window(shared, dialogs);
        window.show();
        QCoreApplication::processEvents();
        auto* drawer = window.findChild<PdfThumbnails*>();
        int drawn = 0;
        double firstMs = -1;
        Clock::time_point start = Clock::now();
        QObject::connect(drawer, &PdfThumbnails::rendered, &window, [&](int tag) {
            if (tag != 0)
                return;
            if (++drawn == 1)
                firstMs = millisecondsSince(start);
        });
        window.choosePdf(score.name(), PageSide::Left);
        const double openMs = millisecondsSince(start);
        if (window.thumbnails->count() != 200) {
            state.SkipWithError("the score did not open");
            return;
        }
        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        double longestBusy = 0;
        double cpuAtTick = threadCpuMilliseconds();
        QTimer ticks;
        ticks.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            longestGap = std::max(longestGap, sinceTick.nsecsElapsed());
            const double cpu = threadCpuMilliseconds();
            longestBusy = std::max(longestBusy, cpu - cpuAtTick);
            cpuAtTick = cpu;
            sinceTick.restart();
        });
        sinceTick.start();
        ticks.start(5);
        while (drawn < 200 && millisecondsSince(start) < 60000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double allMs = millisecondsSince(start);
        state.SetIterationTime(firstMs / 1e3);
        opened.push_back(openMs);
        first.push_back(firstMs);
        all.push_back(allMs);
        stall.push_back(std::max(0.0, longestGap / 1e6 - 5));
        busy.push_back(longestBusy);
    }
    reportMilliseconds(state, "open", opened);
    reportMilliseconds(state, "first_thumbnail", first);
    reportMilliseconds(state, "all_thumbnails", all);
    reportMilliseconds(state, "ui_stall", stall);
    reportMilliseconds(state, "ui_busy", busy);
}
BENCHMARK(BM_PdfImport_Thumbnails200)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace folio::bench
