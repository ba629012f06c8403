// The one reading rule of every data file: a sequence of comma- or line-delimited fields, a
// field in double quotes running to its closing quote.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace folio {

// Reads fields one after the other from the bytes of a whole file. The views it hands out
// point into those bytes, which must outlive them.
class FieldReader {
public:
    explicit FieldReader(std::string_view bytes) : bytes_(bytes) {}

    // True once the last byte has been consumed: no further field can be read.
    bool atEnd() const { return position_ >= bytes_.size(); }

    // Where the next field starts: a reader made on the bytes from here on reads the same
    // fields as this one goes on to read.
    std::size_t position() const { return position_; }

    // Goes on from position, where a field starts, as a reader made on the bytes from there.
    void moveTo(std::size_t position) { position_ = position; }

    // Reads the next field into value. Returns false (and leaves value empty) at the end.
    bool next(std::string_view& value);

    // True if the next field is written in double quotes (spaces before it are skipped).
    bool atQuotedField() const;

    // Skips the next field. Returns false at the end.
    bool skip() {
        std::string_view ignored;
        return next(ignored);
    }

private:
    std::string_view bytes_;
    std::size_t position_ = 0;
};

// Reads the value of a value line ("value",): the value into target, and drops the empty field
// after its comma. At the end, target is left empty.
void readValue(FieldReader& reader, std::string_view& target);
void readValue(FieldReader& reader, std::string& target);

// The number a field of decimal digits only gives ("012" gives 12); nothing for an empty field,
// a field with any other character (a sign, a space) or a number that does not fit an int.
std::optional<int> decimalValue(std::string_view field);

// The entry number a field of at most five decimal digits names ("00012" names 12), or 0 when
// it names none: any other character, more digits, or a number outside 1 to 9999.
int entryNumberOfField(std::string_view field);

// The line of bytes that starts at position, without its line end (CR LF, or a lone CR or LF,
// as for fields); position moves past the line end.
std::string_view nextLine(std::string_view bytes, std::size_t& position);

// How many fields the whole of bytes yields under the reading rule.
std::size_t countFields(std::string_view bytes);

// Records derived from a field count: (fields - header) / width, rounded to the nearest
// integer with halves going to the even neighbour; never below zero.
std::size_t recordsFromFieldCount(std::size_t fields, std::size_t header, std::size_t width);

} // namespace folio
