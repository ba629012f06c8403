#include "platform/installation.h"

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

} // namespace
} // namespace folio
