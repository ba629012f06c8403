// Reading generi.js through the shared field reader.
#include "audio/category_list.h"

#include "archive/field_reader.h"
#include "platform/file_ops.h"

namespace folio {
namespace {

constexpr std::string_view kClosingLine = "];";

} // namespace

int readCategoryNames(std::string_view bytes, std::array<std::string, 201>& names) {
    FieldReader reader(bytes);
    reader.skip();
    int found = 0;
    bool ended = false;
    for (int i = 1; i <= kCategoryCount; ++i) {
        std::string_view name;
        // A short list ends with the array's closing line, which is no category.
        ended = ended || !reader.next(name) || name == kClosingLine;
        if (ended)
            name = {};
        else
            found = i;
        names[static_cast<std::size_t>(i)].assign(name);
        reader.skip();
    }
    return found;
}

CategoryLoad loadCategoryNames(const Installation& installation,
                               std::array<std::string, 201>& names) {
    std::optional<std::string> bytes = readWholeFile(installation.resolve(kCategoryFileName));
    CategoryLoad load;
    load.fileFound = bytes.has_value();
    load.count = readCategoryNames(bytes ? *bytes : std::string_view(), names);
    return load;
}

} // namespace folio
