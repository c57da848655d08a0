#pragma once

#include "controls/uTZamListView.h"

#include <QAbstractItemModel>
#include <QString>
#include <QStringList>
#include <vector>

// A group of the list as a test looks at it, with its rows in list order.
struct TGrupoVisto
{
    TZamListGroup grupo;
    QStringList legendas;
    // Caption and sub-items of each row.
    QList<QStringList> celulas;
};

inline std::vector<TGrupoVisto> gruposVistos(TZamListView &lista)
{
    std::vector<TGrupoVisto> vistos;
    for (const TZamListGroup &g : lista.groups())
        vistos.push_back({g, {}, {}});
    for (int i = 0; i < lista.count(); ++i) {
        const TZamListItem &it = lista.item(i);
        for (TGrupoVisto &v : vistos) {
            if (v.grupo.GroupID == it.GroupID) {
                v.legendas << it.Caption;
                v.celulas << (QStringList{it.Caption} + it.SubItems);
                break;
            }
        }
    }
    return vistos;
}

// "Header|Footer" of each group, in group order.
inline QStringList cabecalhosERodapes(TZamListView &lista)
{
    QStringList textos;
    for (const TZamListGroup &g : lista.groups())
        textos << g.Header + u'|' + g.Footer;
    return textos;
}

// What the view shows must be the list's data: in group view one header line per group with
// rows, in group order, each with its rows in list order and its open or closed state. Gives
// the first difference, or "" when there is none.
inline QString diferencaDoModelo(TZamListView &lista)
{
    const QAbstractItemModel *modelo = lista.model();
    std::vector<TGrupoVisto> esperados;
    for (TGrupoVisto &v : gruposVistos(lista)) {
        if (!v.legendas.isEmpty())
            esperados.push_back(std::move(v));
    }
    if (modelo->rowCount() != int(esperados.size()))
        return QStringLiteral("%1 header lines shown for %2 groups with rows")
            .arg(modelo->rowCount())
            .arg(esperados.size());
    for (int p = 0; p < int(esperados.size()); ++p) {
        const TGrupoVisto &v = esperados[std::size_t(p)];
        const QModelIndex cabecalho = modelo->index(p, 0);
        const QString texto = cabecalho.data().toString();
        if (!texto.startsWith(v.grupo.Header) ||
            (!v.grupo.Footer.isEmpty() && !texto.endsWith(v.grupo.Footer)))
            return QStringLiteral("header line %1 shows \"%2\" for group \"%3\" footer \"%4\"")
                .arg(p)
                .arg(texto, v.grupo.Header, v.grupo.Footer);
        if (modelo->rowCount(cabecalho) != int(v.legendas.size()))
            return QStringLiteral("group \"%1\" shows %2 rows of %3")
                .arg(v.grupo.Header)
                .arg(modelo->rowCount(cabecalho))
                .arg(v.legendas.size());
        for (int r = 0; r < int(v.legendas.size()); ++r) {
            const QString legenda = modelo->index(r, 0, cabecalho).data().toString();
            if (legenda != v.legendas.at(r))
                return QStringLiteral("group \"%1\" row %2 shows \"%3\" for \"%4\"")
                    .arg(v.grupo.Header)
                    .arg(r)
                    .arg(legenda, v.legendas.at(r));
        }
        const bool aberto = lista.isExpanded(cabecalho);
        if (aberto == (v.grupo.Collapsible && v.grupo.Collapsed))
            return QStringLiteral("group \"%1\" is %2")
                .arg(v.grupo.Header, aberto ? QStringLiteral("open") : QStringLiteral("closed"));
    }
    return QString();
}
