// Keeps the recovery file of the open database while it has unsaved changes: at most every
// interval on a timer, and at once after a step that changed more than one record.
#pragma once

#include <functional>

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include "recovery/recoveryfile.h"

class RecoveryKeeper : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultIntervalSeconds = 30;

    // snapshot gives the database as Save would write it now; databasePath its file name.
    RecoveryKeeper(std::function<QByteArray()> snapshot, std::function<QString()> databasePath,
        const QString &folder = Recovery::defaultFolder(), QObject *parent = nullptr);

    void setIntervalSeconds(int seconds);
    int intervalSeconds() const { return m_timer.interval() / 1000; }

    // The database now equals its file (opened, saved, made new): no unsaved changes.
    void markSaved();
    // The database differs from any file whatever it holds (a recovered database, an earlier
    // version opened as a copy), until the next markSaved().
    void markUnsaved();
    // A step that changed more than one record: its changes are written to the recovery file now.
    void recordsChanged(int count);
    // Whether the database differs from its file. Today this compares the database with what
    // it was when last opened or saved; an undo history's clean state can answer it instead.
    bool hasUnsavedChanges();
    // Writes the recovery file when there are unsaved changes not yet in it, and removes it
    // when there are none.
    void check();
    // A normal exit: the recovery file goes, and nothing writes it again.
    void discard();

    // The last answer given or signalled, without looking at the database again.
    bool unsaved() const { return m_unsaved; }
    QString filePath() const { return m_session.filePath(); }
    bool hasFile() const { return m_session.hasFile(); }

Q_SIGNALS:
    // The answer of hasUnsavedChanges() changed (the window marks its title).
    void unsavedChanged(bool unsaved);
    // The recovery file could not be written; the message says why.
    void writeFailed(const QString &message);

private:
    QByteArray fingerprint(const QByteArray &database) const;
    void takeBaseline();
    void setUnsaved(bool unsaved);
    void follow();

    std::function<QByteArray()> m_snapshot;
    std::function<QString()> m_databasePath;
    Recovery::Session m_session;
    QTimer m_timer;
    QByteArray m_saved; // fingerprint of the database as last opened or saved
    QByteArray m_written; // fingerprint of what the recovery file holds
    bool m_following = false; // from the first open database to a normal exit
    bool m_baselinePending = false;
    bool m_forcedUnsaved = false;
    bool m_unsaved = false;
    QString m_lastFailure;
};
