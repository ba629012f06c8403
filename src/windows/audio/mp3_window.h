// The audio window: attaches an MP3 recording to the entry shown in the main window and gives
// the entry a category, both with one click on a category button.
#pragma once

#include <QWidget>
#include <array>

class QLabel;
class QPushButton;

namespace folio {

class Dialogs;
class FileList;
class FolderList;
struct SharedState;

class mp3 : public QWidget {
    Q_OBJECT
public:
    // Builds the window and loads the category names from generi.js.
    mp3(SharedState& state, Dialogs& dialogs, QWidget* parent = nullptr);

    // Controls, named as the window's parts are known. Command3[0] stays empty: the category
    // buttons are numbered 1 to 33 like the categories.
    std::array<QPushButton*, 34> Command3 = {};
    FileList* File1 = nullptr;
    FolderList* Dir1 = nullptr;
    QPushButton* Command1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    // Names, live, the entry a category click attaches to.
    QLabel* entryLabel = nullptr;

    // Names the entry shown in the main window now; called whenever that entry or its title
    // changes. A file chosen for another entry is let go.
    void nameShownEntry();

signals:
    // A category click has copied a recording for the entry shown in the main window.
    void recordingAttached();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private slots:
    void Dir1_Change(const QString& folder);                          // the folder list
    void File1_Click(const QString& folder, const QString& fileName); // the list of *.mp3 files
    void Command3_Click(int index); // a category button, captioned from generi.js
    void Command1_Click();          // "Close"

private:
    void buildControls();
    void Form_Load();
    bool attach(int category);
    // Lets the chosen file go and reads the folder's files again.
    void forgetChosenFile();

    SharedState& state_;
    Dialogs& dialogs_;
    // The entry the window names, the one a chosen file is for.
    int namedEntry_ = 0;
};

} // namespace folio
