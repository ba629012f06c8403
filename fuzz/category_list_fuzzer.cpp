// Fuzzes the category list reader: at most 33 names land in slots 1 to 33 and nowhere else,
// each is the field the reading rule gives at its place, and a list written from them reads
// back as their safe forms.
#include "core/categories/category_list.h"
#include "core/format/field_reader.h"
#include "core/format/line_writer.h"
#include "data_file_check.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using folio::fuzz::require;
using Names = std::array<std::string, 201>;

namespace {

constexpr std::size_t kSlotsRead = folio::kCategoryCount + 1;

// Names as the reading rule gives them, read field by field on their own: field 1 skipped,
// then every other field, up to a missing field or the array's closing line.
std::vector<std::string_view> expectedNames(std::string_view bytes) {
    std::vector<std::string_view> names;
    folio::FieldReader reader(bytes);
    std::string_view field;
    reader.next(field);
    while (names.size() < static_cast<std::size_t>(folio::kCategoryCount) && reader.next(field) &&
           field != "];") {
        names.push_back(field);
        reader.next(field);
    }
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // Slots the reader must not touch carry a mark; slots 1 to 33 hold leftovers of an earlier
    // load, which the reader must replace.
    static Names names;
    for (std::size_t i = 0; i < names.size(); ++i)
        names[i] = i < kSlotsRead && i > 0 ? "left over" : "untouched";

    const int count = folio::readCategoryNames(bytes, names);
    require(count >= 0 && count <= folio::kCategoryCount, "at most 33 categories load");
    require(names[0] == "untouched", "slot 0 is never a category");
    for (std::size_t i = kSlotsRead; i < names.size(); ++i)
        require(names[i] == "untouched", "slots above 33 are never written");

    const std::vector<std::string_view> expected = expectedNames(bytes);
    require(static_cast<std::size_t>(count) == expected.size(),
            "the count is the number of names the file holds");
    for (std::size_t i = 1; i < kSlotsRead; ++i)
        require(names[i] == (i <= expected.size() ? expected[i - 1] : std::string_view()),
                "each slot holds its field, or nothing past the last name");

    // A category list written from these names reads back as their safe forms.
    folio::LineWriter writer;
    writer.line("var generi = [");
    for (int i = 1; i <= count; ++i)
        writer.quotedValue(names[static_cast<std::size_t>(i)]);
    writer.line(" ];");
    folio::fuzz::requireWellFormed(writer.bytes(), "var generi = [",
                                   static_cast<std::size_t>(count));
    Names again;
    require(folio::readCategoryNames(writer.bytes(), again) == count,
            "a written list gives back its count");
    for (int i = 1; i <= count; ++i)
        require(again[static_cast<std::size_t>(i)] ==
                    folio::safeFieldValue(names[static_cast<std::size_t>(i)]),
                "a written name reads back as its safe form");
    return 0;
}
