// A fresh installation folder for one test, removed afterwards.
#pragma once

#include "core/files/installation.h"

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace folio::test {

class TempInstallation {
public:
    // Creates an empty folder, with spartiti/ and spartiti/audio/ unless told otherwise.
    explicit TempInstallation(bool withDataFolders = true);
    ~TempInstallation();
    TempInstallation(const TempInstallation&) = delete;
    TempInstallation& operator=(const TempInstallation&) = delete;

    const Installation& installation() const { return installation_; }
    const std::filesystem::path& root() const { return installation_.root(); }
    std::filesystem::path path(std::string_view backslashName) const {
        return installation_.resolve(backslashName);
    }

    // Writes bytes to a file below the root, creating its folders.
    void write(std::string_view backslashName, std::string_view bytes) const;
    // The bytes of a file below the root; empty if it does not exist.
    std::string read(std::string_view backslashName) const;
    bool exists(std::string_view backslashName) const;
    // Names of files below the root whose name holds ".tmp" (left-over temporaries).
    int temporaryFileCount() const;

private:
    Installation installation_;
};

// Every file and folder below root by its relative path: a file gives its bytes (its size when
// it cannot be read), a folder "/", a link where it leads, a pipe or device that it is none.
// Two equal results mean nothing below root was added, removed or changed.
std::map<std::string, std::string> folderContents(const std::filesystem::path& root);

// The archivio.js bytes of count entries titled "<title> 1", "<title> 2", ..., as a save writes
// them.
std::string songArchive(int count, const std::string& title = "Song");

// Joins lines with CR LF after each one.
std::string crlf(std::initializer_list<std::string_view> lines);

} // namespace folio::test
