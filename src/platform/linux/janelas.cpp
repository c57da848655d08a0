#include "platform/janelas.h"

#include <QByteArray>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>
#include <xcb/xcb.h>

namespace {

// Each call opens a connection of its own: the look-up runs about once a second from a worker
// thread, a connection costs far less than that, and nothing is shared between threads or
// outlives a display that went away.
struct TFecharConexao
{
    void operator()(xcb_connection_t *c) const { xcb_disconnect(c); }
};
using TConexao = std::unique_ptr<xcb_connection_t, TFecharConexao>;

template <typename T> using TResposta = std::unique_ptr<T, decltype(&std::free)>;

template <typename T> TResposta<T> resposta(T *r)
{
    return TResposta<T>(r, &std::free);
}

class TBuscaJanela
{
public:
    TBuscaJanela(xcb_connection_t *conexao, const QString &titulo)
        : FConexao(conexao)
        , FTitulo(titulo)
        , FUtf8(titulo.toUtf8())
    {
        // A title longer than what is asked for cannot be equal; reading one 32-bit unit
        // more than the longest encoding shows that it is longer.
        FComprimento = uint32_t(FUtf8.size() / 4 + 2);
        const xcb_intern_atom_cookie_t nome = interno("_NET_WM_NAME");
        const xcb_intern_atom_cookie_t utf8 = interno("UTF8_STRING");
        FNetWmName = atomo(nome);
        FUtf8String = atomo(utf8);
    }

    // Whether one of the windows, or one of their children, is shown with the title.
    bool procurar(const std::vector<xcb_window_t> &janelas, bool descer)
    {
        const std::vector<xcb_window_t> mapeadas = somenteMapeadas(janelas);
        if (temTitulo(mapeadas))
            return true;
        if (!descer)
            return false;
        // A reparenting window manager puts each program's window inside a frame of its own.
        std::vector<xcb_window_t> filhas;
        for (xcb_window_t janela : mapeadas) {
            const std::vector<xcb_window_t> destas = filhasDe(janela);
            filhas.insert(filhas.end(), destas.begin(), destas.end());
        }
        return procurar(filhas, false);
    }

    std::vector<xcb_window_t> filhasDe(xcb_window_t janela)
    {
        std::vector<xcb_window_t> filhas;
        auto arvore =
            resposta(xcb_query_tree_reply(FConexao, xcb_query_tree(FConexao, janela), nullptr));
        if (!arvore)
            return filhas;
        const xcb_window_t *lista = xcb_query_tree_children(arvore.get());
        filhas.assign(lista, lista + xcb_query_tree_children_length(arvore.get()));
        return filhas;
    }

private:
    xcb_intern_atom_cookie_t interno(const char *nome)
    {
        return xcb_intern_atom(FConexao, 1, uint16_t(std::strlen(nome)), nome);
    }

    xcb_atom_t atomo(xcb_intern_atom_cookie_t cookie)
    {
        auto r = resposta(xcb_intern_atom_reply(FConexao, cookie, nullptr));
        return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    // The requests go out together and the answers are collected after, so a desktop with
    // many windows costs one round trip, not one per window. A window that vanished in the
    // meantime just gives no answer.
    std::vector<xcb_window_t> somenteMapeadas(const std::vector<xcb_window_t> &janelas)
    {
        std::vector<xcb_get_window_attributes_cookie_t> pedidos;
        pedidos.reserve(janelas.size());
        for (xcb_window_t janela : janelas)
            pedidos.push_back(xcb_get_window_attributes(FConexao, janela));
        std::vector<xcb_window_t> mapeadas;
        for (size_t i = 0; i < janelas.size(); ++i) {
            auto atributos =
                resposta(xcb_get_window_attributes_reply(FConexao, pedidos[i], nullptr));
            if (atributos && atributos->map_state != XCB_MAP_STATE_UNMAPPED)
                mapeadas.push_back(janelas[i]);
        }
        return mapeadas;
    }

    bool temTitulo(const std::vector<xcb_window_t> &janelas)
    {
        std::vector<xcb_get_property_cookie_t> pedidos;
        pedidos.reserve(janelas.size() * 2);
        for (xcb_window_t janela : janelas) {
            pedidos.push_back(propriedade(janela, FNetWmName));
            pedidos.push_back(propriedade(janela, XCB_ATOM_WM_NAME));
        }
        bool achou = false;
        // Every answer is read, also after a match, so none is left waiting on the connection.
        for (xcb_get_property_cookie_t pedido : pedidos) {
            auto valor = resposta(xcb_get_property_reply(FConexao, pedido, nullptr));
            if (valor && !achou)
                achou = igual(valor.get());
        }
        return achou;
    }

    xcb_get_property_cookie_t propriedade(xcb_window_t janela, xcb_atom_t nome)
    {
        if (nome == XCB_ATOM_NONE)
            nome = XCB_ATOM_WM_NAME;
        return xcb_get_property(FConexao, 0, janela, nome, XCB_GET_PROPERTY_TYPE_ANY, 0,
                                FComprimento);
    }

    // _NET_WM_NAME is UTF-8 by definition; WM_NAME is Latin-1 when its type is STRING, but
    // some programs store UTF-8 there and say so with its type.
    bool igual(const xcb_get_property_reply_t *valor) const
    {
        if (valor->type == XCB_ATOM_NONE || valor->format != 8 || valor->bytes_after > 0)
            return false;
        const auto *bytes = static_cast<const char *>(xcb_get_property_value(valor));
        const int tamanho = xcb_get_property_value_length(valor);
        if (valor->type == FUtf8String)
            return QByteArray::fromRawData(bytes, tamanho) == FUtf8;
        return QString::fromLatin1(bytes, tamanho) == FTitulo;
    }

    xcb_connection_t *FConexao;
    const QString &FTitulo;
    QByteArray FUtf8;
    uint32_t FComprimento = 0;
    xcb_atom_t FNetWmName = XCB_ATOM_NONE;
    xcb_atom_t FUtf8String = XCB_ATOM_NONE;
};

} // namespace

bool existeJanela(const QString &titulo)
{
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty())
        return false;
    TConexao conexao(xcb_connect(display.constData(), nullptr));
    if (!conexao || xcb_connection_has_error(conexao.get()))
        return false;
    TBuscaJanela busca(conexao.get(), titulo);
    for (xcb_screen_iterator_t tela = xcb_setup_roots_iterator(xcb_get_setup(conexao.get()));
         tela.rem > 0; xcb_screen_next(&tela)) {
        if (busca.procurar(busca.filhasDe(tela.data->root), true))
            return true;
    }
    return false;
}
