// The file size limit fault, in this process or in a forked child; a file held open on Windows.
#include "support/fault_injection.h"

#include "core/files/file_ops.h"

#ifdef _WIN32

namespace folio::test {

FileHeldOpen::FileHeldOpen(const std::filesystem::path& file, DWORD access, DWORD share)
    : handle_(::CreateFileW(file.c_str(), access, share, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}

void FileHeldOpen::release() {
    if (held())
        ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

} // namespace folio::test

#else

#include <cerrno>
#include <sys/wait.h>
#include <unistd.h>

namespace folio::test {

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
    // As the programs do at start, so that a write past the limit fails instead of ending them.
    ignoreFileSizeSignal();
    ::getrlimit(RLIMIT_FSIZE, &previousLimit_);
    // Only the soft limit moves, so that the old one can be restored without privileges.
    rlimit limit = previousLimit_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previousLimit_);
}

int runWithFileSizeLimit(rlim_t bytes, const std::function<int()>& body) {
    pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        int result = 1;
        {
            FileSizeLimit limit(bytes);
            result = body();
        }
        ::_exit(result);
    }
    int status = 0;
    pid_t ended;
    do {
        ended = ::waitpid(child, &status, 0);
    } while (ended < 0 && errno == EINTR);
    return ended == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace folio::test

#endif // _WIN32
