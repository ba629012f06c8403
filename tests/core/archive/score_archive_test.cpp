#include "core/archive/archive_difference.h"
#include "core/archive/score_archive.h"
#include "core/versions/versions.h"
#include "support/fault_injection.h"
#include "support/temp_installation.h"

#include <gtest/gtest.h>
#include <optional>
#include <stdexcept>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace folio {
namespace {

using test::crlf;
using test::TempInstallation;

const std::string kTwoEntries =
    crlf({"var archivio = [", "\"1\",", "\"First song\",", "\"Some author\",", "\"jazz ballad\",",
          "\"3\",", "\"2\",", "\"Second song\",", "\"\",", "\"\",", "\"0\",", " ];"});

void setEntry(ScoreArchive& archive, int n, ScoreEntry entry) {
    archive.slot(n) = std::move(entry);
}

TEST(ScoreArchiveFile, twoEntries_writtenByteForByte) {
    TempInstallation stand;
    ScoreArchive archive;
    setEntry(archive, 1, {"1", "First song", "Some author", "jazz ballad", "3"});
    setEntry(archive, 2, {"2", "Second song", "", "", ""});
    archive.setEntryCount(2);
    ASSERT_TRUE(saveArchive(archive, stand.installation()).ok);
    EXPECT_EQ(stand.read("spartiti\\archivio.js"), kTwoEntries);
    EXPECT_EQ(archive.slot(2).category, "0");
}

TEST(ScoreArchiveFile, emptyArchive_isExactlyTwoLines) {
    TempInstallation stand;
    ScoreArchive archive;
    ASSERT_TRUE(saveArchive(archive, stand.installation()).ok);
    EXPECT_EQ(stand.read("spartiti\\archivio.js"), "var archivio = [\r\n ];\r\n");
    loadArchive(archive, stand.installation());
    EXPECT_EQ(archive.entryCount(), 0);
}

TEST(ScoreArchiveFile, load_readsEveryField) {
    TempInstallation stand;
    stand.write("spartiti\\archivio.js", kTwoEntries);
    ScoreArchive archive;
    loadArchive(archive, stand.installation());
    ASSERT_EQ(archive.entryCount(), 2);
    EXPECT_EQ(archive.slot(1), (ScoreEntry{"1", "First song", "Some author", "jazz ballad", "3"}));
    EXPECT_EQ(archive.slot(2), (ScoreEntry{"2", "Second song", "", "", "0"}));
}

TEST(ScoreArchiveFile, missingFile_isEmptyArchive) {
    TempInstallation stand;
    ScoreArchive archive;
    archive.setEntryCount(3);
    EXPECT_EQ(loadArchive(archive, stand.installation()), ArchiveLoad::Missing);
    EXPECT_EQ(archive.entryCount(), 0);
    stand.write("spartiti\\archivio.js", kTwoEntries);
    EXPECT_EQ(loadArchive(archive, stand.installation()), ArchiveLoad::Loaded);
}

// Root reads any file, so the unreadable file is read by an ordinary user in a child process.
// (POSIX only: on Windows a file held open without sharing is unreadable, tested there.)
#ifndef _WIN32
TEST(ScoreArchiveFile, fileThatCannotBeRead_isToldApartFromAMissingOne) {
    TempInstallation stand;
    stand.write("spartiti\\archivio.js", kTwoEntries);
    std::filesystem::permissions(stand.path("spartiti\\archivio.js"),
                                 std::filesystem::perms::owner_read |
                                     std::filesystem::perms::owner_write);
    std::filesystem::permissions(stand.root(), std::filesystem::perms::all);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        ScoreArchive archive;
        ::_exit(loadArchive(archive, stand.installation()) == ArchiveLoad::Unreadable ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    std::filesystem::remove(stand.path("spartiti\\archivio.js"));
    std::filesystem::create_directory(stand.path("spartiti\\archivio.js"));
    ScoreArchive archive;
    EXPECT_EQ(loadArchive(archive, stand.installation()), ArchiveLoad::Unreadable);
}
#endif

TEST(ScoreArchiveFile, numbers_renumberedOnSave) {
    TempInstallation stand;
    stand.write("spartiti\\archivio.js",
                crlf({"var archivio = [", "\"7\",", "\"A\",", "\"\",", "\"\",", "\"1\",", "\"9\",",
                      "\"B\",", "\"\",", "\"\",", "\"2\",", " ];"}));
    ScoreArchive archive;
    loadArchive(archive, stand.installation());
    EXPECT_EQ(archive.slot(1).number, "7");
    EXPECT_EQ(archive.slot(2).number, "9");
    ASSERT_TRUE(saveArchive(archive, stand.installation()).ok);
    EXPECT_EQ(archive.slot(1).number, "1");
    EXPECT_EQ(archive.slot(2).number, "2");
    EXPECT_NE(stand.read("spartiti\\archivio.js").find("\"2\",\r\n\"B\","), std::string::npos);
}

TEST(ScoreArchiveFile, commasSpacesAndAccents_surviveSaveAndLoad) {
    TempInstallation stand;
    ScoreArchive archive;
    setEntry(archive, 1, {"", "Hello, world", "  Caf\xE9 ", "a b", "12"});
    archive.setEntryCount(1);
    ASSERT_TRUE(saveArchive(archive, stand.installation()).ok);
    ScoreArchive again;
    loadArchive(again, stand.installation());
    EXPECT_EQ(again.slot(1), (ScoreEntry{"1", "Hello, world", "  Caf\xE9 ", "a b", "12"}));
}

TEST(ScoreArchiveFile, trailingBlankLineAndLeadingSpaces_stillLoadAllEntries) {
    TempInstallation stand;
    std::string bytes = kTwoEntries + "\r\n";
    bytes.replace(bytes.find("\"Second"), 1, "   \"");
    stand.write("spartiti\\archivio.js", bytes);
    ScoreArchive archive;
    loadArchive(archive, stand.installation());
    EXPECT_EQ(archive.entryCount(), 2);
    EXPECT_EQ(archive.slot(2).title, "Second song");
}

TEST(ScoreArchiveFile, unsafeCharacters_mappedSoTheScriptStillLoads) {
    TempInstallation stand;
    ScoreArchive archive;
    setEntry(archive, 1, {"", "Say \"hi\"", "back\\slash\\", "two\r\nlines", ""});
    archive.setEntryCount(1);
    ASSERT_TRUE(saveArchive(archive, stand.installation()).ok);
    EXPECT_EQ(stand.read("spartiti\\archivio.js"),
              crlf({"var archivio = [", "\"1\",", "\"Say 'hi'\",", "\"back/slash/\",",
                    "\"two  lines\",", "\"0\",", " ];"}));
    EXPECT_EQ(archive.slot(1).title, "Say 'hi'");
}

TEST(ScoreArchiveFile, nineThousandNineHundredNinetyNineEntries_roundTrip) {
    TempInstallation stand;
    ScoreArchive archive;
    for (int n = 1; n <= ScoreArchive::kMaxEntries; ++n)
        setEntry(archive, n, {"", "Title " + std::to_string(n), "Author", "tag", "5"});
    archive.setEntryCount(ScoreArchive::kMaxEntries);
    ASSERT_TRUE(saveArchive(archive, stand.installation()).ok);
    EXPECT_EQ(archive.entryCount(), 9999);
    ScoreArchive again;
    EXPECT_EQ(loadArchive(again, stand.installation()), ArchiveLoad::Loaded);
    ASSERT_EQ(again.entryCount(), 9999);
    EXPECT_EQ(again.slot(9999).title, "Title 9999");
    EXPECT_EQ(again.slot(3277).number, "3277");
}

TEST(ScoreArchiveFile, moreEntriesThanSlots_loadsTheFirst9999) {
    std::string bytes = "var archivio = [\r\n";
    for (int n = 1; n <= 10005; ++n)
        bytes += "\"" + std::to_string(n) + "\",\r\n\"t\",\r\n\"\",\r\n\"\",\r\n\"0\",\r\n";
    bytes += " ];\r\n";
    TempInstallation stand;
    stand.write("spartiti\\archivio.js", bytes);
    ScoreArchive archive;
    std::size_t inFile = 0;
    EXPECT_EQ(loadArchive(archive, stand.installation(), &inFile), ArchiveLoad::TooManyEntries);
    EXPECT_EQ(inFile, 10005u);
    EXPECT_EQ(archive.entryCount(), 9999);
    EXPECT_EQ(archive.slot(9999).number, "9999");
}

// The main window asks for the opening entry's pages from the count the read file gives,
// before the entries are taken in: that count must be the one taking them in leaves, and taking
// in a file that is missing or unreadable must empty an archive that held entries.
TEST(ScoreArchiveFile, readThenTakenIn_countKnownBeforeMatchesCountAfter) {
    std::string tooMany = "var archivio = [\r\n";
    for (int n = 1; n <= 10001; ++n)
        tooMany += "\"" + std::to_string(n) + "\",\r\n\"t\",\r\n\"\",\r\n\"\",\r\n\"0\",\r\n";
    tooMany += " ];\r\n";
    struct Case {
        const char* name;
        std::optional<std::string> file; // none: no archive file
        bool unreadable;
        ArchiveLoad load;
        int count;
        std::size_t inFile;
    };
    const Case cases[] = {
        {"missing", std::nullopt, false, ArchiveLoad::Missing, 0, 0},
#ifndef _WIN32
        {"unreadable (a folder)", std::nullopt, true, ArchiveLoad::Unreadable, 0, 0},
#endif
        {"no entries", std::string("var archivio = [\r\n ];\r\n"), false, ArchiveLoad::Loaded, 0,
         0},
        {"two entries", kTwoEntries, false, ArchiveLoad::Loaded, 2, 2},
        {"more than the slots", tooMany, false, ArchiveLoad::TooManyEntries, 9999, 10001},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempInstallation stand;
        if (c.file)
            stand.write("spartiti\\archivio.js", *c.file);
        if (c.unreadable)
            std::filesystem::create_directory(stand.path("spartiti\\archivio.js"));
        const ArchiveFile file = readArchiveBytes(stand.installation());
        EXPECT_EQ(file.load, c.load);
        EXPECT_EQ(file.entryCount(), c.count);
        EXPECT_EQ(file.entriesInFile, c.inFile);
        EXPECT_EQ(file.whyUnreadable.empty(), !c.unreadable);

        ScoreArchive archive;
        setEntry(archive, 5, {"5", "Held before", "", "", "0"});
        archive.setEntryCount(5);
        takeIn(archive, file);
        EXPECT_EQ(archive.entryCount(), c.count);
        if (c.count > 0) {
            EXPECT_EQ(archive.slot(c.count).number, std::to_string(c.count));
        }
        // What the larger archive held past the new count is gone, as at start: "Add" must
        // never bring a removed score back.
        if (c.count < 5) {
            EXPECT_EQ(archive.slot(5), ScoreEntry{});
        }
    }
}

TEST(ScoreArchiveFile, malformedFiles_loadWhatTheyHold) {
    ScoreArchive archive;
    readArchiveFile(archive, "");
    EXPECT_EQ(archive.entryCount(), 0);
    readArchiveFile(archive, "\x01\x02garbage without structure");
    EXPECT_EQ(archive.entryCount(), 0);

    // 17 fields round to 2 entries that would need 22: the second gets what is there.
    std::string seventeen = crlf(
        {"var archivio = [", "\"1\",", "\"A\",", "\"B\",", "\"C\",", "\"4\",", "\"2\",", "\"D\","});
    seventeen += "\"E\",\r\n";
    readArchiveFile(archive, seventeen);
    ASSERT_EQ(archive.entryCount(), 2);
    EXPECT_EQ(archive.slot(2), (ScoreEntry{"2", "D", "E", "", ""}));
}

TEST(ScoreArchiveFile, malformedFile_nextSaveIsWellFormed) {
    TempInstallation stand;
    stand.write("spartiti\\archivio.js", "\"1\",\"x\"\"y\r\n,,,\"");
    ScoreArchive archive;
    loadArchive(archive, stand.installation());
    ASSERT_TRUE(saveArchive(archive, stand.installation()).ok);
    std::string first = stand.read("spartiti\\archivio.js");
    EXPECT_EQ(first.rfind("var archivio = [\r\n", 0), 0u);
    EXPECT_EQ(first.substr(first.size() - 5), " ];\r\n");
    ASSERT_TRUE(saveArchive(archive, stand.installation()).ok);
    EXPECT_EQ(stand.read("spartiti\\archivio.js"), first);
}

TEST(ScoreArchiveSave, missingDataFolder_reportsKeepsMemoryAndSavesOnceItIsBack) {
    TempInstallation stand(false);
    ScoreArchive archive;
    setEntry(archive, 1, {"", "Kept", "", "", ""});
    archive.setEntryCount(1);
    FileResult result = saveArchive(archive, stand.installation());
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.empty());
    EXPECT_EQ(archive.entryCount(), 1);
    EXPECT_EQ(archive.slot(1).title, "Kept");
    EXPECT_EQ(stand.temporaryFileCount(), 0);

    std::filesystem::create_directory(stand.path("spartiti"));
    ASSERT_TRUE(saveArchive(archive, stand.installation()).ok);
    EXPECT_EQ(stand.read("spartiti\\archivio.js"),
              crlf({"var archivio = [", "\"1\",", "\"Kept\",", "\"\",", "\"\",", "\"0\",", " ];"}));
}

TEST(ScoreArchiveSave, archiveFileIsAFolder_reportsKeepsItAndSavesOnceItIsGone) {
    TempInstallation stand;
    stand.write("spartiti\\archivio.js\\inside.txt", "kept");
    ScoreArchive archive;
    readArchiveFile(archive, kTwoEntries);
    FileResult result = saveArchive(archive, stand.installation());
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.empty());
    EXPECT_EQ(stand.read("spartiti\\archivio.js\\inside.txt"), "kept");
    EXPECT_EQ(stand.temporaryFileCount(), 0);
    EXPECT_EQ(archive.entryCount(), 2);

    std::filesystem::remove_all(stand.path("spartiti\\archivio.js"));
    ASSERT_TRUE(saveArchive(archive, stand.installation()).ok);
    EXPECT_EQ(stand.read("spartiti\\archivio.js"), kTwoEntries);
}

// The file size limit and named pipes in folders are POSIX only.
#ifndef _WIN32
TEST(ScoreArchiveSave, writeFailingPartWay_keepsOldFileByteForByte) {
    TempInstallation stand;
    stand.write("spartiti\\archivio.js", kTwoEntries);
    auto growAndSave = [&] {
        ScoreArchive archive;
        loadArchive(archive, stand.installation());
        for (int n = 3; n <= 200; ++n)
            archive.slot(n).title = "A title long enough to pass the limit";
        archive.setEntryCount(200);
        FileResult result = saveArchive(archive, stand.installation());
        // On failure the archive in memory keeps its 200 entries: nothing was read back.
        if (result.ok)
            return 1;
        return !result.error.empty() && archive.entryCount() == 200 ? 0 : 2;
    };
    EXPECT_EQ(test::runWithFileSizeLimit(1024, growAndSave), 0);
    EXPECT_EQ(stand.read("spartiti\\archivio.js"), kTwoEntries);
    EXPECT_EQ(stand.temporaryFileCount(), 0);

    // Without the limit the same save goes through.
    EXPECT_EQ(growAndSave(), 1);
    ScoreArchive again;
    loadArchive(again, stand.installation());
    EXPECT_EQ(again.entryCount(), 200);
}

// A named pipe has no writer: the load must not wait for one, and finds no archive.
TEST(ScoreArchiveFile, namedPipeInPlaceOfTheFile_loadsEmptyWithoutWaiting) {
    TempInstallation stand;
    ASSERT_EQ(::mkfifo(stand.path("spartiti\\archivio.js").c_str(), 0600), 0);
    ScoreArchive archive;
    archive.setEntryCount(4);
    loadArchive(archive, stand.installation());
    EXPECT_EQ(archive.entryCount(), 0);
}
#endif

TEST(ScoreArchiveSlots, outOfRange_isRefusedNotClamped) {
    ScoreArchive archive;
    EXPECT_THROW(archive.slot(10000), std::out_of_range);
    EXPECT_THROW(archive.slot(-1), std::out_of_range);
    EXPECT_THROW(archive.setEntryCount(10000), std::out_of_range);
    EXPECT_NO_THROW(archive.slot(9999));
    EXPECT_NO_THROW(archive.slot(0));
}

TEST(EntryFileNames, builtFromPlainDecimalNumber) {
    EXPECT_EQ(leftPagePath(7), "spartiti\\7L.jpg");
    EXPECT_EQ(rightPagePath(123), "spartiti\\123R.jpg");
    EXPECT_EQ(audioPath(9999), "spartiti\\audio\\9999.mp3");
    EXPECT_EQ(placeholderPagePath, "spartiti\\m.jpg");
    EXPECT_THROW(leftPagePath(0), std::out_of_range);
    EXPECT_THROW(audioPath(10000), std::out_of_range);
    EXPECT_THROW(rightPagePath(-3), std::out_of_range);
}

// Only entries 1 to the count are searched, from the last one, and titles must match exactly.
TEST(ScoreArchiveTitles, lastEntryWithTheTitleIsFound) {
    ScoreArchive archive;
    const char* titles[] = {"Zero", "Aria", "Bolero", "Aria", "", "Coda"};
    for (int n = 0; n <= 5; ++n)
        archive.slot(n).title = titles[n];
    archive.setEntryCount(4);
    const std::pair<std::string_view, int> cases[] = {
        {"Aria", 3}, {"Bolero", 2}, {"", 4}, {"aria", 0}, {"Aria ", 0}, {"Zero", 0}, {"Coda", 0},
    };
    for (const auto& [title, entry] : cases)
        EXPECT_EQ(archive.lastEntryTitled(title), entry) << title;
}

// A recording is copied before the category is set, the one it replaces kept as a version; a
// failed copy changes nothing and keeps no version.
TEST(ScoreArchiveRecordings, attachCopiesThenSetsTheCategory) {
    struct Case {
        const char* name;
        const char* source; // file beside the installation, or nothing there
        bool audioFolder;   // spartiti/audio is there
        bool attached;
    };
    const Case cases[] = {
        {"plain copy", "new take", true, true},
        {"missing source", nullptr, true, false},
        {"source is a folder", "", true, false},
        {"no audio folder", "new take", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempInstallation stand;
        ScoreArchive archive;
        archive.setEntryCount(3);
        archive.slot(2).category = "5";
        stand.write("spartiti\\audio\\2.mp3", "old take");
        if (!c.audioFolder)
            std::filesystem::remove_all(stand.path("spartiti\\audio"));
        const std::filesystem::path source = stand.path("take.mp3");
        if (c.source && *c.source)
            stand.write("take.mp3", c.source);
        else if (c.source)
            std::filesystem::create_directory(source);

        KeepVersion keep;
        const FileResult result =
            attachRecording(archive, stand.installation(), 2, source, 7, keep);
        EXPECT_EQ(result.ok, c.attached);
        EXPECT_EQ(keep.folder.empty(), !c.attached);
        const std::vector<Version> versions = listVersions(stand.installation());
        EXPECT_EQ(versions.size(), c.attached ? 1u : 0u);
        if (!versions.empty()) {
            EXPECT_EQ(versions[0].keptName(), "spartiti\\audio\\2.mp3");
            EXPECT_EQ(versions[0].what, "recording");
            EXPECT_EQ(stand.read(installationName(stand.installation(), versions[0].dataPath())),
                      "old take");
        }
        EXPECT_EQ(result.error.empty(), c.attached);
        EXPECT_EQ(archive.slot(2).category, c.attached ? "7" : "5");
        if (c.audioFolder) {
            EXPECT_EQ(stand.read("spartiti\\audio\\2.mp3"), c.attached ? "new take" : "old take");
        }
        EXPECT_EQ(stand.temporaryFileCount(), 0);
    }
    ScoreArchive archive;
    TempInstallation stand;
    KeepVersion keep;
    EXPECT_THROW(static_cast<void>(attachRecording(archive, stand.installation(), 0,
                                                   stand.path("x.mp3"), 1, keep)),
                 std::out_of_range);
}

TEST(ArchiveDifference, countsEntriesAndTitlesThatDiffer) {
    EXPECT_EQ(archiveDifference(test::songArchive(3), test::songArchive(4, "Now")),
              "1 entry fewer, 3 titles differ");
    EXPECT_EQ(archiveDifference(test::songArchive(5), test::songArchive(2)), "3 entries more");
    EXPECT_EQ(archiveDifference(test::songArchive(2), test::songArchive(2)),
              "the same titles as now");
    // The first titles that differ are named, an entry no longer there with an empty title.
    const std::vector<TitleChange> changes =
        firstTitleChanges(test::songArchive(3), test::songArchive(4, "Now"), 2);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].entry, 1);
    EXPECT_EQ(changes[0].then, "Song 1");
    EXPECT_EQ(changes[0].now, "Now 1");
    EXPECT_EQ(firstTitleChanges(test::songArchive(1), test::songArchive(2), 5).back().then, "");
    EXPECT_TRUE(firstTitleChanges(test::songArchive(2), test::songArchive(2), 5).empty());
}

} // namespace
} // namespace folio
