// The playlist manager driven like a user: choosing, adding, reordering, saving and deleting
// playlists on a temporary installation, with the files checked byte for byte.
#include "app/program_windows.h"
#include "core/absorption/absorption.h"
#include "core/absorption/absorption_undo.h"
#include "support/fake_dialogs.h"
#include "support/fault_injection.h"
#include "support/qt_printers.h"
#include "support/temp_installation.h"
#include "support/user_input.h"
#include "windows/common/shared_state.h"
#include "windows/main/form1.h"
#include "windows/playlists/playlist_window.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <tuple>

namespace folio {
namespace {

using test::crlf;
using Kind = test::FakeDialogs::Kind;

const std::string kExample =
    crlf({"var playlist = [", R"("Sunday","12,5,7,#",)", R"("Warm-up","#",)", " ];"});

QStringList rowsOf(const QListWidget* list) {
    QStringList rows;
    for (int row = 0; row < list->count(); ++row)
        rows << list->item(row)->text();
    return rows;
}

class PlaylistWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* titles[] = {"Yesterday", "alpha",   "\xC9tude", "Zebra", "Bravo", "Eagle",
                                "Charlie",   "Study 2", "Study 10", "Delta", "Echo",  "Yesterday"};
        for (int n = 1; n <= 12; ++n)
            state.archive.slot(n) = {std::to_string(n), titles[n - 1], "Author", "tag", "1"};
        state.archive.setEntryCount(12);
        stand.write("spartiti\\playlist.js", kExample);
    }
    void open() {
        window = std::make_unique<playlistfrm>(state, dialogs);
        window->show();
    }
    std::string file() const { return stand.read("spartiti\\playlist.js"); }
    // Opens the playlists box and clicks the name in its list.
    void choose(const QString& name) {
        const int index = window->Combo1->findText(name);
        ASSERT_GE(index, 0) << name.toStdString();
        window->Combo1->showPopup();
        QAbstractItemView* names = window->Combo1->view();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(names->window()));
        QTest::mouseClick(names->viewport(), Qt::LeftButton, {},
                          names->visualRect(names->model()->index(index, 0)).center());
        EXPECT_FALSE(names->isVisible());
    }
    void clickRow(QListWidget* list, int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
    }
    void add(const QString& title) {
        const QList<QListWidgetItem*> found = window->List1->findItems(title, Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << title.toStdString();
        clickRow(window->List1, window->List1->row(found.front()));
        test::clickEnabled(window->Command2);
    }
    void typeName(const QString& name) {
        window->Text1->clear();
        QTest::keyClicks(window->Text1, name);
    }

    test::TempInstallation stand;
    SharedState state{stand.installation()};
    test::FakeDialogs dialogs;
    std::unique_ptr<playlistfrm> window;
};

TEST_F(PlaylistWindowTest, firstStart_createsTheEmptyFileAndListsTitlesInReadingOrder) {
    std::filesystem::remove(stand.path("spartiti\\playlist.js"));
    open();
    EXPECT_EQ(file(), crlf({"var playlist = [", " ];"}));
    EXPECT_EQ(window->windowTitle(), "Playlist Manager");
    const std::vector<std::tuple<const char*, const char*, const char*>> buttons = {
        {"Command1", "Save", ""},
        {"Command2", "ADD", ""},
        {"Command3", "Move up", "Seleziona un brano per spostare su"},
        {"Command4", "Move down", "Seleziona un brano per spostaregiu"},
        {"Command5", "New playlist", ""},
        {"Command6", "Remove", "Elimina un brano dalla playlist"},
        {"Command7", "Esc", ""},
        {"Command8", "Delete playlist", "Cancella Playlist"},
    };
    for (const auto& [name, caption, tip] : buttons) {
        const auto* button = window->findChild<QPushButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->text(), caption);
        EXPECT_EQ(button->toolTip(), tip);
    }
    EXPECT_EQ(window->findChild<QLabel*>("Label2")->text(), "Playlist name");
    EXPECT_EQ(window->Label1->text(), "0");
    EXPECT_EQ(window->Combo1->count(), 0);
    EXPECT_EQ(window->Combo1->currentText(), "Playlist");
    EXPECT_EQ(rowsOf(window->List1),
              (QStringList{"alpha", "Bravo", "Charlie", "Delta", "Eagle", "Echo",
                           QStringLiteral(u"Étude"), "Study 2", "Study 10", "Yesterday (1)",
                           "Yesterday (12)", "Zebra"}));
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(PlaylistWindowTest, choosingAPlaylist_showsItsTitlesAndName) {
    state.archive.setEntryCount(11); // entry 12 now lies above the archive
    stand.write("spartiti\\playlist.js",
                crlf({"var playlist = [", R"("Sunday","2,,abc,0,10000,12,5,#",)", " ];"}));
    open();
    EXPECT_EQ(window->Label1->text(), "1");
    choose("Sunday");
    EXPECT_EQ(window->Text1->text(), "Sunday");
    EXPECT_EQ(rowsOf(window->List2), (QStringList{"alpha", " _12", "Bravo"}));
    EXPECT_EQ(window->trackNumbers(), (std::vector<int>{2, 12, 5}));
    test::clickEnabled(window->Command1);
    EXPECT_EQ(file(), crlf({"var playlist = [", R"("Sunday","2,12,5,#",)", " ];"}));
}

TEST_F(PlaylistWindowTest, newPlaylist_builtReorderedAndSaved_isListedAndSavedAgainInPlace) {
    open();
    test::clickEnabled(window->Command5);
    typeName(QStringLiteral("Evening, late"));
    for (const char* title : {"Bravo", "Yesterday (12)", "Delta", "Echo", "Charlie"})
        add(QString::fromLatin1(title));
    EXPECT_EQ(rowsOf(window->List2),
              (QStringList{"Bravo _5", "Yesterday _12", "Delta _10", "Echo _11", "Charlie _7"}));
    clickRow(window->List2, 3);
    test::clickEnabled(window->Command3); // Echo up
    test::clickEnabled(window->Command3); // and up again
    clickRow(window->List2, 0);
    test::clickEnabled(window->Command4); // Bravo down
    clickRow(window->List2, 4);
    test::clickEnabled(window->Command6); // Charlie removed
    EXPECT_EQ(window->trackNumbers(), (std::vector<int>{11, 5, 12, 10}));
    EXPECT_EQ(window->List2->currentRow(), 3);

    test::clickEnabled(window->Command1);
    const std::string saved =
        crlf({"var playlist = [", R"("Sunday","12,5,7,#",)", R"("Warm-up","#",)",
              R"("Evening, late","11,5,12,10,#",)", " ];"});
    EXPECT_EQ(file(), saved);
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown().front().text, "Successfully saved");
    EXPECT_EQ(dialogs.shown().front().title, "Ok!");
    EXPECT_EQ(window->Label1->text(), "3");
    EXPECT_EQ(window->Combo1->currentText(), "Evening, late");
    EXPECT_EQ(window->Combo1->count(), 3);

    test::clickEnabled(window->Command1); // the same name again replaces instead of adding
    EXPECT_EQ(file(), saved);
    // Added rows name their entry; chosen again, the playlist shows its titles alone.
    EXPECT_EQ(rowsOf(window->List2),
              (QStringList{"Echo _11", "Bravo _5", "Yesterday _12", "Delta _10"}));
    choose("Evening, late");
    EXPECT_EQ(rowsOf(window->List2), (QStringList{"Echo", "Bravo", "Yesterday", "Delta"}));
}

// A chosen playlist saved under a new name asks whether it is renamed or kept beside the new
// one; a name typed as the file cannot carry it is asked about as it will be saved.
TEST_F(PlaylistWindowTest, renamingAChosenPlaylist_asksRenameOrKeepBoth) {
    const std::string sunday = R"("Sunday","12,5,7,#",)";
    const std::string warmUp = R"("Warm-up","#",)";
    const std::string evening = R"("Evening","12,5,7,#",)";
    struct Row {
        const char* button;
        std::string after;
        QStringList boxes;
        QString shownName;
    };
    const QString asked = QStringLiteral("Rename \"Sunday\" to \"Evening\", or keep both?");
    const Row rows[] = {
        {"Rename",
         crlf({"var playlist = [", evening, warmUp, " ];"}),
         {asked, "Successfully saved"},
         "Evening"},
        {"Keep both",
         crlf({"var playlist = [", sunday, warmUp, evening, " ];"}),
         {asked, "Successfully saved"},
         "Evening"},
        {"Cancel", kExample, {asked}, "Sunday"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.button);
        stand.write("spartiti\\playlist.js", kExample);
        open();
        choose("Sunday");
        typeName(QStringLiteral("Eve\"ning\\"));
        EXPECT_EQ(window->Text1->text(), "Evening");
        dialogs.clear();
        dialogs.setNextButton(QString::fromLatin1(row.button));
        test::clickEnabled(window->Command1);
        EXPECT_EQ(file(), row.after);
        EXPECT_EQ(dialogs.texts(), row.boxes);
        EXPECT_EQ(dialogs.shown().front().buttons, (QStringList{"Rename", "Keep both", "Cancel"}));
        EXPECT_EQ(window->Combo1->currentText(), row.shownName);
        EXPECT_EQ(window->hasUnsavedChanges(), row.after == kExample);
        // Saved once, the new name is the playlist's own: saving again asks nothing.
        dialogs.clear();
        if (row.after != kExample) {
            test::clickEnabled(window->Command1);
            EXPECT_EQ(file(), row.after);
            EXPECT_EQ(dialogs.texts(), QStringList{"Successfully saved"});
        }
    }
}

TEST_F(PlaylistWindowTest, savesAndReads_neverLoseAnotherPlaylistOrALine) {
    const std::string sunday = R"("Sunday","12,5,7,#",)";
    const std::string warmUp = R"("Warm-up","#",)";
    struct Case {
        const char* what;
        std::string before;
        std::function<void()> act;
        std::string after;
        QStringList shown;
    };
    const std::vector<Case> cases = {
        {"a new playlist of a taken name, saved twice, replaces only itself",
         kExample,
         [&] {
             test::clickEnabled(window->Command5);
             typeName("Sunday");
             add("Bravo");
             test::clickEnabled(window->Command1);
             add("Delta");
             test::clickEnabled(window->Command1);
         },
         crlf({"var playlist = [", sunday, warmUp, R"("Sunday","5,10,#",)", " ];"}),
         {"Successfully saved", "Successfully saved"}},
        {"a chosen playlist renamed to a taken name asks first",
         kExample,
         [&] {
             choose("Sunday");
             typeName("Warm-up");
             dialogs.setNextButton("Rename");
             test::clickEnabled(window->Command1); // No
             dialogs.setNextButton("Rename");
             dialogs.setNextAnswer(true);
             test::clickEnabled(window->Command1);
         },
         crlf({"var playlist = [", R"("Warm-up","12,5,7,#",)", warmUp, " ];"}),
         {"Rename \"Sunday\" to \"Warm-up\", or keep both?",
          "A playlist named Warm-up already exists. Save anyway?",
          "Rename \"Sunday\" to \"Warm-up\", or keep both?",
          "A playlist named Warm-up already exists. Save anyway?", "Successfully saved"}},
        {"the first of two of a name is shown and saved alone",
         crlf({"var playlist = [", R"("A","2,#",)", warmUp, R"("A","3,#",)", " ];"}),
         [&] {
             choose("A");
             EXPECT_EQ(rowsOf(window->List2), QStringList{"alpha"});
             add("Bravo");
             test::clickEnabled(window->Command1);
         },
         crlf({"var playlist = [", R"("A","2,5,#",)", warmUp, R"("A","3,#",)", " ];"}),
         {"Successfully saved"}},
        // Saving over another program's change is asked first; the playlist it changed is kept.
        {"a playlist changed in the file since it was chosen is kept",
         kExample,
         [&] {
             choose("Sunday");
             stand.write("spartiti\\playlist.js",
                         crlf({"var playlist = [", R"("Sunday","1,#",)", warmUp, " ];"}));
             dialogs.setNextAnswer(true);
             test::clickEnabled(window->Command1);
         },
         crlf({"var playlist = [", R"("Sunday","1,#",)", warmUp, sunday, " ];"}),
         {"playlist.js was changed by another program since Folioscribe read it. Save over it? "
          "The other version is kept, and \"Restore…\" brings it back.",
          "The playlist Sunday was changed or removed in the playlist file since it was read, "
          "so it was saved as a new playlist after the others."}},
        {"a blank line and a closing line with a trailing blank",
         crlf({"var playlist = [", sunday, "", R"("Warm-up","3,#",)", " ]; "}),
         [&] {
             choose("Warm-up");
             test::clickEnabled(window->Command1);
         },
         crlf({"var playlist = [", sunday, R"("Warm-up","3,#",)", " ];"}),
         {"1 line of playlist.js could not be read and will be dropped at the next save",
          "Successfully saved"}},
        {"two unread lines and a closing line without its space",
         crlf({"var playlist = [", "", sunday, "junk", warmUp, "];"}),
         [&] {},
         crlf({"var playlist = [", "", sunday, "junk", warmUp, "];"}),
         {"2 lines of playlist.js could not be read and will be dropped at the next save"}},
        {"a stored name is shown and saved as it stands",
         crlf({"var playlist = [", R"("AC\DC hits","12,#",)", " ];"}),
         [&] {
             choose("AC\\DC hits");
             EXPECT_EQ(window->Text1->text(), "AC\\DC hits");
             add("Bravo");
             test::clickEnabled(window->Command1);
             test::clickEnabled(window->Command1);
         },
         crlf({"var playlist = [", R"("AC/DC hits","12,5,#",)", " ];"}),
         {"Successfully saved", "Successfully saved"}},
        {"blanks around track numbers",
         crlf({"var playlist = [", R"("Sunday","12, 5, 7,#",)"}),
         [&] {
             choose("Sunday");
             EXPECT_EQ(window->trackCount(), 3);
             test::clickEnabled(window->Command1);
         },
         crlf({"var playlist = [", sunday, " ];"}),
         {"Successfully saved"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        stand.write("spartiti\\playlist.js", c.before);
        dialogs.clear();
        open();
        c.act();
        EXPECT_EQ(file(), c.after);
        EXPECT_EQ(dialogs.texts(), c.shown);
    }
}

// What stands at the file's name and cannot be read (as root too) is reported at opening and
// never replaced: not by the empty file that a missing one gets, not by a save.
TEST_F(PlaylistWindowTest, unreadableFile_isReportedAndNeverWrittenOver) {
    const struct {
        const char* what;
        std::function<void()> make;
    } cases[] = {
        {"a folder", [&] { stand.write("spartiti\\playlist.js\\inside.txt", "kept"); }},
#ifndef _WIN32
        {"a link to a share that is offline",
         [&] {
             std::filesystem::create_symlink(stand.path("offline\\playlist.js"),
                                             stand.path("spartiti\\playlist.js"));
         }},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(stand.path("spartiti\\playlist.js"));
        c.make();
        const auto before = test::folderContents(stand.root());
        dialogs.clear();
        open();
        ASSERT_EQ(dialogs.errors().size(), 1);
        EXPECT_TRUE(dialogs.errors().front().contains("is there but cannot be read"))
            << dialogs.errors().front().toStdString();
        add("Bravo");
        typeName("Evening");
        EXPECT_FALSE(window->Command1->isEnabled());
        EXPECT_FALSE(window->Command8->isEnabled());
        EXPECT_TRUE(dialogs.messages().isEmpty());
        EXPECT_EQ(test::folderContents(stand.root()), before);
    }
}

TEST_F(PlaylistWindowTest, movesWithoutRoom_andRemovingTheLastRow) {
    open();
    choose("Sunday");
    test::clickEnabled(window->Command3); // nothing selected
    clickRow(window->List2, 0);
    test::clickEnabled(window->Command3); // top row cannot go up
    clickRow(window->List2, 2);
    test::clickEnabled(window->Command4); // bottom row cannot go down
    EXPECT_EQ(window->trackNumbers(), (std::vector<int>{12, 5, 7}));
    for (int i = 0; i < 3; ++i) {
        clickRow(window->List2, 0);
        test::clickEnabled(window->Command6);
    }
    EXPECT_EQ(window->trackCount(), 0);
    test::clickEnabled(window->Command1);
    EXPECT_EQ(file(), crlf({"var playlist = [", R"("Sunday","#",)", R"("Warm-up","#",)", " ];"}));
}

TEST_F(PlaylistWindowTest, refusedSaves_leaveTheFileAndSayWhy) {
    std::string full = "var playlist = [\r\n";
    for (int i = 1; i <= PlaylistStore::kMaxPlaylists; ++i)
        full += "\"L" + std::to_string(i) + "\",\"#\",\r\n";
    full += " ];\r\n";
    struct Case {
        std::string before;
        QString name;
        QString message;
    };
    const std::vector<Case> cases = {
        {kExample, "", "You must type a name for the playlist"},
        {kExample, "];",
         "A playlist cannot be named ];: the stand would read it as the end of "
         "the playlist file."},
        {full, "One more",
         "The playlist One more was not saved. The playlist file already "
         "holds 999 playlists, as many as the stand can take."},
    };
    for (const Case& c : cases) {
        stand.write("spartiti\\playlist.js", c.before);
        open();
        dialogs.clear();
        add("Bravo");
        typeName(c.name);
        test::clickEnabled(window->Command1);
        EXPECT_EQ(file(), c.before) << c.name.toStdString();
        ASSERT_EQ(dialogs.shown().size(), 1u);
        EXPECT_EQ(dialogs.shown().front().text, c.message);
        EXPECT_EQ(dialogs.shown().front().title, "Warning!");
    }
}

TEST_F(PlaylistWindowTest, failedWrite_keepsTheFileTheListsAndGivesNoSuccess) {
    open();
    add("Bravo");
    typeName(QStringLiteral("A long name that makes the file larger than the limit"));
    {
        test::FileSizeLimit limit(kExample.size() + 10);
        test::clickEnabled(window->Command1);
    }
    EXPECT_EQ(file(), kExample);
    EXPECT_EQ(stand.temporaryFileCount(), 0);
    EXPECT_TRUE(dialogs.messages().isEmpty());
    ASSERT_EQ(dialogs.errors().size(), 1);
    EXPECT_TRUE(dialogs.errors().front().startsWith("The playlist A long name"))
        << dialogs.errors().front().toStdString();
    EXPECT_EQ(window->Combo1->count(), 2);
    EXPECT_EQ(window->Label1->text(), "2");
}

TEST_F(PlaylistWindowTest, addingPastCapacity_andVanishedFile) {
    open();
    add("Bravo");
    for (int i = 1; i < PlaylistStore::kMaxTracks; ++i) {
        dialogs.setNextAnswer(true); // Bravo again
        test::clickEnabled(window->Command2);
    }
    EXPECT_EQ(window->trackCount(), PlaylistStore::kMaxTracks);
    test::clickEnabled(window->Command2);
    EXPECT_EQ(window->trackCount(), PlaylistStore::kMaxTracks);
    EXPECT_EQ(dialogs.messages(), QStringList{"A playlist holds at most 1000 tracks: the title "
                                              "was not added."});

    std::filesystem::remove(stand.path("spartiti\\playlist.js"));
    typeName(QStringLiteral("Long"));
    test::clickEnabled(window->Command1);
    std::string tracks;
    for (int i = 0; i < PlaylistStore::kMaxTracks; ++i)
        tracks += "5,";
    EXPECT_EQ(file(), crlf({"var playlist = [", "\"Long\",\"" + tracks + "#\",", " ];"}));
    EXPECT_EQ(window->Label1->text(), "1");
}

// Of two playlists of one name, only the chosen one goes.
TEST_F(PlaylistWindowTest, deletePlaylist_asksAndRemovesOnlyTheChosenPlaylist) {
    stand.write("spartiti\\playlist.js", crlf({"var playlist = [", R"("A","1,#",)", R"("B","2,#",)",
                                               R"("A","3,#",)", " ];"}));
    open();
    test::clickEnabled(window->Command8);
    EXPECT_EQ(dialogs.messages(),
              QStringList{"Choose the playlist to delete in the playlists box."});
    choose("A");
    test::clickEnabled(window->Command8); // answered No
    EXPECT_EQ(dialogs.shown().back().kind, Kind::Question);
    EXPECT_EQ(dialogs.shown().back().text, "Delete the playlist A?");
    EXPECT_EQ(window->Combo1->count(), 3);
    dialogs.setNextAnswer(true);
    test::clickEnabled(window->Command8);
    EXPECT_EQ(file(), crlf({"var playlist = [", R"("B","2,#",)", R"("A","3,#",)", " ];"}));
    EXPECT_EQ(window->Combo1->count(), 2);
    EXPECT_EQ(window->Combo1->itemText(0), "B");
    EXPECT_EQ(window->Label1->text(), "2");
    EXPECT_TRUE(window->Text1->text().isEmpty());
    // Nothing of the deleted playlist stays on screen, and nothing is left to save.
    EXPECT_EQ(window->List2->count(), 0);
    EXPECT_EQ(window->trackCount(), 0);
    EXPECT_FALSE(window->hasUnsavedChanges());
}

// Choosing another playlist or "New playlist" drops an edited track list only after a Yes.
TEST_F(PlaylistWindowTest, choosingAnotherOrNew_asksBeforeDroppingAnEditedList) {
    struct Row {
        bool viaNew;
        bool yes;
        std::vector<int> tracksAfter;
        QString nameAfter;
    };
    const std::vector<Row> rows = {
        {false, false, {12, 5, 7, 2}, "Sunday"},
        {false, true, {}, "Warm-up"},
        {true, false, {12, 5, 7, 2}, "Sunday"},
        {true, true, {}, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.viaNew ? "New playlist" : "choose Warm-up");
        open();
        choose("Sunday");
        add("alpha");
        dialogs.clear();
        dialogs.setNextAnswer(row.yes);
        if (row.viaNew)
            test::clickEnabled(window->Command5);
        else
            choose("Warm-up");
        ASSERT_EQ(dialogs.shown().size(), 1u);
        EXPECT_EQ(dialogs.shown()[0].text, "Drop the unsaved changes to this playlist?");
        EXPECT_TRUE(dialogs.shown()[0].defaultNo);
        EXPECT_EQ(window->trackNumbers(), row.tracksAfter);
        EXPECT_EQ(window->Text1->text(), row.nameAfter);
        if (!row.yes) {
            EXPECT_EQ(window->Combo1->currentText(), "Sunday");
        }
        if (row.yes) { // with nothing changed since, nothing is asked
            dialogs.clear();
            test::clickEnabled(window->Command5);
            EXPECT_TRUE(dialogs.shown().empty());
        }
        window.reset();
    }
    EXPECT_EQ(file(), kExample);
}

TEST_F(PlaylistWindowTest, keyboard_addsRemovesMovesAndCloses) {
    open();
    QListWidget* titles = window->List1;
    titles->setFocus();
    clickRow(titles, 0);                     // alpha
    QTest::keyClick(titles, Qt::Key_Return); // adds alpha
    const QPoint bravo = titles->visualItemRect(titles->item(1)).center();
    QTest::mousePress(titles->viewport(), Qt::LeftButton, {}, bravo);
    QTest::mouseRelease(titles->viewport(), Qt::LeftButton, {}, bravo);
    QTest::mouseDClick(titles->viewport(), Qt::LeftButton, {}, bravo); // adds Bravo
    EXPECT_EQ(window->trackNumbers(), (std::vector<int>{2, 5}));
    clickRow(window->List2, 1);
    QTest::keyClick(window->List2, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(window->trackNumbers(), (std::vector<int>{5, 2}));
    QTest::keyClick(window->List2, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(window->trackNumbers(), (std::vector<int>{2, 5}));
    QTest::keyClick(window->List2, Qt::Key_Delete);
    EXPECT_EQ(window->trackNumbers(), (std::vector<int>{2}));
    dialogs.setNextAnswer(true);
    QTest::keyClick(window->List2, Qt::Key_Escape);
    EXPECT_EQ(dialogs.texts(), QStringList{"Leave without saving?"});
    EXPECT_FALSE(window->isVisible());
}

TEST(PlaylistManagerLifecycle, menuCommand_bringsOneWindowToTheFrontAndEscLoadsAfresh) {
    test::TempInstallation stand;
    stand.write("spartiti\\archivio.js", crlf({"var archivio = [", R"("1",)", R"("Song one",)",
                                               R"("A",)", R"("t",)", R"("0",)", " ];"}));
    SharedState state{stand.installation()};
    test::FakeDialogs dialogs;
    ProgramWindows windows{state, dialogs};
    windows.openMainWindow();
    test::triggerEnabled(windows.mainWindow()->playlist);
    QPointer<playlistfrm> first = windows.playlistManager();
    ASSERT_FALSE(first.isNull());
    first->Text1->setText(QStringLiteral("Unsaved"));
    test::triggerEnabled(windows.mainWindow()->playlist);
    EXPECT_EQ(windows.playlistManager(), first.data());
    EXPECT_EQ(first->Text1->text(), "Unsaved");

    stand.write("spartiti\\playlist.js", kExample);
    dialogs.setNextAnswer(true);
    test::clickEnabled(first->Command7);
    EXPECT_EQ(dialogs.texts(), QStringList{"Leave without saving?"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return first.isNull(); }, 2000));
    test::triggerEnabled(windows.mainWindow()->playlist);
    playlistfrm* again = windows.playlistManager();
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->Text1->text().isEmpty());
    EXPECT_EQ(again->Label1->text(), "2");
    EXPECT_EQ(again->List1->count(), 1);
}

// The titles to add from are the archive's as it is now, whatever changed it while the window
// is open: a save in the main window, an absorption, the absorption taken back.
TEST(PlaylistManagerTitles, followTheArchiveWhateverChangesIt) {
    test::TempInstallation stand;
    stand.write("spartiti\\archivio.js", test::songArchive(2, "Song"));
    test::TempInstallation other;
    other.write("spartiti\\archivio.js", test::songArchive(1, "Theirs"));
    SharedState state{stand.installation()};
    test::FakeDialogs dialogs;
    ProgramWindows windows{state, dialogs};
    windows.openMainWindow();
    test::triggerEnabled(windows.mainWindow()->playlist);
    const QPointer<playlistfrm> manager = windows.playlistManager();
    ASSERT_FALSE(manager.isNull());

    auto titles = [&] {
        QStringList shown;
        for (int row = 0; row < manager->List1->count(); ++row)
            shown << manager->List1->item(row)->text();
        return shown;
    };
    struct Step {
        const char* name;
        std::function<void()> change;
        QStringList titles;
    };
    const Step steps[] = {
        {"a title saved in the main window",
         [&] {
             Form1* main = windows.mainWindow();
             main->VScroll1->setValue(2);
             main->Text2->selectAll();
             QTest::keyClicks(main->Text2, QStringLiteral("Evening Prelude"));
             test::clickEnabled(main->Command1);
         },
         {"Evening Prelude", "Song 1"}},
        {"an absorption",
         [&] {
             // What the absorption window does: write the archive, then open the main window anew.
             SourceArchive source;
             loadSourceArchive(other.root(), source);
             const char* stamp = "2026-03-04 05-06-07";
             const Absorption done = appendAndWrite(state.archive, stand.installation(),
                                                    other.root(), source.entries, stamp);
             EXPECT_TRUE(recordAbsorption(stand.installation(), done,
                                          attachFiles(done, stand.installation(), stamp))
                             .ok);
             windows.reopenMainWindow();
         },
         {"Evening Prelude", "Song 1", "Theirs 1"}},
        {"the absorption undone",
         [&] {
             windows.mainWindow()->updateUndoCommand();
             test::triggerEnabled(windows.mainWindow()->undoAbsorption);
         },
         {"Evening Prelude", "Song 1"}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.change();
        ASSERT_FALSE(manager.isNull());
        EXPECT_EQ(titles(), step.titles);
    }
}

} // namespace
} // namespace folio
