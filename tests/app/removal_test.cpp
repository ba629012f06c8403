// Removing and merging scores from the library and the main window: every open window shows the
// renumbered stand, the undo puts every file back, and a removal stopped part-way is settled
// when the stand opens.
#include "app/program_windows.h"
#include "core/playlists/playlist_store.h"
#include "core/removal/removal.h"
#include "support/data_files.h"
#include "support/program_fixture.h"
#include "support/rows.h"
#include "support/user_input.h"
#include "windows/library/library_model.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace folio {
namespace {

constexpr int kScores = 6;

class RemovalTest : public test::ProgramFixture {
protected:
    // Six scores with their pages; a playlist naming each in turn; MIDI set-ups as given.
    static void writeStand(const test::TempInstallation& where,
                           const std::vector<std::vector<std::string>>& setUps) {
        where.write("spartiti\\archivio.js", test::archiveFile(test::songs(kScores)));
        for (int n = 1; n <= kScores; ++n) {
            where.write("spartiti\\" + std::to_string(n) + "L.jpg", "left " + std::to_string(n));
            where.write("spartiti\\" + std::to_string(n) + "R.jpg", "right " + std::to_string(n));
        }
        where.write("spartiti\\playlist.js", playlistFileBytes({{"Set 1", "1,2,3,4,5,6,#"}}));
        where.write("spartiti\\midi.js", test::midiFile(setUps));
    }
    void SetUp() override {
        writeStand(stand, {test::midiRecord("2", {"000,000,002"}),
                           test::midiRecord("5", {"000,000,005"})});
        windows.openMainWindow();
        main = windows.mainWindow();
    }
    // The main window at score, and the library, the playlist manager and the MIDI window open.
    void openEveryWindow(int score) {
        main->VScroll1->setValue(score);
        windows.showLibrary();
        windows.showPlaylistManager();
        windows.showMidiDevice();
    }
    // Selects the library's rows of entries, as a user's clicks do.
    void selectInLibrary(const std::vector<int>& entries) {
        LibraryWindow* library = windows.libraryWindow();
        library->table->clearSelection();
        for (int entry : entries)
            library->table->selectionModel()->select(
                library->model()->index(library->model()->rowOf(entry), 0),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    std::string archiveWithout(std::vector<int> removed) const {
        std::vector<ScoreEntry> kept;
        const std::vector<ScoreEntry> all = test::songs(kScores);
        for (int n = 1; n <= kScores; ++n) {
            if (std::find(removed.begin(), removed.end(), n) == removed.end())
                kept.push_back(all[static_cast<std::size_t>(n - 1)]);
        }
        return test::archiveFile(kept);
    }
    // The stand outside its backup folder.
    std::map<std::string, std::string> standFiles() const {
        std::map<std::string, std::string> files = test::folderContents(stand.root());
        std::erase_if(files,
                      [](const auto& file) { return file.first.starts_with("spartiti/backup"); });
        return files;
    }
};

TEST_F(RemovalTest, removeFromLibrary_renumbersTheFilesAndEveryOpenWindow) {
    openEveryWindow(5);
    selectInLibrary({2, 3});
    dialogs.setNextAnswer(true);
    test::clickEnabled(windows.libraryWindow()->removeButton);

    // The question names everything before anything is written, with No as its default.
    ASSERT_GE(dialogs.shown().size(), 2u);
    const test::FakeDialogs::Shown& question = dialogs.shown()[dialogs.shown().size() - 2];
    EXPECT_TRUE(question.defaultNo);
    for (const char* named :
         {"  2: Song 2\n  3: Song 3", "Set 1: tracks 2 and 3",
          "MIDI set-ups of scores 2 are dropped",
          "Scores 4 to 6 become 2 to 4; the playlists and MIDI set-ups follow them."})
        EXPECT_TRUE(question.text.contains(QString::fromUtf8(named)))
            << named << " in " << question.text.toStdString();
    EXPECT_TRUE(dialogs.messages().back().startsWith(QStringLiteral("Removed score(s) 2, 3.")))
        << dialogs.messages().back().toStdString();

    EXPECT_EQ(stand.read("spartiti\\archivio.js"), archiveWithout({2, 3}));
    EXPECT_EQ(stand.read("spartiti\\playlist.js"), playlistFileBytes({{"Set 1", "1,2,3,4,#"}}));
    EXPECT_EQ(stand.read("spartiti\\midi.js"),
              test::midiFile({test::midiRecord("3", {"000,000,005"})}));
    EXPECT_EQ(stand.read("spartiti\\2L.jpg"), "left 4");
    EXPECT_EQ(stand.read("spartiti\\4R.jpg"), "right 6");
    EXPECT_FALSE(stand.exists("spartiti\\5L.jpg"));

    // The main window stays on score 5, now number 3; the MIDI window follows it with its set-up.
    EXPECT_EQ(main->VScroll1->value(), 3);
    EXPECT_EQ(main->Text2->text(), QStringLiteral("Song 5"));
    EXPECT_EQ(main->Label6->text(), QStringLiteral("There are 4 titles"));
    ASSERT_NE(windows.midiWindow(), nullptr);
    EXPECT_EQ(windows.midiWindow()->entry(), 3);
    EXPECT_EQ(windows.midiWindow()->PC[1]->text(), QStringLiteral("005"));
    LibraryWindow* library = windows.libraryWindow();
    EXPECT_EQ(library->countLabel->text(), QStringLiteral("4 of 4 scores"));
    EXPECT_EQ(library->model()->entryAt(library->table->currentIndex().row()), 3);
    // The playlist manager read the archive's titles again.
    ASSERT_NE(windows.playlistManager(), nullptr);
    EXPECT_EQ(windows.playlistManager()->List1->count(), 4);
}

TEST_F(RemovalTest, mergeInto_repointsTracksMovesTheSetUpAndRemovesTheOthers) {
    stand.write("spartiti\\midi.js", test::midiFile({test::midiRecord("2", {"000,000,002"})}));
    const auto before = standFiles();
    openEveryWindow(1);
    selectInLibrary({2, 5});
    dialogs.setNextItem(QStringLiteral("5  Song 5 (Author)"));
    dialogs.setNextAnswer(true);
    test::clickEnabled(windows.libraryWindow()->mergeButton);

    ASSERT_GE(dialogs.shown().size(), 2u);
    const QString question = dialogs.shown()[dialogs.shown().size() - 2].text;
    for (const char* named : {"into score 5, Song 5?", "will name score 5: Set 1: track 2.",
                              "The MIDI set-up of score 2 moves to score 5, which has none.",
                              "Scores 3 to 6 become 2 to 5"})
        EXPECT_TRUE(question.contains(QString::fromUtf8(named)))
            << named << " in " << question.toStdString();
    EXPECT_EQ(stand.read("spartiti\\archivio.js"), archiveWithout({2}));
    EXPECT_EQ(stand.read("spartiti\\playlist.js"), playlistFileBytes({{"Set 1", "1,4,2,3,4,5,#"}}));
    EXPECT_EQ(stand.read("spartiti\\midi.js"),
              test::midiFile({test::midiRecord("4", {"000,000,002"})}));
    // The library keeps the kept score selected, under its new number.
    LibraryWindow* library = windows.libraryWindow();
    const QModelIndexList rows = library->table->selectionModel()->selectedRows();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(library->model()->entryAt(rows.front().row()), 4);
    EXPECT_EQ(main->VScroll1->value(), 1);

    // Its undo puts the tracks and the set-up back as they were before the merge, too.
    dialogs.setNextAnswer(true);
    test::triggerEnabled(windows.mainWindow()->undoAbsorption);
    EXPECT_EQ(standFiles(), before);
}

TEST_F(RemovalTest, undoCommand_namesTheNewerRemovalAndPutsEveryFileBack) {
    const auto before = standFiles();
    main->VScroll1->setValue(4);
    dialogs.setNextAnswer(true);
    test::triggerEnabled(main->removeScore);
    ASSERT_EQ(stand.read("spartiti\\archivio.js"), archiveWithout({4}));
    EXPECT_EQ(main->Text2->text(), QStringLiteral("Song 5"));
    EXPECT_EQ(main->undoAbsorption->text(), QStringLiteral("&Undo last removal"));

    // An edit saved since: the removal can only be restored.
    main->Text2->selectAll();
    QTest::keyClicks(main->Text2, QStringLiteral("Edited"));
    test::clickEnabled(main->Command1);
    main->updateUndoCommand();
    EXPECT_FALSE(main->undoAbsorption->isEnabled());
    EXPECT_TRUE(
        main->undoAbsorption->toolTip().contains(QStringLiteral("saved after the last removal")));
    stand.write("spartiti\\archivio.js", archiveWithout({4}));
    main->reload();
    main->VScroll1->setValue(4);
    main->updateUndoCommand();

    dialogs.setNextAnswer(true);
    test::triggerEnabled(main->undoAbsorption);
    EXPECT_TRUE(dialogs.messages().back().contains(QStringLiteral("was undone")))
        << dialogs.messages().back().toStdString();
    EXPECT_EQ(standFiles(), before);
    // The main window shows Song 5 under its number again; nothing is left to undo.
    EXPECT_EQ(main->VScroll1->value(), 5);
    EXPECT_EQ(main->Text2->text(), QStringLiteral("Song 5"));
    EXPECT_EQ(main->undoAbsorption->text(), QStringLiteral("&Undo last absorption"));
    EXPECT_FALSE(main->undoAbsorption->isEnabled());
}

TEST_F(RemovalTest, openingAStandWithAStoppedRemoval_completesOrPutsBackAsChosen) {
    struct Row {
        const char* what;
        const char* button;
        bool completed;
    };
    const Row rows[] = {{"complete", "Complete the removal", true},
                        {"put back", "Put every file back", false}};
    test::forEachRow(rows, [&](const Row& row) {
        test::TempInstallation other;
        writeStand(other, {});
        const auto before = test::folderContents(other.root());
        std::string why;
        const RemovalPlan plan = planRemoval(kScores, {2}, why).value();
        // Stopped part-way, as by a power loss.
        const RemovalReport stopped =
            removeScores(other.installation(), plan, "2026-01-02 03-04-05",
                         [](std::size_t step) { return step < 6; });
        ASSERT_FALSE(stopped.ok);
        dialogs.clear();
        dialogs.setNextButton(QString::fromUtf8(row.button));
        ASSERT_TRUE(windows.openStand(QString::fromStdString(other.root().string())));
        ASSERT_FALSE(dialogs.shown().empty());
        const test::FakeDialogs::Shown& asked = dialogs.shown().front();
        EXPECT_TRUE(asked.text.contains(QStringLiteral("stopped after 6 of its")))
            << asked.text.toStdString();
        EXPECT_EQ(asked.buttons, (QStringList{QStringLiteral("Complete the removal"),
                                              QStringLiteral("Put every file back")}));
        EXPECT_EQ(other.read("spartiti\\archivio.js"),
                  row.completed ? archiveWithout({2}) : test::archiveFile(test::songs(kScores)));
        std::map<std::string, std::string> after = test::folderContents(other.root());
        // The lock is the open stand's, not the removal's.
        std::erase_if(after, [](const auto& f) {
            return f.first.starts_with("spartiti/backup") || f.first.ends_with(".lock");
        });
        if (!row.completed)
            EXPECT_EQ(after, before);
        else
            EXPECT_EQ(other.read("spartiti\\2L.jpg"), "left 3");
        EXPECT_FALSE(unfinishedRemoval(other.installation()));
        EXPECT_EQ(windows.mainWindow()->Label6->text(), row.completed
                                                            ? QStringLiteral("There are 5 titles")
                                                            : QStringLiteral("There are 6 titles"));
        // Opened again, the stand asks nothing more.
        dialogs.clear();
        ASSERT_TRUE(windows.openStand(QString::fromStdString(stand.root().string())));
    });
}

} // namespace
} // namespace folio
