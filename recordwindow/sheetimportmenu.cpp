// File > Import Spreadsheet: the file, the mapping window, then the records in one step.
#include "recordwindow/tview.h"

#include "store/editcommands.h"

#include "app/quickfindbox.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "sheetimport/sheetimportwindow.h"

void TView::ImportSpreadsheetClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    FileDialogOptions options;
    options.title = QStringLiteral("Import Spreadsheet");
    options.filter
        = QStringLiteral("Spreadsheets|*.csv;*.tsv;*.txt;*.tab;*.xlsx;*.ods|All Files|*");
    options.mustExist = true;
    const QString path = m_ctx.dialogs.openFileName(options);
    if (path.isEmpty())
        return;
    if (m_ctx.store.currentIndex >= 0)
        storeCurrent();
    SheetImport::SheetImportWindow window(
        m_ctx.store, m_ctx.dialogs, m_ctx.clock.today(),
        [this](int bound) { return m_ctx.clock.random(bound); }, this);
    if (!window.open(path)) {
        if (!window.errorText().isEmpty()) // else the reading was cancelled
            m_ctx.dialogs.error(window.errorText());
        return;
    }
    runModal(window);
    if (window.result() != QDialog::Accepted)
        return;
    RecordStore &store = m_ctx.store;
    const bool wasOpen = store.databaseOpen;
    if (!wasOpen) {
        store.clear();
        store.databaseOpen = true;
        m_ctx.history->clear(); // the steps belonged to no database
    }
    const int first = store.count();
    CategoryState before = CategoryState::of(store);
    const int added = SheetImport::appendImportedRecords(store, window.takeResult());
    if (added > 0) {
        // One step for the whole import: Undo takes back every record and every new category.
        auto step
            = InsertRecordsCommand::appended(store, first, QStringLiteral("Import Spreadsheet"));
        step->setCategories(std::move(before), CategoryState::of(store));
        m_ctx.history->pushDone(std::move(step));
    }
    if (!wasOpen) {
        // The store was opened empty: the controls held no record of it.
        m_shown.reset();
        store.currentIndex = -1;
        setSaveEnabled(true);
    }
    store.searchRefresh = true;
    // Trees may have gained nodes: the pick menus show them.
    for (int k = 1; k <= 10; ++k)
        MakeMenu(k);
    if (added > 0) {
        // The first new record is on show before the outcome is told.
        store.currentIndex = first;
        GetRecord(first);
        setDeleteEnabled(store.count() > 1);
        recordsChanged(added);
        m_findBox->refresh(); // the count takes the appended records
    }
    m_ctx.dialogs.status(this,
        added == 1 ? QStringLiteral("1 record imported.")
                   : QStringLiteral("%1 records imported.").arg(added));
}
