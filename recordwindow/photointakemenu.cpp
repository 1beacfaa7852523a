// Utilities > New Records from Photos: the folder, the preview, then the records.
#include "recordwindow/tview.h"

#include "store/editcommands.h"

#include <QProgressDialog>

#include "intake/photointakewindow.h"
#include "platform/clock.h"
#include "platform/dialogs.h"

void TView::NewRecordsFromPhotos1Click()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    if (m_ctx.store.currentIndex >= 0)
        storeCurrent();
    FileDialogOptions options;
    options.title = QStringLiteral("New Records from Photos");
    const QString folder = m_ctx.dialogs.folderName(options);
    if (folder.isEmpty())
        return;
    PhotoIntakeWindow window(m_ctx.store, this);
    window.setDialogs(&m_ctx.dialogs);
    {
        QProgressDialog progress(
            QStringLiteral("Reading photos..."), QStringLiteral("Cancel"), 0, 0, this);
        progress.setObjectName(QStringLiteral("PhotoIntakeProgress"));
        makeRoomForTitle(progress);
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(500);
        const bool read = window.read(folder, [&progress](int done, int total) {
            if (progress.maximum() != total)
                progress.setMaximum(total);
            progress.setValue(done);
            return !progress.wasCanceled();
        });
        if (!read)
            return;
    }
    runModal(window);
    if (window.result() != QDialog::Accepted)
        return;
    const int first = m_ctx.store.count();
    const int added = PhotoIntake::addRecords(m_ctx.store, window.proposals(), m_ctx.clock.today(),
        [this](int bound) { return m_ctx.clock.random(bound); });
    if (added == 0)
        return;
    m_ctx.history->pushDone(InsertRecordsCommand::appended(
        m_ctx.store, first, QStringLiteral("New Records from Photos")));
    // The first new record is on show before the outcome is told.
    GetRecord(first);
    setDeleteEnabled(m_ctx.store.count() > 1);
    recordsChanged(added);
    m_ctx.dialogs.status(this,
        added == 1 ? QStringLiteral("1 record added")
                   : QStringLiteral("%1 records added").arg(added));
}
