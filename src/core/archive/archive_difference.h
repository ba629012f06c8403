// How one archive file differs from another, in a few words a musician reads.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace folio {

// How an archive version differs from the archive now: "3 entries fewer, 2 titles differ",
// or "the same titles as now".
std::string archiveDifference(std::string_view versionBytes, std::string_view currentBytes);

// An entry whose title differs: its number, and its title then and now (Windows-1252; empty
// for an entry that is not there).
struct TitleChange {
    int entry = 0;
    std::string then;
    std::string now;
};
// The first few entries, at most limit, whose titles differ between a version and now.
std::vector<TitleChange> firstTitleChanges(std::string_view versionBytes,
                                           std::string_view currentBytes, std::size_t limit);

} // namespace folio
