#pragma once

#include <QString>
#include <functional>

class QLabel;
class QWidget;

// Height of the search bar for a bold line height h: h + h/2, halves rounded to the even
// neighbour (13 gives 19, 15 gives 23).
int alturaBarraBusca(int alturaLinha);

// Type-to-search of a list: the characters typed make a search text, shown in a bar below
// the rows, and each one moves the selection to the first row that the text finds. A text
// of blanks ends the search; backspace (character 8) takes a character back.
class TBuscaDigitada
{
public:
    // localizar gives the row the text finds (-1 none); mostrar selects and shows it;
    // geometria is called when the bar comes or goes, so that the list makes room for it.
    TBuscaDigitada(QWidget &lista, std::function<int(const QString &)> localizar,
                   std::function<void(int linha)> mostrar, std::function<void()> geometria);
    ~TBuscaDigitada();
    TBuscaDigitada(const TBuscaDigitada &) = delete;
    TBuscaDigitada &operator=(const TBuscaDigitada &) = delete;

    // True when the character took part in a search (also one that ended it).
    bool caractere(QChar c);
    void encerrar();
    // The bar while a search is under way, and the height it takes.
    QLabel *barra() const { return FBarra; }
    int altura() const { return FBarra ? FAltura : 0; }

private:
    void criarBarra();

    QWidget &FLista;
    std::function<int(const QString &)> FLocalizar;
    std::function<void(int)> FMostrar;
    std::function<void()> FGeometria;
    QLabel *FBarra = nullptr;
    int FAltura = 0;
};
