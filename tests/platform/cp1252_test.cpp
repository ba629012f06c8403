#include "platform/cp1252.h"
#include "platform/field_text.h"
#include "support/qt_printers.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <functional>
#include <gtest/gtest.h>

namespace folio {
namespace {

TEST(Cp1252, everyByte_roundTripsThroughText) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    QString text = fromCp1252(all);
    EXPECT_EQ(text.size(), 256);
    EXPECT_EQ(toCp1252(text), all);
}

TEST(Cp1252, windowsCharacters_mapToTheirBytes) {
    EXPECT_EQ(fromCp1252("\x80"), QString(QChar(0x20AC)));
    EXPECT_EQ(fromCp1252("Caf\xE9"), QStringLiteral(u"Café"));
    EXPECT_EQ(toCp1252(QStringLiteral(u"€ „Œ“")), "\x80 \x84\x8C\x93");
    EXPECT_EQ(toCp1252(QStringLiteral(u"日本")), "??");
    EXPECT_FALSE(isCp1252(QChar(0x65E5)));
    EXPECT_TRUE(isCp1252(QChar(0x0153)));
}

// What is typed or pasted is taken as the files can hold it, with a note on what changed, and
// the cursor stays after what was typed.
TEST(FieldText, typedAndPastedText_takesItsNearestLetters_andSaysWhatChanged) {
    const QString why = QStringLiteral(": the stand's files hold Western European letters only");
    QLineEdit box;
    QString note;
    acceptOnlyFieldText(&box, [&](const QString& shown) { note = shown; });
    box.insert(QStringLiteral(u"Say \"hi\"\\ to Zoë\r\n日本 €"));
    EXPECT_EQ(box.text(), QStringLiteral(u"Say hi to Zoë €"));
    EXPECT_EQ(note, QStringLiteral(u"日本 was left out") + why);
    box.setCursorPosition(4);
    box.insert(QStringLiteral(u"Dvořák ″"));
    EXPECT_EQ(box.text(), QStringLiteral(u"Say Dvorák ''hi to Zoë €"));
    EXPECT_EQ(box.cursorPosition(), 13);
    EXPECT_EQ(note, QStringLiteral(u"ř was written as r, ″ as ''") + why);
    // A mark typed after its letter is taken with it.
    box.setText(QStringLiteral("r"));
    box.end(false);
    box.insert(QString(QChar(0x030C)));
    EXPECT_EQ(box.text(), QStringLiteral("r"));
    EXPECT_EQ(note, QStringLiteral(u"ř was written as r") + why);

    const FieldText pasted = toFieldText(QStringLiteral(u"a\"b\\c 😀"));
    EXPECT_EQ(pasted.text, QStringLiteral("abc "));
    EXPECT_EQ(pasted.note, QStringLiteral(u"😀 was left out") + why);
}

// A box filled with a value a file holds: the filter acts on the user's edit only, so the
// value's own characters stay until the user removes them.
TEST(FieldText, shownValue_keepsItsCharacters_whileEditsAreFiltered) {
    const struct {
        const char* name;
        std::function<void(QLineEdit&)> edit;
        QString expected;
    } cases[] = {
        {"typed at the end", [](QLineEdit& box) { box.insert(QStringLiteral("\"x")); },
         QStringLiteral("AC\\DCx")},
        {"pasted in the middle",
         [](QLineEdit& box) {
             box.setCursorPosition(2);
             box.insert(QStringLiteral("\\y\r\n"));
         },
         QStringLiteral("ACy\\DC")},
        {"an edit undone",
         [](QLineEdit& box) {
             box.selectAll();
             box.insert(QStringLiteral("z"));
             box.undo();
         },
         QStringLiteral("AC\\DC")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QLineEdit box;
        acceptOnlyFieldText(&box);
        QSignalSpy edited(&box, &QLineEdit::textEdited);
        showFieldText(&box, QStringLiteral("AC\\DC"));
        EXPECT_EQ(box.text(), QStringLiteral("AC\\DC"));
        EXPECT_EQ(edited.count(), 0);
        c.edit(box);
        EXPECT_EQ(box.text(), c.expected);
    }
}

} // namespace
} // namespace folio
