#pragma once

#include <QString>

// One choice of an option list. The device reports `value`; `writeValue` is
// what must be sent back to select it, and -1 means "the same as value".
struct ModelOption {
    QString chineseLabel;
    QString englishLabel;
    int value = 0;
    int writeValue = -1;

    int effectiveWriteValue() const { return writeValue >= 0 ? writeValue : value; }
};
