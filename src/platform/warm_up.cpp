// Qt's font database and its list of image format plugins are shared by all threads and guarded
// by their own locks: what the thread finds there the main thread finds ready.
#include "platform/warm_up.h"

#include "platform/look.h"

#include <QBuffer>
#include <QByteArray>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImageReader>

#if defined(FOLIO_WITH_FONTCONFIG)
#include <fontconfig/fontconfig.h>
#endif

namespace folio {
namespace {

// The warm-ups of this process that are still reading the font configuration.
std::mutex configurationMutex;
std::condition_variable configurationRead;
int configurationsBeingRead = 0;

void configurationDone() {
    {
        const std::lock_guard lock(configurationMutex);
        --configurationsBeingRead;
    }
    configurationRead.notify_all();
}

// Fontconfig reads its configuration files and font caches at its first use, the first font Qt
// lists. Done here first, Qt finds them read; two first uses at once would each read them.
void readFontConfiguration() {
#if defined(FOLIO_WITH_FONTCONFIG)
    FcInit();
#endif
    configurationDone();
}

void setUpFonts() {
    QFontDatabase::families();
    QFontInfo(look::verdana(12)).family();
    QFontInfo(QGuiApplication::font()).family();
}

// Asking which plugin reads some bytes loads every image format plugin.
void loadImagePlugins() {
    QByteArray nothing;
    QBuffer bytes(&nothing);
    bytes.open(QIODevice::ReadOnly);
    QImageReader(&bytes).canRead();
}

} // namespace

void awaitFontConfiguration() {
    std::unique_lock lock(configurationMutex);
    configurationRead.wait(lock, [] { return configurationsBeingRead == 0; });
}

WarmUp::WarmUp() {
    {
        const std::lock_guard lock(configurationMutex);
        ++configurationsBeingRead;
    }
    try {
        thread_ = std::thread([this] {
            readFontConfiguration();
            if (awaitApplication() != Next::QtPart)
                return;
            setUpFonts();
            loadImagePlugins();
        });
    } catch (...) {
        // No thread: nobody is to wait for it.
        configurationDone();
        throw;
    }
}

WarmUp::WithApplication::WithApplication(WarmUp& warmUp) : warmUp_(warmUp) {
    warmUp_.release(true);
}

WarmUp::WithApplication::~WithApplication() {
    warmUp_.thread_.join();
}

void WarmUp::release(bool qtPart) {
    {
        const std::lock_guard lock(mutex_);
        if (next_ == Next::Wait)
            next_ = qtPart ? Next::QtPart : Next::End;
    }
    changed_.notify_one();
}

WarmUp::Next WarmUp::awaitApplication() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return next_ != Next::Wait; });
    return next_;
}

WarmUp::~WarmUp() {
    release(false);
    if (thread_.joinable())
        thread_.join();
}

} // namespace folio
