// The main window driven like a user, on a temporary installation.
#include "core/files/file_ops.h"
#include "core/files/read_limits.h"
#include "platform/cp1252.h"
#include "support/data_files.h"
#include "support/fake_dialogs.h"
#include "support/fault_injection.h"
#include "support/qt_printers.h"
#include "support/recording_host.h"
#include "support/rows.h"
#include "support/temp_installation.h"
#include "support/user_input.h"
#include "windows/common/main_window_host.h"
#include "windows/common/shared_state.h"
#include "windows/main/form1.h"
#include "windows/main/page_image_loader.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <optional>

namespace folio {
namespace {

using test::RecordingHost;

std::string archiveOfTitles(int count) {
    return test::archiveFile(
        std::vector<ScoreEntry>(static_cast<std::size_t>(count), {"", "t", "", "", "0"}));
}

// Every folder and file below root, with the bytes of each file.
std::map<std::string, std::string> filesBelow(const std::filesystem::path& root) {
    std::map<std::string, std::string> found;
    for (const auto& item : std::filesystem::recursive_directory_iterator(root))
        found[item.path().string()] =
            item.is_directory()
                ? "<folder>"
                : readWholeFile(item.path(), kArchiveFileLimit).content().value_or("<unreadable>");
    return found;
}

void writeJpeg(const std::filesystem::path& file, QColor colour) {
    QImage image(120, 170, QImage::Format_RGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(QString::fromStdString(file.string()), "JPG"));
}

// The colour in the middle of a frame's picture; invalid when the frame is empty.
QColor frameColour(const QLabel* frame) {
    QImage image = frame->pixmap().toImage();
    return image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
}

bool isBlueish(QColor colour) {
    return colour.isValid() && colour.blue() > 200 && colour.red() < 60;
}
bool isReddish(QColor colour) {
    return colour.isValid() && colour.red() > 200 && colour.blue() < 60;
}

class Form1Test : public ::testing::Test {
protected:
    void open() { window = std::make_unique<Form1>(state, dialogs, host); }
    void withEntries(int count, bool lastHasTitle = true) {
        std::vector<ScoreEntry> entries;
        for (int n = 1; n <= count; ++n)
            entries.push_back({"", n == count && !lastHasTitle ? "" : "Song " + std::to_string(n),
                               "Author " + std::to_string(n), "tag", "0"});
        stand.write("spartiti\\archivio.js", test::archiveFile(entries));
    }
    // Waits until both frames have settled for the shown position.
    bool framesShow(bool left, bool right) {
        return QTest::qWaitFor(
            [&] {
                return !window->Image1->pixmap().isNull() == left &&
                       !window->Image2->pixmap().isNull() == right;
            },
            2000);
    }
    // Opens on two entries whose first has red pages, shows entry 1 until both pages are on
    // screen, and leaves the window on entry 2. False if the pages never arrived.
    bool showRedPagesOfEntryOneThenMoveOn() {
        withEntries(2);
        writeJpeg(stand.path("spartiti\\1L.jpg"), Qt::red);
        writeJpeg(stand.path("spartiti\\1R.jpg"), Qt::red);
        open();
        window->VScroll1->setValue(1);
        bool shown = framesShow(true, true);
        redShownFirst = isReddish(frameColour(window->Image1));
        window->VScroll1->setValue(2);
        return shown;
    }
    bool redShownFirst = false;

    test::TempInstallation stand;
    SharedState state{stand.installation()};
    test::FakeDialogs dialogs;
    RecordingHost host;
    std::unique_ptr<Form1> window;
};

TEST_F(Form1Test, controls_haveTheirNamesCaptionsAndPlaces) {
    open();
    EXPECT_EQ(window->windowTitle(), "Folioscribe 5.0");
    EXPECT_EQ(window->findChild<QLineEdit*>("Text2")->toolTip(), "Title");
    EXPECT_EQ(window->findChild<QLineEdit*>("Text4")->toolTip(),
              "Tags: add more words separated by spaces. Do not use accents or commas.");
    EXPECT_EQ(window->findChild<QPushButton*>("Command3")->text(), "&Left");
    EXPECT_EQ(window->findChild<QPushButton*>("Command3")->toolTip(),
              "Enter the left paper (Alt+L)");
    EXPECT_EQ(window->findChild<QPushButton*>("Command4")->toolTip(),
              "Enter the right paper (Alt+R)");
    EXPECT_EQ(window->findChild<QPushButton*>("Command5")->toolTip(), "Aggiungi nuovo titolo");
    EXPECT_EQ(window->findChild<QPushButton*>("Command1")->text(), "Save");
    EXPECT_EQ(window->findChild<QPushButton*>("Command2")->text(), "&Mp3");
    EXPECT_EQ(window->findChild<QLabel*>("Image2")->geometry(), QRect(360, 232, 329, 281));
    EXPECT_EQ(window->findChild<QScrollBar*>("VScroll1")->geometry(), QRect(696, 8, 33, 609));
    // Each command reads as it always did, with one letter underlined for the keyboard.
    const struct {
        const char* name;
        QString caption;
        QChar key;
    } commands[] = {{"playlist", "Playlist Manager", 'P'},
                    {"midi", "Midi device", 'M'},
                    {"merging", "Merging", 'e'},
                    {"cerca", QString::fromUtf8("Find\u2026"), 'F'},
                    {"chiudi", "Exit", 'x'}};
    for (const auto& command : commands) {
        const QString text = window->findChild<QAction*>(command.name)->text();
        EXPECT_EQ(QString(text).remove(u'&'), command.caption) << command.name;
        EXPECT_EQ(text.count(u'&'), 1) << command.name;
        EXPECT_EQ(text.at(text.indexOf(u'&') + 1), command.key) << command.name;
    }
}

// The number box looks read-only and a click on it takes the keyboard from the title; empty
// boxes show their role in grey, which is never stored.
TEST_F(Form1Test, numberAndEmptyBoxes_showWhatTheyAreAndTakeNoStrayTyping) {
    const std::string bytes =
        test::archiveFile({{"", "Song 1", "Author 1", "tag", "0"}, {"", "", "", "", "0"}});
    stand.write("spartiti\\archivio.js", bytes);
    open();
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    const struct {
        QLineEdit* box;
        QString role;
    } empty[] = {{window->Text2, "Title"}, {window->Text3, "Author"}, {window->Text4, "Tags"}};
    for (const auto& field : empty) {
        EXPECT_EQ(field.box->text(), "") << field.role.toStdString();
        EXPECT_EQ(field.box->placeholderText(), field.role);
        const QColor grey = field.box->palette().color(QPalette::PlaceholderText);
        EXPECT_EQ(grey.red(), grey.blue()) << field.role.toStdString();
    }
    test::clickEnabled(window->Command1);
    EXPECT_EQ(stand.read("spartiti\\archivio.js"), bytes);

    EXPECT_TRUE(window->Text1->isReadOnly());
    EXPECT_EQ(window->Text1->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(window->Text1->cursor().shape(), Qt::ArrowCursor);
    EXPECT_NE(window->Text1->palette().color(QPalette::Base),
              window->Text2->palette().color(QPalette::Base));
    window->VScroll1->setValue(1);
    window->Text2->setFocus();
    QTest::mouseClick(window->Text1, Qt::LeftButton);
    QTest::keyClicks(window->focusWidget() ? window->focusWidget() : window.get(), "7");
    EXPECT_EQ(window->Text2->text(), "Song 1");
    EXPECT_EQ(state.archive.slot(1).title, "Song 1");
}

// A larger window gives its room to the two pages, decoded anew at their new size; the fields
// keep their size, and the window cannot be made smaller than its layout.
TEST_F(Form1Test, resize_growsThePagesAndKeepsTheFields) {
    withEntries(1);
    writeJpeg(stand.path("spartiti\\1L.jpg"), Qt::blue);
    writeJpeg(stand.path("spartiti\\1R.jpg"), Qt::blue);
    open();
    window->show();
    ASSERT_TRUE(framesShow(true, true));
    QWidget* area = window->findChild<QWidget*>("client");
    EXPECT_EQ(area->size(), QSize(734, 624));
    const QList<QWidget*> fields{
        window->Text1,    window->Text2,    window->Text3,    window->Text4,    window->Command1,
        window->Command2, window->Command3, window->Command4, window->Command5, window->Label6};
    QList<QSize> sizes;
    for (QWidget* field : fields)
        sizes << field->size();
    EXPECT_EQ(window->Image1->pixmap().size(),
              QSize(120, 170).scaled(329, 281, Qt::KeepAspectRatio));

    window->resize(window->size() + QSize(400, 200));
    EXPECT_EQ(area->size(), QSize(1134, 824));
    EXPECT_EQ(window->Image1->size(), QSize(529, 481));
    EXPECT_EQ(window->Image2->geometry(), QRect(8 + 529 + 23, 232, 529, 481));
    EXPECT_EQ(window->VScroll1->geometry().right(), 1134 - 6);
    for (int i = 0; i < fields.size(); ++i)
        EXPECT_EQ(fields[i]->size(), sizes[i]) << fields[i]->objectName().toStdString();
    for (QWidget* field : fields)
        EXPECT_TRUE(area->rect().contains(field->geometry())) << field->objectName().toStdString();
    const QSize decoded = QSize(120, 170).scaled(529, 481, Qt::KeepAspectRatio);
    for (QLabel* frame : {window->Image1, window->Image2})
        EXPECT_TRUE(QTest::qWaitFor([&] { return frame->pixmap().size() == decoded; }, 2000))
            << frame->objectName().toStdString();

    window->resize(300, 200);
    EXPECT_EQ(area->size(), QSize(734, 624));
    EXPECT_EQ(window->Image2->geometry(), QRect(360, 232, 329, 281));
}

TEST_F(Form1Test, start_opensOnLastEntryWithEmptySlotAfterIt) {
    withEntries(5);
    open();
    EXPECT_EQ(window->Text1->text(), "5");
    EXPECT_EQ(window->Text2->text(), "Song 5");
    EXPECT_EQ(window->Text3->text(), "Author 5");
    EXPECT_EQ(window->Label6->text(), "There are 5 titles");
    EXPECT_EQ(window->VScroll1->minimum(), 1);
    EXPECT_EQ(window->VScroll1->maximum(), 6);
    EXPECT_EQ(state.currentEntryNumber, 5);

    window->VScroll1->setValue(6);
    EXPECT_EQ(window->Text1->text(), "6");
    EXPECT_TRUE(window->Text2->text().isEmpty());
    EXPECT_TRUE(window->Text3->text().isEmpty());
    EXPECT_EQ(state.currentEntryNumber, 6);
    EXPECT_TRUE(framesShow(false, false));
}

TEST_F(Form1Test, start_withoutArchiveFile_leavesEverythingEmpty) {
    open();
    EXPECT_TRUE(window->Label6->text().isEmpty());
    EXPECT_TRUE(window->Text2->text().isEmpty());
    EXPECT_EQ(window->VScroll1->value(), 1);
    EXPECT_EQ(window->VScroll1->maximum(), 1);
    EXPECT_EQ(state.archive.entryCount(), 0);
    // A data folder without an archive is a new stand's empty archive, not a wrong folder.
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_TRUE(state.archiveWritable);
    for (QPushButton* command : {window->Command1, window->Command2, window->Command3})
        EXPECT_TRUE(command->isEnabled());
    EXPECT_TRUE(window->merging->isEnabled());
}

// Starts after which the archive file must stay as it is: the window says why once, keeps
// "Save" off, and nothing the user then does writes or creates any file.
TEST_F(Form1Test, start_whereTheArchiveMustBeKept_saysWhyOnceAndWritesNothing) {
    const struct {
        const char* name;
        std::function<void(const test::TempInstallation&)> prepare;
        const char* says;
        int entries;    // loaded into memory and shown
        bool windowsOn; // "Left", "Right", "Mp3" and the menu's windows
    } cases[] = {
        {"archive cannot be read",
         [](const auto& where) { where.write("spartiti\\archivio.js\\inside.txt", "kept"); },
         "cannot be read", 0, true},
        {"sparse archive of 64 GiB",
         [](const auto& where) {
             where.write("spartiti\\archivio.js", archiveOfTitles(3));
             std::filesystem::resize_file(where.path("spartiti\\archivio.js"),
                                          std::uintmax_t{64} << 30);
         },
         "65536 MB", 0, true},
        {"archive of more entries than slots",
         [](const auto& where) { where.write("spartiti\\archivio.js", archiveOfTitles(10001)); },
         "holds 10001 titles", 9999, true},
        {"no spartiti folder",
         [](const auto& where) {
             std::filesystem::remove_all(where.path("spartiti"));
             where.write("letter.txt", "mine");
         },
         "not a music-stand installation folder", 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempInstallation where;
        c.prepare(where);
        const auto before = filesBelow(where.root());
        SharedState shared{where.installation()};
        test::FakeDialogs said;
        RecordingHost asked;
        Form1 started(shared, said, asked);

        ASSERT_EQ(said.texts().size(), 1);
        EXPECT_TRUE(said.errors().front().contains(c.says)) << said.errors().front().toStdString();
        EXPECT_FALSE(shared.archiveWritable);
        EXPECT_FALSE(started.Command1->isEnabled());
        EXPECT_EQ(shared.archive.entryCount(), c.entries);
        EXPECT_EQ(started.VScroll1->maximum(), std::max(c.entries, 1));
        for (QPushButton* command : {started.Command2, started.Command3, started.Command4})
            EXPECT_EQ(command->isEnabled(), c.windowsOn) << command->text().toStdString();
        for (QAction* command : {started.playlist, started.midi, started.merging})
            EXPECT_EQ(command->isEnabled(), c.windowsOn) << command->text().toStdString();
        EXPECT_TRUE(started.chiudi->isEnabled());

        started.VScroll1->setValue(started.VScroll1->maximum());
        test::clickEnabled(started.Command5);
        QTest::keyClicks(started.Text2, "typed");
        // Plain clicks on purpose: these controls may be off here, and a click on one that is
        // off must change nothing.
        for (QPushButton* command :
             {started.Command1, started.Command2, started.Command3, started.Command4})
            command->click();
        for (QAction* command : {started.playlist, started.midi, started.merging})
            command->trigger();
        EXPECT_EQ(said.errors().filter(c.says).size(), 1);
        EXPECT_TRUE(said.messages().isEmpty());
        EXPECT_EQ(asked.calls.isEmpty(), !c.windowsOn);
        EXPECT_EQ(filesBelow(where.root()), before);
    }
}

TEST_F(Form1Test, start_withEmptyArchiveFile_showsTheEmptySlotOne) {
    stand.write("spartiti\\archivio.js", test::archiveFile({}));
    open();
    EXPECT_EQ(window->Label6->text(), "There are 0 titles");
    EXPECT_EQ(window->VScroll1->value(), 1);
    EXPECT_EQ(window->Text1->text(), "1");
}

TEST_F(Form1Test, typing_storesIntoShownSlot_andRefusesQuotes) {
    withEntries(3);
    open();
    window->VScroll1->setValue(2);
    window->Text2->selectAll();
    QTest::keyClicks(window->Text2, "New \"title\"");
    EXPECT_EQ(state.archive.slot(2).title, "New title");
    window->Text4->clear();
    window->Text4->insert(QStringLiteral(u"café"));
    EXPECT_EQ(state.archive.slot(2).tags, "caf\xE9");
    window->VScroll1->setValue(1);
    window->VScroll1->setValue(2);
    EXPECT_EQ(window->Text2->text(), "New title");
}

// Values an older version wrote that the boxes refuse when typed: showing them changes
// nothing, so the entry saves exactly as it does when it was never shown.
TEST_F(Form1Test, showEntry_keepsLoadedValuesAsTheyAre) {
    const std::string longTitle(40000, 'x');
    const struct {
        const char* name;
        std::string titleLine; // entry 1's title line in archivio.js, before its line end
        std::string title;     // what it loads as
    } cases[] = {
        {"backslash", "\"AC\\DC\",", "AC\\DC"},
        {"quote inside an unquoted field", "say \"hi\" now,", "say \"hi\" now"},
        {"line break inside quotes", "\"two\r\nlines\",", "two\r\nlines"},
        {"longer than a text box holds", "\"" + longTitle + "\",", longTitle},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        stand.write("spartiti\\archivio.js",
                    "var archivio = [\r\n\"1\",\r\n" + c.titleLine +
                        "\r\n\"A\",\r\n\"t\",\r\n\"0\",\r\n"
                        "\"2\",\r\n\"B\",\r\n\"\",\r\n\"\",\r\n\"0\",\r\n ];\r\n");
        ScoreArchive unshown;
        ASSERT_EQ(loadArchive(unshown, stand.installation()), ArchiveLoad::Loaded);
        ASSERT_EQ(unshown.slot(1).title, c.title);

        open();
        window->VScroll1->setValue(1);
        EXPECT_EQ(window->Text2->text(), fromCp1252(c.title));
        window->VScroll1->setValue(2);
        EXPECT_EQ(state.archive.slot(1), unshown.slot(1));
        test::clickEnabled(window->Command1);
        EXPECT_EQ(stand.read("spartiti\\archivio.js"), archiveFileBytes(unshown));
    }
}

TEST_F(Form1Test, add_needsATitleOnTheLastEntry) {
    withEntries(5, false);
    open();
    test::clickEnabled(window->Command5);
    EXPECT_EQ(state.archive.entryCount(), 5);
    EXPECT_EQ(window->VScroll1->value(), 5);
}

TEST_F(Form1Test, add_turnsTheTypedEmptySlotIntoAnEntry) {
    withEntries(5);
    open();
    window->VScroll1->setValue(6);
    QTest::keyClicks(window->Text2, "Sixth");
    test::clickEnabled(window->Command5);
    EXPECT_EQ(state.archive.entryCount(), 6);
    EXPECT_EQ(window->VScroll1->maximum(), 6);
    EXPECT_EQ(window->VScroll1->value(), 6);
    EXPECT_EQ(window->Text2->text(), "Sixth");
    EXPECT_EQ(window->Label6->text(), "There are 5 titles");

    test::clickEnabled(window->Command5);
    EXPECT_EQ(state.archive.entryCount(), 7);
    EXPECT_EQ(window->VScroll1->value(), 7);
    EXPECT_TRUE(window->Text2->text().isEmpty());
    test::clickEnabled(window->Command5);
    EXPECT_EQ(state.archive.entryCount(), 7);
}

TEST_F(Form1Test, add_onEmptyArchive_createsEntryOne) {
    open();
    test::clickEnabled(window->Command5);
    EXPECT_EQ(state.archive.entryCount(), 1);
    EXPECT_EQ(window->VScroll1->value(), 1);
    QTest::keyClicks(window->Text2, "First");
    test::clickEnabled(window->Command1);
    EXPECT_EQ(stand.read("spartiti\\archivio.js"),
              test::crlf(
                  {"var archivio = [", "\"1\",", "\"First\",", "\"\",", "\"\",", "\"0\",", " ];"}));
    EXPECT_EQ(window->Label6->text(), "There are 1 titles");
}

TEST_F(Form1Test, add_atNineThousandNineHundredNinetyNine_isRefused) {
    std::vector<ScoreEntry> entries(9999, ScoreEntry{"", "t", "", "", "0"});
    stand.write("spartiti\\archivio.js", test::archiveFile(entries));
    open();
    test::clickEnabled(window->Command5);
    EXPECT_EQ(state.archive.entryCount(), 9999);
    ASSERT_EQ(dialogs.errors().size(), 1);
    EXPECT_TRUE(dialogs.errors().front().contains("9999"));
    // No position past the last slot: the scroll bar ends at entry 9999.
    EXPECT_EQ(window->VScroll1->maximum(), 9999);
}

TEST_F(Form1Test, save_writesFileUpdatesCountAndConfirms) {
    withEntries(2);
    open();
    window->VScroll1->setValue(3);
    QTest::keyClicks(window->Text2, "Third");
    test::clickEnabled(window->Command5);
    test::clickEnabled(window->Command1);
    EXPECT_EQ(window->Label6->text(), "There are 3 titles");
    EXPECT_EQ(dialogs.messages(), QStringList{"Successfully saved!"});
    EXPECT_NE(stand.read("spartiti\\archivio.js").find("\"3\",\r\n\"Third\","), std::string::npos);
    EXPECT_EQ(window->VScroll1->value(), 3);
}

TEST_F(Form1Test, unsavedChanges_nameEveryEntryThatDiffersFromTheFileAsLastLoadedOrSaved) {
    const struct {
        const char* what;
        std::function<void(ScoreArchive&)> change;
        bool save;
        const char* entries; // named as unsaved; none if empty
    } cases[] = {
        {"nothing", [](ScoreArchive&) {}, false, ""},
        {"a letter moved from the title to the author",
         [](ScoreArchive& a) { a.slot(1).title = "a", a.slot(1).author = "bc"; }, false, "1"},
        {"the last field of the last entry", [](ScoreArchive& a) { a.slot(2).category = "3"; },
         false, "2"},
        {"an entry added", [](ScoreArchive& a) { a.setEntryCount(3), a.slot(3).title = "New"; },
         false, "3"},
        {"edited, then saved", [](ScoreArchive& a) { a.slot(2).tags = "x"; }, true, ""},
        {"title and author swapped",
         [](ScoreArchive& a) { std::swap(a.slot(2).title, a.slot(2).author); }, false, "2"},
        {"edited, then typed back",
         [](ScoreArchive& a) { a.slot(1).tags = "u", a.slot(1).tags = "t"; }, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        stand.write(
            "spartiti\\archivio.js",
            test::archiveFile({{"", "ab", "c", "t", "0"}, {"", "Song 2", "Author 2", "tag", "0"}}));
        open();
        c.change(state.archive);
        if (c.save)
            test::clickEnabled(window->Command1);
        EXPECT_EQ(window->hasUnsavedChanges(), *c.entries != 0);
        EXPECT_EQ(window->unsavedChangesText(),
                  *c.entries == 0 ? QString()
                                  : QStringLiteral("The unsaved changes in the main window "
                                                   "(entries %1) will be lost.")
                                        .arg(QString::fromLatin1(c.entries)));
    }
}

// Text typed into the empty slot after the last score is unsaved work: "Save" offers to add it,
// leaving names it, and a command that appends scores asks to add or drop it first.
TEST_F(Form1Test, typedIntoTheEmptySlot_isOfferedAsAScoreAndNeverLostInSilence) {
    struct Row {
        const char* what;
        std::function<void(Form1&, test::FakeDialogs&)> act;
        bool inFile;                // "Typed" is in archivio.js afterwards
        int count;                  // entries in memory afterwards
        const char* lastShownStart; // of the last box shown
    };
    const Row rows[] = {
        {"Save, Yes: added as score 3 and saved",
         [](Form1& w, test::FakeDialogs& d) {
             d.setNextAnswer(true);
             test::clickEnabled(w.Command1);
         },
         true, 3, "Successfully saved!"},
        {"Save, No: the rest is saved and the note says the text was not",
         [](Form1& w, test::FakeDialogs&) { test::clickEnabled(w.Command1); }, false, 2,
         "Successfully saved!\n\nThe title typed after the last score was not saved"},
        {"an import adds it first",
         [](Form1& w, test::FakeDialogs& d) {
             d.setNextButton("Add it");
             EXPECT_TRUE(w.settleTypedAfterLast("import"));
         },
         false, 3,
         "The title typed after the last score is not a score yet. Add it as score 3 "
         "before the import, or drop it?"},
        {"an absorption drops it",
         [](Form1& w, test::FakeDialogs& d) {
             d.setNextButton("Drop it");
             EXPECT_TRUE(w.settleTypedAfterLast("absorption"));
             EXPECT_FALSE(w.hasUnsavedChanges());
             EXPECT_EQ(w.Text2->text(), "");
         },
         false, 2, "The title typed after the last score is not a score yet."},
        {"Cancel calls the command off and keeps the text",
         [](Form1& w, test::FakeDialogs&) { EXPECT_FALSE(w.settleTypedAfterLast("import")); },
         false, 2, "The title typed after the last score is not a score yet."},
    };
    test::forEachRow(rows, [&](const Row& row) {
        withEntries(2);
        dialogs.clear();
        open();
        window->VScroll1->setValue(3);
        QTest::keyClicks(window->Text2, "Typed");
        EXPECT_TRUE(window->hasUnsavedChanges());
        EXPECT_EQ(window->unsavedChangesText(),
                  "The title typed after the last score, which is not a score yet, will be lost.");
        row.act(*window, dialogs);
        EXPECT_EQ(stand.read("spartiti\\archivio.js").find("Typed") != std::string::npos,
                  row.inFile);
        EXPECT_EQ(state.archive.entryCount(), row.count);
        ASSERT_FALSE(dialogs.shown().empty());
        EXPECT_TRUE(dialogs.shown().back().text.startsWith(row.lastShownStart))
            << dialogs.shown().back().text.toStdString();
    });
}

TEST_F(Form1Test, save_failing_showsErrorNotSuccessAndKeepsFile) {
    withEntries(2);
    const std::string before = stand.read("spartiti\\archivio.js");
    open();
    QTest::keyClicks(window->Text2, " changed");
    std::filesystem::rename(stand.path("spartiti"), stand.path("moved"));
    test::clickEnabled(window->Command1);
    EXPECT_TRUE(dialogs.messages().isEmpty());
    ASSERT_EQ(dialogs.errors().size(), 1);
    EXPECT_TRUE(dialogs.errors().front().startsWith("The archive was not saved."));
    std::filesystem::rename(stand.path("moved"), stand.path("spartiti"));
    EXPECT_EQ(stand.read("spartiti\\archivio.js"), before);
    EXPECT_EQ(state.archive.slot(2).title, "Song 2 changed");
}

// A write that stops part-way (the file size limit stops root too) must cost no byte of the
// saved archive, and the window must save normally once the fault is gone.
TEST_F(Form1Test, save_writeFailingPartWay_showsErrorKeepsFileAndSavesAfterwards) {
    withEntries(2);
    const std::string before = stand.read("spartiti\\archivio.js");
    open();
    QTest::keyClicks(window->Text2, " changed");
    {
        test::FileSizeLimit limit(before.size() / 2);
        test::clickEnabled(window->Command1);
    }
    EXPECT_TRUE(dialogs.messages().isEmpty());
    ASSERT_EQ(dialogs.errors().size(), 1);
    EXPECT_TRUE(dialogs.errors().front().startsWith("The archive was not saved."));
    EXPECT_EQ(stand.read("spartiti\\archivio.js"), before);
    EXPECT_EQ(stand.temporaryFileCount(), 0);
    EXPECT_EQ(state.archive.slot(2).title, "Song 2 changed");

    dialogs.clear();
    QTest::keyClicks(window->Text3, " too");
    test::clickEnabled(window->Command1);
    EXPECT_EQ(dialogs.texts(), QStringList{"Successfully saved!"});
    const std::string after = stand.read("spartiti\\archivio.js");
    EXPECT_NE(after.find("\"Song 2 changed\",\r\n\"Author 2 too\","), std::string::npos);
    EXPECT_EQ(window->Label6->text(), "There are 2 titles");
}

TEST_F(Form1Test, save_folderInPlaceOfArchiveFile_showsErrorAndSavesOnceItIsGone) {
    withEntries(2);
    open();
    std::filesystem::remove(stand.path("spartiti\\archivio.js"));
    stand.write("spartiti\\archivio.js\\inside.txt", "kept");
    test::clickEnabled(window->Command1);
    EXPECT_TRUE(dialogs.messages().isEmpty());
    ASSERT_EQ(dialogs.errors().size(), 1);
    EXPECT_TRUE(dialogs.errors().front().startsWith("The archive was not saved."));
    EXPECT_EQ(stand.read("spartiti\\archivio.js\\inside.txt"), "kept");
    EXPECT_EQ(stand.temporaryFileCount(), 0);

    std::filesystem::remove_all(stand.path("spartiti\\archivio.js"));
    dialogs.clear();
    test::clickEnabled(window->Command1);
    EXPECT_EQ(dialogs.texts(), QStringList{"Successfully saved!"});
    EXPECT_NE(stand.read("spartiti\\archivio.js").find("\"2\",\r\n\"Song 2\","), std::string::npos);
}

// An archive that is there but cannot be read must never be replaced by what is in memory.
TEST_F(Form1Test, start_unreadableArchive_warnsAndKeepsSaveOff) {
    stand.write("spartiti\\archivio.js\\inside.txt", "kept");
    open();
    ASSERT_EQ(dialogs.errors().size(), 1);
    EXPECT_TRUE(dialogs.errors().front().contains("cannot be read"));
    EXPECT_TRUE(window->Label6->text().isEmpty());
    test::clickEnabled(window->Command5);
    QTest::keyClicks(window->Text2, "typed");
    EXPECT_FALSE(window->Command1->isEnabled());
    EXPECT_FALSE(state.archiveWritable);
    window->Command1->click(); // plain click on purpose: "Save" is off and must write nothing
    EXPECT_EQ(dialogs.errors().size(), 1);
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(stand.read("spartiti\\archivio.js\\inside.txt"), "kept");
}

TEST_F(Form1Test, showEntry_showsPagesAndRecordingIconOfEachEntry) {
    withEntries(3);
    writeJpeg(stand.path("spartiti\\1L.jpg"), Qt::red);
    writeJpeg(stand.path("spartiti\\1R.jpg"), Qt::blue);
    writeJpeg(stand.path("spartiti\\2L.jpg"), Qt::green);
    stand.write("spartiti\\audio\\1.mp3", "ID3");
    open();
    window->show();
    EXPECT_TRUE(framesShow(false, false));
    EXPECT_FALSE(window->Picture1->isVisible());

    window->VScroll1->setValue(1);
    EXPECT_TRUE(framesShow(true, true));
    EXPECT_TRUE(window->Picture1->isVisible());
    EXPECT_EQ(window->Picture1->pixmap().size(), QSize(50, 54)) << "the icon's picture is built in";
    QSize shown = window->Image1->pixmap().size();
    EXPECT_LE(shown.width(), 329);
    EXPECT_LE(shown.height(), 281);

    window->VScroll1->setValue(2);
    EXPECT_TRUE(framesShow(true, false));
    EXPECT_FALSE(window->Picture1->isVisible());
}

TEST_F(Form1Test, showEntry_replacedPage_showsItsNewPictureWhenShownAgain) {
    ASSERT_TRUE(showRedPagesOfEntryOneThenMoveOn());
    EXPECT_TRUE(redShownFirst);

    // Replaced the way the page windows do it (a copy renamed over it) and in place.
    writeJpeg(stand.path("spartiti\\new.jpg"), Qt::blue);
    ASSERT_TRUE(copyReplacing(stand.path("spartiti\\new.jpg"), stand.path("spartiti\\1L.jpg")).ok);
    writeJpeg(stand.path("spartiti\\1R.jpg"), Qt::blue);
    window->VScroll1->setValue(1);
    EXPECT_FALSE(isReddish(frameColour(window->Image1)));
    EXPECT_FALSE(isReddish(frameColour(window->Image2)));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return isBlueish(frameColour(window->Image1)) && isBlueish(frameColour(window->Image2));
        },
        2000));
}

TEST_F(Form1Test, showEntry_removedPage_clearsItsFrameAtOnce) {
    ASSERT_TRUE(showRedPagesOfEntryOneThenMoveOn());
    std::filesystem::remove(stand.path("spartiti\\1L.jpg"));
    window->VScroll1->setValue(1);
    EXPECT_TRUE(window->Image1->pixmap().isNull());
    EXPECT_TRUE(framesShow(false, true));
}

TEST_F(Form1Test, showEntry_fastSequenceOfPositions_endsWithTheLastPositionsPages) {
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan, Qt::magenta};
    withEntries(6);
    for (int n = 1; n <= 6; ++n) {
        writeJpeg(stand.path("spartiti\\" + std::to_string(n) + "L.jpg"), colours[n - 1]);
        if (n != 6)
            writeJpeg(stand.path("spartiti\\" + std::to_string(n) + "R.jpg"), colours[n - 1]);
    }
    open();
    window->show();
    for (int n = 1; n <= 6; ++n)
        window->VScroll1->setValue(n);
    auto* loader = window->findChild<PageImageLoader*>();
    ASSERT_NE(loader, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return loader->isIdle(); }, 5000));
    QApplication::processEvents();
    EXPECT_EQ(window->Text1->text(), "6");
    QColor left = frameColour(window->Image1);
    EXPECT_TRUE(left.isValid() && left.red() > 200 && left.blue() > 200 && left.green() < 60);
    EXPECT_TRUE(window->Image2->pixmap().isNull());
}

// A step on, and then back, finds its pages decoded ahead: both frames are filled by the step
// itself, before the window runs its event loop again.
TEST_F(Form1Test, showEntry_stepOnThenBack_showsThePagesKeptAheadAtOnce) {
    withEntries(4);
    for (int n = 1; n <= 4; ++n)
        for (const char* side : {"L", "R"})
            writeJpeg(stand.path("spartiti\\" + std::to_string(n) + side + ".jpg"), Qt::green);
    open();
    auto* loader = window->findChild<PageImageLoader*>();
    ASSERT_NE(loader, nullptr);
    window->VScroll1->setValue(2);
    for (int position : {3, 2}) {
        SCOPED_TRACE(position);
        ASSERT_TRUE(QTest::qWaitFor([&] { return loader->isIdle(); }, 5000));
        window->VScroll1->setValue(position);
        EXPECT_FALSE(window->Image1->pixmap().isNull());
        EXPECT_FALSE(window->Image2->pixmap().isNull());
    }
}

TEST_F(Form1Test, showEntry_undecodablePage_leavesFrameEmpty) {
    withEntries(1);
    stand.write("spartiti\\1L.jpg", "this is not a picture");
    writeJpeg(stand.path("spartiti\\1R.jpg"), Qt::blue);
    open();
    EXPECT_TRUE(framesShow(false, true));
}

TEST_F(Form1Test, buttonsAndMenu_reachTheHost) {
    withEntries(4);
    open();
    window->VScroll1->setValue(3);
    test::clickEnabled(window->Command2);
    EXPECT_EQ(state.audioEntryNumber, 3);
    window->VScroll1->setValue(4);
    EXPECT_EQ(state.audioEntryNumber, 3);
    test::clickEnabled(window->Command3);
    test::clickEnabled(window->Command4);
    test::triggerEnabled(window->playlist);
    test::triggerEnabled(window->midi);
    test::triggerEnabled(window->merging);
    test::triggerEnabled(window->chiudi);
    EXPECT_EQ(host.calls,
              (QStringList{"audio", "left", "right", "playlist", "midi", "merging", "exit"}));
}

TEST_F(Form1Test, keyboard_movesThroughEntriesAndSaves) {
    withEntries(3);
    open();
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->Text2->setFocus();
    QTest::keyClick(window->Text2, Qt::Key_PageUp);
    EXPECT_EQ(window->Text1->text(), "2");
    QTest::keyClick(window->Text2, Qt::Key_PageUp);
    QTest::keyClick(window->Text2, Qt::Key_PageUp);
    EXPECT_EQ(window->Text1->text(), "1");
    QTest::keyClick(window->Text2, Qt::Key_PageDown);
    EXPECT_EQ(window->Text2->text(), "Song 2");
    QTest::keyClick(window->Text2, Qt::Key_S, Qt::ControlModifier);
    // A button's shortcut presses it visibly, so the click lands a moment later.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialogs.messages().isEmpty(); }, 2000));
    EXPECT_EQ(dialogs.messages(), QStringList{"Successfully saved!"});
}

// The wheel over either page moves one score a notch, as Page Down and Page Up do; the parts
// of a notch that a touch pad sends add up. "Go to number…" (Ctrl+G) jumps to a score.
TEST_F(Form1Test, wheelAndGoToNumber_moveThroughTheScores) {
    withEntries(9);
    open();
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto wheel = [&](QLabel* page, std::vector<int> turns) {
        return [this, page, turns] {
            for (int turn : turns) {
                const QPointF at = page->rect().center();
                QWheelEvent event(at, page->mapToGlobal(at), {}, {0, turn}, Qt::NoButton,
                                  Qt::NoModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(page, &event);
            }
        };
    };
    auto goTo = [this](std::optional<int> number, bool byKeys) {
        return [this, number, byKeys] {
            if (number)
                dialogs.setNextNumber(*number);
            if (byKeys)
                QTest::keyClick(window->Text2, Qt::Key_G, Qt::ControlModifier);
            else
                test::triggerEnabled(window->goTo);
        };
    };
    struct Row {
        const char* name;
        int from;
        std::function<void()> act;
        int shown;
        const char* told; // the start of the error shown, if any
    };
    const Row rows[] = {
        {"one notch down the left page", 5, wheel(window->Image1, {-120}), 6, nullptr},
        {"two notches up the right page", 5, wheel(window->Image2, {120, 120}), 3, nullptr},
        {"a notch in three parts", 5, wheel(window->Image1, {-40, -40, -40}), 6, nullptr},
        {"less than a notch", 5, wheel(window->Image1, {-60}), 5, nullptr},
        // The half notch left over before joins the next turn.
        {"the rest of it", 5, wheel(window->Image1, {-60}), 6, nullptr},
        {"down past the empty slot", 9, wheel(window->Image1, {-120, -120, -120}), 10, nullptr},
        {"up past the first", 2, wheel(window->Image1, {120, 120, 120}), 1, nullptr},
        {"Ctrl+G to 7", 2, goTo(7, true), 7, nullptr},
        {"Go to number… 1", 9, goTo(1, false), 1, nullptr},
        {"called off", 4, goTo(std::nullopt, true), 4, nullptr},
        {"no such score", 4, goTo(12, false), 4,
         "There is no score 12: the scores are numbered "
         "1 to 9."},
        {"nor a score 0", 4, goTo(0, false), 4, "There is no score 0"},
    };
    EXPECT_EQ(window->goTo->text().remove(u'&'), QStringLiteral("Go to number…"));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        window->VScroll1->setValue(row.from);
        dialogs.clear();
        row.act();
        EXPECT_EQ(window->VScroll1->value(), row.shown);
        EXPECT_EQ(window->Text1->text(), QString::number(row.shown));
        EXPECT_EQ(dialogs.errors().size(), row.told ? 1 : 0);
        if (row.told && !dialogs.errors().isEmpty()) {
            EXPECT_TRUE(dialogs.errors().front().startsWith(QString::fromUtf8(row.told)))
                << dialogs.errors().front().toStdString();
        }
    }
}

TEST_F(Form1Test, closeBox_endsTheProgram) {
    open();
    window->show();
    window->close();
    EXPECT_EQ(host.calls, QStringList{"exit"});
}

} // namespace
} // namespace folio
