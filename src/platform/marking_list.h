// The list in which any number of rows can be marked: a plain click marks or unmarks its row
// and leaves the other marks alone, so that clicking three titles marks all three.
#pragma once

#include <QListWidget>

namespace folio {

// Shift with a click marks the rows between the last click and this one; Ctrl with a click
// marks or unmarks one row, as in any list. The arrow keys move the current row without
// touching the marks, Space marks or unmarks it, and Ctrl+A marks every row.
class MarkingList : public QListWidget {
public:
    explicit MarkingList(QWidget* parent = nullptr);

    // How many rows are marked.
    int markedCount() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
};

} // namespace folio
