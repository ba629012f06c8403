// File operations: every replacement goes through a synced temporary file and a rename. The
// algorithm is written here once; the system calls below it are in file_ops_system.h.
#include "core/files/file_ops.h"

#include "core/files/file_ops_system.h"
#include "core/files/prefault.h"
#include "core/files/read_limits.h"

#include <cstring>
#include <new>
#include <random>
#include <system_error>

namespace folio {
namespace {

namespace fs = std::filesystem;
using system_files::File;
using system_files::lastError;
using system_files::reason;
using system_files::SystemError;

std::string describe(const fs::path& path) {
    return quotedPath(path);
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

// Why target cannot be replaced by a file written beside it, before anything is written.
FileResult checkTarget(const fs::path& target) {
    std::error_code ec;
    fs::path folder = target.parent_path();
    if (!folder.empty() && !fs::is_directory(folder, ec))
        return FileResult::failure("The folder " + describe(folder) + " does not exist.");
    if (fs::is_directory(target, ec))
        return FileResult::failure("Cannot replace " + describe(target) + ": it is a folder.");
    if (system_files::isReadOnly(target))
        return FileResult::failure("The file " + describe(target) +
                                   " could not be replaced: it is read-only.");
    return FileResult::success();
}

FileResult openFailure(const fs::path& target, SystemError error) {
    return FileResult::failure("Cannot create a file beside " + describe(target) + ": " +
                               reason(error) + ".");
}

bool writeAll(const File& file, const char* data, std::size_t size) {
    while (size > 0) {
        const std::ptrdiff_t written = system_files::writeSome(file, data, size);
        if (written < 0)
            return false;
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
        for (int attempt = 0; attempt < 16 && !file_.valid(); ++attempt) {
            path_ = target;
            path_ += ".tmp" + std::to_string(random() % 1000000000u);
            file_ = system_files::createNew(path_, error_);
            if (!file_.valid() && !system_files::nameTaken(error_))
                break;
        }
        opened_ = file_.valid();
    }
    TemporaryBeside(const TemporaryBeside&) = delete;
    TemporaryBeside& operator=(const TemporaryBeside&) = delete;
    ~TemporaryBeside() {
        file_.close();
        if (opened_ && !committed_)
            system_files::removeQuietly(path_);
    }

    bool valid() const { return file_.valid(); }
    const File& file() const { return file_; }
    SystemError openError() const { return error_; }

    // Syncs (unless told to leave that to a later sync), closes and moves the temporary file
    // over the target. Windows refuses the move while another program holds the target open
    // without sharing its deletion.
    FileResult commit(CopySync sync = CopySync::Now,
                      const std::function<void()>& beforeReplace = {}) {
        if (sync == CopySync::Now && !system_files::flushToDisk(file_))
            return failWith("could not be written to disk", lastError());
        if (!file_.close())
            return failWith("could not be written", lastError());
        if (beforeReplace)
            beforeReplace();
        if (!system_files::moveOver(path_, target_, sync))
            return failWith("could not be replaced", lastError());
        committed_ = true;
        return FileResult::success();
    }

    FileResult failWith(const std::string& what, SystemError error) const {
        return FileResult::failure("The file " + describe(target_) + " " + what + ": " +
                                   reason(error) + ".");
    }

private:
    fs::path target_;
    fs::path path_;
    File file_;
    SystemError error_ = 0;
    bool opened_ = false;
    bool committed_ = false;
};

// Copies the rest of in to the temporary file: by the system where it can, by reading and
// writing from where it stopped otherwise.
FileResult copyInto(const File& in, const fs::path& source, TemporaryBeside& temporary) {
    switch (system_files::copyFast(in, temporary.file())) {
    case system_files::FastCopy::Done:
        return FileResult::success();
    case system_files::FastCopy::Failed:
        return temporary.failWith("could not be written", lastError());
    case system_files::FastCopy::NotDone:
        break;
    }
    char buffer[system_files::kChunk];
    for (;;) {
        const std::ptrdiff_t got = system_files::readSome(in, buffer, sizeof buffer);
        if (got < 0)
            return FileResult::failure("The file " + describe(source) +
                                       " could not be read: " + reason(lastError()) + ".");
        if (got == 0)
            return FileResult::success();
        if (!writeAll(temporary.file(), buffer, static_cast<std::size_t>(got)))
            return temporary.failWith("could not be written", lastError());
    }
}

} // namespace

bool fileExists(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

FileRead readWholeFile(const fs::path& path, std::uint64_t limit) {
    File file = system_files::openRegularForReading(path);
    if (!file.valid())
        return notRead(path, reason(lastError()));
    std::uint64_t expected = 0;
    if (!system_files::sizeOf(file, expected))
        return unreadable(path, reason(lastError()));
    if (expected > limit)
        return tooLarge(path, expected, limit);
    FileRead read{ReadStatus::Read, {}, {}};
    try {
        read.bytes.reserve(static_cast<std::size_t>(expected));
        prefaultForWriting(read.bytes.data(), static_cast<std::size_t>(expected));
        char buffer[system_files::kChunk];
        for (;;) {
            const std::ptrdiff_t got = system_files::readSome(file, buffer, sizeof buffer);
            if (got < 0)
                return unreadable(path, reason(lastError()));
            if (got == 0)
                break;
            const auto size = static_cast<std::size_t>(got);
            // A file that grows while it is read is held to the limit too.
            if (read.bytes.size() + size > limit)
                return tooLarge(path, read.bytes.size() + size, limit);
            read.bytes.append(buffer, size);
        }
    } catch (const std::bad_alloc&) {
        return outOfMemory(path);
    }
    return read;
}

// A single string is one piece.
OpenedFile::OpenedFile(const fs::path& path)
    : file_(std::make_unique<File>(system_files::openRegularForReading(path))) {
    if (file_->valid() && system_files::sizeOf(*file_, size_))
        identity_ = system_files::identityOf(*file_);
}

OpenedFile::~OpenedFile() = default;

std::size_t OpenedFile::readAt(std::uint64_t offset, char* into, std::size_t count) const {
    if (!isOpen())
        return 0;
    const std::ptrdiff_t got = system_files::readAt(*file_, offset, into, count);
    return got < 0 ? 0 : static_cast<std::size_t>(got);
}

std::string fileIdentity(const fs::path& path) {
    return system_files::identityAt(path);
}

// Paths go into error sentences as UTF-8 on both systems (Windows names are UTF-16).
std::string utf8Path(const fs::path& path) {
    const std::u8string name = path.u8string();
    return std::string(name.begin(), name.end());
}

std::string quotedPath(const fs::path& path) {
    return "\"" + utf8Path(path) + "\"";
}

FileResult rewriteAtomically(const fs::path& target, std::string_view bytes) {
    return rewriteAtomically(target, std::vector<std::string_view>{bytes});
}

FileResult rewriteAtomically(const fs::path& target, const std::vector<std::string_view>& pieces) {
    return rewriteAtomically(target, pieces, {});
}

FileResult rewriteAtomically(const fs::path& target, const std::vector<std::string_view>& pieces,
                             const std::function<void()>& beforeReplace) {
    if (FileResult check = checkTarget(target); !check.ok)
        return check;
    TemporaryBeside temporary(target);
    if (!temporary.valid())
        return openFailure(target, temporary.openError());
    for (std::string_view piece : pieces) {
        if (!writeAll(temporary.file(), piece.data(), piece.size()))
            return temporary.failWith("could not be written", lastError());
    }
    return temporary.commit(CopySync::Now, beforeReplace);
}

FileResult copyReplacing(const fs::path& source, const fs::path& target, CopySync sync) {
    File in = system_files::openRegularForReading(source);
    if (!in.valid())
        return FileResult::failure("The file " + describe(source) + " cannot be read.");
    if (FileResult check = checkTarget(target); !check.ok)
        return check;
    TemporaryBeside temporary(target);
    if (!temporary.valid())
        return openFailure(target, temporary.openError());
    // The copy keeps the source's permissions: a copied program must still start.
    if (!system_files::copyPermissions(in, temporary.file()))
        return temporary.failWith("could not be given the permissions of " + describe(source),
                                  lastError());
    if (FileResult copied = copyInto(in, source, temporary); !copied.ok)
        return copied;
    // The source may be the target itself: Windows must see it closed before the move.
    in.close();
    return temporary.commit(sync);
}

bool standsAt(const fs::path& path) {
    std::error_code ec;
    return fs::symlink_status(path, ec).type() != fs::file_type::not_found;
}

bool isPlainFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(fs::symlink_status(path, ec));
}

FileResult moveFile(const fs::path& from, const fs::path& to) {
    if (standsAt(to))
        return FileResult::failure("something stands at " + describe(to));
    std::error_code ec;
    fs::rename(from, to, ec);
    if (!ec)
        return FileResult::success();
    if (ec == std::errc::cross_device_link)
        return moveFileAcross(from, to);
    return FileResult::failure(describe(from) + " could not be moved to " + describe(to) + ": " +
                               ec.message());
}

FileResult moveFileAcross(const fs::path& from, const fs::path& to) {
    if (standsAt(to))
        return FileResult::failure("something stands at " + describe(to));
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(from, ec)))
        return FileResult::failure(describe(from) + " is not a regular file");
    const FileResult copied = copyReplacing(from, to, CopySync::Now);
    if (!copied.ok)
        return copied;
    // Only a copy known to be whole on the other disk lets the original go.
    if (!sameBytes(from, to)) {
        system_files::removeQuietly(to);
        return FileResult::failure("the copy of " + describe(from) + " at " + describe(to) +
                                   " differs from it");
    }
    fs::remove(from, ec);
    if (ec) {
        system_files::removeQuietly(to);
        return FileResult::failure(describe(from) +
                                   " could not be removed after its copy: " + ec.message());
    }
    return FileResult::success();
}

bool sameBytes(const fs::path& a, const fs::path& b) {
    File first = system_files::openRegularForReading(a);
    File second = system_files::openRegularForReading(b);
    std::uint64_t sizeA = 0;
    std::uint64_t sizeB = 0;
    if (!first.valid() || !second.valid() || !system_files::sizeOf(first, sizeA) ||
        !system_files::sizeOf(second, sizeB) || sizeA != sizeB)
        return false;
    std::vector<char> bufferA(system_files::kChunk);
    std::vector<char> bufferB(system_files::kChunk);
    for (;;) {
        const std::ptrdiff_t got = system_files::readSome(first, bufferA.data(), bufferA.size());
        if (got < 0)
            return false;
        if (got == 0)
            return system_files::readSome(second, bufferB.data(), 1) == 0;
        std::size_t filled = 0;
        while (filled < static_cast<std::size_t>(got)) {
            const std::ptrdiff_t more = system_files::readSome(
                second, bufferB.data() + filled, static_cast<std::size_t>(got) - filled);
            if (more <= 0)
                return false;
            filled += static_cast<std::size_t>(more);
        }
        if (std::memcmp(bufferA.data(), bufferB.data(), filled) != 0)
            return false;
    }
}

} // namespace folio
