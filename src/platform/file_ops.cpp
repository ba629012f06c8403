// File operations: every replacement goes through a synced temporary file and a rename, with
// POSIX calls on Linux and Win32 calls on Windows.
#include "platform/file_ops.h"

#include "platform/read_limits.h"

#include <new>
#include <random>

namespace folio {
namespace {

namespace fs = std::filesystem;

// Paths go into error sentences as UTF-8 on both systems (Windows names are UTF-16).
std::string describe(const fs::path& path) {
    const std::u8string name = path.u8string();
    return "\"" + std::string(name.begin(), name.end()) + "\"";
}

FileRead unreadable(const fs::path& path, const std::string& why) {
    return {
        ReadStatus::Unreadable, {}, "The file " + describe(path) + " cannot be read: " + why + "."};
}

std::string megabytes(std::uint64_t bytes) {
    return std::to_string((bytes + kMiB - 1) / kMiB) + " MB";
}

FileRead tooLarge(const fs::path& path, std::uint64_t size, std::uint64_t limit) {
    return unreadable(path, "it is " + megabytes(size) + " (" + std::to_string(size) +
                                " bytes) long, more than the " + megabytes(limit) +
                                " that a file of its kind can be");
}

FileRead outOfMemory(const fs::path& path) {
    return unreadable(path, "there is not enough memory to read it");
}

// Why a path that did not open as a regular file cannot be read, or Missing when nothing at all
// stands there. systemReason is the system's own word, for when the path looks like a file.
FileRead notRead(const fs::path& path, const std::string& systemReason) {
    std::error_code ec;
    const fs::file_status link = fs::symlink_status(path, ec);
    if (link.type() == fs::file_type::not_found)
        return {};
    const fs::file_status target = fs::status(path, ec);
    if (fs::is_symlink(link) && target.type() == fs::file_type::not_found)
        return unreadable(path, "it is a link to something that is not there");
    if (fs::is_directory(target))
        return unreadable(path, "it is a folder");
    if (fs::exists(target) && !fs::is_regular_file(target))
        return unreadable(path, "it is not a regular file");
    return unreadable(path, systemReason);
}

FileResult checkTarget(const fs::path& target) {
    std::error_code ec;
    fs::path folder = target.parent_path();
    if (!folder.empty() && !fs::is_directory(folder, ec))
        return FileResult::failure("The folder " + describe(folder) + " does not exist.");
    if (fs::is_directory(target, ec))
        return FileResult::failure("Cannot replace " + describe(target) + ": it is a folder.");
    return FileResult::success();
}

} // namespace

bool fileExists(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// The platform halves below write the pieces; a single string is one piece.
FileResult rewriteAtomically(const fs::path& target, std::string_view bytes) {
    return rewriteAtomically(target, std::vector<std::string_view>{bytes});
}

} // namespace folio

#ifdef _WIN32

// Windows: Win32 handles, never the C run-time's file descriptors, whose text mode would turn
// LF into CR LF and stop reading at Ctrl-Z.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace folio {
namespace {

// The system's sentence for error, in UTF-8 like every error text of the program.
std::string reason(DWORD error) {
    wchar_t* text = nullptr;
    DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string result;
    if (length > 0) {
        int size = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0,
                                         nullptr, nullptr);
        result.resize(static_cast<std::size_t>(size > 0 ? size : 0));
        if (size > 0)
            ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), result.data(), size,
                                  nullptr, nullptr);
    }
    ::LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                               result.back() == '.' || result.back() == ' '))
        result.pop_back();
    return result.empty() ? "system error " + std::to_string(error) : result;
}

// A file handle that closes itself.
class Handle {
public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { close(); }
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE release() {
        HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }
    void reset(HANDLE handle) {
        close();
        handle_ = handle;
    }
    // Closes now and reports whether the close succeeded.
    bool close() {
        HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle == INVALID_HANDLE_VALUE || ::CloseHandle(handle) != 0;
    }

private:
    HANDLE handle_;
};

constexpr DWORD kChunk = 1 << 16;

bool writeAll(HANDLE file, const char* data, std::size_t size) {
    while (size > 0) {
        DWORD part = size < kChunk ? static_cast<DWORD>(size) : kChunk;
        DWORD written = 0;
        if (!::WriteFile(file, data, part, &written, nullptr))
            return false;
        if (written == 0) {
            ::SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

// Reads up to kChunk bytes; false on a read error, got == 0 at the end of the file.
bool readSome(HANDLE file, char* buffer, DWORD& got) {
    return ::ReadFile(file, buffer, kChunk, &got, nullptr) != 0;
}

// A temporary file beside the target, removed again unless committed by a rename. Nobody else
// may open it meanwhile.
class TemporaryBeside {
public:
    explicit TemporaryBeside(const fs::path& target) : target_(target) {
        std::random_device seed;
        std::mt19937 random(seed());
        for (int attempt = 0; attempt < 16 && !file_.valid(); ++attempt) {
            path_ = target;
            path_ += ".tmp" + std::to_string(random() % 1000000000u);
            file_.reset(::CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
            error_ = file_.valid() ? 0 : ::GetLastError();
            if (!file_.valid() && error_ != ERROR_FILE_EXISTS)
                break;
        }
    }
    TemporaryBeside(const TemporaryBeside&) = delete;
    TemporaryBeside& operator=(const TemporaryBeside&) = delete;
    ~TemporaryBeside() {
        file_.close();
        if (!committed_ && error_ == 0)
            ::DeleteFileW(path_.c_str());
    }

    bool valid() const { return file_.valid(); }
    HANDLE handle() const { return file_.get(); }
    DWORD openError() const { return error_; }

    // Flushes, closes and moves the temporary file over the target. Windows refuses the move
    // while another program holds the target open without sharing its deletion.
    FileResult commit(CopySync sync = CopySync::Now) {
        if (sync == CopySync::Now && !::FlushFileBuffers(file_.get()))
            return failWith("could not be written to disk");
        if (!file_.close())
            return failWith("could not be written");
        const DWORD flags =
            MOVEFILE_REPLACE_EXISTING | (sync == CopySync::Now ? MOVEFILE_WRITE_THROUGH : DWORD{0});
        if (!::MoveFileExW(path_.c_str(), target_.c_str(), flags))
            return failWith("could not be replaced");
        committed_ = true;
        return FileResult::success();
    }

    FileResult failWith(const std::string& what, DWORD error = ::GetLastError()) const {
        return FileResult::failure("The file " + describe(target_) + " " + what + ": " +
                                   reason(error) + ".");
    }

private:
    fs::path target_;
    fs::path path_;
    Handle file_;
    DWORD error_ = 0;
    bool committed_ = false;
};

// Opens path for reading if it is a regular file on a disk, else gives an invalid handle.
// Others may go on reading, writing or renaming the file meanwhile.
HANDLE openRegularForReading(const fs::path& path) {
    Handle file(::CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file.valid() || ::GetFileType(file.get()) != FILE_TYPE_DISK ||
        !::GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return INVALID_HANDLE_VALUE;
    return file.release();
}

// Windows refuses to replace a read-only file; Wine lets it pass. Asking first gives the same
// answer on both, before anything is written.
FileResult checkNotReadOnly(const fs::path& target) {
    DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return FileResult::failure("The file " + describe(target) +
                                   " could not be replaced: it is read-only.");
    return FileResult::success();
}

FileResult openFailure(const fs::path& target, DWORD error) {
    return FileResult::failure("Cannot create a file beside " + describe(target) + ": " +
                               reason(error) + ".");
}

} // namespace

FileRead readWholeFile(const fs::path& path, std::uint64_t limit) {
    Handle file(openRegularForReading(path));
    if (!file.valid())
        return notRead(path, reason(::GetLastError()));
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size))
        return unreadable(path, reason(::GetLastError()));
    const auto expected = static_cast<std::uint64_t>(size.QuadPart);
    if (expected > limit)
        return tooLarge(path, expected, limit);
    FileRead read{ReadStatus::Read, {}, {}};
    try {
        read.bytes.reserve(static_cast<std::size_t>(expected));
        char buffer[kChunk];
        for (;;) {
            DWORD got = 0;
            if (!readSome(file.get(), buffer, got))
                return unreadable(path, reason(::GetLastError()));
            if (got == 0)
                break;
            if (read.bytes.size() + got > limit)
                return tooLarge(path, read.bytes.size() + got, limit);
            read.bytes.append(buffer, got);
        }
    } catch (const std::bad_alloc&) {
        return outOfMemory(path);
    }
    return read;
}

FileResult rewriteAtomically(const fs::path& target, const std::vector<std::string_view>& pieces) {
    if (FileResult check = checkTarget(target); !check.ok)
        return check;
    if (FileResult check = checkNotReadOnly(target); !check.ok)
        return check;
    TemporaryBeside temporary(target);
    if (!temporary.valid())
        return openFailure(target, temporary.openError());
    for (std::string_view piece : pieces) {
        if (!writeAll(temporary.handle(), piece.data(), piece.size()))
            return temporary.failWith("could not be written");
    }
    return temporary.commit();
}

// Windows keeps no execute bit: a copied program runs by its name alone.
FileResult copyReplacing(const fs::path& source, const fs::path& target, CopySync sync) {
    Handle in(openRegularForReading(source));
    if (!in.valid())
        return FileResult::failure("The file " + describe(source) + " cannot be read.");
    if (FileResult check = checkTarget(target); !check.ok)
        return check;
    if (FileResult check = checkNotReadOnly(target); !check.ok)
        return check;
    TemporaryBeside temporary(target);
    if (!temporary.valid())
        return openFailure(target, temporary.openError());
    char buffer[kChunk];
    for (;;) {
        DWORD got = 0;
        if (!readSome(in.get(), buffer, got))
            return FileResult::failure("The file " + describe(source) +
                                       " could not be read: " + reason(::GetLastError()) + ".");
        if (got == 0)
            break;
        if (!writeAll(temporary.handle(), buffer, got))
            return temporary.failWith("could not be written");
    }
    // The source may be the target itself: it must be closed before the move replaces it.
    in.close();
    return temporary.commit(sync);
}

// Windows has no call that flushes one folder's volume for an ordinary user; the copies left
// to the system are written by it, as with any program that does not flush each file.
void syncFileSystem(const fs::path&) {}

// Windows has no file size limit signal.
void ignoreFileSizeSignal() {}

} // namespace folio

#else

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace folio {
namespace {

std::string reason(int error) {
    return std::strerror(error);
}

// A file descriptor that closes itself.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset(int fd) {
        close();
        fd_ = fd;
    }
    // Closes now and reports whether the close succeeded (a late write error shows up here).
    bool close() {
        int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {
            errno = EIO;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// A temporary file beside the target, removed again unless committed by a rename.
class TemporaryBeside {
public:
    explicit TemporaryBeside(const fs::path& target) : target_(target) {
        std::random_device seed;
        std::mt19937 random(seed());
        for (int attempt = 0; attempt < 16 && !fd_.valid(); ++attempt) {
            path_ = target;
            path_ += ".tmp" + std::to_string(random() % 1000000000u);
            int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            error_ = fd < 0 ? errno : 0;
            fd_.reset(fd);
            if (!fd_.valid() && error_ != EEXIST)
                break;
        }
    }
    TemporaryBeside(const TemporaryBeside&) = delete;
    TemporaryBeside& operator=(const TemporaryBeside&) = delete;
    ~TemporaryBeside() {
        fd_.close();
        if (!committed_ && !path_.empty() && openedOnce())
            ::unlink(path_.c_str());
    }

    bool valid() const { return fd_.valid(); }
    int fd() const { return fd_.get(); }
    int openError() const { return error_; }

    // Syncs (unless told to leave that to a later sync), closes and renames the temporary file
    // over the target.
    FileResult commit(CopySync sync = CopySync::Now) {
        if (sync == CopySync::Now && ::fsync(fd_.get()) != 0)
            return failWith("could not be written to disk");
        if (!fd_.close())
            return failWith("could not be written");
        if (::rename(path_.c_str(), target_.c_str()) != 0)
            return failWith("could not be replaced");
        committed_ = true;
        if (sync == CopySync::Now)
            syncFolder();
        return FileResult::success();
    }

    FileResult failWith(const std::string& what, int error = errno) const {
        return FileResult::failure("The file " + describe(target_) + " " + what + ": " +
                                   reason(error) + ".");
    }

private:
    bool openedOnce() const { return error_ == 0; }

    void syncFolder() const {
        fs::path folder = target_.parent_path();
        if (folder.empty())
            folder = ".";
        Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.valid())
            ::fsync(dir.get());
    }

    fs::path target_;
    fs::path path_;
    Descriptor fd_;
    int error_ = 0;
    bool committed_ = false;
};

// Opens path for reading if it is a regular file, else gives -1. The open does not block, so
// that a named pipe or a device in place of a data file cannot stall the program.
int openRegularForReading(const fs::path& path, struct stat& info) {
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
    int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return -1;
    return fd.release();
}

FileResult openFailure(const fs::path& target, int error) {
    return FileResult::failure("Cannot create a file beside " + describe(target) + ": " +
                               reason(error) + ".");
}

} // namespace

FileRead readWholeFile(const fs::path& path, std::uint64_t limit) {
    struct stat info {};
    Descriptor fd(openRegularForReading(path, info));
    if (!fd.valid())
        return notRead(path, reason(errno));
    const auto expected = static_cast<std::uint64_t>(info.st_size);
    if (expected > limit)
        return tooLarge(path, expected, limit);
    FileRead read{ReadStatus::Read, {}, {}};
    try {
        read.bytes.reserve(static_cast<std::size_t>(expected));
        char buffer[1 << 16];
        for (;;) {
            ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                return unreadable(path, reason(errno));
            }
            if (got == 0)
                break;
            // A file that grows while it is read is held to the limit too.
            if (read.bytes.size() + static_cast<std::size_t>(got) > limit)
                return tooLarge(path, read.bytes.size() + static_cast<std::size_t>(got), limit);
            read.bytes.append(buffer, static_cast<std::size_t>(got));
        }
    } catch (const std::bad_alloc&) {
        return outOfMemory(path);
    }
    return read;
}

FileResult rewriteAtomically(const fs::path& target, const std::vector<std::string_view>& pieces) {
    if (FileResult check = checkTarget(target); !check.ok)
        return check;
    TemporaryBeside temporary(target);
    if (!temporary.valid())
        return openFailure(target, temporary.openError());
    for (std::string_view piece : pieces) {
        if (!writeAll(temporary.fd(), piece.data(), piece.size()))
            return temporary.failWith("could not be written");
    }
    return temporary.commit();
}

FileResult copyReplacing(const fs::path& source, const fs::path& target, CopySync sync) {
    struct stat info {};
    Descriptor in(openRegularForReading(source, info));
    if (!in.valid())
        return FileResult::failure("The file " + describe(source) + " cannot be read.");
    if (FileResult check = checkTarget(target); !check.ok)
        return check;
    TemporaryBeside temporary(target);
    if (!temporary.valid())
        return openFailure(target, temporary.openError());
    // The copy keeps the source's permissions: a copied program must still start.
    if (::fchmod(temporary.fd(), info.st_mode & 0777) != 0)
        return temporary.failWith("could not be given the permissions of " + describe(source));
    // The kernel copies without the bytes passing through this process where it can; where it
    // cannot, the rest is copied by reading and writing from where it stopped.
    for (;;) {
        ssize_t moved = ::copy_file_range(in.get(), nullptr, temporary.fd(), nullptr, 1 << 30, 0);
        if (moved > 0)
            continue;
        if (moved == 0)
            return temporary.commit(sync);
        if (errno == EINTR)
            continue;
        if (errno != ENOSYS && errno != EXDEV && errno != EINVAL && errno != EOPNOTSUPP &&
            errno != EBADF)
            return temporary.failWith("could not be written");
        break;
    }
    char buffer[1 << 16];
    for (;;) {
        ssize_t got = ::read(in.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return FileResult::failure("The file " + describe(source) +
                                       " could not be read: " + reason(errno) + ".");
        }
        if (got == 0)
            break;
        if (!writeAll(temporary.fd(), buffer, static_cast<std::size_t>(got)))
            return temporary.failWith("could not be written");
    }
    return temporary.commit(sync);
}

void syncFileSystem(const fs::path& folder) {
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid())
        ::syncfs(dir.get());
}

void ignoreFileSizeSignal() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, nullptr);
}

} // namespace folio

#endif // _WIN32
