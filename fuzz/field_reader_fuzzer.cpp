// Fuzzes the reading rule: the reader and the counting pass agree, every field stays inside
// the bytes, and any value written by the line writer reads back as its safe form.
#include "core/format/field_reader.h"
#include "core/format/line_writer.h"
#include "data_file_check.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using folio::fuzz::require;

namespace {

bool inside(std::string_view part, std::string_view whole) {
    return part.empty() || (part.data() >= whole.data() &&
                            part.data() + part.size() <= whole.data() + whole.size());
}

// True if records is (fields - header) / width rounded to the nearest integer, a half going
// to the even neighbour (no fields beyond the header give none).
bool isRoundedHalfToEven(std::size_t records, std::size_t fields, std::size_t header,
                         std::size_t width) {
    if (fields <= header)
        return records == 0;
    const long long body = static_cast<long long>(fields - header);
    const long long twiceDistance = 2 * (body - static_cast<long long>(records * width));
    const long long w = static_cast<long long>(width);
    if (twiceDistance == w || twiceDistance == -w)
        return records % 2 == 0;
    return twiceDistance < w && twiceDistance > -w;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    std::vector<std::string_view> fields;
    folio::FieldReader reader(bytes);
    std::string_view value;
    while (reader.next(value)) {
        require(inside(value, bytes), "a field lies inside the bytes");
        require(fields.size() < size, "every field consumes at least one byte");
        fields.push_back(value);
    }
    require(value.empty(), "the reader hands out nothing at the end");
    require(reader.atEnd(), "reading stops only at the end");
    require(folio::countFields(bytes) == fields.size(), "the counting pass agrees with the reader");

    // What the writer makes of these fields reads back as their safe forms, each followed by
    // the empty field of its line end.
    folio::LineWriter writer;
    writer.line("var data = [");
    for (std::string_view field : fields)
        writer.quotedValue(field);
    writer.line(" ];");
    std::vector<std::string_view> written =
        folio::fuzz::requireWellFormed(writer.bytes(), "var data = [", fields.size());
    folio::FieldReader again(writer.bytes());
    require(again.next(value) && value == "var data = [", "the header reads as one field");
    for (std::size_t i = 0; i < fields.size(); ++i) {
        require(again.next(value) && value == folio::safeFieldValue(fields[i]) &&
                    value == written[i],
                "a written value reads back as its safe form");
        require(again.next(value) && value.empty(), "a value line ends with an empty field");
    }
    require(again.next(value) && value == "];", "the last line reads as one field");
    require(!again.next(value), "nothing follows the last line");
    require(folio::countFields(writer.bytes()) == 2 * fields.size() + 2,
            "a file of n values has 2 n + 2 fields");

    // The rounding of record counts, against the slow way, for counts taken from the input.
    if (size >= 4) {
        std::size_t header = data[0] % 4;
        std::size_t width = 1 + data[1] % 12;
        std::size_t count = static_cast<std::size_t>(data[2]) << 8 | data[3];
        require(isRoundedHalfToEven(folio::recordsFromFieldCount(count, header, width), count,
                                    header, width),
                "record counts round half to even");
    }
    return 0;
}
