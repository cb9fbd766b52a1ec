#pragma once

#include <QString>

// Display names of the protocol's command codes, in both languages.
class CommandCatalog
{
public:
    static bool isKnown(quint16 code);
    // Empty for a code that is not known.
    static QString englishName(quint16 code);
    static QString chineseName(quint16 code);
    // The name in the current language, or the unknown-command text.
    static QString displayName(quint16 code);
};

QString commandDisplayName(quint16 code);
