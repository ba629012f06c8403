// The playlist manager on a full stand: opening it over 9999 titles and 999 playlists,
// choosing a playlist of 1000 tracks, and saving into a file of 999 playlists.
#include "bench_support.h"
#include "core/playlists/playlist_store.h"
#include "windows/common/shared_state.h"
#include "windows/playlists/playlist_window.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <chrono>
#include <memory>
#include <stdexcept>

namespace folio::bench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kLongTracks = 1000;
const char* const kLongName = "The long one";

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// 9999 titles in no particular order, and a playlist file of 999 playlists of 20 tracks, one
// of them (the 500th) with 1000.
struct FullStand {
    FullStand() : folder("playlists"), state(Installation(folder.path())) {
        std::filesystem::create_directories(folder.path() / "spartiti");
        state.archive.setEntryCount(ScoreArchive::kMaxEntries);
        for (int n = 1; n <= ScoreArchive::kMaxEntries; ++n) {
            ScoreEntry& entry = state.archive.slot(n);
            entry.number = std::to_string(n);
            entry.title =
                (n % 3 ? "Sonata no. " : "\xC9tude op. ") + std::to_string(n * 7919 % 10007);
        }
        std::vector<Playlist> playlists;
        for (int i = 1; i <= PlaylistStore::kMaxPlaylists; ++i) {
            std::vector<int> tracks;
            for (int t = 0; t < (i == 500 ? kLongTracks : 20); ++t)
                tracks.push_back((i * 131 + t * 17) % ScoreArchive::kMaxEntries + 1);
            playlists.push_back(
                {i == 500 ? kLongName : "Concert " + std::to_string(i), buildTrackString(tracks)});
        }
        bytes = playlistFileBytes(playlists);
        write();
    }
    void write() const {
        if (!rewriteAtomically(folder.path() / "spartiti" / "playlist.js", bytes).ok)
            throw std::runtime_error("cannot write the playlist file");
    }

    ScratchFolder folder;
    SharedState state;
    std::string bytes;
    SilentDialogs dialogs;
};

FullStand& fullStand() {
    static FullStand stand;
    return stand;
}

// From the menu command to a window shown with its lists filled.
void BM_PlaylistWindow_Open(benchmark::State& state) {
    FullStand& stand = fullStand();
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        auto window = std::make_unique<playlistfrm>(stand.state, stand.dialogs);
        window->show();
        QCoreApplication::processEvents();
        state.SetIterationTime(secondsSince(start));
        if (window->List1->count() != ScoreArchive::kMaxEntries ||
            window->Combo1->count() != PlaylistStore::kMaxPlaylists) {
            state.SkipWithError("the window did not load the whole stand");
            return;
        }
    }
}
BENCHMARK(BM_PlaylistWindow_Open)->UseManualTime()->Unit(benchmark::kMillisecond);

// A click on the playlist of 1000 tracks in the playlists box.
void BM_PlaylistWindow_Choose1000(benchmark::State& state) {
    FullStand& stand = fullStand();
    auto window = std::make_unique<playlistfrm>(stand.state, stand.dialogs);
    window->show();
    QCoreApplication::processEvents();
    const int index = window->Combo1->findText(QString::fromLatin1(kLongName));
    window->Combo1->setCurrentIndex(index);
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        emit window->Combo1->activated(index);
        QCoreApplication::processEvents();
        state.SetIterationTime(secondsSince(start));
    }
    if (window->List2->count() != kLongTracks)
        state.SkipWithError("the playlist did not show its 1000 tracks");
}
BENCHMARK(BM_PlaylistWindow_Choose1000)->UseManualTime()->Unit(benchmark::kMillisecond);

// A keystroke in the title filter: the rows narrowed from all 9999 and widened back, each a
// keystroke (typing the letter, then taking it back), laid out as the window shows them.
void BM_PlaylistWindow_FilterKeystroke(benchmark::State& state) {
    FullStand& stand = fullStand();
    auto window = std::make_unique<playlistfrm>(stand.state, stand.dialogs);
    window->show();
    QCoreApplication::processEvents();
    const QString typed[] = {QStringLiteral("\u00E9tude 1"), QStringLiteral("\u00E9tude ")};
    std::size_t next = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        window->titleFilter->setText(typed[next]);
        QCoreApplication::processEvents();
        state.SetIterationTime(secondsSince(start));
        next = 1 - next;
    }
    window->titleFilter->clear();
    QCoreApplication::processEvents();
}
BENCHMARK(BM_PlaylistWindow_FilterKeystroke)->UseManualTime()->Unit(benchmark::kMillisecond);

// Says yes to dropping the track list, so that each round starts from an empty one.
struct DroppingDialogs : SilentDialogs {
    bool questionDefaultNo(QWidget*, const QString&, const QString&) override { return true; }
};

// "ADD" with 200 titles selected, into an empty track list.
void BM_PlaylistWindow_Add200(benchmark::State& state) {
    FullStand& stand = fullStand();
    DroppingDialogs dialogs;
    auto window = std::make_unique<playlistfrm>(stand.state, dialogs);
    window->show();
    QCoreApplication::processEvents();
    window->List1->clearSelection();
    for (int row = 0; row < 200; ++row)
        window->List1->item(row * 37)->setSelected(true);
    for (auto _ : state) {
        window->Command5->click(); // "New playlist"
        QCoreApplication::processEvents();
        const Clock::time_point start = Clock::now();
        window->Command2->click();
        QCoreApplication::processEvents();
        state.SetIterationTime(secondsSince(start));
        if (window->trackCount() != 200) {
            state.SkipWithError("the 200 titles were not all added");
            return;
        }
    }
}
BENCHMARK(BM_PlaylistWindow_Add200)->UseManualTime()->Unit(benchmark::kMillisecond);

// "Save" of a chosen playlist into the file of 999: read, replace, rewrite atomically, read.
void BM_PlaylistStore_Save999(benchmark::State& state) {
    FullStand& stand = fullStand();
    PlaylistStore store(stand.state.installation);
    store.read();
    PlaylistPlace chosen{320, store.playlists()[320]};
    const std::string tracks = buildTrackString({12, 5, 7, 9999, 1});
    for (auto _ : state) {
        const PlaylistWriteResult saved = store.writeBack("Concert 321", tracks, chosen);
        if (saved.outcome != PlaylistWrite::Replaced) {
            state.SkipWithError("the save did not replace the playlist");
            return;
        }
        chosen = saved.place;
    }
    stand.write();
}
BENCHMARK(BM_PlaylistStore_Save999)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace folio::bench
