// The installation folder the programs work in, and the building of paths inside it.
#pragma once

#include <filesystem>
#include <string_view>

namespace folio {

// Turns a name written the stand's way ("spartiti\audio\7.mp3") into a relative native path.
std::filesystem::path nativeRelativePath(std::string_view backslashName);

// The installation folder: the working folder at start, passed explicitly so that nothing
// depends on the process's current directory.
class Installation {
public:
    explicit Installation(std::filesystem::path root);

    const std::filesystem::path& root() const { return root_; }

    // The native path of a name relative to the installation ("spartiti\m.jpg").
    std::filesystem::path resolve(std::string_view backslashName) const;
    // True when the data folder spartiti is there: the mark of a music-stand installation.
    bool hasDataFolder() const;

private:
    std::filesystem::path root_;
};

} // namespace folio
