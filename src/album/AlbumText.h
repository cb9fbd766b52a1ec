#pragma once

#include "link/BilingualText.h"

#include <QString>

// An album text in both languages with its arguments filled in (in order, as
// QString::arg does), kept whole so that what is on screen can follow a
// language switch made after the text was made.
template <typename... Args>
BilingualText albumText(const char *english, const char *chinese, const Args &...args)
{
    QString en = QString::fromUtf8(english);
    QString zh = QString::fromUtf8(chinese);
    ((en = en.arg(args), zh = zh.arg(args)), ...);
    return BilingualText{en, zh};
}
