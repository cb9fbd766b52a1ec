#include "SoakProbes.h"

#include <QFile>
#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <malloc.h>
#include <unistd.h>

SoakProbes::ProcessFigures SoakProbes::processFigures()
{
    ProcessFigures p;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            const QList<QByteArray> words = line.simplified().split(' ');
            if (words.size() < 2)
                continue;
            if (words.first() == "VmRSS:")
                p.rssMB = words.at(1).toLongLong() / 1024.0;
            else if (words.first() == "RssAnon:")
                p.anonMB = words.at(1).toLongLong() / 1024.0;
            else if (words.first() == "Threads:")
                p.threads = words.at(1).toInt();
        }
    }
    if (DIR *dir = ::opendir("/proc/self/fd")) {
        while (const dirent *entry = ::readdir(dir))
            p.fds += entry->d_name[0] != '.';
        ::closedir(dir);
        --p.fds; // the listing's own
    }
    return p;
}

double SoakProbes::queuedMs(int fd)
{
    char text[128] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    if (n <= 0)
        return 0;
    unsigned long long running = 0, waiting = 0;
    if (std::sscanf(text, "%llu %llu", &running, &waiting) != 2)
        return 0;
    return waiting / 1e6;
}

// The allocator's own summary of every arena: unlike the resident size it does
// not keep what the allocator holds on to after a burst.
double SoakProbes::heapInUseMB()
{
    char *text = nullptr;
    size_t length = 0;
    FILE *out = ::open_memstream(&text, &length);
    if (!out)
        return 0;
    ::malloc_info(0, out);
    std::fclose(out);
    const QByteArray xml(text, int(length));
    std::free(text);
    // The totals follow the last arena, so the last match of each is theirs:
    // what the arenas hold from the system, less their free chunks, plus the
    // chunks mapped on their own.
    const auto last = [&xml](const char *element, const char *type) {
        const QRegularExpression re(QStringLiteral("<%1 type=\"%2\"[^>]*size=\"(\\d+)\"")
                                        .arg(QLatin1String(element), QLatin1String(type)));
        QRegularExpressionMatchIterator it = re.globalMatch(QString::fromLatin1(xml));
        qint64 size = 0;
        while (it.hasNext())
            size = it.next().captured(1).toLongLong();
        return size;
    };
    const qint64 inUse = last("system", "current") - last("total", "fast") - last("total", "rest") +
                         last("total", "mmap");
    return double(inUse) / (1024.0 * 1024.0);
}

// A recording piece is complete when its top-level boxes cover the file
// exactly and end with the fragments' index, which only closing it writes.
QString SoakProbes::checkRecording(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot open %1").arg(path);
    const qint64 size = f.size();
    bool index = false;
    qint64 at = 0;
    while (at + 8 <= size) {
        f.seek(at);
        const QByteArray head = f.read(16);
        if (head.size() < 8)
            break;
        qint64 box = (quint32(quint8(head[0])) << 24) | (quint32(quint8(head[1])) << 16) |
                     (quint32(quint8(head[2])) << 8) | quint32(quint8(head[3]));
        if (box == 1 && head.size() == 16) {
            box = 0;
            for (int i = 8; i < 16; ++i)
                box = (box << 8) | quint8(head[i]);
        }
        if (box < 8)
            break;
        index = head.mid(4, 4) == "mfra";
        at += box;
    }
    if (size == 0)
        return QStringLiteral("%1 is empty").arg(path);
    if (at != size)
        return QStringLiteral("%1 is cut short (boxes end at %2 of %3 bytes)")
            .arg(path)
            .arg(at)
            .arg(size);
    if (!index)
        return QStringLiteral("%1 has no index").arg(path);
    return QString();
}

QString SoakProbes::compareFiles(const QString &local, const QString &original)
{
    QFile a(local);
    QFile b(original);
    if (!a.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot open the download %1").arg(local);
    if (!b.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot open the card's %1").arg(original);
    if (a.size() != b.size())
        return QStringLiteral("%1 bytes instead of %2").arg(a.size()).arg(b.size());
    qint64 offset = 0;
    while (!a.atEnd()) {
        const QByteArray x = a.read(1 << 20);
        const QByteArray y = b.read(1 << 20);
        if (x != y) {
            int i = 0;
            while (i < x.size() && i < y.size() && x[i] == y[i])
                ++i;
            return QStringLiteral("differs from byte %1").arg(offset + i);
        }
        offset += x.size();
    }
    return QString();
}
