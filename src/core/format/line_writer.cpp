// Line writing with CR LF and the last-line-of-defence mapping of unsafe characters.
#include "core/format/line_writer.h"

namespace folio {
namespace {

inline char safeChar(char c) {
    switch (c) {
    case '"':
        return '\'';
    case '\\':
        return '/';
    case '\r':
    case '\n':
        return ' ';
    default:
        return c;
    }
}

} // namespace

bool isSafeFieldValue(std::string_view value) {
    // One pass without early exit, which the compiler turns into a vector loop: every value of
    // a save goes through here, and find_first_of costs a memchr per byte.
    int unsafe = 0;
    for (char c : value)
        unsafe += (c == '"') + (c == '\\') + (c == '\r') + (c == '\n');
    return unsafe == 0;
}

std::string safeFieldValue(std::string_view value) {
    std::string safe(value);
    for (char& c : safe)
        c = safeChar(c);
    return safe;
}

void LineWriter::line(std::string_view text) {
    bytes_.append(text);
    bytes_.append("\r\n");
}

void LineWriter::appendSafe(std::string_view value) {
    if (isSafeFieldValue(value)) {
        bytes_.append(value);
    } else {
        for (char c : value)
            bytes_.push_back(safeChar(c));
    }
}

void LineWriter::quotedValue(std::string_view value) {
    bytes_.push_back('"');
    appendSafe(value);
    bytes_.append("\",\r\n");
}

void LineWriter::quotedValues(std::initializer_list<std::string_view> values) {
    for (std::string_view value : values) {
        bytes_.push_back('"');
        appendSafe(value);
        bytes_.append("\",");
    }
    bytes_.append("\r\n");
}

} // namespace folio
