#include "firebird/conexaoZam.h"

#include "firebird/somenteLeitura.h"
#include "firebird/statusFirebird.h"
#include "platform/ambienteC.h"
#include "platform/arquivoTexto.h"
#include "platform/conexaoTcp.h"
#include "platform/erros.h"

#include <QDeadlineTimer>
#include <QScopeGuard>
#include <QStringList>
#include <cmath>
#include <cstring>
#include <limits>

using namespace Firebird;

namespace {

// The library's text for a failure: one line per message of the status vector.
QString textoDoStatus(IStatus *status)
{
    char texto[4096];
    mestreFirebird()->getUtilInterface()->formatStatus(texto, sizeof texto, status);
    // Server texts carry names as the server got them: file names in UTF-8, table and
    // column names in the connection's Windows-1252.
    const QByteArray bytes(texto);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString mensagem = utf8(bytes);
    if (utf8.hasError())
        mensagem = QStringDecoder("windows-1252")(bytes);
    QStringList linhas = mensagem.split(u'\n', Qt::SkipEmptyParts);
    for (QString &linha : linhas) {
        // Continuation lines start with "-".
        if (linha.startsWith(u'-'))
            linha.remove(0, 1);
    }
    return linhas.join(u'\n');
}

[[noreturn]] void lancar(const FbException &falha)
{
    throw EZamErro(textoDoStatus(falha.getStatus()));
}

TTipoCampoZam tipoDoCampo(unsigned tipoSql, int escala)
{
    switch (tipoSql) {
    case SQL_TEXT:
    case SQL_VARYING:
        return TTipoCampoZam::Texto;
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
        return escala < 0 ? TTipoCampoZam::Numerico : TTipoCampoZam::Inteiro;
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        return TTipoCampoZam::Flutuante;
    case SQL_TYPE_DATE:
        return TTipoCampoZam::Data;
    case SQL_TYPE_TIME:
        return TTipoCampoZam::Hora;
    case SQL_TIMESTAMP:
        return TTipoCampoZam::DataHora;
    case SQL_BOOLEAN:
        return TTipoCampoZam::Booleano;
    case SQL_BLOB:
        return TTipoCampoZam::Blob;
    default:
        return TTipoCampoZam::Outro;
    }
}

// Bytes the text form of a value may take: text keeps its own length, the others are
// given room for their longest text.
unsigned tamanhoComoTexto(unsigned tipoSql, unsigned tamanho)
{
    switch (tipoSql) {
    case SQL_TEXT:
    case SQL_VARYING:
        return tamanho;
    default:
        return 64;
    }
}

constexpr int subtipoTexto = 1;

// The host and port of a database string "host/port:path" ("[address]/port:path" for IPv6);
// false for any other form, which the library reads by rules of its own.
bool hostEPorta(const QString &stringConnection, QString *host, quint16 *porta)
{
    qsizetype barra;
    if (stringConnection.startsWith(u'[')) {
        const qsizetype fecha = stringConnection.indexOf(u']');
        if (fecha < 0 || stringConnection.mid(fecha + 1, 1) != u"/")
            return false;
        *host = stringConnection.mid(1, fecha - 1);
        barra = fecha + 1;
    } else {
        barra = stringConnection.indexOf(u'/');
        const qsizetype doisPontos = stringConnection.indexOf(u':');
        if (barra <= 0 || (doisPontos >= 0 && doisPontos < barra))
            return false;
        *host = stringConnection.left(barra);
    }
    const qsizetype doisPontos = stringConnection.indexOf(u':', barra);
    if (doisPontos < 0)
        return false;
    bool ok = false;
    const uint numero = stringConnection.mid(barra + 1, doisPontos - barra - 1).toUInt(&ok);
    if (!ok || numero == 0 || numero > 65535)
        return false;
    *porta = quint16(numero);
    return true;
}

// The client library bounds the wait for the server's answer by the connect timeout, but
// not the TCP connection itself: a host that drops the packets would hold a worker for
// minutes. A connection of our own, closed again at once, finds such a host first. Any
// other outcome is left to the library, so that its own text reports it.
void verificarHostResponde(const QString &stringConnection, const std::atomic<bool> &cancelada)
{
    QString host;
    quint16 porta = 0;
    if (!hostEPorta(stringConnection, &host, &porta))
        return;
    // Waited for in short slices, so that a cancel does not wait for a host that is gone.
    switch (testarConexaoTcp(host, porta, TConsultaZam::tempoLimiteConexao * 1000, cancelada)) {
    case TRespostaTcp::Cancelado:
        throw EZamErro(TConsultaZam::mensagemCancelada);
    case TRespostaTcp::SemResposta:
        throw EZamErro(QStringLiteral("Unable to complete network request to host \"%1\".\n"
                                      "Failed to establish a connection.\n"
                                      "No answer within %2 seconds.")
                           .arg(host)
                           .arg(TConsultaZam::tempoLimiteConexao));
    case TRespostaTcp::Conectou:
    case TRespostaTcp::Recusou:
        break;
    }
}

} // namespace

TConsultaZam::TConsultaZam(const QString &stringConnection, const QString &sql)
    : FStringConnection(stringConnection)
    , FSql(sql)
    , FDecodificador("windows-1252", QStringDecoder::Flag::Stateless)
{
}

TConsultaZam::~TConsultaZam()
{
    Release();
}

void TConsultaZam::Open()
{
    if (FAtiva)
        throw EZamErro(QStringLiteral("Cannot perform this operation on an open dataset"));
    const QString texto = textoSomenteLeitura(FSql);
    if (!cabeEmAnsi(texto))
        throw EZamErro(QStringLiteral("O texto SQL tem caracteres que não existem em "
                                      "Windows-1252."));
    const QByteArray sql = codificarTexto(texto, TCodificacaoTexto::Ansi);
    FAtiva = true;
    try {
        verificarHostResponde(FStringConnection, FCancelada);
        anexar();
        verificarCancelamento();
        TStatusFirebird estado;
        TStatusFirebird *status = &estado;

        // Read-only, reading what is committed: it never waits for a lock and cannot write.
        static const unsigned char tpb[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed,
                                            isc_tpb_rec_version, isc_tpb_nowait};
        FTransacao = FAttachment->startTransaction(status, sizeof tpb, tpb);

        FComando = FAttachment->prepare(status, FTransacao, unsigned(sql.size()), sql.constData(),
                                        SQL_DIALECT_V6, IStatement::PREPARE_PREFETCH_METADATA);
        // Only a query runs: the read-only transaction does not cover sequences, monitoring
        // tables or a transaction of the statement's own.
        const QString recusa = mensagemComandoRecusado(FComando->getType(status));
        if (!recusa.isEmpty())
            throw EZamErro(recusa);

        prepararCampos();
        verificarCancelamento();
        FCursor = FComando->openCursor(status, FTransacao, nullptr, nullptr, FMetadados, 0);
        FFimCursor = false;
        buscar();
    } catch (const FbException &falha) {
        const bool cancelada = FCancelada;
        Release();
        if (cancelada)
            throw EZamErro(mensagemCancelada);
        lancar(falha);
    } catch (...) {
        const bool cancelada = FCancelada;
        Release();
        if (cancelada)
            throw EZamErro(mensagemCancelada);
        throw;
    }
}

void TConsultaZam::anexar()
{
    // The client library turns the database string into a file name with the C library's
    // character type.
    garantirCaracteresUtf8();
    TStatusFirebird estado;
    TStatusFirebird *status = &estado;
    IUtil *util = mestreFirebird()->getUtilInterface();
    IXpbBuilder *dpb = util->getXpbBuilder(status, IXpbBuilder::DPB, nullptr, 0);
    IProvider *provedor = nullptr;
    const auto liberar = qScopeGuard([&]() {
        if (provedor)
            provedor->release();
        dpb->dispose();
    });
    // File name and strings are UTF-8, whatever the machine's code page.
    dpb->insertTag(status, isc_dpb_utf8_filename);
    dpb->insertString(status, isc_dpb_user_name, usuario.toUtf8().constData());
    dpb->insertString(status, isc_dpb_password, senha.toUtf8().constData());
    dpb->insertString(status, isc_dpb_lc_ctype, conjuntoCaracteres.toUtf8().constData());
    dpb->insertInt(status, isc_dpb_connect_timeout, tempoLimiteConexao);
    provedor = mestreFirebird()->getDispatcher();
    IAttachment *anexo =
        provedor->attachDatabase(status, FStringConnection.toUtf8().constData(),
                                 dpb->getBufferLength(status), dpb->getBuffer(status));
    {
        std::lock_guard trava(FMutexAnexo);
        FAttachment = anexo;
    }
    // The client library puts its own signal handlers in place at its first connection.
    reforcarEncerramentoPorSinal();
}

void TConsultaZam::prepararCampos()
{
    TStatusFirebird estado;
    TStatusFirebird *status = &estado;
    // Every column but a BLOB as VARCHAR: the server writes each value as text, exact for
    // NUMERIC and BIGINT. A BLOB stays a BLOB and is read whole at fetching.
    IMessageMetadata *descrito = FComando->getOutputMetadata(status);
    IMetadataBuilder *construtor = nullptr;
    const auto liberar = qScopeGuard([&]() {
        if (construtor)
            construtor->release();
        descrito->release();
    });
    const unsigned colunas = descrito->getCount(status);
    construtor = descrito->getBuilder(status);
    FCampos.reserve(colunas);
    for (unsigned i = 0; i < colunas; ++i) {
        TCampoZam campo;
        const char *alias = descrito->getAlias(status, i);
        campo.nome =
            FDecodificador(QByteArray(alias && *alias ? alias : descrito->getField(status, i)));
        campo.tipoSql = descrito->getType(status, i);
        campo.escala = descrito->getScale(status, i);
        campo.subtipo = descrito->getSubType(status, i);
        campo.tamanho = descrito->getLength(status, i);
        campo.tipo = tipoDoCampo(campo.tipoSql, campo.escala);
        if (campo.tipoSql != SQL_BLOB) {
            construtor->setType(status, i, SQL_VARYING);
            construtor->setLength(status, i, tamanhoComoTexto(campo.tipoSql, campo.tamanho));
            construtor->setScale(status, i, 0);
        }
        FCampos.push_back(campo);
    }
    FMetadados = construtor->getMetadata(status);
    FTamanhoLinha = FMetadados->getMessageLength(status);
    for (unsigned i = 0; i < FCampos.size(); ++i) {
        FPosicoes.push_back(FMetadados->getOffset(status, i));
        FPosicoesNulo.push_back(FMetadados->getNullOffset(status, i));
    }
}

void TConsultaZam::cancelar() noexcept
{
    FCancelada = true;
    std::lock_guard trava(FMutexAnexo);
    if (!FAttachment)
        return;
    IStatus *bruto = mestreFirebird()->getStatus();
    {
        // Nothing running to cancel is not a failure here.
        CheckStatusWrapper status(bruto);
        FAttachment->cancelOperation(&status, fb_cancel_raise);
    }
    bruto->dispose();
}

void TConsultaZam::verificarCancelamento() const
{
    if (FCancelada)
        throw EZamErro(mensagemCancelada);
}

void TConsultaZam::buscar()
{
    if (FFimCursor)
        return;
    TLinhaLida linha;
    linha.dados = QByteArray(int(FTamanhoLinha), '\0');
    try {
        verificarCancelamento();
        TStatusFirebird estado;
        TStatusFirebird *status = &estado;
        if (FCursor->fetchNext(status, linha.dados.data()) == IStatus::RESULT_OK) {
            lerBlobs(linha.dados, linha.blobs);
            FLinhas.push_back(std::move(linha));
        } else {
            FFimCursor = true;
        }
    } catch (const FbException &falha) {
        FFimCursor = true;
        if (FCancelada)
            throw EZamErro(mensagemCancelada);
        lancar(falha);
    } catch (...) {
        FFimCursor = true;
        throw;
    }
}

void TConsultaZam::lerBlobs(QByteArray &linha, std::vector<QByteArray> &blobs)
{
    TStatusFirebird estado;
    TStatusFirebird *status = &estado;
    for (std::size_t i = 0; i < FCampos.size(); ++i) {
        if (FCampos[i].tipoSql != SQL_BLOB)
            continue;
        blobs.resize(FCampos.size());
        qint16 nulo;
        std::memcpy(&nulo, linha.constData() + FPosicoesNulo[i], sizeof nulo);
        if (nulo)
            continue;
        ISC_QUAD id;
        std::memcpy(&id, linha.constData() + FPosicoes[i], sizeof id);
        IBlob *blob = FAttachment->openBlob(status, FTransacao, &id, 0, nullptr);
        const auto fechar = qScopeGuard([&]() {
            CheckStatusWrapper silencioso(mestreFirebird()->getStatus());
            blob->close(&silencioso);
            if (silencioso.getState() & IStatus::STATE_ERRORS)
                blob->release();
            silencioso.dispose();
        });
        QByteArray conteudo;
        char pedaco[32768];
        for (;;) {
            verificarCancelamento();
            unsigned lidos = 0;
            const int resultado = blob->getSegment(status, sizeof pedaco, pedaco, &lidos);
            if (resultado != IStatus::RESULT_OK && resultado != IStatus::RESULT_SEGMENT)
                break;
            conteudo.append(pedaco, qsizetype(lidos));
        }
        if (FCampos[i].subtipo != subtipoTexto)
            conteudo = codificarTexto(QStringLiteral("(binário, %1 bytes)").arg(conteudo.size()),
                                      TCodificacaoTexto::Ansi);
        blobs[i] = conteudo.isNull() ? QByteArray("") : conteudo;
    }
}

void TConsultaZam::verificarIndice(int i) const
{
    if (i < 0 || i >= int(FCampos.size()))
        throw EZamErro(QStringLiteral("List index out of bounds (%1)").arg(i));
}

const char *TConsultaZam::valor(int i, unsigned *tamanho) const
{
    verificarIndice(i);
    if (FLinhas.empty())
        return nullptr;
    const TLinhaLida &atual = FLinhas.front();
    const char *linha = atual.dados.constData();
    qint16 nulo;
    std::memcpy(&nulo, linha + FPosicoesNulo[size_t(i)], sizeof nulo);
    if (nulo)
        return nullptr;
    if (FCampos[size_t(i)].tipoSql == SQL_BLOB) {
        const QByteArray &conteudo = atual.blobs[size_t(i)];
        *tamanho = unsigned(conteudo.size());
        return conteudo.constData();
    }
    quint16 comprimento;
    std::memcpy(&comprimento, linha + FPosicoes[size_t(i)], sizeof comprimento);
    *tamanho = comprimento;
    return linha + FPosicoes[size_t(i)] + sizeof comprimento;
}

QString TConsultaZam::campoTexto(int i) const
{
    unsigned tamanho = 0;
    const char *dados = valor(i, &tamanho);
    if (!dados)
        return QString();
    return FDecodificador(QByteArrayView(dados, qsizetype(tamanho)));
}

qint32 TConsultaZam::campoInteiro(int i) const
{
    if (campoNulo(i))
        return 0;
    const QString texto = campoTexto(i).trimmed();
    bool ok = false;
    const qint32 inteiro = texto.toInt(&ok);
    if (ok)
        return inteiro;
    // An exact or floating number is rounded, as long as it fits.
    const TTipoCampoZam tipo = FCampos[size_t(i)].tipo;
    if (tipo == TTipoCampoZam::Numerico || tipo == TTipoCampoZam::Flutuante) {
        const double numero = texto.toDouble(&ok);
        if (ok && std::isfinite(numero) &&
            std::round(numero) >= std::numeric_limits<qint32>::min() &&
            std::round(numero) <= std::numeric_limits<qint32>::max())
            return qint32(std::round(numero));
    }
    throw EZamErro(QStringLiteral("'%1' is not a valid integer value").arg(texto));
}

bool TConsultaZam::campoNulo(int i) const
{
    unsigned tamanho = 0;
    return valor(i, &tamanho) == nullptr;
}

bool TConsultaZam::Eof() const
{
    return FLinhas.empty();
}

void TConsultaZam::Next()
{
    if (FLinhas.empty())
        return;
    FLinhas.pop_front();
    ++FLinhasPassadas;
    if (FLinhas.empty())
        buscar();
}

QString TConsultaZam::FieldName(int i) const
{
    return campo(i).nome;
}

const TCampoZam &TConsultaZam::campo(int i) const
{
    verificarIndice(i);
    return FCampos[size_t(i)];
}

int TConsultaZam::RecordCount()
{
    while (!FFimCursor)
        buscar();
    return FLinhasPassadas + int(FLinhas.size());
}

void TConsultaZam::Release() noexcept
{
    // Each step is tried whatever the one before did: a broken connection must still give
    // back every object. The transaction only read, so rolling it back loses nothing.
    IStatus *bruto = mestreFirebird()->getStatus();
    {
        CheckStatusWrapper status(bruto);
        if (FCursor) {
            FCursor->close(&status);
            if (status.getState() & IStatus::STATE_ERRORS)
                FCursor->release();
            status.init();
            FCursor = nullptr;
        }
        if (FMetadados) {
            FMetadados->release();
            FMetadados = nullptr;
        }
        if (FComando) {
            FComando->free(&status);
            if (status.getState() & IStatus::STATE_ERRORS)
                FComando->release();
            status.init();
            FComando = nullptr;
        }
        if (FTransacao) {
            FTransacao->rollback(&status);
            if (status.getState() & IStatus::STATE_ERRORS)
                FTransacao->release();
            status.init();
            FTransacao = nullptr;
        }
        std::lock_guard trava(FMutexAnexo);
        if (FAttachment) {
            FAttachment->detach(&status);
            if (status.getState() & IStatus::STATE_ERRORS)
                FAttachment->release();
            status.init();
            FAttachment = nullptr;
        }
    }
    bruto->dispose();
    FCancelada = false;
    FCampos.clear();
    FPosicoes.clear();
    FPosicoesNulo.clear();
    FLinhas.clear();
    FLinhasPassadas = 0;
    FFimCursor = true;
    FTamanhoLinha = 0;
    FAtiva = false;
}
