// Faults that stop root too, for the tests of every write and copy: on POSIX a file size limit
// under which a write fails part-way, in this process or in a forked child; on Windows, which
// has neither, a file held open by another program.
#pragma once

#ifdef _WIN32

#include <filesystem>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace folio::test {

// While alive, the file is held open as another program would (the stand's browser, an
// editor, the running program itself). Without FILE_SHARE_DELETE in share, Windows refuses to
// replace the file; without FILE_SHARE_READ, to read it.
class FileHeldOpen {
public:
    explicit FileHeldOpen(const std::filesystem::path& file, DWORD access = GENERIC_READ,
                          DWORD share = FILE_SHARE_READ);
    ~FileHeldOpen() { release(); }
    FileHeldOpen(const FileHeldOpen&) = delete;
    FileHeldOpen& operator=(const FileHeldOpen&) = delete;

    bool held() const { return handle_ != INVALID_HANDLE_VALUE; }
    void release();

private:
    HANDLE handle_;
};

} // namespace folio::test

#else

#include <functional>
#include <sys/resource.h>

namespace folio::test {

// While alive, no file this process writes can grow beyond the limit: a write past it fails
// with EFBIG, since SIGXFSZ is ignored the way the programs ignore it. The old limit comes back
// at the end, so the process can go on writing.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previousLimit_{};
};

// Runs body in a forked child under a FileSizeLimit of bytes and gives body's result, the
// child's exit code (-1 if the child did not end normally). The child ends without running
// this process's exit handlers, so body reports through its result only.
int runWithFileSizeLimit(rlim_t bytes, const std::function<int()>& body);

} // namespace folio::test

#endif // _WIN32
