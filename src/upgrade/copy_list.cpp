// The upgrade of an older installation: check everything first, then copy the list in order.
#include "upgrade/copy_list.h"

#include "platform/file_ops.h"
#include "platform/installation.h"

#include <fstream>
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

} // namespace

std::vector<std::string> missingForUpgrade(const fs::path& deliveryFolder,
                                           const fs::path& targetFolder) {
    std::vector<std::string> missing;
    for (const CopyRow& row : kCopyList) {
        const fs::path source = deliveryFolder / nativeRelativePath(row.source);
        if (!isReadableFile(source))
            missing.push_back("The delivered file " + quoted(source) +
                              " is missing or cannot be read.");
    }
    for (std::string_view name : kTargetFolders) {
        const fs::path folder = targetFolder / nativeRelativePath(name);
        std::error_code ec;
        if (!fs::is_directory(folder, ec))
            missing.push_back("The folder " + quoted(folder) + " does not exist.");
    }
    return missing;
}

UpgradeResult upgradeFolder(const fs::path& deliveryFolder, const fs::path& targetFolder) {
    UpgradeResult result;
    if (std::vector<std::string> missing = missingForUpgrade(deliveryFolder, targetFolder);
        !missing.empty()) {
        result.ok = false;
        result.error = "Nothing was copied.";
        for (const std::string& line : missing)
            result.error += "\n" + line;
        return result;
    }
    for (const CopyRow& row : kCopyList) {
        const fs::path target = targetFolder / nativeRelativePath(row.destination);
        if (row.keepExisting && fileExists(target)) {
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
        result.copied.push_back(shownName(row.destination));
    }
    return result;
}

} // namespace folio::upgrade
