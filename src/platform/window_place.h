// Where a window opened from the main window appears: beside the main window where the screen
// has room, else where it hides least of it, and where the user last left it, within the run.
#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>

class QWidget;

namespace folio {

// The place of a window whose frame is frameSize on a screen whose free room is room, opened
// from a main window whose frame is mainFrame and whose fields lie at fields (all in screen
// pixels): right of the main window, else left of it, else below it, where the room has space
// for the whole frame; otherwise the place within the room that covers the least of the
// fields. The window always lies fully within the room (at its top left when it is larger).
QPoint placeBeside(const QRect& room, const QRect& mainFrame, const QList<QRect>& fields,
                   QSize frameSize);

// The screen rectangles of the fields of a window, the controls that show its data (boxes,
// pictures, labels, scroll bars; not buttons or lines): the children of a main window's
// central widget, or the window's own children.
QList<QRect> fieldsOnScreen(const QWidget* window);

// Places windows before they show and remembers where the user moved them.
class WindowPlaces : public QObject {
public:
    explicit WindowPlaces(QObject* parent = nullptr);

    // Moves window, which is about to show, to where the user left it earlier in this run (kept
    // within the screen), or else beside mainWindow. Windows are told apart by object name.
    void place(QWidget* window, const QWidget* mainWindow);
    // The windows of these object names keep their size and place across runs, in the user's
    // settings: the first showing of a run takes them back (within the screen), every hiding
    // keeps them.
    void keepAcrossRuns(const QStringList& objectNames) { acrossRuns_ = objectNames; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Place {
        QPoint placed;
        std::optional<QPoint> leftByUser;
    };
    std::map<QString, Place> places_;
    QStringList acrossRuns_;
};

} // namespace folio
