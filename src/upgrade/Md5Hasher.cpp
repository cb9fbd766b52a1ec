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

int Md5Hasher::start(const QString &path)
{
    cancel();
    const int job = ++m_lastJob;
    m_current = job;
    QThread *thread = QThread::create([this, job, path] {
        Result result = Done;
        QString md5;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            result = CannotOpen;
        } else {
            QCryptographicHash hash(QCryptographicHash::Md5);
            std::vector<char> block(static_cast<size_t>(BlockSize));
            for (;;) {
                if (QThread::currentThread()->isInterruptionRequested()) {
                    result = Cancelled;
                    break;
                }
                const qint64 n = file.read(block.data(), BlockSize);
                if (n < 0) {
                    result = ReadError;
                    break;
                }
                if (n == 0)
                    break;
                hash.addData(block.data(), int(n));
            }
            if (result == Done)
                md5 = QString::fromLatin1(hash.result().toHex());
        }
        // Queued to the owner's thread; dropped if the owner is gone, and the
        // owner waits for this thread before it goes.
        QMetaObject::invokeMethod(
            this, [this, job, result, md5] { deliver(job, result, md5); }, Qt::QueuedConnection);
    });
    thread->setParent(this);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    m_thread = thread;
    thread->start();
    return job;
}

void Md5Hasher::cancel()
{
    if (m_thread)
        m_thread->requestInterruption();
    m_thread = nullptr;
    m_current = 0;
}

void Md5Hasher::deliver(int job, Result result, const QString &md5)
{
    if (job != m_current || result == Cancelled)
        return;
    m_current = 0;
    m_thread = nullptr;
    emit finished(job, result, md5);
}
