// playlist.js byte for byte: reading what older files hold, writing back replaced, added and
// deleted playlists, and the writes that must leave the file as it was.
#include "core/files/read_limits.h"
#include "core/playlists/playlist_store.h"
#include "support/data_files.h"
#include "support/fault_injection.h"
#include "support/temp_installation.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace folio {
namespace {

using test::crlf;

const std::string kEmptyFile = crlf({"var playlist = [", " ];"});
const std::string kExample =
    crlf({"var playlist = [", R"("Sunday","12,5,7,#",)", R"("Warm-up","#",)", " ];"});

TEST(PlaylistRead, fileForms_giveTheirPlaylistsInOrderAndCountUnreadLines) {
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<Playlist> expected;
        int unreadLines;
    };
    const std::string a = R"("A","1,#",)";
    const std::string b = R"("B","2,#",)";
    const std::vector<Case> cases = {
        {"empty file", kEmptyFile, {}, 0},
        {"two playlists", kExample, {{"Sunday", "12,5,7,#"}, {"Warm-up", "#"}}, 0},
        {"no closing line keeps the last playlist",
         crlf({"var playlist = [", R"("Sunday","12,#",)", R"("Late","3,#",)"}),
         {{"Sunday", "12,#"}, {"Late", "3,#"}},
         0},
        {"a blank line shifts nothing",
         crlf({"var playlist = [", a, "", b, " ];"}),
         {{"A", "1,#"}, {"B", "2,#"}},
         1},
        {"closing line with a trailing blank",
         crlf({"var playlist = [", a, " ]; ", b}),
         {{"A", "1,#"}},
         0},
        {"closing line with inner blanks",
         crlf({"var playlist = [", a, "\t] ;", b}),
         {{"A", "1,#"}},
         0},
        {"damaged lines are counted",
         crlf({"var playlist = [", "\"Lost,\"1,#\",", a, "// note", R"("One value",)",
               R"("x","1,#","y",)", " ];"}),
         {{"A", "1,#"}},
         4},
        {"a record named like the closing line is a playlist",
         crlf({"var playlist = [", a, R"("];","2,#",)", b, " ];"}),
         {{"A", "1,#"}, {"];", "2,#"}, {"B", "2,#"}},
         0},
        {"names with commas and accents, LF line ends, no last comma",
         "var playlist = [\n\"Caf\xE9, late\",\"4,#\"\n ];\n",
         {{"Caf\xE9, late", "4,#"}},
         0},
        {"a lone header line", "var playlist = [", {}, 0},
        {"nothing at all", "", {}, 0},
    };
    for (const Case& c : cases) {
        const PlaylistFile read = readPlaylistFile(c.bytes);
        EXPECT_EQ(read.playlists, c.expected) << c.what;
        EXPECT_EQ(read.unreadLines, c.unreadLines) << c.what;
    }
}

TEST(PlaylistRead, moreThanCapacity_isHeldWholeAndWrittenBackUnchanged) {
    const std::string bytes = test::playlistFile(1200);
    const std::vector<Playlist> read = readPlaylistFile(bytes).playlists;
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
    EXPECT_EQ(store.read(), PlaylistFileState::Missing);
    ASSERT_TRUE(store.create().ok);
    EXPECT_EQ(stand.read("spartiti\\playlist.js"), kEmptyFile);
    EXPECT_EQ(store.read(), PlaylistFileState::Read);
    EXPECT_EQ(store.playlistCount(), 0);
    EXPECT_EQ(store.recordCount(), 1);
}

TEST(PlaylistStore, writeBack_replacesOnlyTheChosenPlaylistOrAdds) {
    struct Case {
        const char* what;
        std::optional<std::string> before; // nothing: no file
        std::optional<PlaylistPlace> replacing;
        std::string name, tracks;
        PlaylistWrite outcome;
        std::string after;
        std::size_t index; // where the playlist stands afterwards
    };
    const std::string full = test::playlistFile(PlaylistStore::kMaxPlaylists);
    std::string fullReplaced = full;
    fullReplaced.replace(fullReplaced.find("\"7,#\""), 5, "\"1,2,#\"");
    const PlaylistPlace sunday{0, {"Sunday", "12,5,7,#"}};
    const std::string sundayLine = R"("Sunday","12,5,7,#",)";
    const std::string warmUpLine = R"("Warm-up","#",)";
    const std::vector<Case> cases = {
        {"replace in place", kExample, sunday, "Sunday", "3,#", PlaylistWrite::Replaced,
         crlf({"var playlist = [", R"("Sunday","3,#",)", warmUpLine, " ];"}), 0},
        {"moved since it was read: replaced where it stands",
         crlf({"var playlist = [", R"("New","#",)", sundayLine, warmUpLine, " ];"}), sunday,
         "Sunday", "3,#", PlaylistWrite::Replaced,
         crlf({"var playlist = [", R"("New","#",)", R"("Sunday","3,#",)", warmUpLine, " ];"}), 1},
        {"no closing line keeps the last playlist",
         crlf({"var playlist = [", R"("Sunday","12,#",)"}), std::nullopt, "Late", "4,#",
         PlaylistWrite::Added,
         crlf({"var playlist = [", R"("Sunday","12,#",)", R"("Late","4,#",)", " ];"}), 1},
        {"the name of the closing line is refused", kExample, std::nullopt, "];", "1,#",
         PlaylistWrite::NameRefused, kExample, 0},
        {"an empty name is refused", kExample, sunday, "", "1,#", PlaylistWrite::NameRefused,
         kExample, 0},
        {"a vanished file is created with the playlist", std::nullopt, sunday, "Sunday", "2,#",
         PlaylistWrite::Added, crlf({"var playlist = [", R"("Sunday","2,#",)", " ];"}), 0},
        {"a full file refuses another playlist", full, std::nullopt, "One more", "1,#",
         PlaylistWrite::TooMany, full, 0},
        {"a full file still replaces", full, PlaylistPlace{6, {"List 7", "7,#"}}, "List 7", "1,2,#",
         PlaylistWrite::Replaced, fullReplaced, 6},
    };
    for (const Case& c : cases) {
        test::TempInstallation stand;
        if (c.before)
            stand.write("spartiti\\playlist.js", *c.before);
        PlaylistStore store(stand.installation());
        const PlaylistWriteResult result = store.writeBack(c.name, c.tracks, c.replacing);
        EXPECT_EQ(result.outcome, c.outcome) << c.what;
        EXPECT_EQ(stand.read("spartiti\\playlist.js"), c.after) << c.what;
        EXPECT_EQ(stand.temporaryFileCount(), 0) << c.what;
        if (result.written()) {
            EXPECT_EQ(result.place.index, c.index) << c.what;
            EXPECT_EQ(store.playlists().at(c.index), result.place.asRead) << c.what;
        }
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
    ASSERT_TRUE(store.writeBack("Sunday", "#", PlaylistPlace{0, store.playlists()[0]}).written());
    EXPECT_EQ(stand.read("spartiti\\playlist.js"),
              crlf({"var playlist = [", R"("Sunday","#",)", R"("Warm-up","#",)",
                    R"("Elsewhere","8,#",)", " ];"}));
    EXPECT_EQ(store.playlistCount(), 3);
}

// A delete takes the chosen playlist only, where it now stands, and nothing that has changed
// since it was read.
TEST(PlaylistStore, deletePlaylist_removesOnlyTheChosenPlaylist) {
    test::TempInstallation stand;
    const std::string before =
        crlf({"var playlist = [", R"("A","1,#",)", R"("B","2,#",)", R"("A","3,#",)", " ];"});
    stand.write("spartiti\\playlist.js", before);
    PlaylistStore store(stand.installation());
    EXPECT_EQ(store.deletePlaylist({2, {"A", "1,#"}}).outcome, PlaylistWrite::Replaced);
    EXPECT_EQ(stand.read("spartiti\\playlist.js"),
              crlf({"var playlist = [", R"("B","2,#",)", R"("A","3,#",)", " ];"}));
    EXPECT_EQ(store.deletePlaylist({0, {"A", "9,#"}}).outcome, PlaylistWrite::NotFound);
    EXPECT_TRUE(store.deletePlaylist({1, {"A", "3,#"}}).written());
    EXPECT_EQ(stand.read("spartiti\\playlist.js"),
              crlf({"var playlist = [", R"("B","2,#",)", " ];"}));
}

// POSIX only: Windows has no file size limit to make a write fail part-way.
#ifndef _WIN32
TEST(PlaylistStore, failedWrite_leavesTheFileAndSaysWhy) {
    test::TempInstallation stand;
    stand.write("spartiti\\playlist.js", kExample);
    const int code = test::runWithFileSizeLimit(40, [&] {
        PlaylistStore store(stand.installation());
        const PlaylistWriteResult added = store.writeBack("Evening", "1,2,3,#");
        const PlaylistWriteResult deleted = store.deletePlaylist({1, {"Warm-up", "#"}});
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

// Whatever stands at the file's name and cannot be read is reported and never written over,
// also when the tests run as root, who reads files whatever their permissions.
TEST(PlaylistStore, unreadableFile_isNeverWrittenOver) {
    namespace fs = std::filesystem;
    struct Case {
        const char* what;
        std::function<void(const test::TempInstallation&)> make;
    };
    const Case cases[] = {
        {"a folder",
         [](const test::TempInstallation& stand) {
             fs::create_directory(stand.path("spartiti\\playlist.js"));
         }},
#ifndef _WIN32
        {"a link to a share that is offline",
         [](const test::TempInstallation& stand) {
             fs::create_symlink(stand.path("offline\\playlist.js"),
                                stand.path("spartiti\\playlist.js"));
         }},
#endif
        {"a file larger than any playlist file",
         [](const test::TempInstallation& stand) {
             stand.write("spartiti\\playlist.js", kExample);
             fs::resize_file(stand.path("spartiti\\playlist.js"), kPlaylistFileLimit + 1);
         }},
    };
    for (const Case& unreadable : cases) {
        SCOPED_TRACE(unreadable.what);
        test::TempInstallation stand;
        unreadable.make(stand);
        const auto before = test::folderContents(stand.root());

        PlaylistStore store(stand.installation());
        EXPECT_EQ(store.read(), PlaylistFileState::Unreadable);
        EXPECT_NE(store.readError().find("playlist.js"), std::string::npos) << store.readError();
        EXPECT_EQ(store.writeBack("Evening", "#").outcome, PlaylistWrite::FileUnreadable);
        EXPECT_EQ(store.deletePlaylist({0, {"Sunday", "12,5,7,#"}}).outcome,
                  PlaylistWrite::FileUnreadable);
        EXPECT_EQ(test::folderContents(stand.root()), before);
    }
}

} // namespace
} // namespace folio
