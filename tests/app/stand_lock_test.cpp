// One writer at a time: a stand whose lock another program holds opens read-only, taken over or
// not at all, read-only turns off every command that writes, and a lock left by a program that
// ended is taken over.
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
#include <QScreen>
#include <QSysInfo>
#include <QTableView>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

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

// The lock question names who holds the lock, offers to open read-only, to take the lock over
// (after a second question, No by default) or to call the opening off. A lock whose file cannot
// be read (empty, or from a copy of the stand) can be taken over; one that a program on this
// computer still holds cannot.
TEST(StandLock, anotherProgramsLock_offersReadOnlyOrTakeover_andOneLeftByAnEndedProgramIsTaken) {
    enum class Holder { Running, Ended, EmptyFile, Garbage };
    struct Row {
        const char* what;
        Holder holder;
        QStringList buttons; // pressed in the lock questions, in turn
        QList<bool> answers; // to the questions whether to take the lock over
        bool opened;
        bool readOnly;
        bool tookOver;
    };
    const QString readOnlyButton = QStringLiteral("Open read-only");
    const QString takeOver = QStringLiteral("Take over");
    const QString cancel = QStringLiteral("Cancel");
    const Row rows[] = {
        {"held, Cancel", Holder::Running, {cancel}, {}, false, false, false},
        {"held, read-only", Holder::Running, {readOnlyButton}, {}, true, true, false},
        {"held, take over, then No to the risk, then Cancel",
         Holder::Running,
         {takeOver, cancel},
         {false},
         false,
         false,
         false},
        {"held by a running program here: cannot be taken over",
         Holder::Running,
         {takeOver, readOnlyButton},
         {true},
         true,
         true,
         false},
        {"left by a program that ended", Holder::Ended, {}, {}, true, false, true},
        {"an empty lock file, taken over",
         Holder::EmptyFile,
         {takeOver},
         {true},
         true,
         false,
         true},
        {"an unreadable lock file, read-only",
         Holder::Garbage,
         {readOnlyButton},
         {},
         true,
         true,
         false},
    };
    test::forEachRow(rows, [&](const Row& row) {
        test::TempInstallation first;
        test::TempInstallation second;
        first.write("spartiti\\archivio.js", test::songArchive(2, "First"));
        second.write("spartiti\\archivio.js", test::songArchive(3, "Second"));
        std::optional<test::LockHolder> other;
        qint64 otherPid = 0;
        if (row.holder == Holder::EmptyFile)
            second.write("spartiti\\.folioscribe.lock", "");
        else if (row.holder == Holder::Garbage)
            second.write("spartiti\\.folioscribe.lock", "<b>laptop</b>\n\x01\x02");
        else {
            other.emplace(qtPath(second));
            ASSERT_TRUE(other->holds());
            otherPid = other->pid();
            if (row.holder == Holder::Ended)
                other->end();
        }
        SharedState state{first.installation()};
        test::FakeDialogs dialogs;
        ProgramWindows windows{state, dialogs};
        ASSERT_TRUE(windows.openStand(qtPath(first)));
        dialogs.clear();
        for (const QString& button : row.buttons)
            dialogs.setNextButton(button);
        for (const bool answer : row.answers)
            dialogs.setNextAnswer(answer);

        EXPECT_EQ(windows.openStand(qtPath(second)), row.opened);

        const QString stand = QDir::toNativeSeparators(qtPath(second));
        const QString since =
            QFileInfo(lockPath(second)).lastModified().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        const QString held =
            row.holder == Holder::Running
                ? QStringLiteral("%1 is open in another Folioscribe (%2, process %3, since %4), "
                                 "which may change it: only one program at a time may write a "
                                 "stand.")
                      .arg(stand, QSysInfo::machineHostName())
                      .arg(otherPid)
                      .arg(since)
                : QStringLiteral("%1 holds a lock file that cannot be read: it may be left by a "
                                 "program that stopped, or come with a copy of the stand. Only "
                                 "one program at a time may write a stand.")
                      .arg(stand);
        const QString lockQuestion =
            held + QStringLiteral("\n\nOpen it read-only, to look without changing anything, or "
                                  "take the lock over?");
        const QString risk =
            QStringLiteral("Take the lock over only if no other Folioscribe has %1 open, on "
                           "this computer or on another. If one has, both programs write "
                           "the stand's files and each overwrites the other's changes.\n\n"
                           "Take the lock over?")
                .arg(stand);
        QStringList expected;
        for (qsizetype i = 0; i < row.buttons.size(); ++i) {
            expected << lockQuestion;
            if (row.buttons[i] != takeOver)
                continue;
            expected << risk;
            if (i < row.answers.size() && row.answers[i] && !row.tookOver)
                expected << QStringLiteral("The lock of %1 could not be taken over: a program on "
                                           "this computer still holds it.")
                                .arg(stand);
        }
        EXPECT_EQ(dialogs.texts(), expected);
        for (const test::FakeDialogs::Shown& asked : dialogs.shown()) {
            if (asked.text == lockQuestion) {
                EXPECT_EQ(asked.buttons, QStringList({readOnlyButton, takeOver, cancel}));
            }
            if (asked.text == risk) {
                EXPECT_TRUE(asked.defaultNo);
            }
        }
        if (row.tookOver) {
            EXPECT_EQ(lockOwner(second), QCoreApplication::applicationPid());
        } else if (other) {
            EXPECT_EQ(lockOwner(second), otherPid); // the other program keeps its lock
        }
        EXPECT_EQ(state.installation.root(), (row.opened ? second : first).root());
        EXPECT_EQ(state.readOnly, row.readOnly);
        EXPECT_EQ(windows.mainWindow()->standLabel->text().endsWith(QStringLiteral(", read-only")),
                  row.readOnly);
        EXPECT_EQ(windows.mainWindow()->windowTitle().endsWith(QStringLiteral("(read-only)")),
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
        // A read-only second program's window lies apart from the writer's, at the screen's
        // top left.
        const QWidget* main = windows.mainWindow();
        EXPECT_EQ(main->pos(), main->screen()->availableGeometry().topLeft() +
                                   (readOnly ? QPoint(48, 48) : QPoint()));
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
