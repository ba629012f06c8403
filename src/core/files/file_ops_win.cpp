// The file operations' primitives on Windows: Win32 handles, never the C run-time's file
// descriptors, whose text mode would turn LF into CR LF and stop reading at Ctrl-Z.
#include "core/files/file_ops_system.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace folio {
namespace system_files {
namespace {

namespace fs = std::filesystem;

HANDLE handle(const File& file) {
    return reinterpret_cast<HANDLE>(file.native());
}

File adopt(HANDLE handle) {
    return File(reinterpret_cast<std::intptr_t>(handle));
}

DWORD part(std::size_t size) {
    return size < kChunk ? static_cast<DWORD>(size) : static_cast<DWORD>(kChunk);
}

} // namespace

SystemError lastError() {
    return ::GetLastError();
}

// The system's sentence, taken as UTF-16 and given in UTF-8 like every error text of the program.
std::string reason(SystemError error) {
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

bool File::close() {
    HANDLE closing = reinterpret_cast<HANDLE>(native_);
    native_ = -1;
    return closing == INVALID_HANDLE_VALUE || ::CloseHandle(closing) != 0;
}

// A regular file on a disk; others may go on reading, writing or renaming it meanwhile.
File openRegularForReading(const fs::path& path) {
    File file = adopt(::CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file.valid() || ::GetFileType(handle(file)) != FILE_TYPE_DISK ||
        !::GetFileInformationByHandle(handle(file), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return File();
    return file;
}

bool sizeOf(const File& file, std::uint64_t& size) {
    LARGE_INTEGER bytes{};
    if (!::GetFileSizeEx(handle(file), &bytes))
        return false;
    size = static_cast<std::uint64_t>(bytes.QuadPart);
    return true;
}

std::ptrdiff_t readAt(const File& file, std::uint64_t offset, char* buffer, std::size_t capacity) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset & 0xffffffffu);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    if (!::ReadFile(handle(file), buffer, part(capacity), &got, &at))
        return ::GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    return static_cast<std::ptrdiff_t>(got);
}

namespace {

// Size, last write time (100 ns steps), volume and file index.
std::string identity(const BY_HANDLE_FILE_INFORMATION& info) {
    const auto wide = [](DWORD high, DWORD low) {
        return std::to_string((static_cast<std::uint64_t>(high) << 32) | low);
    };
    return wide(info.nFileSizeHigh, info.nFileSizeLow) + "|" +
           wide(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime) + "|" +
           std::to_string(info.dwVolumeSerialNumber) + "|" +
           wide(info.nFileIndexHigh, info.nFileIndexLow);
}

} // namespace

std::string identityOf(const File& file) {
    BY_HANDLE_FILE_INFORMATION info{};
    return ::GetFileInformationByHandle(handle(file), &info) ? identity(info) : std::string();
}

std::string identityAt(const fs::path& path) {
    const File file = openRegularForReading(path);
    return file.valid() ? identityOf(file) : std::string();
}

std::ptrdiff_t readSome(const File& file, char* buffer, std::size_t capacity) {
    DWORD got = 0;
    if (!::ReadFile(handle(file), buffer, part(capacity), &got, nullptr))
        return -1;
    return static_cast<std::ptrdiff_t>(got);
}

std::ptrdiff_t writeSome(const File& file, const char* data, std::size_t size) {
    DWORD written = 0;
    if (!::WriteFile(handle(file), data, part(size), &written, nullptr))
        return -1;
    if (written == 0) {
        ::SetLastError(ERROR_WRITE_FAULT);
        return -1;
    }
    return static_cast<std::ptrdiff_t>(written);
}

File createNew(const fs::path& path, SystemError& error) {
    File file = adopt(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    error = file.valid() ? 0 : lastError();
    return file;
}

bool nameTaken(SystemError error) {
    return error == ERROR_FILE_EXISTS;
}

bool flushToDisk(const File& file) {
    return ::FlushFileBuffers(handle(file)) != 0;
}

bool moveOver(const fs::path& from, const fs::path& to, CopySync sync) {
    const DWORD flags =
        MOVEFILE_REPLACE_EXISTING | (sync == CopySync::Now ? MOVEFILE_WRITE_THROUGH : DWORD{0});
    return ::MoveFileExW(from.c_str(), to.c_str(), flags) != 0;
}

void removeQuietly(const fs::path& path) {
    ::DeleteFileW(path.c_str());
}

// Windows refuses to replace a read-only file; Wine lets it pass. Asking first gives the same
// answer on both, before anything is written.
bool isReadOnly(const fs::path& target) {
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

// Windows keeps no execute bit: a copied program runs by its name alone.
bool copyPermissions(const File&, const File&) {
    return true;
}

// The copy goes by reading and writing.
FastCopy copyFast(const File&, const File&) {
    return FastCopy::NotDone;
}

} // namespace system_files

// Windows has no call that flushes one folder's volume for an ordinary user; the copies left
// to the system are written by it, as with any program that does not flush each file.
void syncFileSystem(const std::filesystem::path&) {}

// Windows has no file size limit signal.
void ignoreFileSizeSignal() {}

} // namespace folio
