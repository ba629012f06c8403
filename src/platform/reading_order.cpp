// Reading order through the collation of the user's language (English under the C locale,
// whose collation would be plain character order).
#include "platform/reading_order.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <numeric>
#include <vector>

namespace folio {
namespace {

QCollator readersCollator() {
    QLocale locale = QLocale::system();
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English);
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    return collator;
}

} // namespace

QStringList sortedForReading(const QStringList& texts) {
    const QCollator collator = readersCollator();
    // One sort key per text, so that the sort compares bytes instead of collating each pair.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(static_cast<std::size_t>(texts.size()));
    for (const QString& text : texts)
        keys.push_back(collator.sortKey(text));
    std::vector<qsizetype> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        return keys[static_cast<std::size_t>(a)].compare(keys[static_cast<std::size_t>(b)]) < 0;
    });
    QStringList sorted;
    sorted.reserve(texts.size());
    for (qsizetype index : order)
        sorted.append(texts[index]);
    return sorted;
}

} // namespace folio
