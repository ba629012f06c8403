// The library window over 9999 scores, each figure beside the same work done by a bare
// QTableView over the same strings (a QStandardItemModel, sorted and filtered by a
// QSortFilterProxyModel): opening to the first paint, re-sorting by a column, and a filter
// keystroke on the window thread.
#include "bench_support.h"
#include "core/archive/library.h"
#include "platform/cp1252.h"
#include "windows/common/shared_state.h"
#include "windows/library/library_model.h"
#include "windows/library/library_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <cstdio>
#include <memory>

namespace folio::bench {
namespace {

SharedState& loadedState() {
    static SharedState shared{Installation(smallPageInstallation("library"))};
    static const bool loaded = [] {
        loadArchive(shared.archive, shared.installation);
        return true;
    }();
    (void)loaded;
    return shared;
}

// The floor: the same strings in a standard model behind a sort and filter proxy.
struct BareTable {
    BareTable() : model(0, 5), proxy() {
        const ScoreArchive& archive = loadedState().archive;
        for (int n = 1; n <= archive.entryCount(); ++n) {
            const ScoreEntry& entry = archive.slot(n);
            model.appendRow({new QStandardItem(QString::number(n)),
                             new QStandardItem(fromCp1252(entry.title)),
                             new QStandardItem(fromCp1252(entry.author)),
                             new QStandardItem(fromCp1252(entry.tags)),
                             new QStandardItem(fromCp1252(entry.category))});
        }
        proxy.setSourceModel(&model);
        proxy.setFilterCaseSensitivity(Qt::CaseInsensitive);
        proxy.setFilterKeyColumn(-1);
        proxy.setSortCaseSensitivity(Qt::CaseInsensitive);
        view.setModel(&proxy);
    }
    QStandardItemModel model;
    QSortFilterProxyModel proxy;
    QTableView view;
};

double paintedMs(QWidget& window, const QElapsedTimer& clock) {
    window.resize(900, 560);
    window.show();
    QApplication::processEvents();
    window.repaint();
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

void BM_Library_Open(benchmark::State& state) {
    SharedState& shared = loadedState();
    SilentDialogs dialogs;
    const bool bare = state.range(0) == 1;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        double ms = 0;
        if (bare) {
            BareTable table;
            ms = paintedMs(table.view, clock);
        } else {
            LibraryWindow window(shared, dialogs, [] { return std::vector<int>{}; });
            ms = paintedMs(window, clock);
        }
        state.SetIterationTime(ms / 1e3);
        QApplication::processEvents();
    }
    state.SetLabel(bare ? "bare QTableView" : "library");
}
BENCHMARK(BM_Library_Open)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

void BM_Library_Sort(benchmark::State& state) {
    SharedState& shared = loadedState();
    SilentDialogs dialogs;
    const bool bare = state.range(0) == 1;
    BareTable table;
    LibraryWindow window(shared, dialogs, [] { return std::vector<int>{}; });
    int column = 1;
    for (auto _ : state) {
        if (bare) {
            table.proxy.sort(column, Qt::AscendingOrder);
        } else {
            window.table->horizontalHeader()->sectionClicked(column);
        }
        column = column == 1 ? 2 : 1;
    }
    state.SetLabel(bare ? "bare QTableView" : "library");
}
BENCHMARK(BM_Library_Sort)->Arg(0)->Arg(1)->Iterations(20)->Unit(benchmark::kMillisecond);

void BM_Library_FilterKeystroke(benchmark::State& state) {
    SharedState& shared = loadedState();
    SilentDialogs dialogs;
    const bool bare = state.range(0) == 1;
    BareTable table;
    LibraryWindow window(shared, dialogs, [] { return std::vector<int>{}; });
    const QString typed = QStringLiteral("amelie");
    int length = 1;
    for (auto _ : state) {
        const QString text = typed.left(length);
        if (bare)
            table.proxy.setFilterFixedString(text);
        else
            window.filterText->setText(text);
        length = length % typed.size() + 1;
    }
    state.SetLabel(bare ? "bare QTableView" : "library");
}
BENCHMARK(BM_Library_FilterKeystroke)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(60)
    ->Unit(benchmark::kMillisecond);

// Resident memory now, in kB, from the system's own account of this process.
long residentKb() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return 0;
    char line[256];
    long kb = 0;
    while (std::fgets(line, sizeof line, status)) {
        if (std::sscanf(line, "VmRSS: %ld kB", &kb) == 1)
            break;
    }
    std::fclose(status);
    return kb;
}

// The memory an open window adds, beside the archive's own in memory (its slots and their text).
void BM_Library_Memory(benchmark::State& state) {
    SharedState& shared = loadedState();
    SilentDialogs dialogs;
    const bool bare = state.range(0) == 1;
    std::size_t archiveBytes = sizeof(ScoreEntry) * ScoreArchive::kSlotCount;
    for (int n = 1; n <= shared.archive.entryCount(); ++n) {
        const ScoreEntry& entry = shared.archive.slot(n);
        for (const std::string* field :
             {&entry.number, &entry.title, &entry.author, &entry.tags, &entry.category})
            archiveBytes += field->capacity() > 15 ? field->capacity() + 1 : 0;
    }
    long added = 0;
    for (auto _ : state) {
        const long before = residentKb();
        if (bare) {
            BareTable table;
            paintedMs(table.view, QElapsedTimer());
            added = residentKb() - before;
        } else {
            LibraryWindow window(shared, dialogs, [] { return std::vector<int>{}; });
            paintedMs(window, QElapsedTimer());
            while (window.factsPending())
                QApplication::processEvents();
            added = residentKb() - before;
        }
    }
    state.counters["added_kB"] = static_cast<double>(added);
    state.counters["archive_kB"] = static_cast<double>(archiveBytes / 1024);
    state.counters["ratio"] = static_cast<double>(added) / static_cast<double>(archiveBytes / 1024);
    state.SetLabel(bare ? "bare QTableView" : "library");
}
BENCHMARK(BM_Library_Memory)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace folio::bench
