// File operations on POSIX: every replacement goes through a synced temporary file and a rename.
#include "platform/file_ops.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace folio {
namespace {

namespace fs = std::filesystem;

std::string describe(const fs::path& path) {
    return "\"" + path.string() + "\"";
}

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

FileResult checkTarget(const fs::path& target) {
    std::error_code ec;
    fs::path folder = target.parent_path();
    if (!folder.empty() && !fs::is_directory(folder, ec))
        return FileResult::failure("The folder " + describe(folder) + " does not exist.");
    if (fs::is_directory(target, ec))
        return FileResult::failure("Cannot replace " + describe(target) + ": it is a folder.");
    return FileResult::success();
}

FileResult openFailure(const fs::path& target, int error) {
    return FileResult::failure("Cannot create a file beside " + describe(target) + ": " +
                               reason(error) + ".");
}

} // namespace

bool fileExists(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

std::optional<std::string> readWholeFile(const fs::path& path) {
    struct stat info {};
    Descriptor fd(openRegularForReading(path, info));
    if (!fd.valid())
        return std::nullopt;
    std::string content;
    content.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[1 << 16];
    for (;;) {
        ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (got == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(got));
    }
    return content;
}

FileResult rewriteAtomically(const fs::path& target, std::string_view bytes) {
    return rewriteAtomically(target, std::vector<std::string_view>{bytes});
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

} // namespace folio
