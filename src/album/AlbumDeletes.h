#pragma once

#include "link/BilingualText.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class DeleteAckBarrier;
class GimbalController;

// Deletes files on the camera one at a time, each after the answer to the one
// before, and counts what succeeded. A delete still unanswered when the album
// closes keeps later deletes waiting until its answer arrives or a time-out
// passes, so that late answer is never taken for another file's.
class AlbumDeletes : public QObject
{
    Q_OBJECT
public:
    AlbumDeletes(GimbalController *controller, int barrierMs, QObject *parent = nullptr);

    // A batch runs, or an answer from before the album closed is awaited.
    bool deleting() const { return m_deleting; }
    bool awaitingLateAnswer() const;

    // Deletes `paths` (without repeats); nothing while deleting.
    void start(const QStringList &paths);
    // Sends the next delete (the media channel being free); ends the batch
    // when none is left.
    void next();
    // The camera's answer to a delete.
    void onAnswer(quint16 code, bool albumOpen);
    // The album closes: an unanswered delete holds later ones back, the rest
    // of the batch is dropped.
    void holdUnanswered();
    void clear();

signals:
    void deletingChanged();
    // The delete of `path` goes out next: whatever holds the file on the
    // camera (the player) lets go of it first.
    void aboutToDelete(const QString &path);
    void deleted(const QString &path);
    void status(const BilingualText &text);
    // The next delete may go out, or other work may go on.
    void pumpNow();
    void expired(const BilingualText &status);

private:
    void setDeleting(bool on);
    void onBarrierPending(bool pending);

    QPointer<GimbalController> m_controller;
    DeleteAckBarrier *m_barrier = nullptr;
    bool m_deleting = false;
    QStringList m_queue;
    QString m_current;
    int m_succeeded = 0;
    int m_failed = 0;
};
