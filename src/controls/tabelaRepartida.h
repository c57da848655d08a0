#pragma once

#include <QHash>
#include <array>

// A hash table split into a fixed number of parts by the key's hash. A QHash that grows
// rehashes all its entries at once, which with hundreds of thousands of groups stops the
// window for tens of milliseconds; split, each part grows on its own and moves its own
// entries only. The subset of QHash's interface the list needs.
template <typename K, typename V> class TTabelaRepartida
{
public:
    V value(const K &chave, const V &padrao = V()) const
    {
        return parte(chave).value(chave, padrao);
    }
    bool contains(const K &chave) const { return parte(chave).contains(chave); }
    void insert(const K &chave, const V &valor) { parte(chave).insert(chave, valor); }
    bool remove(const K &chave) { return parte(chave).remove(chave); }
    void clear()
    {
        for (QHash<K, V> &p : FPartes)
            p.clear();
    }
    void reserve(qsizetype n)
    {
        for (QHash<K, V> &p : FPartes)
            p.reserve(n / partes + 1);
    }

private:
    static constexpr std::size_t partes = 64;

    // The part is chosen with a seed of its own, so that the keys of one part still spread
    // over its buckets, which QHash picks with the process's seed.
    static std::size_t indice(const K &chave)
    {
        return qHash(chave, std::size_t(0x9E3779B9)) % partes;
    }
    QHash<K, V> &parte(const K &chave) { return FPartes[indice(chave)]; }
    const QHash<K, V> &parte(const K &chave) const { return FPartes[indice(chave)]; }

    std::array<QHash<K, V>, partes> FPartes;
};
