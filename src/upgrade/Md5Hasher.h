#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QThread;

// Computes the MD5 of a file on a worker thread, reading it in blocks of
// BlockSize bytes, so a package of several GiB on a slow disk never freezes
// the interface. The result comes back on the thread that owns this object.
class Md5Hasher : public QObject
{
    Q_OBJECT
public:
    // Small enough to stay below the allocator's mapping threshold: a block
    // of a megabyte stayed resident in each worker thread's heap after every
    // upgrade.
    static constexpr qint64 BlockSize = 65536;

    enum Result { Done, CannotOpen, ReadError };
    Q_ENUM(Result)

    explicit Md5Hasher(QObject *parent = nullptr);
    // Stops any running job and waits for its thread.
    ~Md5Hasher() override;

    // Starts hashing `path`. A job still running is cancelled first: only the
    // newest job reports.
    void start(const QString &path);
    // Stops the running job; it reports nothing.
    void cancel();

signals:
    // `md5` is 32 lower-case hexadecimal characters when `result` is Done.
    void finished(Md5Hasher::Result result, const QString &md5);

private:
    int m_job = 0; // of the job that may report; 0 = none
    int m_lastJob = 0;
    QPointer<QThread> m_thread; // of the current job
};
