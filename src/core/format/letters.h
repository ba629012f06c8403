// Unicode text as the stand's files hold it: Windows-1252. A letter the code page lacks is written
// as its nearest Western European form (ř as r, ő as ö, ł as l), a typographic mark as its
// nearest plain one (‐ as -, ′ as '); only what has no such form (an emoji, CJK) is left out.
// Every change is reported, so that the window can show it before anything is written.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace folio {

// The Windows-1252 byte of a code point, or -1 when the code page has none.
int cp1252ByteOf(char32_t c);
// The code point of a Windows-1252 byte. The five bytes the code page leaves undefined map to the
// C1 control characters of the same value, as browsers decode them.
char32_t cp1252CodePoint(unsigned char byte);

// One character the code page could not hold as it came: as it came and as it was written, in
// UTF-8; written is empty when it was left out.
struct LetterChange {
    std::string from;
    std::string to;
    bool operator==(const LetterChange&) const = default;
};

struct WesternText {
    std::string bytes;                 // Windows-1252
    std::vector<LetterChange> changes; // each different change once, in the order first met
};

// The Windows-1252 form of UTF-8 text. A character with marks after it (a decomposed letter, an
// emoji with its modifiers) counts as one. Invisible formatting characters (zero-width spaces,
// direction marks) go without a change, and so do bytes that are not UTF-8 at all.
WesternText toWesternText(std::string_view utf8);

// The one-line note that says what changed, in UTF-8 ("ř was written as r, č as c: the stand's
// files hold Western European letters only"); empty when nothing did. nothingLeft says that the
// changes left the text empty.
std::string lettersNote(const std::vector<LetterChange>& changes, bool nothingLeft);

} // namespace folio
