// The source selection window: the musician browses to the other stand's installation folder
// and clicks its page there; "Ok" keeps the folder and opens the absorption window.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace folio {

class DriveList;
class FileList;
class FolderList;
class MergingHost;
struct SharedState;

class Premerge : public QWidget {
    Q_OBJECT
public:
    Premerge(SharedState& state, MergingHost& host, QWidget* parent = nullptr);

    // Controls, named as the window's parts are known.
    QLabel* Label1 = nullptr;
    DriveList* Drive1 = nullptr;
    FolderList* Dir1 = nullptr;
    FileList* File1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command1 = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void Drive1_Change(const QString& drive); // the drive list
    void Dir1_Change(const QString& folder);  // the folder list
    void File1_Click();                       // the list of *.html files
    void Command1_Click();                    // "Ok"
    void Command2_Click();                    // "ESC"

private:
    void buildControls();
    void Form_Load();

    SharedState& state_;
    MergingHost& host_;
};

} // namespace folio
