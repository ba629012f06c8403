// Upgrade_Lumivora_pro: brings an installation folder of the previous music stand version up
// to this one, with the files delivered beside it in the folder it is started in.
#include "core/files/file_ops.h"
#include "platform/dialogs.h"
#include "upgrade/upgrade_windows.h"

#include <QApplication>
#include <filesystem>

int main(int argc, char* argv[]) {
    folio::ignoreFileSizeSignal();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Upgrade_Lumivora_pro"));
    // The tool ends with its upgrade window, whether shown or not.
    QApplication::setQuitOnLastWindowClosed(false);

    folio::MessageBoxDialogs dialogs(QStringLiteral("Upgrade_Lumivora_pro"));
    auto* upgradeWindow = new folio::upgrade::Form1(std::filesystem::current_path(), dialogs);
    QObject::connect(upgradeWindow, &QObject::destroyed, &application, &QCoreApplication::quit);
    upgradeWindow->load();
    return QApplication::exec();
}
