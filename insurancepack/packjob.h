// An insurance pack made on a worker thread from a copy of the records, so the window that asked
// keeps answering (and the user editing) while photos are read and pages drawn.
#pragma once

#include <atomic>
#include <memory>

#include <QObject>

#include "insurancepack/packcomposer.h"
#include "store/recordstore.h"

class QThread;

namespace InsurancePack {

class Job : public QObject
{
    Q_OBJECT
public:
    // Copies what the pack needs of `store` now; later edits do not reach this pack.
    Job(const RecordStore &store, const QString &databasePath, const QString &folder,
        const Options &options, QObject *parent = nullptr);
    // Cancels a running pack and waits for the worker, which leaves nothing behind.
    ~Job() override;

    void start();
    void cancel();
    bool running() const { return m_running; }
    // The outcome, once finished() was sent.
    const Result &result() const { return m_result; }

Q_SIGNALS:
    void progressed(int permille);
    void finished();

private:
    void deliverProgress();

    RecordStore m_store;
    QString m_databasePath, m_folder;
    Options m_options;
    Result m_result;
    std::atomic_bool m_cancel = false;
    std::atomic_int m_permille = 0;
    std::atomic_bool m_progressQueued = false;
    bool m_running = false;
    std::unique_ptr<QThread> m_thread;
};

} // namespace InsurancePack
