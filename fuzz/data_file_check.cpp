// The well-formedness check of written data files, parsed line by line on its own.
#include "data_file_check.h"

#include <cstdio>
#include <cstdlib>

namespace folio::fuzz {
namespace {

// Takes the next CR LF-ended line from rest, or fails.
std::string_view takeLine(std::string_view& rest) {
    std::size_t end = rest.find("\r\n");
    require(end != std::string_view::npos, "every line ends with CR LF");
    std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end + 2);
    require(line.find_first_of("\r\n") == std::string_view::npos, "no lone CR or LF in a line");
    return line;
}

} // namespace

void require(bool holds, const char* property) {
    if (holds)
        return;
    std::fprintf(stderr, "Property violated: %s\n", property);
    std::abort();
}

std::vector<std::string_view> requireWellFormed(std::string_view bytes, std::string_view firstLine,
                                                std::size_t valueLines, std::size_t valuesPerLine) {
    std::vector<std::string_view> values;
    values.reserve(valueLines * valuesPerLine);
    std::string_view rest = bytes;
    require(takeLine(rest) == firstLine, "the file starts with its header line");
    for (std::size_t i = 0; i < valueLines; ++i) {
        std::string_view line = takeLine(rest);
        for (std::size_t j = 0; j < valuesPerLine; ++j) {
            const std::size_t close = line.size() >= 3 ? line.find('"', 1) : std::string_view::npos;
            require(close != std::string_view::npos && line.front() == '"' &&
                        close + 1 < line.size() && line[close + 1] == ',',
                    "a value line is a quote, the value, a quote and a comma");
            std::string_view value = line.substr(1, close - 1);
            require(value.find_first_of("\\\r\n") == std::string_view::npos,
                    "a value holds no quote, backslash, CR or LF");
            values.push_back(value);
            line.remove_prefix(close + 2);
        }
        require(line.empty(), "a value line is a quote, the value, a quote and a comma");
    }
    require(takeLine(rest) == " ];", "the value lines are followed by \" ];\"");
    require(rest.empty(), "nothing follows the last line");
    return values;
}

} // namespace folio::fuzz
