// The merging windows driven like a user through the program's window host: choosing the other
// stand in Premerge, then listing, previewing and absorbing its scores in merging.
#include "app/program_windows.h"
#include "core/playlists/playlist_store.h"
#include "platform/browsing_lists.h"
#include "support/data_files.h"
#include "support/fake_dialogs.h"
#include "support/fault_injection.h"
#include "support/qt_printers.h"
#include "support/rows.h"
#include "support/temp_installation.h"
#include "support/user_input.h"
#include "windows/common/shared_state.h"
#include "windows/merging/merging_window.h"
#include "windows/merging/premerge.h"
#include "windows/midi/midifrm.h"
#include "windows/playlists/playlist_window.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace folio {
namespace {

namespace fs = std::filesystem;
using test::FakeDialogs;
using test::TempInstallation;

QString qpath(const fs::path& path) {
    return QString::fromStdString(path.string());
}

// archivio.js of scores given by title and author.
std::string archiveOf(const std::vector<std::pair<std::string, std::string>>& scores) {
    std::vector<ScoreEntry> entries;
    for (const auto& [title, author] : scores)
        entries.push_back({"", title, author, "t", "0"});
    return test::archiveFile(entries);
}

void writeJpeg(const fs::path& file, QColor colour) {
    QImage image(60, 85, QImage::Format_RGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(qpath(file), "JPG"));
}

void clickRow(QListWidget* list, int row, Qt::KeyboardModifiers keys = {}) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, keys,
                      list->visualItemRect(list->item(row)).center());
}

void processDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class MergingWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        here.write("spartiti\\archivio.js",
                   archiveOf({{"Own one", "Me"}, {"Beta", "Bob"}, {"Own three", "Me"}}));
        other.write("spartiti\\archivio.js",
                    archiveOf({{"Alpha", "Ann"}, {"Beta", "Bob"}, {"Gamma", "Cid"}}));
        other.write("lumivora_pro.html", "<html></html>");
        writeJpeg(other.path("spartiti\\1L.jpg"), Qt::red);
        writeJpeg(other.path("spartiti\\1R.jpg"), Qt::green);
        writeJpeg(other.path("spartiti\\3L.jpg"), Qt::blue);
        writeJpeg(other.path("spartiti\\3R.jpg"), Qt::yellow);
        third.write("spartiti\\archivio.js", archiveOf({{"Delta", "Dee"}}));
        third.write("any name.HTML", "");
        windows.openMainWindow();
    }

    merging* openOn(const TempInstallation& stand) {
        state.mergeSourceFolder = stand.root();
        windows.showAbsorptionWindow();
        return windows.absorptionWindow();
    }
    Premerge* openPremerge() {
        test::triggerEnabled(windows.mainWindow()->merging);
        return windows.sourceSelectionWindow();
    }
    static QStringList rows(const merging* window) {
        QStringList titles;
        for (int row = 0; row < window->List1->count(); ++row)
            titles << window->List1->item(row)->text();
        return titles;
    }
    static void clickFile(Premerge* window, const QString& name) {
        const QList<QListWidgetItem*> found = window->File1->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        QTest::mouseClick(window->File1->viewport(), Qt::LeftButton, {},
                          window->File1->visualItemRect(found.front()).center());
    }

    TempInstallation here;
    TempInstallation other;
    TempInstallation third;
    SharedState state{here.installation()};
    FakeDialogs dialogs;
    ProgramWindows windows{state, dialogs};
};

TEST_F(MergingWindowsTest, premerge_okOnlyAfterAFileClick_takesTheFolderShownAtOk) {
    state.mergeSourceFolder = "unchanged";
    Premerge* window = openPremerge();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Preparation");
    EXPECT_EQ(window->Dir1->path(), qpath(here.root()));
    EXPECT_FALSE(window->Command1->isEnabled());
    EXPECT_EQ(window->Command1->toolTip(), "To continue, you must select lumivora.");
    EXPECT_EQ(window->Command1->geometry(), QRect(296, 568, 265, 41));

    ASSERT_TRUE(window->Dir1->setPath(qpath(other.root())));
    EXPECT_FALSE(window->Command1->isEnabled());
    clickFile(window, "lumivora_pro.html");
    EXPECT_TRUE(window->Command1->isEnabled());
    ASSERT_TRUE(window->Dir1->setPath(qpath(third.root())));
    EXPECT_TRUE(window->Command1->isEnabled());
    EXPECT_EQ(state.mergeSourceFolder, "unchanged");

    test::clickEnabled(window->Command1);
    processDeletes();
    EXPECT_EQ(windows.sourceSelectionWindow(), nullptr);
    EXPECT_EQ(state.mergeSourceFolder, third.root());
    ASSERT_NE(windows.absorptionWindow(), nullptr);
    EXPECT_EQ(rows(windows.absorptionWindow()), QStringList{"Delta"});
    // The keyboard goes on to the absorption window, not back to the main window.
    EXPECT_TRUE(QTest::qWaitForWindowActive(windows.absorptionWindow()));
}

// The folder list has the keyboard when the window opens, its current row marked: the arrow
// keys move through the folders and Enter opens the one marked.
TEST_F(MergingWindowsTest, premerge_arrowKeysAndEnterBrowseTheFolders) {
    Premerge* window = openPremerge();
    ASSERT_NE(window, nullptr);
    QApplication::setActiveWindow(window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    EXPECT_EQ(QApplication::focusWidget(), window->Dir1);
    const struct {
        Qt::Key key;
        QString opened;
    } steps[] = {
        {Qt::Key_Down, qpath(here.path("spartiti"))},
        {Qt::Key_Down, qpath(here.path("spartiti\\audio"))},
        {Qt::Key_Up, qpath(here.path("spartiti"))},
        {Qt::Key_Up, qpath(here.root())},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.opened.toStdString());
        QTest::keyClick(QApplication::focusWidget(), step.key);
        ASSERT_NE(window->Dir1->currentItem(), nullptr);
        EXPECT_TRUE(window->Dir1->currentItem()->isSelected());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_EQ(window->Dir1->path(), step.opened);
        EXPECT_EQ(window->File1->path(), step.opened);
        EXPECT_EQ(QApplication::focusWidget(), window->Dir1);
    }
}

// A stick mounted below the current drive: choosing it in the drive list makes it the tree's
// top, and opening a folder on it keeps that top.
TEST_F(MergingWindowsTest, premerge_choosingADriveBelowTheCurrentOne_makesItTheTreesTop) {
    Premerge* window = openPremerge();
    const QString stick = qpath(other.root());
    window->Drive1->setDrives({window->Dir1->drive(), stick});
    ASSERT_TRUE(window->Drive1->setDrive(stick));
    EXPECT_EQ(window->Dir1->drive(), stick);
    EXPECT_EQ(window->Dir1->path(), stick);
    ASSERT_TRUE(window->Dir1->setPath(qpath(other.path("spartiti"))));
    EXPECT_EQ(window->Dir1->drive(), stick);
    EXPECT_EQ(window->File1->path(), qpath(other.path("spartiti")));
}

TEST_F(MergingWindowsTest, premerge_escapeKeepsTheFolderAndNextOpeningStartsWhereLeft) {
    state.mergeSourceFolder = other.root();
    for (bool byKey : {false, true}) {
        Premerge* window = openPremerge();
        ASSERT_TRUE(window->Dir1->setPath(qpath(third.root())));
        clickFile(window, "any name.HTML");
        if (byKey)
            QTest::keyClick(window->File1, Qt::Key_Escape);
        else
            test::clickEnabled(window->Command2);
        processDeletes();
        EXPECT_EQ(windows.sourceSelectionWindow(), nullptr);
        EXPECT_EQ(state.mergeSourceFolder, other.root());
        EXPECT_EQ(windows.absorptionWindow(), nullptr);
    }
    Premerge* again = openPremerge();
    EXPECT_EQ(again->Dir1->path(), qpath(third.root()));
    EXPECT_FALSE(again->Command1->isEnabled());
}

TEST_F(MergingWindowsTest, load_listsTitlesMarksThoseAlreadyHereAndPreviewsLeftPages) {
    merging* window = openOn(other);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(window->windowTitle(), "Merging");
    EXPECT_EQ(rows(window), (QStringList{"Alpha", "Beta", "Gamma"}));
    EXPECT_TRUE(window->Command2->isEnabled());
    EXPECT_EQ(window->List1->item(1)->toolTip(), "Already in your archive");
    EXPECT_TRUE(window->List1->item(1)->font().italic());
    EXPECT_TRUE(window->List1->item(0)->toolTip().isEmpty());
    EXPECT_FALSE(window->List1->item(0)->font().italic());

    const struct {
        int row;
        QColor colour;
    } previews[] = {{2, Qt::blue}, {1, QColor()}, {0, Qt::red}};
    for (const auto& preview : previews) {
        clickRow(window->List1, preview.row);
        const QPixmap shown = window->Image1->pixmap();
        ASSERT_EQ(shown.isNull(), !preview.colour.isValid()) << preview.row;
        if (!shown.isNull()) {
            const QColor centre = shown.toImage().pixelColor(shown.width() / 2, shown.height() / 2);
            EXPECT_NEAR(centre.red(), preview.colour.red(), 24) << preview.row;
            EXPECT_NEAR(centre.blue(), preview.colour.blue(), 24) << preview.row;
        }
    }
}

TEST_F(MergingWindowsTest, absorb_appendsMarkedRowsAndShowsThemInTheRebuiltMainWindow) {
    merging* window = openOn(other);
    clickRow(window->List1, 2);
    clickRow(window->List1, 0, Qt::ControlModifier);
    const QPointer<Form1> before = windows.mainWindow();
    dialogs.setNextAnswer(true);
    test::clickEnabled(window->Command2);

    ASSERT_EQ(dialogs.shown().size(), 2u) << dialogs.texts().join("\n").toStdString();
    EXPECT_EQ(dialogs.shown()[0].text,
              "The selected tracks will be added to your archive. You want to proceed?\n"
              "2 scores are marked.");
    EXPECT_TRUE(dialogs.shown()[1].text.startsWith("The merger of the archives has been "
                                                   "completed."));
    EXPECT_FALSE(dialogs.shown()[1].text.contains("could not be copied"));
    EXPECT_EQ(here.read("spartiti\\archivio.js"), archiveOf({{"Own one", "Me"},
                                                             {"Beta", "Bob"},
                                                             {"Own three", "Me"},
                                                             {"Alpha", "Ann"},
                                                             {"Gamma", "Cid"}}));
    EXPECT_EQ(here.read("spartiti\\4L.jpg"), other.read("spartiti\\1L.jpg"));
    EXPECT_EQ(here.read("spartiti\\5R.jpg"), other.read("spartiti\\3R.jpg"));

    processDeletes();
    Form1* main = windows.mainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(before.isNull()) << "the main window was built anew";
    EXPECT_EQ(main->VScroll1->value(), 5);
    EXPECT_EQ(main->Text2->text(), "Gamma");
    EXPECT_EQ(main->Label6->text(), "There are 5 titles");

    ASSERT_EQ(windows.absorptionWindow(), window);
    EXPECT_EQ(window->List1->item(0)->toolTip(), "Already in your archive");
    EXPECT_EQ(window->List1->item(2)->toolTip(), "Already in your archive");

    // Ctrl+A marks every row; a second absorption appends after the first.
    window->List1->setFocus();
    QTest::keyClick(window->List1, Qt::Key_A, Qt::ControlModifier);
    dialogs.setNextAnswer(true);
    test::clickEnabled(window->Command2);
    EXPECT_EQ(state.archive.entryCount(), 8);
    EXPECT_EQ(state.archive.slot(7).title, "Beta");
    EXPECT_TRUE(dialogs.shown().back().text.contains("2 page(s) could not be copied"));
    EXPECT_TRUE(dialogs.shown().back().text.contains(qpath(other.path("spartiti\\2L.jpg"))));
}

// A click marks or unmarks its row and keeps the other marks; Shift and Ctrl act as in any list,
// the arrows move without touching the marks. The count under the list follows, and the preview
// shows the clicked row's page, marked or not.
TEST_F(MergingWindowsTest, clicks_toggleMarksAndTheCountShowsUnderTheList) {
    struct Step {
        int row; // -1: a key instead of a click
        Qt::KeyboardModifiers keys;
        Qt::Key key;
    };
    const Step plain0{0, {}, {}}, plain1{1, {}, {}}, plain2{2, {}, {}};
    const struct {
        const char* name;
        std::vector<Step> steps;
        std::vector<int> marked;
        const char* count;
        int previewed;
    } cases[] = {
        {"three plain clicks", {plain0, plain2, plain1}, {0, 1, 2}, "3 scores are marked.", 1},
        {"the same row twice", {plain0, plain2, plain0}, {2}, "1 score is marked.", 0},
        {"shift extends",
         {plain0, {2, Qt::ShiftModifier, {}}},
         {0, 1, 2},
         "3 scores are marked.",
         2},
        {"ctrl toggles",
         {plain0, plain2, {2, Qt::ControlModifier, {}}},
         {0},
         "1 score is marked.",
         2},
        {"arrows keep the marks, space marks",
         {plain0, {-1, {}, Qt::Key_Down}, {-1, {}, Qt::Key_Down}, {-1, {}, Qt::Key_Space}},
         {0, 2},
         "2 scores are marked.",
         2},
        {"every mark taken back", {plain2, plain2}, {}, "0 scores are marked.", 2},
    };
    const QColor pages[] = {Qt::red, QColor(), Qt::blue};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        merging* window = openOn(other);
        ASSERT_EQ(window->markedStatus->text(), "0 scores are marked.");
        for (const Step& step : c.steps) {
            if (step.row >= 0)
                clickRow(window->List1, step.row, step.keys);
            else
                QTest::keyClick(window->List1, step.key, step.keys);
        }
        std::vector<int> marked;
        for (int row = 0; row < window->List1->count(); ++row)
            if (window->List1->item(row)->isSelected())
                marked.push_back(row);
        EXPECT_EQ(marked, c.marked);
        EXPECT_EQ(window->markedStatus->text(), c.count);
        const QPixmap shown = window->Image1->pixmap();
        const QColor page = pages[c.previewed];
        ASSERT_EQ(shown.isNull(), !page.isValid());
        if (!shown.isNull()) {
            const QColor centre = shown.toImage().pixelColor(shown.width() / 2, shown.height() / 2);
            EXPECT_NEAR(centre.red(), page.red(), 24);
            EXPECT_NEAR(centre.blue(), page.blue(), 24);
        }
        window->close();
        processDeletes();
    }
    // The count sits between the list and the buttons, covering neither.
    merging* window = openOn(other);
    const QRect count = window->markedStatus->geometry();
    EXPECT_TRUE(window->rect().contains(count));
    for (const QWidget* control : std::initializer_list<const QWidget*>{
             window->List1, window->Command1, window->Command2, window->Image1})
        EXPECT_FALSE(count.intersects(control->geometry())) << control->objectName().toStdString();
}

// After an absorption nothing is marked, and the question, whose default answer is No, says how
// many scores a Yes adds and how many of them the archive holds already.
TEST_F(MergingWindowsTest, absorb_clearsTheMarksAndTheQuestionCountsWhatIsAsked) {
    const QString asked =
        "The selected tracks will be added to your archive. You want to proceed?\n";
    const struct {
        std::vector<int> rows;
        bool yes;
        const char* countLine;
        int entriesAfter;
    } steps[] = {
        {{0, 1}, true, "2 scores are marked. 1 of them is already in your archive.", 5},
        {{}, false, "0 scores are marked.", 5},
        {{0}, false, "1 score is marked. 1 of them is already in your archive.", 5},
        {{0, 1, 2}, true, "3 scores are marked. 2 of them are already in your archive.", 8},
        {{2}, true, "1 score is marked. 1 of them is already in your archive.", 9},
    };
    merging* window = openOn(other);
    for (const auto& step : steps) {
        SCOPED_TRACE(step.countLine);
        window->List1->clearSelection();
        for (int row : step.rows)
            clickRow(window->List1, row);
        dialogs.clear();
        if (step.yes)
            dialogs.setNextAnswer(true);
        test::clickEnabled(window->Command2);
        ASSERT_FALSE(dialogs.shown().empty());
        EXPECT_EQ(dialogs.shown()[0].kind, FakeDialogs::Kind::Question);
        EXPECT_EQ(dialogs.shown()[0].text, asked + step.countLine);
        EXPECT_TRUE(dialogs.shown()[0].defaultNo);
        EXPECT_EQ(state.archive.entryCount(), step.entriesAfter);
        EXPECT_EQ(window->List1->selectionModel()->hasSelection(), !step.yes && !step.rows.empty());
        if (step.yes) {
            EXPECT_EQ(window->markedStatus->text(), "0 scores are marked.");
        }
        processDeletes();
    }
}

// Every way an absorption is refused or fails leaves the archive file, the pages and the archive
// in memory as they were.
TEST_F(MergingWindowsTest, refusedOrFailedAbsorb_changesNothing) {
    enum class Fault { AnswerNo, NotWritable, NoRoom, WriteFails };
    const struct {
        Fault fault;
        const char* text;
        bool asked;
    } cases[] = {
        {Fault::AnswerNo, "", true},
        {Fault::NotWritable, "must not be written: nothing was absorbed.", false},
        {Fault::NoRoom, "0 of the 2 marked scores can still be absorbed", false},
        {Fault::WriteFails, "Nothing was absorbed: the archive could not be written.", true},
    };
    const std::string file = here.read("spartiti\\archivio.js");
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.fault));
        dialogs.clear();
        merging* window = openOn(other);
        window->List1->clearSelection();
        clickRow(window->List1, 0);
        clickRow(window->List1, 2, Qt::ControlModifier);
        state.archiveWritable = c.fault != Fault::NotWritable;
        const int count = c.fault == Fault::NoRoom ? ScoreArchive::kMaxEntries : 3;
        state.archive.setEntryCount(count);
        if (c.asked)
            dialogs.setNextAnswer(c.fault != Fault::AnswerNo);
        {
            std::optional<test::FileSizeLimit> limit;
            if (c.fault == Fault::WriteFails)
                limit.emplace(file.size() + 10);
            test::clickEnabled(window->Command2);
        }
        EXPECT_EQ(here.read("spartiti\\archivio.js"), file);
        EXPECT_FALSE(here.exists("spartiti\\4L.jpg"));
        EXPECT_EQ(state.archive.entryCount(), count);
        EXPECT_EQ(state.archive.slot(4).title, "");
        const QStringList errors = dialogs.errors();
        EXPECT_EQ(errors.isEmpty(), std::string(c.text).empty()) << errors.join("\n").toStdString();
        if (!errors.isEmpty()) {
            EXPECT_TRUE(errors.front().contains(c.text)) << errors.front().toStdString();
        }
        const bool asked =
            !dialogs.shown().empty() && dialogs.shown().front().kind == FakeDialogs::Kind::Question;
        EXPECT_EQ(asked, c.asked);
        state.archive.setEntryCount(3);
    }
}

TEST_F(MergingWindowsTest, sourceWithoutArchive_isReportedAndAbsorbStaysOff) {
    const struct {
        const char* archive;
        const char* text;
    } cases[] = {{nullptr, "There is no archive"},
                 {"var archivio = [\r\n ];\r\n", "holds no scores"}};
    for (const auto& c : cases) {
        TempInstallation empty;
        if (c.archive)
            empty.write("spartiti\\archivio.js", c.archive);
        dialogs.clear();
        merging* window = openOn(empty);
        EXPECT_EQ(window->List1->count(), 0);
        EXPECT_FALSE(window->Command2->isEnabled());
        ASSERT_EQ(dialogs.errors().size(), 1);
        EXPECT_TRUE(dialogs.errors().front().contains(c.text));
    }
}

TEST_F(MergingWindowsTest, choosingAnotherFolderWhileOpen_loadsItIntoTheSameWindow) {
    merging* window = openOn(other);
    clickRow(window->List1, 0);
    Premerge* selection = openPremerge();
    ASSERT_TRUE(selection->Dir1->setPath(qpath(third.root())));
    clickFile(selection, "any name.HTML");
    test::clickEnabled(selection->Command1);
    processDeletes();
    ASSERT_EQ(windows.absorptionWindow(), window);
    EXPECT_EQ(rows(window), QStringList{"Delta"});
    EXPECT_TRUE(window->Image1->pixmap().isNull());
    EXPECT_EQ(window->sourceFolder(), third.root());
    QTest::keyClick(window->List1, Qt::Key_Escape);
    processDeletes();
    EXPECT_EQ(windows.absorptionWindow(), nullptr);
}

// The page a row previews is the page its absorption copies, and only a plain file of the other
// stand is read: a pipe shows nothing and does not hang the window, a link is not followed, and
// what already lay under the new entry's names is moved aside, the completion text says where.
TEST_F(MergingWindowsTest, sourcePages_previewAndAbsorbOnlyWhatTheRowCopies) {
    const struct {
        const char* what;
        std::function<void(TempInstallation& other, TempInstallation& here)> arrange;
        QColor preview;
        // What entry 4 gets as its left page: the bytes of this page of the other stand, or none.
        const char* copiedLeft;
        const char* text;
    } cases[] = {
        {"numbers differ from positions",
         [](TempInstallation& other, TempInstallation&) {
             std::string bytes = archiveOf({{"Gamma", "Cid"}, {"Alpha", "Ann"}});
             bytes.replace(bytes.find("\"1\""), 3, "\"3\"");
             other.write("spartiti\\archivio.js", bytes);
         },
         Qt::blue, "spartiti\\3L.jpg", nullptr},
        {"a pipe as the page",
         [](TempInstallation& other, TempInstallation&) {
             std::filesystem::remove(other.path("spartiti\\1L.jpg"));
             ASSERT_EQ(::mkfifo(other.path("spartiti\\1L.jpg").c_str(), 0644), 0);
         },
         QColor(), nullptr, "1L.jpg\" is not a file."},
        {"a link to a file outside",
         [this](TempInstallation& other, TempInstallation&) {
             writeJpeg(third.path("key.jpg"), Qt::green);
             std::filesystem::remove(other.path("spartiti\\1L.jpg"));
             std::filesystem::create_symlink(third.path("key.jpg"), other.path("spartiti\\1L.jpg"));
         },
         QColor(), nullptr, "1L.jpg\" is a link; links are not followed."},
        {"a stranger's files under the new number",
         [](TempInstallation& other, TempInstallation& here) {
             std::filesystem::remove(other.path("spartiti\\1L.jpg"));
             here.write("spartiti\\4L.jpg", "stranger");
             here.write("spartiti\\audio\\4.mp3", "stranger");
         },
         QColor(), nullptr,
         "2 file(s) already lay under the new scores' names and belong to none of them; they were "
         "moved aside, unchanged, to spartiti/backup/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempInstallation source;
        TempInstallation target;
        target.write("spartiti\\archivio.js", here.read("spartiti\\archivio.js"));
        source.write("spartiti\\archivio.js", other.read("spartiti\\archivio.js"));
        for (const char* page : {"spartiti\\1L.jpg", "spartiti\\1R.jpg", "spartiti\\3L.jpg"})
            source.write(page, other.read(page));
        c.arrange(source, target);
        SharedState shared{target.installation()};
        ProgramWindows program{shared, dialogs};
        program.openMainWindow();
        dialogs.clear();
        shared.mergeSourceFolder = source.root();
        program.showAbsorptionWindow();
        merging* window = program.absorptionWindow();

        clickRow(window->List1, 0);
        const QPixmap shown = window->Image1->pixmap();
        ASSERT_EQ(shown.isNull(), !c.preview.isValid());
        if (!shown.isNull()) {
            const QColor centre = shown.toImage().pixelColor(shown.width() / 2, shown.height() / 2);
            EXPECT_NEAR(centre.blue(), c.preview.blue(), 24);
            EXPECT_NEAR(centre.red(), c.preview.red(), 24);
        }

        dialogs.setNextAnswer(true);
        test::clickEnabled(window->Command2);
        ASSERT_EQ(dialogs.shown().size(), 2u) << dialogs.texts().join("\n").toStdString();
        const QString done = dialogs.shown()[1].text;
        EXPECT_TRUE(done.startsWith("The merger of the archives has been completed."))
            << done.toStdString();
        if (c.text) {
            EXPECT_TRUE(done.contains(QString::fromUtf8(c.text))) << done.toStdString();
        }
        EXPECT_EQ(target.read("spartiti\\4L.jpg"), c.copiedLeft ? source.read(c.copiedLeft) : "");
        EXPECT_EQ(target.exists("spartiti\\audio\\4.mp3"), false);
    }
}

// While the pages are copied, typing into the main window goes nowhere: the main window is
// rebuilt from the archive file once the copies end, so a title typed now would be lost.
TEST_F(MergingWindowsTest, absorb_whileCopying_noOtherWindowTakesInput) {
    merging* window = openOn(other);
    window->setProgressDelay(0);
    clickRow(window->List1, 0);
    clickRow(window->List1, 2, Qt::ControlModifier);
    Form1* main = windows.mainWindow();
    main->Text2->setFocus();
    const QString title = main->Text2->text();
    bool typed = false;
    QTimer::singleShot(0, [&] {
        auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(progress, nullptr);
        EXPECT_EQ(progress->objectName(), "copyProgress");
        QTest::keyClick(main->windowHandle(), Qt::Key_X);
        typed = true;
        EXPECT_EQ(main->Text2->text(), title);
    });
    dialogs.setNextAnswer(true);
    test::clickEnabled(window->Command2);
    EXPECT_TRUE(typed);
    EXPECT_EQ(here.read("spartiti\\5L.jpg"), other.read("spartiti\\3L.jpg"));
}

} // namespace
} // namespace folio

namespace folio {
namespace {

// An absorption writes archivio.js over another program's change only once the user agrees, and
// the other version is then kept; without the agreement nothing is absorbed.
TEST_F(MergingWindowsTest, absorb_overAnotherProgramsChange_asksFirst) {
    struct Row {
        const char* what;
        bool saveOver;
    };
    const Row rows[] = {{"No: nothing absorbed", false}, {"Yes: absorbed", true}};
    test::forEachRow(rows, [&](const Row& row) {
        // The main window reads the archive; another program then changes it.
        windows.reopenMainWindow();
        const int before = state.archive.entryCount();
        const std::string theirs = archiveOf({{"Own one", "Me"}, {row.what, "Ed"}});
        here.write("spartiti\\archivio.js", theirs);
        dialogs.clear();
        merging* window = openOn(other);
        clickRow(window->List1, 0);
        dialogs.setNextAnswer(true); // the absorption's own question
        dialogs.setNextAnswer(row.saveOver);
        test::clickEnabled(window->Command2);

        ASSERT_GE(dialogs.shown().size(), 2u);
        EXPECT_TRUE(dialogs.shown()[1].text.startsWith("archivio.js was changed by another "
                                                       "program"))
            << dialogs.shown()[1].text.toStdString();
        EXPECT_EQ(state.archive.entryCount(), before + (row.saveOver ? 1 : 0));
        std::error_code none;
        const bool kept = std::any_of(
            fs::recursive_directory_iterator(here.path("spartiti\\backup"), none),
            fs::recursive_directory_iterator(), [&](const fs::directory_entry& file) {
                return file.path().filename() == "archivio.js" &&
                       here.read(file.path().lexically_relative(here.root()).string()) == theirs;
            });
        EXPECT_EQ(here.read("spartiti\\archivio.js") == theirs, !row.saveOver);
        EXPECT_EQ(kept, row.saveOver);
    });
}

// The undo of an absorption names the playlist tracks and MIDI set-ups of the scores it takes
// out, takes them out with the scores, and the open playlist and MIDI windows read the files
// anew.
TEST_F(MergingWindowsTest, undo_takesTheTracksAndSetUpsOfTheAbsorbedScoresAlong) {
    merging* window = openOn(other);
    clickRow(window->List1, 0);
    clickRow(window->List1, 2, Qt::ControlModifier);
    dialogs.setNextAnswer(true);
    test::clickEnabled(window->Command2);
    ASSERT_EQ(state.archive.entryCount(), 5);
    // Made after the absorption, by the stand's other tools or by hand.
    here.write("spartiti\\playlist.js",
               playlistFileBytes({{"Set 1", "1,4,2,5,#"}, {"Encores", "5,#"}}));
    here.write("spartiti\\midi.js", test::midiFile({test::midiRecord("4", {"000,000,077"})}));
    windows.showPlaylistManager();
    windows.showMidiDevice();
    const QPointer<playlistfrm> playlists = windows.playlistManager();

    dialogs.clear();
    dialogs.setNextAnswer(true);
    windows.undoLastAbsorption();
    ASSERT_EQ(dialogs.shown().size(), 2u) << dialogs.texts().join("\n").toStdString();
    EXPECT_EQ(dialogs.shown()[0].text,
              "Undo the last absorption? The playlists hold tracks of the scores it added, which "
              "are taken out: Set 1: tracks 2 and 4; Encores: track 1. The MIDI set-ups of scores "
              "4 are dropped.");
    EXPECT_TRUE(dialogs.shown()[1].text.endsWith(
        "\n\nTaken out of the playlists: Set 1: tracks 2 and 4; Encores: track 1.\nMIDI set-ups "
        "dropped: 4."))
        << dialogs.shown()[1].text.toStdString();
    EXPECT_EQ(state.archive.entryCount(), 3);
    EXPECT_EQ(here.read("spartiti\\playlist.js"),
              playlistFileBytes({{"Set 1", "1,2,#"}, {"Encores", "#"}}));
    EXPECT_EQ(here.read("spartiti\\midi.js"), test::midiFile({}));
    processDeletes();
    EXPECT_TRUE(playlists.isNull()) << "the playlist window was built anew";
    ASSERT_NE(windows.midiWindow(), nullptr);
    EXPECT_EQ(windows.midiWindow()->store().recordCount(), 0);
}

} // namespace
} // namespace folio
