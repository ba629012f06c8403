// The find box's controls, keys and moves.
#include "windows/main/find_box.h"

#include "core/archive/score_search.h"
#include "platform/cp1252.h"
#include "platform/look.h"
#include "platform/widgets.h"
#include "platform/window_place.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <optional>

namespace folio {
namespace {

constexpr QSize kBoxSize{416, 72};
const QColor kWarningText{0xD0, 0x10, 0x10};

// The typed text as Windows-1252 bytes; accents the code page lacks are dropped ("ő" looks
// for "o"). None when a character has no byte at all: no title can hold it.
std::optional<std::string> queryBytes(const QString& typed) {
    QString plain;
    for (QChar c : typed.normalized(QString::NormalizationForm_C)) {
        if (isCp1252(c)) {
            plain += c;
            continue;
        }
        for (QChar part : QString(c).normalized(QString::NormalizationForm_D)) {
            if (part.category() == QChar::Mark_NonSpacing)
                continue;
            if (!isCp1252(part))
                return std::nullopt;
            plain += part;
        }
    }
    return toCp1252(plain);
}

} // namespace

FindBox::FindBox(const ScoreSearch& search, QScrollBar* entries, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Tool), search_(search), entries_(entries) {
    setObjectName(QStringLiteral("FindBox"));
    setWindowTitle(QStringLiteral("Find"));
    setFixedSize(kBoxSize);
    look::setWhiteBackground(this);
    places_ = new WindowPlaces(this);

    findText = place<QLineEdit>(this, "findText", {8, 8, 240, 29});
    look::styleBlueText(findText, 11);
    findText->setToolTip(QStringLiteral("Part of a title, an author or a tag"));
    findText->installEventFilter(this);

    findPrevious = place<QPushButton>(this, "findPrevious", {256, 8, 72, 29});
    findPrevious->setText(QStringLiteral("Previous"));
    findPrevious->setToolTip(QStringLiteral("Previous score found (Shift+Enter, Shift+F3)"));
    findNext = place<QPushButton>(this, "findNext", {336, 8, 72, 29});
    findNext->setText(QStringLiteral("Next"));
    findNext->setToolTip(QStringLiteral("Next score found (Enter, F3)"));
    for (QPushButton* button : {findPrevious, findNext}) {
        look::styleButton(button, 9);
        button->setFocusPolicy(Qt::NoFocus);
    }

    findStatus = place<QLabel>(this, "findStatus", {8, 44, 400, 21});
    look::styleBlueText(findStatus, 10);

    connect(findText, &QLineEdit::textChanged, this, &FindBox::findText_Change);
    connect(findPrevious, &QPushButton::clicked, this, &FindBox::findPrevious_Click);
    connect(findNext, &QPushButton::clicked, this, &FindBox::findNext_Click);
}

void FindBox::open() {
    if (!isVisible())
        places_->place(this, parentWidget());
    show();
    raise();
    activateWindow();
    findText->setFocus();
    findText->selectAll();
}

bool FindBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched != findText || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool shift = key->modifiers() & Qt::ShiftModifier;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F3:
        go(shift ? -1 : 1);
        return true;
    case Qt::Key_Escape:
        hide();
        if (parentWidget())
            parentWidget()->activateWindow();
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void FindBox::findText_Change() {
    go(0);
}
void FindBox::findPrevious_Click() {
    go(-1);
}
void FindBox::findNext_Click() {
    go(1);
}

// Moves to the match at or after the shown entry (0), the next one (1) or the previous (-1).
void FindBox::go(int direction) {
    if (findText->text().isEmpty()) {
        findStatus->clear();
        showNoMatch(false);
        return;
    }
    const auto how = direction == 0  ? ScoreSearch::Direction::FromHere
                     : direction > 0 ? ScoreSearch::Direction::Next
                                     : ScoreSearch::Direction::Previous;
    const std::optional<std::string> query = queryBytes(findText->text());
    const ScoreSearch::Found found =
        query ? search_.find(*query, entries_->value(), how) : ScoreSearch::Found{};
    showNoMatch(found.entry == 0);
    if (found.entry == 0) {
        findStatus->setText(QStringLiteral("No score found"));
        return;
    }
    entries_->setValue(found.entry);
    findStatus->setText(QStringLiteral("%1 of %2").arg(found.index).arg(found.count));
}

void FindBox::showNoMatch(bool noMatch) {
    QPalette palette = findText->palette();
    palette.setColor(QPalette::Text, noMatch ? kWarningText : look::kBlueText);
    findText->setPalette(palette);
    QPalette statusPalette = findStatus->palette();
    statusPalette.setColor(QPalette::WindowText, noMatch ? kWarningText : look::kBlueText);
    findStatus->setPalette(statusPalette);
}

} // namespace folio
