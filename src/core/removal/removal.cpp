// The removal of scores: its plan, its journal, and the steps that follow them one by one.
//
// The journal (journal.txt in "<stamp> removal") names the removal and lists its steps; marks
// follow in marks.txt beside it as the removal goes: where the versions of playlist.js and
// midi.js went, the archive it wrote, and "finished" or "rolled back". Whether a step of a stopped
// removal is done is read from the files themselves: a version or a file set aside is done once it
// stands in its folder; a renamed file once its new name stands (the renames go lowest number
// first, and each new name was left free by the step before); a rewritten data file once it holds
// the renumbered bytes, which follow from the versions kept first.
#include "core/removal/removal.h"

#include "core/archive/score_archive.h"
#include "core/files/read_limits.h"
#include "core/midi/midi_store.h"
#include "core/playlists/playlist_store.h"
#include "core/versions/versions.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <sstream>
#include <unordered_set>

namespace folio {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kJournalName = "journal.txt";
constexpr std::string_view kMarksName = "marks.txt";
constexpr std::string_view kJournalFirstLine = "folioscribe removal 1";
constexpr std::string_view kRemovedFolder = "removed";
constexpr std::uint64_t kJournalLimit = 16 * kMiB;
constexpr std::array<DataFile, 3> kWrittenInOrder = {DataFile::Playlists, DataFile::Midi,
                                                     DataFile::Archive};

std::string_view kindWord(RemovalStep::Kind kind) {
    switch (kind) {
    case RemovalStep::Kind::Keep:
        return "keep";
    case RemovalStep::Kind::Aside:
        return "aside";
    case RemovalStep::Kind::Rename:
        return "rename";
    case RemovalStep::Kind::Write:
        return "write";
    }
    return "";
}

std::optional<DataFile> dataFileOf(std::string_view name) {
    for (DataFile file : kWrittenInOrder) {
        if (dataFileName(file) == name)
            return file;
    }
    return std::nullopt;
}

std::vector<EntryFile> filesOf(int number) {
    return {{EntryFileKind::LeftPage, number},
            {EntryFileKind::RightPage, number},
            {EntryFileKind::Recording, number}};
}

// The names that stand in the data folder and its audio folder, read once: a removal of score 1
// of 9999 asks after 30000 names.
class NamesThere {
public:
    explicit NamesThere(const Installation& installation) {
        addFolder(installation.resolve("spartiti"), "spartiti\\");
        addFolder(installation.resolve("spartiti\\audio"), "spartiti\\audio\\");
    }
    bool has(const std::string& name) const { return names_.count(name) > 0; }

private:
    void addFolder(const fs::path& folder, const std::string& prefix) {
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
            names_.insert(prefix + it->path().filename().string());
    }
    std::unordered_set<std::string> names_;
};

// The journal's name of a file of a score taken out: its own name, in the folder "removed".
std::string asideName(std::string_view folder, const EntryFile& file) {
    return std::string(folder) + "\\" + nativeRelativePath(storedName(file)).filename().string();
}

std::vector<RemovalStep> stepsOf(const Installation& installation, const RemovalPlan& plan) {
    std::vector<RemovalStep> steps;
    for (DataFile file : {DataFile::Archive, DataFile::Playlists, DataFile::Midi})
        steps.push_back({RemovalStep::Kind::Keep, std::string(dataFileName(file)), {}});
    const NamesThere there(installation);
    std::vector<RemovalStep> renames;
    const int first = plan.removed.front();
    for (int entry = first; entry <= plan.entryCount; ++entry) {
        const std::optional<int> now = plan.newNumber(entry);
        for (const EntryFile& file : filesOf(entry)) {
            const std::string name = storedName(file);
            if (!there.has(name))
                continue;
            if (!now)
                steps.push_back({RemovalStep::Kind::Aside, name, asideName(kRemovedFolder, file)});
            else if (*now != entry)
                renames.push_back(
                    {RemovalStep::Kind::Rename, name, storedName(EntryFile{file.kind, *now})});
        }
    }
    // Each name a file moves to is left free by the step before it (renames go lowest number
    // first): a file that stands in the way all the same stops the removal at its rename, and
    // the steps before are taken back.
    steps.insert(steps.end(), renames.begin(), renames.end());
    for (DataFile file : kWrittenInOrder)
        steps.push_back({RemovalStep::Kind::Write, std::string(dataFileName(file)), {}});
    return steps;
}

std::string journalText(const RemovalPlan& plan, const std::vector<RemovalStep>& steps) {
    std::ostringstream text;
    text << kJournalFirstLine << "\ncount " << plan.entryCount << "\nremoved";
    for (int entry : plan.removed)
        text << ' ' << entry;
    text << '\n';
    if (plan.mergedInto != 0)
        text << "merged into " << plan.mergedInto << '\n';
    for (const RemovalStep& step : steps) {
        text << "step " << kindWord(step.kind) << ' ' << step.from;
        if (!step.to.empty())
            text << '\t' << step.to;
        text << '\n';
    }
    return text.str();
}

// Marks go to a small file of their own beside the journal, so that the journal of 30000 steps
// is written once.
FileResult appendToJournal(const fs::path& folder, const std::string& line) {
    const fs::path marks = folder / std::string(kMarksName);
    FileRead read = readWholeFile(marks, kJournalLimit);
    if (read.status == ReadStatus::Unreadable)
        return FileResult::failure("The removal's marks " + quotedPath(marks) + " cannot be read.");
    return rewriteAtomically(marks, read.bytes + line + "\n");
}

std::optional<int> numberOf(std::string_view text) {
    int number = 0;
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), number);
    if (parsed.ec != std::errc() || parsed.ptr != text.data() + text.size())
        return std::nullopt;
    return number;
}

// A step as a journal names it, if its names are in the forms a removal writes: an entry's own
// file, a data file, or a file set aside under its own name.
std::optional<RemovalStep> stepOfLine(std::string_view line) {
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos)
        return std::nullopt;
    const std::string_view word = line.substr(0, space);
    std::string_view rest = line.substr(space + 1);
    const std::size_t tab = rest.find('\t');
    RemovalStep step;
    step.from = std::string(rest.substr(0, tab));
    if (tab != std::string_view::npos)
        step.to = std::string(rest.substr(tab + 1));
    if (word == "keep" || word == "write") {
        step.kind = word == "keep" ? RemovalStep::Kind::Keep : RemovalStep::Kind::Write;
        return dataFileOf(step.from) && step.to.empty() ? std::optional(step) : std::nullopt;
    }
    if (word == "rename") {
        step.kind = RemovalStep::Kind::Rename;
        return entryFileNamed(step.from) && entryFileNamed(step.to) ? std::optional(step)
                                                                    : std::nullopt;
    }
    if (word == "aside") {
        step.kind = RemovalStep::Kind::Aside;
        const std::optional<EntryFile> file = entryFileNamed(step.from);
        if (!file || step.to != asideName(kRemovedFolder, *file))
            return std::nullopt;
        return step;
    }
    return std::nullopt;
}

// Where the journal's names lead.
struct Places {
    const Installation& installation;
    const RemovalJournal& journal;

    fs::path of(std::string_view name) const { return installation.resolve(name); }
    fs::path aside(std::string_view name) const {
        return journal.folder / nativeRelativePath(name);
    }
    // The version of a data file kept first; empty when none was (the file was not there).
    fs::path kept(DataFile file) const {
        const std::string& folder = file == DataFile::Archive     ? std::string("-")
                                    : file == DataFile::Playlists ? journal.playlistVersion
                                                                  : journal.midiVersion;
        if (file == DataFile::Archive)
            return journal.folder / std::string(dataFileName(file));
        if (folder.empty() || folder == "-")
            return {};
        return backupRoot(installation) / fs::path(folder) / std::string(dataFileName(file));
    }
};

// The removed score whose MIDI set-up a merge moves to the kept score: the first of them in the
// file that has one, when the kept score has none; 0 for none.
int setUpMovedByMerge(const MidiStore& store, const RemovalPlan& plan) {
    if (plan.mergedInto == 0 || store.valuesOf(plan.mergedInto))
        return 0;
    const std::vector<int> named = store.entriesGone(withoutEntries(plan.removed));
    return named.empty() ? 0 : named.front();
}

// The renumbered bytes of a data file, from its version kept first; nothing when the file was
// not there (nothing to write). False when the version cannot be read.
bool renumberedBytes(const Places& places, DataFile file, std::optional<std::string>& bytes,
                     std::string& error) {
    bytes.reset();
    const fs::path kept = places.kept(file);
    if (kept.empty())
        return true;
    const FileRead read = readWholeFile(kept, file == DataFile::Archive     ? kArchiveFileLimit
                                              : file == DataFile::Playlists ? kPlaylistFileLimit
                                                                            : kMidiFileLimit);
    if (!read.ok()) {
        error = "The version " + quotedPath(kept) + " kept by the removal cannot be read.";
        return false;
    }
    const RemovalPlan& plan = places.journal.plan;
    const EntryRenumbering renumber = plan.renumbering();
    switch (file) {
    case DataFile::Archive: {
        ScoreArchive before;
        readArchiveFile(before, read.bytes);
        ScoreArchive after;
        after.setEntryCount(plan.countAfter());
        for (int entry = 1; entry <= before.entryCount(); ++entry) {
            if (const std::optional<int> now = plan.newNumber(entry))
                after.slot(*now) = before.slot(entry);
        }
        bytes = archiveFileBytes(after);
        return true;
    }
    case DataFile::Playlists: {
        std::vector<Playlist> playlists = readPlaylistFile(read.bytes).playlists;
        for (Playlist& playlist : playlists) {
            if (plan.mergedInto != 0)
                playlist.tracks =
                    renumberedTracks(playlist.tracks, mergedInto(plan.removed, plan.mergedInto));
            playlist.tracks = renumberedTracks(playlist.tracks, renumber);
        }
        bytes = playlistFileBytes(playlists);
        return true;
    }
    case DataFile::Midi: {
        MidiStore store;
        store.read(read.bytes);
        if (const int from = setUpMovedByMerge(store, plan); from != 0) {
            MidiStore merged;
            merged.read(store.renumberedBytes(mergedInto({from}, plan.mergedInto)));
            bytes = merged.renumberedBytes(renumber);
        } else {
            bytes = store.renumberedBytes(renumber);
        }
        return true;
    }
    }
    return false;
}

bool holds(const fs::path& file, const std::string& bytes) {
    const FileRead read = readWholeFile(file, bytes.size() + 1);
    return read.ok() && read.bytes == bytes;
}

// Whether a step is done, read from the files (see the top of this file).
bool isDone(const Places& places, const RemovalStep& step) {
    switch (step.kind) {
    case RemovalStep::Kind::Keep: {
        const DataFile file = *dataFileOf(step.from);
        if (file == DataFile::Archive)
            return isPlainFile(places.kept(file));
        return !(file == DataFile::Playlists ? places.journal.playlistVersion
                                             : places.journal.midiVersion)
                    .empty();
    }
    case RemovalStep::Kind::Aside:
        return standsAt(places.aside(step.to));
    case RemovalStep::Kind::Rename:
        return standsAt(places.of(step.to));
    case RemovalStep::Kind::Write: {
        const DataFile file = *dataFileOf(step.from);
        std::optional<std::string> bytes;
        std::string error;
        if (!renumberedBytes(places, file, bytes, error))
            return false;
        return !bytes || holds(dataFilePath(places.installation, file), *bytes);
    }
    }
    return false;
}

class Runner {
public:
    Runner(const Installation& installation, RemovalJournal& journal, RemovalReport& report)
        : installation_(installation), journal_(journal),
          report_(report), places_{installation, journal} {}

    // Makes the steps from journal.done on; false when one failed (report.error says why) or
    // the gate stopped it.
    bool run(const RemovalStepGate& gate) {
        for (std::size_t k = journal_.done; k < journal_.steps.size(); ++k) {
            if (gate && !gate(k))
                return false;
            if (!make(journal_.steps[k]))
                return false;
            journal_.done = k + 1;
        }
        return true;
    }

    // Takes back the steps done, newest first; false when one cannot be taken back.
    bool takeBack() {
        for (std::size_t k = journal_.done; k-- > 0;) {
            if (!undo(journal_.steps[k]))
                return false;
            journal_.done = k;
        }
        return true;
    }

private:
    bool failed(std::string why) {
        report_.error = std::move(why);
        return false;
    }

    bool make(const RemovalStep& step) {
        switch (step.kind) {
        case RemovalStep::Kind::Keep:
            return keep(*dataFileOf(step.from));
        case RemovalStep::Kind::Aside: {
            std::error_code ec;
            fs::create_directories(places_.aside(step.to).parent_path(), ec);
            const FileResult moved = moveFile(places_.of(step.from), places_.aside(step.to));
            return moved.ok || failed(moved.error);
        }
        case RemovalStep::Kind::Rename: {
            const FileResult moved = moveFile(places_.of(step.from), places_.of(step.to));
            return moved.ok || failed(moved.error);
        }
        case RemovalStep::Kind::Write:
            return write(*dataFileOf(step.from));
        }
        return false;
    }

    bool undo(const RemovalStep& step) {
        FileResult back;
        switch (step.kind) {
        case RemovalStep::Kind::Keep:
            // A version stays a version: "Restore…" lists it.
            return true;
        case RemovalStep::Kind::Aside:
            back = moveFile(places_.aside(step.to), places_.of(step.from));
            break;
        case RemovalStep::Kind::Rename:
            back = moveFile(places_.of(step.to), places_.of(step.from));
            break;
        case RemovalStep::Kind::Write: {
            const fs::path kept = places_.kept(*dataFileOf(step.from));
            if (kept.empty())
                return true;
            const FileRead read = readWholeFile(kept, kMidiFileLimit);
            if (!read.ok())
                return failed("The version " + quotedPath(kept) + " cannot be read.");
            back =
                rewriteAtomically(dataFilePath(installation_, *dataFileOf(step.from)), read.bytes);
            break;
        }
        }
        return back.ok || failed(back.error);
    }

    bool keep(DataFile file) {
        KeepVersion version;
        version.what = "removal";
        version.stamp = backupStamp(localTimeNow());
        if (file == DataFile::Archive)
            version.into = journal_.folder;
        keepVersion(installation_, file, version);
        if (!version.notKept.empty())
            return failed("No version of " + std::string(dataFileName(file)) +
                          " could be kept, so nothing was removed: " + version.notKept);
        if (file == DataFile::Archive)
            return true;
        const std::string folder =
            version.folder.empty() ? std::string("-") : version.folder.filename().string();
        std::string& noted =
            file == DataFile::Playlists ? journal_.playlistVersion : journal_.midiVersion;
        noted = folder;
        const FileResult marked = appendToJournal(
            journal_.folder, "kept " + std::string(dataFileName(file)) + " " + folder);
        return marked.ok || failed(marked.error);
    }

    bool write(DataFile file) {
        std::optional<std::string> bytes;
        if (!renumberedBytes(places_, file, bytes, report_.error))
            return false;
        if (!bytes)
            return true;
        const FileResult written = rewriteAtomically(dataFilePath(installation_, file), *bytes);
        if (!written.ok)
            return failed(written.error);
        if (file == DataFile::Archive)
            journal_.wrote = fingerprint(*bytes);
        return true;
    }

    const Installation& installation_;
    RemovalJournal& journal_;
    RemovalReport& report_;
    Places places_;
};

RemovalReport refused(std::string why) {
    RemovalReport report;
    report.error = std::move(why);
    return report;
}

// Marks a removal that ran through, with the fingerprint of the archive it wrote.
RemovalReport finish(const Installation& installation, RemovalJournal& journal,
                     RemovalReport report) {
    if (journal.wrote.empty()) {
        // Its archive was written before a stop: the file holds it.
        const FileRead read =
            readWholeFile(dataFilePath(installation, DataFile::Archive), kArchiveFileLimit);
        if (read.ok())
            journal.wrote = fingerprint(read.bytes);
    }
    FileResult marked = appendToJournal(journal.folder, "wrote " + journal.wrote);
    if (marked.ok)
        marked = appendToJournal(journal.folder, "finished");
    journal.finished = marked.ok;
    report.ok = true;
    report.done = journal.done;
    if (!marked.ok)
        report.error = marked.error;
    return report;
}

} // namespace

std::optional<int> RemovalPlan::newNumber(int entry) const {
    const auto at = std::lower_bound(removed.begin(), removed.end(), entry);
    if (at != removed.end() && *at == entry)
        return std::nullopt;
    return entry - static_cast<int>(at - removed.begin());
}

EntryRenumbering RemovalPlan::renumbering() const {
    return [plan = *this](int entry) {
        // Numbers past the archive (tracks or set-ups of no score) keep theirs.
        return entry > plan.entryCount ? std::optional<int>(entry) : plan.newNumber(entry);
    };
}

int RemovalPlan::firstMoved() const {
    for (int entry = removed.front() + 1; entry <= entryCount; ++entry) {
        if (newNumber(entry))
            return entry;
    }
    return 0;
}

std::optional<RemovalPlan> planRemoval(int entryCount, std::vector<int> removed, std::string& why) {
    std::sort(removed.begin(), removed.end());
    removed.erase(std::unique(removed.begin(), removed.end()), removed.end());
    if (removed.empty()) {
        why = "No score was chosen to be removed.";
        return std::nullopt;
    }
    if (removed.front() < 1 || removed.back() > entryCount) {
        why = "There is no score " +
              std::to_string(removed.front() < 1 ? removed.front() : removed.back()) +
              " to remove.";
        return std::nullopt;
    }
    return RemovalPlan{std::move(removed), entryCount};
}

RemovalReport removeScores(const Installation& installation, const RemovalPlan& plan,
                           const std::string& stamp, const RemovalStepGate& gate) {
    // Everything that can be checked is checked before the first step.
    const ArchiveFile archive = readArchiveBytes(installation);
    if (archive.load != ArchiveLoad::Loaded)
        return refused("archivio.js cannot be read whole, so no score was removed.");
    if (static_cast<int>(archive.entriesInFile) != plan.entryCount)
        return refused("archivio.js holds " + std::to_string(archive.entriesInFile) +
                       " scores, not the " + std::to_string(plan.entryCount) +
                       " the removal was planned for: nothing was removed.");
    PlaylistStore playlists(installation);
    if (playlists.read() == PlaylistFileState::Unreadable)
        return refused("playlist.js cannot be read, so no score was removed: " +
                       playlists.readError());
    MidiStore midi;
    if (midi.load(installation) == MidiLoad::Unreadable)
        return refused("midi.js cannot be read, so no score was removed: " + midi.loadError());

    RemovalJournal journal;
    journal.plan = plan;
    journal.steps = stepsOf(installation, plan);
    std::string error;
    const std::optional<fs::path> folder = makeBackupFolder(installation, stamp, "removal", error);
    if (!folder)
        return refused("The removal's folder cannot be made, so no score was removed: " + error);
    journal.folder = *folder;
    RemovalReport report;
    report.folder = journal.folder;
    report.steps = journal.steps.size();
    report.referencesGone = referencesGone(installation, plan.renumbering());
    const FileResult written = rewriteAtomically(journal.folder / std::string(kJournalName),
                                                 journalText(plan, journal.steps));
    if (!written.ok)
        return refused("The removal's journal cannot be written, so no score was removed: " +
                       written.error);

    Runner runner(installation, journal, report);
    if (runner.run(gate))
        return finish(installation, journal, std::move(report));
    report.done = journal.done;
    if (report.error.empty())
        return report; // stopped by the gate: the journal is left for the next start
    // A step failed: the steps before it are taken back, and the journal says so.
    const std::string why = report.error;
    if (runner.takeBack())
        static_cast<void>(appendToJournal(journal.folder, "rolled back"));
    report.error = why;
    report.done = journal.done;
    return report;
}

std::optional<RemovalJournal> readRemovalJournal(const Installation& installation,
                                                 const fs::path& folder) {
    const FileRead read = readWholeFile(folder / std::string(kJournalName), kJournalLimit);
    if (!read.ok())
        return std::nullopt;
    RemovalJournal journal;
    journal.folder = folder;
    const FileRead marks = readWholeFile(folder / std::string(kMarksName), kJournalLimit);
    if (marks.status == ReadStatus::Unreadable)
        return std::nullopt;
    std::istringstream lines(read.bytes + marks.bytes);
    std::string line;
    if (!std::getline(lines, line) || line != kJournalFirstLine)
        return std::nullopt;
    while (std::getline(lines, line)) {
        const std::size_t space = line.find(' ');
        const std::string word = line.substr(0, space);
        const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
        if (word == "count") {
            const std::optional<int> count = numberOf(rest);
            if (!count || !ScoreArchive::isEntryNumber(*count))
                return std::nullopt;
            journal.plan.entryCount = *count;
        } else if (word == "removed") {
            std::istringstream numbers(rest);
            std::string number;
            while (numbers >> number) {
                const std::optional<int> entry = numberOf(number);
                if (!entry)
                    return std::nullopt;
                journal.plan.removed.push_back(*entry);
            }
        } else if (word == "merged" && rest.starts_with("into ")) {
            const std::optional<int> kept = numberOf(std::string_view(rest).substr(5));
            if (!kept || !ScoreArchive::isEntryNumber(*kept))
                return std::nullopt;
            journal.plan.mergedInto = *kept;
        } else if (word == "step") {
            std::optional<RemovalStep> step = stepOfLine(rest);
            if (!step)
                return std::nullopt;
            journal.steps.push_back(std::move(*step));
        } else if (word == "kept") {
            const std::size_t gap = rest.find(' ');
            const std::string file = rest.substr(0, gap);
            const std::string kept = gap == std::string::npos ? "" : rest.substr(gap + 1);
            // Only a folder name of the backup folder, never a path elsewhere.
            if (kept.empty() || kept.find_first_of("/\\") != std::string::npos || kept == "..")
                return std::nullopt;
            if (file == "playlist.js")
                journal.playlistVersion = kept;
            else if (file == "midi.js")
                journal.midiVersion = kept;
            else
                return std::nullopt;
        } else if (word == "wrote") {
            journal.wrote = rest;
        } else if (word == "finished") {
            journal.finished = true;
        } else if (word == "rolled") {
            journal.rolledBack = true;
        } else {
            return std::nullopt;
        }
    }
    std::string why;
    const std::optional<RemovalPlan> plan =
        planRemoval(journal.plan.entryCount, journal.plan.removed, why);
    if (!plan || plan->removed != journal.plan.removed)
        return std::nullopt;
    // A merge keeps a score that stays.
    if (journal.plan.mergedInto != 0 && (journal.plan.mergedInto > journal.plan.entryCount ||
                                         !journal.plan.newNumber(journal.plan.mergedInto)))
        return std::nullopt;
    // A removal that ran through, or was rolled back, is over: its files are not looked at
    // again (a start reads every removal's journal). Otherwise the steps done are those from the
    // start whose result stands.
    if (journal.finished || journal.rolledBack) {
        journal.done = journal.finished ? journal.steps.size() : 0;
        return journal;
    }
    const Places places{installation, journal};
    while (journal.done < journal.steps.size() && isDone(places, journal.steps[journal.done]))
        ++journal.done;
    return journal;
}

namespace {

// The folders of the removals in the backup folder, newest first (their names start with their
// time).
std::vector<fs::path> removalFolders(const Installation& installation) {
    std::vector<fs::path> folders;
    std::error_code ec;
    for (fs::directory_iterator it(backupRoot(installation), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.find(" removal") != std::string::npos && it->is_directory(ec))
            folders.push_back(it->path());
    }
    std::sort(folders.rbegin(), folders.rend());
    return folders;
}

// Whether the removal in folder is marked as over (ran through or rolled back), from its small
// file of marks alone.
bool markedOver(const fs::path& folder) {
    const FileRead marks = readWholeFile(folder / std::string(kMarksName), kJournalLimit);
    if (!marks.ok())
        return false;
    std::istringstream lines(marks.bytes);
    for (std::string line; std::getline(lines, line);) {
        if (line == "finished" || line == "rolled back")
            return true;
    }
    return false;
}

} // namespace

std::optional<RemovalJournal> unfinishedRemoval(const Installation& installation) {
    // A start asks this: the journals of the removals that are over are not read.
    for (const fs::path& folder : removalFolders(installation)) {
        if (markedOver(folder))
            continue;
        std::optional<RemovalJournal> journal = readRemovalJournal(installation, folder);
        if (journal && !journal->finished && !journal->rolledBack)
            return journal;
    }
    return std::nullopt;
}

RemovalReport completeRemoval(const Installation& installation, const RemovalJournal& journal,
                              const RemovalStepGate& gate) {
    if (journal.finished || journal.rolledBack)
        return refused("That removal is over already.");
    RemovalJournal going = journal;
    RemovalReport report;
    report.folder = going.folder;
    report.steps = going.steps.size();
    Runner runner(installation, going, report);
    if (!runner.run(gate)) {
        report.done = going.done;
        return report;
    }
    return finish(installation, going, std::move(report));
}

std::optional<RemovalJournal> lastRemoval(const Installation& installation) {
    for (const fs::path& folder : removalFolders(installation)) {
        if (std::optional<RemovalJournal> journal = readRemovalJournal(installation, folder))
            return journal;
    }
    return std::nullopt;
}

MergeReferences mergeReferences(const Installation& installation, int kept,
                                const std::vector<int>& others) {
    MergeReferences merge;
    RemovalPlan plan{others, 0, kept};
    std::sort(plan.removed.begin(), plan.removed.end());
    merge.tracks = referencesGone(installation, withoutEntries(plan.removed)).playlists;
    MidiStore midi;
    if (midi.load(installation) == MidiLoad::Loaded)
        merge.setUpFrom = setUpMovedByMerge(midi, plan);
    return merge;
}

RemovalReport rollBackRemoval(const Installation& installation, const RemovalJournal& journal) {
    if (journal.rolledBack)
        return refused("That removal was rolled back already.");
    if (journal.finished) {
        const FileRead now =
            readWholeFile(dataFilePath(installation, DataFile::Archive), kArchiveFileLimit);
        if (!now.ok() || fingerprint(now.bytes) != journal.wrote)
            return refused("The archive has been saved since the removal; \"Restore…\" can put "
                           "back an earlier version of it.");
    }
    RemovalJournal going = journal;
    if (going.finished)
        going.done = going.steps.size();
    RemovalReport report;
    report.folder = going.folder;
    report.steps = going.steps.size();
    Runner runner(installation, going, report);
    if (!runner.takeBack()) {
        report.done = going.done;
        return report;
    }
    const FileResult marked = appendToJournal(going.folder, "rolled back");
    report.ok = marked.ok;
    report.error = marked.error;
    return report;
}

} // namespace folio
