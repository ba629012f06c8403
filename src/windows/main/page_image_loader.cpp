// Page decoding at frame size on worker threads. The UI thread only looks at the files (a stat
// per page) and hands out pictures; a picture is reused only for a file whose stat figures are
// unchanged, so a replaced or removed page is never shown as it was.
#include "windows/main/page_image_loader.h"

#include "core/files/read_limits.h"
#include "platform/widgets.h"

#include <QIODevice>
#include <QImageReader>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace folio {
namespace {

// The decoded pages kept: the 2 shown and the 4 of the two prefetched neighbours, the one ahead
// and the one behind, so that a step on or back finds its pages ready. After a step the pages
// left behind are the least recently used and go first. Pictures are at frame size, so the
// cache grows with the window, a few hundred kB a page at the starting size.
constexpr int kCachedPages = 6;

int sideIndex(PageSide side) {
    return side == PageSide::Left ? 0 : 1;
}
PageSide sideOf(int index) {
    return index == 0 ? PageSide::Left : PageSide::Right;
}

#ifdef _WIN32
// Windows: size, last write time (100 ns steps), volume and file index: a copy moved over the
// file changes the index, an overwrite in place the size or the time.
QString stampKey(const std::filesystem::path& file, const BY_HANDLE_FILE_INFORMATION& info) {
    return QStringLiteral("%1|%2|%3|%4|%5|%6")
        .arg(QString::fromStdWString(file.wstring()))
        .arg((static_cast<quint64>(info.nFileSizeHigh) << 32) | info.nFileSizeLow)
        .arg((static_cast<quint64>(info.ftLastWriteTime.dwHighDateTime) << 32) |
             info.ftLastWriteTime.dwLowDateTime)
        .arg(info.dwVolumeSerialNumber)
        .arg(info.nFileIndexHigh)
        .arg(info.nFileIndexLow);
}

// Opens a file for reading, letting others read, write and rename it meanwhile, and gives its
// figures if it is a regular file on a disk.
HANDLE openRegular(const std::filesystem::path& file, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE handle = ::CreateFileW(file.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return handle;
    if (::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        ::CloseHandle(handle);
        return INVALID_HANDLE_VALUE;
    }
    return handle;
}

#else
// Size, both times to the nanosecond and the inode: a copy renamed over the file changes the
// inode, an overwrite in place the size or the times.
QString stampKey(const std::filesystem::path& file, const struct stat& info) {
    return QStringLiteral("%1|%2|%3.%4|%5.%6|%7|%8")
        .arg(toQtPath(file))
        .arg(static_cast<qint64>(info.st_size))
        .arg(static_cast<qint64>(info.st_mtim.tv_sec))
        .arg(static_cast<qint64>(info.st_mtim.tv_nsec))
        .arg(static_cast<qint64>(info.st_ctim.tv_sec))
        .arg(static_cast<qint64>(info.st_ctim.tv_nsec))
        .arg(static_cast<quint64>(info.st_ino))
        .arg(static_cast<quint64>(info.st_dev));
}

#endif

// A page file open for reading, and the key of exactly the bytes read from it: stat'ed through
// the same handle, so a file replaced meanwhile is read as it was when opened.
class PageFile {
public:
    explicit PageFile(const std::filesystem::path& file) {
#ifdef _WIN32
        BY_HANDLE_FILE_INFORMATION info{};
        handle_ = openRegular(file, info);
        const quint64 size = (static_cast<quint64>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        if (handle_ == INVALID_HANDLE_VALUE || size > kPageImageLimit)
            return;
#else
        // Never waits for a writer: a named pipe in place of a page is no page.
        handle_ = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        struct stat info {};
        if (handle_ < 0 || ::fstat(handle_, &info) != 0 || !S_ISREG(info.st_mode) ||
            static_cast<std::uint64_t>(info.st_size) > kPageImageLimit)
            return;
        const auto size = static_cast<std::uint64_t>(info.st_size);
#endif
        size_ = static_cast<qint64>(size);
        key_ = stampKey(file, info);
    }
    ~PageFile() {
#ifdef _WIN32
        if (handle_ != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle_);
#else
        if (handle_ >= 0)
            ::close(handle_);
#endif
    }
    PageFile(const PageFile&) = delete;
    PageFile& operator=(const PageFile&) = delete;

    // Empty when the file is not a readable regular file within the size limit.
    const QString& key() const {
        return key_;
    }
    qint64 size() const {
        return size_;
    }

    // Reads up to count bytes at offset; the number read, 0 at the end or on an error.
    qint64 readAt(char* into, qint64 offset, qint64 count) const {
#ifdef _WIN32
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(static_cast<quint64>(offset) & 0xffffffffu);
        at.OffsetHigh = static_cast<DWORD>(static_cast<quint64>(offset) >> 32);
        DWORD got = 0;
        return ::ReadFile(handle_, into, static_cast<DWORD>(count), &got, &at) ? got : 0;
#else
        for (;;) {
            const ssize_t got = ::pread(handle_, into, static_cast<size_t>(count), offset);
            if (got < 0 && errno == EINTR)
                continue;
            return got < 0 ? 0 : got;
        }
#endif
    }

private:
#ifdef _WIN32
    HANDLE handle_ = INVALID_HANDLE_VALUE;
#else
    int handle_ = -1;
#endif
    qint64 size_ = 0;
    QString key_;
};

// Set on a worker thread while its decode runs cut short, for the message filter below.
thread_local bool decodeCutShort = false;
QtMessageHandler nextMessageHandler = nullptr;

// An abandoned decode makes the JPEG decoder warn of a premature end of data. That warning
// says nothing about the file, so it is dropped; every other message passes on unchanged.
void dropCutShortWarnings(QtMsgType type, const QMessageLogContext& context,
                          const QString& message) {
    if (decodeCutShort && type == QtWarningMsg && context.category &&
        std::strcmp(context.category, "qt.gui.imageio.jpeg") == 0)
        return;
    if (nextMessageHandler)
        nextMessageHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

void installMessageFilter() {
    static std::once_flag once;
    std::call_once(once, [] { nextMessageHandler = qInstallMessageHandler(dropCutShortWarnings); });
}

// A page file as a device that reads as ended once the page is abandoned. The JPEG decoder,
// fed chunk by chunk, then takes the rest of the picture as missing and finishes it without
// decoding it. The file is read 64 kB at a time as the decoder goes, so a decode holds only
// that much of the file's bytes, never the whole file.
class AbandonablePageFile : public QIODevice {
public:
    AbandonablePageFile(const PageFile& file, const std::atomic<bool>* abandoned)
        : file_(file), abandoned_(abandoned) {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    bool isSequential() const override { return false; }
    qint64 size() const override { return file_.size(); }
    // True once a read was refused because the page had been abandoned.
    bool cutShort() const { return cutShort_; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (abandoned_ && abandoned_->load(std::memory_order_relaxed)) {
            cutShort_ = decodeCutShort = true;
            return 0;
        }
        const qint64 at = pos();
        if (at < chunkStart_ || at >= chunkStart_ + chunkFilled_) {
            chunkStart_ = at;
            chunkFilled_ = file_.readAt(chunk_.data(), at, kChunk);
            if (chunkFilled_ <= 0) {
                chunkFilled_ = 0;
                return 0;
            }
        }
        const qint64 count = std::min(maxSize, chunkStart_ + chunkFilled_ - at);
        std::memcpy(data, chunk_.data() + (at - chunkStart_), static_cast<std::size_t>(count));
        return count;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    static constexpr qint64 kChunk = 64 * 1024;
    const PageFile& file_;
    const std::atomic<bool>* abandoned_;
    std::vector<char> chunk_ = std::vector<char>(kChunk);
    qint64 chunkStart_ = 0;
    qint64 chunkFilled_ = 0;
    bool cutShort_ = false;
};

// Decodes at the size that fits frame: set before reading, the JPEG decoder scales while it
// decodes (a fraction of the work of a full-size decode followed by a resize). A decode cut
// short by abandoned gives a null picture and sets *cutShort.
QImage decodeFile(const PageFile& file, QSize frame, const std::atomic<bool>* abandoned = nullptr,
                  bool* cutShort = nullptr) {
    decodeCutShort = false;
    AbandonablePageFile device(file, abandoned);
    QImageReader reader(&device);
    reader.setAutoTransform(true);
    QSize size = reader.size();
    if (size.isValid() && !frame.isEmpty())
        reader.setScaledSize(size.scaled(frame, Qt::KeepAspectRatio));
    QImage image = reader.read();
    decodeCutShort = false;
    if (device.cutShort()) {
        if (cutShort)
            *cutShort = true;
        return QImage();
    }
    if (!image.isNull() && !frame.isEmpty() &&
        (image.width() > frame.width() || image.height() > frame.height()))
        image = image.scaled(frame, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

} // namespace

std::optional<PageStamp> PageStamp::of(const std::filesystem::path& file) {
#ifdef _WIN32
    BY_HANDLE_FILE_INFORMATION info{};
    HANDLE handle = openRegular(file, info);
    if (handle == INVALID_HANDLE_VALUE)
        return std::nullopt;
    ::CloseHandle(handle);
    return PageStamp{stampKey(file, info), file};
#else
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return PageStamp{stampKey(file, info), file};
#endif
}

PageImageLoader::PageImageLoader(QSize frameSize, QObject* parent)
    : QObject(parent), frameSize_(frameSize), cache_(kCachedPages) {
    installMessageFilter();
    // The two pages on screen. A page of a position passed over before its decode ended holds
    // its thread for the millisecond or two the decoder takes to wind down; a page on screen
    // waits that long rather than more decodes running at once, each with its own buffers.
    // Until the window has been painted once, the main thread is still reading the archive,
    // building the window and painting it: the pages asked for meanwhile decode one after the
    // other and leave the other core to the window (see windowPainted).
    shownWorkers_.setMaxThreadCount(1);
    aheadWorkers_.setMaxThreadCount(decodeThreads_);
    aheadWorkers_.setThreadPriority(QThread::IdlePriority);
}

PageImageLoader::~PageImageLoader() {
    waiting_.clear();
    for (auto& [key, running] : running_)
        running.abandoned->store(true, std::memory_order_relaxed);
    shownWorkers_.waitForDone();
    aheadWorkers_.waitForDone();
}

void PageImageLoader::windowPainted() {
    shownWorkers_.setMaxThreadCount(2);
}

bool PageImageLoader::setFrameSize(QSize frameSize) {
    if (frameSize == frameSize_)
        return false;
    frameSize_ = frameSize;
    cache_.clear();
    waiting_.clear();
    prefetched_.clear();
    for (auto& [key, running] : running_)
        running.abandoned->store(true, std::memory_order_relaxed);
    return true;
}

void PageImageLoader::request(int position, const std::filesystem::path& left,
                              const std::filesystem::path& right) {
    shown_ = Shown{};
    shown_.position = position;
    waiting_.clear();
    prefetched_.clear();
    askFor(PageSide::Left, left);
    askFor(PageSide::Right, right);
    // The pages of the position before, if still decoding, would share the cores with these
    // at the same priority. Decodes ahead of need run on until the next prefetch says whether
    // they are still wanted: the neighbours of a step are mostly those of the step before.
    abandonRunning(false);
    startWaitingDecodes();
}

void PageImageLoader::askFor(PageSide side, const std::filesystem::path& file) {
    const int index = sideIndex(side);
    std::optional<PageStamp> stamp = PageStamp::of(file);
    if (!stamp) {
        emit pageReady(shown_.position, side, QImage());
        return;
    }
    if (const QImage* cached = cache_.object(stamp->key)) {
        emit pageReady(shown_.position, side, *cached);
        return;
    }
    shown_.key[index] = stamp->key;
    shown_.pending[index] = true;
    enqueue(*stamp);
}

void PageImageLoader::prefetch(const std::vector<std::filesystem::path>& files) {
    std::erase_if(waiting_, [&](const PageStamp& stamp) { return !isShownPending(stamp.key); });
    prefetched_.clear();
    for (const std::filesystem::path& file : files) {
        std::optional<PageStamp> stamp = PageStamp::of(file);
        // A neighbour already decoded counts as just used: the pages left behind go first.
        if (stamp && !cache_.object(stamp->key)) {
            prefetched_.insert(stamp->key);
            enqueue(*stamp);
        }
    }
    abandonRunning(true);
    startWaitingDecodes();
}

void PageImageLoader::enqueue(const PageStamp& stamp) {
    if (running_.count(stamp.key) ||
        std::any_of(waiting_.begin(), waiting_.end(),
                    [&](const PageStamp& waiting) { return waiting.key == stamp.key; }))
        return;
    waiting_.push_back(stamp);
}

bool PageImageLoader::isShownPending(const QString& key) const {
    return (shown_.pending[0] && shown_.key[0] == key) ||
           (shown_.pending[1] && shown_.key[1] == key);
}

// Given-up decodes count until they have wound down: they still hold a thread.
int PageImageLoader::aheadRunning() const {
    return static_cast<int>(std::count_if(running_.begin(), running_.end(),
                                          [](const auto& held) { return held.second.ahead; }));
}

// While a page on screen waits for its picture, two cores are left to it: a decode ahead of
// need started then would only hold its memory until they are free.
int PageImageLoader::threadsAhead() const {
    return decodeThreads_ - (shown_.pending[0] || shown_.pending[1] ? 2 : 0);
}

// Gives up the running decodes of the one kind (ahead of need, or once on screen) whose pages
// are wanted neither on screen nor ahead any more.
void PageImageLoader::abandonRunning(bool ahead) {
    for (auto& [key, running] : running_)
        if (running.ahead == ahead && !isShownPending(key) && !prefetched_.count(key))
            running.abandoned->store(true, std::memory_order_relaxed);
}

void PageImageLoader::startWaitingDecodes() {
    // The shown pages wait at the front and start at once, both together.
    std::vector<std::function<void()>> shownTasks;
    while (!waiting_.empty()) {
        const bool ahead = !isShownPending(waiting_.front().key);
        if (ahead && aheadRunning() >= threadsAhead())
            break;
        PageStamp stamp = std::move(waiting_.front());
        waiting_.pop_front();
        auto abandoned = std::make_shared<std::atomic<bool>>(false);
        running_.emplace(stamp.key, Running{stamp, abandoned, ahead});
        if (ahead)
            aheadWorkers_.start(decodeTask(stamp, abandoned));
        else
            shownTasks.push_back(decodeTask(stamp, abandoned));
    }
    // The window wakes one worker, which wakes the other before it decodes. A woken worker may
    // take the window's core at once, and the window would then wake the second only when it
    // gets a core back, milliseconds later when both cores are busy.
    if (shownTasks.size() == 1) {
        shownWorkers_.start(std::move(shownTasks.front()));
    } else if (shownTasks.size() == 2) {
        shownWorkers_.start(
            [this, first = std::move(shownTasks[0]), second = std::move(shownTasks[1])]() mutable {
                shownWorkers_.start(std::move(second));
                first();
            });
    }
}

std::function<void()> PageImageLoader::decodeTask(const PageStamp& stamp,
                                                  std::shared_ptr<std::atomic<bool>> abandoned) {
    return [this, stamp, abandoned = std::move(abandoned), frame = frameSize_] {
        QString actualKey;
        QImage image;
        bool cutShort = abandoned->load(std::memory_order_relaxed);
        if (!cutShort) {
            const PageFile file(stamp.file);
            actualKey = file.key();
            if (!actualKey.isEmpty())
                image = decodeFile(file, frame, abandoned.get(), &cutShort);
        }
        QMetaObject::invokeMethod(
            this,
            [this, key = stamp.key, actualKey, image, cutShort, frame] {
                // Decoded for frames that have changed size since: wanted anew if at all.
                const bool unwanted = cutShort || frame != frameSize_;
                if (!actualKey.isEmpty() && !unwanted)
                    cache_.insert(actualKey, new QImage(image));
                decoded(key, image, unwanted);
            },
            Qt::QueuedConnection);
    };
}

void PageImageLoader::decoded(const QString& key, const QImage& image, bool cutShort) {
    auto finished = running_.find(key);
    if (finished == running_.end())
        return;
    PageStamp stamp = std::move(finished->second.stamp);
    running_.erase(finished);
    if (cutShort) {
        // Abandoned before it was done, and wanted again since: decode it anew.
        if (isShownPending(key))
            waiting_.push_front(std::move(stamp));
        else if (prefetched_.count(key))
            waiting_.push_back(std::move(stamp));
        startWaitingDecodes();
        return;
    }
    for (int index = 0; index < 2; ++index) {
        if (shown_.pending[index] && shown_.key[index] == key) {
            shown_.pending[index] = false;
            emit pageReady(shown_.position, sideOf(index), image);
        }
    }
    startWaitingDecodes();
}

QImage PageImageLoader::decodeScaled(const std::filesystem::path& file, QSize frame) {
    const PageFile page(file);
    return page.key().isEmpty() ? QImage() : decodeFile(page, frame);
}

} // namespace folio
