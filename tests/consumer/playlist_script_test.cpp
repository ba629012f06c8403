// The browser pages load playlist.js as a script: every file the playlist store writes must
// load and declare the playlists as name and track string pairs.
#include "consumer/script_array.h"
#include "core/playlists/playlist_store.h"
#include "support/qt_printers.h"
#include "support/temp_installation.h"

#include <gtest/gtest.h>

namespace folio {
namespace {

TEST(PlaylistScript, everyWrittenFile_loadsAsPairsOfNameAndTracks) {
    test::TempInstallation stand;
    PlaylistStore store(stand.installation());
    const std::filesystem::path file = stand.path("spartiti\\playlist.js");
    ASSERT_TRUE(store.create().ok);
    EXPECT_EQ(test::loadScriptArray(file, "playlist"), QStringList{});

    ASSERT_TRUE(store.writeBack("Caf\xE9, late \x80", "12,5,7,#").written());
    ASSERT_TRUE(store.writeBack("Say \"hi\"\\", "#").written());
    ASSERT_TRUE(store.writeBack("];x", "1,#").written());
    EXPECT_EQ(
        test::loadScriptArray(file, "playlist"),
        (QStringList{QStringLiteral(u"Café, late €"), "12,5,7,#", "Say 'hi'/", "#", "];x", "1,#"}));

    ASSERT_TRUE(store.deletePlaylist({1, {"Say 'hi'/", "#"}}).written());
    EXPECT_EQ(test::loadScriptArray(file, "playlist"),
              (QStringList{QStringLiteral(u"Café, late €"), "12,5,7,#", "];x", "1,#"}));
}

} // namespace
} // namespace folio
