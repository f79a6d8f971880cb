// The main window's similarity mode: a thin layer over ModeloGrupos (src/match), beside the
// exact grouping, which it leaves untouched.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListWidget>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QTableView>
#include <QTimer>
#include <mutex>

#include "decisions/frmSemSolucao.h"
#include "main/ConsultaEmSegundoPlano.h"
#include "main/frmPrincipal.h"
#include "match/ModeloGrupos.h"
#include "ui/Acessibilidade.h"
#include "ui/DE.h"
#include "ui/ListaPacientes.h"
#include "ui/MsgBox.h"
#include "ui/RecordsetModel.h"

void frmPrincipal::montarSemelhanca() {
    m_grupos = new ModeloGrupos(this);
    chkSemelhanca = new QCheckBox(QString::fromUtf8("Semelhança"));
    chkSemelhanca->setObjectName(QStringLiteral("chkSemelhanca"));
    chkSemelhanca->setToolTip(QString::fromUtf8(
        "Agrupar por semelhança: compara nomes, documentos e datas campo a campo e lista os "
        "grupos de cadastros que provavelmente são da mesma pessoa, do mais certo ao menos"));
    if (auto* grade = qobject_cast<QGridLayout*>(Frame2->layout()))
        grade->addWidget(chkSemelhanca, grade->rowCount(), 0, 1, 3);
    else if (Frame2->layout())
        Frame2->layout()->addWidget(chkSemelhanca);
    // The new box joins the keyboard route among the criteria, named for screen readers.
    ordenarTabulacao();
    NomearControles(*this);
}

struct frmPrincipal::BuscaSemelhanca {
    QVector<ModeloGrupos::Grupo> grupos;
    mutable std::mutex mutex;  // guards the stage, read by the window's progress timer
    QString etapa;
    int porcento = -1;
};

void frmPrincipal::Preencher_GridSemelhanca() {
    // A million records take tens of seconds: the search runs on the grouping's worker and
    // connection, shows its stage under the grid and stops with "Cancelar" like a grouping.
    auto busca = std::make_shared<BuscaSemelhanca>();
    m_busca = busca;
    consulta().IniciarTarefa([busca](Connection& cn, clsADO& ado,
                                     const ConsultaEmSegundoPlano::Cancelada& cancelada,
                                     ConsultaEmSegundoPlano::Desfecho& desfecho) {
        semelhanca::OpcoesBusca opcoes;
        opcoes.parar = cancelada;
        const auto progresso = [&busca](const QString& etapa, qint64 feito, qint64 total) {
            const std::lock_guard<std::mutex> trava(busca->mutex);
            busca->etapa = etapa;
            busca->porcento = total > 0 ? int(feito * 100 / total) : -1;
        };
        return ModeloGrupos::Buscar(cn, ado, opcoes, busca->grupos, desfecho.texto, progresso);
    });
    iniciarEspera(Agrupamento::Semelhanca);
}

QString frmPrincipal::etapaSemelhanca() const {
    if (m_agrupamento != Agrupamento::Semelhanca || !m_busca)
        return {};
    const std::lock_guard<std::mutex> trava(m_busca->mutex);
    if (m_busca->etapa.isEmpty())
        return {};
    return QStringLiteral(" (") + m_busca->etapa +
           (m_busca->porcento >= 0 ? QStringLiteral(" %1%").arg(m_busca->porcento) : QString()) +
           QLatin1Char(')');
}

void frmPrincipal::semelhancaChegou() {
    m_progresso->stop();
    const ConsultaEmSegundoPlano::Desfecho& r = m_consulta->Resultado();
    const std::shared_ptr<BuscaSemelhanca> busca = std::exchange(m_busca, nullptr);
    if (r.cancelada || !r.ok || !busca) {
        // The result on screen, whichever mode it is in, stays as it was.
        lblItensnaLista->setText(m_contadorAntes);
        segurarEntrada(false);
        if (!r.cancelada && !r.ok)  // numbered when the worker's connection did not open
            MsgBox(r.numero ? QStringLiteral("Ao ler os pacientes, ocorreu o seguinte erro:\n\n"
                                             "%1 - %2")
                                  .arg(r.numero)
                                  .arg(r.texto)
                            : r.texto);
        return;
    }
    {
        const QScopedValueRollback<bool> religando(m_religando, true);
        m_grupos->Definir(std::move(busca->grupos));
        if (!m_modoSemelhanca) {
            m_modoSemelhanca = true;
            dbGridCriterio->setModel(m_grupos);
            // A new model brings a new selection model: the row change is ours while the mode
            // lasts.
            connect(dbGridCriterio->selectionModel(), &QItemSelectionModel::currentChanged, this,
                    [this](const QModelIndex& atual, const QModelIndex&) {
                        if (m_modoSemelhanca && !m_religando && atual.isValid())
                            Preencher_GrupoSemelhante();
                    });
        }
        esvaziarLista();
    }
    lblItensNaLista_Atualizar();
    segurarEntrada(false);
    if (m_grupos->rowCount() > 0)
        dbGridCriterio->setCurrentIndex(m_grupos->index(0, 0));
    else
        lstSemelhante_Click();
}

void frmPrincipal::sairSemelhanca() {
    if (!m_modoSemelhanca)
        return;
    m_modoSemelhanca = false;
    LigarGrade(*dbGridCriterio, *m_modelo, [this] {
        if (!m_religando) {
            dbGridCriterio_RowColChange(0, 0);
        }
    });
}

bool frmPrincipal::Preencher_GrupoSemelhante() {
    const QModelIndex atual = dbGridCriterio->currentIndex();
    const int linha = atual.isValid() ? atual.row() : -1;
    if (linha < 0 || linha >= m_grupos->rowCount()) {
        esvaziarLista();
        lstSemelhante_Click();
        return false;
    }
    clsADO& ado = ADO();
    Recordset& rs = DE().rsSemelhante;
    if (!m_grupos->AbrirMembros(DE().Conexao, ado, rs, linha)) {
        MsgBox(QStringLiteral("Ao preencher a lista de pacientes, ocorreu o seguinte erro:") +
               QString::number(ado.ErrorNumber()) + QStringLiteral(" - ") + ado.ErrorString());
        return false;
    }
    {
        const QSignalBlocker bloqueio(lstSemelhante);
        lstSemelhante->clear();
        m_marcadorLista.clear();
        PreencherListaPacientes(*lstSemelhante, rs);
        SemSolucao_MostrarMarcas(*lstSemelhante);
        if (lstSemelhante->count() > 0)
            lstSemelhante->setCurrentRow(0);
    }
    lstSemelhante_Click();
    return true;
}

void frmPrincipal::ReLinkarSemelhanca() {
    // After a merge: the merged records leave their group (without searching the register
    // again); the same row, or the one before it when the group is gone, becomes current.
    const int linha = dbGridCriterio->currentIndex().row();
    {
        const QScopedValueRollback<bool> religando(m_religando, true);
        esvaziarLista();
        m_grupos->Conferir(DE().Conexao, ADO(), linha);  // a failure keeps the group as it was
        const int alvo = std::min(linha, m_grupos->rowCount() - 1);
        if (alvo >= 0)
            dbGridCriterio->setCurrentIndex(m_grupos->index(alvo, 0));
    }
    Preencher_GrupoSemelhante();
    lblItensNaLista_Atualizar();
}
