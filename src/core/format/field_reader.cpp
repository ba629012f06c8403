// The reading rule: spaces before a field are skipped; a quoted field runs to the next quote
// and takes a comma or line end right after it as its delimiter; any other field runs to the
// next comma or line end. A line end is CR LF, or a lone CR or LF.
#include "core/format/field_reader.h"

#include "core/archive/score_archive.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <system_error>

namespace folio {
namespace {

// Consumes one line end at position, if there is one. Returns the position after it.
inline std::size_t skipLineEnd(std::string_view bytes, std::size_t position) {
    if (position < bytes.size() && bytes[position] == '\r')
        ++position;
    else if (position < bytes.size() && bytes[position] == '\n')
        return position + 1;
    else
        return position;
    if (position < bytes.size() && bytes[position] == '\n')
        ++position;
    return position;
}

// Position of the first byte after position that is not a space, or size.
inline std::size_t skipSpaces(std::string_view bytes, std::size_t position) {
    while (position < bytes.size() && bytes[position] == ' ')
        ++position;
    return position;
}

// Position of the first comma, CR or LF at or after from, or size.
inline std::size_t findDelimiter(std::string_view bytes, std::size_t from) {
    const char* data = bytes.data();
    const std::size_t size = bytes.size();
    for (std::size_t i = from; i < size; ++i) {
        char c = data[i];
        if (c == ',' || c == '\r' || c == '\n')
            return i;
    }
    return size;
}

// Reads the field starting at position; returns the position after its delimiter.
inline std::size_t readField(std::string_view bytes, std::size_t position,
                             std::string_view& value) {
    const std::size_t size = bytes.size();
    position = skipSpaces(bytes, position);
    if (position < size && bytes[position] == '"') {
        const char* start = bytes.data() + position + 1;
        const void* quote = std::memchr(start, '"', size - position - 1);
        std::size_t close =
            quote ? static_cast<std::size_t>(static_cast<const char*>(quote) - bytes.data()) : size;
        value = bytes.substr(position + 1, close - position - 1);
        position = close < size ? close + 1 : size;
        if (position < size && bytes[position] == ',')
            return position + 1;
        return skipLineEnd(bytes, position);
    }
    std::size_t end = findDelimiter(bytes, position);
    value = bytes.substr(position, end - position);
    if (end < size && bytes[end] == ',')
        return end + 1;
    return skipLineEnd(bytes, end);
}

} // namespace

bool FieldReader::next(std::string_view& value) {
    value = {};
    if (atEnd())
        return false;
    position_ = readField(bytes_, position_, value);
    return true;
}

bool FieldReader::atQuotedField() const {
    const std::size_t start = skipSpaces(bytes_, position_);
    return start < bytes_.size() && bytes_[start] == '"';
}

void readValue(FieldReader& reader, std::string_view& target) {
    reader.next(target);
    reader.skip();
}

void readValue(FieldReader& reader, std::string& target) {
    std::string_view value;
    readValue(reader, value);
    target.assign(value);
}

std::optional<int> decimalValue(std::string_view field) {
    if (field.empty() ||
        !std::all_of(field.begin(), field.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    int number = 0;
    const std::from_chars_result parsed =
        std::from_chars(field.data(), field.data() + field.size(), number);
    if (parsed.ec != std::errc() || parsed.ptr != field.data() + field.size())
        return std::nullopt;
    return number;
}

int entryNumberOfField(std::string_view field) {
    constexpr std::size_t kMostDigits = 5;
    const std::optional<int> number =
        field.size() <= kMostDigits ? decimalValue(field) : std::nullopt;
    return number && ScoreArchive::isEntryNumber(*number) ? *number : 0;
}

std::string_view nextLine(std::string_view bytes, std::size_t& position) {
    const std::size_t start = std::min(position, bytes.size());
    std::size_t end = start;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
        ++end;
    position = skipLineEnd(bytes, end);
    return bytes.substr(start, end - start);
}

std::size_t countFields(std::string_view bytes) {
    std::size_t count = 0;
    std::size_t position = 0;
    std::string_view value;
    while (position < bytes.size()) {
        position = readField(bytes, position, value);
        ++count;
    }
    return count;
}

std::size_t recordsFromFieldCount(std::size_t fields, std::size_t header, std::size_t width) {
    if (fields <= header || width == 0)
        return 0;
    std::size_t body = fields - header;
    std::size_t whole = body / width;
    std::size_t rest = body % width;
    // Compare 2 * rest with width: above half rounds up, exactly half goes to the even one.
    if (2 * rest > width || (2 * rest == width && whole % 2 == 1))
        ++whole;
    return whole;
}

} // namespace folio
