// Importing new scores: pages first, under the numbers after the last entry, then one save.
#include "core/absorption/score_import.h"

#include "core/absorption/absorption_undo.h"
#include "core/absorption/moving_aside.h"
#include "core/archive/score_search.h"

#include <system_error>

namespace folio {

namespace fs = std::filesystem;

TitlesInArchive::TitlesInArchive(const ScoreArchive& archive) {
    folded_.reserve(static_cast<std::size_t>(archive.entryCount()));
    for (int n = 1; n <= archive.entryCount(); ++n)
        folded_.insert(foldForSearch(archive.slot(n).title));
}

bool TitlesInArchive::holds(std::string_view title) const {
    return folded_.contains(foldForSearch(title));
}

ScoreImport::ScoreImport(const ScoreArchive& archive, const Installation& installation,
                         std::string stamp)
    : installation_(installation), stamp_(std::move(stamp)), first_(archive.entryCount() + 1),
      room_(roomLeft(archive)) {}

FileResult ScoreImport::write(const NewScore& score) {
    if (written() >= room_)
        return FileResult::failure("The archive is full: it cannot hold more than " +
                                   std::to_string(ScoreArchive::kMaxEntries) + " scores.");
    const int n = nextNumber();
    const fs::path left = installation_.resolve(leftPagePath(n));
    const fs::path right = installation_.resolve(rightPagePath(n));
    MoverAside mover(installation_, stamp_, attached_);
    for (const fs::path& page : {left, right}) {
        if (std::optional<std::string> inTheWay = mover.clearForCopy(page))
            return FileResult::failure(*inTheWay);
    }
    // A recording left under the number belongs to no new score.
    mover.moveIfThere(installation_.resolve(audioPath(n)));

    if (FileResult done = rewriteAtomically(left, score.leftPage); !done.ok)
        return done;
    const fs::path placeholder = installation_.resolve(placeholderPagePath);
    FileResult done = FileResult::success();
    if (!score.rightPage.empty())
        done = rewriteAtomically(right, score.rightPage);
    else if (fileExists(placeholder))
        done = copyReplacing(placeholder, right);
    if (!done.ok) {
        std::error_code ec;
        fs::remove(left, ec);
        return done;
    }
    attached_.copied.push_back(left);
    if (fileExists(right))
        attached_.copied.push_back(right);
    written_.push_back(score.entry);
    return FileResult::success();
}

ImportResult ScoreImport::finish(ScoreArchive& archive) {
    ImportResult result;
    result.attached = attached_;
    if (written_.empty())
        return result;
    const int before = first_ - 1;
    const int count = written();
    if (archive.entryCount() != before) {
        result.error = "The archive changed while the scores were imported, so they were not "
                       "added to it.";
        return result;
    }
    // The slots after the last entry may hold what was typed there: kept to be put back.
    std::vector<ScoreEntry> previous;
    previous.reserve(written_.size());
    for (int m = 0; m < count; ++m) {
        ScoreEntry& slot = archive.slot(first_ + m);
        previous.push_back(std::move(slot));
        slot = written_[static_cast<std::size_t>(m)];
    }
    archive.setEntryCount(before + count);

    KeepVersion keep;
    keep.what = "absorption";
    keep.stamp = stamp_;
    keep.into = attached_.backupFolder;
    const FileResult saved = saveArchive(archive, installation_, &keep);
    if (!saved.ok) {
        for (int m = 0; m < count; ++m)
            archive.slot(first_ + m) = std::move(previous[static_cast<std::size_t>(m)]);
        archive.setEntryCount(before);
        result.error = saved.error;
        return result;
    }
    result.saved = true;
    result.firstNumber = first_;
    result.count = count;
    result.versionNotKept = keep.notKept;

    Absorption absorbed;
    absorbed.imported = true;
    absorbed.backupFolder = keep.folder;
    absorbed.firstNumber = first_;
    absorbed.count = count;
    if (const FileResult recorded = recordAbsorption(installation_, absorbed, attached_);
        !recorded.ok)
        result.notRecorded = recorded.error;
    return result;
}

} // namespace folio
