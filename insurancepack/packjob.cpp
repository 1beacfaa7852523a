// The insurance pack's worker thread.
#include "insurancepack/packjob.h"

#include <QThread>

namespace InsurancePack {

Job::Job(const RecordStore &store, const QString &databasePath, const QString &folder,
    const Options &options, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_databasePath(databasePath)
    , m_folder(folder)
    , m_options(options)
{
    // The window's records are edited in place: the worker gets records of its own. Their
    // texts are shared until either side changes one, so the copy costs little.
    std::vector<RecordPtr> &records = m_store.records();
    std::erase_if(
        records, [&](const RecordPtr &r) { return options.searchListOnly && !r->OnSearchList; });
    for (RecordPtr &r : records)
        r = std::make_shared<ItemRecord>(*r);
}

Job::~Job()
{
    if (m_thread) {
        m_cancel = true;
        m_thread->wait();
    }
}

void Job::start()
{
    if (m_thread)
        return;
    m_running = true;
    m_thread.reset(QThread::create([this] {
        m_result = make(
            m_store, m_databasePath, m_folder, m_options,
            [this](int permille) {
                m_permille = permille;
                // One delivery waiting at a time: the window shows the latest figure.
                if (!m_progressQueued.exchange(true))
                    QMetaObject::invokeMethod(this, &Job::deliverProgress, Qt::QueuedConnection);
            },
            &m_cancel);
    }));
    m_thread->setObjectName(QStringLiteral("Insurance pack"));
    connect(m_thread.get(), &QThread::finished, this, [this] {
        m_running = false;
        emit finished();
    });
    m_thread->start();
}

void Job::cancel()
{
    m_cancel = true;
}

void Job::deliverProgress()
{
    m_progressQueued = false;
    emit progressed(m_permille);
}

} // namespace InsurancePack
