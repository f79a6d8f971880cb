#pragma once

#include <QFrame>
#include <QStringList>
#include <QVector>

class QPlainTextEdit;

// Fixed texts one above the other with a line between two, for reading only: never in the tab
// order, and a click on one gives the focus back (caixaFocada, the window decides where). Each
// box is as tall as its lines wrap at its width and no taller; on a short screen it scrolls.
class PainelInstrucoes : public QFrame {
    Q_OBJECT

  public:
    explicit PainelInstrucoes(const QStringList& textos, QWidget* parent = nullptr);

    QPlainTextEdit* Caixa(int i) const { return m_caixas[i]; }
    QFrame* Linha(int i) const { return m_linhas[i]; }
    // The height the whole panel needs for every line of every box at their widths now.
    int AlturaNecessaria();

  signals:
    void caixaFocada(int indice);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    int alturaCaixa(int i) const;

    QVector<QPlainTextEdit*> m_caixas;
    QVector<QFrame*> m_linhas;
};
