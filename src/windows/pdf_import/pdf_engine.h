// The few calls the PDF pages make of Qt's PDF module, behind an interface whose one
// implementation lives in the module folio_pdf. The program loads that module, and with it Qt's
// PDF engine and the libraries it needs, when a PDF file is first opened, not at every start.
#pragma once

#include <QImage>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <memory>

namespace folio {

class PdfEngine {
public:
    enum class Load { Loaded, IncorrectPassword, FileNotFound, Failed };

    virtual ~PdfEngine() = default;
    // Loads file, with password if it is not empty; any file loaded before is closed first.
    virtual Load load(const QString& file, const QString& password) = 0;
    virtual void close() = 0;
    // Pages of the loaded file; 0 when none is loaded.
    virtual int pageCount() const = 0;
    virtual QSizeF pagePointSize(int page) const = 0;
    // The page drawn at size, on a transparent background.
    virtual QImage render(int page, QSize size) = 0;
};

// A new engine from folio_pdf, loaded on the first call; null when the module cannot be loaded.
std::unique_ptr<PdfEngine> makePdfEngine();

} // namespace folio

// The function folio_pdf exports: a new engine, owned by the caller.
extern "C" using FolioMakePdfEngine = folio::PdfEngine * ();
