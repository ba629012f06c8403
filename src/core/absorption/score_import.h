// Importing new scores from files outside the stand (PDF files, drawn by the windows): each
// becomes an entry after the last one, with its two pages. It is an absorption of new scores and
// keeps every rule of one: the room is checked first, files lying under the new numbers are moved
// aside, pages are written atomically, the archive is saved once at the end keeping a version, and
// "Undo last absorption" takes the whole import back.
#pragma once

#include "core/absorption/absorption.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace folio {

// The titles of an archive's entries as the find box compares them (letter case, accents and
// doubled letters do not count), to tell a new score that is already there.
class TitlesInArchive {
public:
    explicit TitlesInArchive(const ScoreArchive& archive);
    // Whether an entry's title matches title (Windows-1252, as the entries hold it).
    bool holds(std::string_view title) const;

private:
    std::unordered_set<std::string> folded_;
};

// A new score, drawn and ready to be written: its entry's text fields and its pages' JPEG bytes.
// An empty right page gets the placeholder page, as a left page alone does elsewhere.
struct NewScore {
    ScoreEntry entry;
    std::string leftPage;
    std::string rightPage;
};

// What an import did, for its report.
struct [[nodiscard]] ImportResult {
    // The archive was saved with the new scores; when false, error says why and the pages
    // written stay where they are, under numbers no entry has.
    bool saved = false;
    std::string error;
    // The numbers of the new scores: first to first + count - 1.
    int firstNumber = 0;
    int count = 0;
    // The files moved out of the new scores' way, and those that could not be.
    Attachment attached;
    // Why no version of the archive could be kept; empty when one was.
    std::string versionNotKept;
    // Why the undo's record could not be written; empty when it was.
    std::string notRecorded;
};

class ScoreImport {
public:
    // An import after the archive's last entry. Nothing is written yet.
    ScoreImport(const ScoreArchive& archive, const Installation& installation, std::string stamp);

    // How many new scores still fit: 9999 entries at most.
    int room() const { return room_; }
    // The number the next score written gets.
    int nextNumber() const { return first_ + static_cast<int>(written_.size()); }

    // Writes the pages of score under the next number, once what lies under its page and
    // recording names was moved aside. Nothing is half-written: when the right page fails, the
    // left one written just before is taken away again. A page that cannot be moved out of the
    // way is never overwritten, and the score is not written. May run on a worker thread, as
    // long as nothing else uses this import meanwhile.
    FileResult write(const NewScore& score);

    // The scores written so far.
    int written() const { return static_cast<int>(written_.size()); }
    // The files moved out of the new scores' way so far, and those that could not be.
    const Attachment& attached() const { return attached_; }

    // Appends the scores written to archive and saves it once, keeping the archive as it was
    // beside the files moved aside, and records what the import did for its undo. With nothing
    // written, nothing is saved.
    ImportResult finish(ScoreArchive& archive);

private:
    const Installation& installation_;
    std::string stamp_;
    int first_ = 1;
    int room_ = 0;
    std::vector<ScoreEntry> written_;
    Attachment attached_;
};

} // namespace folio
