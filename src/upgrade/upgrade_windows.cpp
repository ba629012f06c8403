// The upgrade tool's windows: start-up order, browsing to the old page, and the upgrade.
#include "upgrade/upgrade_windows.h"

#include "platform/browsing_lists.h"
#include "platform/core_text.h"
#include "platform/dialogs.h"
#include "platform/look.h"
#include "platform/stand_lock.h"
#include "platform/widgets.h"
#include "upgrade/copy_list.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>
#include <exception>

namespace folio::upgrade {
namespace {

const QColor kUpgradeButtonBlue{0x72, 0xBC, 0xFA};
const QColor kStatusGreen{0x00, 0x80, 0x00};
const QColor kFeaturesGrey{0xF0, 0xF0, 0xF0};

const QString kSelectOldPage = QStringLiteral("Select from the old folder lumivora_4.html");
const QString kClickOnUpgrade = QStringLiteral("Ok, now click on upgrade");
// The report names the program file as it lies in the upgraded folder.
#ifdef _WIN32
const QString kCopiedProgram = QStringLiteral("folioscribe_pro.exe");
#else
const QString kCopiedProgram = QString::fromLatin1(
    kProgramDestination.data(), static_cast<qsizetype>(kProgramDestination.size()));
#endif
const QString kUpgraded =
    QStringLiteral("Successfully updated! Now the folder scores you will find lumivora_pro.html "
                   "and %1 good job!")
        .arg(kCopiedProgram);

// The window's client area on a screen that holds it whole.
constexpr QSize kClientSize{745, 753};
// The least title bar and frame a window manager adds.
constexpr QMargins kAssumedFrame{8, 40, 8, 8};

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

// The status line's note on the musician's files that the upgrade left as they were.
QString keptNote(const std::vector<std::string>& kept) {
    QStringList names;
    for (const std::string& name : kept)
        names << toShownPath(std::filesystem::path(name).filename());
    return QStringLiteral("Kept your own %1").arg(names.join(QStringLiteral(" and ")));
}

// Where the typeface is replaced by a wider one, a caption shrinks until it fits its control
// rather than being cut off; with the real typeface it keeps its size.
void fitCaption(QWidget* control, const QString& caption, int margin) {
    QFont font = control->font();
    while (font.pointSize() > 8 &&
           QFontMetrics(font).horizontalAdvance(caption) > control->width() - margin)
        font.setPointSize(font.pointSize() - 1);
    control->setFont(font);
}

bool isEnter(const QKeyEvent* event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

} // namespace

Form1::Form1(std::filesystem::path workingFolder, Dialogs& dialogs)
    : QWidget(nullptr, Qt::Window), workingFolder_(std::move(workingFolder)), dialogs_(dialogs) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Upgrade to Quindarome Music Manager 5 professional"));
    setFixedSize(kClientSize);
    setAttribute(Qt::WA_DeleteOnClose);
    look::setWhiteBackground(this);
    buildControls();
    for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        designed_.push_back({control, control->geometry(), control->font()});

    // Browsing starts in the working folder, on its drive.
    const QString start = toShownPath(workingFolder_);
    {
        QSignalBlocker quiet(Drive1);
        Drive1->setDrive(DriveList::driveOf(start));
    }
    Dir1->setPath(start);
    File1->setPath(Dir1->path());

    connect(Drive1, &DriveList::changed, this, &Form1::Drive1_Change);
    connect(Dir1, &FolderList::changed, this, &Form1::Dir1_Change);
    connect(File1, &FileList::fileClicked, this, &Form1::File1_Click);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
}

void Form1::buildControls() {
    Label2 = place<QLabel>(this, "Label2", {32, 16, 681, 33});
    Label2->setText(QStringLiteral("Select old     Lumivora_4.html       and click on Upgrade"));
    Label2->setAlignment(Qt::AlignCenter);
    look::styleBlueText(Label2, 18);
    Label2->setFont(look::msSansSerif(18));
    fitCaption(Label2, Label2->text(), 0);

    Drive1 = place<DriveList>(this, "Drive1", {32, 64, 681, 45});
    Dir1 = place<FolderList>(this, "Dir1", {32, 120, 681, 162});
    File1 = place<FileList>(this, "File1", {32, 312, 681, 228}, QStringLiteral("*"));
    for (QWidget* list : {static_cast<QWidget*>(Drive1), static_cast<QWidget*>(Dir1),
                          static_cast<QWidget*>(File1)}) {
        look::styleBlueText(list, 24);
        list->setFont(look::msSansSerif(24));
    }

    Command1 = place<QPushButton>(this, "Command1", {32, 584, 681, 97});
    Command1->setText(QStringLiteral("Upgrade to Quindarome Music Manager 5 pro"));
    look::styleButton(Command1, look::msSansSerif(24), kUpgradeButtonBlue);
    fitCaption(Command1, Command1->text(), 16);
    Command1->setEnabled(false);

    Label1 = place<QLabel>(this, "Label1", {24, 696, 713, 49});
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setFont(look::msSansSerif(24));
    setTextColour(Label1, kStatusGreen);

    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, File1);
    setTabOrder(File1, Command1);
}

void Form1::showEvent(QShowEvent* event) {
    if (const QScreen* shownOn = screen())
        fitInto(shownOn->availableGeometry());
    QWidget::showEvent(event);
}

void Form1::fitInto(const QRect& available) {
    // The frame the window has, once shown, but never less than a usual title bar: some window
    // managers report theirs late, and a window that shrank a little too much is still whole.
    const QRect frame = frameGeometry();
    const QRect inner = geometry();
    const QMargins margins(std::max(kAssumedFrame.left(), inner.left() - frame.left()),
                           std::max(kAssumedFrame.top(), inner.top() - frame.top()),
                           std::max(kAssumedFrame.right(), frame.right() - inner.right()),
                           std::max(kAssumedFrame.bottom(), frame.bottom() - inner.bottom()));
    const QSize room = available.size().shrunkBy(margins);
    scale_ = std::min({1.0, static_cast<double>(room.width()) / kClientSize.width(),
                       static_cast<double>(room.height()) / kClientSize.height()});
    scale_ = std::max(scale_, 0.1);

    const auto scaled = [this](int length) {
        return static_cast<int>(std::floor(length * scale_));
    };
    for (const Designed& designed : designed_) {
        const QRect& at = designed.geometry;
        designed.control->setGeometry(scaled(at.left()), scaled(at.top()), scaled(at.width()),
                                      scaled(at.height()));
        QFont font = designed.font;
        font.setPointSizeF(designed.font.pointSizeF() * scale_);
        designed.control->setFont(font);
    }
    fitCaption(Label2, Label2->text(), 0);
    fitCaption(Command1, Command1->text(), 16);
    if (!Label1->text().isEmpty())
        showStatus(Label1->text());
    const QSize size(scaled(kClientSize.width()), scaled(kClientSize.height()));
    setFixedSize(size);

    // Centred in the room the screen gives, frame included.
    const QSize withFrame = size.grownBy(margins);
    move(available.left() + std::max(0, (available.width() - withFrame.width()) / 2),
         available.top() + std::max(0, (available.height() - withFrame.height()) / 2));
}

void Form1::load() {
    if (!features_)
        features_ = new Form2(this);
    features_->show();
    features_->raise();
    features_->activateWindow();
}

void Form1::keyPressEvent(QKeyEvent* event) {
    if (!isEnter(event)) {
        QWidget::keyPressEvent(event);
        return;
    }
    // Enter in the folder list opens the folder; on a button it presses that button; anywhere
    // else it is the upgrade button, once the old page was clicked.
    if (focusWidget() == Dir1)
        return;
    if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
        button->click();
    else if (Command1->isEnabled())
        Command1->click();
}

void Form1::Drive1_Change(const QString& drive) {
    // The chosen drive's root becomes the top of the folder tree, even below the previous drive;
    // a drive whose root cannot be read leaves the folder list where it was.
    Dir1->setDrive(drive);
}

void Form1::Dir1_Change(const QString& folder) {
    File1->setPath(folder);
}

void Form1::File1_Click(const QString& folder, const QString& fileName) {
    if (fileName == QLatin1String(kOldPage.data(), static_cast<qsizetype>(kOldPage.size()))) {
        targetFolder_ = folder;
        Command1->setEnabled(true);
        showStatus(kClickOnUpgrade);
        return;
    }
    // The button only ever copies into the folder of the last file clicked, and only if that
    // file was the old page.
    clearTarget();
    dialogs_.message(this, kSelectOldPage);
}

QFont Form1::statusFont() const {
    QFont font = look::msSansSerif(24);
    font.setPointSizeF(font.pointSizeF() * scale_);
    return font;
}

void Form1::showStatus(const QString& text) {
    Label1->setFont(statusFont());
    fitCaption(Label1, text, 0);
    Label1->setText(text);
}

void Form1::clearTarget() {
    targetFolder_.clear();
    Command1->setEnabled(false);
    Label1->clear();
}

void Form1::Command1_Click() {
    if (targetFolder_.isEmpty())
        return;
    // Held while the files are copied: Folioscribe does not open the stand meanwhile.
    StandLock lock(targetFolder_);
    if (lock.take() == StandLock::Outcome::HeldElsewhere) {
        dialogs_.error(this, QStringLiteral("%1 is open in Folioscribe (%2), which may be writing "
                                            "it. Nothing was copied: close Folioscribe there, "
                                            "then upgrade again.")
                                 .arg(QDir::toNativeSeparators(targetFolder_), lock.holder()));
        return;
    }
    UpgradeResult result;
    try {
        result = upgradeFolder(workingFolder_, toFilePath(targetFolder_), run_);
    } catch (const std::exception& failure) {
        result.ok = false;
        result.error = failure.what();
    }
    if (!result.ok) {
        dialogs_.error(this, fromCoreText(result.error));
        return;
    }
    if (!result.kept.empty())
        showStatus(keptNote(result.kept));
    dialogs_.message(this, kUpgraded);
    hide();
    close();
}

Form2::Form2(Form1* upgradeWindow)
    : QWidget(upgradeWindow, Qt::Window), upgradeWindow_(upgradeWindow) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Form2"));
    setFixedSize(683, 378);
    setAttribute(Qt::WA_DeleteOnClose);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kFeaturesGrey);
    setPalette(palette);
    setAutoFillBackground(true);
    buildControls();
    // Loading the features window keeps the upgrade window out of sight until "Ok".
    if (upgradeWindow_)
        upgradeWindow_->hide();
}

void Form2::buildControls() {
    Label1 = place<QLabel>(this, "Label1", {8, 24, 668, 44});
    Label1->setText(QStringLiteral("The new features of Quindarome Music Manager Pro 5:"));
    Label1->setFont(look::msSansSerif(18));
    fitCaption(Label1, Label1->text(), 0);

    Label2 = place<QLabel>(this, "Label2", {56, 96, 582, 18});
    Label2->setText(QStringLiteral("possibility of creating and managing playlists;"));
    Label3 = place<QLabel>(this, "Label3", {56, 136, 582, 33});
    Label3->setText(
        QStringLiteral("ability to select and absorb musical scores from other archives;"));
    Label4 = place<QLabel>(this, "Label4", {56, 184, 582, 121});
    Label4->setText(QStringLiteral(
        "ability to assign each score, the necessary data to change by computer sounds and "
        "rhythms of all connected MIDI devices. Pressing Shift on your computer keyboard , the "
        "midi instruments execute the instructions assigned to the score."));
    for (QLabel* label : {Label2, Label3, Label4}) {
        label->setFont(look::verdana(12));
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }

    Command1 = place<QPushButton>(this, "Command1", {232, 320, 209, 41});
    Command1->setText(QStringLiteral("Ok"));
    look::styleButton(Command1, 12);
    Command1->setFocus();
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
}

void Form2::keyPressEvent(QKeyEvent* event) {
    if (isEnter(event)) {
        Command1->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Form2::Command1_Click() {
    upgradeShown_ = true;
    if (upgradeWindow_) {
        upgradeWindow_->show();
        upgradeWindow_->raise();
        upgradeWindow_->activateWindow();
    }
    close();
}

void Form2::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    // Closed without "Ok": the upgrade window will never be shown, so the tool ends.
    if (!upgradeShown_ && upgradeWindow_)
        upgradeWindow_->close();
}

} // namespace folio::upgrade
