// Leaving the program, the playlist manager and the MIDI window like a user: with nothing
// unsaved they close at once; otherwise they ask first and do what the answer says.
#include "app/program_windows.h"
#include "support/fake_dialogs.h"
#include "support/qt_printers.h"
#include "support/temp_installation.h"
#include "support/user_input.h"
#include "windows/common/shared_state.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <optional>

namespace folio {
namespace {

using test::crlf;
using Answer = Dialogs::Answer;

enum class Which { Main, Playlist, Midi };
enum class How { Button, Key, CloseBox };
enum class Setup { Plain, ArchiveBecomesFolder, ArchiveUnreadable, MidiEditedToo };

enum class Reply { None, Yes, No, Cancel };

struct Case {
    const char* name;
    Which which;
    Setup setup;
    bool edit;
    How how;
    Reply answer;
    // The boxes shown, each by the start of its text, parted by '|'.
    const char* shown;
    bool left;
    bool fileChanged;
};

std::string contentOf(const test::TempInstallation& stand, const char* file) {
    return std::filesystem::is_directory(stand.path(file)) ? "<folder>" : stand.read(file);
}

void typeInto(QLineEdit* cell, const char* text) {
    cell->selectAll();
    QTest::keyClicks(cell, QString::fromLatin1(text));
}

TEST(Leaving, asksOnlyWhenSomethingIsUnsaved_andDoesWhatTheAnswerSays) {
#define SAVE "Save the changes to the archive before leaving?"
#define LEAVE "Leave without saving?"
    const Case cases[] = {
        {"main, nothing unsaved", Which::Main, Setup::Plain, false, How::Button, Reply::None, "",
         true, false},
        {"main, Exit, Yes", Which::Main, Setup::Plain, true, How::Button, Reply::Yes,
         SAVE "|Successfully saved!", true, true},
        {"main, Ctrl+Q, No", Which::Main, Setup::Plain, true, How::Key, Reply::No, SAVE, true,
         false},
        {"main, close box, Cancel", Which::Main, Setup::Plain, true, How::CloseBox, Reply::Cancel,
         SAVE, false, false},
        {"main, Yes but the save fails", Which::Main, Setup::ArchiveBecomesFolder, true,
         How::Button, Reply::Yes, SAVE "|The archive was not saved.", false, false},
        {"main, archive that must not be written", Which::Main, Setup::ArchiveUnreadable, true,
         How::Button, Reply::None, "", true, false},
        {"main, MIDI window keeps its edits", Which::Main, Setup::MidiEditedToo, false, How::Button,
         Reply::None, LEAVE, false, false},
        {"playlist, nothing unsaved", Which::Playlist, Setup::Plain, false, How::Button,
         Reply::None, "", true, false},
        {"playlist, Esc, No", Which::Playlist, Setup::Plain, true, How::Key, Reply::No, LEAVE,
         false, false},
        {"playlist, close box, Yes", Which::Playlist, Setup::Plain, true, How::CloseBox, Reply::Yes,
         LEAVE, true, false},
        {"midi, nothing unsaved", Which::Midi, Setup::Plain, false, How::Key, Reply::None, "", true,
         false},
        {"midi, Esc button, No", Which::Midi, Setup::Plain, true, How::Button, Reply::No, LEAVE,
         false, false},
        {"midi, close box, Yes", Which::Midi, Setup::Plain, true, How::CloseBox, Reply::Yes, LEAVE,
         true, false},
    };
#undef SAVE
#undef LEAVE
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempInstallation stand;
        stand.write("spartiti\\archivio.js",
                    crlf({"var archivio = [", R"("1","Song 1","A","t","0",)",
                          R"("2","Song 2","A","t","0",)", " ];"}));
        stand.write("spartiti\\playlist.js",
                    crlf({"var playlist = [", R"("Sunday","2,1,#",)", " ];"}));
        std::string midi = crlf({"var midi = [", R"("2",)"});
        for (int channel = 1; channel <= kMidiChannels; ++channel)
            midi += crlf({R"("000,000,000",)"});
        stand.write("spartiti\\midi.js", midi + crlf({" ];"}));
        if (c.setup == Setup::ArchiveUnreadable) {
            std::filesystem::remove(stand.path("spartiti\\archivio.js"));
            std::filesystem::create_directory(stand.path("spartiti\\archivio.js"));
        }
        SharedState state{stand.installation()};
        test::FakeDialogs dialogs;
        ProgramWindows windows{state, dialogs};
        windows.openMainWindow();
        Form1* main = windows.mainWindow();
        main->show();
        dialogs.clear();

        const char* file = c.which == Which::Playlist ? "spartiti\\playlist.js"
                           : c.which == Which::Midi   ? "spartiti\\midi.js"
                                                      : "spartiti\\archivio.js";
        QPointer<QWidget> target = main;
        if (c.which == Which::Playlist) {
            test::triggerEnabled(main->playlist);
            target = windows.playlistManager();
        }
        if (c.which == Which::Midi || c.setup == Setup::MidiEditedToo) {
            test::triggerEnabled(main->midi);
            if (c.which == Which::Midi)
                target = windows.midiWindow();
        }
        ASSERT_FALSE(target.isNull());
        if (c.setup == Setup::MidiEditedToo)
            typeInto(windows.midiWindow()->PC[16], "42");

        if (c.edit && c.which == Which::Main) {
            if (c.setup == Setup::ArchiveUnreadable)
                test::clickEnabled(main->Command5);
            QTest::keyClicks(main->Text2, " live");
        }
        if (c.edit && c.which == Which::Playlist) {
            windows.playlistManager()->List1->setCurrentRow(0);
            test::clickEnabled(windows.playlistManager()->Command2);
        }
        if (c.edit && c.which == Which::Midi)
            typeInto(windows.midiWindow()->MSB[1], "42");
        if (c.setup == Setup::ArchiveBecomesFolder) {
            std::filesystem::remove(stand.path(file));
            std::filesystem::create_directory(stand.path(file));
        }
        const std::string before = contentOf(stand, file);
        if (c.answer != Reply::None && c.which == Which::Main)
            dialogs.setNextChoice(c.answer == Reply::Yes  ? Answer::Yes
                                  : c.answer == Reply::No ? Answer::No
                                                          : Answer::Cancel);
        if (c.answer != Reply::None && c.which != Which::Main)
            dialogs.setNextAnswer(c.answer == Reply::Yes);

        switch (c.how) {
        case How::Button:
            if (c.which == Which::Main)
                test::triggerEnabled(main->chiudi);
            if (c.which == Which::Playlist)
                test::clickEnabled(windows.playlistManager()->Command7);
            if (c.which == Which::Midi)
                test::clickEnabled(windows.midiWindow()->Command1);
            break;
        case How::Key:
            QApplication::setActiveWindow(target);
            ASSERT_TRUE(QTest::qWaitForWindowActive(target));
            if (c.which == Which::Main) {
                ASSERT_EQ(main->chiudi->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
                QTest::keyClick(main->Text2, Qt::Key_Q, Qt::ControlModifier);
            }
            if (c.which == Which::Playlist)
                QTest::keyClick(windows.playlistManager()->List2, Qt::Key_Escape);
            if (c.which == Which::Midi)
                QTest::keyClick(windows.midiWindow()->MSB[1], Qt::Key_Escape);
            break;
        case How::CloseBox:
            target->close();
            break;
        }

        const QStringList shown = dialogs.texts();
        const QStringList expected = QString::fromLatin1(c.shown).split('|', Qt::SkipEmptyParts);
        ASSERT_EQ(shown.size(), expected.size()) << shown.join(" | ").toStdString();
        for (qsizetype i = 0; i < shown.size(); ++i)
            EXPECT_TRUE(shown[i].startsWith(expected[i])) << shown[i].toStdString();
        if (c.which == Which::Main) {
            EXPECT_EQ(windows.exitRequested(), c.left);
        } else {
            const bool gone = QTest::qWaitFor([&] { return target.isNull(); }, c.left ? 2000 : 50);
            EXPECT_EQ(gone, c.left);
        }
        if (!c.left) {
            EXPECT_TRUE(target->isVisible());
        }
        if (c.setup == Setup::MidiEditedToo) {
            EXPECT_NE(windows.midiWindow(), nullptr);
        }
        EXPECT_EQ(contentOf(stand, file) != before, c.fileChanged);
    }
}

// However the program is left, unsaved edits are asked about once. The program's event loop
// runs as it does for a user, so that ending it closes the windows still open.
TEST(Leaving, everyWayOut_asksOnceAndDoesWhatTheAnswerSays) {
    enum class Way { Menu, CtrlQ, CloseBox, SessionEnd };
    struct Row {
        const char* name;
        Way way;
        Answer answer;
        bool left;
        bool saved;
    };
    const Row rows[] = {
        {"Exit, No", Way::Menu, Answer::No, true, false},
        {"Ctrl+Q, No", Way::CtrlQ, Answer::No, true, false},
        {"close box, No", Way::CloseBox, Answer::No, true, false},
        {"logging out, No", Way::SessionEnd, Answer::No, true, false},
        {"Exit, Yes", Way::Menu, Answer::Yes, true, true},
        {"Ctrl+Q, Cancel", Way::CtrlQ, Answer::Cancel, false, false},
        {"logging out, Cancel", Way::SessionEnd, Answer::Cancel, false, false},
    };
    const bool quitOnLastWindow = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(false);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempInstallation stand;
        const std::string archive = test::songArchive(2, "Song");
        stand.write("spartiti\\archivio.js", archive);
        SharedState state{stand.installation()};
        test::FakeDialogs dialogs;
        ProgramWindows windows{state, dialogs};
        windows.openMainWindow();
        Form1* main = windows.mainWindow();
        QApplication::setActiveWindow(main);
        ASSERT_TRUE(QTest::qWaitForWindowActive(main));
        QTest::keyClicks(main->Text2, " live");
        dialogs.clear();
        // One answer only: a second question would get Cancel and keep the program open.
        dialogs.setNextChoice(row.answer);

        auto leave = [&] {
            switch (row.way) {
            case Way::Menu:
                test::triggerEnabled(main->chiudi);
                break;
            case Way::CtrlQ:
                QTest::keyClick(main->Text2, Qt::Key_Q, Qt::ControlModifier);
                break;
            case Way::CloseBox:
                main->close();
                break;
            case Way::SessionEnd: {
                // What the desktop sends when the session ends.
                QEvent quit(QEvent::Quit);
                QCoreApplication::sendEvent(qApp, &quit);
                break;
            }
            }
            // Whatever the leaving posted runs first.
            QMetaObject::invokeMethod(
                qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
        };
        QMetaObject::invokeMethod(main, leave, Qt::QueuedConnection);
        QApplication::exec();

        const QStringList expected{
            QStringLiteral("Save the changes to the archive before leaving?")};
        EXPECT_EQ(dialogs.texts().filter(QStringLiteral("before leaving")), expected);
        EXPECT_EQ(windows.exitRequested(), row.left);
        EXPECT_EQ(main->isVisible(), !row.left);
        EXPECT_EQ(stand.read("spartiti\\archivio.js") != archive, row.saved);
    }
    QApplication::setQuitOnLastWindowClosed(quitOnLastWindow);
}

} // namespace
} // namespace folio
