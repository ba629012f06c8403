// The file operations' primitives on Linux and other POSIX systems: descriptors, fsync, rename.
#include "core/files/file_ops_system.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace folio {
namespace system_files {
namespace {

namespace fs = std::filesystem;

int fd(const File& file) {
    return static_cast<int>(file.native());
}

void syncFolderOf(const fs::path& file) {
    fs::path folder = file.parent_path();
    if (folder.empty())
        folder = ".";
    File dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid())
        ::fsync(fd(dir));
}

} // namespace

SystemError lastError() {
    return static_cast<SystemError>(errno);
}

std::string reason(SystemError error) {
    return std::strerror(static_cast<int>(error));
}

bool File::close() {
    const int closing = static_cast<int>(native_);
    native_ = -1;
    return closing < 0 || ::close(closing) == 0;
}

// Opened without blocking, so that a named pipe or a device in place of a data file cannot
// stall the program; blocking again once it is known to be a regular file.
File openRegularForReading(const fs::path& path) {
    File file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (!file.valid() || ::fstat(fd(file), &info) != 0 || !S_ISREG(info.st_mode))
        return File();
    const int flags = ::fcntl(fd(file), F_GETFL);
    if (flags < 0 || ::fcntl(fd(file), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return File();
    return file;
}

bool sizeOf(const File& file, std::uint64_t& size) {
    struct stat info {};
    if (::fstat(fd(file), &info) != 0)
        return false;
    size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

std::ptrdiff_t readAt(const File& file, std::uint64_t offset, char* buffer, std::size_t capacity) {
    for (;;) {
        const ssize_t got = ::pread(fd(file), buffer, capacity, static_cast<off_t>(offset));
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

namespace {

// Size, both times to the nanosecond, inode and device.
std::string identity(const struct stat& info) {
    return std::to_string(info.st_size) + "|" + std::to_string(info.st_mtim.tv_sec) + "." +
           std::to_string(info.st_mtim.tv_nsec) + "|" + std::to_string(info.st_ctim.tv_sec) + "." +
           std::to_string(info.st_ctim.tv_nsec) + "|" + std::to_string(info.st_ino) + "|" +
           std::to_string(info.st_dev);
}

} // namespace

std::string identityOf(const File& file) {
    struct stat info {};
    return ::fstat(fd(file), &info) == 0 && S_ISREG(info.st_mode) ? identity(info) : std::string();
}

std::string identityAt(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) ? identity(info)
                                                                     : std::string();
}

std::ptrdiff_t readSome(const File& file, char* buffer, std::size_t capacity) {
    for (;;) {
        const ssize_t got = ::read(fd(file), buffer, capacity);
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

std::ptrdiff_t writeSome(const File& file, const char* data, std::size_t size) {
    for (;;) {
        const ssize_t written = ::write(fd(file), data, size);
        if (written > 0)
            return written;
        if (written == 0) {
            errno = EIO;
            return -1;
        }
        if (errno != EINTR)
            return -1;
    }
}

File createNew(const fs::path& path, SystemError& error) {
    File file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    error = file.valid() ? 0 : lastError();
    return file;
}

bool nameTaken(SystemError error) {
    return error == EEXIST;
}

bool flushToDisk(const File& file) {
    return ::fsync(fd(file)) == 0;
}

// The rename reaches the disk with the folder that holds it.
bool moveOver(const fs::path& from, const fs::path& to, CopySync sync) {
    if (::rename(from.c_str(), to.c_str()) != 0)
        return false;
    if (sync == CopySync::Now)
        syncFolderOf(to);
    return true;
}

void removeQuietly(const fs::path& path) {
    ::unlink(path.c_str());
}

// A file that is not writable is replaced all the same: the rename needs only its folder.
bool isReadOnly(const fs::path&) {
    return false;
}

bool copyPermissions(const File& from, const File& to) {
    struct stat info {};
    return ::fstat(fd(from), &info) == 0 && ::fchmod(fd(to), info.st_mode & 0777) == 0;
}

// copy_file_range, where the file systems support it; where they do not, the copy by reading
// and writing goes on from where this one stopped.
FastCopy copyFast(const File& from, const File& to) {
    for (;;) {
        const ssize_t moved = ::copy_file_range(fd(from), nullptr, fd(to), nullptr, 1 << 30, 0);
        if (moved > 0)
            continue;
        if (moved == 0)
            return FastCopy::Done;
        if (errno == EINTR)
            continue;
        if (errno != ENOSYS && errno != EXDEV && errno != EINVAL && errno != EOPNOTSUPP &&
            errno != EBADF)
            return FastCopy::Failed;
        return FastCopy::NotDone;
    }
}

} // namespace system_files

void syncFileSystem(const std::filesystem::path& folder) {
    system_files::File dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid())
        ::syncfs(system_files::fd(dir));
}

void ignoreFileSizeSignal() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, nullptr);
}

} // namespace folio
