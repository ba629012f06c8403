// The set list's choices and the way to the printer or to a PDF file.
#include "windows/playlists/set_list_dialog.h"

#include "platform/core_text.h"
#include "platform/cp1252.h"
#include "platform/dialogs.h"
#include "platform/last_folders.h"
#include "platform/widgets.h"
#include "windows/common/shared_state.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QPrintDialog>
#include <QPrinter>
#include <QVBoxLayout>

namespace folio {

SetListDialog::SetListDialog(const QString& editedName, const std::vector<Playlist>& saved,
                             QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("SetListDialog"));
    setWindowTitle(QStringLiteral("Set list"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Playlists, in this order:"), this));
    playlists = new QListWidget(this);
    playlists->setObjectName(QStringLiteral("playlists"));
    const auto addRow = [&](const QString& name, int which, bool ticked) {
        auto* row = new QListWidgetItem(name, playlists);
        row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        row->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
        rowPlaylists_.push_back(which);
    };
    addRow(editedName, -1, true);
    for (std::size_t k = 0; k < saved.size(); ++k) {
        const QString name = fromCp1252(saved[k].name);
        if (name != editedName)
            addRow(name, static_cast<int>(k), false);
    }
    layout->addWidget(playlists);

    auto* form = new QFormLayout;
    date = new QDateEdit(QDate::currentDate(), this);
    date->setObjectName(QStringLiteral("date"));
    date->setCalendarPopup(true);
    form->addRow(QStringLiteral("Date"), date);
    layout->addLayout(form);
    stageCopy = new QCheckBox(QStringLiteral("Stage copy"), this);
    stageCopy->setObjectName(QStringLiteral("stageCopy"));
    stageCopy->setToolTip(QStringLiteral("Titles only, in type as large as fits the page"));
    continuous = new QCheckBox(QStringLiteral("Continuous"), this);
    continuous->setObjectName(QStringLiteral("continuous"));
    continuous->setToolTip(QStringLiteral("Each playlist follows the last one on the same page"));
    layout->addWidget(stageCopy);
    layout->addWidget(continuous);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

SetListOptions SetListDialog::options() const {
    SetListOptions options;
    options.date = date->date();
    options.stageCopy = stageCopy->isChecked();
    options.continuous = continuous->isChecked();
    return options;
}

void putSetListOnPaper(QWidget* parent, const SharedState& state, Dialogs& dialogs,
                       const std::vector<Playlist>& saved, const QString& editedName,
                       const std::vector<int>& edited, SetListOutput output) {
    const QString name = editedName.isEmpty() ? QStringLiteral("Playlist") : editedName;
    SetListDialog choices(name, saved, parent);
    if (choices.exec() != QDialog::Accepted)
        return;
    std::vector<SetListSection> sections;
    for (int row = 0; row < choices.playlists->count(); ++row) {
        const QListWidgetItem* item = choices.playlists->item(row);
        if (item->checkState() != Qt::Checked)
            continue;
        const int which = choices.rowPlaylists()[static_cast<std::size_t>(row)];
        if (which < 0) {
            sections.push_back(setListSection(state.archive, name, edited));
        } else {
            const Playlist& playlist = saved[static_cast<std::size_t>(which)];
            sections.push_back(
                setListSection(state.archive, item->text(), splitTrackString(playlist.tracks)));
        }
    }
    if (sections.empty()) {
        dialogs.message(parent, QStringLiteral("Tick at least one playlist to print."));
        return;
    }
    SetListOptions options = choices.options();
    options.standName = QFileInfo(toQtPath(state.installation.root())).fileName();

    if (output == SetListOutput::Printer) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(name);
        QPrintDialog printing(&printer, parent);
        if (printing.exec() != QDialog::Accepted)
            return;
        if (!drawSetList(printer, sections, options))
            dialogs.error(parent, QStringLiteral("The set list could not be printed."));
        return;
    }
    // The chooser opens where the last set list went, in this run or an earlier one.
    const QString picker = QStringLiteral("setList");
    const std::optional<std::pair<QString, QString>> chosen = dialogs.askSaveFile(
        parent, QStringLiteral("Save the set list as PDF"),
        inLastFolder(picker, name + QStringLiteral(".pdf")), QStringLiteral("PDF file (*.pdf)"));
    if (!chosen)
        return;
    keepLastFolder(picker, QFileInfo(chosen->first).absolutePath());
    const FileResult written = writeSetListPdf(chosen->first, sections, options);
    if (!written.ok) {
        dialogs.error(
            parent, QStringLiteral("The set list could not be written to %1.\n%2")
                        .arg(QDir::toNativeSeparators(chosen->first), fromCoreText(written.error)));
        return;
    }
    dialogs.message(parent, QStringLiteral("The set list was written to %1.")
                                .arg(QDir::toNativeSeparators(chosen->first)));
}

} // namespace folio
