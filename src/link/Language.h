#pragma once

#include <QObject>
#include <QString>

// The operator's language choice (settings key startup/isChinese, Chinese by
// default), read afresh each time a text is made. A run may override it without
// touching the stored choice (the command line's --lang). Objects that keep a
// text on screen listen to changed() and make it again, so a switch reaches
// every text at once, including those made before it.
class Language : public QObject
{
    Q_OBJECT
public:
    static Language *instance();

    static bool isChinese();
    static QString pick(const QString &english, const QString &chinese)
    {
        return isChinese() ? chinese : english;
    }
    // This run only: the stored choice stays as it was.
    static void overrideForThisRun(bool chinese);
    // Stores the operator's choice; ends a run's override.
    static void store(bool chinese);
    // Forgets the stored choice (the default applies again); a run's override stays.
    static void forgetStored();

signals:
    void changed();

private:
    using QObject::QObject;
};
