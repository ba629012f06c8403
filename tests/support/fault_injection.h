// Faults that stop root too, for the tests of every write and copy: a file size limit under
// which a write fails part-way, in this process or in a forked child.
#pragma once

// POSIX only: Windows has neither a per-process file size limit nor fork. Its own fault, a
// file held open by another program, is driven by the Windows file operation tests.
#ifndef _WIN32

#include <csignal>
#include <functional>
#include <sys/resource.h>

namespace folio::test {

// While alive, no file this process writes can grow beyond the limit: a write past it fails
// with EFBIG (SIGXFSZ is ignored meanwhile). The old limit and signal handling come back at
// the end, so the process can go on writing.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previousLimit_{};
    struct sigaction previousAction_ {};
};

// Runs body in a forked child under a FileSizeLimit of bytes and gives body's result, the
// child's exit code (-1 if the child did not end normally). The child ends without running
// this process's exit handlers, so body reports through its result only.
int runWithFileSizeLimit(rlim_t bytes, const std::function<int()>& body);

} // namespace folio::test

#endif // _WIN32
