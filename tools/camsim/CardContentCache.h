#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QTemporaryDir;

// The generated card's content (drawn photos and encoded clips), made once
// and kept in the user's cache folder ($XDG_CACHE_HOME/skyrig-camsim) under a
// name that says what made it, so a simulator lays its card out in a moment
// instead of drawing and encoding for seconds. Simulators starting together
// make it once between them: one makes it while the others wait, and it
// appears under its name only when complete.
class CardContentCache
{
public:
    // How long to wait for another simulator making the content (seconds
    // on an idle machine) before making it apart.
    static constexpr int MakerPatienceMs = 120000;

    // Keeps the content below `root`; empty means the user's cache folder.
    explicit CardContentCache(const QString &root = QString());
    ~CardContentCache();

    // The folder to lay a card out from, made first when it is not there.
    // Content that cannot be kept (no cache folder, an encoder failed) is made
    // in a temporary folder that lives as long as this object. `notes` tells
    // what was made and what is missing; empty with `error` set when there is
    // not even a folder to make it in.
    QString folder(QStringList *notes, QString *error);

private:
    QString m_root;
    std::unique_ptr<QTemporaryDir> m_scratch;
};
