// Fuzzes the version record reader and the one way a name read from a record becomes a path:
// any bytes read without harm, a record read back from its own text is the same record, and a
// name taken from it either is refused or leads to a page or recording inside the installation.
#include "core/files/installation.h"
#include "core/versions/versions.h"
#include "data_file_check.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

using folio::fuzz::require;

namespace {

// Inside root, below its data folder, climbing nowhere.
bool staysInside(const std::filesystem::path& path, const std::filesystem::path& root) {
    const std::filesystem::path relative = path.lexically_relative(root);
    if (relative.empty() || *relative.begin() != "spartiti")
        return false;
    for (const std::filesystem::path& part : relative) {
        if (part == ".." || part == "." || part.has_root_name())
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const folio::Installation installation("/stand");

    // Any bytes, taken as one name, become a path only inside the installation.
    if (const auto path = installation.storedEntryFile(bytes)) {
        require(staysInside(*path, installation.root()), "a stored name stays inside");
        require(folio::storedName(*folio::entryFileNamed(bytes)) == bytes,
                "an accepted name is written back exactly as it was read");
    }
    const std::filesystem::path built = installation.resolve(bytes);
    for (const std::filesystem::path& part : built.lexically_relative(installation.root()))
        require(part != "..", "a built name never climbs out of the installation");

    const std::optional<folio::VersionRecord> record = folio::readVersionRecord(bytes);
    if (!record)
        return 0;
    const std::optional<folio::VersionRecord> again = folio::readVersionRecord(record->text());
    require(again.has_value() && again->lines == record->lines,
            "a record reads back from its own text as it was");
    for (const auto& [key, value] : record->lines) {
        const std::string_view name = std::string_view(value).substr(0, value.find(' '));
        if (const auto path = installation.storedEntryFile(name))
            require(staysInside(*path, installation.root()),
                    "a page or recording named in a record stays inside");
    }
    return 0;
}
