// One run of the main program.
#include "app/program_run.h"

#include "core/files/file_ops.h"

#include <QDir>
#include <filesystem>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace folio {

ProcessSettings::ProcessSettings() {
    ignoreFileSizeSignal();
#if defined(__GLIBC__)
    // Every decoded page passes through buffers of a few hundred kilobytes. With its default
    // settings the allocator raises its thresholds after the first such buffer is freed and
    // then keeps the freed memory of each decoder thread for ever; a fixed trim threshold
    // gives it back once more than this lies free at the top of a heap.
    mallopt(M_TRIM_THRESHOLD, 128 * 1024);
#endif
}

ProgramRun::ProgramRun(int& argc, char** argv)
    : application_(argc, argv), state_{Installation(std::filesystem::current_path())},
      windows_(state_, dialogs_) {
    QApplication::setApplicationName(QStringLiteral("Folioscribe_pro"));
    QApplication::setQuitOnLastWindowClosed(false);
    windows_.start(QApplication::arguments().mid(1), QDir::currentPath());
}

int ProgramRun::exec() {
    return QApplication::exec();
}

} // namespace folio
