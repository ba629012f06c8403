// Path building for names written with backslashes.
#include "core/files/installation.h"

#include <utility>

namespace folio {

std::filesystem::path nativeRelativePath(std::string_view backslashName) {
    std::filesystem::path result;
    std::size_t start = 0;
    while (start <= backslashName.size()) {
        std::size_t end = backslashName.find_first_of("\\/", start);
        if (end == std::string_view::npos)
            end = backslashName.size();
        std::string_view part = backslashName.substr(start, end - start);
        // A part that would climb out of the folder or name a drive is never a step of a name
        // the program builds.
        if (!part.empty() && part != "." && part != ".." &&
            part.find(':') == std::string_view::npos)
            result /= std::filesystem::path(std::string(part));
        start = end + 1;
    }
    return result;
}

namespace {

// "0" to "9999" without a leading zero, as the program writes an entry number.
std::optional<int> entryNumberText(std::string_view digits) {
    if (digits.empty() || digits.size() > 4 || (digits.size() > 1 && digits[0] == '0'))
        return std::nullopt;
    int number = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        number = number * 10 + (c - '0');
    }
    return number;
}

} // namespace

std::string storedName(const EntryFile& file) {
    const std::string number = std::to_string(file.number);
    switch (file.kind) {
    case EntryFileKind::LeftPage:
        return "spartiti\\" + number + "L.jpg";
    case EntryFileKind::RightPage:
        return "spartiti\\" + number + "R.jpg";
    case EntryFileKind::Recording:
        return "spartiti\\audio\\" + number + ".mp3";
    }
    return {};
}

std::optional<EntryFile> entryFileNamed(std::string_view name) {
    constexpr std::string_view kFolder = "spartiti\\";
    constexpr std::string_view kAudio = "audio\\";
    if (!name.starts_with(kFolder))
        return std::nullopt;
    name.remove_prefix(kFolder.size());
    EntryFileKind kind = EntryFileKind::Recording;
    if (name.starts_with(kAudio) && name.ends_with(".mp3")) {
        name = name.substr(kAudio.size(), name.size() - kAudio.size() - 4);
    } else if (name.ends_with("L.jpg") || name.ends_with("R.jpg")) {
        kind = name[name.size() - 5] == 'L' ? EntryFileKind::LeftPage : EntryFileKind::RightPage;
        name.remove_suffix(5);
    } else {
        return std::nullopt;
    }
    const std::optional<int> number = entryNumberText(name);
    if (!number)
        return std::nullopt;
    return EntryFile{kind, *number};
}

Installation::Installation(std::filesystem::path root) : root_(std::move(root)) {}

std::filesystem::path Installation::resolve(std::string_view backslashName) const {
    return root_ / nativeRelativePath(backslashName);
}

std::optional<std::filesystem::path> Installation::storedEntryFile(std::string_view name) const {
    const std::optional<EntryFile> file = entryFileNamed(name);
    if (!file)
        return std::nullopt;
    return path(*file);
}

std::filesystem::path Installation::path(const EntryFile& file) const {
    return resolve(storedName(file));
}

bool Installation::hasDataFolder() const {
    std::error_code ec;
    return std::filesystem::is_directory(resolve("spartiti"), ec);
}

} // namespace folio
