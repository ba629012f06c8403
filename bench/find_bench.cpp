// Finding a score as the user types, over an archive of 9999 entries: the search alone, the
// folding of the whole archive when the main window opens, and a keystroke in the find box
// with the main window moving to the match.
#include "bench_support.h"
#include "core/archive/score_search.h"
#include "platform/dialogs.h"
#include "windows/common/main_window_host.h"
#include "windows/common/shared_state.h"
#include "windows/main/find_box.h"
#include "windows/main/form1.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <memory>

namespace folio::bench {
namespace {

// What a user types, keystroke by keystroke: an author without accents, a title's words, a
// tag, and a text no score holds (every keystroke of it searches the whole archive).
const char* const kTypedWords[] = {"amelie durand", "study no. 9876", "harmonica", "zzyzx"};

// Every prefix of every typed word, in typing order.
std::vector<std::string> keystrokes() {
    std::vector<std::string> typed;
    for (std::string_view word : kTypedWords) {
        for (std::size_t length = 1; length <= word.size(); ++length)
            typed.emplace_back(word.substr(0, length));
    }
    return typed;
}

void BM_ScoreSearch_Keystroke(benchmark::State& state) {
    SharedState shared{Installation(smallPageInstallation("find"))};
    loadArchive(shared.archive, shared.installation);
    ScoreSearch search;
    search.rebuild(shared.archive);
    const std::vector<std::string> typed = keystrokes();
    std::size_t next = 0;
    int position = shared.archive.entryCount();
    for (auto _ : state) {
        const ScoreSearch::Found found =
            search.find(typed[next], position, ScoreSearch::Direction::FromHere);
        if (found.entry != 0)
            position = found.entry;
        benchmark::DoNotOptimize(found);
        next = (next + 1) % typed.size();
    }
    state.counters["entries"] = shared.archive.entryCount();
}
BENCHMARK(BM_ScoreSearch_Keystroke)->Unit(benchmark::kMicrosecond);

void BM_ScoreSearch_Rebuild(benchmark::State& state) {
    SharedState shared{Installation(smallPageInstallation("find"))};
    loadArchive(shared.archive, shared.installation);
    ScoreSearch search;
    for (auto _ : state)
        search.rebuild(shared.archive);
}
BENCHMARK(BM_ScoreSearch_Rebuild)->Unit(benchmark::kMillisecond);

// One keystroke in the find box of the main window open on 9999 entries: UI thread time of
// the search, the move of the scroll bar and the showing of the found entry.
void BM_FindBox_Keystroke9999(benchmark::State& state) {
    SharedState shared{Installation(smallPageInstallation("find"))};
    SilentDialogs dialogs;
    NoHost host;
    auto window = std::make_unique<Form1>(shared, dialogs, host);
    window->show();
    window->cerca->trigger();
    FindBox* box = window->findChild<FindBox*>();
    QCoreApplication::processEvents();

    // Each iteration types one key; a word done, the box is emptied for the next one.
    const std::vector<std::string> typed = keystrokes();
    std::size_t next = 0;
    std::vector<double> handler;
    for (auto _ : state) {
        if (typed[next].size() == 1)
            box->findText->clear();
        const double start = threadCpuMilliseconds();
        box->findText->insert(QString(QChar::fromLatin1(typed[next].back())));
        const double spent = threadCpuMilliseconds() - start;
        handler.push_back(spent);
        state.SetIterationTime(spent / 1000.0);
        // The page frames fill between keystrokes, as they would while the user types.
        QCoreApplication::processEvents();
        next = (next + 1) % typed.size();
    }
    reportMilliseconds(state, "keystroke", handler);
    state.counters["last_found"] = window->VScroll1->value();
    window.reset();
    QCoreApplication::processEvents();
}
BENCHMARK(BM_FindBox_Keystroke9999)
    ->UseManualTime()
    ->Iterations(200)
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace folio::bench
