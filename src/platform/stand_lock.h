// One writer at a time: while a program has a stand open for writing, it holds a lock file in the
// stand's data folder, under a name the stand's pages never read. Both programs ask it.
#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace folio {

class StandLock {
public:
    enum class Outcome { Held, HeldElsewhere, Failed };

    // The lock of the stand in folder, not yet taken.
    explicit StandLock(const QString& folder);
    StandLock(const StandLock&) = delete;
    StandLock& operator=(const StandLock&) = delete;

    // Takes the lock unless another program holds it. A lock whose program has ended is taken
    // over (QLockFile's rule; a lock is never taken over for its age alone).
    Outcome take();
    // Removes the lock another program holds and takes it, for a user who knows that program is
    // gone: a lock from another computer, or one whose file cannot be read. Fails while a
    // program on this computer still holds it.
    bool takeOver();
    // Who holds the lock, for a sentence: "<host>, process <pid>, since <date time>", or
    // "another program" when the lock file cannot be read.
    QString holder() const;
    // False when the lock file is empty or of a form QLockFile cannot read.
    bool holderKnown() const;
    // Why the lock could not be made, when take() failed.
    QString failure() const { return failure_; }
    QString path() const { return path_; }

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
    QString failure_;
};

} // namespace folio
