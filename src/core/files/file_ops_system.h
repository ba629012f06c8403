// The operating system's primitives below the file operations of file_ops.cpp: one
// implementation in file_ops_posix.cpp, one in file_ops_win.cpp, chosen by the build.
#pragma once

#include "core/files/file_ops.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace folio::system_files {

// A system error number: errno on POSIX, GetLastError() on Windows.
using SystemError = unsigned long;

// The error of the primitive that failed last; read it before anything else calls the system.
SystemError lastError();

// The system's sentence for error, in UTF-8, without a closing full stop.
std::string reason(SystemError error);

// The size of one read or write.
constexpr std::size_t kChunk = 1 << 16;

// An open file that closes itself: a descriptor on POSIX, a handle on Windows; -1 is none on both.
class File {
public:
    File() = default;
    explicit File(std::intptr_t native) : native_(native) {}
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept : native_(other.native_) { other.native_ = -1; }
    File& operator=(File&& other) noexcept {
        if (this != &other) {
            close();
            native_ = other.native_;
            other.native_ = -1;
        }
        return *this;
    }
    ~File() { close(); }

    bool valid() const { return native_ != -1; }
    std::intptr_t native() const { return native_; }
    // Closes now and reports whether the close succeeded (a late write error shows up here).
    bool close();

private:
    std::intptr_t native_ = -1;
};

// Opens path for reading if it is a regular file, else gives an invalid file. The open never
// blocks, and others may go on using the file meanwhile.
File openRegularForReading(const std::filesystem::path& path);

// The size of an open file.
bool sizeOf(const File& file, std::uint64_t& size);

// Reads up to capacity bytes: how many, 0 at the end of the file, -1 on a read error.
std::ptrdiff_t readSome(const File& file, char* buffer, std::size_t capacity);

// Reads up to capacity bytes at offset, without moving on: how many, 0 at the end, -1 on an
// error.
std::ptrdiff_t readAt(const File& file, std::uint64_t offset, char* buffer, std::size_t capacity);

// What changes whenever an open file's bytes are replaced: its size, its times and its identity
// on its disk (a copy renamed over it is another file); empty when the system cannot tell.
std::string identityOf(const File& file);
// The same for the regular file at path, without reading it; empty when none is there.
std::string identityAt(const std::filesystem::path& path);

// Writes some of size bytes (at least one): how many, or -1 on a write error.
std::ptrdiff_t writeSome(const File& file, const char* data, std::size_t size);

// Creates path as a new file for writing that nobody else may open meanwhile; an invalid file
// when it cannot, with the error in error.
File createNew(const std::filesystem::path& path, SystemError& error);

// True if error says that a file of that name is already there.
bool nameTaken(SystemError error);

// Writes what is waiting for file to the disk.
bool flushToDisk(const File& file);

// Moves from over to, replacing it; with CopySync::Now the move itself reaches the disk too.
bool moveOver(const std::filesystem::path& from, const std::filesystem::path& to, CopySync sync);

// Removes a file, quietly: for a temporary file that was not committed.
void removeQuietly(const std::filesystem::path& path);

// True if the system will not let target be replaced because it is marked read-only.
bool isReadOnly(const std::filesystem::path& target);

// Gives to the permission bits of from, where the system keeps them.
bool copyPermissions(const File& from, const File& to);

// How a copy by the system itself ended.
enum class FastCopy { Done, Failed, NotDone };

// Copies the rest of from to the end of to without the bytes passing through this process,
// where the system can. NotDone leaves the rest to a copy by reading and writing.
FastCopy copyFast(const File& from, const File& to);

} // namespace folio::system_files
