// The "Restore…" window: the kept versions of the data files, newest first, and the putting
// back of one of them; and the one notice per run that a version could not be kept.
#pragma once

#include "core/versions/versions.h"

#include <QWidget>
#include <functional>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

namespace folio {

class Dialogs;
struct SharedState;

class RestoreWindow : public QWidget {
    Q_OBJECT
public:
    // unsavedWork names the unsaved work a restore of a file would drop ("" for none).
    RestoreWindow(SharedState& state, Dialogs& dialogs,
                  std::function<QString(DataFile)> unsavedWork, QWidget* parent = nullptr);

    QListWidget* List1 = nullptr;    // the versions, newest first
    QLabel* Label2 = nullptr;        // what a version is
    QLabel* Label1 = nullptr;        // how the chosen version differs from now
    QPushButton* Command1 = nullptr; // "Restore"
    QPushButton* Command2 = nullptr; // "Close"

    // Lists the versions afresh.
    void Form_Load();

signals:
    // A version of file was put back: the windows that show it load it anew.
    void restored(folio::DataFile file);
    // A page or recording of entry number was put back.
    void entryFileRestored(int number);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void List1_Click();    // a version chosen
    void Command1_Click(); // "Restore"

private:
    const Version* chosen() const;

    SharedState& state_;
    Dialogs& dialogs_;
    std::function<QString(DataFile)> unsavedWork_;
    std::vector<Version> versions_;
    std::vector<SetAside> setAside_;
};

} // namespace folio
