// What the upgrade tool delivers: the six files it copies from beside itself into an older
// installation folder, and the upgrade that checks and copies them.
#pragma once

#include <array>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace folio::upgrade {

// The main program's file: on Windows the executable carries its suffix, elsewhere it has none.
#ifdef _WIN32
inline constexpr std::string_view kProgramFile = "Folioscribe_pro.exe";
inline constexpr std::string_view kProgramDestination = "Folioscribe_pro.exe";
#else
inline constexpr std::string_view kProgramFile = "Folioscribe_pro";
inline constexpr std::string_view kProgramDestination = "Folioscribe_pro";
#endif

// One delivered file: its name beside the tool, and where it goes in the upgraded folder
// (written the stand's way, relative to that folder).
struct CopyRow {
    std::string_view source;
    std::string_view destination;
    // The musician's own data: an existing file is kept, the delivered one only fills a gap.
    bool keepExisting = false;
};

// The copy list, in the order of copying.
inline constexpr std::array<CopyRow, 6> kCopyList{{
    {"midi.js", "spartiti\\midi.js", true},
    {"playlist.js", "spartiti\\playlist.js", true},
    {"iconamidi.png", "spartiti\\images\\iconamidi.png"},
    {kProgramFile, kProgramDestination},
    {"lumivora_pro.html", "lumivora_pro.html"},
    {"ricerca_pro.html", "spartiti\\ricerca_pro.html"},
}};

// The folders an older installation holds and the upgrade copies into; it creates none.
inline constexpr std::array<std::string_view, 2> kTargetFolders{"spartiti", "spartiti\\images"};

// The page that marks a folder of the previous version; the name is compared exactly.
inline constexpr std::string_view kOldPage = "lumivora_4.html";

struct [[nodiscard]] UpgradeResult {
    bool ok = true;
    // What could not be done, and what was done before it (empty on success).
    std::string error;
    // The files copied, and the musician's files kept, by destination name.
    std::vector<std::string> copied;
    std::vector<std::string> kept;
};

// What one run of the tool has copied, over all its tries: a data file it delivered itself is
// never taken for the musician's own on a later try, and is delivered again.
struct UpgradeRun {
    std::set<std::filesystem::path> delivered;
};

// What stops an upgrade before it starts, one sentence each: a delivered file that is not a
// readable file in deliveryFolder; in targetFolder, a missing folder of kTargetFolders, a
// folder that takes no new file, or something other than a regular file (a folder, a link) at
// a destination's name.
std::vector<std::string> missingForUpgrade(const std::filesystem::path& deliveryFolder,
                                           const std::filesystem::path& targetFolder,
                                           const UpgradeRun& run = {});

// Checks, then copies the list in order. Copies already made stay when a later one fails
// (each is complete); anything the check finds stops the upgrade before anything is copied.
// run carries what earlier tries of the same run delivered, and gains what this one copies.
UpgradeResult upgradeFolder(const std::filesystem::path& deliveryFolder,
                            const std::filesystem::path& targetFolder, UpgradeRun& run);

// A single try, as a run of its own.
UpgradeResult upgradeFolder(const std::filesystem::path& deliveryFolder,
                            const std::filesystem::path& targetFolder);

} // namespace folio::upgrade
