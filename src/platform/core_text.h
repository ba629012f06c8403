// The core's error sentences at the window boundary. They are UTF-8 on every system (see
// file_ops.h); the entries' own values are Windows-1252 and go through fromCp1252 instead.
#pragma once

#include <QString>
#include <string>

namespace folio {

// The text of an error sentence of the core (or of an exception it threw).
inline QString fromCoreText(const std::string& text) {
    return QString::fromStdString(text); // Qt reads a std::string as UTF-8
}

} // namespace folio
