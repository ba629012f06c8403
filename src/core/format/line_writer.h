// Writes data file lines: each line ends with CR LF; quoted values carry no escaping, so the
// characters that would break the file are mapped to harmless ones first.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace folio {

// Builds the bytes of a data file one line at a time.
class LineWriter {
public:
    // Appends text and CR LF, exactly as given.
    void line(std::string_view text);

    // Appends a quoted value line: '"' + value + '",' + CR LF, with the value made safe.
    void quotedValue(std::string_view value);

    // Appends a line of several quoted values: '"' + a + '","' + b + '",' + CR LF, each value
    // made safe.
    void quotedValues(std::initializer_list<std::string_view> values);

    const std::string& bytes() const { return bytes_; }
    std::string take() { return std::move(bytes_); }
    void reserve(std::size_t size) { bytes_.reserve(size); }

private:
    void appendSafe(std::string_view value);

    std::string bytes_;
};

// The value as the file can carry it: '"' becomes '\'', '\\' becomes '/', CR and LF a space.
std::string safeFieldValue(std::string_view value);

// True if value needs no mapping to be written.
bool isSafeFieldValue(std::string_view value);

} // namespace folio
