#include "camsim/PtyEndpoint.h"

#include "camsim/ShortFrameReader.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

PtyEndpoint::PtyEndpoint(QObject *parent) : QObject(parent) {}

PtyEndpoint::~PtyEndpoint()
{
    close();
}

bool PtyEndpoint::open(const QString &linkPath, QString *error)
{
    close();
    const QFileInfo info(linkPath);
    if (info.isSymLink()) {
        QFile::remove(linkPath);
    } else if (info.exists()) {
        *error =
            QStringLiteral("Cannot create %1: it exists and is not a symbolic link").arg(linkPath);
        return false;
    }
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        *error = QStringLiteral("Cannot open a pseudo-terminal: %1")
                     .arg(QString::fromLocal8Bit(std::strerror(errno)));
        m_master = m_slave = -1;
        return false;
    }
    // Raw bytes both ways: no echo of our own frames, no line editing.
    termios tio{};
    if (::tcgetattr(m_slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(m_slave, TCSANOW, &tio);
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    if (::symlink(name, QFile::encodeName(linkPath).constData()) != 0) {
        *error = QStringLiteral("Cannot link %1 to %2: %3")
                     .arg(linkPath, QString::fromLocal8Bit(name),
                          QString::fromLocal8Bit(std::strerror(errno)));
        close();
        return false;
    }
    m_linkPath = linkPath;
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyEndpoint::onReadable);
    return true;
}

void PtyEndpoint::close()
{
    delete m_notifier;
    m_notifier = nullptr;
    if (!m_linkPath.isEmpty() && QFileInfo(m_linkPath).isSymLink())
        QFile::remove(m_linkPath);
    m_linkPath.clear();
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_master = m_slave = -1;
    m_buffer.clear();
}

bool PtyEndpoint::write(const QByteArray &bytes)
{
    if (m_master < 0)
        return false;
    int waiting = 0;
    if (::ioctl(m_slave, FIONREAD, &waiting) == 0 && waiting > StaleLimit)
        ::tcflush(m_slave, TCIFLUSH);
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return false; // full or gone: the rest is lost, as on a real line
    }
    return true;
}

void PtyEndpoint::onReadable()
{
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, chunk, sizeof chunk);
        if (n > 0) {
            m_buffer.append(chunk, int(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    for (const ParsedFrame &frame : ShortFrameReader::take(m_buffer))
        emit frameReceived(frame);
}
