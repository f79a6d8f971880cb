#include "ui/ColunasLembradas.h"

#include <QEvent>
#include <QHeaderView>
#include <QTableView>
#include <QTimer>
#include <QTreeView>
#include <algorithm>

#include "settings/Configuracao.h"
#include "ui/FiltroGrade.h"

namespace {

const QString kSecao = QStringLiteral("Colunas");

}  // namespace

ColunasLembradas::ColunasLembradas(QAbstractItemView& vista, std::function<QString()> chave,
                                   int flexivel)
    : QObject(&vista), m_vista(vista), m_chave(std::move(chave)), m_flexivel(flexivel) {}

QString ColunasLembradas::Cabecalhos(const QAbstractItemView& vista) {
    QStringList nomes;
    const QAbstractItemModel* m = vista.model();
    for (int c = 0; m && c < m->columnCount(); ++c) {
        nomes << m->headerData(c, Qt::Horizontal).toString();
    }
    return nomes.join(QLatin1Char(','));
}

ColunasLembradas* ColunasLembradas::Acompanhar(QAbstractItemView& vista,
                                               std::function<QString()> chave, int flexivel) {
    auto* colunas = new ColunasLembradas(vista, std::move(chave), flexivel);
    vista.installEventFilter(colunas);
    QHeaderView* cabecalho = colunas->cabecalho();
    if (cabecalho) {
        // The widths are the ones fitted here or chosen by the administrator: the last column
        // does not take the rest behind their back.
        cabecalho->setStretchLastSection(false);
        cabecalho->setSectionResizeMode(QHeaderView::Interactive);
        connect(cabecalho, &QHeaderView::sectionResized, colunas, [colunas] {
            if (!colunas->m_ajustando) {
                colunas->gravar();
            }
        });
        // New columns (a new result, another mode): after the view has taken them in.
        connect(cabecalho, &QHeaderView::sectionCountChanged, colunas,
                [colunas] { QTimer::singleShot(0, colunas, &ColunasLembradas::Ajustar); });
    }
    return colunas;
}

QHeaderView* ColunasLembradas::cabecalho() const {
    if (auto* tabela = qobject_cast<QTableView*>(&m_vista)) {
        return tabela->horizontalHeader();
    }
    if (auto* arvore = qobject_cast<QTreeView*>(&m_vista)) {
        return arvore->header();
    }
    return nullptr;
}

QList<int> ColunasLembradas::Gravadas(const QString& chave) {
    QList<int> larguras;
    const QString texto = GetSetting(kAplicacaoCadunir, kSecao, chave);
    for (const QString& parte : texto.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int largura = parte.toInt(&ok);
        if (!ok || largura <= 0) {
            return {};
        }
        larguras << largura;
    }
    return larguras;
}

void ColunasLembradas::gravar() {
    QHeaderView* c = cabecalho();
    if (!c || c->count() == 0 || m_aplicada.isEmpty()) {
        return;  // nothing fitted yet: a resize by the layout is no choice of the user's
    }
    QStringList larguras;
    for (int i = 0; i < c->count(); ++i) {
        larguras << QString::number(c->sectionSize(i));
    }
    SaveSetting(kAplicacaoCadunir, kSecao, m_chave(), larguras.join(QLatin1Char(',')));
}

void ColunasLembradas::Ajustar() {
    QHeaderView* c = cabecalho();
    if (!c || c->count() == 0 || !m_vista.isVisible() || !m_vista.model()) {
        return;
    }
    const QString chave = m_chave();
    const QString aplicada = chave + QLatin1Char('#') + QString::number(c->count());
    if (aplicada == m_aplicada) {
        return;
    }
    m_ajustando = true;
    const QList<int> gravadas = Gravadas(chave);
    if (gravadas.size() == c->count()) {
        for (int i = 0; i < c->count(); ++i) {
            c->resizeSection(i, gravadas[i]);
        }
    } else {
        QVector<int> conteudo;
        QVector<int> titulos;
        for (int i = 0; i < c->count(); ++i) {
            conteudo << m_vista.sizeHintForColumn(i);
            titulos << c->sectionSizeHint(i);
        }
        // Without a flexible column of its own, the one with the longest values is it.
        const int flexivel =
            m_flexivel >= 0
                ? m_flexivel
                : int(std::max_element(conteudo.begin(), conteudo.end()) - conteudo.begin());
        const QVector<int> larguras =
            LargurasColunas(conteudo, titulos, m_vista.viewport()->width(), flexivel);
        for (int i = 0; i < larguras.size(); ++i) {
            c->resizeSection(i, larguras[i]);
        }
    }
    m_ajustando = false;
    m_aplicada = aplicada;
}

bool ColunasLembradas::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_vista && event->type() == QEvent::Show) {
        // After the layout has given the view its size.
        QTimer::singleShot(0, this, &ColunasLembradas::Ajustar);
    }
    return QObject::eventFilter(watched, event);
}
