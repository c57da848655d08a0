// The scan of a data folder (the database folders of its ZAM_DADOS folder, each file's size
// and date, the catalogue written) against find listing the same files with size and date.
// The runs take turns, the page cache warm for both; the scan starts each run from no
// catalogue, as the first scan of a folder does.
//
//     bench_varredura preparar <share> <folders>   makes <share>/ZAM_DADOS with <folders>
//                                                  database folders (sparse ZAM.FDB files)
//     bench_varredura <share> [runs]               prints the figure

#include "catalog/uTZamDadosList.h"
#include "catalog/varredura.h"
#include "medicao.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <cstdio>

namespace {

int preparar(const QString &compartilhamento, int pastas)
{
    const QDir dados(QDir(compartilhamento).filePath(QStringLiteral("ZAM_DADOS")));
    for (int i = 0; i < pastas; ++i) {
        const QString nome = QStringLiteral("CLIENTE %1").arg(i, 5, 10, QLatin1Char('0'));
        if (!dados.mkpath(nome)) {
            std::fprintf(stderr, "bench_varredura: cannot create %s\n",
                         qPrintable(dados.filePath(nome)));
            return 1;
        }
        QFile arquivo(dados.filePath(nome + QStringLiteral("/ZAM.FDB")));
        // Sparse: sizes of a few megabytes that take no room.
        if (!arquivo.open(QIODevice::WriteOnly) || !arquivo.resize(qint64(1 + i % 97) << 20)) {
            std::fprintf(stderr, "bench_varredura: cannot write %s\n",
                         qPrintable(arquivo.fileName()));
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 4 && args[1] == QLatin1String("preparar"))
        return preparar(args[2], args[3].toInt());
    if (args.size() < 2 || args.size() > 3) {
        std::fprintf(stderr, "usage: bench_varredura preparar <share> <folders>\n"
                             "       bench_varredura <share> [runs]\n");
        return 2;
    }
    const QString compartilhamento = args[1];
    const int corridas = args.size() > 2 ? std::max(1, args[2].toInt()) : 5;
    const QString dados = QDir(compartilhamento).filePath(QStringLiteral("ZAM_DADOS"));

    std::vector<double> varreduras, finds;
    qsizetype bases = 0, linhasFind = 0;
    for (int corrida = 0; corrida < corridas; ++corrida) {
        QFile::remove(QDir(compartilhamento).filePath(TZamDadosList::nomeArquivo));
        QElapsedTimer relogio;
        relogio.start();
        {
            TZamDadosList catalogo(TZamDadosHost::avulso(compartilhamento));
            if (!buscarBases(catalogo, QStringLiteral("3050"))) {
                std::fprintf(stderr, "bench_varredura: %s cannot be listed\n", qPrintable(dados));
                return 1;
            }
            bases = catalogo.items().size();
        }
        varreduras.push_back(relogio.nsecsElapsed() / 1e6);

        QProcess find;
        relogio.start();
        find.start(QStringLiteral("find"),
                   {dados, QStringLiteral("-mindepth"), QStringLiteral("2"),
                    QStringLiteral("-maxdepth"), QStringLiteral("2"), QStringLiteral("-name"),
                    QStringLiteral("ZAM.FDB"), QStringLiteral("-printf"),
                    QStringLiteral("%s %T@\\n")});
        if (!find.waitForFinished(60000) || find.exitCode() != 0) {
            std::fprintf(stderr, "bench_varredura: find failed\n");
            return 1;
        }
        const QByteArray saida = find.readAllStandardOutput();
        finds.push_back(relogio.nsecsElapsed() / 1e6);
        linhasFind = saida.count('\n');
    }
    if (bases == 0 || bases != linhasFind) {
        std::fprintf(stderr, "bench_varredura: the scan found %lld databases, find %lld files\n",
                     static_cast<long long>(bases), static_cast<long long>(linhasFind));
        return 1;
    }
    char nome[64];
    std::snprintf(nome, sizeof nome, "varredura_%lld_pastas", static_cast<long long>(bases));
    imprimirFigura(nome, mediana(varreduras), mediana(finds));
    return 0;
}
