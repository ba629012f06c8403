// Folioscribe_pro: the desktop companion of the music stand, working on the installation
// folder it is started in.
#include "app/program_windows.h"
#include "archive/shared_state.h"
#include "platform/dialogs.h"
#include "platform/file_ops.h"

#include <QApplication>
#include <filesystem>

int main(int argc, char* argv[]) {
    folio::ignoreFileSizeSignal();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Folioscribe_pro"));
    QApplication::setQuitOnLastWindowClosed(false);

    folio::SharedState state{folio::Installation(std::filesystem::current_path())};
    folio::MessageBoxDialogs dialogs;
    folio::ProgramWindows windows(state, dialogs);
    windows.openMainWindow();
    return QApplication::exec();
}
