// Windows-1252 by table, and the nearest Windows-1252 form of the letters and marks it lacks.
#include "core/format/letters.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

namespace folio {
namespace {

constexpr std::array<char32_t, 32> kHighBytes = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The letters of a block, one per code point from its first: the letter's base with the accents
// Windows-1252 can carry, as its canonical decomposition gives it where it has one. '=' marks a
// letter the code page holds, '*' one written as several letters (see kSpelledOut), '?' one with
// no Western form.
struct LetterBlock {
    char32_t first;
    std::string_view letters; // UTF-8
};
constexpr LetterBlock kLetterBlocks[] = {
    // Latin Extended-A. ő and ű are written as ö and ü, as Hungarian is written without them.
    {0x0100, "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIi**JjKkkLlLlLlLlLlNnNnNn*NnOoOoÖö="
             "=RrRrRrSsSsSs==TtTtTtUuUuUuUuÜüUuWwYy=ZzZz==s"},
    // Latin Extended-B.
    {0x0180,
     "bB????OCcDDDd?EEEF=GG?IIKkl??NnOOo**Pp?????tTtTUuUVYyZzZ????????????*********AaIiOoUu"
     "ÜüÜüÜüÜüeÄäAaÆæGgGgKkOoOoZzj***Gg??NnÅåÆæØøAaAaEeEeIiIiOoOoRrRrUuUuSsTt??Hh?d**??AaEeÖö"
     "ÕõOoOoYylntj**ACcLTsz??BU?EeJjQqRrYy"},
    // Latin Extended Additional: Vietnamese, Welsh and the letters of transliterations.
    {0x1E00,
     "AaBbBbBbÇçDdDdDdDdDdEeEeEeEeEeFfGgHhHhHhHhHhIiÏïKkKkKkLlLlLlLlMmMmMmNnNnNnNnÕõÕõOoOo"
     "PpPpRrRrRrRrSsSsSsŠšSsTtTtTtTtUuUuUuUuUuVvVvWwWwWwWwWwXxXxYyZzZzZzhtwyasss*dAaAaÂâÂâÂâ"
     "ÂâAaAaAaAaAaAaEeEeEeÊêÊêÊêÊêEeIiIiOoOoÔôÔôÔôÔôOoOoOoOoOoOoUuUuUuUuUuUuUuYyYyYyYy**VvYy"},
};

struct Spelling {
    char32_t c;
    std::string_view written; // UTF-8
};
// Letters written as several, and the typographic marks, spaces and symbols the code page lacks,
// by code point. Those not listed here nor in a block have no Western form.
constexpr Spelling kSpelledOut[] = {
    {0x0132, "IJ"},     {0x0133, "ij"},  {0x0149, "'n"}, {0x01A2, "OI"},     {0x01A3, "oi"},
    {0x01C4, "DŽ"},     {0x01C5, "Dž"},  {0x01C6, "dž"}, {0x01C7, "LJ"},     {0x01C8, "Lj"},
    {0x01C9, "lj"},     {0x01CA, "NJ"},  {0x01CB, "Nj"}, {0x01CC, "nj"},     {0x01F1, "DZ"},
    {0x01F2, "Dz"},     {0x01F3, "dz"},  {0x0222, "OU"}, {0x0223, "ou"},     {0x0238, "db"},
    {0x0239, "qp"},     {0x02B9, "'"},   {0x02BA, "''"}, {0x02BB, "'"},      {0x02BC, "'"},
    {0x02C8, "'"},      {0x02CA, "´"},   {0x02CB, "`"},  {0x02D0, ":"},      {0x02DA, "°"},
    {0x1E9E, "SS"},     {0x1EFA, "LL"},  {0x1EFB, "ll"}, {0x2000, " "},      {0x2001, " "},
    {0x2002, " "},      {0x2003, " "},   {0x2004, " "},  {0x2005, " "},      {0x2006, " "},
    {0x2007, "\u00A0"}, {0x2008, " "},   {0x2009, " "},  {0x200A, " "},      {0x2010, "-"},
    {0x2011, "-"},      {0x2012, "-"},   {0x2015, "—"},  {0x2016, "||"},     {0x2017, "_"},
    {0x201B, "'"},      {0x201F, "“"},   {0x2023, "•"},  {0x2024, "."},      {0x2025, ".."},
    {0x2027, "·"},      {0x2028, " "},   {0x2029, " "},  {0x202F, "\u00A0"}, {0x2032, "'"},
    {0x2033, "''"},     {0x2034, "'''"}, {0x2035, "`"},  {0x2036, "``"},     {0x203C, "!!"},
    {0x2043, "-"},      {0x2044, "/"},   {0x2047, "??"}, {0x2048, "?!"},     {0x2049, "!?"},
    {0x204E, "*"},      {0x205F, " "},   {0x2116, "No"}, {0x2117, "(P)"},    {0x2120, "SM"},
    {0x2212, "-"},      {0x2215, "/"},   {0x2217, "*"},  {0x2223, "|"},      {0x2236, ":"},
    {0x223C, "~"},      {0x2264, "<="},  {0x2265, ">="}, {0x266D, "b"},      {0x266F, "#"},
    {0x3000, " "},      {0xFB00, "ff"},  {0xFB01, "fi"}, {0xFB02, "fl"},     {0xFB03, "ffi"},
    {0xFB04, "ffl"},    {0xFB05, "st"},  {0xFB06, "st"},
};
static_assert(std::is_sorted(std::begin(kSpelledOut), std::end(kSpelledOut),
                             [](const Spelling& a, const Spelling& b) { return a.c < b.c; }));

// Characters that show nothing: they go without a note.
bool isInvisible(char32_t c) {
    return (c >= 0x80 && c < 0xA0) || c == 0x200B || c == 0x200C || c == 0x200E || c == 0x200F ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF ||
           (c >= 0xFE00 && c <= 0xFE0F) || c == 0x200D;
}

// Characters that belong to the one before them: combining marks, variation selectors, skin
// tones, emoji tags.
bool isMark(char32_t c) {
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) ||
           (c >= 0x1DC0 && c <= 0x1DFF) || (c >= 0x20D0 && c <= 0x20FF) ||
           (c >= 0xFE20 && c <= 0xFE2F) || (c >= 0xFE00 && c <= 0xFE0F) ||
           (c >= 0x1F3FB && c <= 0x1F3FF) || (c >= 0xE0020 && c <= 0xE007F) ||
           (c >= 0xE0100 && c <= 0xE01EF);
}

constexpr char32_t kJoiner = 0x200D;
constexpr char32_t kNotUtf8 = 0xFFFFFFFF;

// The code point at pos, moving pos past it; kNotUtf8 (moving one byte on) for a byte that does
// not start a well-formed sequence.
char32_t nextCodePoint(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80)
        return lead;
    int length = 0;
    char32_t c = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 1, c = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 2, c = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 3, c = lead & 0x07, least = 0x10000;
    } else {
        return kNotUtf8;
    }
    if (pos + static_cast<std::size_t>(length) > text.size())
        return kNotUtf8;
    for (int i = 0; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + static_cast<std::size_t>(i)]);
        if ((next & 0xC0) != 0x80)
            return kNotUtf8;
        c = (c << 6) | (next & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return kNotUtf8;
    pos += static_cast<std::size_t>(length);
    return c;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The n-th letter of a block's UTF-8 letters.
std::optional<char32_t> nthLetter(std::string_view letters, std::size_t n) {
    std::size_t pos = 0;
    for (std::size_t i = 0; pos < letters.size(); ++i) {
        const char32_t c = nextCodePoint(letters, pos);
        if (i == n)
            return c;
    }
    return std::nullopt;
}

// The Western form of a character the code page lacks, in UTF-8; none when it has no such form.
std::optional<std::string> westernForm(char32_t c) {
    const auto spelled = std::lower_bound(std::begin(kSpelledOut), std::end(kSpelledOut), c,
                                          [](const Spelling& s, char32_t v) { return s.c < v; });
    if (spelled != std::end(kSpelledOut) && spelled->c == c)
        return std::string(spelled->written);
    if (c >= 0xFF01 && c <= 0xFF5E) // full-width forms of ASCII
        return std::string(1, static_cast<char>(c - 0xFEE0));
    for (const LetterBlock& block : kLetterBlocks) {
        if (c < block.first)
            continue;
        const std::optional<char32_t> letter = nthLetter(block.letters, c - block.first);
        if (!letter)
            continue;
        if (*letter == U'?' || *letter == U'=' || *letter == U'*')
            return std::nullopt;
        std::string written;
        appendUtf8(written, *letter);
        return written;
    }
    return std::nullopt;
}

// Appends the Windows-1252 bytes of UTF-8 text whose every character the code page holds.
void appendCp1252(std::string& bytes, std::string_view utf8) {
    for (std::size_t pos = 0; pos < utf8.size();) {
        const int byte = cp1252ByteOf(nextCodePoint(utf8, pos));
        if (byte >= 0)
            bytes += static_cast<char>(byte);
    }
}

void note(std::vector<LetterChange>& changes, LetterChange change) {
    if (std::find(changes.begin(), changes.end(), change) == changes.end())
        changes.push_back(std::move(change));
}

} // namespace

int cp1252ByteOf(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<int>(c);
    const auto found = std::find(kHighBytes.begin(), kHighBytes.end(), c);
    return found == kHighBytes.end() ? -1 : static_cast<int>(0x80 + (found - kHighBytes.begin()));
}

char32_t cp1252CodePoint(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kHighBytes[byte - 0x80] : byte;
}

WesternText toWesternText(std::string_view utf8) {
    WesternText western;
    western.bytes.reserve(utf8.size());
    // What was left out since the last character kept: one change for the whole run.
    std::string leftOut;
    const auto endRun = [&] {
        if (!leftOut.empty())
            note(western.changes, {std::move(leftOut), {}});
        leftOut.clear();
    };
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::size_t start = pos;
        const char32_t base = nextCodePoint(utf8, pos);
        if (base == kNotUtf8 || (isInvisible(base) && cp1252ByteOf(base) < 0))
            continue;
        // The marks after it, and what a joiner joins to it, are part of it.
        bool marked = false;
        for (;;) {
            std::size_t after = pos;
            if (after >= utf8.size())
                break;
            const char32_t next = nextCodePoint(utf8, after);
            if (isMark(next)) {
                pos = after;
                // A variation selector alone changes nothing that the note could show.
                marked = marked || !isInvisible(next);
            } else if (next == kJoiner && after < utf8.size()) {
                nextCodePoint(utf8, after);
                pos = after;
                marked = true;
            } else {
                break;
            }
        }
        const std::string_view typed = utf8.substr(start, pos - start);
        const int byte = cp1252ByteOf(base);
        std::optional<std::string> written;
        if (byte >= 0) {
            written.emplace();
            appendUtf8(*written, base);
        } else {
            written = westernForm(base);
        }
        if (!written) {
            leftOut += typed;
            continue;
        }
        endRun();
        appendCp1252(western.bytes, *written);
        if (byte < 0 || marked)
            note(western.changes, {std::string(typed), std::move(*written)});
    }
    endRun();
    return western;
}

std::string lettersNote(const std::vector<LetterChange>& changes, bool nothingLeft) {
    // A note stays one line: the first few changes are named, the rest counted.
    constexpr std::size_t kNamed = 4;
    std::vector<const LetterChange*> written;
    std::vector<const LetterChange*> leftOut;
    for (const LetterChange& change : changes)
        (change.to.empty() ? leftOut : written).push_back(&change);
    const auto more = [](std::size_t count) {
        return count > kNamed ? " and " + std::to_string(count - kNamed) + " more" : std::string();
    };
    std::string text;
    for (std::size_t i = 0; i < std::min(written.size(), kNamed); ++i) {
        text += i == 0 ? written[i]->from + " was written as " : ", " + written[i]->from + " as ";
        text += written[i]->to;
    }
    text += more(written.size());
    if (!leftOut.empty()) {
        if (!text.empty())
            text += ", ";
        for (std::size_t i = 0; i < std::min(leftOut.size(), kNamed); ++i)
            text += (i == 0 ? "" : ", ") + leftOut[i]->from;
        text += more(leftOut.size());
        text += leftOut.size() == 1 ? " was left out" : " were left out";
    }
    if (text.empty())
        return text;
    if (nothingLeft)
        text += ", leaving nothing";
    return text + ": the stand's files hold Western European letters only";
}

} // namespace folio
