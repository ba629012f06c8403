// The look all windows share: white background, blue text, light blue buttons, Verdana.
#pragma once

#include <QColor>
#include <QFont>

class QWidget;
class QAbstractButton;

namespace folio::look {

inline const QColor kBlueText{0x40, 0x95, 0xFD};
inline const QColor kButtonBlue{0xA0, 0xCB, 0xFE};

QFont verdana(int points);

// White window background.
void setWhiteBackground(QWidget* window);
// A light blue command button with a Verdana caption.
void styleButton(QAbstractButton* button, int points = 12);
// Blue Verdana text, for text boxes and labels.
void styleBlueText(QWidget* widget, int points);

} // namespace folio::look
