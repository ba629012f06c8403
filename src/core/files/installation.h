// The installation folder the programs work in, and the building of paths inside it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace folio {

// Turns a name written the stand's way ("spartiti\audio\7.mp3") into a relative native path.
std::filesystem::path nativeRelativePath(std::string_view backslashName);

// The placeholder page, delivered with the stand and only copied.
inline constexpr std::string_view placeholderPagePath = "spartiti\\m.jpg";

// An entry's own files: its left page, its right page and its recording.
enum class EntryFileKind { LeftPage, RightPage, Recording };
struct EntryFile {
    EntryFileKind kind = EntryFileKind::LeftPage;
    int number = 0;

    bool operator==(const EntryFile&) const = default;
};

// The name the program writes for an entry's file: "spartiti\12L.jpg", "spartiti\12R.jpg" or
// "spartiti\audio\12.mp3".
std::string storedName(const EntryFile& file);

// The entry file a name read from a file stands for: only the three forms above, with plain
// decimal numbers from 0 to 9999 and no leading zero. Anything else is nothing.
std::optional<EntryFile> entryFileNamed(std::string_view name);

// The installation folder: the working folder at start, passed explicitly so that nothing
// depends on the process's current directory.
class Installation {
public:
    explicit Installation(std::filesystem::path root);

    const std::filesystem::path& root() const { return root_; }

    // The native path of a name the program builds itself ("spartiti\m.jpg"). Parts that would
    // leave the folder ("..", a drive) are dropped.
    std::filesystem::path resolve(std::string_view backslashName) const;
    // The one way a name read from a file becomes a path: only an entry's own file, in the form
    // the program writes it (see entryFileNamed), so that it never leads outside the installation.
    std::optional<std::filesystem::path> storedEntryFile(std::string_view name) const;
    std::filesystem::path path(const EntryFile& file) const;
    // True when the data folder spartiti is there: the mark of a music-stand installation.
    bool hasDataFolder() const;

private:
    std::filesystem::path root_;
};

} // namespace folio
