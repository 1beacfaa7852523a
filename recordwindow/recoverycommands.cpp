// The record window's side of crash recovery and earlier versions: the snapshot with the shown
// record's edits, the offer at start-up and File > Open Earlier Version.
#include "recordwindow/tview.h"

#include <QFile>
#include <QLocale>

#include "app/quickfindbox.h"
#include "platform/dialogs.h"
#include "recordwindow/earlierversiondialog.h"
#include "recordwindow/recoverykeeper.h"
#include "recovery/earlierversions.h"
#include "recovery/recoveryfile.h"
#include "store/datafile.h"

namespace {

QString whenText(const QDateTime &when)
{
    return QLocale().toString(when.toLocalTime(), QLocale::LongFormat);
}

QString databaseText(const QString &path)
{
    return path.isEmpty() ? QStringLiteral("an untitled database") : path;
}

// A damaged file is put aside under a name of its own, so that it is not offered again and
// nothing of it is lost.
void putAside(const Recovery::Orphan &orphan)
{
    if (!QFile::rename(orphan.path, orphan.path + QStringLiteral(".damaged")))
        Recovery::discard(orphan);
}

} // namespace

bool TView::hasUnsavedChanges()
{
    return m_recovery->hasUnsavedChanges();
}

void TView::recordsChanged(int count)
{
    m_recovery->recordsChanged(count);
}

QByteArray TView::recoverySnapshot()
{
    RecordStore &store = m_ctx.store;
    const int i = store.currentIndex;
    if (!m_shown || i < 0 || i >= store.count() || store.shared(i) != m_shown)
        return DataFile::encodeDatabase(store);
    // The boxes' edits count as the user's, though they reach the record only when the window
    // loses activation: the snapshot takes an edited copy in the record's place for a moment.
    RecordPtr edited = std::make_shared<ItemRecord>(*m_shown);
    fillFromControls(*edited);
    if (*edited == *m_shown)
        return DataFile::encodeDatabase(store);
    std::swap(store.records()[size_t(i)], edited);
    const QByteArray bytes = DataFile::encodeDatabase(store);
    std::swap(store.records()[size_t(i)], edited);
    return bytes;
}

bool TView::offerRecovery()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    for (const Recovery::Orphan &orphan : Recovery::orphans()) {
        Recovery::ReadResult read;
        if (orphan.readable) {
            const int choice = m_ctx.dialogs.askChoice(
                QStringLiteral(
                    "Larkspur Cataloguer ended without saving the changes to %1. They were "
                    "kept as they were at %2.\n\nRecover them now, discard them, or decide "
                    "at the next start?")
                    .arg(databaseText(orphan.databasePath), whenText(orphan.savedAt)),
                { QStringLiteral("Recover"), QStringLiteral("Discard"), QStringLiteral("Later") });
            if (choice == 1) {
                Recovery::discard(orphan);
                continue;
            }
            if (choice != 0)
                continue;
            read = Recovery::read(orphan.path);
        } else {
            read.message = Recovery::read(orphan.path).message;
        }
        if (!read.ok) {
            m_ctx.dialogs.error(read.message);
            putAside(orphan);
            continue;
        }
        RecordStore &store = m_ctx.store;
        if (!Recovery::load(read.snapshot, store)) {
            putAside(orphan);
            continue;
        }
        store.fileName = read.snapshot.databasePath;
        store.databaseOpen = true;
        store.currentIndex = 0;
        m_recoveredFrom = orphan.path;
        m_ctx.dialogs.status(this,
            QStringLiteral("Recovered the changes to %1 from %2. Save to keep them.")
                .arg(databaseText(store.fileName), whenText(read.snapshot.savedAt)));
        return true; // one database at a time; any others wait for the next start
    }
    return false;
}

void TView::OpenEarlierVersionClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    const QString path = m_ctx.store.fileName;
    if (path.isEmpty()) {
        m_ctx.dialogs.information(
            QStringLiteral("This database has not been saved yet, so it has no earlier versions."));
        return;
    }
    const QList<EarlierVersions::Version> versions = EarlierVersions::list(path);
    if (versions.isEmpty()) {
        m_ctx.dialogs.information(QStringLiteral("No earlier version of %1 is kept yet. Each save "
                                                 "keeps the version it replaces.")
                                      .arg(path));
        return;
    }
    EarlierVersionDialog dialog(path, versions, this);
    runModal(dialog);
    if (dialog.result() != QDialog::Accepted || dialog.chosen() < 0)
        return;
    openEarlierVersion(versions[dialog.chosen()]);
}

bool TView::openEarlierVersion(const EarlierVersions::Version &version)
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    storeCurrent();
    if (hasUnsavedChanges() && !confirmLoad())
        return false;
    RecordStore &store = m_ctx.store;
    const QString from = store.fileName;
    // The store changes only when the whole version reads.
    const DataFile::ReadResult r = DataFile::readDatabase(version.path, store, false);
    if (!r.ok()) {
        m_ctx.dialogs.error(r.outcome == DataFile::ReadOutcome::CannotOpen
                ? r.message
                : version.path + QStringLiteral(" is not a valid Larkspur Cataloguer file."));
        return false;
    }
    // An unsaved copy: Save asks where it goes, so the file it came from stays as it is.
    store.fileName.clear();
    store.databaseOpen = true;
    m_shown.reset();
    setSaveEnabled(false);
    m_mergeAction->setEnabled(true);
    store.searchRefresh = true;
    store.currentIndex = 0;
    GetRecord(0);
    m_findBox->prepareIndex();
    m_recovery->markUnsaved();
    updateTitle();
    m_ctx.dialogs.status(this,
        QStringLiteral("Opened the version of %1 from %2 as an unsaved copy.")
            .arg(from, whenText(version.when)));
    return true;
}
