#pragma once

#include <QObject>
#include <QString>

// The local folder downloads are saved in: chosen by the operator and kept in
// the settings, else a folder of the program's own beside the user's
// downloads. A received file is moved in under a name that replaces nothing.
class DownloadFolder : public QObject
{
    Q_OBJECT
public:
    explicit DownloadFolder(QObject *parent = nullptr);

    QString path() const { return m_path; }
    // The folder, made when it is missing.
    QString ensure();
    // Another folder, kept for the next runs; an empty text changes nothing.
    void set(const QString &folder);
    // Lets the operator choose with the platform's folder chooser; the
    // folder in use afterwards.
    QString pick();
    // Shows the folder in the desktop's file manager.
    void open();

    // Moves the received `partialPath` in under the device path's file name
    // (numbered when taken); the local path, or empty when it could not be
    // moved (the partial file is then left where it is).
    QString save(const QString &partialPath, const QString &remotePath);

signals:
    void changed();

private:
    QString m_path;
};
