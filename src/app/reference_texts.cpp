// Names of playlist tracks and MIDI set-ups for the questions and reports of the commands that
// renumber or take out scores.
#include "app/reference_texts.h"

#include "platform/cp1252.h"

#include <QStringList>

namespace folio {

QString trackPlaces(const std::vector<int>& places) {
    QStringList numbers;
    for (int place : places)
        numbers << QString::number(place);
    if (numbers.size() == 1)
        return QStringLiteral("track %1").arg(numbers.front());
    const QString last = numbers.takeLast();
    return QStringLiteral("tracks %1 and %2").arg(numbers.join(QStringLiteral(", ")), last);
}

QString playlistTracksText(const std::vector<PlaylistTracksGone>& playlists) {
    QStringList parts;
    for (const PlaylistTracksGone& playlist : playlists)
        parts << QStringLiteral("%1: %2").arg(fromCp1252(playlist.name),
                                              trackPlaces(playlist.places));
    return parts.join(QStringLiteral("; "));
}

QString entryNumbersText(const std::vector<int>& entries) {
    QStringList numbers;
    for (int entry : entries)
        numbers << QString::number(entry);
    return numbers.join(QStringLiteral(", "));
}

} // namespace folio
