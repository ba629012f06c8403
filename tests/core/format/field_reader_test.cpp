#include "core/format/field_reader.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace folio {
namespace {

std::vector<std::string> allFields(std::string_view bytes) {
    std::vector<std::string> fields;
    FieldReader reader(bytes);
    std::string_view value;
    while (reader.next(value))
        fields.emplace_back(value);
    return fields;
}

using Fields = std::vector<std::string>;

TEST(FieldReader, fieldLine_givesValueAndEmptyField) {
    EXPECT_EQ(allFields("\"First song\",\r\n"), (Fields{"First song", ""}));
}

TEST(FieldReader, headerAndLastLine_giveOneFieldEach) {
    EXPECT_EQ(allFields("var archivio = [\r\n ];\r\n"), (Fields{"var archivio = [", "];"}));
}

TEST(FieldReader, quotedValue_keepsCommasAndInnerSpaces) {
    EXPECT_EQ(allFields("   \"  a, b  \",\r\n"), (Fields{"  a, b  ", ""}));
}

TEST(FieldReader, unquotedFields_splitAtCommasAndLineEnds) {
    EXPECT_EQ(allFields("a,b\r\nc"), (Fields{"a", "b", "c"}));
    EXPECT_EQ(allFields("a\nb\rc"), (Fields{"a", "b", "c"}));
}

TEST(FieldReader, quoteRunsAcrossLineEndsToItsClose) {
    EXPECT_EQ(allFields("\"a\r\nb\",x"), (Fields{"a\r\nb", "x"}));
}

TEST(FieldReader, unclosedQuote_runsToEndOfFile) {
    EXPECT_EQ(allFields("\"abc"), (Fields{"abc"}));
}

TEST(FieldReader, textAfterClosingQuote_startsNextField) {
    EXPECT_EQ(allFields("\"a\"b,c"), (Fields{"a", "b", "c"}));
}

TEST(FieldReader, endOfFile_endsReading) {
    EXPECT_EQ(allFields(""), Fields{});
    EXPECT_EQ(allFields("\r\n"), Fields{""});
    FieldReader reader("x");
    std::string_view value = "stale";
    EXPECT_TRUE(reader.next(value));
    EXPECT_FALSE(reader.next(value));
    EXPECT_TRUE(value.empty());
}

TEST(FieldReader, countFields_matchesReader) {
    const std::string bytes = "var archivio = [\r\n\"1\",\r\n\"t\",\r\n ];\r\n";
    EXPECT_EQ(countFields(bytes), allFields(bytes).size());
    EXPECT_EQ(countFields(bytes), 6u);
}

TEST(FieldReader, recordsFromFieldCount_roundsHalfToEven) {
    EXPECT_EQ(recordsFromFieldCount(0, 2, 10), 0u);
    EXPECT_EQ(recordsFromFieldCount(1, 2, 10), 0u);
    EXPECT_EQ(recordsFromFieldCount(2, 2, 10), 0u);
    EXPECT_EQ(recordsFromFieldCount(7, 2, 10), 0u);  // 0.5 -> 0
    EXPECT_EQ(recordsFromFieldCount(8, 2, 10), 1u);  // 0.6 -> 1
    EXPECT_EQ(recordsFromFieldCount(17, 2, 10), 2u); // 1.5 -> 2
    EXPECT_EQ(recordsFromFieldCount(22, 2, 10), 2u);
    EXPECT_EQ(recordsFromFieldCount(23, 2, 10), 2u); // one blank line more
    EXPECT_EQ(recordsFromFieldCount(27, 2, 10), 2u); // 2.5 -> 2
    EXPECT_EQ(recordsFromFieldCount(37, 2, 10), 4u); // 3.5 -> 4
    EXPECT_EQ(recordsFromFieldCount(99992, 2, 10), 9999u);
}

// Record keys, page numbers and track numbers are all read this way.
TEST(FieldNumbers, decimalDigitsOnly_andEntryNumbersOfAtMostFiveDigits) {
    struct Case {
        std::string_view field;
        std::optional<int> decimal;
        int entry;
    };
    const Case cases[] = {
        {"12", 12, 12},
        {"00012", 12, 12},
        {"000012", 12, 0},
        {"9999", 9999, 9999},
        {"10000", 10000, 0},
        {"0", 0, 0},
        {"", std::nullopt, 0},
        {" 1", std::nullopt, 0},
        {"1 ", std::nullopt, 0},
        {"+1", std::nullopt, 0},
        {"-1", std::nullopt, 0},
        {"1.0", std::nullopt, 0},
        {"7a", std::nullopt, 0},
        {"99999999999", std::nullopt, 0},
        {"00000000000000000007", 7, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(decimalValue(c.field), c.decimal) << c.field;
        EXPECT_EQ(entryNumberOfField(c.field), c.entry) << c.field;
    }
}

} // namespace
} // namespace folio
