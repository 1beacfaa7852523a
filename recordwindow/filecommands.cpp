// The record window's start-up activation, File menu, exit questions and settings.
#include "recordwindow/tview.h"

#include <utility>

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/clock.h"
#include "app/quickfindbox.h"
#include "platform/windowsize.h"
#include "platform/dialogs.h"
#include "platform/programfolder.h"
#include "platform/settingsstore.h"
#include "store/samplecatalogue.h"
#include "recordwindow/about.h"
#include "recordwindow/descriptionpage.h"
#include "recordwindow/recoverykeeper.h"
#include "recovery/earlierversions.h"
#include "recovery/recoveryfile.h"
#include "store/csvfile.h"
#include "store/datafile.h"
#include "store/safewrite.h"
#include "store/editcommands.h"

namespace {

const QString ProductName = QStringLiteral("Larkspur Cataloguer");
const QString LoadAnyway = QStringLiteral("Changes made since last save will be lost. Load anyway ?");

FileDialogOptions databaseDialog(const QString &folder, const QString &title, bool mustExist)
{
    FileDialogOptions o;
    o.title = title;
    o.folder = folder;
    o.filter = QStringLiteral("Larkspur Cataloguer File|*.dat");
    o.defaultSuffix = QStringLiteral("dat");
    o.mustExist = mustExist;
    return o;
}

} // namespace

void TView::resetCaptionsAndCategories()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    m_ctx.store.captions = FieldCaptions::defaults();
    const QStringList problems = DataFile::loadDefaultCategoryTexts(m_ctx.folder.path(), m_ctx.store);
    // A damaged default file is worth telling; a missing one just leaves its category empty.
    for (const QString &message : problems)
        if (!message.startsWith(QStringLiteral("Cannot open file")))
            m_ctx.dialogs.error(message);
}

void TView::FormActivate()
{
    const bool backFromOwnDialog = std::exchange(m_awayForOwnDialog, false);
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    RecordStore &store = m_ctx.store;
    const bool firstActivation = !m_firstActivationDone;
    bool recovered = false;
    if (!m_firstActivationDone) {
        store.fileName = m_ctx.settings.readString(QStringLiteral("LAST FILE"), QString());
        store.resetSpreadsheetColumns();
        m_shortDescAction->setChecked(m_ctx.settings.readBool(QStringLiteral("DESCSTATE"), false));
        bool read = false;
        // Work a crash left unsaved comes before the file the user would otherwise open.
        recovered = offerRecovery();
        if (recovered) {
            read = true;
        } else if (!m_startupFile.isEmpty()) {
            // A file named on the command line is opened straight away, like Open.
            store.fileName = QFileInfo(m_startupFile).absoluteFilePath();
            bool cancelled = false;
            const DataFile::ReadResult r = openDatabaseFile(store.fileName, cancelled);
            if (cancelled) {
                store.fileName.clear();
            } else if (r.ok() || offerKeptCopy(store.fileName)) {
                read = true;
                store.databaseOpen = true;
                m_mergeAction->setEnabled(true);
                if (m_startupIsSample)
                    m_ctx.dialogs.status(this, sampleNote());
                if (!m_startupKeptSample.isEmpty())
                    tellKeptSample(m_startupKeptSample);
            } else {
                m_ctx.dialogs.error(r.outcome == DataFile::ReadOutcome::CannotOpen
                        ? r.message
                        : QStringLiteral("Sorry ") + store.fileName
                            + QStringLiteral(" is not valid file.  No file loaded"));
                store.fileName.clear();
            }
        } else if (!store.fileName.isEmpty()) {
            const QString name = store.fileName;
            if (m_ctx.dialogs.askYesNo(QStringLiteral("Would you like to load the file ") + name
                    + QStringLiteral(" ?"))
                == Dialogs::Answer::No) {
                store.fileName.clear();
            } else {
                bool cancelled = false;
                const DataFile::ReadResult r = openDatabaseFile(name, cancelled);
                if (!cancelled && (r.ok() || offerKeptCopy(name))) {
                    if (r.ok())
                        m_ctx.dialogs.status(this, name + QStringLiteral(" Loaded."));
                    store.databaseOpen = true;
                    read = true;
                } else {
                    if (!cancelled && r.outcome != DataFile::ReadOutcome::CannotOpen)
                        m_ctx.dialogs.error(QStringLiteral("Sorry ") + name
                            + QStringLiteral(" is not valid file.  No file loaded"));
                    store.fileName.clear();
                }
            }
        }
        m_ctx.history->clear();
        if (read) {
            setSaveEnabled(!store.fileName.isEmpty());
            m_findBox->prepareIndex();
        }
        m_firstActivationDone = true;
        store.searchRefresh = true;
        store.currentIndex = -1;
        show();
    }

    applyCaptions();
    refreshWindowCommands();
    for (int k = 1; k <= 10; ++k)
        MakeMenu(k);
    updateSortCaptions();
    m_clipboard.reset();
    setInsertEnabled(false);

    if (store.databaseOpen && !store.isEmpty()) {
        if (store.currentIndex < 0 || store.currentIndex >= store.count())
            store.currentIndex = 0;
        GetRecord(store.currentIndex);
        // Words typed in another window's Find box may hide this record.
        if (!backFromOwnDialog)
            QuickFindChange();
    } else {
        store.clear();
        m_shown.reset();
        store.currentIndex = -1;
        appendNewRecord();
        store.fileName.clear();
        store.databaseOpen = true;
        updateTitle();
    }
    if (store.count() > 1)
        setDeleteEnabled(true);
    if (firstActivation) {
        if (recovered) {
            updateTitle();
            // Ours holds the recovered work now, so the file it came from can go.
            m_recovery->markUnsaved();
            if (m_recovery->hasFile())
                Recovery::discard({ m_recoveredFrom });
        } else {
            m_recovery->markSaved();
        }
    }
    // The words and their count, for the records as they now are (a new database included).
    m_findBox->refresh();
}

void TView::FormDeactivate()
{
    // A dialog opening while this window is active belongs to one of its commands.
    m_awayForOwnDialog = m_ctx.activation.modalOpen();
    storeCurrent();
}

void TView::resetToNewDatabase()
{
    RecordStore &store = m_ctx.store;
    store.databaseOpen = false;
    store.fileName.clear();
    store.clear();
    m_shown.reset();
    setSaveEnabled(false);
    store.currentIndex = -1;
    m_session.close();
    updateTitle();
    resetCaptionsAndCategories();
    m_ctx.history->clear();
    FormActivate();
    m_recovery->markSaved();
    updateTitle();
}

void TView::NewClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    const Dialogs::Answer a = m_ctx.dialogs.askYesNoCancel(
        QStringLiteral("Would you like to save the current database before you create a new one ?"));
    if (a == Dialogs::Answer::Cancel)
        return;
    if (a == Dialogs::Answer::Yes) {
        const bool saved = m_saveEnabled ? SaveClick() : SaveAsClick();
        // A save that was tried and failed keeps the database rather than discarding it unsaved.
        if (!saved && m_lastWriteFailed)
            return;
    }
    resetToNewDatabase();
}

DataFile::ReadResult TView::openDatabaseFile(const QString &path, bool &cancelled)
{
    cancelled = false;
    bool readOnly = false;
    if (!m_session.holds(path) && DatabaseSession::openElsewhere(path)) {
        switch (m_ctx.dialogs.askChoice(path
                + QStringLiteral(" is open in another program.\n\nOpen it read-only, or open it "
                                 "anyway? Saving it then can overwrite what the other program "
                                 "saves, or be overwritten by it."),
            QStringLiteral("Open Read-Only"), QStringLiteral("Open Anyway"))) {
        case Dialogs::Answer::Yes:
            readOnly = true;
            break;
        case Dialogs::Answer::No:
            break;
        case Dialogs::Answer::Cancel:
            cancelled = true;
            return {};
        }
    }
    return m_session.read(path, m_ctx.store, readOnly);
}

bool TView::offerKeptCopy(const QString &path)
{
    const QString kept = SafeWrite::keptCopyOf(path);
    if (kept.isEmpty())
        return false;
    if (m_ctx.dialogs.askYesNo(path + QStringLiteral(" is not a valid ") + ProductName
            + QStringLiteral(" file.\n\nA save that was stopped half-way kept the file as it was "
                             "before in\n")
            + kept + QStringLiteral("\n\nOpen that copy ? Saving then puts it back in its place."))
        == Dialogs::Answer::No)
        return false;
    if (!DataFile::readDatabase(kept, m_ctx.store, false).ok())
        return false;
    // Saving writes the copy's records over the damaged file, which is known to differ.
    m_session.adoptAsItIs(path);
    return true;
}

bool TView::confirmLoad()
{
    return m_ctx.dialogs.askYesNo(LoadAnyway) == Dialogs::Answer::Yes;
}

bool TView::OpenClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    RecordStore &store = m_ctx.store;
    if (store.databaseOpen && !m_mergeMode && !confirmLoad())
        return false;
    const QString path = m_ctx.dialogs.openFileName(databaseDialog(m_ctx.folder.path(),
        m_mergeMode ? QStringLiteral("Merge with File") : QStringLiteral("Load a Database"), true));
    if (path.isEmpty())
        return false;

    const int before = store.count();
    if (m_mergeMode) {
        const std::optional<FieldCaptions> theirs = DataFile::readCaptionsOnly(path);
        if (!theirs || !(*theirs == store.captions)) {
            m_ctx.dialogs.information(
                QStringLiteral("Sorry, the files could not be merged since they are incompatiable."));
            return false;
        }
        // A merge that fails to read keeps the open database as it was.
        storeCurrent();
        const int first = store.count();
        CategoryState before = CategoryState::of(store);
        const DataFile::ReadResult r = DataFile::readDatabase(path, store, true);
        if (!r.ok()) {
            m_ctx.dialogs.error(r.outcome == DataFile::ReadOutcome::CannotOpen
                    ? r.message
                    : path + QStringLiteral(" is not a valid ") + ProductName
                        + QStringLiteral(" file.  Nothing was merged."));
            return false;
        }
        const int added = store.count() - first;
        auto step = InsertRecordsCommand::appended(store, first,
            added == 1 ? QStringLiteral("Merge of 1 record")
                       : QStringLiteral("Merge of %1 records").arg(added));
        step->setCategories(std::move(before), CategoryState::of(store));
        m_ctx.history->pushDone(std::move(step));
    } else {
        return loadDatabase(path, path + QStringLiteral(" Loaded."));
    }
    showOpened(QStringLiteral("Merge Sucessful !."));
    recordsChanged(store.count() - before);
    return true;
}

bool TView::loadDatabase(const QString &path, const QString &outcome)
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    RecordStore &store = m_ctx.store;
    storeCurrent();
    bool cancelled = false;
    const DataFile::ReadResult r = openDatabaseFile(path, cancelled);
    if (cancelled)
        return false;
    if (r.outcome == DataFile::ReadOutcome::CannotOpen) {
        // Nothing was read: the open database stays as it was.
        m_ctx.dialogs.error(r.message);
        return false;
    }
    if (!r.ok() && offerKeptCopy(path)) {
        store.fileName = path;
        m_shown.reset();
        store.currentIndex = -1;
        showOpened(QStringLiteral("Opened the copy kept of ") + path
            + QStringLiteral("; Save puts it back."));
        return true;
    }
    store.fileName = path;
    if (!r.ok()) {
        m_ctx.dialogs.error(path + QStringLiteral(" is not a valid ") + ProductName
            + QStringLiteral(" file.  New file created."));
        resetToNewDatabase();
        return false;
    }
    // The controls still hold the old database's record: never store them into the new one.
    m_shown.reset();
    m_ctx.history->clear();
    store.currentIndex = -1;
    showOpened(outcome);
    m_recovery->markSaved();
    return true;
}

void TView::showOpened(const QString &outcome)
{
    RecordStore &store = m_ctx.store;
    updateTitle();
    setSaveEnabled(true);
    m_mergeAction->setEnabled(true);
    store.searchRefresh = true;
    m_ctx.dialogs.status(this, outcome);
    store.currentIndex = 0;
    GetRecord(0);
    // The Find box's words apply to the records read: a match is shown and the count is theirs.
    QuickFindChange();
    m_findBox->refresh();
    m_findBox->prepareIndex();
}

void TView::OpenSampleCatalogue1Click()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    if (m_ctx.store.databaseOpen && !confirmLoad())
        return;
    const SampleCatalogue::CopyResult copy = SampleCatalogue::copy(
        SampleCatalogue::shippedFolder(m_ctx.folder.dataPath()), SampleCatalogue::userFolder());
    if (!copy.ok) {
        m_ctx.dialogs.error(copy.message);
        return;
    }
    if (loadDatabase(copy.path, sampleNote()) && !copy.kept.isEmpty())
        tellKeptSample(copy.kept);
}

void TView::tellKeptSample(const QString &kept)
{
    m_ctx.dialogs.information(
        QStringLiteral("Your earlier copy of the sample catalogue, with the changes saved in it, "
                       "was kept in %1.")
            .arg(QDir::toNativeSeparators(kept)));
}

QString TView::sampleNote()
{
    return QStringLiteral(
        "This is a copy of the sample catalogue. File > New starts an empty database of your own.");
}

void TView::MergeClick()
{
    m_mergeMode = true;
    OpenClick();
    m_mergeMode = false;
}

bool TView::writeTo(const QString &path)
{
    const EarlierVersions::KeepResult kept = EarlierVersions::keep(path);
    const DataFile::WriteResult w = m_session.write(path, m_ctx.store);
    m_lastWriteFailed = !w.ok;
    if (!w.ok) {
        m_ctx.dialogs.error(w.message);
        return false;
    }
    m_ctx.history->markSaved();
    m_recovery->markSaved();
    if (!kept.message.isEmpty())
        m_ctx.dialogs.status(this,
            QStringLiteral("Saved, but the version it replaced could not be "
                           "kept: ")
                + kept.message);
    return true;
}

bool TView::SaveClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    return saveOpenFile(this);
}

bool TView::saveOpenFile(QWidget *window)
{
    const QString &path = m_ctx.store.fileName;
    // An untitled database (New, then Merge) has nowhere to go yet; one opened read-only is
    // never written over.
    if (path.isEmpty() || (m_session.readOnly() && m_session.holds(path)))
        return SaveAsClick();
    m_ctx.windows.commitEdits(); // this window's boxes and every other window's open edit
    if (m_session.holds(path) && !m_session.unchangedOnDisk()) {
        switch (m_ctx.dialogs.askChoice(path
                + QStringLiteral(" was changed by another program since it was opened here.\n\n"
                                 "Save anyway (the other program's changes are lost), or save "
                                 "under another name?"),
            QStringLiteral("Save Anyway"), QStringLiteral("Save As..."))) {
        case Dialogs::Answer::Yes:
            break;
        case Dialogs::Answer::No:
            if (SaveAsClick())
                return true;
            m_lastWriteFailed = true; // not saved: nothing may be discarded now
            return false;
        case Dialogs::Answer::Cancel:
            m_lastWriteFailed = true;
            return false;
        }
    }
    if (!writeTo(path))
        return false;
    m_ctx.dialogs.status(window, QStringLiteral("File Saved"));
    return true;
}

void TView::ExportClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    FileDialogOptions options;
    options.filter = QStringLiteral("CSV File|*.csv");
    const QString path = m_ctx.dialogs.saveFileName(options);
    if (path.isEmpty())
        return;
    storeCurrent();
    QString error;
    if (!CsvFile::exportFile(path, m_ctx.store, &error)) {
        m_ctx.dialogs.error(error);
        return;
    }
    m_ctx.dialogs.information(QStringLiteral("Export Successful."));
}

void TView::ImportExportedClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    FileDialogOptions options;
    options.title = QStringLiteral("Import Exported File");
    options.filter = QStringLiteral("CSV File|*.csv");
    options.mustExist = true;
    const QString path = m_ctx.dialogs.openFileName(options);
    if (path.isEmpty())
        return;
    storeCurrent();
    RecordStore &store = m_ctx.store;
    const bool wasOpen = store.databaseOpen;
    const int first = store.count();
    const CsvFile::ImportResult r = CsvFile::importExportedFile(path, store, m_ctx.clock.today());
    if (!r.ok) {
        m_ctx.dialogs.error(r.message); // nothing was appended
        return;
    }
    if (!wasOpen) {
        // The store was opened empty: the controls held no record of it.
        m_shown.reset();
        store.currentIndex = -1;
        setSaveEnabled(true);
        m_ctx.history->clear();
    } else if (r.added > 0) {
        m_ctx.history->pushDone(
            InsertRecordsCommand::appended(store, first, QStringLiteral("Import Exported File")));
    }
    store.searchRefresh = true;
    // The first new record is shown before anything else can store the controls over it.
    if (r.added > 0) {
        store.currentIndex = wasOpen ? first : 0;
        GetRecord(store.currentIndex);
    }
    recordsChanged(r.added);
    m_findBox->refresh(); // the count takes the appended records
    m_ctx.dialogs.status(this, r.added == 1 ? QStringLiteral("1 record appended.")
                                            : QStringLiteral("%1 records appended.").arg(r.added));
}

bool TView::SaveAsClick()
{
    m_lastWriteFailed = false;
    QString path;
    for (;;) {
        path = m_ctx.dialogs.saveFileName(databaseDialog(m_ctx.folder.path(), QStringLiteral("Save As"), false));
        if (path.isEmpty())
            return false;
        // Only the file name decides: a full stop in a folder name is no extension.
        if (!QFileInfo(path).fileName().contains(u'.'))
            path += QStringLiteral(".dat");
        if (!QFile::exists(path))
            break;
        if (m_ctx.dialogs.askYesNo(path + QStringLiteral(" already exists.  Do you want to overwrite it ?"))
            == Dialogs::Answer::Yes)
            break;
    }
    m_ctx.windows.commitEdits();
    // The database takes the new name only once it is really written there.
    if (!writeTo(path))
        return false;
    m_ctx.store.fileName = path;
    setSaveEnabled(true);
    updateTitle();
    m_ctx.dialogs.status(this, QStringLiteral("File Saved as ") + path);
    return true;
}

bool TView::exitQuestions()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    for (;;) {
        const Dialogs::Answer a = m_ctx.dialogs.askYesNoCancel(QStringLiteral(
            "Changes made since last save will be lost. Would you like to save before exiting ?"));
        if (a == Dialogs::Answer::Cancel)
            return false;
        if (a == Dialogs::Answer::No)
            break;
        // Leave only once the database is really written somewhere.
        const bool saved = m_ctx.store.fileName.isEmpty() ? SaveAsClick() : SaveClick();
        if (saved)
            break;
    }
    saveSettings();
    storeCurrent();
    // Leaving, saved or not by the user's choice: nothing is left to recover.
    m_recovery->discard();
    return true;
}

void TView::saveSettings()
{
    SettingsStore &s = m_ctx.settings;
    s.writeString(QStringLiteral("LAST FILE"), m_ctx.store.fileName);
    for (int n = 0; n < RecordStore::SpreadsheetColumns; ++n) {
        s.writeInteger(QStringLiteral("SPREADSHEET:") + QString::number(n), m_ctx.store.columnOrder[size_t(n)]);
        s.writeInteger(QStringLiteral("SPREADSHEET SIZE:") + QString::number(n),
            m_ctx.store.columnWidths[size_t(n)]);
    }
    s.writeBool(QStringLiteral("DESCSTATE"), shortDescriptionValues());
}

void TView::CloseClick()
{
    if (!exitQuestions())
        return;
    m_closing = true;
    for (const char *page : { "rphtml.htm", "go.htm" }) {
        const QString p = m_ctx.folder.filePath(QString::fromLatin1(page));
        if (QFile::exists(p))
            QFile::remove(p);
    }
    close();
    Q_EMIT quitRequested();
}

void TView::closeEvent(QCloseEvent *event)
{
    if (m_closing) {
        event->accept();
        return;
    }
    if (!exitQuestions()) {
        event->ignore();
        return;
    }
    WindowSize::save(this, m_ctx.settings, QStringLiteral("ViewW:"), QStringLiteral("ViewH:"));
    m_closing = true;
    event->accept();
    Q_EMIT quitRequested();
}

void TView::AboutClick()
{
    AboutBox box(this);
    runModal(box);
}
