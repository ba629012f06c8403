// The category list generi.js: the names of the 33 categories that caption the audio
// window's buttons. The program only reads it.
#pragma once

#include "core/files/installation.h"

#include <array>
#include <string>
#include <string_view>

namespace folio {

inline constexpr int kCategoryCount = 33;
inline constexpr std::string_view kCategoryFileName = "spartiti\\generi.js";

// Outcome of loading generi.js.
struct CategoryLoad {
    bool fileFound = false;
    // Categories the file actually holds, at most 33.
    int count = 0;
};

// Fills slots 1 to 33 from the bytes of a category file: the first field is skipped, then
// each category is one field followed by one skipped field. Slots the file does not reach (or
// that would get the array's closing line) are
// emptied; nothing beyond the 33rd category is read. Returns the categories found.
int readCategoryNames(std::string_view bytes, std::array<std::string, 201>& names);

// Reads spartiti\generi.js into names; a missing file empties slots 1 to 33.
CategoryLoad loadCategoryNames(const Installation& installation,
                               std::array<std::string, 201>& names);

} // namespace folio
