// Page decoding at frame size on worker threads. The UI thread only looks at the files (a stat
// per page) and hands out pictures; a picture is reused only for a file whose stat figures are
// unchanged, so a replaced or removed page is never shown as it was.
#include "archive/page_image_loader.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace folio {
namespace {

// Enough for the shown pages, the prefetched neighbours and the last few positions.
constexpr int kCachedPages = 24;

int sideIndex(PageSide side) {
    return side == PageSide::Left ? 0 : 1;
}
PageSide sideOf(int index) {
    return index == 0 ? PageSide::Left : PageSide::Right;
}

// Size, both times to the nanosecond and the inode: a copy renamed over the file changes the
// inode, an overwrite in place the size or the times.
QString stampKey(const std::filesystem::path& file, const struct stat& info) {
    return QStringLiteral("%1|%2|%3.%4|%5.%6|%7|%8")
        .arg(QString::fromStdString(file.string()))
        .arg(static_cast<qint64>(info.st_size))
        .arg(static_cast<qint64>(info.st_mtim.tv_sec))
        .arg(static_cast<qint64>(info.st_mtim.tv_nsec))
        .arg(static_cast<qint64>(info.st_ctim.tv_sec))
        .arg(static_cast<qint64>(info.st_ctim.tv_nsec))
        .arg(static_cast<quint64>(info.st_ino))
        .arg(static_cast<quint64>(info.st_dev));
}

// The bytes of a regular file and the key of exactly those bytes (read and stat'ed through one
// descriptor); an empty key when the file cannot be read.
QByteArray readStamped(const std::filesystem::path& file, QString* key) {
    key->clear();
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    QByteArray bytes;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        bytes.resize(static_cast<qsizetype>(info.st_size));
        qsizetype filled = 0;
        while (filled < bytes.size()) {
            ssize_t got =
                ::read(fd, bytes.data() + filled, static_cast<size_t>(bytes.size() - filled));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            filled += got;
        }
        bytes.truncate(filled);
        *key = stampKey(file, info);
    }
    ::close(fd);
    return bytes;
}

// Decodes at the size that fits frame: set before reading, the JPEG decoder scales while it
// decodes (a fraction of the work of a full-size decode followed by a resize).
QImage decodeBytes(const QByteArray& bytes, QSize frame) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    QSize size = reader.size();
    if (size.isValid() && !frame.isEmpty())
        reader.setScaledSize(size.scaled(frame, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (!image.isNull() && !frame.isEmpty() &&
        (image.width() > frame.width() || image.height() > frame.height()))
        image = image.scaled(frame, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

} // namespace

std::optional<PageStamp> PageStamp::of(const std::filesystem::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return PageStamp{stampKey(file, info), file};
}

PageImageLoader::PageImageLoader(QSize frameSize, QObject* parent)
    : QObject(parent), frameSize_(frameSize), cache_(kCachedPages) {
    workers_.setMaxThreadCount(std::max(2, QThread::idealThreadCount()));
}

PageImageLoader::~PageImageLoader() {
    waiting_.clear();
    workers_.waitForDone();
}

void PageImageLoader::request(int position, const std::filesystem::path& left,
                              const std::filesystem::path& right) {
    shown_ = Shown{};
    shown_.position = position;
    waiting_.clear();
    askFor(PageSide::Left, left);
    askFor(PageSide::Right, right);
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
    std::erase_if(waiting_, [&](const PageStamp& stamp) {
        return !(shown_.pending[0] && stamp.key == shown_.key[0]) &&
               !(shown_.pending[1] && stamp.key == shown_.key[1]);
    });
    for (const std::filesystem::path& file : files) {
        std::optional<PageStamp> stamp = PageStamp::of(file);
        if (stamp && !cache_.contains(stamp->key))
            enqueue(*stamp);
    }
    startWaitingDecodes();
}

void PageImageLoader::enqueue(const PageStamp& stamp) {
    if (running_.count(stamp.key) ||
        std::any_of(waiting_.begin(), waiting_.end(),
                    [&](const PageStamp& waiting) { return waiting.key == stamp.key; }))
        return;
    waiting_.push_back(stamp);
}

void PageImageLoader::startWaitingDecodes() {
    while (!waiting_.empty() && static_cast<int>(running_.size()) < workers_.maxThreadCount()) {
        PageStamp stamp = std::move(waiting_.front());
        waiting_.pop_front();
        running_.insert(stamp.key);
        workers_.start([this, stamp, frame = frameSize_] {
            QString actualKey;
            QByteArray bytes = readStamped(stamp.file, &actualKey);
            QImage image = actualKey.isEmpty() ? QImage() : decodeBytes(bytes, frame);
            QMetaObject::invokeMethod(
                this,
                [this, key = stamp.key, actualKey, image] {
                    if (!actualKey.isEmpty())
                        cache_.insert(actualKey, new QImage(image));
                    decoded(key, image);
                },
                Qt::QueuedConnection);
        });
    }
}

void PageImageLoader::decoded(const QString& key, const QImage& image) {
    running_.erase(key);
    for (int index = 0; index < 2; ++index) {
        if (shown_.pending[index] && shown_.key[index] == key) {
            shown_.pending[index] = false;
            emit pageReady(shown_.position, sideOf(index), image);
        }
    }
    startWaitingDecodes();
}

QImage PageImageLoader::decodeScaled(const std::filesystem::path& file, QSize frame) {
    QString key;
    QByteArray bytes = readStamped(file, &key);
    return key.isEmpty() ? QImage() : decodeBytes(bytes, frame);
}

} // namespace folio
