#pragma once

#include <QFile>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <vector>

// What every benchmark program shares: the median of its samples, the one line per figure
// ("name  program_ms  anchor_ms  ratio", the format scripts/bench prints too) and the peak
// resident memory of the process.

inline double mediana(std::vector<double> amostras)
{
    if (amostras.empty())
        return 0;
    std::sort(amostras.begin(), amostras.end());
    const std::size_t meio = amostras.size() / 2;
    return amostras.size() % 2 ? amostras[meio] : (amostras[meio - 1] + amostras[meio]) / 2;
}

inline void imprimirFigura(const char *nome, double programa, double ancora)
{
    std::printf("%-48s %10.1f %10.1f %7.2f\n", nome, programa, ancora,
                ancora > 0 ? programa / ancora : 0.0);
    std::fflush(stdout);
}

// VmHWM of /proc/self/status in KiB; 0 when it cannot be read.
inline long picoMemoriaKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &linha : status.readAll().split('\n')) {
        if (linha.startsWith("VmHWM:"))
            return linha.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}
