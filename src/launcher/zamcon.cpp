#include "launcher/zamcon.h"

#include "platform/caminhos.h"
#include "platform/erros.h"
#include "platform/ini.h"
#include "platform/processos.h"

namespace {

const QString secaoServidor = QStringLiteral("SERVIDOR");
const QString secaoZam = QStringLiteral("ZAM");

// "\" and ":" separate; "/" too in a path without "\", such as the POSIX paths this
// program writes for a data folder on Linux (the same rule that joins paths).
qsizetype ultimoSeparador(const QString &texto, bool barraSepara)
{
    const qsizetype antes = std::max(texto.lastIndexOf(u'\\'), texto.lastIndexOf(u':'));
    return barraSepara ? std::max(antes, texto.lastIndexOf(u'/')) : antes;
}

QString parteDaPasta(const QString &caminho, bool barraSepara)
{
    const qsizetype separador = ultimoSeparador(caminho, barraSepara);
    if (separador < 0)
        return QString();
    QString pasta = caminho.left(separador + 1);
    // A final "\" goes, except for a root such as "c:\" or "\".
    if (pasta.endsWith(u'\\') && pasta.size() > 1) {
        const QChar anterior = pasta.at(pasta.size() - 2);
        if (anterior != u'\\' && anterior != u':')
            pasta.chop(1);
    }
    return pasta;
}

} // namespace

TZamcon::TZamcon(QString fileName)
    : FFileName(std::move(fileName))
{
}

QString TZamcon::nomeDaPasta(const QString &caminho)
{
    const bool barraSepara = !caminho.contains(u'\\');
    QString pasta = parteDaPasta(caminho, barraSepara);
    // As a final "\" goes, so does a final "/", except for the root "/".
    if (barraSepara && pasta.endsWith(u'/') && pasta.size() > 1 &&
        !pasta.endsWith(QStringLiteral("//")))
        pasta.chop(1);
    return pasta.mid(ultimoSeparador(pasta, barraSepara) + 1);
}

QString TZamcon::lerUltimaBase() const
{
    return nomeDaPasta(lerIni(FFileName, secaoZam, QStringLiteral("CAMINHO"), QString()));
}

QString TZamcon::lerPortaPadrao() const
{
    return lerIni(FFileName, secaoServidor, QStringLiteral("PORTA"), portaPadrao);
}

void TZamcon::gravarZamcon(const TZamDadosHost &host, const TZamDadosItem &registro) const
{
    // The texts are checked before the first write, so a refusal leaves the file as it was:
    // a line break would split a value over lines that the main application misreads.
    for (const QString &valor : {host.nome(), registro.Getpath()}) {
        if (temCaractereDeControle(valor))
            throw EZamErro(QStringLiteral("O valor \"%1\" tem um caractere de controle (como "
                                          "uma quebra de linha) e não pode ser gravado em \"%2\"")
                               .arg(textoVisivel(valor), FFileName));
    }
    gravarIni(FFileName, secaoServidor, QStringLiteral("NOME"), host.nome());
    gravarIni(FFileName, secaoZam, QStringLiteral("CAMINHO"), registro.Getpath());
    gravarIni(FFileName, secaoServidor, QStringLiteral("PORTA"),
              QString::number(registro.Getporta()));
}

void iniciarZam(bool testarZamdef)
{
    executarPrograma(QStringLiteral("ZAM7.exe"),
                     testarZamdef ? QStringLiteral("ZamdefTestAll") : QString());
}
