// Windows-1252 through the core's table.
#include "platform/cp1252.h"

#include "core/format/letters.h"

#include <array>

namespace folio {
namespace {

// The character of every byte, taken once from the core's table: whole archives and 45 MB MIDI
// files are decoded a byte at a time.
const std::array<char16_t, 256>& characters() {
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> made{};
        for (std::size_t byte = 0; byte < made.size(); ++byte)
            made[byte] = static_cast<char16_t>(cp1252CodePoint(static_cast<unsigned char>(byte)));
        return made;
    }();
    return table;
}

} // namespace

QString fromCp1252(std::string_view bytes) {
    QString text;
    text.resize(static_cast<qsizetype>(bytes.size()));
    QChar* out = text.data();
    const std::array<char16_t, 256>& table = characters();
    for (char b : bytes)
        *out++ = QChar(table[static_cast<unsigned char>(b)]);
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
