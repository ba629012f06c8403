// File operations, and every way a rewrite or a copy can fail: each failure must leave the old
// file byte for byte, no temporary file, an error text, and operations that work afterwards.
#include "core/files/file_ops.h"
#include "core/files/prefault.h"
#include "core/files/read_limits.h"
#include "support/fault_injection.h"
#include "support/temp_installation.h"

#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <utility>
#include <vector>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace folio {
namespace {

namespace fs = std::filesystem;
using test::TempInstallation;

const std::string kOldArchive = "var archivio = [\r\n ];\r\n";

void writeBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

// The file size limit and named pipes in folders are POSIX only; file_ops_windows_test.cpp
// drives the failures that Windows has instead.
#ifndef _WIN32
using test::runWithFileSizeLimit;

// Exit codes of the forked children below.
constexpr int kFailedWithMessage = 0;
constexpr int kSucceeded = 1;
constexpr int kFailedSilently = 2;

int outcome(const FileResult& result) {
    if (result.ok)
        return kSucceeded;
    return result.error.empty() ? kFailedSilently : kFailedWithMessage;
}
#endif

TEST(FileOps, rewriteAtomically_replacesWholeFile) {
    TempInstallation stand;
    stand.write("spartiti\\data.js", "old content that is longer");
    FileResult result = rewriteAtomically(stand.path("spartiti\\data.js"), "new");
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(stand.read("spartiti\\data.js"), "new");
    EXPECT_EQ(stand.temporaryFileCount(), 0);
}

TEST(FileOps, rewriteAtomically_missingFolder_failsWithMessageThenWorksOnceItIsBack) {
    TempInstallation stand(false);
    FileResult result = rewriteAtomically(stand.path("spartiti\\data.js"), "x");
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("does not exist"), std::string::npos) << result.error;
    EXPECT_FALSE(stand.exists("spartiti\\data.js"));
    EXPECT_EQ(stand.temporaryFileCount(), 0);

    fs::create_directory(stand.path("spartiti"));
    ASSERT_TRUE(rewriteAtomically(stand.path("spartiti\\data.js"), "x").ok);
    EXPECT_EQ(stand.read("spartiti\\data.js"), "x");
}

TEST(FileOps, rewriteAtomically_targetIsFolder_failsAndKeepsFolderAndItsContent) {
    TempInstallation stand;
    stand.write("spartiti\\data.js\\inside.txt", "kept");
    FileResult result = rewriteAtomically(stand.path("spartiti\\data.js"), "x");
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("folder"), std::string::npos) << result.error;
    EXPECT_EQ(stand.read("spartiti\\data.js\\inside.txt"), "kept");
    EXPECT_EQ(stand.temporaryFileCount(), 0);
}

#ifndef _WIN32
// A write that fails part-way (the file size limit stops root too) leaves the old bytes.
TEST(FileOps, rewriteAtomically_failingWrite_keepsOldFileAndLeavesNoTemporary) {
    TempInstallation stand;
    stand.write("spartiti\\archivio.js", kOldArchive);
    const fs::path target = stand.path("spartiti\\archivio.js");
    EXPECT_EQ(
        runWithFileSizeLimit(
            4096, [&] { return outcome(rewriteAtomically(target, std::string(100000, 'x'))); }),
        kFailedWithMessage);
    EXPECT_EQ(stand.read("spartiti\\archivio.js"), kOldArchive);
    EXPECT_EQ(stand.temporaryFileCount(), 0);

    ASSERT_TRUE(rewriteAtomically(target, std::string(100000, 'x')).ok);
    EXPECT_EQ(stand.read("spartiti\\archivio.js").size(), 100000u);
}

// The limit also catches the fault in this process, and lifting it makes writes work again.
TEST(FileOps, rewriteAtomically_failingWriteInThisProcess_worksOnceTheLimitIsGone) {
    TempInstallation stand;
    stand.write("spartiti\\archivio.js", kOldArchive);
    const fs::path target = stand.path("spartiti\\archivio.js");
    {
        test::FileSizeLimit limit(1000);
        FileResult result = rewriteAtomically(target, std::string(5000, 'y'));
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.error.find("could not be written"), std::string::npos) << result.error;
    }
    EXPECT_EQ(stand.read("spartiti\\archivio.js"), kOldArchive);
    EXPECT_EQ(stand.temporaryFileCount(), 0);
    EXPECT_TRUE(rewriteAtomically(target, std::string(5000, 'y')).ok);
}
#endif

TEST(FileOps, copyReplacing_copiesAndReplaces) {
    TempInstallation stand;
    stand.write("pick\\page.jpg", "new page");
    stand.write("spartiti\\7L.jpg", "old page");
    FileResult result = copyReplacing(stand.path("pick\\page.jpg"), stand.path("spartiti\\7L.jpg"));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(stand.read("spartiti\\7L.jpg"), "new page");
    EXPECT_EQ(stand.read("pick\\page.jpg"), "new page");
    EXPECT_EQ(stand.temporaryFileCount(), 0);
}

// POSIX only: Windows files have no permission bits, only the read-only attribute.
#ifndef _WIN32
// The copy takes the source's permission bits whatever the umask and whatever the replaced
// file had: a copied program stays executable, a private file stays private.
TEST(FileOps, copyReplacing_keepsTheSourcesPermissionBits) {
    struct Case {
        fs::perms source;
        std::optional<fs::perms> oldTarget;
    };
    using enum fs::perms;
    const fs::perms program = owner_all | group_read | group_exec | others_read | others_exec;
    const fs::perms page = owner_read | owner_write | group_read | others_read;
    const Case cases[] = {
        {program, std::nullopt},          {program, page},     {page, program},
        {owner_read | owner_write, page}, {all, std::nullopt},
    };
    const mode_t previousMask = ::umask(022);
    for (const Case& c : cases) {
        TempInstallation stand;
        stand.write("delivery\\Folioscribe_pro", "program bytes");
        fs::permissions(stand.path("delivery\\Folioscribe_pro"), c.source);
        if (c.oldTarget) {
            stand.write("Folioscribe_pro", "old program");
            fs::permissions(stand.path("Folioscribe_pro"), *c.oldTarget);
        }
        FileResult result =
            copyReplacing(stand.path("delivery\\Folioscribe_pro"), stand.path("Folioscribe_pro"));
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(fs::status(stand.path("Folioscribe_pro")).permissions(), c.source)
            << static_cast<int>(c.source);
        EXPECT_EQ(stand.read("Folioscribe_pro"), "program bytes");
    }
    ::umask(previousMask);
}
#endif

TEST(FileOps, copyReplacing_ontoItself_keepsItsBytes) {
    TempInstallation stand;
    const std::string page(70000, '\xFF');
    stand.write("spartiti\\7L.jpg", page);
    FileResult result =
        copyReplacing(stand.path("spartiti\\7L.jpg"), stand.path("spartiti\\7L.jpg"));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(stand.read("spartiti\\7L.jpg"), page);
    EXPECT_EQ(stand.temporaryFileCount(), 0);
}

TEST(FileOps, copyReplacing_failures_leaveTargetAloneWithMessage) {
    TempInstallation stand;
    stand.write("spartiti\\7L.jpg", "old page");
    const fs::path target = stand.path("spartiti\\7L.jpg");

    // The source vanished between the choice and the copy.
    stand.write("pick\\gone.jpg", "short-lived");
    fs::remove(stand.path("pick\\gone.jpg"));
    FileResult missingSource = copyReplacing(stand.path("pick\\gone.jpg"), target);
    EXPECT_FALSE(missingSource.ok);
    EXPECT_NE(missingSource.error.find("gone.jpg"), std::string::npos);

    stand.write("pick\\page.jpg", "new page");
    FileResult missingFolder =
        copyReplacing(stand.path("pick\\page.jpg"), stand.path("nowhere\\7L.jpg"));
    EXPECT_FALSE(missingFolder.ok);
    EXPECT_NE(missingFolder.error.find("does not exist"), std::string::npos);
    EXPECT_FALSE(fs::exists(stand.path("nowhere")));

    FileResult sourceIsFolder = copyReplacing(stand.path("pick"), target);
    EXPECT_FALSE(sourceIsFolder.ok);
    EXPECT_FALSE(sourceIsFolder.error.empty());

    stand.write("spartiti\\8L.jpg\\inside.txt", "kept");
    FileResult targetIsFolder =
        copyReplacing(stand.path("pick\\page.jpg"), stand.path("spartiti\\8L.jpg"));
    EXPECT_FALSE(targetIsFolder.ok);
    EXPECT_NE(targetIsFolder.error.find("folder"), std::string::npos);
    EXPECT_EQ(stand.read("spartiti\\8L.jpg\\inside.txt"), "kept");

    EXPECT_EQ(stand.read("spartiti\\7L.jpg"), "old page");
    EXPECT_EQ(stand.temporaryFileCount(), 0);
    // Nothing is stuck: the next copy works.
    ASSERT_TRUE(copyReplacing(stand.path("pick\\page.jpg"), target).ok);
    EXPECT_EQ(stand.read("spartiti\\7L.jpg"), "new page");
}

#ifndef _WIN32
TEST(FileOps, copyReplacing_failingWrite_keepsOldTargetAndLeavesNoTemporary) {
    TempInstallation stand;
    stand.write("pick\\big.mp3", std::string(200000, 'm'));
    stand.write("spartiti\\audio\\7.mp3", "old recording");
    const fs::path source = stand.path("pick\\big.mp3");
    const fs::path target = stand.path("spartiti\\audio\\7.mp3");
    EXPECT_EQ(runWithFileSizeLimit(8192, [&] { return outcome(copyReplacing(source, target)); }),
              kFailedWithMessage);
    EXPECT_EQ(stand.read("spartiti\\audio\\7.mp3"), "old recording");
    EXPECT_EQ(stand.temporaryFileCount(), 0);

    ASSERT_TRUE(copyReplacing(source, target).ok);
    EXPECT_EQ(stand.read("spartiti\\audio\\7.mp3").size(), 200000u);
}

// A named pipe in place of a file has no writer: opening it must not wait for one.
TEST(FileOps, namedPipeInPlaceOfAFile_isRefusedWithoutWaiting) {
    TempInstallation stand;
    const fs::path pipe = stand.path("spartiti\\archivio.js");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(readWholeFile(pipe, kArchiveFileLimit).content().has_value());
    EXPECT_FALSE(fileExists(pipe));

    stand.write("spartiti\\7L.jpg", "old page");
    FileResult copied = copyReplacing(pipe, stand.path("spartiti\\7L.jpg"));
    EXPECT_FALSE(copied.ok);
    EXPECT_FALSE(copied.error.empty());
    EXPECT_EQ(stand.read("spartiti\\7L.jpg"), "old page");
}
#endif

// Line ends and 8-bit text go to disk exactly as given: no LF becomes CR LF, no Ctrl-Z ends
// the file, no Windows-1252 byte is converted. The size on disk proves it independently of
// the reading side, which could undo a translation.
TEST(FileOps, writesAndCopies_keepEveryByteOnDisk) {
    const std::string contents[] = {
        "\"Caf\xE9\",\r\n\"\x80 \x9F \xFF\",\r\n ];\r\n",
        "lone LF\nlone CR\rCR LF\r\n",
        std::string("Ctrl-Z \x1A then more\0 and a NUL", 29),
        "",
    };
    for (const std::string& bytes : contents) {
        SCOPED_TRACE(bytes);
        TempInstallation stand;
        const fs::path written = stand.path("spartiti\\archivio.js");
        const fs::path copied = stand.path("spartiti\\copy.js");
        ASSERT_TRUE(rewriteAtomically(written, bytes).ok);
        ASSERT_TRUE(copyReplacing(written, copied).ok);
        for (const fs::path& file : {written, copied}) {
            EXPECT_EQ(fs::file_size(file), bytes.size());
            EXPECT_EQ(readWholeFile(file, kArchiveFileLimit).content(), bytes);
        }
    }
}

// A stand's folder may carry accented letters and the euro sign (UTF-16 names on Windows,
// UTF-8 bytes on Linux); writing, copying, reading and the failure message all work there.
TEST(FileOps, folderWithAccentedName_writesCopiesAndReports) {
    TempInstallation stand;
    const fs::path folder = stand.root() / fs::path(u8"Partiture di Jos\u00E9 \u20AC");
    ASSERT_TRUE(fs::create_directory(folder));
    const std::string bytes = "var archivio = [\r\n\"Caf\xE9\",\r\n ];\r\n";
    ASSERT_TRUE(rewriteAtomically(folder / "archivio.js", bytes).ok);
    ASSERT_TRUE(copyReplacing(folder / "archivio.js", folder / "copia.js").ok);
    EXPECT_EQ(readWholeFile(folder / "copia.js", kArchiveFileLimit).content(), bytes);
    EXPECT_TRUE(fileExists(folder / "archivio.js"));

    FileResult missing = rewriteAtomically(folder / "none" / "archivio.js", bytes);
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.error.find("Partiture di Jos"), std::string::npos) << missing.error;
    EXPECT_EQ(stand.temporaryFileCount(), 0);
}

// Only a name at which nothing stands is missing; whatever else gives no bytes is unreadable,
// with a sentence that says why, and nothing is allocated for a file over the limit.
TEST(FileOps, readWholeFile_tellsMissingFromUnreadable) {
    const struct {
        const char* what;
        std::function<void(const fs::path&)> make;
        std::uint64_t limit;
        ReadStatus status;
        const char* says;
    } cases[] = {
        {"nothing", [](const fs::path&) {}, 100, ReadStatus::Missing, ""},
        {"a file at the limit",
         [](const fs::path& file) { writeBytes(file, std::string(100, 'x')); }, 100,
         ReadStatus::Read, ""},
        {"a file one byte over the limit",
         [](const fs::path& file) { writeBytes(file, std::string(101, 'x')); }, 100,
         ReadStatus::Unreadable, "more than the 1 MB"},
        {"a sparse file of 64 GiB",
         [](const fs::path& file) {
             writeBytes(file, "x");
             fs::resize_file(file, std::uintmax_t{64} << 30);
         },
         kMidiFileLimit, ReadStatus::Unreadable, "65536 MB (68719476736 bytes)"},
        {"a folder", [](const fs::path& file) { fs::create_directory(file); }, 100,
         ReadStatus::Unreadable, "it is a folder"},
#ifndef _WIN32
        {"a dangling link",
         [](const fs::path& file) { fs::create_symlink(file.parent_path() / "gone.js", file); },
         100, ReadStatus::Unreadable, "a link to something that is not there"},
        {"a named pipe without a writer",
         [](const fs::path& file) { ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0); }, 100,
         ReadStatus::Unreadable, "not a regular file"},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempInstallation stand;
        const fs::path file = stand.path("spartiti\\midi.js");
        c.make(file);
        const FileRead read = readWholeFile(file, c.limit);
        EXPECT_EQ(read.status, c.status);
        EXPECT_EQ(read.bytes.size(), c.status == ReadStatus::Read ? c.limit : 0u);
        if (c.status == ReadStatus::Unreadable) {
            EXPECT_NE(read.error.find("midi.js"), std::string::npos) << read.error;
            EXPECT_NE(read.error.find(c.says), std::string::npos) << read.error;
        } else {
            EXPECT_TRUE(read.error.empty()) << read.error;
        }
    }
}

TEST(FileOps, readWholeFile_givesEveryByte) {
    TempInstallation stand;
    std::string bytes(150000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7);
    stand.write("spartiti\\archivio.js", bytes);
    EXPECT_EQ(readWholeFile(stand.path("spartiti\\archivio.js"), kArchiveFileLimit).content(),
              bytes);
}

// Asking for the pages of a buffer is only a hint: no byte in it or around it changes, whatever
// the buffer's start and length against the page boundaries.
TEST(Prefault, buffersOfAnyStartAndLength_keepEveryByte) {
    std::vector<char> memory(80 * 4096 + 17);
    for (std::size_t i = 0; i < memory.size(); ++i)
        memory[i] = static_cast<char>(i * 13 + 1);
    const std::vector<char> before = memory;
    const std::pair<std::size_t, std::size_t> buffers[] = {
        {0, 0}, {1, 100}, {100, 4096}, {4095, 3 * 4096 + 3}, {7, 64 * 4096}, {0, memory.size()}};
    for (const auto& [start, length] : buffers) {
        prefaultForWriting(memory.data() + start, length);
        EXPECT_EQ(memory, before) << "start " << start << ", length " << length;
    }
}

// Moving a file to another disk is a copy, synced and compared, before the original goes; a
// move that cannot be made leaves both places as they were.
TEST(FileOps, moveFileAcross_copiesComparesThenRemoves) {
    struct Case {
        const char* what;
        const char* target; // what stands at the target before, or nullptr
        bool moved;
    };
    const Case cases[] = {
        {"nothing in the way", nullptr, true},
        {"something in the way", "earlier", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempInstallation stand;
        stand.write("page.jpg", "scanned page");
        if (c.target)
            stand.write("aside\\page.jpg", c.target);
        else
            std::filesystem::create_directory(stand.path("aside"));
        const FileResult result =
            moveFileAcross(stand.path("page.jpg"), stand.path("aside\\page.jpg"));
        EXPECT_EQ(result.ok, c.moved) << result.error;
        EXPECT_EQ(stand.exists("page.jpg"), !c.moved);
        EXPECT_EQ(stand.read("aside\\page.jpg"), c.moved ? "scanned page" : c.target);
        EXPECT_EQ(stand.temporaryFileCount(), 0);
    }
    TempInstallation stand;
    stand.write("a", "same");
    stand.write("b", "same");
    stand.write("c", "sane");
    EXPECT_TRUE(sameBytes(stand.path("a"), stand.path("b")));
    EXPECT_FALSE(sameBytes(stand.path("a"), stand.path("c")));
    EXPECT_FALSE(sameBytes(stand.path("a"), stand.path("missing")));
}

} // namespace
} // namespace folio
