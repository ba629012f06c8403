// The library's table model.
#include "windows/library/library_model.h"

#include "platform/cp1252.h"
#include "platform/field_text.h"
#include "windows/common/shared_state.h"

#include <QFont>

namespace folio {
namespace {

QString stateText(FileState state) {
    switch (state) {
    case FileState::Present:
        return QStringLiteral("present");
    case FileState::Missing:
        return QStringLiteral("missing");
    case FileState::Placeholder:
        return QStringLiteral("placeholder");
    }
    return {};
}

} // namespace

LibraryModel::LibraryModel(SharedState& state, const CategoryNames& names,
                           std::function<void(int, LibraryColumn, std::string)> edit,
                           QObject* parent)
    : QAbstractTableModel(parent), state_(state), names_(names), edit_(std::move(edit)) {}

int LibraryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int LibraryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kLibraryColumns;
}

QString LibraryModel::columnTitle(LibraryColumn column) {
    switch (column) {
    case LibraryColumn::Number:
        return QStringLiteral("Number");
    case LibraryColumn::Title:
        return QStringLiteral("Title");
    case LibraryColumn::Author:
        return QStringLiteral("Author");
    case LibraryColumn::Tags:
        return QStringLiteral("Tags");
    case LibraryColumn::Category:
        return QStringLiteral("Category");
    case LibraryColumn::LeftPage:
        return QStringLiteral("Left page");
    case LibraryColumn::RightPage:
        return QStringLiteral("Right page");
    case LibraryColumn::Recording:
        return QStringLiteral("Recording");
    case LibraryColumn::Midi:
        return QStringLiteral("MIDI");
    case LibraryColumn::Playlists:
        return QStringLiteral("Playlists");
    }
    return {};
}

QString LibraryModel::cellText(int entry, LibraryColumn column) const {
    const ScoreEntry& score = state_.archive.slot(entry);
    const EntryFacts facts = static_cast<std::size_t>(entry) < facts_.size()
                                 ? facts_[static_cast<std::size_t>(entry)]
                                 : EntryFacts{};
    switch (column) {
    case LibraryColumn::Number:
        return QString::number(entry);
    case LibraryColumn::Title:
        return fromCp1252(score.title);
    case LibraryColumn::Author:
        return fromCp1252(score.author);
    case LibraryColumn::Tags:
        return fromCp1252(score.tags);
    case LibraryColumn::Category:
        return fromCp1252(categoryShown(score.category, names_));
    case LibraryColumn::LeftPage:
        return stateText(facts.left);
    case LibraryColumn::RightPage:
        return stateText(facts.right);
    case LibraryColumn::Recording:
        return stateText(facts.recording);
    case LibraryColumn::Midi:
        return facts.midi ? QStringLiteral("MIDI") : QString();
    case LibraryColumn::Playlists:
        return facts.playlists > 0 ? QString::number(facts.playlists) : QString();
    }
    return {};
}

QVariant LibraryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size()))
        return {};
    const int entry = rows_[static_cast<std::size_t>(index.row())];
    const auto column = static_cast<LibraryColumn>(index.column());
    switch (role) {
    case Qt::DisplayRole:
        return cellText(entry, column);
    case Qt::EditRole:
        return column == LibraryColumn::Category
                   ? QVariant(fromCp1252(state_.archive.slot(entry).category))
                   : QVariant(cellText(entry, column));
    case Qt::FontRole:
        if (unsaved_.contains(entry)) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::ToolTipRole:
        return unsaved_.contains(entry) ? QStringLiteral("Changed, not saved yet") : QVariant();
    default:
        return {};
    }
}

QVariant LibraryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return columnTitle(static_cast<LibraryColumn>(section));
    // Unsaved rows are marked in the row heading too.
    const int entry = entryAt(section);
    return unsaved_.contains(entry) ? QStringLiteral("*") : QString();
}

Qt::ItemFlags LibraryModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    switch (static_cast<LibraryColumn>(index.column())) {
    case LibraryColumn::Title:
    case LibraryColumn::Author:
    case LibraryColumn::Tags:
    case LibraryColumn::Category:
        return state_.archiveWritable && !state_.readOnly ? flags | Qt::ItemIsEditable : flags;
    default:
        return flags;
    }
}

bool LibraryModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const int entry = entryAt(index.row());
    if (entry < 1)
        return false;
    edit_(entry, static_cast<LibraryColumn>(index.column()),
          toCp1252(toFieldText(value.toString()).text));
    return true;
}

void LibraryModel::setRows(std::vector<int> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    rowOfEntry_.assign(static_cast<std::size_t>(ScoreArchive::kSlotCount), -1);
    for (std::size_t r = 0; r < rows_.size(); ++r)
        rowOfEntry_[static_cast<std::size_t>(rows_[r])] = static_cast<int>(r);
    endResetModel();
}

int LibraryModel::rowOf(int entry) const {
    return ScoreArchive::isSlot(entry) && !rowOfEntry_.empty()
               ? rowOfEntry_[static_cast<std::size_t>(entry)]
               : -1;
}

int LibraryModel::entryAt(int row) const {
    return row >= 0 && row < static_cast<int>(rows_.size()) ? rows_[static_cast<std::size_t>(row)]
                                                            : 0;
}

void LibraryModel::setFacts(std::vector<EntryFacts> facts) {
    facts_ = std::move(facts);
    if (!rows_.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, kLibraryColumns - 1));
}

void LibraryModel::setUnsaved(std::set<int> unsaved) {
    unsaved_ = std::move(unsaved);
    if (!rows_.empty()) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, kLibraryColumns - 1));
        emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
    }
}

void LibraryModel::entryChanged(int entry) {
    const int row = rowOf(entry);
    if (row >= 0)
        emit dataChanged(index(row, 0), index(row, kLibraryColumns - 1));
}

} // namespace folio
