// Another program holding a stand's lock: a child process takes the lock file as Folioscribe
// does and keeps it until told to end. Ending it leaves the lock file behind, as a program that
// crashed leaves it.
#pragma once

#include <QDir>
#include <QLockFile>
#include <QString>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace folio::test {

class LockHolder {
public:
    explicit LockHolder(const QString& standFolder) {
        int ready[2];
        int release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            QLockFile lock(
                QDir(standFolder).filePath(QStringLiteral("spartiti/.folioscribe.lock")));
            lock.setStaleLockTime(0);
            const char held = lock.tryLock(0) ? 'y' : 'n';
            [[maybe_unused]] auto written = ::write(ready[1], &held, 1);
            char end = 0;
            [[maybe_unused]] auto read = ::read(release[0], &end, 1);
            ::_exit(0); // without unlocking
        }
        ::close(ready[1]);
        ::close(release[0]);
        release_ = release[1];
        char held = 'n';
        held_ = ::read(ready[0], &held, 1) == 1 && held == 'y';
        ::close(ready[0]);
    }
    ~LockHolder() { end(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    bool holds() const { return held_ && release_ >= 0; }
    pid_t pid() const { return pid_; }
    // Ends the child and waits for it; its lock file stays.
    void end() {
        if (release_ < 0)
            return;
        ::close(release_);
        release_ = -1;
        if (pid_ > 0)
            ::waitpid(pid_, nullptr, 0);
    }

private:
    pid_t pid_ = -1;
    int release_ = -1;
    bool held_ = false;
};

} // namespace folio::test
