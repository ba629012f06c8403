// The MIDI device window: the bank select MSB, bank select LSB and program change of the 16
// MIDI channels of the entry shown in the main window, saved to midi.js.
#pragma once

#include "midi/midi_store.h"

#include <QWidget>
#include <array>

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
    QFrame* Frame1 = nullptr;
    QFrame* Frame2 = nullptr;
    QPushButton* Command1 = nullptr; // "Esc"
    QPushButton* Command2 = nullptr; // "Reset"
    QPushButton* Command3 = nullptr; // "Save"

    const MidiStore& store() const { return store_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

private:
    void buildControls();
    void buildChannel(int channel);
    void Form_Load();
    // Marks a cell whose text is no MIDI value from 0 to 127.
    void markValue(QLineEdit* cell);

    SharedState& state_;
    Dialogs& dialogs_;
    MidiStore store_;
    MidiLoad loaded_ = MidiLoad::Missing;
};

} // namespace folio
