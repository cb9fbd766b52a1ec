#pragma once

#include "link/Language.h"

#include <QString>

// A text kept in both languages, so that what is on screen can follow a
// language switch made after the text was made. Arguments are filled in
// before it is stored.
struct BilingualText {
    QString english;
    QString chinese;

    QString text() const { return Language::isChinese() ? chinese : english; }
    bool isEmpty() const { return english.isEmpty() && chinese.isEmpty(); }
    bool operator==(const BilingualText &o) const
    {
        return english == o.english && chinese == o.chinese;
    }
    bool operator!=(const BilingualText &o) const { return !(*this == o); }
};
