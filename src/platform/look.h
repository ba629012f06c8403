// The look all windows share: white background, blue text, light blue buttons, Verdana.
#pragma once

#include <QColor>
#include <QFont>

class QWidget;
class QAbstractButton;
class QLabel;
class QLineEdit;

namespace folio::look {

inline const QColor kBlueText{0x40, 0x95, 0xFD};
inline const QColor kButtonBlue{0xA0, 0xCB, 0xFE};

QFont verdana(int points);
// The toolkit's classic dialog typeface, for the few controls that do not use Verdana.
QFont msSansSerif(int points);

// White window background.
void setWhiteBackground(QWidget* window);
// A light blue command button with a Verdana caption.
void styleButton(QAbstractButton* button, int points = 12);
// A command button with its own caption font and background colour.
void styleButton(QAbstractButton* button, const QFont& font, const QColor& background);
// Blue Verdana text, for text boxes, labels and lists.
void styleBlueText(QWidget* widget, int points);
// Shows path in a one-line label. A path wider than the label loses part of its folder, so that
// the start of the folder and the file name stay readable; the tool tip holds the whole path.
void showPath(QLabel* label, const QString& path);
// Paints the text box's frame from a picture made once per size and state instead of drawing
// it anew at every change of its text: the style's frame, with its antialiased rounded
// corners, costs more than the text itself. The look stays exactly the style's.
void cacheFramePainting(QLineEdit* box);

} // namespace folio::look
