// Unicode text in the stand's code page: names from many languages, marks and what has no form.
#include "core/format/letters.h"
#include "support/rows.h"

#include <gtest/gtest.h>

namespace folio {
namespace {

constexpr const char* kWhy = ": the stand's files hold Western European letters only";

std::string noted(const std::string& what) {
    return what + kWhy;
}

TEST(Letters, namesAndMarks_becomeTheirNearestWindows1252Form_andSaySo) {
    struct Row {
        const char* what;
        std::string typed; // UTF-8
        std::string bytes; // Windows-1252
        std::string note;
    };
    const Row rows[] = {
        {"Czech file name", "Dvořák - Humoreska", "Dvor\xE1k - Humoreska",
         noted("ř was written as r")},
        {"Czech, twice the same change", "Janáček Janáček",
         "Jan\xE1"
         "cek Jan\xE1"
         "cek",
         noted("č was written as c")},
        {"Polish", "Łódź",
         "L\xF3"
         "dz",
         noted("Ł was written as L, ź as z")},
        {"Polish", "Wałęsa", "Walesa", noted("ł was written as l, ę as e")},
        {"Hungarian keeps its umlaut", "Erdős", "Erd\xF6s", noted("ő was written as ö")},
        {"Hungarian in the code page stays", "Bartók", "Bart\xF3k", ""},
        {"Turkish dotted capital", "İstanbul", "Istanbul", noted("İ was written as I")},
        {"Turkish dotless i", "Işık", "Isik", noted("ş was written as s, ı as i")},
        {"Turkish in the code page stays", "Gürses", "G\xFCrses", ""},
        {"German stays", "Straße",
         "Stra\xDF"
         "e",
         ""},
        {"quotes and dashes of the code page stay", "“Ave” ‘Maria’ – — …",
         "\x93"
         "Ave\x94 \x91Maria\x92 \x96 \x97 \x85",
         ""},
        {"other dashes and primes", "3′ ‐ 4‑5 ‒ 6″", "3' - 4-5 - 6''",
         noted("′ was written as ', ‐ as -, ‑ as -, ‒ as - and 1 more")},
        {"a decomposed letter, named as it came",
         "Dvor\xCC\x8C"
         "ak",
         "Dvorak", noted("r\xCC\x8C was written as r")},
        {"an emoji", "Happy 😀", "Happy ", noted("😀 was left out")},
        {"an emoji with its modifiers", "ok 👍🏽!", "ok !", noted("👍🏽 was left out")},
        {"a CJK title beside Latin letters", "Sakura 桜の歌 ř", "Sakura  r",
         noted("ř was written as r, 桜の歌 was left out")},
        {"direction marks go unseen",
         "Ab\xE2\x80\x8F"
         "c",
         "Abc", ""},
        {"bytes that are not UTF-8 go",
         "A\xFF"
         "B",
         "AB", ""},
    };
    test::forEachRow(rows, [](const Row& row) {
        const WesternText western = toWesternText(row.typed);
        EXPECT_EQ(western.bytes, row.bytes);
        EXPECT_EQ(lettersNote(western.changes, western.bytes.empty()), row.note);
    });
}

TEST(Letters, aTitleOfCjkOnly_becomesEmpty_andTheNoteSaysSo) {
    const WesternText western = toWesternText("日本 😀");
    EXPECT_EQ(western.bytes, " ");
    EXPECT_EQ(lettersNote(western.changes, true), noted("日本, 😀 were left out, leaving nothing"));
}

TEST(Letters, everyByte_hasItsOwnCodePoint_andBackAgain) {
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        EXPECT_EQ(cp1252ByteOf(cp1252CodePoint(byte)), b) << b;
    }
    EXPECT_EQ(cp1252ByteOf(U'\u20AC'), 0x80);
    EXPECT_EQ(cp1252ByteOf(U'\u0159'), -1);
}

} // namespace
} // namespace folio
