// The find box: a small tool window beside the main window that moves it to the scores whose
// title, author or tags hold the typed text.
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace folio {

class ScoreSearch;
class WindowPlaces;

class FindBox : public QWidget {
    Q_OBJECT
public:
    // Moves the main window by setting entries, its scroll bar, as the hand on it would.
    FindBox(const ScoreSearch& search, QScrollBar* entries, QWidget* mainWindow);

    // Shows the box beside the main window, or brings it back, with its text selected.
    void open();

    QLineEdit* findText = nullptr;
    QPushButton* findPrevious = nullptr;
    QPushButton* findNext = nullptr;
    QLabel* findStatus = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void findText_Change();
    void findPrevious_Click();
    void findNext_Click();

private:
    void go(int direction);
    void showNoMatch(bool noMatch);

    const ScoreSearch& search_;
    WindowPlaces* places_ = nullptr;
    QScrollBar* entries_;
};

} // namespace folio
