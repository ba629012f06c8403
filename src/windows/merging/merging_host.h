// What the merging windows ask of the program: opening the absorption window on the chosen
// folder, settling what the main window holds before, and showing it afresh after an absorption.
#pragma once

namespace folio {

class MergingHost {
public:
    virtual ~MergingHost() = default;

    // Opens the absorption window on mergeSourceFolder; when it is open already, it loads
    // that folder anew, so that its list, preview and copies all read the same folder.
    virtual void showAbsorptionWindow() = 0;
    // Closes the main window and opens it again: its start reads archivio.js anew.
    virtual void reopenMainWindow() = 0;
    // Before an absorption appends scores: what was typed into the main window's empty slot
    // after the last score is added or dropped, as the user chooses; false when the user calls
    // the absorption off.
    virtual bool settleTypedAfterLast() = 0;
};

} // namespace folio
