// How one archive file differs from another, in a few words a musician reads.
#pragma once

#include <string>
#include <string_view>

namespace folio {

// How an archive version differs from the archive now: "3 entries fewer, 2 titles differ",
// or "the same titles as now".
std::string archiveDifference(std::string_view versionBytes, std::string_view currentBytes);

} // namespace folio
