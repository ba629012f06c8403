// Page decoding at frame size.
#include "archive/page_image_loader.h"

#include "platform/file_ops.h"

#include <QImageReader>
#include <QString>

namespace folio {

PageImageLoader::PageImageLoader(QSize frameSize, QObject* parent)
    : QObject(parent), frameSize_(frameSize) {}

void PageImageLoader::request(int position, const std::filesystem::path& left,
                              const std::filesystem::path& right) {
    emit pageReady(position, PageSide::Left, decodeScaled(left, frameSize_));
    emit pageReady(position, PageSide::Right, decodeScaled(right, frameSize_));
}

QImage PageImageLoader::decodeScaled(const std::filesystem::path& file, QSize frame) {
    if (!fileExists(file))
        return {};
    QImageReader reader(QString::fromStdString(file.string()));
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

} // namespace folio
