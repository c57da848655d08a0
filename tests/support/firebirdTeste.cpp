#include "support/firebirdTeste.h"

#include "firebird/conexaoZam.h"
#include "firebird/statusFirebird.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTcpServer>
#include <QThread>
#include <mutex>
#include <stdexcept>

using namespace Firebird;

namespace {

QString textoDoStatus(const FbException &falha)
{
    char texto[4096];
    mestreFirebird()->getUtilInterface()->formatStatus(texto, sizeof texto, falha.getStatus());
    return QString::fromUtf8(texto).trimmed();
}

// A failure of the builder, with its reason.
class EFalhaTeste : public std::runtime_error
{
public:
    explicit EFalhaTeste(const QString &motivo)
        : std::runtime_error(motivo.toStdString())
        , FMotivo(motivo)
    {
    }
    const QString &motivo() const { return FMotivo; }

private:
    QString FMotivo;
};

QString literal(const QString &texto)
{
    QString resultado = texto;
    resultado.replace(u'\'', QStringLiteral("''"));
    return u'\'' + resultado + u'\'';
}

QString literalOuNulo(const std::optional<QString> &texto)
{
    return texto ? literal(*texto) : QStringLiteral("null");
}

QByteArray ansi(const QString &texto)
{
    QStringEncoder codificador("windows-1252");
    QByteArray bytes = codificador(texto);
    if (codificador.hasError())
        throw EFalhaTeste(QStringLiteral("not Windows-1252 text: %1").arg(texto));
    return bytes;
}

// One attachment as KTRWVB through the test server, for writing the test data.
class TConexaoEscrita
{
public:
    TConexaoEscrita(const QString &arquivo, bool criar)
    {
        const QString banco = TServidorFirebirdTeste::instancia().stringConnection(arquivo);
        TStatusFirebird status;
        IXpbBuilder *dpb = mestreFirebird()->getUtilInterface()->getXpbBuilder(
            &status, IXpbBuilder::DPB, nullptr, 0);
        IProvider *provedor = mestreFirebird()->getDispatcher();
        try {
            dpb->insertTag(&status, isc_dpb_utf8_filename);
            dpb->insertString(&status, isc_dpb_user_name,
                              TConsultaZam::usuario.toUtf8().constData());
            dpb->insertString(&status, isc_dpb_password, TConsultaZam::senha.toUtf8().constData());
            dpb->insertString(&status, isc_dpb_lc_ctype, "WIN1252");
            if (criar) {
                dpb->insertString(&status, isc_dpb_set_db_charset, "WIN1252");
                dpb->insertInt(&status, isc_dpb_sql_dialect, 3);
                // Test data need not survive a power failure; this keeps the copies fast.
                dpb->insertInt(&status, isc_dpb_force_write, 0);
                FAttachment = provedor->createDatabase(&status, banco.toUtf8().constData(),
                                                       dpb->getBufferLength(&status),
                                                       dpb->getBuffer(&status));
            } else {
                FAttachment = provedor->attachDatabase(&status, banco.toUtf8().constData(),
                                                       dpb->getBufferLength(&status),
                                                       dpb->getBuffer(&status));
            }
        } catch (const FbException &falha) {
            provedor->release();
            dpb->dispose();
            throw EFalhaTeste(QStringLiteral("%1: %2").arg(banco, textoDoStatus(falha)));
        }
        provedor->release();
        dpb->dispose();
    }

    ~TConexaoEscrita()
    {
        if (!FAttachment)
            return;
        CheckStatusWrapper status(mestreFirebird()->getStatus());
        FAttachment->detach(&status);
        if (status.getState() & IStatus::STATE_ERRORS)
            FAttachment->release();
        status.dispose();
    }

    IAttachment *anexo() const { return FAttachment; }

    // Runs the statements in one transaction and commits it.
    void executar(const QStringList &comandos)
    {
        std::vector<QByteArray> textos;
        for (const QString &comando : comandos)
            textos.push_back(ansi(comando));
        TStatusFirebird status;
        ITransaction *transacao = nullptr;
        QString atual;
        try {
            transacao = FAttachment->startTransaction(&status, 0, nullptr);
            for (size_t i = 0; i < textos.size(); ++i) {
                atual = comandos[qsizetype(i)];
                FAttachment->execute(&status, transacao, unsigned(textos[i].size()),
                                     textos[i].constData(), 3, nullptr, nullptr, nullptr, nullptr);
            }
            transacao->commit(&status);
        } catch (const FbException &falha) {
            if (transacao) {
                CheckStatusWrapper desfazer(mestreFirebird()->getStatus());
                transacao->rollback(&desfazer);
                if (desfazer.getState() & IStatus::STATE_ERRORS)
                    transacao->release();
                desfazer.dispose();
            }
            throw EFalhaTeste(QStringLiteral("%1 (in: %2)").arg(textoDoStatus(falha), atual));
        }
    }

private:
    IAttachment *FAttachment = nullptr;
};

// The statements of zam_base.sql, without its comments.
QStringList comandosDoEsquema()
{
    QFile arquivo(QStringLiteral(ZAM_BASE_SQL));
    if (!arquivo.open(QIODevice::ReadOnly))
        throw EFalhaTeste(
            QStringLiteral("cannot read %1: %2").arg(arquivo.fileName(), arquivo.errorString()));
    QString texto;
    for (const QString &linha : QString::fromUtf8(arquivo.readAll()).split(u'\n')) {
        const qsizetype comentario = linha.indexOf(QStringLiteral("--"));
        texto += (comentario >= 0 ? linha.left(comentario) : linha) + u'\n';
    }
    QStringList comandos;
    for (const QString &comando : texto.split(u';')) {
        if (!comando.trimmed().isEmpty())
            comandos << comando.trimmed();
    }
    return comandos;
}

// The template every test database is copied from: made once per process.
QString modelo()
{
    static std::mutex trava;
    static std::unique_ptr<QTemporaryDir> pasta;
    static QString arquivo;
    static QString erro;
    std::lock_guard guarda(trava);
    if (!erro.isEmpty())
        throw EFalhaTeste(erro);
    if (!arquivo.isEmpty())
        return arquivo;
    try {
        pasta = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/zamModelo.XXXXXX");
        if (!pasta->isValid())
            throw EFalhaTeste(
                QStringLiteral("cannot create a temporary folder: %1").arg(pasta->errorString()));
        const QString caminho = pasta->filePath(QStringLiteral("ZAM.FDB"));
        {
            TConexaoEscrita conexao(caminho, true);
            conexao.executar(comandosDoEsquema());
        }
        arquivo = caminho;
        return arquivo;
    } catch (const EFalhaTeste &falha) {
        erro = QStringLiteral("cannot make the template database: ") + falha.motivo();
        throw EFalhaTeste(erro);
    }
}

QString pastaPropria;

void pararProprio()
{
    if (pastaPropria.isEmpty())
        return;
    QProcess::execute(QStringLiteral(ZAM_SERVIDOR_FIREBIRD),
                      {QStringLiteral("parar"), pastaPropria});
    pastaPropria.clear();
}

} // namespace

// ---- TServidorFirebirdTeste ----

TServidorFirebirdTeste &TServidorFirebirdTeste::instancia()
{
    static TServidorFirebirdTeste servidor;
    return servidor;
}

TServidorFirebirdTeste::TServidorFirebirdTeste()
{
    const QString pasta = qEnvironmentVariable("ZAMDADOS_FIREBIRD");
    if (pasta.isEmpty()) {
        iniciarProprio();
        return;
    }
    QFile arquivo(pasta + QStringLiteral("/porta"));
    if (!arquivo.open(QIODevice::ReadOnly)) {
        FErro = QStringLiteral("ZAMDADOS_FIREBIRD names %1, but its server has not started (%2: "
                               "%3); see the output of the test firebird_iniciar")
                    .arg(pasta, arquivo.fileName(), arquivo.errorString());
        return;
    }
    bool ok = false;
    const uint porta = QString::fromLatin1(arquivo.readAll()).trimmed().toUInt(&ok);
    if (!ok || porta == 0 || porta > 65535) {
        FErro = QStringLiteral("%1 does not hold a port number").arg(arquivo.fileName());
        return;
    }
    FPorta = quint16(porta);
}

void TServidorFirebirdTeste::iniciarProprio()
{
    FPastaPropria = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/zamFirebird.XXXXXX");
    if (!FPastaPropria->isValid()) {
        FErro = QStringLiteral("cannot create a folder for the Firebird server: %1")
                    .arg(FPastaPropria->errorString());
        return;
    }
    const QString pasta = FPastaPropria->filePath(QStringLiteral("servidor"));
    QProcess processo;
    QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
    // Should this process end without stopping it, the server stops by itself.
    ambiente.insert(QStringLiteral("ZAMDADOS_FIREBIRD_VIGIAR"),
                    QString::number(QCoreApplication::applicationPid()));
    processo.setProcessEnvironment(ambiente);
    processo.setProcessChannelMode(QProcess::MergedChannels);
    processo.start(QStringLiteral(ZAM_SERVIDOR_FIREBIRD), {QStringLiteral("iniciar"), pasta});
    if (!processo.waitForFinished(120000) || processo.exitStatus() != QProcess::NormalExit ||
        processo.exitCode() != 0) {
        FErro = QStringLiteral("the private Firebird server could not be started: %1 %2")
                    .arg(processo.errorString(), QString::fromLocal8Bit(processo.readAll()));
        processo.kill();
        return;
    }
    pastaPropria = pasta;
    qAddPostRoutine(pararProprio);
    QFile arquivo(pasta + QStringLiteral("/porta"));
    if (arquivo.open(QIODevice::ReadOnly))
        FPorta = quint16(QString::fromLatin1(arquivo.readAll()).trimmed().toUInt());
    if (FPorta == 0)
        FErro = QStringLiteral("the private Firebird server wrote no port to %1")
                    .arg(arquivo.fileName());
}

QString TServidorFirebirdTeste::stringConnection(const QString &arquivo) const
{
    return QStringLiteral("127.0.0.1/%1:%2").arg(FPorta).arg(arquivo);
}

bool TServidorFirebirdTeste::consultar(int *conexoes, QStringList *bancos, QString *erro) const
{
    if (!ativo()) {
        *erro = FErro;
        return false;
    }
    TStatusFirebird status;
    IXpbBuilder *spb = nullptr;
    IService *servico = nullptr;
    IProvider *provedor = mestreFirebird()->getDispatcher();
    bool ok = false;
    try {
        spb = mestreFirebird()->getUtilInterface()->getXpbBuilder(&status, IXpbBuilder::SPB_ATTACH,
                                                                  nullptr, 0);
        spb->insertString(&status, isc_spb_user_name, usuarioAdministrador.toUtf8().constData());
        spb->insertString(&status, isc_spb_password, senhaAdministrador.toUtf8().constData());
        const QByteArray nome = QStringLiteral("127.0.0.1/%1:service_mgr").arg(FPorta).toUtf8();
        servico = provedor->attachServiceManager(
            &status, nome.constData(), spb->getBufferLength(&status), spb->getBuffer(&status));
        const unsigned char pedido[] = {isc_info_svc_svr_db_info};
        unsigned char resposta[32768] = {};
        servico->query(&status, 0, nullptr, sizeof pedido, pedido, sizeof resposta, resposta);
        // isc_info_svc_svr_db_info, then items up to isc_info_flag_end.
        const unsigned char *p = resposta;
        const unsigned char *const fim = resposta + sizeof resposta;
        int contagem = -1;
        bool completa = false;
        if (*p++ == isc_info_svc_svr_db_info) {
            while (p < fim) {
                const unsigned char item = *p++;
                if (item == isc_info_flag_end) {
                    completa = true;
                    break;
                }
                if (item == isc_spb_num_att || item == isc_spb_num_db) {
                    const int valor = int(isc_vax_integer(reinterpret_cast<const char *>(p), 4));
                    p += 4;
                    if (item == isc_spb_num_att)
                        contagem = valor;
                } else if (item == isc_spb_dbname) {
                    const int tamanho = isc_vax_integer(reinterpret_cast<const char *>(p), 2);
                    p += 2;
                    if (p + tamanho > fim)
                        break;
                    bancos->append(QString::fromUtf8(reinterpret_cast<const char *>(p), tamanho));
                    p += tamanho;
                } else {
                    break;
                }
            }
        }
        servico->detach(&status);
        servico = nullptr;
        if (completa && contagem >= 0) {
            *conexoes = contagem;
            ok = true;
        } else {
            *erro = QStringLiteral("the server's answer about its databases could not be read");
        }
    } catch (const FbException &falha) {
        *erro = textoDoStatus(falha);
    }
    if (servico)
        servico->release();
    if (spb)
        spb->dispose();
    provedor->release();
    return ok;
}

int TServidorFirebirdTeste::conexoesAbertas(QString *erro) const
{
    int conexoes = -1;
    QStringList bancos;
    QString motivo;
    if (!consultar(&conexoes, &bancos, &motivo)) {
        if (erro)
            *erro = motivo;
        return -1;
    }
    return conexoes;
}

QStringList TServidorFirebirdTeste::bancosEmUso(QString *erro) const
{
    int conexoes = -1;
    QStringList bancos;
    QString motivo;
    if (!consultar(&conexoes, &bancos, &motivo) && erro)
        *erro = motivo;
    return bancos;
}

QStringList TServidorFirebirdTeste::aguardarBancosLivres(const QString &pasta,
                                                         int milissegundos) const
{
    const QString prefixo = QDir(pasta).canonicalPath() + u'/';
    QElapsedTimer relogio;
    relogio.start();
    for (;;) {
        QString erro;
        QStringList emUso;
        for (const QString &banco : bancosEmUso(&erro)) {
            const QString canonico = QFileInfo(banco).canonicalFilePath();
            if ((canonico.isEmpty() ? banco : canonico).startsWith(prefixo))
                emUso << banco;
        }
        if (!erro.isEmpty())
            return {QStringLiteral("error: ") + erro};
        if (emUso.isEmpty() || relogio.elapsed() >= milissegundos)
            return emUso;
        QThread::msleep(50);
    }
}

// ---- TBaseTeste ----

TBaseTeste TBaseTeste::comTrabalhadores(const QString &nome, int ativos, int inativos)
{
    TBaseTeste base;
    base.nome = nome;
    base.trabalhadores = {{QStringLiteral("1"), ativos}, {QStringLiteral("2"), inativos}};
    return base;
}

// ---- TPastaDadosTeste ----

TPastaDadosTeste::TPastaDadosTeste()
    : FTemporaria(std::make_unique<QTemporaryDir>(QDir::tempPath() + "/zamDados.XXXXXX"))
{
    FCompartilhamento = FTemporaria->path();
    FHost = std::make_shared<TZamDadosHost>();
    FHost->Setcompartilhamento(FCompartilhamento);
    FHost->setPath(pastaDados());
}

TPastaDadosTeste::TPastaDadosTeste(const QString &compartilhamento)
    : FCompartilhamento(compartilhamento)
    , FHost(std::make_shared<TZamDadosHost>())
{
    QDir().mkpath(compartilhamento);
    FHost->Setcompartilhamento(FCompartilhamento);
    FHost->setPath(pastaDados());
}

QString TPastaDadosTeste::pastaDados() const
{
    return FCompartilhamento + QStringLiteral("/ZAM_DADOS/");
}

QString TPastaDadosTeste::arquivo(const QString &nome) const
{
    return pastaDados() + nome + QStringLiteral("/ZAM.FDB");
}

QString TPastaDadosTeste::criarBase(const TBaseTeste &base)
{
    if (FTemporaria && !FTemporaria->isValid())
        return QStringLiteral("cannot create a temporary folder: %1")
            .arg(FTemporaria->errorString());
    if (!TServidorFirebirdTeste::instancia().ativo())
        return TServidorFirebirdTeste::instancia().erro();
    const QString destino = arquivo(base.nome);
    try {
        const QString origem = modelo();
        if (QFile::exists(destino))
            throw EFalhaTeste(QStringLiteral("%1 already exists").arg(destino));
        if (!QDir().mkpath(pastaDados() + base.nome))
            throw EFalhaTeste(QStringLiteral("cannot create the folder of %1").arg(destino));
        QFile copia(origem);
        if (!copia.copy(destino))
            throw EFalhaTeste(QStringLiteral("cannot copy %1 to %2: %3")
                                  .arg(origem, destino, copia.errorString()));

        TConexaoEscrita conexao(destino, false);
        if (!base.tabelasAusentes.isEmpty()) {
            QStringList comandos;
            for (const QString &tabela : base.tabelasAusentes)
                comandos << QStringLiteral("drop table ") + tabela;
            conexao.executar(comandos);
        }
        const auto tem = [&](const QString &tabela) {
            return !base.tabelasAusentes.contains(tabela, Qt::CaseInsensitive);
        };
        QStringList comandos;
        if (tem(QStringLiteral("trabalhador"))) {
            int registro = 1;
            for (const TTrabalhadoresTeste &grupo : base.trabalhadores) {
                if (grupo.quantidade <= 0)
                    continue;
                comandos << QStringLiteral("execute block as declare i integer = 0; begin "
                                           "while (i < %1) do begin "
                                           "insert into trabalhador (registro, nome, situacao) "
                                           "values (%2 + :i, 'Trabalhador ' || (%2 + :i), %3); "
                                           "i = i + 1; end end")
                                .arg(grupo.quantidade)
                                .arg(registro)
                                .arg(literalOuNulo(grupo.situacao));
                registro += grupo.quantidade;
            }
        }
        if (tem(QStringLiteral("zamdef"))) {
            for (const std::optional<QString> &ultimo : base.ultimo)
                comandos << QStringLiteral("insert into zamdef (ultimo) values (%1)")
                                .arg(literalOuNulo(ultimo));
        }
        if (tem(QStringLiteral("empresa"))) {
            const QString razao = base.razao.isEmpty() ? base.nome : base.razao;
            for (const std::optional<QString> &uf : base.uf)
                comandos << QStringLiteral("insert into empresa (uf, razao) values (%1, %2)")
                                .arg(literalOuNulo(uf), literal(razao.left(60)));
        }
        if (!comandos.isEmpty())
            conexao.executar(comandos);
        for (const QString &comando : base.comandos)
            conexao.executar({comando});
    } catch (const EFalhaTeste &falha) {
        return QStringLiteral("%1: %2").arg(base.nome, falha.motivo());
    }
    return QString();
}

QString TPastaDadosTeste::criarBases(const std::vector<TBaseTeste> &bases)
{
    for (const TBaseTeste &base : bases) {
        const QString erro = criarBase(base);
        if (!erro.isEmpty())
            return erro;
    }
    return QString();
}

TZamDadosItemPtr TPastaDadosTeste::registro(const QString &nome) const
{
    auto item = std::make_shared<TZamDadosItem>(FHost);
    item->Setnome(nome);
    item->Setporta(TServidorFirebirdTeste::instancia().porta());
    return item;
}

quint16 portaSemServidor()
{
    QTcpServer servidor;
    if (!servidor.listen(QHostAddress::LocalHost, 0))
        return 0;
    const quint16 porta = servidor.serverPort();
    servidor.close();
    return porta;
}

struct TSessaoPendente::TDados
{
    std::unique_ptr<TConexaoEscrita> conexao;
    ITransaction *transacao = nullptr;
};

TSessaoPendente::TSessaoPendente(const QString &arquivo, const QString &comando)
    : FDados(std::make_unique<TDados>())
{
    try {
        FDados->conexao = std::make_unique<TConexaoEscrita>(arquivo, false);
        TStatusFirebird status;
        FDados->transacao = FDados->conexao->anexo()->startTransaction(&status, 0, nullptr);
        const QByteArray texto = ansi(comando);
        FDados->conexao->anexo()->execute(&status, FDados->transacao, unsigned(texto.size()),
                                          texto.constData(), 3, nullptr, nullptr, nullptr, nullptr);
    } catch (const FbException &falha) {
        FErro = textoDoStatus(falha);
    } catch (const EFalhaTeste &falha) {
        FErro = falha.motivo();
    }
}

TSessaoPendente::~TSessaoPendente()
{
    if (FDados->transacao) {
        CheckStatusWrapper status(mestreFirebird()->getStatus());
        FDados->transacao->rollback(&status);
        if (status.getState() & IStatus::STATE_ERRORS)
            FDados->transacao->release();
        status.dispose();
    }
}

qint64 TSessaoPendente::contar(const QString &consulta, QString *erro) const
{
    if (!FDados->transacao) {
        *erro = FErro;
        return -1;
    }
    try {
        TStatusFirebird status;
        const QByteArray texto = ansi(consulta);
        IStatement *comando = FDados->conexao->anexo()->prepare(
            &status, FDados->transacao, unsigned(texto.size()), texto.constData(), 3,
            IStatement::PREPARE_PREFETCH_METADATA);
        IMessageMetadata *saida = comando->getOutputMetadata(&status);
        std::vector<unsigned char> linha(saida->getMessageLength(&status));
        const unsigned posicao = saida->getOffset(&status, 0);
        const unsigned tipo = saida->getType(&status, 0);
        comando->execute(&status, FDados->transacao, nullptr, nullptr, saida, linha.data());
        saida->release();
        comando->free(&status);
        if (tipo == SQL_LONG) {
            qint32 valor;
            std::memcpy(&valor, linha.data() + posicao, sizeof valor);
            return valor;
        }
        qint64 valor;
        std::memcpy(&valor, linha.data() + posicao, sizeof valor);
        return valor;
    } catch (const FbException &falha) {
        *erro = textoDoStatus(falha);
        return -1;
    }
}
