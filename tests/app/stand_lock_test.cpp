// One writer at a time: a stand whose lock another program holds opens read-only or not at
// all, read-only turns off every command that writes, and a lock left by a program that ended
// is taken over.
#include "app/program_windows.h"
#include "platform/widgets.h"
#include "support/fake_dialogs.h"
#include "support/lock_holder.h"
#include "support/rows.h"
#include "support/temp_installation.h"
#include "support/user_input.h"
#include "windows/common/shared_state.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QPushButton>
#include <QSysInfo>
#include <QTableView>
#include <functional>
#include <gtest/gtest.h>

namespace folio {
namespace {

QString qtPath(const test::TempInstallation& stand) {
    return toQtPath(stand.root());
}

QString lockPath(const test::TempInstallation& stand) {
    return QDir(qtPath(stand)).filePath(QStringLiteral("spartiti/.folioscribe.lock"));
}

// The process named in a stand's lock file.
qint64 lockOwner(const test::TempInstallation& stand) {
    QLockFile lock(lockPath(stand));
    qint64 pid = 0;
    QString host;
    QString program;
    return lock.getLockInfo(&pid, &host, &program) ? pid : 0;
}

TEST(StandLock, anotherProgramsLock_offersReadOnly_andOneLeftByAnEndedProgramIsTakenOver) {
    enum class Holder { Running, Ended };
    struct Row {
        const char* what;
        Holder holder;
        const char* button; // pressed in the question, if one is asked
        bool opened;
        bool readOnly;
    };
    const Row rows[] = {
        {"held, Cancel", Holder::Running, "Cancel", false, false},
        {"held, read-only", Holder::Running, "Open read-only", true, true},
        {"left by a program that ended", Holder::Ended, nullptr, true, false},
    };
    test::forEachRow(rows, [](const Row& row) {
        test::TempInstallation first;
        test::TempInstallation second;
        first.write("spartiti\\archivio.js", test::songArchive(2, "First"));
        second.write("spartiti\\archivio.js", test::songArchive(3, "Second"));
        test::LockHolder other(qtPath(second));
        ASSERT_TRUE(other.holds());
        const qint64 otherPid = other.pid();
        if (row.holder == Holder::Ended)
            other.end();
        SharedState state{first.installation()};
        test::FakeDialogs dialogs;
        ProgramWindows windows{state, dialogs};
        ASSERT_TRUE(windows.openStand(qtPath(first)));
        dialogs.clear();
        if (row.button)
            dialogs.setNextButton(QString::fromUtf8(row.button));

        EXPECT_EQ(windows.openStand(qtPath(second)), row.opened);

        if (row.holder == Holder::Running) {
            ASSERT_EQ(dialogs.shown().size(), 1U);
            const test::FakeDialogs::Shown& asked = dialogs.shown().front();
            EXPECT_EQ(
                asked.text,
                QStringLiteral("%1 is open in another Folioscribe (%2, process %3, since "
                               "%4), which may change it: only one program at a time may "
                               "write a stand.\n\nOpen it read-only, to look without "
                               "changing anything?")
                    .arg(QDir::toNativeSeparators(qtPath(second)), QSysInfo::machineHostName())
                    .arg(otherPid)
                    .arg(QFileInfo(lockPath(second))
                             .lastModified()
                             .toString(QStringLiteral("yyyy-MM-dd HH:mm"))));
            EXPECT_EQ(asked.buttons,
                      QStringList({QStringLiteral("Open read-only"), QStringLiteral("Cancel")}));
            // The other program keeps its lock.
            EXPECT_EQ(lockOwner(second), otherPid);
        } else {
            EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join(" | ").toStdString();
            EXPECT_EQ(lockOwner(second), QCoreApplication::applicationPid());
        }
        EXPECT_EQ(state.installation.root(), (row.opened ? second : first).root());
        EXPECT_EQ(state.readOnly, row.readOnly);
        EXPECT_EQ(windows.mainWindow()->standLabel->text().endsWith(QStringLiteral(", read-only")),
                  row.readOnly);
        // The first stand is let go once another opens, and kept while it stays open.
        EXPECT_EQ(QFileInfo::exists(lockPath(first)), !row.opened);
    });
}

// Every command that writes is off in a stand opened read-only, and on in one opened to write.
TEST(StandLock, readOnly_turnsOffEveryCommandThatWrites) {
    struct Row {
        const char* what;
        std::function<bool(ProgramWindows&)> enabled;
        // Whether it is on in the same stand opened to write.
        bool onWhenWritable;
    };
    const auto main = [](ProgramWindows& w) { return w.mainWindow(); };
    const Row rows[] = {
        {"Save", [&](ProgramWindows& w) { return main(w)->Command1->isEnabled(); }, true},
        {"Add", [&](ProgramWindows& w) { return main(w)->Command5->isEnabled(); }, true},
        {"Mp3", [&](ProgramWindows& w) { return main(w)->Command2->isEnabled(); }, true},
        {"Left", [&](ProgramWindows& w) { return main(w)->Command3->isEnabled(); }, true},
        {"Right", [&](ProgramWindows& w) { return main(w)->Command4->isEnabled(); }, true},
        {"typing a title", [&](ProgramWindows& w) { return !main(w)->Text2->isReadOnly(); }, true},
        {"Merging", [&](ProgramWindows& w) { return main(w)->merging->isEnabled(); }, true},
        {"Import PDF", [&](ProgramWindows& w) { return main(w)->importPdf->isEnabled(); }, true},
        {"Import scores", [&](ProgramWindows& w) { return main(w)->importScores->isEnabled(); },
         true},
        {"Restore", [&](ProgramWindows& w) { return main(w)->restore->isEnabled(); }, true},
        {"Undo last absorption",
         [&](ProgramWindows& w) {
             main(w)->updateUndoCommand();
             return main(w)->undoAbsorption->isEnabled();
         },
         false},
        {"playlist Save",
         [](ProgramWindows& w) { return w.playlistManager()->Command1->isEnabled(); }, true},
        {"playlist Delete",
         [](ProgramWindows& w) { return w.playlistManager()->Command8->isEnabled(); }, true},
        {"MIDI Save", [](ProgramWindows& w) { return w.midiWindow()->Command3->isEnabled(); },
         true},
        {"library: a title cell",
         [](ProgramWindows& w) {
             const QAbstractItemModel* cells = w.libraryWindow()->table->model();
             return (cells->flags(cells->index(0, 1)) & Qt::ItemIsEditable) != 0;
         },
         true},
        {"library: Set category",
         [](ProgramWindows& w) { return w.libraryWindow()->setCategoryButton->isEnabled(); }, true},
        {"library: Ctrl+S",
         [](ProgramWindows& w) { return w.libraryWindow()->saveAction->isEnabled(); }, true},
    };
    for (const bool readOnly : {true, false}) {
        SCOPED_TRACE(readOnly ? "read-only" : "writable");
        test::TempInstallation stand;
        stand.write("spartiti\\archivio.js", test::songArchive(2));
        test::TempInstallation elsewhere;
        test::LockHolder other(qtPath(stand));
        ASSERT_TRUE(other.holds());
        if (!readOnly)
            other.end();
        SharedState state{elsewhere.installation()};
        test::FakeDialogs dialogs;
        ProgramWindows windows{state, dialogs};
        dialogs.setNextButton(QStringLiteral("Open read-only"));
        ASSERT_TRUE(windows.openStand(qtPath(stand)));
        ASSERT_EQ(state.readOnly, readOnly);
        // Looking stays possible: the playlists and the MIDI set-ups open.
        test::triggerEnabled(windows.mainWindow()->playlist);
        test::triggerEnabled(windows.mainWindow()->midi);
        test::triggerEnabled(windows.mainWindow()->library);
        test::forEachRow(rows, [&](const Row& row) {
            EXPECT_EQ(row.enabled(windows), !readOnly && row.onWhenWritable);
        });
        // A missing playlist file is created only by a writer.
        EXPECT_EQ(stand.exists("spartiti\\playlist.js"), !readOnly);
    }
}

} // namespace
} // namespace folio
