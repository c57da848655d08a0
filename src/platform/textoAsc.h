#pragma once

#include <QString>

// Letter case turned round for the letters A to Z only; every other character, accented
// letters included, keeps its code. Used where names are compared the way the files that
// hold them were meant to be read on every machine.
inline QString minusculasAsc(QString texto)
{
    for (QChar &c : texto) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return texto;
}

inline QString maiusculasAsc(QString texto)
{
    for (QChar &c : texto) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - (u'a' - u'A'));
    }
    return texto;
}
