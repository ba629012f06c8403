// The MIDI device window's controls and handlers.
#include "windows/midi/midifrm.h"

#include "platform/core_text.h"
#include "platform/cp1252.h"
#include "platform/dialogs.h"
#include "platform/field_text.h"
#include "platform/look.h"
#include "platform/widgets.h"
#include "windows/common/changed_elsewhere.h"
#include "windows/common/shared_state.h"
#include "windows/common/version_notice.h"

#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QValidator>
#include <exception>

namespace folio {
namespace {

constexpr QSize kClientSize{576, 576};
constexpr int kRowsPerBlock = 8;
constexpr int kFirstRowTop = 40;
constexpr int kRowStep = 48;
constexpr int kRuleBelowRowTop = 32;
constexpr int kRuleLength = 40;
constexpr int kTypedLength = 3;
const QString kUntouched = QStringLiteral("000");
const QColor kWarning{0xFF, 0xD8, 0x9E};

// Left edges of the channel, MSB, LSB and PC columns of the left and the right block.
constexpr int kColumnLeft[2][4] = {{48, 88, 144, 200}, {312, 352, 408, 464}};

// The 128 instruments of General MIDI, by program number as sent (0 to 127).
const char* const kGeneralMidi[128] = {
    "Acoustic Grand Piano",
    "Bright Acoustic Piano",
    "Electric Grand Piano",
    "Honky-tonk Piano",
    "Electric Piano 1",
    "Electric Piano 2",
    "Harpsichord",
    "Clavi",
    "Celesta",
    "Glockenspiel",
    "Music Box",
    "Vibraphone",
    "Marimba",
    "Xylophone",
    "Tubular Bells",
    "Dulcimer",
    "Drawbar Organ",
    "Percussive Organ",
    "Rock Organ",
    "Church Organ",
    "Reed Organ",
    "Accordion",
    "Harmonica",
    "Tango Accordion",
    "Acoustic Guitar (nylon)",
    "Acoustic Guitar (steel)",
    "Electric Guitar (jazz)",
    "Electric Guitar (clean)",
    "Electric Guitar (muted)",
    "Overdriven Guitar",
    "Distortion Guitar",
    "Guitar Harmonics",
    "Acoustic Bass",
    "Electric Bass (finger)",
    "Electric Bass (pick)",
    "Fretless Bass",
    "Slap Bass 1",
    "Slap Bass 2",
    "Synth Bass 1",
    "Synth Bass 2",
    "Violin",
    "Viola",
    "Cello",
    "Contrabass",
    "Tremolo Strings",
    "Pizzicato Strings",
    "Orchestral Harp",
    "Timpani",
    "String Ensemble 1",
    "String Ensemble 2",
    "Synth Strings 1",
    "Synth Strings 2",
    "Choir Aahs",
    "Voice Oohs",
    "Synth Voice",
    "Orchestra Hit",
    "Trumpet",
    "Trombone",
    "Tuba",
    "Muted Trumpet",
    "French Horn",
    "Brass Section",
    "Synth Brass 1",
    "Synth Brass 2",
    "Soprano Sax",
    "Alto Sax",
    "Tenor Sax",
    "Baritone Sax",
    "Oboe",
    "English Horn",
    "Bassoon",
    "Clarinet",
    "Piccolo",
    "Flute",
    "Recorder",
    "Pan Flute",
    "Blown Bottle",
    "Shakuhachi",
    "Whistle",
    "Ocarina",
    "Lead 1 (square)",
    "Lead 2 (sawtooth)",
    "Lead 3 (calliope)",
    "Lead 4 (chiff)",
    "Lead 5 (charang)",
    "Lead 6 (voice)",
    "Lead 7 (fifths)",
    "Lead 8 (bass + lead)",
    "Pad 1 (new age)",
    "Pad 2 (warm)",
    "Pad 3 (polysynth)",
    "Pad 4 (choir)",
    "Pad 5 (bowed)",
    "Pad 6 (metallic)",
    "Pad 7 (halo)",
    "Pad 8 (sweep)",
    "FX 1 (rain)",
    "FX 2 (soundtrack)",
    "FX 3 (crystal)",
    "FX 4 (atmosphere)",
    "FX 5 (brightness)",
    "FX 6 (goblins)",
    "FX 7 (echoes)",
    "FX 8 (sci-fi)",
    "Sitar",
    "Banjo",
    "Shamisen",
    "Koto",
    "Kalimba",
    "Bag pipe",
    "Fiddle",
    "Shanai",
    "Tinkle Bell",
    "Agogo",
    "Steel Drums",
    "Woodblock",
    "Taiko Drum",
    "Melodic Tom",
    "Synth Drum",
    "Reverse Cymbal",
    "Guitar Fret Noise",
    "Breath Noise",
    "Seashore",
    "Bird Tweet",
    "Telephone Ring",
    "Helicopter",
    "Applause",
    "Gunshot",
};

QFont msSansSerif(qreal points) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(points);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

// Typed or pasted values take no character that would break the file or shift the channel's
// three values (a comma), and typing makes no value longer than three characters. Only the edit
// is filtered: a value shown from the file keeps its characters and its length, and may be
// shortened.
class MidiValueValidator : public FieldTextValidator {
public:
    explicit MidiValueValidator(QLineEdit* cell) : FieldTextValidator(cell) {
        // The edit being checked is already in the cell, so the length before it is kept here.
        connect(cell, &QLineEdit::textChanged, this,
                [this](const QString& text) { lengthBefore_ = text.size(); });
        lengthBefore_ = cell->text().size();
    }

    State validate(QString& input, int& position) const override {
        FieldTextValidator::validate(input, position);
        // A shown value holds no comma (commas part the three values), so every comma is typed.
        if (input.contains(QLatin1Char(','))) {
            position -= static_cast<int>(input.left(position).count(QLatin1Char(',')));
            input.remove(QLatin1Char(','));
        }
        if (input.size() > kTypedLength && input.size() > lengthBefore_)
            return Invalid;
        return Acceptable;
    }

private:
    qsizetype lengthBefore_ = 0;
};

} // namespace

midifrm::midifrm(SharedState& state, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), dialogs_(dialogs) {
    setObjectName(QStringLiteral("midifrm"));
    setWindowTitle(QStringLiteral("Midi Device"));
    buildControls();
    Form_Load();
}

void midifrm::buildControls() {
    setFixedSize(kClientSize);
    look::setWhiteBackground(this);

    // Frames first, so that the cells lie above them.
    Frame1 = place<QFrame>(this, "Frame1", {8, 24, 561, 409});
    Frame2 = place<QFrame>(this, "Frame2", {8, 440, 561, 65});
    for (QFrame* frame : {Frame1, Frame2})
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);

    const char* headings[4] = {"Ch", "MSB", "LSB", "PC"};
    for (const auto& block : kColumnLeft) {
        for (int column = 0; column < 4; ++column) {
            auto* heading =
                place<QLabel>(this, "heading", {block[column], 0, column == 0 ? 33 : 41, 25},
                              QString::fromLatin1(headings[column]));
            heading->setAlignment(Qt::AlignCenter);
            look::styleBlueText(heading, 12);
            heading->setFont(msSansSerif(13.5));
        }
    }

    for (int channel = 1; channel <= kMidiChannels; ++channel)
        buildChannel(channel);

    // Said once for every cell: what is typed is what the stand sends.
    valuesNote = place<QLabel>(this, "valuesNote", {16, 444, 545, 18},
                               QStringLiteral("Values are sent as typed, 0 to 127."));
    valuesNote->setAlignment(Qt::AlignCenter);
    look::styleBlueText(valuesNote, 9);

    Label5 = place<QLabel>(this, "Label5", {16, 464, 545, 33}, QStringLiteral("Title"));
    Label5->setAlignment(Qt::AlignCenter);
    look::styleBlueText(Label5, 12);
    Label5->setFont(msSansSerif(12));

    Command1 = place<QPushButton>(this, "Command1", {8, 512, 169, 57}, QStringLiteral("Esc"));
    Command2 = place<QPushButton>(this, "Command2", {200, 512, 177, 57}, QStringLiteral("Reset"));
    Command3 = place<QPushButton>(this, "Command3", {400, 512, 169, 57}, QStringLiteral("Save"));
    for (QPushButton* button : {Command1, Command2, Command3}) {
        look::styleButton(button, 12);
        button->setFocusPolicy(Qt::StrongFocus);
    }

    // Tab goes channel by channel through MSB, LSB and PC, then along the buttons.
    QWidget* previous = nullptr;
    for (int channel = 1; channel <= kMidiChannels; ++channel) {
        const auto c = static_cast<std::size_t>(channel);
        for (QWidget* cell : {static_cast<QWidget*>(MSB[c]), static_cast<QWidget*>(LSB[c]),
                              static_cast<QWidget*>(PC[c])}) {
            if (previous)
                setTabOrder(previous, cell);
            previous = cell;
        }
    }
    setTabOrder(previous, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Command3);

    connect(Command1, &QPushButton::clicked, this, &midifrm::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &midifrm::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &midifrm::Command3_Click);
}

// Channels 1 to 8 fill the rows of the left block, 9 to 16 those of the right one.
void midifrm::buildChannel(int channel) {
    const auto c = static_cast<std::size_t>(channel);
    const int* left = kColumnLeft[(channel - 1) / kRowsPerBlock];
    const int top = kFirstRowTop + kRowStep * ((channel - 1) % kRowsPerBlock);

    QLineEdit* number =
        place<QLineEdit>(this, "Text1", {left[0], top, 33, 27}, QString::number(channel));
    number->setReadOnly(true);
    number->setFocusPolicy(Qt::NoFocus);
    look::styleBlueText(number, 12);
    number->setFont(msSansSerif(13.5));
    Text1[c] = number;

    const std::pair<std::array<QLineEdit*, kMidiChannels + 1>*, QRect> values[] = {
        {&MSB, {left[1], top, 41, 26}},
        {&LSB, {left[2], top, 41, 25}},
        {&PC, {left[3], top, 41, 25}},
    };
    for (const auto& [column, where] : values) {
        const QString name = column == &MSB   ? QStringLiteral("MSB")
                             : column == &LSB ? QStringLiteral("LSB")
                                              : QStringLiteral("PC");
        auto* cell = new QLineEdit(kUntouched, this);
        cell->setObjectName(name);
        cell->setGeometry(where);
        look::styleBlueText(cell, 12);
        QFont italic = look::verdana(12);
        italic.setItalic(true);
        cell->setFont(italic);
        cell->setValidator(new MidiValueValidator(cell));
        cell->installEventFilter(this);
        connect(cell, &QLineEdit::textEdited, this, [this, cell] { typedInto_ = cell; });
        connect(cell, &QLineEdit::textChanged, this, [this, cell] { markValue(cell); });
        markValue(cell);
        (*column)[c] = cell;

        auto* rule = new QFrame(this);
        rule->setObjectName(QStringLiteral("rule"));
        rule->setGeometry(where.left(), top + kRuleBelowRowTop, kRuleLength, 1);
        rule->setFrameStyle(QFrame::HLine | QFrame::Plain);
    }
    for (QLineEdit* cell : {Text1[c], MSB[c], LSB[c], PC[c]}) {
        cell->setFrame(false);
        cell->setAlignment(Qt::AlignCenter);
        cell->setProperty("index", channel);
    }
}

void midifrm::markValue(QLineEdit* cell) {
    const bool warn = !isMidiValue(toCp1252(cell->text()));
    QPalette palette = cell->palette();
    palette.setColor(QPalette::Base, warn ? kWarning : QColor(Qt::white));
    cell->setPalette(palette);
    cell->setToolTip(warn ? QStringLiteral("MIDI values run from 0 to 127.") : valueTip(cell));
}

// A program change names the General MIDI instrument it picks: the value is sent as typed,
// while many instruments show it counted from 1.
QString midifrm::valueTip(const QLineEdit* cell) const {
    if (cell->objectName() != QStringLiteral("PC"))
        return {};
    bool number = false;
    const int program = cell->text().trimmed().toInt(&number);
    if (!number || program < 0 || program > 127)
        return {};
    return QStringLiteral("PC %1: %2; many instruments count this as program %3")
        .arg(program)
        .arg(QString::fromLatin1(kGeneralMidi[program]))
        .arg(program + 1);
}

void midifrm::Form_Load() {
    loaded_ = store_.load(state_.installation);
    entry_ = state_.currentEntryNumber;
    showTitle();
    // The file is noted from the bytes just read: a 45 MB file is not read a second time.
    DataFileStamp read;
    if (loaded_ == MidiLoad::Loaded)
        read = dataFileStampOf(store_.bytesRead());
    else if (loaded_ == MidiLoad::Unreadable)
        read.state = DataFileStamp::State::Unreadable;
    noteDataFile(state_, DataFile::Midi, read);
    if (state_.readOnly)
        Command3->setEnabled(false);
    if (loaded_ == MidiLoad::Unreadable) {
        Command3->setEnabled(false);
        dialogs_.error(this, QStringLiteral("The MIDI file %1 cannot be read: it is left as it "
                                            "is, and Save is off so that it is not written over."
                                            "\n%2")
                                 .arg(toShownPath(state_.installation.resolve(kMidiFileName)),
                                      fromCoreText(store_.loadError())));
    }
    showRecord();
}

void midifrm::showTitle() {
    if (entry_ < 1 || entry_ > state_.archive.entryCount()) {
        Label5->setText(QStringLiteral("Title"));
        Label5->setToolTip(QString());
        return;
    }
    // A title too long for the line ends in an ellipsis; the tool tip holds all of it.
    const QString title = fromCp1252(state_.archive.slot(entry_).title);
    Label5->setText(
        Label5->fontMetrics().elidedText(title, Qt::ElideRight, Label5->contentsRect().width()));
    Label5->setToolTip(title);
}

// How a question names the entry whose values it is about.
QString midifrm::entryName() const {
    if (entry_ >= 1 && entry_ <= state_.archive.entryCount() &&
        !state_.archive.slot(entry_).title.empty())
        return fromCp1252(state_.archive.slot(entry_).title);
    return QStringLiteral("entry %1").arg(entry_);
}

void midifrm::showRecord() {
    // Without a record the cells show the untouched value. The values are shown as stored; the
    // cells' filters act only on what the user types.
    const std::string untouched = toCp1252(kUntouched);
    MidiValueGrid none;
    none.fill({untouched, untouched, untouched});
    const MidiValueGrid values = store_.valuesOf(entry_).value_or(none);
    for (std::size_t c = 0; c < kMidiChannels; ++c) {
        showFieldText(MSB[c + 1], fromCp1252(values[c].msb));
        showFieldText(LSB[c + 1], fromCp1252(values[c].lsb));
        showFieldText(PC[c + 1], fromCp1252(values[c].pc));
    }
    shownGrid_ = grid();
}

MidiGrid midifrm::grid() const {
    MidiGrid channels;
    for (std::size_t c = 0; c < kMidiChannels; ++c)
        channels[c] = joinChannelText(toCp1252(MSB[c + 1]->text()), toCp1252(LSB[c + 1]->text()),
                                      toCp1252(PC[c + 1]->text()));
    return channels;
}

bool midifrm::hasUnsavedChanges() const {
    return grid() != shownGrid_;
}

// While midi.js cannot be read, Save is off: there is nothing that could be saved, so nothing is
// asked.
bool midifrm::mayDropChanges(const QString& question) {
    return !hasUnsavedChanges() || !Command3->isEnabled() || dialogs_.question(this, question);
}

void midifrm::followEntry(int position) {
    if (position != entry_) {
        if (hasUnsavedChanges() && Command3->isEnabled() &&
            dialogs_.question(
                this, QStringLiteral("Save the MIDI set-up of %1 first?").arg(entryName())) &&
            !save())
            return; // The values stay with the entry they belong to, so that Save can retry.
        entry_ = position;
        showRecord();
    }
    showTitle();
}

void midifrm::Command1_Click() {
    close();
}

void midifrm::closeEvent(QCloseEvent* event) {
    if (!mayDropChanges(QStringLiteral("Leave without saving?"))) {
        event->ignore();
        return;
    }
    event->accept();
}

void midifrm::Command2_Click() {
    for (int channel = 1; channel <= kMidiChannels; ++channel) {
        const auto c = static_cast<std::size_t>(channel);
        for (QLineEdit* cell : {MSB[c], LSB[c], PC[c]})
            cell->setText(kUntouched);
    }
}

void midifrm::Command3_Click() {
    save();
}

std::vector<QLineEdit*> midifrm::unsendableCells() const {
    std::vector<QLineEdit*> cells;
    for (std::size_t c = 1; c <= kMidiChannels; ++c) {
        for (QLineEdit* cell : {MSB[c], LSB[c], PC[c]}) {
            if (!isMidiValue(toCp1252(cell->text())))
                cells.push_back(cell);
        }
    }
    return cells;
}

// Values are saved as typed, as the stand's pages read them; a value it cannot send is
// almost always a slip, so it is asked about first.
bool midifrm::maySaveAsTyped() {
    const std::vector<QLineEdit*> cells = unsendableCells();
    if (cells.empty())
        return true;
    QLineEdit* first = cells.front();
    const QString named = QStringLiteral("channel %1 %2 \"%3\"")
                              .arg(first->property("index").toInt())
                              .arg(first->objectName(), first->text());
    const QString question =
        cells.size() == 1
            ? QStringLiteral("1 cell holds a value the stand cannot send (%1). Save it as typed?")
                  .arg(named)
            : QStringLiteral("%1 cells hold values the stand cannot send (%2, …). Save them as "
                             "typed?")
                  .arg(cells.size())
                  .arg(named);
    if (dialogs_.questionDefaultNo(this, question))
        return true;
    first->setFocus(Qt::OtherFocusReason);
    first->selectAll();
    return false;
}

// Saves under the entry whose title the window shows.
bool midifrm::save() {
    if (loaded_ == MidiLoad::Unreadable) {
        dialogs_.error(this, QStringLiteral("The MIDI file cannot be read, so it is not written "
                                            "over: the MIDI set-up was not saved."));
        return false;
    }
    if (!maySaveAsTyped() || !maySaveOver(state_, dialogs_, this, DataFile::Midi))
        return false;
    const MidiGrid channels = grid();
    KeepVersion keep;
    keep.what = "midi";
    try {
        const FileResult saved = store_.save(state_.installation, entry_, channels, &keep);
        if (!saved.ok) {
            dialogs_.error(this, QStringLiteral("The MIDI set-up was not saved.\n%1")
                                     .arg(fromCoreText(saved.error)));
            return false;
        }
    } catch (const std::exception& failure) {
        dialogs_.error(
            this,
            QStringLiteral("The MIDI set-up was not saved.\n%1").arg(fromCoreText(failure.what())));
        return false;
    }
    noteDataFile(state_, DataFile::Midi);
    shownGrid_ = channels;
    dialogs_.message(this, QStringLiteral("Successfully saved message"));
    reportVersionNotKept(state_, dialogs_, this, DataFile::Midi, keep.notKept);
    return true;
}

// A click into a cell selects its value, so that what is typed replaces it; once the user
// types in a cell, a click there places the cursor as usual until the cell loses the keyboard.
bool midifrm::eventFilter(QObject* watched, QEvent* event) {
    auto* cell = qobject_cast<QLineEdit*>(watched);
    if (cell && event->type() == QEvent::FocusOut && cell == typedInto_)
        typedInto_ = nullptr;
    if (cell && event->type() == QEvent::MouseButtonPress && cell != typedInto_ &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        cell->setFocus(Qt::MouseFocusReason);
        cell->selectAll();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void midifrm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        Command1_Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace folio
