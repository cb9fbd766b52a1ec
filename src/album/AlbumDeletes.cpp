#include "album/AlbumDeletes.h"

#include "album/AlbumText.h"
#include "album/DeleteAckBarrier.h"
#include "album/MediaListParser.h"
#include "commands/GimbalController.h"

AlbumDeletes::AlbumDeletes(GimbalController *controller, int barrierMs, QObject *parent)
    : QObject(parent), m_controller(controller), m_barrier(new DeleteAckBarrier(barrierMs, this))
{
    connect(m_barrier, &DeleteAckBarrier::pendingChanged, this, &AlbumDeletes::onBarrierPending);
    connect(m_barrier, &DeleteAckBarrier::timedOut, this, [this] {
        emit expired(albumText("Previous delete acknowledgement expired; delete is available again",
                               "上一次删除确认已超时，可重新删除"));
    });
}

bool AlbumDeletes::awaitingLateAnswer() const
{
    return m_barrier->pending();
}

void AlbumDeletes::setDeleting(bool on)
{
    if (m_deleting == on)
        return;
    m_deleting = on;
    emit deletingChanged();
}

void AlbumDeletes::start(const QStringList &paths)
{
    if (m_deleting || m_barrier->pending())
        return;
    QStringList queue;
    for (const QString &path : paths)
        if (!path.isEmpty() && !queue.contains(path))
            queue.append(path);
    if (queue.isEmpty())
        return;
    m_queue = queue;
    m_succeeded = m_failed = 0;
    setDeleting(true);
    emit pumpNow();
}

void AlbumDeletes::next()
{
    if (!m_current.isEmpty())
        return;
    if (m_queue.isEmpty()) {
        if (!m_deleting)
            return;
        setDeleting(false);
        emit status(albumText("Delete finished: %1 succeeded, %2 failed",
                              "删除完成：成功 %1，失败 %2", m_succeeded, m_failed));
        emit pumpNow();
        return;
    }
    m_current = m_queue.takeFirst();
    emit aboutToDelete(m_current);
    emit status(albumText("Deleting: %1", "正在删除: %1", MediaListParser::fileName(m_current)));
    if (m_controller)
        m_controller->mediaFileDelete(m_current);
}

void AlbumDeletes::onAnswer(quint16 code, bool albumOpen)
{
    if (m_barrier->take())
        return; // the late answer to a delete sent before the album closed
    if (!albumOpen || m_current.isEmpty())
        return;
    const QString path = m_current;
    m_current.clear();
    if (code <= 1) {
        ++m_succeeded;
        emit deleted(path);
    } else {
        ++m_failed;
    }
    emit pumpNow();
}

void AlbumDeletes::holdUnanswered()
{
    if (!m_current.isEmpty())
        m_barrier->arm();
}

void AlbumDeletes::clear()
{
    m_queue.clear();
    m_current.clear();
    m_succeeded = m_failed = 0;
    setDeleting(m_barrier->pending());
}

void AlbumDeletes::onBarrierPending(bool pending)
{
    if (pending) {
        setDeleting(true);
        return;
    }
    if (m_queue.isEmpty() && m_current.isEmpty())
        setDeleting(false);
}
