// A stand-in for the import's worker processes: the test program started again as a worker that
// answers as the real one does, except for the files it is told to answer wrong.
#pragma once

namespace folio::test {

// The stand-in's command line: kStandInWorker <fault> <part of a file name> --draw-pdf-scores.
// Faults: "stop", "half", "garbage", "huge", "count", "size", "slow" (a drawing that never ends),
// "hang" (a count that never ends). Each question is noted in the file that the environment's
// FOLIO_STAND_IN_LOG names, as "<process id> <draw|count> <file name>".
inline constexpr const char* kStandInWorker = "--stand-in-worker";

bool isStandInWorkerRun(int argc, char* argv[]);
int runStandInWorker(int argc, char* argv[]);

} // namespace folio::test
