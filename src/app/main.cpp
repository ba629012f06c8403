// Folioscribe_pro: the desktop companion of the music stand, working on the installation
// folder it is started in.
#include "app/program_run.h"
#include "windows/pdf_import/pdf_worker.h"

int main(int argc, char* argv[]) {
    // Started again by itself to draw the pages of PDF files being imported.
    if (folio::isPdfWorkerRun(argc, argv))
        return folio::runPdfWorker(argc, argv);
    folio::ProgramRun run(argc, argv);
    return run.exec();
}
