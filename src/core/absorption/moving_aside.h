// Moving files out of the way of new scores, into the absorption's backup folder. Only the
// absorption files include it.
#pragma once

#include "core/absorption/absorption.h"

#include <filesystem>
#include <optional>
#include <string>

namespace folio {

// Moves files out of the new entries' way into one backup folder, made at the first move.
class MoverAside {
public:
    MoverAside(const Installation& installation, const std::string& stamp, Attachment& report)
        : installation_(installation), stamp_(stamp), report_(report) {}

    // Moves what lies under name, if anything; a file that cannot be moved is reported.
    void moveIfThere(const std::filesystem::path& name);

    // Moves what lies under name out of the way of a page copy. What cannot be moved aside is
    // never replaced: the reason, when it stays in the way.
    std::optional<std::string> clearForCopy(const std::filesystem::path& name);

private:
    bool moved(const std::filesystem::path& name, std::string& error);

    const Installation& installation_;
    const std::string& stamp_;
    Attachment& report_;
};

} // namespace folio
