// The layers point down only: every #include "…" of the program's sources is checked against
// the folder it stands in. core/ includes only core/; platform/ core/ and platform/; a window's
// folder windows/<feature>/ core/, platform/, windows/common/ and itself; upgrade/ core/,
// platform/ and itself; only app/ knows every window.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <vector>

namespace folio {
namespace {

namespace fs = std::filesystem;

// The folders a source file below src/ may include from, by its path relative to src/.
std::vector<std::string> allowedFor(const std::string& source) {
    const std::string layer = source.substr(0, source.find('/'));
    if (layer == "core")
        return {"core/"};
    if (layer == "platform")
        return {"core/", "platform/"};
    if (layer == "windows") {
        const std::size_t feature = source.find('/', layer.size() + 1);
        return {"core/", "platform/", "windows/common/", source.substr(0, feature + 1)};
    }
    if (layer == "upgrade")
        return {"core/", "platform/", "upgrade/"};
    return {""};
}

// Why source may not include included, or empty when it may.
std::string refusal(const std::string& source, const std::string& included) {
    const std::vector<std::string> allowed = allowedFor(source);
    const bool ok = std::any_of(allowed.begin(), allowed.end(), [&](const std::string& folder) {
        return included.starts_with(folder);
    });
    if (ok)
        return {};
    std::string list;
    for (const std::string& folder : allowed)
        list += (list.empty() ? "" : ", ") + folder;
    return "includes \"" + included + "\", above its layer (it may include " + list + ")";
}

TEST(Layers, ruleRefusesEveryUpwardInclude) {
    struct Row {
        const char* what;
        const char* source;
        const char* included;
        bool allowed;
    };
    const Row rows[] = {
        {"core within core", "core/versions/versions.cpp", "core/files/file_ops.h", true},
        {"core knowing a window", "core/versions/versions.cpp", "windows/common/shared_state.h",
         false},
        {"core knowing Qt stand-ins", "core/archive/score_archive.h", "platform/dialogs.h", false},
        {"platform on core", "platform/field_text.cpp", "core/format/line_writer.h", true},
        {"platform knowing a window", "platform/look.cpp", "windows/main/form1.h", false},
        {"window on common", "windows/midi/midifrm.cpp", "windows/common/entry_name.h", true},
        {"window on its own folder", "windows/pages/page_window.cpp", "windows/pages/page_window.h",
         true},
        {"window knowing another window", "windows/playlists/playlist_window.cpp",
         "windows/restore/restore_window.h", false},
        {"common knowing a window", "windows/common/version_notice.cpp", "windows/main/form1.h",
         false},
        {"upgrade tool knowing the main program's windows", "upgrade/upgrade_windows.cpp",
         "windows/common/shared_state.h", false},
        {"the program knows every window", "app/program_windows.cpp", "windows/midi/midifrm.h",
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(refusal(row.source, row.included).empty(), row.allowed);
    }
}

TEST(Layers, everyIncludeOfTheSourcesPointsDown) {
    const fs::path src = fs::path(FOLIO_SOURCE_DIR) / "src";
    ASSERT_TRUE(fs::is_directory(src)) << src.string();
    const std::regex include(R"re(^\s*#\s*include\s*"([^"]+)")re");
    std::size_t checked = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(src)) {
        const std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h"))
            continue;
        const std::string source = entry.path().lexically_relative(src).generic_string();
        std::ifstream in(entry.path());
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            std::smatch found;
            if (!std::regex_search(line, found, include))
                continue;
            ++checked;
            const std::string why = refusal(source, found[1]);
            EXPECT_TRUE(why.empty()) << "src/" << source << ":" << number << ": " << why;
        }
    }
    EXPECT_GT(checked, 100u);
}

} // namespace
} // namespace folio
