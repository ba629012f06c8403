// Retention: which versions are pruned, and what of them.
#include "core/versions/version_folder.h"
#include "core/versions/versions.h"

#include <map>

namespace folio {

using namespace version_folder;

namespace {

// The room a version takes: its kept file alone. What an absorption set aside beside it is the
// musician's, not the version's.
std::uint64_t versionBytes(const Version& version) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(version.dataPath(), ec);
    return ec ? 0 : size;
}

} // namespace

std::vector<fs::path> pruneVersions(const Installation& installation, const Retention& retention,
                                    const fs::path& justKept) {
    std::vector<Version> versions = listVersions(installation);
    std::erase_if(versions, [](const Version& v) { return !v.recorded; });
    // Versions come newest first: the place of each among those of its file.
    std::map<std::string, std::size_t> seen;
    std::size_t absorptions = 0;
    std::vector<bool> keep(versions.size());
    std::vector<bool> protect(versions.size());
    for (std::size_t k = 0; k < versions.size(); ++k) {
        const std::size_t place = seen[versions[k].keptName()]++;
        protect[k] = place < retention.protectedPerFile || versions[k].folder == justKept;
        keep[k] = place < retention.newestPerFile;
        // Every absorption counts towards the newest ones, also those kept anyway.
        if (versions[k].what == "absorption" && absorptions++ < retention.newestAbsorptions)
            keep[k] = true;
    }
    std::vector<fs::path> removed;
    const auto remove = [&](const Version& version) {
        if (removeVersion(version.folder, version.dataPath()))
            removed.push_back(version.folder);
    };
    std::uint64_t total = 0;
    std::vector<std::uint64_t> bytes(versions.size());
    for (std::size_t k = 0; k < versions.size(); ++k) {
        if (keep[k] || protect[k]) {
            bytes[k] = versionBytes(versions[k]);
            total += bytes[k];
            continue;
        }
        remove(versions[k]);
    }
    for (std::size_t k = versions.size(); k-- > 0 && total > retention.totalBytes;) {
        if (!keep[k] || protect[k])
            continue;
        remove(versions[k]);
        total -= bytes[k];
    }
    return removed;
}

} // namespace folio
