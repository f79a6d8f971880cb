#include "ui/PainelInstrucoes.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>

PainelInstrucoes::PainelInstrucoes(const QStringList& textos, QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < textos.size(); ++i) {
        auto* caixa = new QPlainTextEdit(textos[i]);
        const int margem = 2 * int(caixa->document()->documentMargin()) + 4;
        caixa->setMinimumHeight(caixa->fontMetrics().lineSpacing() * 2 + margem);
        caixa->setReadOnly(true);
        caixa->setFocusPolicy(Qt::NoFocus);
        caixa->setFrameShape(QFrame::NoFrame);
        caixa->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        caixa->viewport()->setAutoFillBackground(false);
        caixa->installEventFilter(this);
        m_caixas.append(caixa);
        layout->addWidget(caixa);
        caixa->setMaximumHeight(alturaCaixa(i));
        if (i + 1 < textos.size()) {
            auto* linha = new QFrame;
            linha->setFrameShape(QFrame::HLine);
            linha->setFrameShadow(QFrame::Sunken);
            m_linhas.append(linha);
            layout->addWidget(linha);
        }
    }
}

int PainelInstrucoes::alturaCaixa(int i) const {
    const QPlainTextEdit* caixa = m_caixas[i];
    const int margem = int(caixa->document()->documentMargin());
    const int largura = std::max(caixa->viewport()->width() - 2 * margem, 100);
    const int linhas = caixa->fontMetrics()
                           .boundingRect(QRect(0, 0, largura, 1 << 20), Qt::TextWordWrap,
                                         caixa->toPlainText().trimmed())
                           .height();
    return linhas + 2 * margem + 2 * caixa->frameWidth() + 2;
}

int PainelInstrucoes::AlturaNecessaria() {
    int altura = 0;
    for (int i = 0; i < m_caixas.size(); ++i) {
        m_caixas[i]->setMaximumHeight(alturaCaixa(i));
        altura += m_caixas[i]->maximumHeight();
    }
    for (const QFrame* linha : m_linhas) {
        altura += linha->sizeHint().height();
    }
    const QMargins m = layout()->contentsMargins();
    return altura + m.top() + m.bottom() + 2 * frameWidth() +
           layout()->spacing() * int(m_caixas.size() + m_linhas.size() - 1);
}

bool PainelInstrucoes::eventFilter(QObject* watched, QEvent* event) {
    const int i = int(std::find(m_caixas.begin(), m_caixas.end(), watched) - m_caixas.begin());
    if (i < m_caixas.size() && event->type() == QEvent::Resize) {
        m_caixas[i]->setMaximumHeight(alturaCaixa(i));  // a new width wraps its lines anew
    } else if (i < m_caixas.size() && event->type() == QEvent::FocusIn) {
        emit caixaFocada(i);
    }
    return QFrame::eventFilter(watched, event);
}
