// Loads the page images of a main window position, decoded at the size of their frames.
#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <filesystem>

namespace folio {

enum class PageSide { Left, Right };

class PageImageLoader : public QObject {
    Q_OBJECT
public:
    explicit PageImageLoader(QSize frameSize, QObject* parent = nullptr);

    // Asks for both pages of a position as the files are on disk now. pageReady follows for
    // each side (a null image when the file is missing or cannot be decoded); a newer request
    // supersedes older ones.
    void request(int position, const std::filesystem::path& left,
                 const std::filesystem::path& right);

    // Decodes one file scaled to fit within frame, keeping its proportions; null on failure.
    static QImage decodeScaled(const std::filesystem::path& file, QSize frame);

signals:
    void pageReady(int position, folio::PageSide side, const QImage& image);

private:
    QSize frameSize_;
};

} // namespace folio
