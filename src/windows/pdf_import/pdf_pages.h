// The pages of a PDF file: opening it (with a password), their sizes, and drawing them on white,
// as thumbnails or as the JPEG pages the stand shows, through the PDF engine of folio_pdf.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <memory>

namespace folio {

class PdfEngine;

// How opening a PDF file ended.
enum class PdfOpen {
    Opened,
    Unreadable,
    NotPdf,
    Damaged,
    NeedsPassword,
    WrongPassword,
    NoPages,
    NoEngine // the module that reads PDF files is missing from the installation
};

class PdfPages {
public:
    // Pages are drawn at this resolution...
    static constexpr double kDotsPerInch = 200;
    // ...with the longer side at most this many pixels, so that no page is allocated huge.
    static constexpr int kLongestSide = 4000;
    static constexpr int kJpegQuality = 90;

    PdfPages();
    ~PdfPages();
    PdfPages(const PdfPages&) = delete;
    PdfPages& operator=(const PdfPages&) = delete;

    // Opens file, with password if it is not empty; any file opened before is closed first.
    PdfOpen open(const QString& file, const QString& password = {});
    // Closes the open file, if any.
    void close();
    // What the user reads when open gave outcome for file; empty for Opened.
    static QString problemText(PdfOpen outcome, const QString& file);

    // Pages of the open file; 0 when none is open.
    int pageCount() const;
    // A page's size in points (1/72 inch); empty for a page that is not there.
    QSizeF pointSize(int page) const;
    // The pixel size a page is written at: kDotsPerInch, the longer side capped at kLongestSide,
    // the page's own proportions, at least 1 x 1.
    static QSize pixelSize(QSizeF points);
    QSize pixelSize(int page) const { return pixelSize(pointSize(page)); }

    // Draws page (from 0) at exactly size on a white background; null if it cannot be drawn.
    QImage render(int page, QSize size) const;
    // Draws page as large as fits in box, keeping its proportions.
    QImage renderToFit(int page, QSize box) const;
    // The page as JPEG bytes at pixelSize; empty, with error set, when it cannot be drawn.
    QByteArray pageJpeg(int page, QString* error) const;
    // Encodes an image as JPEG at kJpegQuality; empty when it cannot be encoded.
    static QByteArray encodeJpeg(const QImage& image);

private:
    // Null when the PDF engine could not be loaded: no file opens.
    std::unique_ptr<PdfEngine> document_;
};

} // namespace folio
