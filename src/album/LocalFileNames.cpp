#include "album/LocalFileNames.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace
{

const QString FallbackName = QStringLiteral("media");

bool isReservedDeviceName(const QString &name)
{
    // Names a Windows system treats as devices whatever their extension.
    static const QRegularExpression reserved(
        QStringLiteral("^(con|prn|aux|nul|conin\\$|conout\\$|com[0-9\\x{b9}\\x{b2}\\x{b3}]|"
                       "lpt[0-9\\x{b9}\\x{b2}\\x{b3}])$"),
        QRegularExpression::CaseInsensitiveOption);
    const QString base = name.section(QLatin1Char('.'), 0, 0).trimmed();
    return reserved.match(base).hasMatch();
}

// Cuts `text` to at most `bytes` UTF-8 bytes without splitting a character.
QString cutUtf8(const QString &text, int bytes)
{
    QString out;
    int used = 0;
    for (int i = 0; i < text.size(); ++i) {
        const int width = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString piece = text.mid(i, width);
        const int size = piece.toUtf8().size();
        if (used + size > bytes)
            break;
        out += piece;
        used += size;
        i += width - 1;
    }
    return out;
}

} // namespace

QString LocalFileNames::safeName(const QString &devicePath)
{
    // The last component after any platform's separator.
    QString name = devicePath;
    const int cut = qMax(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    if (cut >= 0)
        name = name.mid(cut + 1);

    QString clean;
    clean.reserve(name.size());
    for (const QChar c : qAsConst(name)) {
        const ushort u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F) || c.category() == QChar::Other_Format ||
            u == 0xFEFF)
            continue; // control and invisible formatting characters
        if (QStringLiteral("<>:\"|?*/\\").contains(c))
            clean += QLatin1Char('_');
        else
            clean += c;
    }
    clean = clean.trimmed();
    // Trailing dots and blanks vanish on some systems; "." and ".." vanish
    // entirely here.
    while (!clean.isEmpty() &&
           (clean.endsWith(QLatin1Char('.')) || clean.endsWith(QLatin1Char(' '))))
        clean.chop(1);
    if (clean.isEmpty())
        clean = FallbackName;
    if (isReservedDeviceName(clean))
        clean.prepend(QLatin1Char('_'));

    if (clean.toUtf8().size() > MaxNameBytes) {
        const QString suffix = QFileInfo(clean).suffix();
        const QString tail =
            suffix.isEmpty() || suffix.toUtf8().size() > 16 ? QString() : QLatin1Char('.') + suffix;
        const QString base = tail.isEmpty() ? clean : clean.left(clean.size() - tail.size());
        clean = cutUtf8(base, MaxNameBytes - tail.toUtf8().size()) + tail;
        if (clean == tail)
            clean = FallbackName + tail;
    }
    return clean;
}

QString LocalFileNames::freeName(const QString &folder, const QString &name)
{
    const QDir dir(folder);
    if (!QFileInfo::exists(dir.filePath(name)))
        return name;
    const QFileInfo info(name);
    const QString suffix = info.suffix();
    // completeBaseName keeps inner dots: "a.b.jpg" -> "a.b".
    const QString base = suffix.isEmpty() ? name : name.left(name.size() - suffix.size() - 1);
    for (int n = 1; n <= 999; ++n) {
        const QString candidate = base + QLatin1Char('_') + QString::number(n) +
                                  (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
        if (!QFileInfo::exists(dir.filePath(candidate)))
            return candidate;
    }
    return QString();
}

QString LocalFileNames::partialName(const QString &name, int attempt)
{
    return QLatin1Char('.') + name +
           (attempt > 0 ? QLatin1Char('.') + QString::number(attempt) : QString()) +
           QStringLiteral(".part");
}
