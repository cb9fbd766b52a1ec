#include "upgrade/Md5Hasher.h"

#include <QCryptographicHash>
#include <QFile>
#include <QThread>

#include <vector>

Md5Hasher::Md5Hasher(QObject *parent) : QObject(parent) {}

Md5Hasher::~Md5Hasher()
{
    // Job threads are children: each one still here is stopped and waited
    // for before it is deleted with this object.
    const QList<QThread *> threads = findChildren<QThread *>(QString(), Qt::FindDirectChildrenOnly);
    for (QThread *thread : threads)
        thread->requestInterruption();
    for (QThread *thread : threads)
        thread->wait();
}

void Md5Hasher::start(const QString &path)
{
    cancel();
    const int job = ++m_lastJob;
    m_job = job;
    QThread *thread = QThread::create([this, job, path] {
        Result result = Done;
        QCryptographicHash hash(QCryptographicHash::Md5);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            result = CannotOpen;
        } else {
            std::vector<char> block(static_cast<size_t>(BlockSize));
            for (qint64 n = 1; n > 0;) {
                if (QThread::currentThread()->isInterruptionRequested())
                    return; // cancelled: nothing to report
                n = file.read(block.data(), BlockSize);
                if (n < 0)
                    result = ReadError;
                else
                    hash.addData(block.data(), int(n));
            }
        }
        const QString md5 = result == Done ? QString::fromLatin1(hash.result().toHex()) : QString();
        // Queued to the owner's thread; dropped if the owner is gone, and the
        // owner waits for this thread before it goes.
        QMetaObject::invokeMethod(
            this,
            [this, job, result, md5] {
                if (job != m_job)
                    return; // cancelled or replaced meanwhile
                m_job = 0;
                m_thread = nullptr;
                emit finished(result, md5);
            },
            Qt::QueuedConnection);
    });
    thread->setParent(this);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    m_thread = thread;
    thread->start();
}

void Md5Hasher::cancel()
{
    if (m_thread)
        m_thread->requestInterruption();
    m_thread = nullptr;
    m_job = 0;
}
