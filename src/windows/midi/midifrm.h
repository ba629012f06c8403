// The MIDI device window: the bank select MSB, bank select LSB and program change of the 16
// MIDI channels of the entry shown in the main window, saved to midi.js.
#pragma once

#include "core/midi/midi_store.h"

#include <QWidget>
#include <array>
#include <vector>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace folio {

class Dialogs;
struct SharedState;

class midifrm : public QWidget {
    Q_OBJECT
public:
    // Builds the window, loads midi.js and fills the grid for the current entry.
    midifrm(SharedState& state, Dialogs& dialogs, QWidget* parent = nullptr);

    // Controls, named as the window's parts are known. Element 0 of each array stays empty: the
    // cells are numbered 1 to 16 like the channels.
    std::array<QLineEdit*, kMidiChannels + 1> Text1 = {};
    std::array<QLineEdit*, kMidiChannels + 1> MSB = {};
    std::array<QLineEdit*, kMidiChannels + 1> LSB = {};
    std::array<QLineEdit*, kMidiChannels + 1> PC = {};
    QLabel* Label5 = nullptr;
    QLabel* valuesNote = nullptr; // "Values are sent as typed, 0 to 127."
    QFrame* Frame1 = nullptr;
    QFrame* Frame2 = nullptr;
    QPushButton* Command1 = nullptr; // "Esc"
    QPushButton* Command2 = nullptr; // "Reset"
    QPushButton* Command3 = nullptr; // "Save"

    const MidiStore& store() const { return store_; }
    // The entry the window shows and saves to.
    int entry() const { return entry_; }
    // True while a cell differs from what the entry's record showed or the last save wrote.
    bool hasUnsavedChanges() const;

public slots:
    // Follows the main window to the entry it shows (or to its edited title), first offering
    // to save unsaved values to the entry they belong to.
    void followEntry(int position);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void Command1_Click(); // "Esc"
    void Command2_Click(); // "Reset"
    void Command3_Click(); // "Save"

private:
    void buildControls();
    void buildChannel(int channel);
    void Form_Load();
    void showTitle();
    void showRecord();
    QString entryName() const;
    // True when nothing unsaved would be lost, or the user agrees to lose it.
    bool mayDropChanges(const QString& question);
    MidiGrid grid() const;
    bool save();
    // Marks a cell whose text is no MIDI value from 0 to 127.
    void markValue(QLineEdit* cell);
    // The tooltip of a cell holding a MIDI value: a program change names its instrument.
    QString valueTip(const QLineEdit* cell) const;
    // The cells holding no MIDI value from 0 to 127, channel by channel as Tab goes.
    std::vector<QLineEdit*> unsendableCells() const;
    // True when every cell holds a MIDI value or the user wants them saved as typed; otherwise
    // the first cell that holds none is selected, for typing over.
    bool maySaveAsTyped();

    SharedState& state_;
    Dialogs& dialogs_;
    MidiStore store_;
    MidiLoad loaded_ = MidiLoad::Missing;
    int entry_ = 0;
    // The grid as shown from the record or as last saved.
    MidiGrid shownGrid_;
    // The cell the user has typed into since it took the keyboard, if any.
    QLineEdit* typedInto_ = nullptr;
};

} // namespace folio
