// The module folio_pdf: the PDF engine on QPdfDocument, the only code that links Qt's PDF module.
#include "windows/pdf_import/pdf_engine.h"

#include <QPdfDocument>
#include <QtGlobal>

namespace folio {
namespace {

class QtPdfEngine final : public PdfEngine {
public:
    Load load(const QString& file, const QString& password) override {
        document_.close();
        document_.setPassword(password);
        switch (document_.load(file)) {
        case QPdfDocument::Error::None:
            return Load::Loaded;
        case QPdfDocument::Error::IncorrectPassword:
            return Load::IncorrectPassword;
        case QPdfDocument::Error::FileNotFound:
            return Load::FileNotFound;
        default:
            return Load::Failed;
        }
    }
    void close() override { document_.close(); }
    int pageCount() const override {
        return document_.status() == QPdfDocument::Status::Ready ? document_.pageCount() : 0;
    }
    QSizeF pagePointSize(int page) const override { return document_.pagePointSize(page); }
    QImage render(int page, QSize size) override { return document_.render(page, size); }

private:
    QPdfDocument document_;
};

} // namespace
} // namespace folio

extern "C" Q_DECL_EXPORT folio::PdfEngine* folioMakePdfEngine() {
    return new folio::QtPdfEngine;
}
