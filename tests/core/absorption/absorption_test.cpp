#include "core/absorption/absorption.h"
#include "support/data_files.h"
#include "support/fault_injection.h"
#include "support/temp_installation.h"

#include <fstream>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace folio {
namespace {

using test::crlf;
using test::TempInstallation;

// The other stand: three scores, each with both pages whose bytes name them.
struct SourceStand {
    SourceStand() {
        stand.write("spartiti\\archivio.js", test::archiveFile(entries));
        for (int n = 1; n <= 3; ++n) {
            stand.write(leftPagePath(n), "left page of source " + std::to_string(n));
            stand.write(rightPagePath(n), "right page of source " + std::to_string(n));
        }
        EXPECT_EQ(loadSourceArchive(stand.root(), source), SourceLoad::Loaded);
    }
    std::vector<ScoreEntry> entries{{"1", "Alpha", "Ann", "a tags", "4"},
                                    {"2", "Beta", "Bob", "b tags", "5"},
                                    {"3", "Gamma", "Cid", "", ""}};
    TempInstallation stand;
    SourceArchive source;
};

// This stand: n entries "Own k".
struct ThisStand {
    explicit ThisStand(int n) {
        for (int k = 1; k <= n; ++k)
            archive.slot(k) = {std::to_string(k), "Own " + std::to_string(k), "", "", "1"};
        archive.setEntryCount(n);
        EXPECT_TRUE(saveArchive(archive, stand.installation()).ok);
    }
    TempInstallation stand;
    ScoreArchive archive;
};

TEST(SourceArchive, entryCount_takesOnlyWholeEntries) {
    const std::string header = "var archivio = [\r\n";
    const std::string entry = "\"1\",\r\n\"T\",\r\n\"A\",\r\n\"t\",\r\n\"2\",\r\n";
    struct Case {
        std::string bytes;
        std::size_t entries;
    } cases[] = {
        {"", 0},
        {header, 0},
        {header + " ];\r\n", 0},
        {header + entry + " ];\r\n", 1},
        // 17 fields: rounding would promise 2 entries, only one is whole.
        {header + entry + "\"2\",\r\n\"T\",\r\n\"A\",\r\n", 1},
        // 27 fields: 2.5 entries are 2.
        {header + entry + entry + "\"3\",\r\n\"x\",\r\n\"y\",\r\n", 2},
        {header + entry + entry + " ];\r\n\r\n", 2},
        // An unclosed quote swallows the rest of the file into one field.
        {header + "\"1\",\r\n\"T,\r\n\"A\",\r\n\"t\",\r\n\"2\",\r\n ];\r\n", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        const SourceArchive source = readSourceArchive(c.bytes);
        EXPECT_EQ(source.entries.size(), c.entries);
        EXPECT_EQ(source.entriesInFile, c.entries);
    }
    const SourceArchive two = readSourceArchive(header + entry + entry + " ];\r\n");
    EXPECT_EQ(two.entries[1], (ScoreEntry{"1", "T", "A", "t", "2"}));
}

TEST(SourceArchive, moreThanTenThousandEntries_holdsTheFirstTenThousand) {
    std::string bytes = "var archivio = [\r\n";
    for (int n = 1; n <= 10001; ++n)
        bytes += "\"" + std::to_string(n) + "\",\r\n\"T\",\r\n\"\",\r\n\"\",\r\n\"0\",\r\n";
    bytes += " ];\r\n";
    const SourceArchive source = readSourceArchive(bytes);
    EXPECT_EQ(source.entriesInFile, 10001u);
    ASSERT_EQ(source.entries.size(), 10000u);
    EXPECT_TRUE(source.truncated());
    EXPECT_EQ(source.entries.back().number, "10000");
}

TEST(Absorption, markedRows_appendInListOrderWithTheirPages) {
    const std::vector<std::vector<int>> markings{{0, 2}, {2, 0}, {2, 0, 2, 7, -1}};
    for (const std::vector<int>& rows : markings) {
        SCOPED_TRACE(::testing::PrintToString(rows));
        SourceStand other;
        ThisStand here(10);
        const std::string before = here.stand.read("spartiti\\archivio.js");
        const Absorption done =
            appendAndWrite(here.archive, here.stand.installation(), other.stand.root(),
                           collectMarked(other.source, rows));
        ASSERT_EQ(done.outcome, Absorption::Outcome::Appended);
        EXPECT_EQ(done.firstNumber, 11);
        EXPECT_EQ(done.count, 2);
        EXPECT_TRUE(copyPages(done.copies).empty());

        ASSERT_EQ(here.archive.entryCount(), 12);
        EXPECT_EQ(here.archive.slot(11), (ScoreEntry{"11", "Alpha", "Ann", "a tags", "4"}));
        EXPECT_EQ(here.archive.slot(12), (ScoreEntry{"12", "Gamma", "Cid", "", "0"}));
        EXPECT_EQ(here.stand.read("spartiti\\11L.jpg"), "left page of source 1");
        EXPECT_EQ(here.stand.read("spartiti\\11R.jpg"), "right page of source 1");
        EXPECT_EQ(here.stand.read("spartiti\\12L.jpg"), "left page of source 3");
        EXPECT_EQ(here.stand.read("spartiti\\12R.jpg"), "right page of source 3");
        EXPECT_FALSE(here.stand.exists("spartiti\\13L.jpg"));

        const std::string file = here.stand.read("spartiti\\archivio.js");
        const std::string tail =
            crlf({"\"11\",", "\"Alpha\",", "\"Ann\",", "\"a tags\",", "\"4\",", "\"12\",",
                  "\"Gamma\",", "\"Cid\",", "\"\",", "\"0\",", " ];"});
        EXPECT_EQ(file, before.substr(0, before.size() - 5) + tail);
    }
}

TEST(Absorption, nothingMarked_rewritesTheSameEntries) {
    SourceStand other;
    TempInstallation stand;
    stand.write("spartiti\\archivio.js", crlf({"var archivio = [", "\"7\",", "\"Song\",", "\"\",",
                                               "\"\",", "\"\",", " ];"}));
    ScoreArchive archive;
    loadArchive(archive, stand.installation());
    const Absorption done = appendAndWrite(archive, stand.installation(), other.stand.root(), {});
    ASSERT_EQ(done.outcome, Absorption::Outcome::Appended);
    EXPECT_EQ(done.count, 0);
    EXPECT_TRUE(done.copies.empty());
    EXPECT_EQ(stand.read("spartiti\\archivio.js"),
              crlf({"var archivio = [", "\"1\",", "\"Song\",", "\"\",", "\"\",", "\"0\",", " ];"}));
    EXPECT_EQ(archive.slot(1).category, "0");
}

TEST(Absorption, tooManyForTheArchive_changesNothing) {
    SourceStand other;
    ThisStand here(ScoreArchive::kMaxEntries - 2);
    here.archive.slot(ScoreArchive::kMaxEntries - 1).title = "typed after the last entry";
    const std::string before = here.stand.read("spartiti\\archivio.js");
    const Absorption done =
        appendAndWrite(here.archive, here.stand.installation(), other.stand.root(),
                       collectMarked(other.source, {0, 1, 2}));
    EXPECT_EQ(done.outcome, Absorption::Outcome::NoRoom);
    EXPECT_EQ(done.room, 2);
    EXPECT_TRUE(done.copies.empty());
    EXPECT_EQ(here.archive.entryCount(), ScoreArchive::kMaxEntries - 2);
    EXPECT_EQ(here.archive.slot(ScoreArchive::kMaxEntries - 1).title, "typed after the last entry");
    EXPECT_EQ(here.stand.read("spartiti\\archivio.js"), before);
}

TEST(Absorption, failingWrite_leavesFileAndMemoryAsTheyWere) {
    SourceStand other;
    ThisStand here(3);
    here.archive.slot(4).title = "typed after the last entry";
    const std::string before = here.stand.read("spartiti\\archivio.js");
    Absorption done;
    {
#ifdef _WIN32
        // Another program holds the archive open, so it cannot be replaced.
        test::FileHeldOpen holder(here.stand.path("spartiti\\archivio.js"));
#else
        // The new archive is larger than the limit, so its write fails part-way.
        test::FileSizeLimit limit(before.size() + 10);
#endif
        done = appendAndWrite(here.archive, here.stand.installation(), other.stand.root(),
                              collectMarked(other.source, {0, 1}));
    }
    EXPECT_EQ(done.outcome, Absorption::Outcome::WriteFailed);
    EXPECT_FALSE(done.error.empty());
    EXPECT_TRUE(done.copies.empty());
    EXPECT_EQ(here.stand.read("spartiti\\archivio.js"), before);
    EXPECT_EQ(here.stand.temporaryFileCount(), 0);
    EXPECT_EQ(here.archive.entryCount(), 3);
    EXPECT_EQ(here.archive.slot(4), (ScoreEntry{"", "typed after the last entry", "", "", ""}));
    EXPECT_EQ(here.archive.slot(5), ScoreEntry{});
    EXPECT_FALSE(here.stand.exists("spartiti\\4L.jpg"));
}

TEST(Absorption, pagesThatCannotBeCopied_areListedAndTheRestCopied) {
    SourceStand other;
    std::filesystem::remove(other.stand.path("spartiti\\2R.jpg"));
    other.stand.write("spartiti\\archivio.js",
                      test::archiveKeepingNumbers({{"1", "Alpha", "", "", "1"},
                                                   {"2", "Beta", "", "", "1"},
                                                   {"../1", "Climbing", "", "", "1"},
                                                   {"0", "Zero", "", "", "1"},
                                                   {"10000", "Too far", "", "", "1"},
                                                   {"x", "Lettered", "", "", "1"}}));
    ASSERT_EQ(loadSourceArchive(other.stand.root(), other.source), SourceLoad::Loaded);
    ThisStand here(1);
    here.stand.write("spartiti\\3R.jpg", "an older page");
    const Absorption done =
        appendAndWrite(here.archive, here.stand.installation(), other.stand.root(),
                       collectMarked(other.source, {0, 1, 2, 3, 4, 5}));
    ASSERT_EQ(done.outcome, Absorption::Outcome::Appended);
    EXPECT_EQ(here.archive.entryCount(), 7);
    ASSERT_EQ(done.unnamed.size(), 4u);
    EXPECT_EQ(done.unnamed[0].page, "../1");
    EXPECT_EQ(done.unnamed[3].page, "x");
    EXPECT_NE(done.unnamed[1].reason.find("\"Zero\""), std::string::npos);

    std::vector<std::size_t> progress;
    const std::vector<UncopiedPage> uncopied =
        copyPages(done.copies, [&](std::size_t n) { progress.push_back(n); });
    EXPECT_EQ(progress, (std::vector<std::size_t>{1, 2, 3, 4}));
    ASSERT_EQ(uncopied.size(), 1u);
    EXPECT_EQ(uncopied[0].page, other.stand.path("spartiti\\2R.jpg").string());
    EXPECT_EQ(here.stand.read("spartiti\\2R.jpg"), "right page of source 1");
    EXPECT_EQ(here.stand.read("spartiti\\3L.jpg"), "left page of source 2");
    EXPECT_EQ(here.stand.read("spartiti\\3R.jpg"), "an older page");
    EXPECT_FALSE(here.stand.exists("spartiti\\4L.jpg"));
}

void put(const std::filesystem::path& file, std::string_view bytes) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

// Absorbing source entry 1 as entry 2 here, with strangers' files and odd source pages about.
TEST(Absorption, filesOfTheNewEntry_areItsOwnOrMovedAsideAndListed) {
    namespace fs = std::filesystem;
    const std::string stamp = "2024-05-06 07-08-09";
    const std::string aside = "spartiti\\backup\\" + stamp + " absorption\\";
    // A folder on another file system where there is one (the tmpfs /dev/shm), removed after.
    struct Elsewhere {
        fs::path path;
        ~Elsewhere() {
            std::error_code ec;
            if (!path.empty())
                fs::remove_all(path, ec);
        }
    };
    struct Stands {
        TempInstallation sources;
        TempInstallation outside;
        ThisStand here{1};
        fs::path source;
        Elsewhere elsewhere;
    };
    struct Case {
        const char* what;
        std::u8string folder;
        bool posixOnly;
        std::function<void(Stands&)> arrange;
        // Files here, by name: their bytes, or "" for none.
        std::vector<std::pair<std::string, std::string>> files;
        const char* uncopied;
        const char* notMovedAside;
    };
    const Case cases[] = {
        {"leftovers under the new number",
         u8"other",
         false,
         [](Stands& s) {
             fs::remove(s.source / "spartiti" / "1R.jpg");
             s.here.stand.write("spartiti\\2R.jpg", "stranger right");
             s.here.stand.write("spartiti\\audio\\2.mp3", "stranger song");
         },
         {{"spartiti\\2L.jpg", "left 1"},
          {"spartiti\\2R.jpg", ""},
          {aside + "2R.jpg", "stranger right"},
          {aside + "2.mp3", "stranger song"},
          {"spartiti\\audio\\2.mp3", ""}},
         "1R.jpg\" is not there.",
         nullptr},
        {"an earlier absorption in the same second",
         u8"other",
         false,
         [&](Stands& s) {
             s.here.stand.write(aside + "2.mp3", "earlier");
             s.here.stand.write("spartiti\\audio\\2.mp3", "stranger song");
         },
         {{aside + "2.mp3", "earlier"},
          {"spartiti\\backup\\" + stamp + " absorption 2\\2.mp3", "stranger song"},
          {"spartiti\\2R.jpg", "right 1"}},
         nullptr,
         nullptr},
        {"no backup folder can be made",
         u8"other",
         false,
         [](Stands& s) {
             fs::remove(s.source / "spartiti" / "1R.jpg");
             s.here.stand.write("spartiti\\backup", "a file, not a folder");
             s.here.stand.write("spartiti\\2R.jpg", "stranger right");
         },
         {{"spartiti\\2R.jpg", "stranger right"}, {"spartiti\\2L.jpg", "left 1"}},
         "1R.jpg\" is not there.",
         "2R.jpg\" belongs to no absorbed score, but it could not be moved aside"},
        {"a page in the way that cannot be moved aside is never replaced",
         u8"other",
         false,
         [](Stands& s) {
             s.here.stand.write("spartiti\\backup", "a file, not a folder");
             s.here.stand.write("spartiti\\2L.jpg", "stranger left");
         },
         {{"spartiti\\2L.jpg", "stranger left"}, {"spartiti\\2R.jpg", "right 1"}},
         "2L.jpg\" is in the way and could not be moved aside",
         nullptr},
        {"a backup folder on another file system",
         u8"other",
         true,
         [](Stands& s) {
             const fs::path shm("/dev/shm");
             const fs::path base = fs::is_directory(shm) ? shm : fs::temp_directory_path();
             s.elsewhere.path = base / ("folio-backup-" + s.here.stand.root().filename().string());
             fs::create_directories(s.elsewhere.path);
             fs::create_directory_symlink(s.elsewhere.path, s.here.stand.path("spartiti\\backup"));
             s.here.stand.write("spartiti\\2L.jpg", "stranger left");
             s.here.stand.write("spartiti\\audio\\2.mp3", "stranger song");
         },
         {{"spartiti\\2L.jpg", "left 1"},
          {aside + "2L.jpg", "stranger left"},
          {aside + "2.mp3", "stranger song"},
          {"spartiti\\audio\\2.mp3", ""}},
         nullptr,
         nullptr},
        {"a folder name with an accented letter",
         u8"Stand Jos\u00e9",
         false,
         [](Stands& s) { fs::remove(s.source / "spartiti" / "1R.jpg"); },
         {{"spartiti\\2L.jpg", "left 1"}, {"spartiti\\2R.jpg", ""}},
         "Stand Jos\xc3\xa9",
         nullptr},
        {"a page that links outside",
         u8"other",
         true,
         [](Stands& s) {
             s.outside.write("key.txt", "secret key");
             fs::remove(s.source / "spartiti" / "1L.jpg");
             fs::create_symlink(s.outside.path("key.txt"), s.source / "spartiti" / "1L.jpg");
             s.here.stand.write("spartiti\\2L.jpg", "stranger left");
         },
         {{"spartiti\\2L.jpg", ""},
          {aside + "2L.jpg", "stranger left"},
          {"spartiti\\2R.jpg", "right 1"}},
         "1L.jpg\" is a link; links are not followed.",
         nullptr},
        {"a page that is a pipe",
         u8"other",
         true,
         [](Stands& s) {
#ifndef _WIN32
             fs::remove(s.source / "spartiti" / "1L.jpg");
             ASSERT_EQ(::mkfifo((s.source / "spartiti" / "1L.jpg").c_str(), 0644), 0);
#endif
             (void)s;
         },
         {{"spartiti\\2L.jpg", ""}, {"spartiti\\2R.jpg", "right 1"}},
         "1L.jpg\" is not a file.",
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
#ifdef _WIN32
        if (c.posixOnly)
            continue;
#endif
        Stands s;
        s.source = s.sources.root() / c.folder;
        put(s.source / "spartiti" / "archivio.js",
            test::archiveFile({{"1", "Alpha", "Ann", "", "1"}, {"2", "Beta", "Bob", "", "1"}}));
        put(s.source / "spartiti" / "1L.jpg", "left 1");
        put(s.source / "spartiti" / "1R.jpg", "right 1");
        c.arrange(s);
        SourceArchive source;
        ASSERT_EQ(loadSourceArchive(s.source, source), SourceLoad::Loaded);

        const Absorption done = appendAndWrite(s.here.archive, s.here.stand.installation(),
                                               s.source, collectMarked(source, {0}), stamp);
        ASSERT_EQ(done.outcome, Absorption::Outcome::Appended);
        std::vector<std::size_t> progress;
        const Attachment attached = attachFiles(done, s.here.stand.installation(), stamp,
                                                [&](std::size_t n) { progress.push_back(n); });

        EXPECT_EQ(progress, (std::vector<std::size_t>{1, 2}));
        for (const auto& [name, bytes] : c.files) {
            EXPECT_EQ(s.here.stand.exists(name), !bytes.empty()) << name;
            EXPECT_EQ(s.here.stand.read(name), bytes) << name;
        }
        ASSERT_EQ(attached.uncopied.size(), c.uncopied ? 1u : 0u);
        if (c.uncopied) {
            EXPECT_NE(attached.uncopied[0].reason.find(c.uncopied), std::string::npos)
                << attached.uncopied[0].reason;
            const std::u8string page = attached.uncopied[0].page.empty()
                                           ? std::u8string()
                                           : std::u8string(attached.uncopied[0].page.begin(),
                                                           attached.uncopied[0].page.end());
            EXPECT_EQ(fs::path(page).parent_path(), s.source / "spartiti");
        }
        ASSERT_EQ(attached.notMovedAside.size(), c.notMovedAside ? 1u : 0u);
        if (c.notMovedAside) {
            EXPECT_NE(attached.notMovedAside[0].reason.find(c.notMovedAside), std::string::npos)
                << attached.notMovedAside[0].reason;
        }
        for (const MovedAside& moved : attached.movedAside)
            EXPECT_EQ(moved.to.parent_path(), attached.backupFolder);
    }
}

} // namespace
} // namespace folio
