// The real message boxes, answered as a user would while they are open.
#include "platform/dialogs.h"
#include "support/user_input.h"

#include <QAbstractButton>
#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace folio {
namespace {

struct SeenBox {
    QString title;
    QString text;
    Qt::TextFormat format = Qt::AutoText;
};

// Runs show, answers the box it opens with the given button (Escape for NoButton), and tells what
// the box showed.
SeenBox answered(const std::function<void()>& show, QMessageBox::StandardButton answer) {
    SeenBox seen;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen = {box->windowTitle(), box->text(), box->textFormat()};
        if (answer == QMessageBox::NoButton)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            test::clickEnabled(box->button(answer));
    });
    show();
    return seen;
}

// Every box shows its text as plain text: a name from a file that looks like markup (a lock's
// host, a title) shows as it is, never in bold or as a live link.
TEST(MessageBoxDialogs, everyBox_showsTheProgramsTitleAndItsTextAsPlainText) {
    MessageBoxDialogs dialogs;
    const QString text = QStringLiteral("<b>laptop</b> <a href=\"http://x\">here</a>");
    int chosen = -1;
    Dialogs::Answer choice = Dialogs::Answer::Yes;
    const struct {
        const char* name;
        std::function<void()> show;
        QMessageBox::StandardButton answer;
        QString title;
    } cases[] = {
        {"message", [&] { dialogs.message(nullptr, text); }, QMessageBox::Ok, "Folioscribe_pro"},
        {"message with a title", [&] { dialogs.message(nullptr, text, "Merging"); },
         QMessageBox::Ok, "Merging"},
        {"error", [&] { dialogs.error(nullptr, text); }, QMessageBox::Ok, "Folioscribe_pro"},
        {"question", [&] { dialogs.question(nullptr, text); }, QMessageBox::No, "Folioscribe_pro"},
        {"question, No by default", [&] { dialogs.questionDefaultNo(nullptr, text); },
         QMessageBox::No, "Folioscribe_pro"},
        {"question with cancel", [&] { choice = dialogs.questionWithCancel(nullptr, text); },
         QMessageBox::Cancel, "Folioscribe_pro"},
        // Escape answers a question of buttons of its own with its last.
        {"choose",
         [&] {
             chosen = dialogs.choose(nullptr, text, {"Go", "Cancel"});
         },
         QMessageBox::NoButton, "Folioscribe_pro"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const SeenBox seen = answered(c.show, c.answer);
        EXPECT_EQ(seen.title.toStdString(), c.title.toStdString());
        EXPECT_EQ(seen.text, text);
        EXPECT_EQ(seen.format, Qt::PlainText);
    }
    EXPECT_EQ(choice, Dialogs::Answer::Cancel);
    EXPECT_EQ(chosen, 1);
}

// Enter alone answers a question with its default button: Yes for a plain question, No for one
// about a step that is hard to undo.
TEST(MessageBoxDialogs, enterOnAQuestion_answersWithTheDefaultButton) {
    MessageBoxDialogs dialogs;
    const struct {
        const char* name;
        std::function<bool()> ask;
        bool answer;
    } cases[] = {
        {"question", [&] { return dialogs.question(nullptr, "Go?"); }, true},
        {"question with No as default", [&] { return dialogs.questionDefaultNo(nullptr, "Go?"); },
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bool closedByEnter = false;
        QTimer::singleShot(0, [&] {
            QPointer<QMessageBox> box =
                qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_FALSE(box.isNull());
            EXPECT_EQ(box->text().toStdString(), "Go?");
            QTest::keyClick(box, Qt::Key_Return);
            closedByEnter = box.isNull() || !box->isVisible();
            if (!closedByEnter)
                test::clickEnabled(box->button(c.answer ? QMessageBox::No : QMessageBox::Yes));
        });
        EXPECT_EQ(c.ask(), c.answer);
        EXPECT_TRUE(closedByEnter);
    }
}

// A question with buttons of its own answers with the index of the button pressed; Escape and
// the close box press the last, which calls the question off.
TEST(MessageBoxDialogs, choose_answersWithTheButtonPressed) {
    MessageBoxDialogs dialogs;
    const QStringList buttons{"Rename", "Keep both", "Cancel"};
    const struct {
        const char* name;
        std::function<void(QMessageBox*)> answer;
        int pressed;
    } cases[] = {
        {"Keep both",
         [](QMessageBox* box) {
             for (QAbstractButton* button : box->buttons()) {
                 if (button->text() == "Keep both")
                     test::clickEnabled(button);
             }
         },
         1},
        {"Enter", [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); }, 0},
        {"Escape", [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); }, 2},
        {"close box", [](QMessageBox* box) { box->close(); }, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList captions;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            for (QAbstractButton* button : box->buttons())
                captions << button->text();
            EXPECT_EQ(box->text().toStdString(), "Rename?");
            c.answer(box);
        });
        EXPECT_EQ(dialogs.choose(nullptr, "Rename?", buttons), c.pressed);
        captions.sort();
        EXPECT_EQ(captions, (QStringList{"Cancel", "Keep both", "Rename"}));
    }
}

// The number box gives the number typed, within its range, or nothing when called off.
TEST(MessageBoxDialogs, askNumber_givesTheNumberTypedOrNothing) {
    MessageBoxDialogs dialogs;
    const struct {
        const char* name;
        const char* typed;
        Qt::Key key;
        std::optional<int> answer;
    } cases[] = {
        {"7, Enter", "7", Qt::Key_Return, 7},
        {"a digit past the range is refused", "99", Qt::Key_Return, 9},
        {"Escape", "7", Qt::Key_Escape, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->labelText().toStdString(), "Go to?");
            auto* spin = box->findChild<QSpinBox*>();
            ASSERT_NE(spin, nullptr);
            spin->selectAll();
            QTest::keyClicks(spin, QString::fromLatin1(c.typed));
            QTest::keyClick(spin, c.key);
        });
        EXPECT_EQ(dialogs.askNumber(nullptr, "Go to?", 1, 12, 3), c.answer);
    }
}

} // namespace
} // namespace folio
