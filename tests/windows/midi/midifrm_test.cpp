// The MIDI device window driven like a user: opening on an entry, typing into the cells,
// "Reset", "Save" and "Esc", and the menu command of the main window.
#include "app/program_windows.h"
#include "support/data_files.h"
#include "support/fake_dialogs.h"
#include "support/qt_printers.h"
#include "support/temp_installation.h"
#include "support/user_input.h"
#include "windows/common/shared_state.h"
#include "windows/midi/midifrm.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>
#include <optional>
#include <tuple>

namespace folio {
namespace {

using test::crlf;

// The 48 value cells as "MSB,LSB,PC" per channel, channel 1 first.
QStringList shownChannels(const midifrm& window) {
    QStringList channels;
    for (std::size_t c = 1; c <= kMidiChannels; ++c)
        channels << window.MSB[c]->text() + ',' + window.LSB[c]->text() + ',' +
                        window.PC[c]->text();
    return channels;
}

QStringList channelsWith(std::vector<std::pair<int, QString>> set) {
    QStringList channels(kMidiChannels, QStringLiteral("000,000,000"));
    for (const auto& [channel, text] : set)
        channels[channel - 1] = text;
    return channels;
}

class MidiWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int n = 1; n <= 9; ++n)
            state.archive.slot(n).title = "Song " + std::to_string(n);
        state.archive.slot(4).title = "Caf\xE9";
        state.archive.setEntryCount(9);
        state.currentEntryNumber = 4;
    }
    std::string midiJs() const { return stand.read(kMidiFileName); }

    test::TempInstallation stand;
    SharedState state{stand.installation()};
    test::FakeDialogs dialogs;
};

TEST_F(MidiWindowTest, opening_fillsTheGridFromEveryRecordOfTheEntry) {
    struct Case {
        const char* name;
        std::optional<std::string> file;
        QStringList channels;
    };
    QStringList joined(kMidiChannels, QStringLiteral("000000,000000,000000"));
    joined[0] = "14,25,36";
    joined[1] = "1030,2040,50";
    const Case cases[] = {
        {"no midi.js", std::nullopt, channelsWith({})},
        {"no record of the entry", test::midiFile({test::midiRecord("3", {"1,2,3"})}),
         channelsWith({})},
        {"channel 3 of two values",
         test::midiFile(
             {test::midiRecord("3", {"9,9,9"}), test::midiRecord("4", {"1,2,3", ",,", "5,6"})}),
         channelsWith({{1, "1,2,3"}, {2, ",,"}, {3, "5,6,"}})},
        {"key 004 and a fourth value", test::midiFile({test::midiRecord("004", {"1,2,3,4"})}),
         channelsWith({{1, "1,2,3"}})},
        {"two records joined cell by cell",
         test::midiFile({test::midiRecord("4", {"1,2,3", "10,20"}),
                         test::midiRecord("04", {"4,5,6", "30,40,50"})}),
         joined},
        {"stored values shown as they are",
         test::midiFile({test::midiRecord("4", {"1\\2,a\\b,x\\"})}),
         channelsWith({{1, "1\\2,a\\b,x\\"}})},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(stand.path(kMidiFileName));
        if (c.file)
            stand.write(kMidiFileName, *c.file);
        midifrm window(state, dialogs);
        EXPECT_EQ(shownChannels(window), c.channels) << c.name;
        EXPECT_EQ(window.Label5->text(), QStringLiteral(u"Café")) << c.name;
        EXPECT_EQ(window.windowTitle(), "Midi Device");
        EXPECT_TRUE(dialogs.texts().isEmpty()) << c.name;
    }
}

// A title wider than the title line shows its start within the line, not its middle cut off
// at both ends.
TEST_F(MidiWindowTest, longTitle_showsItsStartWithinTheTitleLine) {
    const std::string title = "Concerto for Piano and Orchestra No. 2 in C minor, Op. 18, "
                              "second movement: Adagio sostenuto";
    state.archive.slot(4).title = title;
    midifrm window(state, dialogs);
    const QFontMetrics metrics = window.Label5->fontMetrics();
    const int room = window.Label5->contentsRect().width();
    ASSERT_GT(metrics.horizontalAdvance(QString::fromStdString(title)), room);
    EXPECT_LE(metrics.horizontalAdvance(window.Label5->text()), room);
    EXPECT_TRUE(window.Label5->text().startsWith("Concerto for Piano"));
    EXPECT_EQ(window.Label5->toolTip(), QString::fromStdString(title));
}

TEST_F(MidiWindowTest, resetThenEscLeavesTheFile_resetThenSaveStoresUntouchedChannels) {
    const std::string before =
        test::midiFile({test::midiRecord("4", {"1,2,3"}), test::midiRecord("5", {})});
    stand.write(kMidiFileName, before);
    {
        QPointer<midifrm> window = new midifrm(state, dialogs);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        test::clickEnabled(window->Command2);
        EXPECT_EQ(shownChannels(*window), channelsWith({}));
        dialogs.setNextAnswer(true);
        QTest::keyClick(window->MSB[1], Qt::Key_Escape);
        EXPECT_EQ(dialogs.texts(), QStringList{"Leave without saving?"});
        EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, 2000));
        EXPECT_EQ(midiJs(), before);
        dialogs.clear();
    }
    midifrm window(state, dialogs);
    EXPECT_EQ(window.MSB[1]->text(), "1");
    test::clickEnabled(window.Command2);
    test::clickEnabled(window.Command3);
    EXPECT_EQ(midiJs(), test::midiFile({test::midiRecord("4", {}), test::midiRecord("5", {})}));
    EXPECT_EQ(dialogs.messages(), QStringList{"Successfully saved message"});
}

TEST_F(MidiWindowTest, typing_refusesWhatTheFileCannotCarryAndMarksNonMidiValues) {
    stand.write(kMidiFileName, test::midiFile({test::midiRecord("4", {"000200,5,6", "1\\2,5,6"})}));
    midifrm window(state, dialogs);
    QLineEdit* msb = window.MSB[1];
    EXPECT_EQ(msb->text(), "000200");
    EXPECT_EQ(msb->toolTip(), "MIDI values run from 0 to 127.");
    QTest::keyClick(msb, Qt::Key_End);
    QTest::keyClick(msb, Qt::Key_Backspace);
    EXPECT_EQ(msb->text(), "00020");
    QTest::keyClicks(msb, "9");
    EXPECT_EQ(msb->text(), "00020");
    // Only the typed part of a stored value is filtered.
    QLineEdit* msb2 = window.MSB[2];
    QTest::keyClick(msb2, Qt::Key_End);
    QTest::keyClick(msb2, Qt::Key_Backspace);
    QTest::keyClicks(msb2, "9\\");
    EXPECT_EQ(msb2->text(), "1\\9");

    struct Case {
        const char* typed;
        QString shown;
        bool warned;
    };
    const Case cases[] = {
        {"1,2", "12", false},  {"\"7\\", "7", false}, {"1280", "128", true},
        {"127", "127", false}, {"ab", "ab", true},    {"", "", true},
    };
    QLineEdit* pc = window.PC[9];
    for (const Case& c : cases) {
        pc->selectAll();
        QTest::keyClick(pc, Qt::Key_Delete);
        QTest::keyClicks(pc, QString::fromLatin1(c.typed));
        EXPECT_EQ(pc->text(), c.shown) << c.typed;
        EXPECT_EQ(pc->toolTip() == "MIDI values run from 0 to 127.", c.warned) << c.typed;
        EXPECT_EQ(pc->palette().color(QPalette::Base) != Qt::white, c.warned) << c.typed;
    }
    pc->clear();
    pc->insert(QStringLiteral(u"\u20AC\u0416"));
    EXPECT_EQ(pc->text(), QStringLiteral(u"\u20AC"));

    window.LSB[1]->clear();
    dialogs.setNextAnswer(true);
    test::clickEnabled(window.Command3);
    EXPECT_EQ(dialogs.texts().value(0), "3 cells hold values the stand cannot send (channel 1 "
                                        "LSB \"\", …). Save them as typed?");
    std::vector<std::string> channels(kMidiChannels, "000,000,000");
    channels[0] = "00020,,6";
    channels[1] = "1/9,5,6";
    channels[8] = "000,000,\x80";
    EXPECT_EQ(midiJs(), test::midiFile({test::midiRecord("4", channels)}));
}

// A click into a cell selects its value, so that typing replaces it, the cell focused at
// opening too; once typed into, a click there places the cursor.
TEST_F(MidiWindowTest, clickIntoACell_selectsItsValueSoTypingReplacesIt) {
    midifrm window(state, dialogs);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    for (QLineEdit* cell : {window.MSB[1], window.LSB[4], window.PC[16], window.MSB[1]}) {
        SCOPED_TRACE(cell->objectName().toStdString() +
                     cell->property("index").toString().toStdString());
        QTest::mouseClick(cell, Qt::LeftButton, {}, cell->rect().center());
        EXPECT_EQ(QApplication::focusWidget(), cell);
        EXPECT_EQ(cell->selectedText(), cell->text());
        EXPECT_FALSE(cell->selectedText().isEmpty());
        QTest::keyClicks(cell, "42");
        EXPECT_EQ(cell->text(), "42");
        QTest::mouseClick(cell, Qt::LeftButton, {}, cell->rect().center());
        EXPECT_TRUE(cell->selectedText().isEmpty());
    }
}

// Values are saved as typed, but "Save" asks first about any the stand cannot send; No goes
// back to the grid with the first of them selected.
TEST_F(MidiWindowTest, save_asksAboutValuesTheStandCannotSend) {
    struct Row {
        const char* name;
        std::vector<std::string> stored;
        std::vector<std::tuple<int, char, const char*>> typed; // channel, M/L/P, text
        bool yes;
        const char* asked;
        std::vector<std::string> saved; // empty: midi.js left as it was
        const char* selected;
    };
    const Row rows[] = {
        {"values from 0 to 127",
         {},
         {{4, 'L', "127"}, {3, 'P', "0"}},
         false,
         nullptr,
         {"000,000,000", "000,000,000", "000,000,0", "000,127,000"},
         nullptr},
        {"one over 127, Yes",
         {},
         {{4, 'L', "200"}},
         true,
         "1 cell holds a value the stand cannot send (channel 4 LSB \"200\"). Save it as typed?",
         {"000,000,000", "000,000,000", "000,000,000", "000,200,000"},
         nullptr},
        {"three slips, No",
         {},
         {{9, 'P', "ab"}, {4, 'L', "200"}, {16, 'M', ""}},
         false,
         "3 cells hold values the stand cannot send (channel 4 LSB \"200\", …). Save them as "
         "typed?",
         {},
         "200"},
        {"a value read from the file, No",
         {"000,000,000", "000,300,000"},
         {},
         false,
         "1 cell holds a value the stand cannot send (channel 2 LSB \"300\"). Save it as typed?",
         {},
         "300"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string before = test::midiFile({test::midiRecord("4", row.stored)});
        stand.write(kMidiFileName, before);
        dialogs.clear();
        midifrm window(state, dialogs);
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        for (const auto& [channel, column, text] : row.typed) {
            const auto c = static_cast<std::size_t>(channel);
            QLineEdit* cell = column == 'M'   ? window.MSB[c]
                              : column == 'L' ? window.LSB[c]
                                              : window.PC[c];
            QTest::mouseClick(cell, Qt::LeftButton, {}, cell->rect().center());
            QTest::keyClick(cell, Qt::Key_Delete);
            QTest::keyClicks(cell, QString::fromLatin1(text));
        }
        if (row.asked)
            dialogs.setNextAnswer(row.yes);
        test::clickEnabled(window.Command3);
        QStringList expected;
        if (row.asked)
            expected << QString::fromUtf8(row.asked);
        if (!row.saved.empty())
            expected << "Successfully saved message";
        EXPECT_EQ(dialogs.texts(), expected);
        // Enter alone answers No: saving a slip is the step a user must choose.
        if (row.asked && !dialogs.shown().empty()) {
            EXPECT_TRUE(dialogs.shown().front().defaultNo);
        }
        EXPECT_EQ(midiJs(),
                  row.saved.empty() ? before : test::midiFile({test::midiRecord("4", row.saved)}));
        auto* focused = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        if (row.selected) {
            ASSERT_NE(focused, nullptr);
            EXPECT_EQ(focused->selectedText(), row.selected);
        }
    }
}

TEST_F(MidiWindowTest, tab_movesChannelByChannelThroughMsbLsbAndPc) {
    midifrm window(state, dialogs);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.MSB[1]->setFocus();
    QStringList visited;
    for (int step = 0; step < 7; ++step) {
        QWidget* focused = QApplication::focusWidget();
        visited << focused->objectName() + focused->property("index").toString();
        QTest::keyClick(focused, Qt::Key_Tab);
    }
    EXPECT_EQ(visited, (QStringList{"MSB1", "LSB1", "PC1", "MSB2", "LSB2", "PC2", "MSB3"}));
    window.PC[16]->setFocus();
    QTest::keyClick(window.PC[16], Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window.Command1);
}

// Whatever stops a save, the window says why, never shows the success text and writes nothing;
// a midi.js that cannot be read keeps Save off from the start.
TEST_F(MidiWindowTest, failedOrRefusedSave_showsWhyAndNeverTheSuccessText) {
    enum class Fault { None, NoDataFolder, FolderAtMidiJs, DanglingLinkAtMidiJs };
    struct Case {
        const char* name;
        int entry;
        Fault fault;
        const char* expected;
    };
    const Case cases[] = {
        {"empty archive", 0, Fault::None, "no score"},
        {"missing spartiti folder", 4, Fault::NoDataFolder, "spartiti"},
        {"a folder in place of midi.js", 4, Fault::FolderAtMidiJs, "cannot be read"},
        {"a link to nothing in place of midi.js", 4, Fault::DanglingLinkAtMidiJs, "cannot be read"},
    };
    for (const Case& c : cases) {
        test::TempInstallation bare;
        SharedState bareState{bare.installation()};
        bareState.currentEntryNumber = c.entry;
        const std::filesystem::path midi = bare.path(kMidiFileName);
        if (c.fault == Fault::NoDataFolder)
            std::filesystem::remove_all(bare.path("spartiti"));
        if (c.fault == Fault::FolderAtMidiJs)
            std::filesystem::create_directory(midi);
        if (c.fault == Fault::DanglingLinkAtMidiJs)
            std::filesystem::create_symlink(bare.path("spartiti\\gone.js"), midi);
        const bool unreadable =
            c.fault == Fault::FolderAtMidiJs || c.fault == Fault::DanglingLinkAtMidiJs;
        const auto before = test::folderContents(bare.root());
        test::FakeDialogs seen;
        midifrm window(bareState, seen);
        EXPECT_EQ(window.Label5->text(), "Title") << c.name;
        EXPECT_EQ(window.Command3->isEnabled(), !unreadable) << c.name;
        if (window.Command3->isEnabled())
            test::clickEnabled(window.Command3);
        EXPECT_TRUE(seen.messages().isEmpty()) << c.name;
        ASSERT_EQ(seen.errors().size(), 1) << c.name;
        EXPECT_TRUE(seen.errors().front().contains(QString::fromLatin1(c.expected)))
            << c.name << ": " << seen.errors().front().toStdString();
        EXPECT_EQ(test::folderContents(bare.root()), before) << c.name;
        EXPECT_EQ(std::filesystem::is_symlink(midi), c.fault == Fault::DanglingLinkAtMidiJs)
            << c.name;
    }
}

// Through the main window's menu: one window at a time, brought to the front without a new
// load; it follows the main window, offering unsaved values to the entry they belong to, and
// "Save" writes the entry whose title it shows.
TEST_F(MidiWindowTest, menuCommand_opensOnceAndFollowsTheMainWindow) {
    std::string archive = "var archivio = [\r\n";
    for (int n = 1; n <= 9; ++n)
        for (const std::string& value : {std::to_string(n), "Song " + std::to_string(n),
                                         std::string("A"), std::string("t"), std::string("0")})
            archive += "\"" + value + "\",\r\n";
    stand.write("spartiti\\archivio.js", archive + " ];\r\n");
    const std::string before =
        test::midiFile({test::midiRecord("3", {"7,7,7"}), test::midiRecord("5", {"9,9,9"})});
    struct Case {
        const char* name;
        const char* typed; // into MSB 2 while entry 3 is shown; empty for no edit
        bool answer;
        QStringList asked;
        bool threeSaved;
    };
    const QString question = "Save the MIDI set-up of Song 3 first?";
    const Case cases[] = {
        {"nothing edited", "", false, {}, false},
        {"edited, saved first", "42", true, {question}, true},
        {"edited, dropped", "42", false, {question}, false},
        {"edited back to the shown value", "000", false, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        stand.write(kMidiFileName, before);
        dialogs.clear();
        ProgramWindows windows(state, dialogs);
        windows.openMainWindow();
        Form1* main = windows.mainWindow();
        main->VScroll1->setValue(3);
        test::triggerEnabled(main->midi);
        QPointer<midifrm> window = windows.midiWindow();
        ASSERT_FALSE(window.isNull());
        EXPECT_EQ(window->Label5->text(), "Song 3");
        EXPECT_EQ(window->MSB[1]->text(), "7");
        if (*c.typed) {
            window->MSB[2]->selectAll();
            QTest::keyClicks(window->MSB[2], QString::fromLatin1(c.typed));
        }
        test::triggerEnabled(main->midi);
        EXPECT_EQ(windows.midiWindow(), window.data());

        if (!c.asked.isEmpty())
            dialogs.setNextAnswer(c.answer);
        main->VScroll1->setValue(5);
        QStringList questions;
        for (const auto& box : dialogs.shown())
            if (box.kind == test::FakeDialogs::Kind::Question)
                questions << box.text;
        EXPECT_EQ(questions, c.asked);
        const auto three = c.threeSaved ? test::midiRecord("3", {"7,7,7", "42,000,000"})
                                        : test::midiRecord("3", {"7,7,7"});
        EXPECT_EQ(midiJs(), test::midiFile({three, test::midiRecord("5", {"9,9,9"})}));
        EXPECT_EQ(window->Label5->text(), "Song 5");
        EXPECT_EQ(window->entry(), 5);
        EXPECT_EQ(shownChannels(*window), channelsWith({{1, "9,9,9"}}));
        EXPECT_FALSE(window->hasUnsavedChanges());

        // An edited title shows at once; the grid keeps its values.
        window->PC[16]->selectAll();
        QTest::keyClicks(window->PC[16], "55");
        QTest::keyClicks(main->Text2, " live");
        EXPECT_EQ(window->Label5->text(), "Song 5 live");
        EXPECT_EQ(window->PC[16]->text(), "55");
        test::clickEnabled(window->Command3);
        std::vector<std::string> five(kMidiChannels, "000,000,000");
        five[0] = "9,9,9";
        five[15] = "000,000,55";
        EXPECT_EQ(midiJs(), test::midiFile({three, test::midiRecord("5", five)}));
        window->close();
        ASSERT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, 2000));
        // The next opening loads the entry the main window shows.
        main->VScroll1->setValue(3);
        test::triggerEnabled(main->midi);
        ASSERT_NE(windows.midiWindow(), nullptr);
        EXPECT_EQ(windows.midiWindow()->MSB[2]->text(), c.threeSaved ? "42" : "000");
    }
}

// A program change's tooltip names the General MIDI instrument it picks, counted from 0 as it
// is sent; the window says once that values go out as typed.
TEST_F(MidiWindowTest, programChangeTooltip_namesTheGeneralMidiInstrument) {
    midifrm window(state, dialogs);
    EXPECT_EQ(window.valuesNote->text(), "Values are sent as typed, 0 to 127.");
    struct Row {
        char column;
        const char* typed;
        const char* tip;
    };
    const Row rows[] = {
        {'P', "0", "PC 0: Acoustic Grand Piano; many instruments count this as program 1"},
        {'P', "000", "PC 0: Acoustic Grand Piano; many instruments count this as program 1"},
        {'P', "19", "PC 19: Church Organ; many instruments count this as program 20"},
        {'P', "127", "PC 127: Gunshot; many instruments count this as program 128"},
        {'P', "128", "MIDI values run from 0 to 127."},
        {'M', "19", ""},
        {'L', "0", ""},
    };
    for (const Row& row : rows) {
        QLineEdit* cell = row.column == 'M'   ? window.MSB[5]
                          : row.column == 'L' ? window.LSB[5]
                                              : window.PC[5];
        cell->selectAll();
        QTest::keyClick(cell, Qt::Key_Delete);
        QTest::keyClicks(cell, QString::fromLatin1(row.typed));
        EXPECT_EQ(cell->toolTip(), QString::fromUtf8(row.tip)) << row.column << row.typed;
    }
}

} // namespace
} // namespace folio
