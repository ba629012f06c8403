#include "core/files/installation.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace folio {
namespace {

TEST(Installation, backslashNames_becomeNativePaths) {
    EXPECT_EQ(nativeRelativePath("spartiti\\7L.jpg"), std::filesystem::path("spartiti/7L.jpg"));
    EXPECT_EQ(nativeRelativePath("spartiti\\audio\\12.mp3"),
              std::filesystem::path("spartiti/audio/12.mp3"));
    EXPECT_EQ(nativeRelativePath(".\\spartiti\\archivio.js"),
              std::filesystem::path("spartiti/archivio.js"));
}

TEST(Installation, resolve_staysBelowRootAndHasNoBackslash) {
    Installation installation("/some/stand");
    std::filesystem::path file = installation.resolve("spartiti\\m.jpg");
    EXPECT_EQ(file, std::filesystem::path("/some/stand/spartiti/m.jpg"));
    // On Windows the backslash is the separator itself; no part of the path holds one.
    for (const std::filesystem::path& part : file)
        EXPECT_EQ(part.string().find('\\'), std::string::npos) << part.string();
}

// A name read from a file becomes a path only in the forms the program writes; anything that
// could lead elsewhere is nothing, and resolve never climbs out of the installation either.
TEST(Installation, storedNames_onlyTheProgramsOwnFormsBecomePaths) {
    const Installation installation("/some/stand");
    const std::filesystem::path root("/some/stand");
    const std::pair<const char*, const char*> cases[] = {
        {"spartiti\\12L.jpg", "spartiti/12L.jpg"},
        {"spartiti\\0R.jpg", "spartiti/0R.jpg"},
        {"spartiti\\audio\\9999.mp3", "spartiti/audio/9999.mp3"},
        {"spartiti\\..\\..\\home\\Documents\\thesis.odt", nullptr},
        {"..\\home\\.config\\autostart\\evil.desktop", nullptr},
        {"spartiti\\..\\12L.jpg", nullptr},
        {"/etc/passwd", nullptr},
        {"C:\\Users\\x\\12L.jpg", nullptr},
        {"spartiti\\10000L.jpg", nullptr},
        {"spartiti\\012L.jpg", nullptr},
        {"spartiti\\12l.jpg", nullptr},
        {"spartiti\\audio\\12L.jpg", nullptr},
        {"spartiti\\12.mp3", nullptr},
        {"spartiti\\-1L.jpg", nullptr},
        {"spartiti\\L.jpg", nullptr},
        {"spartiti/12L.jpg", nullptr},
        {"spartiti\\12L.jpg ", nullptr},
    };
    for (const auto& [name, expected] : cases) {
        SCOPED_TRACE(name);
        const std::optional<std::filesystem::path> path = installation.storedEntryFile(name);
        EXPECT_EQ(path.has_value(), expected != nullptr);
        if (path && expected) {
            EXPECT_EQ(*path, root / expected);
            EXPECT_EQ(storedName(*entryFileNamed(name)), name);
        }
    }
    for (const char* climbing : {"..\\..\\etc\\passwd", "spartiti\\..\\..\\x", "C:\\x"}) {
        const std::filesystem::path path = installation.resolve(climbing);
        EXPECT_EQ(path.lexically_relative(root).begin()->string().substr(0, 2) == "..", false)
            << climbing;
        EXPECT_TRUE(std::equal(root.begin(), root.end(), path.begin())) << climbing;
    }
}

} // namespace
} // namespace folio
