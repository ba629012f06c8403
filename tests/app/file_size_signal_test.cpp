// Both programs, started for real under a shell's file size limit (ulimit -f), ignore SIGXFSZ
// from their first moment, so that a save past the limit fails with a message instead of ending
// the program and leaving its temporary file behind.
#include "support/temp_installation.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <chrono>
#include <csignal>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace folio {
namespace {

// Whether the process ignores signal, from the SigIgn mask of /proc/<pid>/status.
bool ignores(pid_t process, int signal) {
    std::ifstream status("/proc/" + std::to_string(process) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("SigIgn:", 0) == 0)
            return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1u;
    }
    return false;
}

// Starts program in folder under a file size limit, with SIGXFSZ at its default as a shell
// leaves it, and tells whether the program came to ignore it within a few seconds.
bool ignoresFileSizeSignalUnderLimit(const char* program, const std::filesystem::path& folder) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_DFL);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 4096;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        if (::chdir(folder.c_str()) == 0)
            ::execl(program, program, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    bool ignored = false;
    for (int wait = 0; wait < 200 && !ignored; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ignored = ignores(child, SIGXFSZ);
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    return ignored;
}

TEST(FileSizeSignal, bothProgramsIgnoreItFromTheStart) {
    for (const char* program : {FOLIO_MAIN_PROGRAM, FOLIO_UPGRADE_PROGRAM}) {
        SCOPED_TRACE(program);
        test::TempInstallation stand;
        EXPECT_TRUE(ignoresFileSizeSignalUnderLimit(program, stand.root()));
    }
}

} // namespace
} // namespace folio
#endif
