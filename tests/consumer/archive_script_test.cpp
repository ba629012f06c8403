// The browser pages load archivio.js as a script: what we write must load and mean what we
// hold in memory.
#include "consumer/script_array.h"
#include "core/absorption/absorption.h"
#include "core/archive/score_archive.h"
#include "platform/cp1252.h"
#include "support/qt_printers.h"
#include "support/temp_installation.h"

#include <gtest/gtest.h>
#include <optional>

namespace folio {
namespace {

TEST(ArchiveScript, writtenArchive_loadsAsArrayOfFiveStringsPerEntry) {
    test::TempInstallation stand;
    ScoreArchive archive;
    archive.slot(1) = {"", "Hello, world", "Zo\xEB \x80 Caf\xE9", "rock pop", "12"};
    archive.slot(2) = {"", "Say \"hi\"", "trail\\", "a\r\nb", ""};
    archive.setEntryCount(2);
    ASSERT_TRUE(saveArchive(archive, stand.installation()).ok);

    std::optional<QStringList> values =
        test::loadScriptArray(stand.path("spartiti\\archivio.js"), "archivio");
    ASSERT_TRUE(values.has_value()) << "node could not load the written archive";
    EXPECT_EQ(*values, (QStringList{"1", "Hello, world", QStringLiteral(u"Zoë € Café"), "rock pop",
                                    "12", "2", "Say 'hi'", "trail/", "a  b", "0"}));
}

// Another stand's file may hold what ours never writes, such as a backslash at a value's end.
TEST(ArchiveScript, absorbedEntries_loadWithTheArchive) {
    test::TempInstallation here;
    test::TempInstallation other;
    other.write("spartiti\\archivio.js",
                test::crlf({"var archivio = [", "\"4\",", "\"Back\\slash\\\",", "\"Caf\xE9\",",
                            "\"\",", "\"\",", " ];"}));
    SourceArchive source;
    ASSERT_EQ(loadSourceArchive(other.root(), source), SourceLoad::Loaded);
    ScoreArchive archive;
    archive.slot(1) = {"1", "Mine", "", "", "2"};
    archive.setEntryCount(1);
    ASSERT_EQ(appendAndWrite(archive, here.installation(), other.root(), source.entries).outcome,
              Absorption::Outcome::Appended);
    std::optional<QStringList> values =
        test::loadScriptArray(here.path("spartiti\\archivio.js"), "archivio");
    ASSERT_TRUE(values.has_value()) << "node could not load the archive after an absorption";
    EXPECT_EQ(*values, (QStringList{"1", "Mine", "", "", "2", "2", "Back/slash/",
                                    QStringLiteral(u"Café"), "", "0"}));
}

TEST(ArchiveScript, emptyArchive_loadsAsEmptyArray) {
    test::TempInstallation stand;
    ScoreArchive archive;
    ASSERT_TRUE(saveArchive(archive, stand.installation()).ok);
    std::optional<QStringList> values =
        test::loadScriptArray(stand.path("spartiti\\archivio.js"), "archivio");
    ASSERT_TRUE(values.has_value());
    EXPECT_TRUE(values->isEmpty());
}

} // namespace
} // namespace folio
