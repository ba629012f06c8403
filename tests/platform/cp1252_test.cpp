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

TEST(FieldText, typedAndPastedText_losesWhatFilesCannotCarry) {
    QLineEdit box;
    acceptOnlyFieldText(&box);
    box.insert(QStringLiteral(u"Say \"hi\"\\ to Zoë\r\n日本 €"));
    EXPECT_EQ(box.text(), QStringLiteral(u"Say hi to Zoë €"));
    EXPECT_EQ(withoutUnsafeCharacters(QStringLiteral("a\"b\\c")), QStringLiteral("abc"));
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
