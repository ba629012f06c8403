// Reading generi.js through the shared field reader.
#include "core/categories/category_list.h"

#include "core/files/file_ops.h"
#include "core/files/read_limits.h"
#include "core/format/field_reader.h"

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
    const FileRead file =
        readWholeFile(installation.resolve(kCategoryFileName), kCategoryFileLimit);
    CategoryLoad load;
    load.fileFound = file.ok();
    load.count = readCategoryNames(file.bytes, names);
    return load;
}

} // namespace folio
