// playlist.js byte for byte: reading what older files hold, writing back replaced, added and
// deleted playlists, and the writes that must leave the file as it was.
#include "playlists/playlist_store.h"
#include "support/fault_injection.h"
#include "support/temp_installation.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace folio {
namespace {

using test::crlf;

const std::string kEmptyFile = crlf({"var playlist = [", " ];"});
const std::string kExample =
    crlf({"var playlist = [", R"("Sunday","12,5,7,#",)", R"("Warm-up","#",)", " ];"});

// A file of count playlists named "List 1" to "List <count>", each with one track.
std::string fileOf(int count) {
    std::string bytes = "var playlist = [\r\n";
    for (int i = 1; i <= count; ++i)
        bytes += "\"List " + std::to_string(i) + "\",\"" + std::to_string(i) + ",#\",\r\n";
    return bytes + " ];\r\n";
}

TEST(PlaylistRead, fileForms_giveTheirPlaylistsInOrder) {
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<Playlist> expected;
    };
    const std::vector<Case> cases = {
        {"empty file", kEmptyFile, {}},
        {"two playlists", kExample, {{"Sunday", "12,5,7,#"}, {"Warm-up", "#"}}},
        {"no closing line keeps the last playlist",
         crlf({"var playlist = [", R"("Sunday","12,#",)", R"("Late","3,#",)"}),
         {{"Sunday", "12,#"}, {"Late", "3,#"}}},
        {"no closing line and a blank line at the end",
         crlf({"var playlist = [", R"("Sunday","12,#",)", ""}),
         {{"Sunday", "12,#"}}},
        {"a record named like the closing line ends the file",
         crlf({"var playlist = [", R"("A","1,#",)", R"("];","2,#",)", R"("B","#",)", " ];"}),
         {{"A", "1,#"}}},
        {"names with commas and accents",
         "var playlist = [\n\"Caf\xE9, late\",\"4,#\",\n ];\n",
         {{"Caf\xE9, late", "4,#"}}},
        {"a lone header line", "var playlist = [", {}},
        {"nothing at all", "", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(readPlaylistFile(c.bytes), c.expected) << c.what;
}

TEST(PlaylistRead, moreThanCapacity_isHeldWholeAndWrittenBackUnchanged) {
    const std::string bytes = fileOf(1200);
    const std::vector<Playlist> read = readPlaylistFile(bytes);
    ASSERT_EQ(read.size(), 1200u);
    EXPECT_EQ(read.back(), (Playlist{"List 1200", "1200,#"}));
    EXPECT_EQ(playlistFileBytes(read), bytes);
}

TEST(TrackString, splitAndBuild) {
    const std::vector<std::pair<std::string, std::vector<int>>> splits = {
        {"12,5,7,#", {12, 5, 7}},
        {"#", {}},
        {"", {}},
        {"12,5", {12}},
        {"0,10000,,abc,-3, 4,5,4 5,#", {4, 5}},
        {"12, 5 ,\t7,#", {12, 5, 7}},
        {"0012,9999,99999999999999999999,#", {12, 9999}},
    };
    for (const auto& [tracks, numbers] : splits)
        EXPECT_EQ(splitTrackString(tracks), numbers) << tracks;
    EXPECT_EQ(buildTrackString({}), "#");
    EXPECT_EQ(buildTrackString({12, 5, 7}), "12,5,7,#");
}

TEST(PlaylistStore, createThenRead_givesTheTwoLineFileAndNoPlaylists) {
    test::TempInstallation stand;
    PlaylistStore store(stand.installation());
    EXPECT_FALSE(store.exists());
    EXPECT_EQ(store.read(), PlaylistFileState::Missing);
    ASSERT_TRUE(store.create().ok);
    EXPECT_TRUE(store.exists());
    EXPECT_EQ(stand.read("spartiti\\playlist.js"), kEmptyFile);
    EXPECT_EQ(store.read(), PlaylistFileState::Read);
    EXPECT_EQ(store.playlistCount(), 0);
    EXPECT_EQ(store.recordCount(), 1);
}

TEST(PlaylistStore, writeBack_rewritesTheFileExactly) {
    struct Case {
        const char* what;
        std::optional<std::string> before; // nothing: no file
        std::string edited, chosen, tracks;
        PlaylistWrite outcome;
        std::string after;
    };
    const std::string full = fileOf(PlaylistStore::kMaxPlaylists);
    std::string fullReplaced = full;
    fullReplaced.replace(fullReplaced.find("\"7,#\""), 5, "\"1,2,#\"");
    const std::vector<Case> cases = {
        {"replace in place", kExample, "Sunday", "Sunday", "3,#", PlaylistWrite::Replaced,
         crlf({"var playlist = [", R"("Sunday","3,#",)", R"("Warm-up","#",)", " ];"})},
        {"changed name adds at the end", kExample, "Evening", "Sunday", "1,#", PlaylistWrite::Added,
         crlf({"var playlist = [", R"("Sunday","12,5,7,#",)", R"("Warm-up","#",)",
               R"("Evening","1,#",)", " ];"})},
        {"same name as the box but new to the file", kExample, "Evening", "Evening", "#",
         PlaylistWrite::Added,
         crlf({"var playlist = [", R"("Sunday","12,5,7,#",)", R"("Warm-up","#",)",
               R"("Evening","#",)", " ];"})},
        {"duplicates all replaced",
         crlf({"var playlist = [", R"("A","1,#",)", R"("B","2,#",)", R"("A","3,#",)", " ];"}), "A",
         "A", "9,#", PlaylistWrite::Replaced,
         crlf({"var playlist = [", R"("A","9,#",)", R"("B","2,#",)", R"("A","9,#",)", " ];"})},
        {"case matters", kExample, "sunday", "sunday", "#", PlaylistWrite::Added,
         crlf({"var playlist = [", R"("Sunday","12,5,7,#",)", R"("Warm-up","#",)",
               R"("sunday","#",)", " ];"})},
        {"no closing line keeps the last playlist",
         crlf({"var playlist = [", R"("Sunday","12,#",)"}), "Late", "", "4,#", PlaylistWrite::Added,
         crlf({"var playlist = [", R"("Sunday","12,#",)", R"("Late","4,#",)", " ];"})},
        {"the name of the closing line is refused", kExample, "];", "", "1,#",
         PlaylistWrite::NameRefused, kExample},
        {"an empty name is refused", kExample, "", "", "1,#", PlaylistWrite::NameRefused, kExample},
        {"a vanished file is created with the playlist", std::nullopt, "Sunday", "Sunday", "2,#",
         PlaylistWrite::Added, crlf({"var playlist = [", R"("Sunday","2,#",)", " ];"})},
        {"a full file refuses another playlist", full, "One more", "", "1,#",
         PlaylistWrite::TooMany, full},
        {"a full file still replaces", full, "List 7", "List 7", "1,2,#", PlaylistWrite::Replaced,
         fullReplaced},
    };
    for (const Case& c : cases) {
        test::TempInstallation stand;
        if (c.before)
            stand.write("spartiti\\playlist.js", *c.before);
        PlaylistStore store(stand.installation());
        const PlaylistWriteResult result = store.writeBack(c.edited, c.chosen, c.tracks);
        EXPECT_EQ(result.outcome, c.outcome) << c.what;
        EXPECT_EQ(stand.read("spartiti\\playlist.js"), c.after) << c.what;
        EXPECT_EQ(stand.temporaryFileCount(), 0) << c.what;
    }
}

TEST(PlaylistStore, writeBack_readsTheFileAfreshSoOtherChangesSurvive) {
    test::TempInstallation stand;
    stand.write("spartiti\\playlist.js", kExample);
    PlaylistStore store(stand.installation());
    store.read();
    stand.write("spartiti\\playlist.js",
                crlf({"var playlist = [", R"("Sunday","12,5,7,#",)", R"("Warm-up","#",)",
                      R"("Elsewhere","8,#",)", " ];"}));
    ASSERT_TRUE(store.writeBack("Sunday", "Sunday", "#").written());
    EXPECT_EQ(stand.read("spartiti\\playlist.js"),
              crlf({"var playlist = [", R"("Sunday","#",)", R"("Warm-up","#",)",
                    R"("Elsewhere","8,#",)", " ];"}));
    EXPECT_EQ(store.playlistCount(), 3);
}

TEST(PlaylistStore, deletePlaylist_removesEveryRecordOfTheName) {
    test::TempInstallation stand;
    const std::string before =
        crlf({"var playlist = [", R"("A","1,#",)", R"("B","2,#",)", R"("A","3,#",)", " ];"});
    stand.write("spartiti\\playlist.js", before);
    PlaylistStore store(stand.installation());
    EXPECT_EQ(store.deletePlaylist("a").outcome, PlaylistWrite::NotFound);
    EXPECT_EQ(stand.read("spartiti\\playlist.js"), before);
    EXPECT_TRUE(store.deletePlaylist("A").written());
    EXPECT_EQ(stand.read("spartiti\\playlist.js"),
              crlf({"var playlist = [", R"("B","2,#",)", " ];"}));
    EXPECT_TRUE(store.deletePlaylist("B").written());
    EXPECT_EQ(stand.read("spartiti\\playlist.js"), kEmptyFile);
}

// POSIX only: Windows has no file size limit to make a write fail part-way.
#ifndef _WIN32
TEST(PlaylistStore, failedWrite_leavesTheFileAndSaysWhy) {
    test::TempInstallation stand;
    stand.write("spartiti\\playlist.js", kExample);
    const int code = test::runWithFileSizeLimit(40, [&] {
        PlaylistStore store(stand.installation());
        const PlaylistWriteResult added = store.writeBack("Evening", "", "1,2,3,#");
        const PlaylistWriteResult deleted = store.deletePlaylist("Warm-up");
        return added.outcome == PlaylistWrite::WriteFailed && !added.error.empty() &&
                       deleted.outcome == PlaylistWrite::WriteFailed
                   ? 0
                   : 1;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(stand.read("spartiti\\playlist.js"), kExample);
    EXPECT_EQ(stand.temporaryFileCount(), 0);
}
#endif

TEST(PlaylistStore, unreadableFile_isNeverWrittenOver) {
    test::TempInstallation stand;
    stand.write("spartiti\\playlist.js", kExample);
    const std::filesystem::path file = stand.path("spartiti\\playlist.js");
#ifdef _WIN32
    // Windows: another program holds the file locked.
    test::FileHeldOpen locker(file, GENERIC_READ, 0);
    ASSERT_TRUE(locker.held());
#else
    std::filesystem::permissions(file, std::filesystem::perms::none);
    if (readWholeFile(file)) {
        std::filesystem::permissions(file, std::filesystem::perms::owner_all);
        GTEST_SKIP() << "this user reads files without permission";
    }
#endif
    PlaylistStore store(stand.installation());
    EXPECT_EQ(store.read(), PlaylistFileState::Unreadable);
    EXPECT_EQ(store.writeBack("Evening", "", "#").outcome, PlaylistWrite::FileUnreadable);
    EXPECT_EQ(store.deletePlaylist("Sunday").outcome, PlaylistWrite::FileUnreadable);
#ifdef _WIN32
    locker.release();
#else
    std::filesystem::permissions(file, std::filesystem::perms::owner_all);
#endif
    EXPECT_EQ(stand.read("spartiti\\playlist.js"), kExample);
}

} // namespace
} // namespace folio
