// The main program started as main() starts it, in the installation it is started in, and
// reporting to the start-up benchmark: when its main window was first painted with both pages,
// the window's and the frames' geometry, and its peak memory then and, when asked with a
// number of entries as argument, after scrolling back through that many entries.
#include "app/program_run.h"
#include "first_paint.h"

#include <QApplication>
#include <QEventLoop>
#include <QScrollBar>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

namespace {

using folio::bench::report;

void reportRect(const char* name, const QRect& rect) {
    std::printf("%s %d %d %d %d\n", name, rect.x(), rect.y(), rect.width(), rect.height());
    std::fflush(stdout);
}

// Runs the event loop until both frames hold a picture (or a second has passed).
void waitForPages(folio::Form1& window) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (!window.Image1->pixmap().isNull() && !window.Image2->pixmap().isNull())
            loop.quit();
    });
    QTimer::singleShot(1000, &loop, &QEventLoop::quit);
    check.start(1);
    loop.exec();
}

// Steps one entry back at a time, letting the window work between steps, and every tenth
// step waits for the pages, so that the pictures the window keeps are those of a real walk.
void scrollBack(folio::Form1& window, int entries) {
    for (int step = 1; step <= entries; ++step) {
        window.VScroll1->setValue(window.VScroll1->value() - 1);
        QCoreApplication::processEvents();
        if (step % 10 == 0)
            waitForPages(window);
    }
    waitForPages(window);
}

} // namespace

int main(int argc, char* argv[]) {
    const int scrollEntries = argc > 1 ? std::atoi(argv[1]) : 0;

    // The program sees no argument, which its start rules would take for a stand's folder: it
    // opens the working folder.
    int programArgc = 1;
    folio::ProgramRun run(programArgc, argv);

    folio::Form1& window = *run.windows().mainWindow();
    folio::bench::FirstPaintWithPages watch(window.Image1, window.Image2, [&] {
        report("first_paint_ns", folio::bench::steadyNanoseconds());
        report("peak_kB", folio::bench::peakResidentKilobytes());
        report("position", window.VScroll1->value());
        reportRect("window", QRect(QPoint(), window.size()));
        reportRect("left", window.Image1->geometry().translated(
                               window.Image1->parentWidget()->mapTo(&window, QPoint())));
        reportRect("right", window.Image2->geometry().translated(
                                window.Image2->parentWidget()->mapTo(&window, QPoint())));
        if (scrollEntries > 0) {
            scrollBack(window, scrollEntries);
            report("scrolled_peak_kB", folio::bench::peakResidentKilobytes());
        }
        folio::bench::removeStandLock(std::filesystem::current_path());
        std::_Exit(0);
    });
    return run.exec();
}
