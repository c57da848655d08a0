#include "controls/buscaDigitada.h"

#include "controls/dadosLista.h"

#include <QLabel>
#include <utility>

int alturaBarraBusca(int alturaLinha)
{
    int metade = alturaLinha / 2;
    // An odd height leaves a half: round it to the even neighbour.
    if (alturaLinha % 2 != 0 && metade % 2 != 0)
        ++metade;
    return alturaLinha + metade;
}

TBuscaDigitada::TBuscaDigitada(QWidget &lista, std::function<int(const QString &)> localizar,
                               std::function<void(int)> mostrar, std::function<void()> geometria)
    : FLista(lista)
    , FLocalizar(std::move(localizar))
    , FMostrar(std::move(mostrar))
    , FGeometria(std::move(geometria))
{
}

TBuscaDigitada::~TBuscaDigitada()
{
    // The bar is a child of the list, which may be going away already.
    FBarra = nullptr;
}

bool TBuscaDigitada::caractere(QChar c)
{
    QString busca = FBarra ? FBarra->text() : QString();
    if (c.unicode() == 8)
        busca.chop(1);
    else
        busca.append(c);
    if (aparar(busca).isEmpty()) {
        const bool havia = FBarra != nullptr;
        encerrar();
        return havia;
    }
    if (!FBarra)
        criarBarra();
    FBarra->setText(busca);
    FMostrar(FLocalizar(busca));
    return true;
}

void TBuscaDigitada::criarBarra()
{
    const QWidget *recipiente = FLista.parentWidget() ? FLista.parentWidget() : &FLista;
    QFont fonte = recipiente->font();
    fonte.setBold(true);

    FBarra = new QLabel(&FLista);
    FBarra->setObjectName(QStringLiteral("FLabelBusca"));
    FBarra->setTextFormat(Qt::PlainText);
    FBarra->setFont(fonte);
    QPalette cores = FBarra->palette();
    cores.setColor(QPalette::WindowText, QColor(0, 0, 255));
    cores.setColor(QPalette::Window, QColor(255, 255, 170));
    FBarra->setPalette(cores);
    FBarra->setAutoFillBackground(true);
    FBarra->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    FAltura = alturaBarraBusca(QFontMetrics(fonte).height());
    FBarra->show();
    FGeometria();
}

void TBuscaDigitada::encerrar()
{
    if (!FBarra)
        return;
    delete FBarra;
    FBarra = nullptr;
    FGeometria();
}
