// The find box driven like a user: typing, Enter and F3 with and without Shift, Escape, and
// finding what was edited or added since the last save.
#include "support/fake_dialogs.h"
#include "support/qt_printers.h"
#include "support/temp_installation.h"
#include "support/user_input.h"
#include "windows/common/main_window_host.h"
#include "windows/common/shared_state.h"
#include "windows/main/find_box.h"
#include "windows/main/form1.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace folio {
namespace {

class NoHost : public MainWindowHost {
public:
    void showLeftPageWindow() override {}
    void showRightPageWindow() override {}
    void showAudioWindow() override {}
    void showPlaylistManager() override {}
    void showMidiDevice() override {}
    void showMerging() override {}
    void exitProgram() override {}
};

class FindBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        ScoreArchive archive;
        const ScoreEntry entries[] = {
            {"1", "Caff\xE8 Latte", "Verdi", "jazz", "0"},
            {"2", "\xC9tude", "Chopin", "piano", "0"},
            {"3", "Ave Maria", "Verdi", "choir", "0"},
            {"4", "Toccata", "Bach", "organ", "0"},
        };
        for (const ScoreEntry& entry : entries)
            archive.slot(std::stoi(entry.number)) = entry;
        archive.setEntryCount(4);
        stand.write("spartiti\\archivio.js", archiveFileBytes(archive));
        window = std::make_unique<Form1>(state, dialogs, host);
        window->show();
        test::triggerEnabled(window->cerca);
        box = window->findChild<FindBox*>();
    }

    // Replaces the box's text as typing it would, key by key.
    void type(const QString& text) {
        box->findText->clear();
        QTest::keyClicks(box->findText, text);
    }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(box->findText, key, modifiers);
    }
    // The shown entry as the user sees it and as the other windows read it.
    void expectShown(int entry, const QString& title, const QString& status) {
        EXPECT_EQ(window->Text1->text(), QString::number(entry));
        EXPECT_EQ(window->VScroll1->value(), entry);
        EXPECT_EQ(state.currentEntryNumber, entry);
        EXPECT_EQ(window->Text2->text(), title);
        EXPECT_EQ(box->findStatus->text(), status);
    }

    test::TempInstallation stand;
    SharedState state{stand.installation()};
    test::FakeDialogs dialogs;
    NoHost host;
    std::unique_ptr<Form1> window;
    FindBox* box = nullptr;
};

TEST_F(FindBoxTest, typingAndKeys_moveTheMainWindowThroughTheMatches) {
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(window->cerca->text(), QString::fromUtf8("&Find\u2026"));
    EXPECT_EQ(window->cerca->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    const QList<QAction*> work = window->findChild<QMenu*>("Work")->actions();
    EXPECT_LT(work.indexOf(window->cerca), work.indexOf(window->chiudi));
    EXPECT_EQ(window->Text2->geometry(), QRect(8, 8, 681, 33));
    const std::string before = archiveFileBytes(state.archive);

    expectShown(4, "Toccata", "");
    type("verdi");
    expectShown(1, QString::fromLatin1("Caff\xE8 Latte"), "1 of 2");
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int entry;
        QString status;
    } steps[] = {
        {Qt::Key_Return, Qt::NoModifier, 3, "2 of 2"},
        {Qt::Key_Enter, Qt::KeypadModifier, 1, "1 of 2"},
        {Qt::Key_Return, Qt::ShiftModifier, 3, "2 of 2"},
        {Qt::Key_F3, Qt::NoModifier, 1, "1 of 2"},
        {Qt::Key_F3, Qt::ShiftModifier, 3, "2 of 2"},
    };
    for (const auto& step : steps) {
        press(step.key, step.modifiers);
        EXPECT_EQ(state.currentEntryNumber, step.entry) << step.key << " " << step.modifiers;
        EXPECT_EQ(box->findStatus->text(), step.status) << step.key << " " << step.modifiers;
    }
    test::clickEnabled(box->findPrevious);
    expectShown(1, QString::fromLatin1("Caff\xE8 Latte"), "1 of 2");

    type("ETUDE");
    expectShown(2, QString::fromLatin1("\xC9tude"), "1 of 1");
    const QColor normal = box->findText->palette().color(QPalette::Text);
    type("cafe");
    expectShown(1, QString::fromLatin1("Caff\xE8 Latte"), "1 of 1");
    // Accents the code page lacks are dropped too; other scripts find nothing.
    box->findText->setText(QString::fromUtf8("\u0106hopin"));
    expectShown(2, QString::fromLatin1("\xC9tude"), "1 of 1");
    box->findText->setText(QString::fromUtf8("\u0428\u043E\u043F\u0435\u043D"));
    expectShown(2, QString::fromLatin1("\xC9tude"), "No score found");
    type("cafe");

    type("cafe noir");
    expectShown(1, QString::fromLatin1("Caff\xE8 Latte"), "No score found");
    EXPECT_NE(box->findText->palette().color(QPalette::Text), normal);
    type("bach");
    expectShown(4, "Toccata", "1 of 1");
    EXPECT_EQ(box->findText->palette().color(QPalette::Text), normal);

    press(Qt::Key_Escape);
    EXPECT_FALSE(box->isVisible());
    expectShown(4, "Toccata", "1 of 1");
    // Moving stored nothing into any entry.
    EXPECT_EQ(archiveFileBytes(state.archive), before);

    test::triggerEnabled(window->cerca);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->findText->selectedText(), "bach");
}

TEST_F(FindBoxTest, editedAndAddedTitles_areFoundByTheirNewText) {
    window->VScroll1->setValue(2);
    window->Text2->selectAll();
    QTest::keyClicks(window->Text2, "Nocturne");
    window->VScroll1->setValue(5);
    QTest::keyClicks(window->Text2, "Requiem");
    type("requiem");
    EXPECT_EQ(box->findStatus->text(), "No score found");

    test::clickEnabled(window->Command5);
    type("nocturne");
    expectShown(2, "Nocturne", "1 of 1");
    type("requiem");
    expectShown(5, "Requiem", "1 of 1");
    type("etude");
    EXPECT_EQ(box->findStatus->text(), "No score found");
    EXPECT_EQ(state.currentEntryNumber, 5);
}

} // namespace
} // namespace folio
