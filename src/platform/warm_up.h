// What a window's first showing needs and the system is slow to provide: the font set-up (the
// configuration, the font list, the substitutes of a missing typeface) and the image format
// plugins (the style's icons are read through them). WarmUp does that work on a thread of its
// own while the program reads its data; the main thread then finds it done.
#pragma once

#include <thread>

namespace folio {

class WarmUp {
public:
    // Starts the thread; the application object must exist.
    WarmUp();
    // Waits for the thread: it ends before the application object.
    ~WarmUp();
    WarmUp(const WarmUp&) = delete;
    WarmUp& operator=(const WarmUp&) = delete;

private:
    std::thread thread_;
};

} // namespace folio
