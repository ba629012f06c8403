// A main window's host for tests of the main window alone: it opens nothing and records each
// command the main window asks of it by a short name, in order.
#pragma once

#include "windows/common/main_window_host.h"

#include <QStringList>

namespace folio::test {

class RecordingHost : public MainWindowHost {
public:
    QStringList calls;
    // What undoOffer answers.
    UndoOffer offer;

    void showLeftPageWindow() override { calls << "left"; }
    void showRightPageWindow() override { calls << "right"; }
    void showAudioWindow() override { calls << "audio"; }
    void showPlaylistManager() override { calls << "playlist"; }
    void showMidiDevice() override { calls << "midi"; }
    void showMerging() override { calls << "merging"; }
    void showPdfImport() override { calls << "pdf"; }
    void showScoreImport() override { calls << "import scores"; }
    void pageFileDropped(PageSide, const QString&) override { calls << "dropped"; }
    void exitProgram() override { calls << "exit"; }
    // No other window is open to ask about its work.
    bool closeWindowsBeforeLeaving() override { return true; }
    void showRestoreWindow() override { calls << "restore"; }
    void showLibrary() override { calls << "library"; }
    UndoOffer undoOffer() override { return offer; }
    void undoLastAbsorption() override { calls << "undo"; }
    void removeScores(const std::vector<int>& entries) override {
        QStringList numbers;
        for (int entry : entries)
            numbers << QString::number(entry);
        calls << "remove " + numbers.join(QLatin1Char(','));
    }
    void chooseStand() override { calls << "open"; }
    void openRecentStand(const QString& folder) override { calls << "recent " + folder; }
    // What recentStands answers.
    QList<RecentStand> recent;
    QList<RecentStand> recentStands() override { return recent; }
};

} // namespace folio::test
