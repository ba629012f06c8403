#include "platform/file_ops.h"
#include "support/temp_installation.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace folio {
namespace {

using test::TempInstallation;

TEST(FileOps, rewriteAtomically_replacesWholeFile) {
    TempInstallation stand;
    stand.write("spartiti\\data.js", "old content that is longer");
    FileResult result = rewriteAtomically(stand.path("spartiti\\data.js"), "new");
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(stand.read("spartiti\\data.js"), "new");
    EXPECT_EQ(stand.temporaryFileCount(), 0);
}

TEST(FileOps, rewriteAtomically_missingFolder_failsWithMessage) {
    TempInstallation stand(false);
    FileResult result = rewriteAtomically(stand.path("spartiti\\data.js"), "x");
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("does not exist"), std::string::npos) << result.error;
    EXPECT_FALSE(stand.exists("spartiti\\data.js"));
}

TEST(FileOps, rewriteAtomically_targetIsFolder_failsAndKeepsFolder) {
    TempInstallation stand;
    std::filesystem::create_directory(stand.path("spartiti\\data.js"));
    FileResult result = rewriteAtomically(stand.path("spartiti\\data.js"), "x");
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(std::filesystem::is_directory(stand.path("spartiti\\data.js")));
    EXPECT_EQ(stand.temporaryFileCount(), 0);
}

// A write that fails part-way (the file size limit stops root too) leaves the old bytes.
TEST(FileOps, rewriteAtomically_failingWrite_keepsOldFileAndLeavesNoTemporary) {
    TempInstallation stand;
    const std::string old = "var archivio = [\r\n ];\r\n";
    stand.write("spartiti\\archivio.js", old);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        FileResult result =
            rewriteAtomically(stand.path("spartiti\\archivio.js"), std::string(100000, 'x'));
        ::_exit(result.ok ? 1 : (result.error.empty() ? 2 : 0));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(stand.read("spartiti\\archivio.js"), old);
    EXPECT_EQ(stand.temporaryFileCount(), 0);
}

TEST(FileOps, copyReplacing_copiesAndReplaces) {
    TempInstallation stand;
    stand.write("pick\\page.jpg", "new page");
    stand.write("spartiti\\7L.jpg", "old page");
    FileResult result = copyReplacing(stand.path("pick\\page.jpg"), stand.path("spartiti\\7L.jpg"));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(stand.read("spartiti\\7L.jpg"), "new page");
    EXPECT_EQ(stand.read("pick\\page.jpg"), "new page");
}

TEST(FileOps, copyReplacing_failures_leaveTargetAlone) {
    TempInstallation stand;
    stand.write("spartiti\\7L.jpg", "old page");
    FileResult missingSource =
        copyReplacing(stand.path("pick\\gone.jpg"), stand.path("spartiti\\7L.jpg"));
    EXPECT_FALSE(missingSource.ok);
    EXPECT_NE(missingSource.error.find("gone.jpg"), std::string::npos);

    stand.write("pick\\page.jpg", "new page");
    FileResult missingFolder =
        copyReplacing(stand.path("pick\\page.jpg"), stand.path("nowhere\\7L.jpg"));
    EXPECT_FALSE(missingFolder.ok);

    FileResult sourceIsFolder = copyReplacing(stand.path("pick"), stand.path("spartiti\\7L.jpg"));
    EXPECT_FALSE(sourceIsFolder.ok);

    EXPECT_EQ(stand.read("spartiti\\7L.jpg"), "old page");
    EXPECT_EQ(stand.temporaryFileCount(), 0);
}

TEST(FileOps, readWholeFile_folderOrMissing_givesNothing) {
    TempInstallation stand;
    EXPECT_FALSE(readWholeFile(stand.path("spartiti")).has_value());
    EXPECT_FALSE(readWholeFile(stand.path("spartiti\\none.js")).has_value());
    EXPECT_FALSE(fileExists(stand.path("spartiti")));
}

} // namespace
} // namespace folio
