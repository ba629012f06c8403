// Finds and loads the module folio_pdf: beside the program, where the installation puts it
// (lib/folioscribe/modules beside the program's bin folder), or, for a program run from the
// build tree, where the build made it. An installed program never looks in the build folder,
// which may not exist on the machine and could then be made by anyone to hold a module.
#include "windows/pdf_import/pdf_engine.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QStringList>

namespace folio {
namespace {

FolioMakePdfEngine* engineMaker() {
    QStringList folders;
    if (!QCoreApplication::instance())
        return nullptr;
    const QDir program(QCoreApplication::applicationDirPath());
    folders << program.path() << program.filePath(QStringLiteral(FOLIO_PDF_MODULE_INSTALLED));
    const QString buildTree = QDir::cleanPath(QStringLiteral(FOLIO_BUILD_TREE)) + QLatin1Char('/');
    if ((program.canonicalPath() + QLatin1Char('/')).startsWith(buildTree) ||
        (program.absolutePath() + QLatin1Char('/')).startsWith(buildTree))
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
