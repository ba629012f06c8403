// Page decoding at frame size, through the core's file operations.
#include "windows/common/page_decoding.h"

#include "core/files/file_ops.h"
#include "core/files/read_limits.h"
#include "platform/widgets.h"

#include <QIODevice>
#include <QImageReader>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

namespace folio {
namespace {

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
    AbandonablePageFile(const OpenedFile& file, const std::atomic<bool>* abandoned)
        : file_(file), abandoned_(abandoned) {
        installMessageFilter();
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    bool isSequential() const override { return false; }
    qint64 size() const override { return static_cast<qint64>(file_.size()); }
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
            chunkFilled_ = static_cast<qint64>(
                file_.readAt(static_cast<std::uint64_t>(at), chunk_.data(), kChunk));
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
    const OpenedFile& file_;
    const std::atomic<bool>* abandoned_;
    std::vector<char> chunk_ = std::vector<char>(kChunk);
    qint64 chunkStart_ = 0;
    qint64 chunkFilled_ = 0;
    bool cutShort_ = false;
};

} // namespace

// The size that fits frame is set before reading: the JPEG decoder scales while it decodes (a
// fraction of the work of a full-size decode followed by a resize).
QImage decodePage(const OpenedFile& file, QSize frame, const std::atomic<bool>* abandoned,
                  bool* cutShort) {
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

QString pageKey(const std::filesystem::path& file, const OpenedFile& opened) {
    if (!opened.isOpen() || opened.size() > kPageImageLimit)
        return {};
    return toQtPath(file) + QLatin1Char('|') + QString::fromStdString(opened.identity());
}

std::optional<PageStamp> PageStamp::of(const std::filesystem::path& file) {
    const std::string identity = fileIdentity(file);
    if (identity.empty())
        return std::nullopt;
    return PageStamp{toQtPath(file) + QLatin1Char('|') + QString::fromStdString(identity), file};
}

QImage decodePage(const std::filesystem::path& file, QSize frame) {
    const OpenedFile opened(file);
    return pageKey(file, opened).isEmpty() ? QImage() : decodePage(opened, frame);
}

} // namespace folio
