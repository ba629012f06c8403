// What the start-up benchmark's child programs report to it: the moment two page frames have
// first been painted with their pictures, and the peak resident memory of the process.
#pragma once

#include <QEvent>
#include <QLabel>
#include <QObject>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <utility>

namespace folio::bench {

// The peak resident memory of this process so far, in kB (VmHWM), or -1 if unknown.
inline long peakResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word)
        if (word == "VmHWM:" && status >> word)
            return std::stol(word);
    return -1;
}

// Nanoseconds on the system's steady clock, which the parent process shares.
inline long long steadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Calls done once both frames have received a paint event while holding a picture.
class FirstPaintWithPages : public QObject {
public:
    FirstPaintWithPages(QLabel* left, QLabel* right, std::function<void()> done)
        : done_(std::move(done)) {
        left->installEventFilter(this);
        right->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !static_cast<QLabel*>(watched)->pixmap().isNull() &&
            painted_.insert(watched).second && painted_.size() == 2 && done_) {
            // Reported once this paint is over.
            QMetaObject::invokeMethod(this, std::exchange(done_, nullptr), Qt::QueuedConnection);
        }
        return false;
    }

private:
    std::function<void()> done_;
    std::set<QObject*> painted_;
};

// One line on standard output: "<name> <value>".
inline void report(const char* name, long long value) {
    std::printf("%s %lld\n", name, value);
    std::fflush(stdout);
}

// A program that ends removes the lock of its stand. A probe ends with _Exit, at once: it
// removes the lock itself, or the next start would find it and take the stale lock's longer way.
inline void removeStandLock(const std::filesystem::path& stand) {
    std::error_code ignored;
    std::filesystem::remove(stand / "spartiti" / ".folioscribe.lock", ignored);
}

} // namespace folio::bench
