#include "album/DownloadFolder.h"

#include "album/LocalFileNames.h"
#include "link/Language.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>

namespace
{

const QString SettingKey = QStringLiteral("MediaAlbum/downloadDirectory");

QString defaultFolder()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (base.isEmpty())
        base = QDir::homePath();
    return base + QStringLiteral("/Skyrig");
}

} // namespace

DownloadFolder::DownloadFolder(QObject *parent) : QObject(parent)
{
    m_path = QSettings().value(SettingKey).toString().trimmed();
    ensure();
}

QString DownloadFolder::ensure()
{
    if (m_path.isEmpty())
        m_path = defaultFolder();
    QDir().mkpath(m_path);
    return m_path;
}

void DownloadFolder::set(const QString &folder)
{
    const QString chosen = folder.trimmed();
    if (chosen.isEmpty() || chosen == m_path)
        return;
    m_path = chosen;
    QDir().mkpath(chosen);
    QSettings().setValue(SettingKey, chosen);
    emit changed();
}

QString DownloadFolder::pick()
{
    const QString current = ensure();
    // A folder chooser needs a widget application; the headless front end has none.
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return current;
    const QString chosen =
        QFileDialog::getExistingDirectory(nullptr,
                                          Language::pick(QStringLiteral("Select download folder"),
                                                         QString::fromUtf8("选择下载保存目录")),
                                          current, QFileDialog::ShowDirsOnly);
    if (!chosen.isEmpty())
        set(chosen);
    return m_path;
}

void DownloadFolder::open()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(ensure()));
}

QString DownloadFolder::save(const QString &partialPath, const QString &remotePath)
{
    const QString folder = ensure();
    const QString name = LocalFileNames::safeName(remotePath);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const QString free = LocalFileNames::freeName(folder, name);
        if (free.isEmpty())
            return QString();
        const QString target = QDir(folder).filePath(free);
        // Renaming never replaces an existing file.
        if (QFile::rename(partialPath, target))
            return target;
    }
    return QString();
}
