#pragma once

#include <QString>

#include <algorithm>

// Letter case turned round for the letters A to Z only; every other character, accented
// letters included, keeps its code. Used where names are compared the way the files that
// hold them were meant to be read on every machine, and where the list compares and groups
// its cells.
//
// A text without a letter to change is given back as it is, sharing its characters: a list
// of many values keeps one copy of each.

namespace detalhe {

template <char16_t primeira, char16_t ultima, int passo>
QString trocarCaixaAsc(const QString &texto)
{
    const auto troca = [](QChar c) { return c.unicode() >= primeira && c.unicode() <= ultima; };
    const auto achada = std::find_if(texto.cbegin(), texto.cend(), troca);
    if (achada == texto.cend())
        return texto;
    QString resultado = texto;
    for (auto c = resultado.begin() + (achada - texto.cbegin()); c != resultado.end(); ++c) {
        if (troca(*c))
            *c = QChar(char16_t(c->unicode() + passo));
    }
    return resultado;
}

} // namespace detalhe

// Only the letters A to Z become a to z.
inline QString minusculasAZ(const QString &texto)
{
    return detalhe::trocarCaixaAsc<u'A', u'Z', u'a' - u'A'>(texto);
}

// Only the letters a to z become A to Z.
inline QString maiusculasAZ(const QString &texto)
{
    return detalhe::trocarCaixaAsc<u'a', u'z', u'A' - u'a'>(texto);
}
