// Temporary installation folders for tests.
#include "support/temp_installation.h"

#include "core/archive/score_archive.h"
#include "core/files/file_ops.h"
#include "core/files/read_limits.h"

#include <fstream>
#include <random>
#include <unistd.h>

namespace folio::test {
namespace {

namespace fs = std::filesystem;

fs::path makeUniqueFolder() {
    std::random_device seed;
    fs::path base = fs::temp_directory_path();
    for (;;) {
        fs::path candidate =
            base / ("folio-test-" + std::to_string(::getpid()) + "-" + std::to_string(seed()));
        std::error_code ec;
        if (fs::create_directory(candidate, ec))
            return candidate;
    }
}

} // namespace

TempInstallation::TempInstallation(bool withDataFolders) : installation_(makeUniqueFolder()) {
    if (withDataFolders)
        fs::create_directories(root() / "spartiti" / "audio");
}

TempInstallation::~TempInstallation() {
    std::error_code ec;
    fs::remove_all(root(), ec);
}

void TempInstallation::write(std::string_view backslashName, std::string_view bytes) const {
    fs::path file = path(backslashName);
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempInstallation::read(std::string_view backslashName) const {
    return readWholeFile(path(backslashName), kArchiveFileLimit).content().value_or(std::string());
}

bool TempInstallation::exists(std::string_view backslashName) const {
    return fileExists(path(backslashName));
}

int TempInstallation::temporaryFileCount() const {
    int count = 0;
    for (const auto& item : fs::recursive_directory_iterator(root())) {
        if (item.path().filename().string().find(".tmp") != std::string::npos)
            ++count;
    }
    return count;
}

std::map<std::string, std::string> folderContents(const fs::path& root) {
    std::map<std::string, std::string> contents;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        const std::string name = item.path().lexically_relative(root).generic_string();
        if (item.is_symlink())
            contents[name] = "-> " + fs::read_symlink(item.path()).string();
        else if (item.is_directory())
            contents[name] = "/";
        else if (!item.is_regular_file())
            contents[name] = "? not a regular file";
        else
            contents[name] = readWholeFile(item.path(), kArchiveFileLimit)
                                 .content()
                                 .value_or("? " + std::to_string(item.file_size()) + " bytes");
    }
    return contents;
}

std::string crlf(std::initializer_list<std::string_view> lines) {
    std::string joined;
    for (std::string_view line : lines) {
        joined.append(line);
        joined.append("\r\n");
    }
    return joined;
}

std::string songArchive(int count, const std::string& title) {
    ScoreArchive archive;
    for (int n = 1; n <= count; ++n)
        archive.slot(n) = {std::to_string(n), title + " " + std::to_string(n), "A", "t", "1"};
    archive.setEntryCount(count);
    return archiveFileBytes(archive);
}

} // namespace folio::test
