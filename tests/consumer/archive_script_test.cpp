// The browser pages load archivio.js as a script: what we write must load and mean what we
// hold in memory.
#include "archive/score_archive.h"
#include "consumer/script_array.h"
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
