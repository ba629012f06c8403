// How one archive file differs from another.
#include "core/archive/archive_difference.h"

#include "core/archive/score_archive.h"

#include <algorithm>
#include <vector>

namespace folio {
namespace {

std::string plural(std::size_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

} // namespace

std::string archiveDifference(std::string_view versionBytes, std::string_view currentBytes) {
    ScoreArchive then;
    ScoreArchive now;
    readArchiveFile(then, versionBytes);
    readArchiveFile(now, currentBytes);
    std::vector<std::string> parts;
    const int more = then.entryCount() - now.entryCount();
    if (more > 0)
        parts.push_back(plural(static_cast<std::size_t>(more), "entry", "entries") + " more");
    if (more < 0)
        parts.push_back(plural(static_cast<std::size_t>(-more), "entry", "entries") + " fewer");
    std::size_t differing = 0;
    for (int n = 1; n <= std::min(then.entryCount(), now.entryCount()); ++n)
        differing += then.slot(n).title != now.slot(n).title ? 1 : 0;
    if (differing == 1)
        parts.push_back("1 title differs");
    if (differing > 1)
        parts.push_back(std::to_string(differing) + " titles differ");
    if (parts.empty())
        return "the same titles as now";
    std::string text = parts.front();
    for (std::size_t k = 1; k < parts.size(); ++k)
        text += ", " + parts[k];
    return text;
}

std::vector<TitleChange> firstTitleChanges(std::string_view versionBytes,
                                           std::string_view currentBytes, std::size_t limit) {
    ScoreArchive then;
    ScoreArchive now;
    readArchiveFile(then, versionBytes);
    readArchiveFile(now, currentBytes);
    std::vector<TitleChange> changes;
    const int last = std::max(then.entryCount(), now.entryCount());
    for (int n = 1; n <= last && changes.size() < limit; ++n) {
        const std::string before = n <= then.entryCount() ? then.slot(n).title : std::string();
        const std::string after = n <= now.entryCount() ? now.slot(n).title : std::string();
        if (before != after)
            changes.push_back({n, before, after});
    }
    return changes;
}

} // namespace folio
