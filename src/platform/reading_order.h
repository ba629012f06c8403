// The order in which a person reads a list: letter case ignored, accented letters beside their
// plain ones, numbers inside the text by their value.
#pragma once

#include <QStringList>

namespace folio {

// The texts in reading order; equal texts keep their order.
QStringList sortedForReading(const QStringList& texts);

} // namespace folio
