// Finds and loads the module folio_pdf: beside the program, where the installation puts it
// (lib/folioscribe/modules beside the program's bin folder), or where the build made it.
#include "archive/pdf_engine.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QStringList>

namespace folio {
namespace {

FolioMakePdfEngine* engineMaker() {
    QStringList folders;
    if (QCoreApplication::instance()) {
        const QDir program(QCoreApplication::applicationDirPath());
        folders << program.path() << program.filePath(QStringLiteral(FOLIO_PDF_MODULE_INSTALLED));
    }
    folders << QStringLiteral(FOLIO_PDF_MODULE_BUILD_DIR);
    for (const QString& folder : folders) {
        // Never unloaded: engines made by it may live until the program ends.
        auto* module = new QLibrary(QDir(folder).filePath(QStringLiteral("folio_pdf")));
        if (auto* make =
                reinterpret_cast<FolioMakePdfEngine*>(module->resolve("folioMakePdfEngine")))
            return make;
        delete module;
    }
    return nullptr;
}

} // namespace

std::unique_ptr<PdfEngine> makePdfEngine() {
    // Looked for once, by whichever thread first needs an engine.
    static FolioMakePdfEngine* const make = engineMaker();
    return std::unique_ptr<PdfEngine>(make ? make() : nullptr);
}

} // namespace folio
