// Windows-1252 through the core's table, one character at a time.
#include "platform/cp1252.h"

#include "core/format/letters.h"

namespace folio {

QString fromCp1252(std::string_view bytes) {
    QString text;
    text.resize(static_cast<qsizetype>(bytes.size()));
    QChar* out = text.data();
    for (char b : bytes)
        *out++ = QChar(static_cast<char16_t>(cp1252CodePoint(static_cast<unsigned char>(b))));
    return text;
}

std::string toCp1252(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (QChar c : text) {
        const int byte = cp1252ByteOf(c.unicode());
        bytes.push_back(static_cast<char>(byte < 0 ? '?' : byte));
    }
    return bytes;
}

bool isCp1252(QChar c) {
    return cp1252ByteOf(c.unicode()) >= 0;
}

} // namespace folio
