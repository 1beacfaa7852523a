// The recovery file's timer and the test for unsaved changes.
#include "recordwindow/recoverykeeper.h"

#include <QCryptographicHash>
#include <QDateTime>

RecoveryKeeper::RecoveryKeeper(std::function<QByteArray()> snapshot,
    std::function<QString()> databasePath, const QString &folder, QObject *parent)
    : QObject(parent)
    , m_snapshot(std::move(snapshot))
    , m_databasePath(std::move(databasePath))
    , m_session(folder)
{
    m_timer.setInterval(DefaultIntervalSeconds * 1000);
    connect(&m_timer, &QTimer::timeout, this, &RecoveryKeeper::check);
}

void RecoveryKeeper::setIntervalSeconds(int seconds)
{
    m_timer.setInterval(qMax(1, seconds) * 1000);
}

void RecoveryKeeper::follow()
{
    // Nothing is compared before a database is open, nor after a normal exit began.
    m_following = true;
    if (!m_timer.isActive())
        m_timer.start();
}

QByteArray RecoveryKeeper::fingerprint(const QByteArray &database) const
{
    return QCryptographicHash::hash(database, QCryptographicHash::Sha1);
}

void RecoveryKeeper::markSaved()
{
    follow();
    m_forcedUnsaved = false;
    m_written.clear();
    m_session.discard();
    setUnsaved(false);
    // The fingerprint is taken once the event loop runs again, so opening a large file shows
    // its first record no later; no edit can come in between.
    if (!m_baselinePending) {
        m_baselinePending = true;
        QTimer::singleShot(0, this, [this] {
            if (m_baselinePending)
                takeBaseline();
        });
    }
}

void RecoveryKeeper::takeBaseline()
{
    m_baselinePending = false;
    m_saved = fingerprint(m_snapshot());
}

void RecoveryKeeper::markUnsaved()
{
    follow();
    m_baselinePending = false;
    m_forcedUnsaved = true;
    m_saved.clear();
    m_written.clear();
    check();
}

void RecoveryKeeper::recordsChanged(int count)
{
    if (count > 1)
        check();
}

bool RecoveryKeeper::hasUnsavedChanges()
{
    if (!m_following)
        return false;
    if (m_baselinePending)
        takeBaseline();
    return m_forcedUnsaved || fingerprint(m_snapshot()) != m_saved;
}

void RecoveryKeeper::check()
{
    if (!m_following)
        return;
    if (m_baselinePending)
        takeBaseline();
    const QByteArray database = m_snapshot();
    const QByteArray now = fingerprint(database);
    if (!m_forcedUnsaved && now == m_saved) {
        // Back to what the file holds (an edit typed and taken back): nothing to recover.
        if (!m_written.isEmpty() || m_session.hasFile())
            m_session.discard();
        m_written.clear();
        setUnsaved(false);
        return;
    }
    setUnsaved(true);
    if (now == m_written)
        return;
    const SafeWrite::Result r
        = m_session.write({ m_databasePath(), QDateTime::currentDateTimeUtc(), database });
    if (r.ok()) {
        m_written = now;
        m_lastFailure.clear();
    } else if (r.message != m_lastFailure) {
        // Told once, not every interval, while the data folder stays unwritable.
        m_lastFailure = r.message;
        Q_EMIT writeFailed(r.message);
    }
}

void RecoveryKeeper::discard()
{
    // The program is ending: nothing may write the file again on the way out.
    m_following = false;
    m_timer.stop();
    m_session.discard();
    m_written.clear();
}

void RecoveryKeeper::setUnsaved(bool unsaved)
{
    if (unsaved == m_unsaved)
        return;
    m_unsaved = unsaved;
    Q_EMIT unsavedChanged(unsaved);
}
