// PDF pages through the PDF engine. It draws on a transparent background, which a JPEG
// would turn black, so every page is put on white first.
#include "windows/pdf_import/pdf_pages.h"

#include "windows/pdf_import/pdf_engine.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace folio {
namespace {

// A PDF file carries "%PDF-" near its start; a reader looks for it in the first kilobyte.
constexpr qint64 kHeaderWindow = 1024;

enum class Header { Unreadable, Pdf, Other };

Header headerOf(const QString& file) {
    QFile in(file);
    if (!QFileInfo(file).isFile() || !in.open(QIODevice::ReadOnly))
        return Header::Unreadable;
    return in.read(kHeaderWindow).contains("%PDF-") ? Header::Pdf : Header::Other;
}

} // namespace

PdfPages::PdfPages() : document_(makePdfEngine()) {}
PdfPages::~PdfPages() = default;

PdfOpen PdfPages::open(const QString& file, const QString& password) {
    close();
    switch (headerOf(file)) {
    case Header::Unreadable:
        return PdfOpen::Unreadable;
    case Header::Other:
        return PdfOpen::NotPdf;
    case Header::Pdf:
        break;
    }
    if (!document_)
        return PdfOpen::NoEngine;
    switch (document_->load(file, password)) {
    case PdfEngine::Load::Loaded:
        break;
    case PdfEngine::Load::IncorrectPassword:
        return password.isEmpty() ? PdfOpen::NeedsPassword : PdfOpen::WrongPassword;
    case PdfEngine::Load::FileNotFound:
        return PdfOpen::Unreadable;
    case PdfEngine::Load::Failed:
        return PdfOpen::Damaged;
    }
    if (document_->pageCount() <= 0) {
        document_->close();
        return PdfOpen::NoPages;
    }
    return PdfOpen::Opened;
}

void PdfPages::close() {
    if (document_)
        document_->close();
}

QString PdfPages::problemText(PdfOpen outcome, const QString& file) {
    const QString name = QFileInfo(file).fileName();
    switch (outcome) {
    case PdfOpen::Opened:
        return {};
    case PdfOpen::Unreadable:
        return QStringLiteral("The file \"%1\" cannot be read.").arg(name);
    case PdfOpen::NotPdf:
        return QStringLiteral("The file \"%1\" is not a PDF file.").arg(name);
    case PdfOpen::Damaged:
        return QStringLiteral("The PDF file \"%1\" is damaged or incomplete: its pages cannot "
                              "be read.")
            .arg(name);
    case PdfOpen::NeedsPassword:
        return QStringLiteral("The PDF file \"%1\" is protected by a password. Type the password "
                              "and press Enter.")
            .arg(name);
    case PdfOpen::WrongPassword:
        return QStringLiteral("The password for \"%1\" is wrong.").arg(name);
    case PdfOpen::NoEngine:
        return QStringLiteral("The PDF file \"%1\" cannot be opened: the part of Folioscribe "
                              "that reads PDF files (folio_pdf) is missing from its "
                              "installation.")
            .arg(name);
    case PdfOpen::NoPages:
        return QStringLiteral("The PDF file \"%1\" has no pages.").arg(name);
    }
    return {};
}

int PdfPages::pageCount() const {
    return document_ ? document_->pageCount() : 0;
}

QSizeF PdfPages::pointSize(int page) const {
    if (page < 0 || page >= pageCount())
        return {};
    return document_->pagePointSize(page);
}

QSize PdfPages::pixelSize(QSizeF points) {
    if (points.isEmpty())
        return {};
    double width = points.width() / 72.0 * kDotsPerInch;
    double height = points.height() / 72.0 * kDotsPerInch;
    const double scale = std::min(1.0, kLongestSide / std::max(width, height));
    return {std::max(1, static_cast<int>(std::lround(width * scale))),
            std::max(1, static_cast<int>(std::lround(height * scale)))};
}

QImage PdfPages::render(int page, QSize size) const {
    if (page < 0 || page >= pageCount() || size.isEmpty() || size.width() > kLongestSide ||
        size.height() > kLongestSide)
        return {};
    const QImage drawn = document_->render(page, size);
    if (drawn.isNull())
        return {};
    QImage onWhite(size, QImage::Format_RGB32);
    onWhite.fill(Qt::white);
    // The resolution it is drawn at goes into the JPEG's header, whatever the screen of the
    // process that draws it: a worker process without one writes the very same bytes.
    const int dotsPerMeter = static_cast<int>(std::lround(kDotsPerInch / 0.0254));
    onWhite.setDotsPerMeterX(dotsPerMeter);
    onWhite.setDotsPerMeterY(dotsPerMeter);
    QPainter painter(&onWhite);
    painter.drawImage(0, 0, drawn);
    return onWhite;
}

QImage PdfPages::renderToFit(int page, QSize box) const {
    const QSizeF points = pointSize(page);
    if (points.isEmpty() || box.isEmpty())
        return {};
    const QSize fitted = points.scaled(QSizeF(box), Qt::KeepAspectRatio).toSize();
    return render(page, fitted.expandedTo(QSize(1, 1)));
}

QByteArray PdfPages::pageJpeg(int page, QString* error) const {
    const QImage image = render(page, pixelSize(page));
    if (image.isNull()) {
        *error = QStringLiteral("Page %1 of the PDF file cannot be drawn.").arg(page + 1);
        return {};
    }
    QByteArray bytes = encodeJpeg(image);
    if (bytes.isEmpty())
        *error = QStringLiteral("Page %1 cannot be turned into a JPEG picture.").arg(page + 1);
    return bytes;
}

QByteArray PdfPages::encodeJpeg(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(kJpegQuality);
    if (!writer.write(image))
        return {};
    return bytes;
}

} // namespace folio
