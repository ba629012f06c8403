// The audio window driven like a user: browsing to a folder, clicking a file, clicking a
// category, on a temporary installation.
#include "app/program_windows.h"
#include "core/versions/versions.h"
#include "platform/browsing_lists.h"
#include "support/data_files.h"
#include "support/fake_dialogs.h"
#include "support/qt_printers.h"
#include "support/temp_installation.h"
#include "support/user_input.h"
#include "windows/audio/mp3_window.h"
#include "windows/common/shared_state.h"

#include <QDir>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <map>

namespace folio {
namespace {

QString qpath(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

// An archive file of count entries, entry n titled "Song n", all of category "0" unless
// categories says otherwise.
std::string archiveFile(int count, const std::map<int, std::string>& categories = {}) {
    std::vector<ScoreEntry> entries = test::songs(count);
    for (const auto& [n, category] : categories)
        entries.at(static_cast<std::size_t>(n - 1)).category = category;
    return test::archiveFile(entries);
}

QPushButton* categoryButton(QWidget* window, int index) {
    for (QPushButton* button : window->findChildren<QPushButton*>("Command3")) {
        if (button->property("index").toInt() == index)
            return button;
    }
    return nullptr;
}

// Moves onto the folder of that name in the folder list and presses Enter.
void chooseFolder(mp3& window, const QString& name) {
    FolderList* folders = window.findChild<FolderList*>("Dir1");
    for (int row = 0; row < folders->count(); ++row) {
        QListWidgetItem* item = folders->item(row);
        if (item->text().trimmed() == name) {
            folders->setCurrentItem(item);
            QTest::keyClick(folders, Qt::Key_Return);
            return;
        }
    }
    ADD_FAILURE() << "no folder " << name.toStdString() << " in the folder list";
}

// Clicks the file of that name in the file list.
void clickFile(mp3& window, const QString& name) {
    FileList* files = window.findChild<FileList*>("File1");
    const QList<QListWidgetItem*> found = files->findItems(name, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << "no file " << name.toStdString() << " in the file list";
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {},
                      files->visualItemRect(found.front()).center());
}

class Mp3WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        stand.write("spartiti\\generi.js", test::categoryFile(33));
        stand.write("music\\Song.mp3", "song bytes");
        stand.write("music\\Other.mp3", "other bytes");
        stand.write("music\\notes.txt", "not a recording");
        stand.write("music\\sub\\Deep.mp3", "deep bytes");
        state.archive.setEntryCount(9);
        for (int n = 1; n <= 9; ++n)
            state.archive.slot(n).category = "3";
        showFor(7);
    }
    // What the main window does on "Mp3" while it shows entry n.
    void showFor(int n) {
        state.currentEntryNumber = n;
        state.audioEntryNumber = n;
        if (!window)
            window = std::make_unique<mp3>(state, dialogs);
        window->show();
    }
    void chooseSong(const QString& name = QStringLiteral("Song.mp3")) {
        chooseFolder(*window, "music");
        clickFile(*window, name);
    }
    QPushButton* button(int index) { return categoryButton(window.get(), index); }
    // Checks that a click changed nothing: the window stays, no category, no recording.
    void expectNothingAttached() {
        EXPECT_TRUE(window->isVisible());
        for (int n = 1; n <= 9; ++n)
            EXPECT_EQ(state.archive.slot(n).category, "3") << "entry " << n;
        EXPECT_TRUE(std::filesystem::is_empty(stand.path("spartiti\\audio")));
    }

    test::TempInstallation stand;
    SharedState state{stand.installation()};
    test::FakeDialogs dialogs;
    std::unique_ptr<mp3> window;
};

TEST_F(Mp3WindowTest, load_placesControlsAndCaptionsTheButtonsFromGeneri) {
    EXPECT_EQ(window->windowTitle(), "Mp3 Manager");
    EXPECT_EQ(window->findChild<QLabel*>("Label2")->text(),
              "Connects mp3 files at the musical score");
    EXPECT_EQ(window->findChild<QLabel*>("Label3")->text(), "Select category");
    EXPECT_TRUE(window->findChild<QLabel*>("Label1")->text().isEmpty());
    EXPECT_EQ(window->findChild<QPushButton*>("Command1")->text(), "Close");
    EXPECT_EQ(window->findChild<FileList*>("File1")->pattern(), "*.mp3");
    EXPECT_EQ(window->findChild<FolderList*>("Dir1")->path(), qpath(stand.root()));
    EXPECT_EQ(window->findChild<FileList*>("File1")->path(), qpath(stand.root()));

    ASSERT_EQ(window->findChildren<QPushButton*>("Command3").size(), 33);
    // Three columns of eleven: 1 to 11 down the first, 12 to 22 the second, 23 to 33 the third.
    EXPECT_EQ(button(1)->geometry(), QRect(480, 64, 97, 25));
    EXPECT_EQ(button(2)->geometry(), QRect(480, 96, 97, 25));
    EXPECT_EQ(button(11)->geometry(), QRect(480, 384, 97, 25));
    EXPECT_EQ(button(12)->geometry(), QRect(584, 64, 97, 25));
    EXPECT_EQ(button(33)->geometry(), QRect(688, 384, 97, 25));
    for (int i = 1; i <= 33; ++i) {
        EXPECT_EQ(button(i)->text(), QStringLiteral("Genre %1").arg(i));
        EXPECT_TRUE(button(i)->isEnabled());
        EXPECT_NE(button(i)->focusPolicy() & Qt::TabFocus, 0);
        EXPECT_EQ(state.categoryNames[static_cast<std::size_t>(i)], "Genre " + std::to_string(i));
    }
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(Mp3WindowTest, categoryClick_withoutChosenFile_onlyShowsTheMessage) {
    test::clickEnabled(button(5));
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].kind, test::FakeDialogs::Kind::Message);
    EXPECT_EQ(dialogs.shown()[0].text, "You must select an mp3 file!");
    // No title of its own: the box shows the program's (the real boxes are tested for that).
    EXPECT_TRUE(dialogs.shown()[0].givenTitle.isEmpty());
    expectNothingAttached();
}

TEST_F(Mp3WindowTest, categoryClick_copiesTheFileAndStoresTheCategory_thenHides) {
    chooseSong();
    EXPECT_EQ(window->Label1->text(),
              QDir::toNativeSeparators(qpath(stand.path("music\\Song.mp3"))));

    test::clickEnabled(button(12));
    EXPECT_EQ(state.archive.slot(7).category, "12");
    EXPECT_EQ(stand.read("spartiti\\audio\\7.mp3"), "song bytes");
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(stand.temporaryFileCount(), 0);

    // Attaching again replaces the recording without a question, keeping the one it replaces.
    showFor(7);
    clickFile(*window, "Other.mp3");
    test::clickEnabled(button(33));
    EXPECT_EQ(state.archive.slot(7).category, "33");
    EXPECT_EQ(stand.read("spartiti\\audio\\7.mp3"), "other bytes");
    EXPECT_EQ(dialogs.messages(),
              QStringList{
                  QStringLiteral("The earlier recording was kept; \"Restore…\" brings it back.")});
    const std::vector<Version> kept = listVersions(stand.installation());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(stand.read(installationName(stand.installation(), kept[0].dataPath())), "song bytes");
}

// A chosen file belongs to the entry the window names when it is chosen: once the window
// names another entry, or is opened again, no file is chosen, and a category click only asks
// for one. The line at the bottom says what a click does, and to which entry.
TEST_F(Mp3WindowTest, chosenFile_isForTheNamedEntryAndThisShowingOnly) {
    struct Row {
        const char* name;
        std::function<void()> meanwhile;
        bool kept;
        int shown;
    };
    const Row rows[] = {
        {"nothing meanwhile", [] {}, true, 7},
        {"title edited",
         [&] {
             state.archive.slot(7).title = "Evening Prelude";
             window->nameShownEntry();
         },
         true, 7},
        {"shown again while open", [&] { showFor(7); }, true, 7},
        {"main window moved on",
         [&] {
             state.currentEntryNumber = 9;
             window->nameShownEntry();
         },
         false, 9},
        {"main window moved unnoticed", [&] { state.currentEntryNumber = 8; }, false, 8},
        {"Close, then Mp3 again",
         [&] {
             test::clickEnabled(window->Command1);
             showFor(7);
         },
         false, 7},
        {"Escape on a button, then Mp3 again",
         [&] {
             QTest::keyClick(button(4), Qt::Key_Escape);
             EXPECT_FALSE(window->isVisible());
             showFor(7);
         },
         false, 7},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::filesystem::remove_all(stand.path("spartiti\\audio"));
        std::filesystem::create_directory(stand.path("spartiti\\audio"));
        for (int n = 1; n <= 9; ++n)
            state.archive.slot(n).category = "3";
        state.archive.slot(7).title.clear();
        showFor(7);
        ASSERT_TRUE(window->Dir1->setPath(qpath(stand.path("music"))));
        clickFile(*window, "Song.mp3");
        dialogs.clear();

        row.meanwhile();
        test::clickEnabled(button(5));
        EXPECT_EQ(window->Label1->text().isEmpty(), !row.kept);
        const std::string title = state.archive.slot(row.shown).title;
        EXPECT_EQ(
            window->entryLabel->toolTip(),
            QStringLiteral("Click a category to attach the chosen recording to Score %1: %2")
                .arg(row.shown)
                .arg(title.empty() ? QStringLiteral("(no title)") : QString::fromStdString(title)));
        if (row.kept) {
            EXPECT_TRUE(dialogs.shown().empty());
            EXPECT_EQ(state.archive.slot(row.shown).category, "5");
            EXPECT_EQ(stand.read("spartiti\\audio\\7.mp3"), "song bytes");
        } else {
            EXPECT_EQ(dialogs.texts(), QStringList{"You must select an mp3 file!"});
            expectNothingAttached();
        }
    }
}

// A path wider than the label keeps its file name in sight, and a category still attaches it.
TEST_F(Mp3WindowTest, longPath_showsItsFileNameWithinTheLabelAndAttaches) {
    const std::string folder = "Recordings of the spring concert of the choir and the band";
    const QString file = QStringLiteral("nocturne_in_e_flat_major_opus_9_number_2_live.mp3");
    stand.write("music\\" + folder + "\\" + file.toStdString(), "long bytes");
    chooseFolder(*window, "music");
    chooseFolder(*window, QString::fromStdString(folder));
    clickFile(*window, file);
    const QString whole = qpath(stand.path("music\\" + folder + "\\" + file.toStdString()));
    const QFontMetrics metrics = window->Label1->fontMetrics();
    ASSERT_GT(metrics.horizontalAdvance(whole), window->Label1->contentsRect().width());
    EXPECT_LE(metrics.horizontalAdvance(window->Label1->text()),
              window->Label1->contentsRect().width());
    EXPECT_TRUE(window->Label1->text().endsWith(file));
    EXPECT_EQ(window->Label1->toolTip(), whole);
    test::clickEnabled(button(2));
    EXPECT_EQ(stand.read("spartiti\\audio\\7.mp3"), "long bytes");
    EXPECT_EQ(state.archive.slot(7).category, "2");
}

TEST(Mp3WindowCategories, fortyCategories_giveThirtyThreeButtonsWithTheFirstNames) {
    test::TempInstallation stand;
    stand.write("spartiti\\generi.js", test::categoryFile(40));
    SharedState state{stand.installation()};
    test::FakeDialogs dialogs;
    mp3 window(state, dialogs);
    const QList<QPushButton*> buttons = window.findChildren<QPushButton*>("Command3");
    ASSERT_EQ(buttons.size(), 33);
    for (QPushButton* button : buttons) {
        const int index = button->property("index").toInt();
        EXPECT_EQ(button->text(), QStringLiteral("Genre %1").arg(index));
    }
    EXPECT_TRUE(state.categoryNames[34].empty());
    EXPECT_TRUE(dialogs.shown().empty());
}

// Every category button shows its name readably: whole when it fits, with "&" as it is, and
// cut short with an ellipsis when it does not fit, the whole name then in its tip.
TEST(Mp3WindowCategories, captions_fitTheirButtonsAndShowAmpersands) {
    test::TempInstallation stand;
    stand.write("spartiti\\generi.js", "var generi = [\r\n\"Rock & Roll\",\r\n\"R&B\",\r\n"
                                       "\"Songs for children and school choirs\",\r\n ];\r\n");
    SharedState state{stand.installation()};
    test::FakeDialogs dialogs;
    mp3 window(state, dialogs);
    struct Case {
        int index;
        const char* name;
        bool whole;
    };
    for (const Case& c : {Case{1, "Rock & Roll", true}, Case{2, "R&B", true},
                          Case{3, "Songs for children and school choirs", false}}) {
        QPushButton* button = categoryButton(&window, c.index);
        const QString caption = button->text();
        EXPECT_TRUE(QKeySequence::mnemonic(caption).isEmpty()) << c.name;
        QString shown = caption;
        shown.replace(QStringLiteral("&&"), QStringLiteral("&"));
        EXPECT_LE(button->fontMetrics().horizontalAdvance(shown), button->width()) << c.name;
        if (c.whole) {
            EXPECT_EQ(shown, c.name);
            EXPECT_TRUE(button->toolTip().isEmpty()) << c.name;
        } else {
            EXPECT_TRUE(shown.startsWith("Songs for")) << shown.toStdString();
            EXPECT_EQ(button->toolTip(), c.name);
        }
    }
}

TEST(Mp3WindowCategories, shortOrMissingList_leavesTheRestEmptyAndDisabled) {
    test::TempInstallation stand;
    stand.write("spartiti\\generi.js", test::categoryFile(20));
    SharedState state{stand.installation()};
    test::FakeDialogs dialogs;
    {
        mp3 window(state, dialogs);
        EXPECT_EQ(categoryButton(&window, 20)->text(), "Genre 20");
        EXPECT_TRUE(categoryButton(&window, 20)->isEnabled());
        for (int i = 21; i <= 33; ++i) {
            EXPECT_TRUE(categoryButton(&window, i)->text().isEmpty()) << i;
            EXPECT_FALSE(categoryButton(&window, i)->isEnabled()) << i;
        }
        // A short list is no fault of its own: only a missing file is reported.
        EXPECT_TRUE(dialogs.shown().empty());
    }

    std::filesystem::remove(stand.path("spartiti\\generi.js"));
    mp3 window(state, dialogs);
    ASSERT_EQ(dialogs.errors().size(), 1);
    EXPECT_TRUE(dialogs.errors()[0].contains("generi.js"));
    EXPECT_EQ(dialogs.shown().size(), 1u);
    for (int i = 1; i <= 33; ++i) {
        EXPECT_TRUE(categoryButton(&window, i)->text().isEmpty()) << i;
        EXPECT_FALSE(categoryButton(&window, i)->isEnabled()) << i;
    }
}

TEST_F(Mp3WindowTest, folderChangedAfterChoosing_isAnErrorAndChangesNothing) {
    chooseSong();
    chooseFolder(*window, "sub");
    EXPECT_EQ(window->File1->path(), qpath(stand.path("music\\sub")));
    // The label still names the earlier file, but the list's folder has no selection.
    EXPECT_TRUE(window->Label1->text().endsWith("Song.mp3"));
    test::clickEnabled(button(12));
    ASSERT_EQ(dialogs.errors().size(), 1);
    EXPECT_EQ(dialogs.shown().size(), 1u);
    expectNothingAttached();

    // Choosing a file there attaches that one.
    dialogs.clear();
    clickFile(*window, "Deep.mp3");
    test::clickEnabled(button(12));
    EXPECT_EQ(stand.read("spartiti\\audio\\7.mp3"), "deep bytes");
    EXPECT_EQ(state.archive.slot(7).category, "12");
}

TEST_F(Mp3WindowTest, failingCopy_showsAnErrorAndKeepsTheOldCategory) {
    chooseSong();

    // A folder where the recording should go.
    std::filesystem::create_directory(stand.path("spartiti\\audio\\7.mp3"));
    test::clickEnabled(button(12));
    EXPECT_EQ(dialogs.errors().size(), 1);
    EXPECT_EQ(state.archive.slot(7).category, "3");
    EXPECT_TRUE(window->isVisible());
    std::filesystem::remove(stand.path("spartiti\\audio\\7.mp3"));

    // The chosen file vanished after it was chosen.
    std::filesystem::rename(stand.path("music\\Song.mp3"), stand.path("music\\gone"));
    test::clickEnabled(button(12));
    EXPECT_EQ(dialogs.errors().size(), 2);
    expectNothingAttached();
    std::filesystem::rename(stand.path("music\\gone"), stand.path("music\\Song.mp3"));

    // No audio folder at all.
    std::filesystem::remove(stand.path("spartiti\\audio"));
    test::clickEnabled(button(12));
    EXPECT_EQ(dialogs.errors().size(), 3);
    EXPECT_EQ(state.archive.slot(7).category, "3");
    EXPECT_FALSE(std::filesystem::exists(stand.path("spartiti\\audio")));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(dialogs.messages().size(), 0);
}

TEST_F(Mp3WindowTest, entryNumbersOutOfRange_nameNoFileAndTouchNoEntry) {
    chooseSong();
    int errors = 0;
    // The entry "Mp3" was pressed at stays valid: only the entry shown at the click counts.
    for (int shown : {0, 10000, -1}) {
        state.currentEntryNumber = shown;
        window->nameShownEntry();
        EXPECT_EQ(window->entryLabel->text(), "No score is shown");
        clickFile(*window, "Other.mp3");
        test::clickEnabled(button(12));
        EXPECT_EQ(dialogs.errors().size(), ++errors) << shown;
        expectNothingAttached();
        EXPECT_EQ(state.archive.slot(0).category, "");
    }
}

// The whole road through the program's own window host: "Mp3" in the main window, a category
// click, then "Save" in the main window.
TEST(Mp3WindowProgram, categoryReachesArchiveAtNextSave_andCloseBoxRebuildsTheWindow) {
    test::TempInstallation stand;
    stand.write("spartiti\\archivio.js", archiveFile(8));
    stand.write("spartiti\\generi.js", test::categoryFile(33));
    stand.write("music\\Song.mp3", "song bytes");
    SharedState state{stand.installation()};
    test::FakeDialogs dialogs;
    ProgramWindows windows(state, dialogs);
    windows.openMainWindow();
    Form1* form = windows.mainWindow();

    form->VScroll1->setValue(7);
    test::clickEnabled(form->Command2);
    mp3* audio = windows.audioWindow();
    ASSERT_NE(audio, nullptr);
    EXPECT_TRUE(audio->isVisible());
    EXPECT_EQ(state.audioEntryNumber, 7);
    chooseFolder(*audio, "music");
    clickFile(*audio, "Song.mp3");
    test::clickEnabled(categoryButton(audio, 12));
    EXPECT_FALSE(audio->isVisible());
    EXPECT_EQ(stand.read("spartiti\\audio\\7.mp3"), "song bytes");
    // Memory only until the main window saves.
    EXPECT_EQ(stand.read("spartiti\\archivio.js"), archiveFile(8));

    test::clickEnabled(form->Command1);
    EXPECT_EQ(stand.read("spartiti\\archivio.js"), archiveFile(8, {{7, "12"}}));
    EXPECT_EQ(dialogs.messages(), QStringList{"Successfully saved!"});

    // "Mp3" again brings back the same window in its folder, with no file chosen and the files
    // saved meanwhile listed; generi.js is not read again.
    stand.write("spartiti\\generi.js", "var generi = [\r\n\"Renamed\",\r\n ];\r\n");
    stand.write("music\\Recorded meanwhile.mp3", "new bytes");
    test::clickEnabled(form->Command2);
    EXPECT_EQ(audio->File1->findItems("Recorded meanwhile.mp3", Qt::MatchExactly).size(), 1);
    EXPECT_EQ(windows.audioWindow(), audio);
    EXPECT_EQ(categoryButton(audio, 1)->text(), "Genre 1");
    EXPECT_EQ(audio->File1->path(), qpath(stand.path("music")));
    EXPECT_TRUE(audio->Label1->text().isEmpty());

    // The close box destroys it; the next "Mp3" loads it afresh.
    audio->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(windows.audioWindow(), nullptr);
    test::clickEnabled(form->Command2);
    audio = windows.audioWindow();
    ASSERT_NE(audio, nullptr);
    EXPECT_EQ(categoryButton(audio, 1)->text(), "Renamed");
    EXPECT_FALSE(categoryButton(audio, 2)->isEnabled());
    EXPECT_TRUE(audio->Label1->text().isEmpty());
}

} // namespace
} // namespace folio
