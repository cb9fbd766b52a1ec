#pragma once

#include <QString>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

// A pseudo-terminal pair: the program opens the slave side by name as its
// serial port, the test plays the device on the (non-blocking) master side.
class PtyPair
{
public:
    PtyPair()
    {
        char name[128] = {};
        int slave = -1;
        if (openpty(&m_master, &slave, name, nullptr, nullptr) != 0)
            return;
        ::close(slave);
        slaveName = QString::fromLocal8Bit(name);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() { closeMaster(); }
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool ok() const { return m_master >= 0; }
    bool send(const QByteArray &b)
    {
        return ::write(m_master, b.constData(), size_t(b.size())) == b.size();
    }
    QByteArray take()
    {
        QByteArray out;
        char buf[4096];
        for (ssize_t n; (n = ::read(m_master, buf, sizeof buf)) > 0;)
            out.append(buf, int(n));
        return out;
    }
    void closeMaster()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

    QString slaveName;

private:
    int m_master = -1;
};
