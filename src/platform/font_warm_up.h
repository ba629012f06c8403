// The first use of a font reads the system's font set-up (its configuration, the font list, the
// substitutes of a missing typeface) and takes a good part of a window's first showing. This
// does that work on a thread of its own while the program reads its data.
#pragma once

#include <thread>

namespace folio {

class FontWarmUp {
public:
    // Starts the thread; the application object must exist.
    FontWarmUp();
    // Waits for the thread: it ends before the application object.
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

private:
    std::thread thread_;
};

} // namespace folio
