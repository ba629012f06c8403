// The main program started as main() starts it on the stand in its working folder, which then
// opens a second stand as "Open stand…" in the menu "Work" does once its folder is chosen, and
// reports to the stand-opening benchmark: the moment of the command, the moment the second
// stand's main window was first painted with both pages, and the process's peak memory then.
// Argument: the second stand's folder.
#include "app/program_run.h"
#include "app/recent_stands.h"
#include "first_paint.h"

#include <QScrollBar>
#include <QTimer>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

namespace {

using folio::bench::report;

// Time the first stand is looked at before the second is opened: its opening pages and their
// neighbours have been decoded by then, as they have when a musician opens another stand.
constexpr int kLookingMs = 500;

// The resident memory of this process now, in kB (VmRSS), or -1 if unknown.
long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word)
        if (word == "VmRSS:" && status >> word)
            return std::stol(word);
    return -1;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2)
        return 2;
    const QString secondStand = QString::fromLocal8Bit(argv[1]);
    // The program sees no argument: the start rules open the working folder, the first stand.
    int programArgc = 1;
    folio::ProgramRun run(programArgc, argv);
    folio::ProgramWindows& windows = run.windows();
    folio::Form1* first = windows.mainWindow();
    if (!first)
        return 3;

    std::unique_ptr<folio::bench::FirstPaintWithPages> secondPaint;
    auto openSecondStand = [&] {
        report("before_open_rss_kB", residentKilobytes());
        report("before_open_peak_kB", folio::bench::peakResidentKilobytes());
        // The menu command's own check on the chosen folder, then the opening it ends in.
        const long long command = folio::bench::steadyNanoseconds();
        if (!folio::isStandFolder(secondStand) || !windows.openStand(secondStand))
            std::_Exit(4);
        folio::Form1& second = *windows.mainWindow();
        secondPaint = std::make_unique<folio::bench::FirstPaintWithPages>(
            second.Image1, second.Image2, [&, command] {
                report("open_ns", command);
                report("first_paint_ns", folio::bench::steadyNanoseconds());
                report("peak_kB", folio::bench::peakResidentKilobytes());
                report("rss_kB", residentKilobytes());
                report("position", windows.mainWindow()->VScroll1->value());
                folio::bench::removeStandLock(secondStand.toStdString());
                std::_Exit(0);
            });
    };
    folio::bench::FirstPaintWithPages firstPaint(first->Image1, first->Image2, [&] {
        report("first_stand_paint_ns", folio::bench::steadyNanoseconds());
        QTimer::singleShot(kLookingMs, openSecondStand);
    });
    return run.exec();
}
