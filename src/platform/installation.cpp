// Path building for names written with backslashes.
#include "platform/installation.h"

#include <utility>

namespace folio {

std::filesystem::path nativeRelativePath(std::string_view backslashName) {
    std::filesystem::path result;
    std::size_t start = 0;
    while (start <= backslashName.size()) {
        std::size_t end = backslashName.find_first_of("\\/", start);
        if (end == std::string_view::npos)
            end = backslashName.size();
        std::string_view part = backslashName.substr(start, end - start);
        if (!part.empty() && part != ".")
            result /= std::filesystem::path(std::string(part));
        start = end + 1;
    }
    return result;
}

Installation::Installation(std::filesystem::path root) : root_(std::move(root)) {}

std::filesystem::path Installation::resolve(std::string_view backslashName) const {
    return root_ / nativeRelativePath(backslashName);
}

bool Installation::hasDataFolder() const {
    std::error_code ec;
    return std::filesystem::is_directory(resolve("spartiti"), ec);
}

} // namespace folio
