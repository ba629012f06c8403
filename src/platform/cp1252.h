// The system's 8-bit code page (Windows-1252) at the boundary between the core's bytes and
// the windows' text. Every byte maps to a distinct character, so text round-trips.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace folio {

// The text of bytes in Windows-1252.
QString fromCp1252(std::string_view bytes);

// The bytes of text in Windows-1252; characters outside it become '?'.
std::string toCp1252(const QString& text);

// True if the character has a byte in Windows-1252.
bool isCp1252(QChar c);

} // namespace folio
