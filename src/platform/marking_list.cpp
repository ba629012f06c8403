// A click that toggles its row's mark, built on the list's usual Ctrl and Shift handling.
#include "platform/marking_list.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace folio {
namespace {

// A click without Shift acts as a click with Ctrl does in a usual list: it toggles one row.
void clickTogglesRow(QMouseEvent* event) {
    if (!event->modifiers().testFlag(Qt::ShiftModifier))
        event->setModifiers(event->modifiers() | Qt::ControlModifier);
}

} // namespace

MarkingList::MarkingList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
}

int MarkingList::markedCount() const {
    return static_cast<int>(selectionModel()->selectedRows().size());
}

void MarkingList::mousePressEvent(QMouseEvent* event) {
    clickTogglesRow(event);
    QListWidget::mousePressEvent(event);
}

void MarkingList::mouseMoveEvent(QMouseEvent* event) {
    clickTogglesRow(event);
    QListWidget::mouseMoveEvent(event);
}

void MarkingList::mouseReleaseEvent(QMouseEvent* event) {
    clickTogglesRow(event);
    QListWidget::mouseReleaseEvent(event);
}

// Keys without Shift or Ctrl would otherwise drop every mark but the current row's.
QItemSelectionModel::SelectionFlags MarkingList::selectionCommand(const QModelIndex& index,
                                                                  const QEvent* event) const {
    if (event && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers();
        if (!modifiers.testFlag(Qt::ShiftModifier) && !modifiers.testFlag(Qt::ControlModifier)) {
            if (key->key() == Qt::Key_Space || key->key() == Qt::Key_Select)
                return QItemSelectionModel::Toggle | QItemSelectionModel::Rows;
            return QItemSelectionModel::NoUpdate;
        }
    }
    return QListWidget::selectionCommand(index, event);
}

} // namespace folio
