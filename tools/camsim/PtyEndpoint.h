#pragma once

#include "link/FrameCodec.h"

#include <QObject>
#include <QString>

class QSocketNotifier;

// The camera's serial port, as a pseudo-terminal: the slave side is symlinked
// at a path that the ground station opens like a serial device (the baud rate
// does not matter). Frames written by the program are reassembled here.
class PtyEndpoint : public QObject
{
    Q_OBJECT
public:
    // Reports no one reads pile up in the terminal; beyond this they are
    // discarded so a program that opens the port later starts fresh.
    static constexpr int StaleLimit = 2048;

    explicit PtyEndpoint(QObject *parent = nullptr);
    ~PtyEndpoint() override;

    bool open(const QString &linkPath, QString *error);
    void close();
    QString linkPath() const { return m_linkPath; }
    bool write(const QByteArray &bytes);

signals:
    void frameReceived(const ParsedFrame &frame);

private slots:
    void onReadable();

private:
    int m_master = -1;
    int m_slave = -1; // kept open so the master never sees a hang-up
    QString m_linkPath;
    QSocketNotifier *m_notifier = nullptr;
    QByteArray m_buffer;
};
