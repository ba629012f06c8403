// The set list on paper: one or more playlists drawn page by page for the band, either as a
// running order with authors, tags and entry numbers, or as a stage copy of titles alone in
// type as large as fits.
#pragma once

#include "core/files/file_ops.h"

#include <QDate>
#include <QPdfWriter>
#include <QString>
#include <string>
#include <vector>

class QPagedPaintDevice;

namespace folio {

class ScoreArchive;

struct SetListTrack {
    int entry = 0;
    QString title;
    QString author;
    QString tags;
};

// One playlist of the document, under its own heading.
struct SetListSection {
    QString name;
    std::vector<SetListTrack> tracks;
};

struct SetListOptions {
    QString standName;
    QDate date;
    // Titles alone, as large as the page allows.
    bool stageCopy = false;
    // The next playlist goes on below the last one rather than on a new page.
    bool continuous = false;
};

// The tracks of a playlist as the archive in memory has them; a number beyond the archive is
// listed with its number alone.
SetListSection setListSection(const ScoreArchive& archive, const QString& name,
                              const std::vector<int>& entries);

// Draws the sections one after another on the device, numbering the tracks on from one section
// to the next. False when the device cannot be painted on.
bool drawSetList(QPagedPaintDevice& device, const std::vector<SetListSection>& sections,
                 const SetListOptions& options);

// Sets a PDF writer up as a set list's pages are: A4 at 300 dpi, the margins drawn by the list.
void setUpSetListPages(QPdfWriter& writer);

// Writes the set list as a PDF file; the file is replaced only once the document is whole.
FileResult writeSetListPdf(const QString& file, const std::vector<SetListSection>& sections,
                           const SetListOptions& options);

} // namespace folio
