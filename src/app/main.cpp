// Folioscribe_pro: the desktop companion of the music stand, working on the installation
// folder it is started in.
#include "app/program_run.h"

int main(int argc, char* argv[]) {
    folio::ProgramRun run(argc, argv);
    return run.exec();
}
