// The library's table model: one row per score, read from the archive in place (no copy of
// its entries), in the order the core's libraryRows gives.
#pragma once

#include "core/archive/library.h"

#include <QAbstractTableModel>
#include <functional>
#include <set>
#include <vector>

namespace folio {

struct SharedState;

class LibraryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // edit(entry, column, value) makes an edit of a cell the user typed or chose; it is the
    // window's, so that every edit can be undone.
    LibraryModel(SharedState& state, const CategoryNames& names,
                 std::function<void(int, LibraryColumn, std::string)> edit,
                 QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // Shows rows (entry numbers) in this order.
    void setRows(std::vector<int> rows);
    const std::vector<int>& rows() const { return rows_; }
    // The row of entry, or -1 when it is not shown.
    int rowOf(int entry) const;
    int entryAt(int row) const;
    // Takes new facts of the pages, recordings, MIDI set-ups and playlists.
    void setFacts(std::vector<EntryFacts> facts);
    const std::vector<EntryFacts>& facts() const { return facts_; }
    // Marks the entries that differ from the archive file.
    void setUnsaved(std::set<int> unsaved);
    // The shown cells of entry changed.
    void entryChanged(int entry);

    // The text of a cell as shown, for export too.
    QString cellText(int entry, LibraryColumn column) const;
    static QString columnTitle(LibraryColumn column);

private:
    SharedState& state_;
    const CategoryNames& names_;
    std::function<void(int, LibraryColumn, std::string)> edit_;
    std::vector<int> rows_;
    std::vector<int> rowOfEntry_;
    std::vector<EntryFacts> facts_;
    std::set<int> unsaved_;
};

} // namespace folio
