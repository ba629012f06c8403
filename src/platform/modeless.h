// Modeless window lifecycle: a window is created when first shown, hidden by its own buttons,
// and destroyed by its frame's close box, so that the next showing builds it afresh.
#pragma once

#include <QPointer>
#include <QWidget>

namespace folio {

// Does nothing to a window about to show: it appears wherever the platform puts it.
struct LeaveWhereItIs {
    void operator()(QWidget*) const {}
};

// Shows the window held by slot, creating it with create() if there is none (first showing,
// or after its close box destroyed it). place(window) runs before a hidden window shows; a
// window already on screen is only brought to the front.
template <typename Window, typename Create, typename Place = LeaveWhereItIs>
Window* showModeless(QPointer<Window>& slot, Create create, Place place = {}) {
    if (!slot) {
        slot = create();
        slot->setAttribute(Qt::WA_DeleteOnClose);
    }
    if (!slot->isVisible())
        place(slot.data());
    slot->show();
    slot->raise();
    slot->activateWindow();
    return slot.data();
}

} // namespace folio
