// What a window's first showing needs and the system is slow to provide: the font set-up (the
// system's font configuration, Qt's font list, the substitutes of a missing typeface) and the
// image format plugins (the style's icons are read through them). WarmUp does that work on a
// thread of its own while the program starts Qt and reads its data; the main thread then finds
// it done.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

namespace folio {

// Blocks until a warm-up running in this process has read the font configuration; returns at
// once when none runs. Called before the first fonts are used: whoever reached fontconfig while
// the warm-up was still reading its configuration would read all of it a second time.
void awaitFontConfiguration();

class WarmUp {
public:
    // Starts the thread, which reads the system's font configuration at once: that needs no
    // application object, and takes about as long as making one.
    WarmUp();
    // Waits for the thread; without an application object it ends after the font configuration.
    ~WarmUp();
    WarmUp(const WarmUp&) = delete;
    WarmUp& operator=(const WarmUp&) = delete;

    // Made just after the application object and ended just before it: the thread goes on to
    // Qt's part, and is waited for before the application object goes.
    class WithApplication {
    public:
        explicit WithApplication(WarmUp& warmUp);
        ~WithApplication();
        WithApplication(const WithApplication&) = delete;
        WithApplication& operator=(const WithApplication&) = delete;

    private:
        WarmUp& warmUp_;
    };

private:
    void release(bool qtPart);
    enum class Next { Wait, QtPart, End };
    // Blocks until the application object exists or the warm-up is called off.
    Next awaitApplication();

    std::mutex mutex_;
    std::condition_variable changed_;
    Next next_ = Next::Wait;
    std::thread thread_;
};

} // namespace folio
