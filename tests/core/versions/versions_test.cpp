// Versions kept before every rewrite of a data file, their listing, pruning and restoring, and
// the undo of the last absorption.
#include "core/absorption/absorption.h"
#include "core/absorption/absorption_undo.h"
#include "core/archive/score_archive.h"
#include "core/midi/midi_store.h"
#include "core/playlists/playlist_store.h"
#include "core/versions/versions.h"
#include "support/fault_injection.h"
#include "support/rows.h"
#include "support/temp_installation.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <map>

namespace folio {
namespace {

namespace fs = std::filesystem;
using test::TempInstallation;

const std::string kStamp = "2026-03-04 05-06-07";

// The names of the folders under spartiti/backup.
std::vector<std::string> backupFolders(const TempInstallation& stand) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(stand.path("spartiti\\backup"), ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A rewrite of file past bytes fails while alive: a file size limit on POSIX, which stops the
// new file's write, and on Windows the file held open against replacement, which stops the
// rename only once the version is kept. A file held so cannot be unlinked either: its version
// stays, a true copy of the file as it still is.
struct RewriteFault {
#ifdef _WIN32
    RewriteFault(const fs::path& file, std::size_t) : held(file) {}
    test::FileHeldOpen held;
    static constexpr bool kVersionStays = true;
#else
    RewriteFault(const fs::path&, std::size_t bytes) : limit(bytes) {}
    test::FileSizeLimit limit;
    static constexpr bool kVersionStays = false;
#endif
    // Contents less the versions a failed rewrite may leave.
    static std::map<std::string, std::string> without(std::map<std::string, std::string> contents,
                                                      std::string_view maker) {
        if (kVersionStays)
            std::erase_if(contents, [&](const auto& item) {
                return item.first.find(maker) != std::string::npos;
            });
        return contents;
    }
};

struct Stand {
    Stand() {
        stand.write("spartiti\\archivio.js", test::songArchive(2));
        stand.write("spartiti\\playlist.js", playlistFileBytes({{"Gig", "1,2,#"}}));
        MidiStore midi;
        MidiGrid grid;
        grid[0] = "0,0,1";
        EXPECT_TRUE(midi.save(stand.installation(), 1, grid).ok);
        EXPECT_EQ(loadArchive(archive, stand.installation()), ArchiveLoad::Loaded);
    }
    TempInstallation stand;
    TempInstallation other;
    ScoreArchive archive;
};

TEST(Versions, everyRewrite_keepsTheFileAsItWasBeforeReplacingIt) {
    struct Case {
        const char* what;
        const char* maker;
        DataFile file;
        std::function<void(Stand&)> arrange;
        std::function<bool(Stand&, KeepVersion&)> rewrite;
        std::vector<std::string> folders; // under spartiti/backup afterwards
        std::string summary;              // of the newest version listed
        const char* notKept;              // why no version was kept, or nullptr
        bool rewritten = true;
        // The place in the listing of the version holding the file as it was.
        std::size_t keptAt = 0;
    };
    const auto save = [](Stand& s, KeepVersion& keep) {
        s.archive.slot(1).title = "Wrong title";
        return saveArchive(s.archive, s.stand.installation(), &keep).ok;
    };
    const Case cases[] = {
        {"save", "save", DataFile::Archive, {}, save, {kStamp + " save"}, "2 entries", nullptr},
        {"playlist save",
         "playlist",
         DataFile::Playlists,
         {},
         [](Stand& s, KeepVersion& keep) {
             PlaylistStore store(s.stand.installation());
             store.read();
             return store.writeBack("New", "2,#", std::nullopt, &keep).written();
         },
         {kStamp + " playlist"},
         "1 playlist",
         nullptr},
        {"playlist delete",
         "playlist",
         DataFile::Playlists,
         {},
         [](Stand& s, KeepVersion& keep) {
             PlaylistStore store(s.stand.installation());
             store.read();
             return store.deletePlaylist({0, {"Gig", "1,2,#"}}, &keep).written();
         },
         {kStamp + " playlist"},
         "1 playlist",
         nullptr},
        {"midi",
         "midi",
         DataFile::Midi,
         {},
         [](Stand& s, KeepVersion& keep) {
             MidiStore store;
             store.load(s.stand.installation());
             MidiGrid grid;
             grid[0] = "1,2,3";
             return store.save(s.stand.installation(), 2, grid, &keep).ok;
         },
         {kStamp + " midi"},
         "1 MIDI record",
         nullptr},
        {"absorption",
         "absorption",
         DataFile::Archive,
         {},
         [](Stand& s, KeepVersion& keep) {
             s.other.write("spartiti\\archivio.js", test::songArchive(1, "Theirs"));
             SourceArchive source;
             loadSourceArchive(s.other.root(), source);
             const Absorption done = appendAndWrite(s.archive, s.stand.installation(),
                                                    s.other.root(), source.entries, kStamp);
             keep.folder = done.backupFolder;
             keep.notKept = done.versionNotKept;
             return done.outcome == Absorption::Outcome::Appended;
         },
         {kStamp + " absorption"},
         "2 entries",
         nullptr},
        {"restore",
         "restore",
         DataFile::Archive,
         [](Stand& s) {
             KeepVersion first;
             first.what = "save";
             first.stamp = "2020-01-01 00-00-00";
             keepVersion(s.stand.installation(), DataFile::Archive, first);
             // Every rewrite renames a new file over the old one, never writes into it.
             EXPECT_TRUE(
                 rewriteAtomically(s.stand.path("spartiti\\archivio.js"), test::songArchive(5)).ok);
         },
         [](Stand& s, KeepVersion& keep) {
             keep.countRecords = archiveEntriesIn;
             return restoreVersion(s.stand.installation(),
                                   listVersions(s.stand.installation()).at(0), keep)
                 .ok;
         },
         {"2020-01-01 00-00-00 save", kStamp + " restore"},
         "5 entries",
         nullptr},
        {"two saves in one second",
         "save",
         DataFile::Archive,
         {},
         [save](Stand& s, KeepVersion& keep) {
             save(s, keep);
             keep.folder.clear();
             return save(s, keep);
         },
         {kStamp + " save", kStamp + " save 2"},
         "2 entries",
         nullptr,
         true,
         1},
        {"backup folder is a file",
         "save",
         DataFile::Archive,
         {},
         [save](Stand& s, KeepVersion& keep) {
             s.stand.write("spartiti\\backup", "not a folder");
             return save(s, keep);
         },
         {},
         "",
         "cannot be made"},
        {"a rewrite that fails keeps no version",
         "save",
         DataFile::Archive,
         {},
         [](Stand& s, KeepVersion& keep) {
             for (int n = 1; n <= 60; ++n)
                 s.archive.slot(n) = {"", "Title " + std::to_string(n), "", "", ""};
             s.archive.setEntryCount(60);
             RewriteFault fault(s.stand.path("spartiti\\archivio.js"), 1000);
             return saveArchive(s.archive, s.stand.installation(), &keep).ok;
         },
         RewriteFault::kVersionStays ? std::vector<std::string>{kStamp + " save"}
                                     : std::vector<std::string>{},
         "2 entries",
         nullptr,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Stand s;
        if (c.arrange)
            c.arrange(s);
        const std::string before = s.stand.read("spartiti\\" + std::string(dataFileName(c.file)));
        KeepVersion keep;
        keep.what = c.maker;
        keep.stamp = kStamp;
        EXPECT_EQ(c.rewrite(s, keep), c.rewritten);
        const std::string after = s.stand.read("spartiti\\" + std::string(dataFileName(c.file)));
        EXPECT_EQ(after != before, c.rewritten);
        EXPECT_EQ(backupFolders(s.stand), c.folders);
        if (c.notKept) {
            EXPECT_NE(keep.notKept.find(c.notKept), std::string::npos) << keep.notKept;
            EXPECT_TRUE(keep.folder.empty());
            continue;
        }
        EXPECT_EQ(keep.notKept, "");
        const std::vector<Version> listed = listVersions(s.stand.installation());
        if (c.folders.empty()) {
            EXPECT_TRUE(listed.empty());
            continue;
        }
        ASSERT_FALSE(listed.empty());
        EXPECT_EQ(listed[0].folder, keep.folder);
        EXPECT_EQ(listed[0].file, c.file);
        EXPECT_EQ(versionSummary(listed[0]), c.summary);
        EXPECT_EQ(
            s.stand.read(installationName(s.stand.installation(), listed.at(c.keptAt).dataPath())),
            before);
        EXPECT_EQ(listed[0].when, "2026-03-04 05:06:07");
    }
}

// Keeps the archive as a version made by what at second k of kStamp's minute.
fs::path keepAt(const TempInstallation& stand, int second, const char* what, DataFile file,
                std::size_t bytes = 10) {
    EXPECT_TRUE(
        rewriteAtomically(dataFilePath(stand.installation(), file), std::string(bytes, 'x')).ok);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "2026-03-04 05-06-%02d", second);
    KeepVersion keep;
    keep.what = what;
    keep.count = 1;
    keep.stamp = stamp;
    keepVersion(stand.installation(), file, keep);
    EXPECT_EQ(keep.notKept, "");
    return keep.folder;
}

TEST(Versions, pruning_keepsTheNewestOfEachFileAndOfAbsorptionsWithinTheSize) {
    struct Kept {
        const char* what;
        DataFile file;
        std::size_t bytes;
    };
    struct Case {
        const char* rule;
        Retention retention;
        std::vector<Kept> versions; // oldest first
        std::vector<int> survivors; // their places in versions
    };
    const DataFile A = DataFile::Archive;
    const DataFile P = DataFile::Playlists;
    const Case cases[] = {
        {"newest per file",
         {2, 0, 1 << 30, 1},
         {{"save", A, 10}, {"playlist", P, 10}, {"save", A, 10}, {"save", A, 10}, {"save", A, 10}},
         {1, 3, 4}},
        {"the newest absorptions beyond the per-file count",
         {1, 2, 1 << 30, 1},
         {{"absorption", A, 10}, {"absorption", A, 10}, {"absorption", A, 10}, {"save", A, 10}},
         {1, 2, 3}},
        {"absorptions among the newest count towards the newest absorptions",
         {3, 2, 1 << 30, 1},
         {{"absorption", A, 10},
          {"absorption", A, 10},
          {"absorption", A, 10},
          {"save", A, 10},
          {"save", A, 10}},
         {1, 2, 3, 4}},
        {"oldest go first beyond the size",
         {10, 5, 2500, 1},
         {{"save", A, 1000}, {"save", A, 1000}, {"save", A, 1000}},
         {1, 2}},
        {"never one of the newest of a file",
         {10, 5, 1, 2},
         {{"save", A, 1000}, {"save", A, 1000}, {"midi", DataFile::Midi, 1000}},
         {0, 1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        TempInstallation stand;
        std::vector<fs::path> folders;
        for (std::size_t k = 0; k < c.versions.size(); ++k)
            folders.push_back(keepAt(stand, static_cast<int>(k), c.versions[k].what,
                                     c.versions[k].file, c.versions[k].bytes));
        // Folders this program did not make, or made without a record, are never removed.
        stand.write("spartiti\\backup\\2026-01-01 00-00-00 save\\archivio.js", "by hand");
        stand.write("spartiti\\backup\\notes\\archivio.js", "mine");
        pruneVersions(stand.installation(), c.retention);
        std::vector<int> survivors;
        for (std::size_t k = 0; k < folders.size(); ++k) {
            if (fs::exists(folders[k]))
                survivors.push_back(static_cast<int>(k));
        }
        EXPECT_EQ(survivors, c.survivors);
        EXPECT_TRUE(stand.exists("spartiti\\backup\\2026-01-01 00-00-00 save\\archivio.js"));
        EXPECT_TRUE(stand.exists("spartiti\\backup\\notes\\archivio.js"));
    }
}

TEST(Versions, listingAndRestore_showWhatIsThereAndChangeNothingOnFailure) {
    struct Case {
        const char* what;
        std::function<void(const Version&)> damage;
        std::vector<std::string> listed; // summaries, newest first
        const char* refusal;             // of the restore of the newest, or nullptr
    };
    const Case cases[] = {
        {"whole", [](const Version&) {}, {"3 entries", "1 playlist", "2 entries"}, nullptr},
        {"damaged record",
         [](const Version& v) {
             EXPECT_TRUE(rewriteAtomically(v.folder / "version.txt", "count: 3").ok);
         },
         {"unknown", "1 playlist", "2 entries"},
         nullptr},
        {"missing record",
         [](const Version& v) { fs::remove(v.folder / "version.txt"); },
         {"unknown", "1 playlist", "2 entries"},
         nullptr},
        {"data file deleted by hand",
         [](const Version& v) { fs::remove(v.dataPath()); },
         {"1 playlist", "2 entries"},
         nullptr},
        {"data file unreadable",
         [](const Version&) {},
         {"3 entries", "1 playlist", "2 entries"},
         "it is a folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempInstallation stand;
        const Installation& here = stand.installation();
        for (const auto& [second, what, file, bytes] :
             {std::tuple{1, "save", DataFile::Archive, test::songArchive(2)},
              std::tuple{2, "playlist", DataFile::Playlists, playlistFileBytes({{"Gig", "1,#"}})},
              std::tuple{3, "save", DataFile::Archive, test::songArchive(3)}}) {
            EXPECT_TRUE(rewriteAtomically(dataFilePath(here, file), bytes).ok);
            KeepVersion keep;
            keep.what = what;
            keep.countRecords = file == DataFile::Archive ? RecordCounter(archiveEntriesIn)
                                                          : RecordCounter(playlistsIn);
            keep.stamp = "2026-03-04 05-06-0" + std::to_string(second);
            keep.made = static_cast<std::uint64_t>(second);
            keepVersion(here, file, keep);
        }
        EXPECT_TRUE(
            rewriteAtomically(dataFilePath(here, DataFile::Archive), test::songArchive(4, "Now"))
                .ok);
        Version newest = listVersions(here).at(0);
        c.damage(newest);
        std::vector<std::string> summaries;
        for (const Version& version : listVersions(here))
            summaries.push_back(versionSummary(version));
        EXPECT_EQ(summaries, c.listed);

        if (c.refusal) {
            fs::remove(newest.dataPath());
            fs::create_directory(newest.dataPath());
        }
        const auto before = test::folderContents(stand.root());
        KeepVersion keep;
        const FileResult restored = restoreVersion(here, newest, keep);
        if (c.refusal) {
            EXPECT_FALSE(restored.ok);
            EXPECT_NE(restored.error.find(c.refusal), std::string::npos) << restored.error;
            EXPECT_EQ(test::folderContents(stand.root()), before);
        } else if (fs::exists(newest.dataPath())) {
            EXPECT_TRUE(restored.ok) << restored.error;
            EXPECT_EQ(stand.read("spartiti\\archivio.js"), test::songArchive(3));
            EXPECT_EQ(listVersions(here).at(0).what, "restore");
            EXPECT_EQ(stand.read(installationName(here, listVersions(here).at(0).dataPath())),
                      test::songArchive(4, "Now"));
        }
    }
}

// Everything below root but the backup folder: what the musician's stand holds.
std::map<std::string, std::string> standContents(const TempInstallation& stand) {
    std::map<std::string, std::string> contents = test::folderContents(stand.root());
    std::erase_if(contents,
                  [](const auto& item) { return item.first.find("backup") != std::string::npos; });
    return contents;
}

// This stand with one entry "Own", and another stand with one score "Theirs" and its pages.
struct TwoStands {
    TwoStands() {
        archive.slot(1) = {"1", "Own", "", "", "1"};
        archive.setEntryCount(1);
        EXPECT_TRUE(saveArchive(archive, stand.installation()).ok);
        other.write("spartiti\\archivio.js", test::songArchive(1, "Theirs"));
        other.write("spartiti\\1L.jpg", "their left");
        other.write("spartiti\\1R.jpg", "their right");
    }
    // Absorbs the other stand's score and records what was done, as the merging window does.
    void absorb() {
        SourceArchive source;
        loadSourceArchive(other.root(), source);
        const Absorption done =
            appendAndWrite(archive, stand.installation(), other.root(), source.entries, kStamp);
        const Attachment attached = attachFiles(done, stand.installation(), kStamp);
        EXPECT_TRUE(recordAbsorption(stand.installation(), done, attached).ok);
    }
    TempInstallation stand;
    TempInstallation other;
    ScoreArchive archive;
};

TEST(Versions, undoLastAbsorption_putsEverythingBackOrChangesNothing) {
    struct Case {
        const char* what;
        std::function<void(TempInstallation&, ScoreArchive&)> arrange;
        const char* refusal; // nullptr: undone
        UndoState state;     // before the undo
    };
    const std::string folder = "spartiti\\backup\\" + kStamp + " absorption\\";
    const Case cases[] = {
        {"undone", [](TempInstallation&, ScoreArchive&) {}, nullptr, UndoState::Available},
        {"saved since",
         [](TempInstallation& stand, ScoreArchive& archive) {
             archive.slot(2).title = "Edited";
             EXPECT_TRUE(saveArchive(archive, stand.installation()).ok);
         },
         "saved since the last absorption", UndoState::SavedSince},
        {"a copied page removed by hand",
         [](TempInstallation& stand, ScoreArchive&) { fs::remove(stand.path("spartiti\\2L.jpg")); },
         "2L.jpg\" that the absorption copied is no longer there", UndoState::Available},
        {"a file in the way of a copied page",
         [&](TempInstallation& stand, ScoreArchive&) {
             stand.write(folder + "absorbed\\2R.jpg", "in the way");
         },
         "Something stands at", UndoState::Available},
        {"a file in the way of one moved aside",
         [](TempInstallation& stand, ScoreArchive&) {
             stand.write("spartiti\\audio\\2.mp3", "new song");
         },
         "Something stands at", UndoState::Available},
        {"the folder a file moved aside goes back to is gone",
         [](TempInstallation& stand, ScoreArchive&) {
             fs::remove_all(stand.path("spartiti\\audio"));
         },
         "audio\" is no longer there", UndoState::Available},
        {"the archive cannot be written after the pages moved",
         [](TempInstallation&, ScoreArchive&) {}, "archivio.js", UndoState::Available},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TwoStands s;
        TempInstallation& stand = s.stand;
        ScoreArchive& archive = s.archive;
        stand.write("spartiti\\1L.jpg", "own left");
        stand.write("spartiti\\2R.jpg", "stranger right");
        stand.write("spartiti\\audio\\2.mp3", "stranger song");
        const auto untouched = standContents(stand);
        s.absorb();
        ASSERT_EQ(stand.read("spartiti\\2R.jpg"), "their right");
        c.arrange(stand, archive);
        EXPECT_EQ(lastAbsorption(stand.installation()).state, c.state);

        const auto before = test::folderContents(stand.root());
        UndoReport undone;
        if (std::string_view(c.what).starts_with("the archive cannot")) {
            RewriteFault fault(stand.path("spartiti\\archivio.js"), 10);
            undone = undoLastAbsorption(stand.installation());
        } else {
            undone = undoLastAbsorption(stand.installation());
        }
        if (c.refusal) {
            EXPECT_FALSE(undone.ok);
            EXPECT_NE(undone.error.find(c.refusal), std::string::npos) << undone.error;
            EXPECT_EQ(RewriteFault::without(test::folderContents(stand.root()), " restore"),
                      before);
            continue;
        }
        ASSERT_TRUE(undone.ok) << undone.error;
        EXPECT_EQ(standContents(stand), untouched);
        EXPECT_EQ(stand.read(folder + "absorbed\\2L.jpg"), "their left");
        EXPECT_EQ(stand.read(folder + "absorbed\\2R.jpg"), "their right");
        EXPECT_EQ(undone.pagesMoved, 2u);
        EXPECT_EQ(undone.filesPutBack, 2u);
        EXPECT_EQ(lastAbsorption(stand.installation()).state, UndoState::None);
    }
}

// The files an absorption set aside and the pages an undo parked belong to the musician:
// pruning takes only the version's own file and record, and never counts them in the size.
TEST(Versions, pruning_leavesWhatWasSetAsideAndCountsOnlyTheVersions) {
    struct Case {
        const char* what;
        Retention retention;
        bool absorptionPruned;
    };
    const Case cases[] = {
        {"beyond the newest", {1, 0, 1 << 30, 1}, true},
        {"set-aside files do not count towards the size", {10, 5, 100, 1}, false},
    };
    test::forEachRow(cases, [&](const Case& c) {
        TempInstallation stand;
        const fs::path absorption = keepAt(stand, 0, "absorption", DataFile::Archive);
        stand.write(installationName(stand.installation(), absorption / "5L.jpg"),
                    std::string(10000, 's'));
        stand.write(installationName(stand.installation(), absorption / "absorbed" / "6L.jpg"),
                    "parked page");
        for (int second = 1; second <= 3; ++second)
            keepAt(stand, second, "save", DataFile::Archive);
        pruneVersions(stand.installation(), c.retention);

        EXPECT_EQ(fs::exists(absorption / "archivio.js"), !c.absorptionPruned);
        EXPECT_EQ(fs::exists(absorption / "version.txt"), !c.absorptionPruned);
        EXPECT_EQ(stand.read(installationName(stand.installation(), absorption / "5L.jpg")),
                  std::string(10000, 's'));
        EXPECT_EQ(
            stand.read(installationName(stand.installation(), absorption / "absorbed" / "6L.jpg")),
            "parked page");
        EXPECT_EQ(listVersions(stand.installation()).size(), c.absorptionPruned ? 1u : 4u);
        const std::vector<SetAside> aside = listSetAside(stand.installation());
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(aside[0].folder, absorption);
        EXPECT_EQ(aside[0].files, 2u);
        EXPECT_EQ(aside[0].when, "2026-03-04 05:06");
    });
}

// Versions are ordered by the time in their record: a clock or time zone set back gives a new
// version a folder name that looks older, and the save that kept it never prunes it.
TEST(Versions, clockSetBack_neverPrunesTheVersionJustKept) {
    const std::uint64_t now =
        static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                       std::chrono::system_clock::now().time_since_epoch())
                                       .count());
    struct Case {
        const char* what;
        std::uint64_t madeBefore; // the earlier versions' record time, plus their place
        std::size_t listedAt;     // where the new version is listed among the 21
    };
    const Case cases[] = {
        {"time zone set back an hour", now - 3600000000ull, 0},
        {"clock that ran an hour ahead, set right", now + 3600000000ull, 20},
    };
    test::forEachRow(cases, [&](const Case& c) {
        TempInstallation stand;
        EXPECT_TRUE(rewriteAtomically(dataFilePath(stand.installation(), DataFile::Archive),
                                      test::songArchive(1))
                        .ok);
        for (int k = 0; k < 20; ++k) {
            KeepVersion keep;
            keep.what = "save";
            keep.stamp = "2026-10-25 02-50-" + std::string(k < 10 ? "0" : "") + std::to_string(k);
            keep.made = c.madeBefore + static_cast<std::uint64_t>(k);
            keepVersion(stand.installation(), DataFile::Archive, keep);
        }
        ScoreArchive archive;
        ASSERT_EQ(loadArchive(archive, stand.installation()), ArchiveLoad::Loaded);
        archive.slot(1).title = "After the change";
        KeepVersion keep;
        keep.what = "save";
        keep.stamp = "2026-10-25 02-10-00";
        ASSERT_TRUE(saveArchive(archive, stand.installation(), &keep).ok);

        ASSERT_FALSE(keep.folder.empty());
        EXPECT_TRUE(fs::exists(keep.folder / "archivio.js"));
        const std::vector<Version> listed = listVersions(stand.installation());
        ASSERT_EQ(listed.size(), c.listedAt == 0 ? 20u : 21u);
        EXPECT_EQ(listed.at(c.listedAt).folder, keep.folder);
    });
}

// Undo takes out exactly the entries the absorption appended, and leaves alone what the
// musician made meanwhile: an edit its save carried, a page attached after it.
TEST(Versions, undoLastAbsorption_takesBackOnlyWhatTheAbsorptionAdded) {
    struct Case {
        const char* what;
        std::function<void(TempInstallation&)> afterAbsorption;
        std::string page2L;       // afterwards
        std::string stillAside2L; // in the absorption's folder afterwards, "" for nothing
        std::size_t changedPages;
    };
    const std::string folder = "spartiti\\backup\\" + kStamp + " absorption\\";
    const Case cases[] = {
        {"untouched since", [](TempInstallation&) {}, "stranger left", "", 0},
        {"a page attached since",
         [](TempInstallation& stand) {
             EXPECT_TRUE(rewriteAtomically(stand.path("spartiti\\2L.jpg"), "scanned since").ok);
         },
         "scanned since", "stranger left", 1},
    };
    test::forEachRow(cases, [&](const Case& c) {
        TwoStands s;
        TempInstallation& stand = s.stand;
        stand.write("spartiti\\2L.jpg", "stranger left");
        // Typed in the main window before "Absorb": the absorption's save carries it.
        s.archive.slot(1).title = "Own, corrected";
        s.absorb();
        c.afterAbsorption(stand);

        const UndoReport undone = undoLastAbsorption(stand.installation());
        ASSERT_TRUE(undone.ok) << undone.error;
        ScoreArchive after;
        ASSERT_EQ(loadArchive(after, stand.installation()), ArchiveLoad::Loaded);
        EXPECT_EQ(after.entryCount(), 1);
        EXPECT_EQ(after.slot(1).title, "Own, corrected");
        EXPECT_EQ(undone.entriesRemoved, 1);
        EXPECT_EQ(stand.read("spartiti\\2L.jpg"), c.page2L);
        EXPECT_EQ(stand.read(folder + "2L.jpg"), c.stillAside2L);
        EXPECT_EQ(undone.changedPages.size(), c.changedPages);
        EXPECT_EQ(undone.stillAside.size(), c.changedPages);
        EXPECT_EQ(stand.read("spartiti\\2R.jpg"), "");
        EXPECT_EQ(stand.read(folder + "absorbed\\2R.jpg"), "their right");
    });
}

// A record that names anything but the program's own page and recording names is damaged:
// listed so, and never acted on, whatever it names.
TEST(Versions, forgedRecord_isDamagedAndTheUndoTouchesNothing) {
    struct Forged {
        const char* what; // the record's line
    };
    const Forged forged[] = {
        "copied: ..\\home\\Documents\\thesis.odt",
        "moved: ..\\home\\.config\\autostart\\evil.desktop",
        "copied: spartiti\\..\\..\\thesis.odt",
        "moved: /etc/passwd",
        "copied: C:\\Users\\me\\thesis.odt",
        "copied: spartiti\\123456789012345678901234567890L.jpg",
        "appended: 0 5",
    };
    test::forEachRow(forged, [&](const Forged& row) {
        const std::string line = row.what;
        TempInstallation stand;
        TempInstallation outside;
        outside.write("thesis.odt", "years of work");
        stand.write("spartiti\\archivio.js", test::songArchive(3));
        const std::string folder = "spartiti\\backup\\" + kStamp + " absorption\\";
        stand.write(folder + "archivio.js", test::songArchive(2));
        stand.write(folder + "version.txt",
                    test::crlf({"Folioscribe version record", "made by: absorption",
                                "file: archivio.js", "when: 2026-03-04 05:06:07", "count: 2",
                                "wrote: " + fingerprint(test::songArchive(3)), line}));
        const auto before = test::folderContents(stand.root());
        const auto outsideBefore = test::folderContents(outside.root());

        const std::vector<Version> listed = listVersions(stand.installation());
        ASSERT_EQ(listed.size(), 1u);
        EXPECT_EQ(listed[0].damaged, !line.starts_with("appended"));
        EXPECT_EQ(lastAbsorption(stand.installation()).state, UndoState::Damaged);
        const UndoReport undone = undoLastAbsorption(stand.installation());
        EXPECT_FALSE(undone.ok);
        EXPECT_NE(undone.error.find("is damaged"), std::string::npos) << undone.error;
        EXPECT_EQ(test::folderContents(stand.root()), before);
        EXPECT_EQ(test::folderContents(outside.root()), outsideBefore);
    });
}

} // namespace
} // namespace folio
