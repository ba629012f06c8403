// The source selection window's controls and handlers.
#include "windows/merging/premerge.h"

#include "platform/browsing_lists.h"
#include "platform/last_folders.h"
#include "platform/look.h"
#include "platform/widgets.h"
#include "windows/common/shared_state.h"
#include "windows/merging/merging_host.h"

#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

namespace folio {
namespace {

constexpr QSize kClientSize{569, 620};

} // namespace

Premerge::Premerge(SharedState& state, MergingHost& host, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), host_(host) {
    setObjectName(QStringLiteral("Premerge"));
    setWindowTitle(QStringLiteral("Preparation"));
    buildControls();
    Form_Load();
}

void Premerge::buildControls() {
    setFixedSize(kClientSize);
    look::setWhiteBackground(this);

    Label1 = place<QLabel>(this, "Label1", {8, 24, 545, 57});
    Label1->setText(
        QStringLiteral("Select the lumivora which corresponds to the archive you want to absorb."));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);

    Drive1 = place<DriveList>(this, "Drive1", {8, 104, 553, 33});
    Dir1 = place<FolderList>(this, "Dir1", {8, 144, 553, 276});
    File1 = place<FileList>(this, "File1", {8, 424, 553, 131}, QStringLiteral("*.html"));
    for (QWidget* widget : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(Drive1),
                            static_cast<QWidget*>(Dir1), static_cast<QWidget*>(File1)})
        look::styleBlueText(widget, 15);

    Command2 = place<QPushButton>(this, "Command2", {8, 568, 265, 41}, QStringLiteral("ESC"));
    Command1 = place<QPushButton>(this, "Command1", {296, 568, 265, 41}, QStringLiteral("Ok"));
    Command1->setToolTip(QStringLiteral("To continue, you must select lumivora."));
    for (QPushButton* button : {Command2, Command1})
        look::styleButton(button, 12);

    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, File1);
    setTabOrder(File1, Command1);
    setTabOrder(Command1, Command2);

    connect(Drive1, &DriveList::changed, this, &Premerge::Drive1_Change);
    connect(Dir1, &FolderList::changed, this, &Premerge::Dir1_Change);
    connect(File1, &FileList::fileClicked, this, &Premerge::File1_Click);
    connect(Command1, &QPushButton::clicked, this, &Premerge::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Premerge::Command2_Click);
}

// Every opening starts where the folder list was last left, else on this installation's own
// folder, with "Ok" off and the keyboard in the folder list: the arrow keys move through the
// folders and Enter opens one.
void Premerge::Form_Load() {
    const QString start = QFile::decodeName(state_.installation.root().c_str());
    openWhereLastLeft(Dir1, QStringLiteral("merging"), start);
    {
        QSignalBlocker quiet(Drive1);
        Drive1->setDrive(DriveList::driveOf(Dir1->path()));
    }
    Command1->setEnabled(false);
    Dir1->setFocus();
}

// The chosen drive's root becomes the top of the folder tree, even where it lies below the
// previous drive (a stick under /media). A drive that cannot be read leaves the list as it was.
void Premerge::Drive1_Change(const QString& drive) {
    Dir1->setDrive(drive);
}

void Premerge::Dir1_Change(const QString& folder) {
    File1->setPath(folder);
}

// The clicked page only proves that a folder was chosen; its name is not examined.
void Premerge::File1_Click() {
    Command1->setEnabled(true);
}

// Closed before the absorption window opens, so that the keyboard goes on to that window.
void Premerge::Command1_Click() {
    state_.mergeSourceFolder = toFilePath(File1->path());
    close();
    host_.showAbsorptionWindow();
}

void Premerge::Command2_Click() {
    close();
}

void Premerge::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        Command2_Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace folio
