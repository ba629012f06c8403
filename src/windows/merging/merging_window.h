// The absorption window: lists the other stand's titles, previews a clicked title's left page
// and on "Absorb" appends the marked scores with their pages to this archive.
#pragma once

#include "core/absorption/absorption.h"
#include "platform/marking_list.h"

#include <QWidget>
#include <filesystem>
#include <vector>

class QLabel;
class QPushButton;

namespace folio {

class Dialogs;
class MergingHost;
struct SharedState;

class merging : public QWidget {
    Q_OBJECT
public:
    // Builds the window and loads the archive of mergeSourceFolder.
    merging(SharedState& state, Dialogs& dialogs, MergingHost& host, QWidget* parent = nullptr);

    // Controls, named as the window's parts are known.
    QLabel* Label1 = nullptr;
    MarkingList* List1 = nullptr;
    QLabel* Image1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    // Under the list: how many rows are marked.
    QLabel* markedStatus = nullptr;

    // Reads the archive of mergeSourceFolder into the list (again), dropping the old rows.
    void Form_Load();

    // The folder whose archive is listed.
    const std::filesystem::path& sourceFolder() const { return folder_; }

    // How long copying runs before its progress shows (and input elsewhere is refused).
    void setProgressDelay(int milliseconds) { progressDelayMs_ = milliseconds; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void List1_Click(int row); // the list of the other stand's scores
    void Command1_Click();     // "Esc"
    void Command2_Click();     // "Absorb"

private:
    void buildControls();
    void reportLoad(SourceLoad load);
    void showAlreadyHere();
    void showMarkedCount();
    QString absorbQuestion(const std::vector<ScoreEntry>& marked) const;
    bool mayAbsorb(std::size_t markedCount);
    Attachment attachWithProgress(const Absorption& done, const std::string& stamp);

    SharedState& state_;
    Dialogs& dialogs_;
    MergingHost& host_;
    std::filesystem::path folder_;
    SourceArchive source_;
    int previewedRow_ = -1;
    int progressDelayMs_ = 500;
};

} // namespace folio
