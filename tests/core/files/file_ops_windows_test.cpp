// What only Windows shows: a data file held open by another program (the stand's browser, an
// editor, a virus scanner) refuses its replacement or its reading; the old bytes must stay, the
// user must be told, and nothing may be left behind.
#include "core/archive/score_archive.h"
#include "core/files/file_ops.h"
#include "core/files/read_limits.h"
#include "support/fault_injection.h"
#include "support/temp_installation.h"

#include <gtest/gtest.h>

namespace folio {
namespace {

namespace fs = std::filesystem;
using test::FileHeldOpen;
using test::TempInstallation;

const std::string kOldBytes = "var archivio = [\r\n\"1\",\r\n ];\r\n";

struct Holder {
    const char* name;
    DWORD access;
    DWORD share;
};

// Any holder that does not share deletion keeps the file from being replaced.
TEST(FileOpsWindows, targetHeldOpenWithoutSharingDeletion_keepsOldBytesThenWorksOnceReleased) {
    const Holder holders[] = {
        {"reader sharing reads", GENERIC_READ, FILE_SHARE_READ},
        {"reader sharing reads and writes", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE},
        {"writer sharing nothing", GENERIC_WRITE, 0},
    };
    for (const Holder& holder : holders) {
        SCOPED_TRACE(holder.name);
        TempInstallation stand;
        stand.write("spartiti\\archivio.js", kOldBytes);
        stand.write("pick\\page.jpg", "new page");
        const fs::path target = stand.path("spartiti\\archivio.js");
        FileHeldOpen other(target, holder.access, holder.share);
        ASSERT_TRUE(other.held());

        FileResult rewritten = rewriteAtomically(target, "new bytes");
        EXPECT_FALSE(rewritten.ok);
        EXPECT_NE(rewritten.error.find("could not be replaced"), std::string::npos)
            << rewritten.error;
        FileResult copied = copyReplacing(stand.path("pick\\page.jpg"), target);
        EXPECT_FALSE(copied.ok);
        EXPECT_FALSE(copied.error.empty());
        EXPECT_EQ(stand.temporaryFileCount(), 0);

        other.release();
        EXPECT_EQ(stand.read("spartiti\\archivio.js"), kOldBytes);
        ASSERT_TRUE(rewriteAtomically(target, "new bytes").ok);
        EXPECT_EQ(stand.read("spartiti\\archivio.js"), "new bytes");
    }
}

// A program writing the file while sharing reads does not keep Folioscribe from reading it.
TEST(FileOpsWindows, fileOpenForWritingElsewhere_isStillRead) {
    TempInstallation stand;
    stand.write("spartiti\\archivio.js", kOldBytes);
    stand.write("spartiti\\7L.jpg", "old page");
    FileHeldOpen writer(stand.path("spartiti\\archivio.js"), GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_DELETE);
    ASSERT_TRUE(writer.held());
    EXPECT_EQ(readWholeFile(stand.path("spartiti\\archivio.js"), kArchiveFileLimit).content(),
              kOldBytes);
    FileResult copied =
        copyReplacing(stand.path("spartiti\\archivio.js"), stand.path("spartiti\\7L.jpg"));
    ASSERT_TRUE(copied.ok) << copied.error;
    EXPECT_EQ(stand.read("spartiti\\7L.jpg"), kOldBytes);
}

// A file locked by another program cannot be read: the archive says so instead of looking
// empty, and a copy from it fails with a message and leaves the target alone.
TEST(FileOpsWindows, fileLockedElsewhere_isUnreadableNotMissing) {
    TempInstallation stand;
    stand.write("spartiti\\archivio.js", kOldBytes);
    stand.write("spartiti\\7L.jpg", "old page");
    FileHeldOpen locker(stand.path("spartiti\\archivio.js"), GENERIC_READ, 0);
    ASSERT_TRUE(locker.held());
    EXPECT_FALSE(readWholeFile(stand.path("spartiti\\archivio.js"), kArchiveFileLimit)
                     .content()
                     .has_value());
    ScoreArchive archive;
    EXPECT_EQ(loadArchive(archive, stand.installation()), ArchiveLoad::Unreadable);
    FileResult copied =
        copyReplacing(stand.path("spartiti\\archivio.js"), stand.path("spartiti\\7L.jpg"));
    EXPECT_FALSE(copied.ok);
    EXPECT_NE(copied.error.find("cannot be read"), std::string::npos) << copied.error;
    EXPECT_EQ(stand.read("spartiti\\7L.jpg"), "old page");
}

// A read-only file (its attribute set in Explorer) is reported, not silently kept.
TEST(FileOpsWindows, readOnlyTarget_failsWithMessageAndKeepsBytes) {
    TempInstallation stand;
    stand.write("spartiti\\archivio.js", kOldBytes);
    const fs::path target = stand.path("spartiti\\archivio.js");
    ASSERT_TRUE(::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));
    stand.write("pick\\page.jpg", "new page");
    FileResult rewritten = rewriteAtomically(target, "new bytes");
    EXPECT_FALSE(rewritten.ok);
    EXPECT_NE(rewritten.error.find("read-only"), std::string::npos) << rewritten.error;
    FileResult copied = copyReplacing(stand.path("pick\\page.jpg"), target);
    EXPECT_FALSE(copied.ok);
    EXPECT_NE(copied.error.find("read-only"), std::string::npos) << copied.error;
    EXPECT_EQ(stand.read("spartiti\\archivio.js"), kOldBytes);
    EXPECT_EQ(stand.temporaryFileCount(), 0);

    ASSERT_TRUE(::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(rewriteAtomically(target, "new bytes").ok);
}

} // namespace
} // namespace folio
