// The upgrade's copying: the six files land byte for byte, the musician's data stays, and a
// failure names what was not done without touching anything it did not finish.
#include "core/files/installation.h"
#include "support/fault_injection.h"
#include "support/temp_installation.h"
#include "upgrade/copy_list.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace folio::upgrade {
namespace {

namespace fs = std::filesystem;
using test::folderContents;
using test::TempInstallation;

// The delivery beside the tool: each file holds its own name, the program a runnable mode.
struct Delivery {
    TempInstallation folder{false};
    Delivery() {
        for (const CopyRow& row : kCopyList)
            folder.write(row.source, "delivered " + std::string(row.source) + "\r\n");
        fs::permissions(folder.path(kProgramFile),
                        fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    }
    std::string bytes(const CopyRow& row) const { return folder.read(row.source); }
};

// An installation of the previous version: its page, the data folders, an archive.
struct OlderStand {
    TempInstallation folder;
    OlderStand() {
        folder.write("lumivora_4.html", "<html>old page</html>");
        folder.write("spartiti\\archivio.js", "var archivio = [\r\n ];\r\n");
        folder.write("spartiti\\images\\logo.png", "old logo");
    }
};

TEST(Upgrade, existingPlaylistAndMidiFiles_areKeptByteForByte) {
    struct Case {
        std::vector<std::string_view> own;
    };
    const Case cases[] = {{{"spartiti\\playlist.js"}},
                          {{"spartiti\\midi.js"}},
                          {{"spartiti\\midi.js", "spartiti\\playlist.js"}}};
    for (const Case& c : cases) {
        Delivery delivery;
        OlderStand stand;
        for (std::string_view name : c.own)
            stand.folder.write(name, "var own = [\r\n\"mine\",\r\n ];\r\n");
        UpgradeResult result = upgradeFolder(delivery.folder.root(), stand.folder.root());
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(result.kept.size(), c.own.size());
        EXPECT_EQ(result.copied.size() + result.kept.size(), kCopyList.size());
        for (const CopyRow& row : kCopyList) {
            const bool own = std::find(c.own.begin(), c.own.end(), row.destination) != c.own.end();
            EXPECT_EQ(stand.folder.read(row.destination),
                      own ? "var own = [\r\n\"mine\",\r\n ];\r\n" : delivery.bytes(row))
                << row.destination;
        }
    }
}

// Whatever is missing or stands in the way, the message names it and nothing in the target
// changes: the targets are checked with the sources, before the first copy.
TEST(Upgrade, somethingMissingOrInTheWay_copiesNothingAndNamesIt) {
    struct Case {
        const char* what;
        std::function<void(Delivery&, OlderStand&)> remove;
        std::string named;
    };
    auto folderAt = [](std::string_view name) {
        return [name](Delivery&, OlderStand& s) { fs::create_directory(s.folder.path(name)); };
    };
    const Case cases[] = {
        {"a delivered page",
         [](Delivery& d, OlderStand&) { fs::remove(d.folder.path("ricerca_pro.html")); },
         "ricerca_pro.html"},
        {"the program",
         [](Delivery& d, OlderStand&) {
             fs::remove(d.folder.path(kProgramFile));
             fs::create_directory(d.folder.path(kProgramFile));
         },
         std::string(kProgramFile)},
        {"the images folder",
         [](Delivery&, OlderStand& s) { fs::remove_all(s.folder.path("spartiti\\images")); },
         nativeRelativePath("spartiti\\images").string()},
        {"the data folder",
         [](Delivery&, OlderStand& s) { fs::remove_all(s.folder.path("spartiti")); }, "spartiti"},
        {"a folder in place of the old program", folderAt(kProgramDestination),
         std::string(kProgramDestination) + "\" cannot be replaced: a folder"},
        {"a folder in place of midi.js", folderAt("spartiti\\midi.js"),
         "midi.js\" cannot be replaced: a folder"},
        {"a folder in place of the last file", folderAt("spartiti\\ricerca_pro.html"),
         "ricerca_pro.html\" cannot be replaced: a folder"},
#ifndef _WIN32
        {"a link to nothing in place of the new page",
         [](Delivery&, OlderStand& s) {
             fs::create_symlink(s.folder.path("gone.html"), s.folder.path("lumivora_pro.html"));
         },
         "lumivora_pro.html\" cannot be replaced: a link"},
        {"a pipe in place of the icon",
         [](Delivery&, OlderStand& s) {
             ::mkfifo(s.folder.path("spartiti\\images\\iconamidi.png").c_str(), 0644);
         },
         "iconamidi.png\" cannot be replaced: it is not a regular file"},
#endif
    };
    for (const Case& c : cases) {
        Delivery delivery;
        OlderStand stand;
        c.remove(delivery, stand);
        const auto before = folderContents(stand.folder.root());
        UpgradeResult result = upgradeFolder(delivery.folder.root(), stand.folder.root());
        EXPECT_FALSE(result.ok) << c.what;
        EXPECT_TRUE(result.error.starts_with("Nothing was copied.")) << result.error;
        EXPECT_NE(result.error.find(c.named), std::string::npos) << c.what << ": " << result.error;
        EXPECT_TRUE(result.copied.empty()) << c.what;
        EXPECT_EQ(folderContents(stand.folder.root()), before) << c.what;
    }
}

// A write that fails part-way (a full disk; the size limit stops root too) leaves the replaced
// program whole, and the next try finishes the upgrade. On Windows the old program is still
// running instead, which keeps it from being replaced.
TEST(Upgrade, failingWriteOfTheProgram_keepsTheOldProgramAndWorksOnRetry) {
    Delivery delivery;
    delivery.folder.write(kProgramFile, std::string(300000, 'P'));
    OlderStand stand;
    stand.folder.write(kProgramDestination, "old program");
    stand.folder.write("spartiti\\playlist.js", "own playlists");
    UpgradeRun run;
    {
#ifdef _WIN32
        test::FileHeldOpen running(stand.folder.path(kProgramDestination));
        ASSERT_TRUE(running.held());
#else
        test::FileSizeLimit limit(100000);
#endif
        UpgradeResult result = upgradeFolder(delivery.folder.root(), stand.folder.root(), run);
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.error.find(std::string(kProgramDestination) + " was not copied"),
                  std::string::npos)
            << result.error;
        EXPECT_NE(result.error.find(
                      "Already copied: " + nativeRelativePath("spartiti\\midi.js").string() + ", " +
                      nativeRelativePath("spartiti\\images\\iconamidi.png").string() + "."),
                  std::string::npos)
            << result.error;
    }
    EXPECT_EQ(stand.folder.read(kProgramDestination), "old program");
    EXPECT_EQ(stand.folder.read("spartiti\\midi.js"), delivery.folder.read("midi.js"));
    EXPECT_FALSE(stand.folder.exists("lumivora_pro.html"));
    EXPECT_EQ(stand.folder.temporaryFileCount(), 0);

    // The retry in the same run keeps only what was the musician's before the first copy: the
    // midi.js it delivered itself is not called theirs.
    UpgradeResult retry = upgradeFolder(delivery.folder.root(), stand.folder.root(), run);
    ASSERT_TRUE(retry.ok) << retry.error;
    EXPECT_EQ(retry.kept,
              std::vector<std::string>{nativeRelativePath("spartiti\\playlist.js").string()});
    EXPECT_EQ(stand.folder.read("spartiti\\playlist.js"), "own playlists");
    EXPECT_EQ(stand.folder.read("spartiti\\midi.js"), delivery.folder.read("midi.js"));
    EXPECT_EQ(stand.folder.read(kProgramDestination), std::string(300000, 'P'));
}

} // namespace
} // namespace folio::upgrade
