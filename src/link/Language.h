#pragma once

#include <QString>

// Every bilingual text is chosen when it is made: the operator's language
// choice (settings key startup/isChinese, Chinese by default) is read afresh
// each time, so a switch affects only later messages.
class Language
{
public:
    static bool isChinese();
    static QString pick(const QString &english, const QString &chinese)
    {
        return isChinese() ? chinese : english;
    }
};
