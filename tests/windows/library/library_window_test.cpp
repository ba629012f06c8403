// The library driven from the main window as a musician would: choosing rows, editing cells and
// selections, undoing, saving and exporting.
#include "core/playlists/playlist_store.h"
#include "core/versions/versions.h"
#include "support/data_files.h"
#include "support/fake_dialogs.h"
#include "support/fault_injection.h"
#include "support/program_fixture.h"
#include "support/rows.h"
#include "support/user_input.h"
#include "windows/common/changed_elsewhere.h"
#include "windows/library/library_model.h"
#include "windows/library/library_window.h"
#include "windows/playlists/playlist_window.h"

#include <QAbstractItemDelegate>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPdfDocument>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace folio {
namespace {

namespace fs = std::filesystem;

class LibraryTest : public test::ProgramFixture {
protected:
    void SetUp() override {
        stand.write("spartiti\\archivio.js",
                    test::archiveFile({{"", "Sonata 10", "Mozart", "piano", "2"},
                                       {"", "\xC9tude", "Chopin", "piano", "0"},
                                       {"", "Ave Maria", "Verdi", "choir", "1"},
                                       {"", "Blue Bossa", "Dorham", "", "0"}}));
        stand.write("spartiti\\generi.js",
                    "var generi = [\r\n\"Jazz\",\r\n\"Classical\",\r\n ];\r\n");
        stand.write("spartiti\\1L.jpg", "page");
        stand.write("spartiti\\audio\\1.mp3", "take");
        windows.openMainWindow();
        main = windows.mainWindow();
        test::triggerEnabled(main->library);
        library = windows.libraryWindow();
        ASSERT_NE(library, nullptr);
        ASSERT_TRUE(QTest::qWaitFor([this] { return !library->factsPending(); }, 5000));
    }
    QString cell(int row, LibraryColumn column) const {
        return library->model()->index(row, static_cast<int>(column)).data().toString();
    }
    QStringList column(LibraryColumn which) const {
        QStringList shown;
        for (int row = 0; row < library->model()->rowCount(); ++row)
            shown << cell(row, which);
        return shown;
    }
    void selectEntries(const std::vector<int>& entries) {
        library->table->clearSelection();
        for (int entry : entries)
            library->table->selectionModel()->select(
                library->model()->index(library->model()->rowOf(entry), 0),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    // Types value into a cell's editor as a user does, and leaves the cell.
    void typeInto(int entry, LibraryColumn which, const QString& typed) {
        const QModelIndex index =
            library->model()->index(library->model()->rowOf(entry), static_cast<int>(which));
        library->table->setCurrentIndex(index);
        // F2 opens the cell's editor, as it does for a user.
        QTest::keyClick(library->table, Qt::Key_F2);
        QLineEdit* editor = nullptr;
        for (QLineEdit* open : library->table->findChildren<QLineEdit*>()) {
            if (open->isVisible())
                editor = open;
        }
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        test::typeText(editor, typed);
        QTest::keyClick(editor, Qt::Key_Return);
        // The view commits an editor's value once the Return has been handled.
        QCoreApplication::processEvents();
    }
    LibraryWindow* library = nullptr;
};

TEST_F(LibraryTest, opensOnEveryScoreWithWhatEachHas) {
    EXPECT_EQ(library->countLabel->text(), QStringLiteral("4 of 4 scores"));
    EXPECT_EQ(column(LibraryColumn::Title),
              (QStringList{"Sonata 10", QString::fromUtf8("Étude"), "Ave Maria", "Blue Bossa"}));
    EXPECT_EQ(column(LibraryColumn::Category), (QStringList{"Classical", "", "Jazz", ""}));
    EXPECT_EQ(column(LibraryColumn::LeftPage),
              (QStringList{"present", "missing", "missing", "missing"}));
    EXPECT_EQ(column(LibraryColumn::Recording),
              (QStringList{"present", "missing", "missing", "missing"}));
    // The row of the entry the main window shows is the current one.
    EXPECT_EQ(library->model()->entryAt(library->table->currentIndex().row()), 4);
}

TEST_F(LibraryTest, headingsSortAndTheFilterAndShowChoiceNarrow) {
    QHeaderView* header = library->table->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
    EXPECT_EQ(column(LibraryColumn::Number), (QStringList{"3", "4", "2", "1"}));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
    EXPECT_EQ(column(LibraryColumn::Number), (QStringList{"1", "2", "4", "3"}));

    QTest::keyClicks(library->filterText, "etude");
    EXPECT_EQ(column(LibraryColumn::Number), QStringList{"2"});
    EXPECT_EQ(library->countLabel->text(), QStringLiteral("1 of 4 scores"));
    library->filterText->clear();
    library->showChoice->setCurrentIndex(static_cast<int>(LibraryShow::MissingRecording));
    EXPECT_EQ(library->countLabel->text(), QStringLiteral("3 of 4 scores"));
}

// A widened library gives the title column the width the others leave; a narrow one keeps the
// title's own width and scrolls sideways.
TEST_F(LibraryTest, titleColumn_takesTheSpareWidthOfAWidenedWindow) {
    QHeaderView* header = library->table->horizontalHeader();
    const int title = static_cast<int>(LibraryColumn::Title);
    const int narrow = header->sectionSize(title);
    for (const int width : {1800, 600}) {
        SCOPED_TRACE(width);
        library->resize(width, library->height());
        QCoreApplication::processEvents();
        int sum = 0;
        for (int column = 0; column < header->count(); ++column)
            sum += header->isSectionHidden(column) ? 0 : header->sectionSize(column);
        if (width == 1800) {
            EXPECT_GT(header->sectionSize(title), narrow);
            EXPECT_EQ(sum, header->width());
        } else {
            EXPECT_EQ(header->sectionSize(title), narrow);
            EXPECT_GT(sum, header->width());
        }
    }
}

TEST_F(LibraryTest, rowAndMainWindowFollowEachOther) {
    library->table->setCurrentIndex(library->model()->index(library->model()->rowOf(2), 1));
    EXPECT_EQ(main->VScroll1->value(), 2);
    main->VScroll1->setValue(3);
    EXPECT_EQ(library->model()->entryAt(library->table->currentIndex().row()), 3);
    // An edit in the main window shows in the table at once, marked as not saved.
    main->Text2->selectAll();
    QTest::keyClicks(main->Text2, "Ave Verum");
    EXPECT_EQ(cell(library->model()->rowOf(3), LibraryColumn::Title), QStringLiteral("Ave Verum"));
    EXPECT_EQ(
        library->model()->headerData(library->model()->rowOf(3), Qt::Vertical, Qt::DisplayRole),
        QStringLiteral("*"));
}

TEST_F(LibraryTest, cellEditsRefuseWhatTheArchiveCannotCarryAndUndo) {
    typeInto(4, LibraryColumn::Title, QStringLiteral("Blue \"Bossa\\"));
    EXPECT_EQ(state.archive.slot(4).title, "Blue Bossa");
    typeInto(4, LibraryColumn::Author, QStringLiteral("Kenny Dorham"));
    EXPECT_EQ(state.archive.slot(4).author, "Kenny Dorham");
    EXPECT_EQ(main->VScroll1->value(), 4);
    EXPECT_EQ(main->Text3->text(), QStringLiteral("Kenny Dorham"));
    test::triggerEnabled(library->undoAction);
    EXPECT_EQ(state.archive.slot(4).author, "Dorham");
    EXPECT_EQ(main->Text3->text(), QStringLiteral("Dorham"));
}

// An undo or redo leaves a field alone that the main window changed since the step, and says
// so; the other entries of the same step are taken back.
TEST_F(LibraryTest, undoAndRedo_fieldChangedInMainWindowSince_keepsItAndSaysSo) {
    selectEntries({1, 2, 3});
    dialogs.setNextText(QStringLiteral("Anon"));
    test::clickEnabled(library->setAuthorButton);
    main->VScroll1->setValue(2);
    main->Text3->selectAll();
    QTest::keyClicks(main->Text3, "F. Chopin");
    test::triggerEnabled(library->undoAction);
    EXPECT_EQ(state.archive.slot(1).author, "Mozart");
    EXPECT_EQ(main->Text3->text(), QStringLiteral("F. Chopin"));
    EXPECT_EQ(state.archive.slot(3).author, "Verdi");
    EXPECT_EQ(dialogs.messages(),
              QStringList{"Author of 2 was changed in the main window since: not undone"});

    dialogs.clear();
    EXPECT_TRUE(library->redoAction->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Y)));
    test::triggerEnabled(library->redoAction);
    EXPECT_EQ(state.archive.slot(1).author, "Anon");
    EXPECT_EQ(state.archive.slot(2).author, "F. Chopin");
    EXPECT_EQ(state.archive.slot(3).author, "Anon");
    EXPECT_EQ(cell(library->model()->rowOf(3), LibraryColumn::Author), QStringLiteral("Anon"));
    EXPECT_EQ(dialogs.messages(),
              QStringList{"Author of 2 was changed in the main window since: not redone"});
}

// Once the archive is read again, nothing before it is left to undo in the library.
TEST_F(LibraryTest, archiveReadAgain_clearsTheUndoSteps) {
    struct Row {
        const char* what;
        std::function<void()> readAgain;
    };
    const Row rows[] = {
        {"a version restored, or an absorption undone", [this] { windows.mainWindow()->reload(); }},
        {"an absorption, which opens the main window anew", [this] { windows.reopenMainWindow(); }},
    };
    test::forEachRow(rows, [&](const Row& row) {
        typeInto(3, LibraryColumn::Author, QStringLiteral("Giuseppe Verdi"));
        ASSERT_TRUE(library->undoAction->isEnabled());
        row.readAgain();
        EXPECT_EQ(library->undoStack().count(), 0);
        EXPECT_FALSE(library->undoAction->isEnabled());
    });
}

// A letter the stand's files cannot hold, typed into a main-window box, a cell or a bulk edit's
// question, is written as its nearest one, and the window says so before anything is saved.
TEST_F(LibraryTest, lettersOutsideTheFiles_areWrittenAsTheirNearest_andNoted) {
    const QString why = QStringLiteral(": the stand's files hold Western European letters only");
    main->VScroll1->setValue(3);
    main->Text2->selectAll();
    test::typeText(main->Text2, QStringLiteral(u"Janáček"));
    EXPECT_EQ(main->Text2->text(), QStringLiteral(u"Janácek"));
    EXPECT_EQ(state.archive.slot(3).title, "Jan\xE1"
                                           "cek");
    EXPECT_EQ(main->lettersNote->text(), QStringLiteral(u"č was written as c") + why);

    typeInto(4, LibraryColumn::Author, QStringLiteral(u"Janáček"));
    EXPECT_EQ(state.archive.slot(4).author, "Jan\xE1"
                                            "cek");
    EXPECT_EQ(library->lettersNote->text(), QStringLiteral(u"č was written as c") + why);
    // Another entry shown in the main window: its note was about the one before.
    main->VScroll1->setValue(2);
    EXPECT_EQ(main->lettersNote->text(), QString());

    selectEntries({1, 2});
    dialogs.setNextText(QStringLiteral(u"Dvořák 😀"));
    test::clickEnabled(library->setAuthorButton);
    EXPECT_EQ(state.archive.slot(1).author, "Dvor\xE1k ");
    EXPECT_EQ(library->lettersNote->text(),
              QStringLiteral(u"ř was written as r, 😀 was left out") + why);
}

// "Jazz" set on three scores at once, without attaching a recording; saved with Ctrl+S from
// the table; taken back by Ctrl+Z before that.
TEST_F(LibraryTest, bulkEditsApplyToTheSelectionAndSaveFromTheTable) {
    struct Row {
        const char* what;
        std::function<void()> act;
        std::vector<std::string> categories; // of entries 1 to 4 afterwards
        std::vector<std::string> tags;
    };
    const Row rows[] = {
        {"set category",
         [this] {
             dialogs.setNextItem(QStringLiteral("Jazz"));
             test::clickEnabled(library->setCategoryButton);
         },
         {"1", "1", "1", "0"},
         {"piano", "piano", "choir", ""}},
        {"add tag",
         [this] {
             dialogs.setNextText(QStringLiteral("gig"));
             test::clickEnabled(library->addTagButton);
         },
         {"2", "0", "1", "0"},
         {"piano gig", "piano gig", "choir gig", ""}},
        {"remove tag",
         [this] {
             dialogs.setNextText(QStringLiteral("piano"));
             test::clickEnabled(library->removeTagButton);
         },
         {"2", "0", "1", "0"},
         {"", "", "choir", ""}},
    };
    test::forEachRow(rows, [&](const Row& row) {
        selectEntries({1, 2, 3});
        row.act();
        for (int n = 1; n <= 4; ++n) {
            EXPECT_EQ(state.archive.slot(n).category,
                      row.categories[static_cast<std::size_t>(n - 1)])
                << n;
            EXPECT_EQ(state.archive.slot(n).tags, row.tags[static_cast<std::size_t>(n - 1)]) << n;
        }
        test::triggerEnabled(library->undoAction);
        EXPECT_EQ(state.archive.slot(1).category, "2");
        EXPECT_EQ(state.archive.slot(1).tags, "piano");
    });
    selectEntries({1, 2, 3});
    dialogs.setNextItem(QStringLiteral("Jazz"));
    test::clickEnabled(library->setCategoryButton);
    test::triggerEnabled(library->saveAction);
    EXPECT_EQ(stand.read("spartiti\\archivio.js"),
              test::archiveFile({{"", "Sonata 10", "Mozart", "piano", "1"},
                                 {"", "\xC9tude", "Chopin", "piano", "1"},
                                 {"", "Ave Maria", "Verdi", "choir", "1"},
                                 {"", "Blue Bossa", "Dorham", "", "0"}}));
    EXPECT_TRUE(dialogs.messages().contains(QStringLiteral("Successfully saved!")));
}

TEST_F(LibraryTest, exports_csvReadsBackAndPdfIsASongList) {
    library->showChoice->setCurrentIndex(static_cast<int>(LibraryShow::MissingRecording));
    const fs::path csv = stand.path("list.csv");
    dialogs.setNextSaveFile(QString::fromStdString(csv.string()), QStringLiteral("CSV"));
    test::clickEnabled(library->exportButton);
    const std::string bom = "\xEF\xBB\xBF";
    EXPECT_EQ(stand.read("list.csv"),
              bom + "Number,Title,Author,Tags,Category,Left page,Right page,Recording,MIDI,"
                    "Playlists\r\n"
                    "2,\xC3\x89tude,Chopin,piano,,missing,missing,missing,,\r\n"
                    "3,Ave Maria,Verdi,choir,Jazz,missing,missing,missing,,\r\n"
                    "4,Blue Bossa,Dorham,,,missing,missing,missing,,\r\n");

    library->showChoice->setCurrentIndex(static_cast<int>(LibraryShow::All));
    const fs::path pdf = stand.path("list.pdf");
    dialogs.setNextSaveFile(QString::fromStdString(pdf.string()), QStringLiteral("PDF"));
    test::clickEnabled(library->exportButton);
    QPdfDocument document;
    ASSERT_EQ(document.load(QString::fromStdString(pdf.string())), QPdfDocument::Error::None);
    EXPECT_EQ(document.pageCount(), 1);
    const QString text = document.getAllText(0).text();
    EXPECT_TRUE(text.contains(QStringLiteral("Sonata 10"))) << text.toStdString();
    EXPECT_LT(text.indexOf(QStringLiteral("Sonata 10")),
              text.indexOf(QStringLiteral("Blue Bossa")));
}

// A field a spreadsheet would run as a formula is written with a leading ', and the message
// says so; a formula sign inside a field is left as it is.
TEST_F(LibraryTest, csvExport_formulaFields_areWrittenWithALeadingQuote) {
    struct Row {
        const char* what;
        std::string title;
        std::string author;
        std::string line; // of entry 4
        bool guarded;
    };
    const Row rows[] = {
        {"equals", "=HYPERLINK(1)", "Dorham", "4,'=HYPERLINK(1),Dorham,", true},
        {"plus", "+1", "Dorham", "4,'+1,Dorham,", true},
        {"minus, in the author", "Blue Bossa", "-Dorham", "4,Blue Bossa,'-Dorham,", true},
        {"at, with a comma", "@SUM(A1,A2)", "Dorham", "4,\"'@SUM(A1,A2)\",Dorham,", true},
        {"tab", "\tBlue", "Dorham", "4,'\tBlue,Dorham,", true},
        {"carriage return", "\rBlue", "Dorham", "4,\"'\rBlue\",Dorham,", true},
        {"signs only later", "a=b+c-d@e", "Dor=ham", "4,a=b+c-d@e,Dor=ham,", false},
    };
    const fs::path csv = stand.path("list.csv");
    test::forEachRow(rows, [&](const Row& row) {
        state.archive.slot(4).title = row.title;
        state.archive.slot(4).author = row.author;
        library->archiveChanged(4);
        dialogs.clear();
        dialogs.setNextSaveFile(QString::fromStdString(csv.string()), QStringLiteral("CSV"));
        test::clickEnabled(library->exportButton);
        EXPECT_EQ(stand.read("list.csv"),
                  "\xEF\xBB\xBFNumber,Title,Author,Tags,Category,Left page,Right page,Recording,"
                  "MIDI,Playlists\r\n"
                  "1,Sonata 10,Mozart,piano,Classical,present,missing,present,,\r\n"
                  "2,\xC3\x89tude,Chopin,piano,,missing,missing,missing,,\r\n"
                  "3,Ave Maria,Verdi,choir,Jazz,missing,missing,missing,,\r\n" +
                      row.line + ",,missing,missing,missing,,\r\n");
        const QString written =
            QStringLiteral("4 scores were written to %1.")
                .arg(QDir::toNativeSeparators(QString::fromStdString(csv.string())));
        EXPECT_EQ(dialogs.messages(),
                  QStringList{row.guarded ? written + " Fields that a spreadsheet would take as "
                                                      "formulas were written with a leading '."
                                          : written});
    });
}

// An export whose write stops part-way costs no byte of the file it would replace, and says
// it failed instead of how many scores were written.
TEST_F(LibraryTest, export_writeFailingPartWay_keepsTheOldFileAndSaysSo) {
    struct Row {
        const char* what;
        const char* file;
        const char* filter;
    };
    const Row rows[] = {
        {"PDF song list", "list.pdf", "PDF"},
        {"CSV", "list.csv", "CSV"},
    };
    const std::string old(60000, 'o');
    test::forEachRow(rows, [&](const Row& row) {
        stand.write(row.file, old);
        const QString target = QString::fromStdString(stand.path(row.file).string());
        dialogs.clear();
        dialogs.setNextSaveFile(target, QString::fromLatin1(row.filter));
        {
            test::FileSizeLimit limit(100);
            test::clickEnabled(library->exportButton);
        }
        EXPECT_TRUE(dialogs.messages().isEmpty()) << dialogs.messages().join("\n").toStdString();
        ASSERT_EQ(dialogs.errors().size(), 1);
        EXPECT_TRUE(dialogs.errors().front().startsWith(
            QStringLiteral("The song list could not be written to %1.\n")
                .arg(QDir::toNativeSeparators(target))))
            << dialogs.errors().front().toStdString();
        EXPECT_TRUE(stand.read(row.file) == old) << "the old file was changed";
        EXPECT_EQ(stand.temporaryFileCount(), 0);
    });
}

// The filter's words must each be found, folded, in the title, author, tags or category's name;
// the view goes to the first row that matches, without moving the main window.
TEST_F(LibraryTest, filterWords_eachMatchSomeField_andTheViewGoesToTheFirstRow) {
    struct Row {
        const char* typed;
        QStringList numbers;
    };
    const Row rows[] = {
        {"etude", {"2"}},
        {"chopin PIANO", {"2"}},
        {"piano", {"1", "2"}},
        {"classical", {"1"}},
        {"jazz  verdi", {"3"}},
        {"jazz mozart", {}},
        {"sonata 10 mozart", {"1"}},
        {"   ", {"1", "2", "3", "4"}},
    };
    for (const Row& row : rows) {
        library->filterText->clear();
        library->table->setCurrentIndex(library->model()->index(library->model()->rowOf(4), 0));
        const int shownBefore = main->VScroll1->value();
        QTest::keyClicks(library->filterText, QString::fromUtf8(row.typed));
        EXPECT_EQ(column(LibraryColumn::Number), row.numbers) << row.typed;
        if (!row.numbers.isEmpty() && QString::fromUtf8(row.typed).trimmed().size() > 0) {
            EXPECT_EQ(library->table->currentIndex().row(), 0) << row.typed;
            EXPECT_EQ(main->VScroll1->value(), shownBefore) << row.typed;
        }
    }
}

// "Add to playlist…" puts the selected rows, in the table's order, at the end of a playlist
// of the file or of a new one; a window showing the file reads it again.
TEST_F(LibraryTest, addToPlaylist_addsTheRowsInTheirOrder_toAChosenOrNewPlaylist) {
    struct Row {
        const char* name;
        const char* picked;
        const char* typed; // the new playlist's name
        bool changedElsewhere;
        std::vector<Playlist> after;
    };
    const std::vector<Playlist> before = {{"Set 1", "3,#"}, {"Encores", "1,#"}};
    const std::vector<Playlist> theirs = {{"Set 1", "3,#"}, {"Encores", "1,5,#"}};
    const Row rows[] = {
        {"to a playlist of the file",
         "Set 1",
         nullptr,
         false,
         {{"Set 1", "3,4,2,#"}, {"Encores", "1,#"}}},
        {"to a new playlist",
         "A new playlist…",
         "Set 2",
         false,
         {{"Set 1", "3,#"}, {"Encores", "1,#"}, {"Set 2", "4,2,#"}}},
        {"called off", nullptr, nullptr, false, before},
        {"a new playlist without a name", "A new playlist…", "  ", false, before},
        // The question about another program's change is answered No.
        {"changed by another program since", "Set 1", nullptr, true, theirs},
    };
    // Sorted by title: Ave Maria (3), Blue Bossa (4), Étude (2), Sonata 10 (1).
    QHeaderView* header = library->table->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        stand.write("spartiti\\playlist.js", playlistFileBytes(before));
        noteDataFile(state, DataFile::Playlists);
        if (row.changedElsewhere)
            stand.write("spartiti\\playlist.js", playlistFileBytes(theirs));
        dialogs.clear();
        selectEntries({2, 4});
        if (row.picked)
            dialogs.setNextItem(QString::fromUtf8(row.picked));
        if (row.typed)
            dialogs.setNextText(QString::fromUtf8(row.typed));
        test::clickEnabled(library->addToPlaylistButton);
        EXPECT_EQ(stand.read("spartiti\\playlist.js"), playlistFileBytes(row.after));
    }
    // The file as it was is kept as a version before each write.
    EXPECT_EQ(listVersions(stand.installation()).size(), 2u);
}

TEST_F(LibraryTest, addToPlaylist_anOpenPlaylistWindowShowsTheChange_afterAskingAboutItsWork) {
    stand.write("spartiti\\playlist.js", playlistFileBytes({{"Set 1", "3,#"}}));
    test::triggerEnabled(main->playlist);
    QPointer<playlistfrm> manager = windows.playlistManager();
    ASSERT_FALSE(manager.isNull());
    ASSERT_EQ(manager->Combo1->count(), 1);

    // Work not saved in the playlist window is named first; No leaves everything as it was.
    manager->Text1->setText(QStringLiteral("Unsaved"));
    ASSERT_TRUE(manager->hasUnsavedChanges());
    selectEntries({1});
    dialogs.setNextItem(QStringLiteral("A new playlist…"));
    dialogs.setNextText(QStringLiteral("Encores"));
    test::clickEnabled(library->addToPlaylistButton);
    EXPECT_EQ(dialogs.texts(),
              (QStringList{"Add the 1 selected scores to which playlist?",
                           "The name of the new playlist:",
                           "Add them to the playlist Encores? The unsaved changes in the "
                           "playlist manager will be lost."}));
    EXPECT_EQ(stand.read("spartiti\\playlist.js"), playlistFileBytes({{"Set 1", "3,#"}}));
    EXPECT_EQ(windows.playlistManager(), manager.data());

    dialogs.clear();
    dialogs.setNextItem(QStringLiteral("A new playlist…"));
    dialogs.setNextText(QStringLiteral("Encores"));
    dialogs.setNextAnswer(true);
    test::clickEnabled(library->addToPlaylistButton);
    EXPECT_EQ(stand.read("spartiti\\playlist.js"),
              playlistFileBytes({{"Set 1", "3,#"}, {"Encores", "1,#"}}));
    ASSERT_NE(windows.playlistManager(), nullptr);
    EXPECT_EQ(windows.playlistManager()->Combo1->count(), 2);
    EXPECT_EQ(windows.playlistManager()->Combo1->itemText(1), QStringLiteral("Encores"));
}

// The song list opens with the stand, the date and what chose its rows; a long title wraps
// whole; the next export's chooser opens where this one went, also in a library opened anew.
TEST_F(LibraryTest, pdfSongList_hasAHeadingAndWrapsLongTitles_andTheNextExportOpensThere) {
    const QString longTitle =
        QStringLiteral("Variations on a theme that runs on and on through the whole evening "
                       "until the last guests have gone home");
    typeInto(4, LibraryColumn::Title, longTitle);
    QTest::keyClicks(library->filterText, "o");
    fs::create_directories(stand.path("out"));
    const fs::path pdf = stand.path("out/list.pdf");
    dialogs.setNextSaveFile(QString::fromStdString(pdf.string()), QStringLiteral("PDF"));
    test::clickEnabled(library->exportButton);
    EXPECT_EQ(dialogs.suggestedFiles().value(0), QStringLiteral("song list.pdf"));
    QPdfDocument document;
    ASSERT_EQ(document.load(QString::fromStdString(pdf.string())), QPdfDocument::Error::None);
    const QString text = document.getAllText(0).text();
    const QString flat = text.simplified();
    for (const QString& part :
         {QStringLiteral("Song list of %1")
              .arg(QFileInfo(QString::fromStdString(stand.installation().root().string()))
                       .fileName()),
          QLocale().toString(QDate::currentDate(), QLocale::LongFormat),
          QStringLiteral("Show: All scores"), QStringLiteral("Filter: o"), longTitle})
        EXPECT_TRUE(flat.contains(part)) << part.toStdString() << "\n" << text.toStdString();
    // Wrapped, the title runs over more than one line of the page.
    EXPECT_FALSE(text.contains(longTitle)) << text.toStdString();

    library->close();
    delete windows.libraryWindow();
    test::triggerEnabled(main->library);
    library = windows.libraryWindow();
    ASSERT_NE(library, nullptr);
    test::clickEnabled(library->exportButton);
    EXPECT_EQ(QDir::cleanPath(dialogs.suggestedFiles().value(1)),
              QDir::cleanPath(QString::fromStdString(stand.path("out").string()) +
                              QStringLiteral("/song list.pdf")));
}

} // namespace
} // namespace folio
