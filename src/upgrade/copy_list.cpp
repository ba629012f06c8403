// The upgrade of an older installation: check everything first, then copy the list in order.
#include "upgrade/copy_list.h"

#include "core/files/file_ops.h"
#include "core/files/installation.h"

#include <fstream>
#include <optional>
#include <random>
#include <system_error>

namespace folio::upgrade {
namespace {

namespace fs = std::filesystem;

std::string quoted(const fs::path& path) {
    return "\"" + path.string() + "\"";
}

std::string shownName(std::string_view backslashName) {
    return nativeRelativePath(backslashName).string();
}

bool isReadableFile(const fs::path& path) {
    return fileExists(path) && std::ifstream(path, std::ios::binary).is_open();
}

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

fs::path destinationIn(const fs::path& targetFolder, const CopyRow& row) {
    return (targetFolder / nativeRelativePath(row.destination)).lexically_normal();
}

// A data file of the musician's own: there, and not delivered by this run.
bool isKept(const CopyRow& row, const fs::path& destination, const UpgradeRun& run) {
    return row.keepExisting && fileExists(destination) && !run.delivered.contains(destination);
}

// True if a new file can be made in folder: a file of an unused name is made and removed again.
// This is what replacing a file in it takes (the copy goes through a file beside the target).
bool takesNewFiles(const fs::path& folder) {
    std::random_device random;
    fs::path probe;
    std::error_code ec;
    do {
        probe = folder / (".upgrade-check-" + std::to_string(random()) + ".tmp");
    } while (fs::exists(fs::symlink_status(probe, ec)));
    if (!std::ofstream(probe, std::ios::binary).is_open())
        return false;
    fs::remove(probe, ec);
    return true;
}

// Why the file at destination cannot be replaced, or nothing if it can (or is not there).
std::optional<std::string> whyNotReplaceable(const fs::path& destination) {
    std::error_code ec;
    const fs::file_status standing = fs::symlink_status(destination, ec);
    const std::string cannot = "The file " + quoted(destination) + " cannot be replaced: ";
    switch (standing.type()) {
    case fs::file_type::not_found:
        return std::nullopt;
    case fs::file_type::regular:
#ifdef _WIN32
        // Windows refuses to replace a read-only file; elsewhere the folder decides.
        if ((standing.permissions() & fs::perms::owner_write) == fs::perms::none)
            return cannot + "it is read-only.";
#endif
        return std::nullopt;
    case fs::file_type::directory:
        return cannot + "a folder stands at its name.";
    case fs::file_type::symlink:
        return cannot + "a link stands at its name.";
    default:
        return cannot + "it is not a regular file.";
    }
}

} // namespace

std::vector<std::string> missingForUpgrade(const fs::path& deliveryFolder,
                                           const fs::path& targetFolder, const UpgradeRun& run) {
    std::vector<std::string> missing;
    for (const CopyRow& row : kCopyList) {
        const fs::path source = deliveryFolder / nativeRelativePath(row.source);
        if (!isReadableFile(source))
            missing.push_back("The delivered file " + quoted(source) +
                              " is missing or cannot be read.");
    }
    std::vector<std::string_view> folders{""};
    folders.insert(folders.end(), kTargetFolders.begin(), kTargetFolders.end());
    for (std::string_view name : folders) {
        const fs::path folder = name.empty()
                                    ? targetFolder
                                    : (targetFolder / nativeRelativePath(name)).lexically_normal();
        std::error_code ec;
        if (!fs::is_directory(folder, ec))
            missing.push_back("The folder " + quoted(folder) + " does not exist.");
        else if (!takesNewFiles(folder))
            missing.push_back("No file can be written in the folder " + quoted(folder) + ".");
    }
    for (const CopyRow& row : kCopyList) {
        const fs::path destination = destinationIn(targetFolder, row);
        if (isKept(row, destination, run))
            continue;
        if (std::optional<std::string> why = whyNotReplaceable(destination))
            missing.push_back(*why);
    }
    return missing;
}

UpgradeResult upgradeFolder(const fs::path& deliveryFolder, const fs::path& targetFolder) {
    UpgradeRun run;
    return upgradeFolder(deliveryFolder, targetFolder, run);
}

UpgradeResult upgradeFolder(const fs::path& deliveryFolder, const fs::path& targetFolder,
                            UpgradeRun& run) {
    UpgradeResult result;
    if (std::vector<std::string> missing = missingForUpgrade(deliveryFolder, targetFolder, run);
        !missing.empty()) {
        result.ok = false;
        result.error = "Nothing was copied.";
        for (const std::string& line : missing)
            result.error += "\n" + line;
        return result;
    }
    for (const CopyRow& row : kCopyList) {
        const fs::path target = destinationIn(targetFolder, row);
        if (isKept(row, target, run)) {
            result.kept.push_back(shownName(row.destination));
            continue;
        }
        const FileResult copied =
            copyReplacing(deliveryFolder / nativeRelativePath(row.source), target);
        if (!copied.ok) {
            result.ok = false;
            result.error = "The upgrade stopped: " + shownName(row.destination) +
                           " was not copied.\n" + copied.error;
            if (!result.copied.empty())
                result.error += "\nAlready copied: " + joined(result.copied) + ".";
            return result;
        }
        run.delivered.insert(target);
        result.copied.push_back(shownName(row.destination));
    }
    return result;
}

} // namespace folio::upgrade
