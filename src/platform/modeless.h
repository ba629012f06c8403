// Modeless window lifecycle: a window is created when first shown, hidden by its own buttons,
// and destroyed by its frame's close box, so that the next showing builds it afresh.
#pragma once

#include <QPointer>
#include <QWidget>

namespace folio {

// Shows the window held by slot, creating it with create() if there is none (first showing,
// or after its close box destroyed it).
template <typename Window, typename Create>
Window* showModeless(QPointer<Window>& slot, Create create) {
    if (!slot) {
        slot = create();
        slot->setAttribute(Qt::WA_DeleteOnClose);
    }
    slot->show();
    slot->raise();
    slot->activateWindow();
    return slot.data();
}

} // namespace folio
