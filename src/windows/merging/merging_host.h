// What the merging windows ask of the program: opening the absorption window on the chosen
// folder, and showing the main window afresh after an absorption.
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
};

} // namespace folio
