// Properties that every data file written by the program has, checked by the fuzz targets
// independently of the field reader.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace folio::fuzz {

// Stops the run with a message when a property does not hold; libFuzzer keeps the input.
void require(bool holds, const char* property);

// Checks that bytes is firstLine, then valueLines lines each holding valuesPerLine quoted
// values, each followed by a comma, then " ];", every line ended by CR LF, with no '"', '\\',
// CR or LF inside a value. Returns the values in file order (views into bytes).
std::vector<std::string_view> requireWellFormed(std::string_view bytes, std::string_view firstLine,
                                                std::size_t valueLines,
                                                std::size_t valuesPerLine = 1);

} // namespace folio::fuzz
