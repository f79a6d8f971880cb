#include "decisions/frmSemSolucao.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyle>

#include "data/base/Diagnostico.h"
#include "data/base/ValorSeNulo.h"
#include "decisions/PacienteSemSolucao.h"
#include "decisions/clsPacienteSemSolucao.h"
#include "ui/Ampulheta.h"
#include "ui/AvisoCadastro.h"
#include "ui/DE.h"
#include "ui/FiltroGrade.h"
#include "ui/ListaPacientes.h"
#include "ui/Montagem.h"
#include "ui/MostrarModal.h"
#include "ui/MsgBox.h"

namespace {

// The catalogue's catch-all reason ("Outros"): it needs a note.
constexpr qint32 kJustificativaOutros = 3;
// Descricao is nvarchar(255): longer notes are refused at the keyboard, not by the database.
constexpr int kTamanhoObs = 255;

// A database failure as the boxes show it: after the sentence either two line feeds (layout A)
// or nothing at all (layout B), then "number - text".
QString LayoutA(const QString& frase, const clsError& erro) {
    return frase + QStringLiteral("\n\n") + QString::number(erro.ErrorNumber()) +
           QStringLiteral(" - ") + erro.ErrorString();
}
QString LayoutB(const QString& frase, const clsError& erro) {
    return frase + QString::number(erro.ErrorNumber()) + QStringLiteral(" - ") + erro.ErrorString();
}

const QString kAoAbrir = QStringLiteral("Ao abrir Paciente sem solução, ocorreu o seguinte erro:");

clsPacienteSemSolucao Marcas() {
    return clsPacienteSemSolucao(DE().Conexao, ADO());
}

}  // namespace

frmSemSolucao::frmSemSolucao(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSemSolucao"));
    setWindowTitle(QStringLiteral("Marcar paciente como sem solução"));

    const QString legendas[] = {QStringLiteral("Paciente:"), QStringLiteral("Prontuário:"),
                                QStringLiteral("Motivo:"), QStringLiteral("Observação:")};
    for (int i = 0; i < int(lblCaption.size()); ++i) {
        lblCaption[i] = new QLabel(legendas[i], this);
        lblCaption[i]->setObjectName(QStringLiteral("lblCaption_%1").arg(i));
    }
    lblPaciente = new QLabel(this);
    lblPaciente->setObjectName(QStringLiteral("lblPaciente"));
    lblProntuario = new QLabel(this);
    lblProntuario->setObjectName(QStringLiteral("lblProntuario"));
    for (QLabel* valor : {lblPaciente, lblProntuario}) {
        valor->setFrameShape(QFrame::StyledPanel);
        valor->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    dtcboMotivo = new QComboBox(this);
    dtcboMotivo->setObjectName(QStringLiteral("dtcboMotivo"));
    dtcboMotivo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    txtObs = new QLineEdit(this);
    txtObs->setObjectName(QStringLiteral("txtObs"));
    txtObs->setMaxLength(kTamanhoObs);
    auto* botoes = BotoesOkCancelar(*this, cmdOK, cmdCancelar);

    auto* grade = new QGridLayout;
    QWidget* valores[] = {lblPaciente, lblProntuario, dtcboMotivo, txtObs};
    for (int i = 0; i < int(lblCaption.size()); ++i) {
        lblCaption[i]->setBuddy(valores[i]);
        grade->addWidget(lblCaption[i], i, 0, Qt::AlignRight | Qt::AlignVCenter);
        grade->addWidget(valores[i], i, 1);
    }
    grade->setColumnStretch(1, 1);
    auto* raiz = new QVBoxLayout(this);
    raiz->addLayout(grade);
    raiz->addLayout(botoes);
    setMinimumWidth(420);

    connect(cmdOK, &QPushButton::clicked, this, &frmSemSolucao::cmdOK_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &frmSemSolucao::cmdCancelar_Click);
    // Programmatic changes count too (as the controls' change events do); Iniciar clears the
    // flag after filling the controls.
    connect(txtObs, &QLineEdit::textChanged, this, [this] { m_alterado = true; });
    connect(dtcboMotivo, &QComboBox::currentIndexChanged, this, [this] { m_alterado = true; });
    PrepararJanela(*this);
}

bool frmSemSolucao::Iniciar(qint32 fID_Paciente, const QString& fPaciente,
                            const QString& fProntuario) {
    m_ID_Paciente = fID_Paciente;
    m_Paciente = fPaciente;
    m_Prontuario = fProntuario;
    lblPaciente->setText(fPaciente);
    lblProntuario->setText(fProntuario);
    Preencher_Justificativa();
    if (PacienteSemSolucao_Existir(fID_Paciente)) {
        PacienteSemSolucao_PosicionarControles(fID_Paciente);
    }
    m_alterado = false;
    return true;
}

void frmSemSolucao::Avisar(const QString& texto) {
    if (m_ampulheta) {
        m_ampulheta->Restaurar();
    }
    MsgBox(texto);
}

bool frmSemSolucao::Preencher_Justificativa() {
    dtcboMotivo->clear();
    clsPacienteSemSolucao marcas = Marcas();
    QList<clsPacienteSemSolucao::Justificativa> lista;
    if (!marcas.Justificativas(DE().rsGeral, lista)) {
        // The list stays empty, so OK can only ask for a reason.
        Avisar(LayoutB(
            QStringLiteral("Ao preencher a lista de justificativas, ocorreu o seguinte erro:"),
            marcas.Erro()));
        return false;
    }
    for (const auto& j : lista) {
        dtcboMotivo->addItem(j.Texto, j.ID_PacienteLogJustificativa);
    }
    // A combo selects its first item by itself; the dialog starts with no reason chosen.
    dtcboMotivo->setCurrentIndex(-1);
    return true;
}

bool frmSemSolucao::PacienteSemSolucao_Existir(qint32 fID_Paciente) {
    clsPacienteSemSolucao marcas = Marcas();
    bool existe = false;
    if (!marcas.Existir(fID_Paciente, existe)) {
        Avisar(LayoutA(QStringLiteral("Ao verificar se o Paciente já está marcado como sem "
                                      "solução, ocorreu o seguinte erro:"),
                       marcas.Erro()));
    }
    return existe;
}

bool frmSemSolucao::PacienteSemSolucao_PosicionarControles(qint32 fID_Paciente) {
    clsPacienteSemSolucao marcas = Marcas();
    clsPacienteSemSolucao::Marca marca;
    if (!marcas.Ler(fID_Paciente, marca)) {
        Avisar(LayoutA(QStringLiteral("Ao posicionar os controles do Paciente marcado como sem "
                                      "solução, ocorreu o seguinte erro:"),
                       marcas.Erro()));
        return false;
    }
    if (marca.ID_PacienteLogSemSolucao != 0) {
        // A reason missing from the list leaves the combo with no choice.
        dtcboMotivo->setCurrentIndex(dtcboMotivo->findData(marca.ID_PacienteLogJustificativa));
        txtObs->setText(marca.Descricao);
        m_ID_PacienteLogSemSolucao = marca.ID_PacienteLogSemSolucao;
    }
    return true;
}

void frmSemSolucao::cmdOK_Click() {
    Ampulheta ampulheta;
    m_ampulheta = &ampulheta;
    const auto soltar = qScopeGuard([this] { m_ampulheta = nullptr; });

    if (dtcboMotivo->currentIndex() < 0) {
        Avisar(QStringLiteral("Selecione um motivo."));
        dtcboMotivo->setFocus(Qt::OtherFocusReason);
        return;
    }
    const qint32 motivo = dtcboMotivo->currentData().toInt();
    const QString obs = txtObs->text();
    // Only an empty note is refused: a blank is a note the administrator chose to write.
    if (motivo == kJustificativaOutros && obs.isEmpty()) {
        Avisar(QStringLiteral(
            "Escolhendo a opção outros, o campo observação passa a ser obrigatório."));
        txtObs->setFocus(Qt::OtherFocusReason);
        return;
    }
    bool gravado = true;
    if (m_ID_PacienteLogSemSolucao < 1) {
        gravado = PacienteSemSolucao_Adicionar(m_ID_Paciente, motivo, obs);
    } else if (m_alterado) {
        gravado = PacienteSemSolucao_Atualizar(m_ID_Paciente, motivo, obs);
    }
    if (!gravado) {
        return;
    }
    AvisoCadastro::Avisar(AvisoCadastro::Mudanca::Marcas);
    m_OK = true;
    ampulheta.Restaurar();
    accept();
}

void frmSemSolucao::cmdCancelar_Click() {
    m_OK = false;
    QDialog::reject();
}

void frmSemSolucao::reject() {
    cmdCancelar_Click();
}

bool frmSemSolucao::PacienteSemSolucao_Adicionar(qint32 fID_Paciente, qint32 fID_Justificativa,
                                                 const QString& fMotivo) {
    clsPacienteSemSolucao marcas = Marcas();
    if (marcas.Adicionar(fID_Paciente, fID_Justificativa, fMotivo, ID_UsuarioLogado)) {
        return true;
    }
    Avisar(
        marcas.FalhouNaConsulta()
            ? LayoutA(kAoAbrir, marcas.Erro())
            : LayoutB(QStringLiteral("Ao adicionar PacienteSemSolucao, ocorreu o seguinte erro:"),
                      marcas.Erro()));
    return false;
}

bool frmSemSolucao::PacienteSemSolucao_Atualizar(qint32 fID_Paciente, qint32 fID_Justificativa,
                                                 const QString& fMotivo) {
    clsPacienteSemSolucao marcas = Marcas();
    if (marcas.Atualizar(fID_Paciente, fID_Justificativa, fMotivo, ID_UsuarioLogado)) {
        return true;
    }
    Avisar(
        marcas.FalhouNaConsulta()
            ? LayoutA(kAoAbrir, marcas.Erro())
            : LayoutB(QStringLiteral("Ao atualizar PacienteSemSolucao, ocorreu o seguinte erro:"),
                      marcas.Erro()));
    return false;
}

bool frmSemSolucao::PacienteSemSolucao_Remover(qint32 fID_Paciente) {
    clsPacienteSemSolucao marcas = Marcas();
    if (marcas.RemoverComRastro(fID_Paciente, ID_UsuarioLogado)) {
        AvisoCadastro::Avisar(AvisoCadastro::Mudanca::Marcas);
        return true;
    }
    Avisar(LayoutA(kAoAbrir, marcas.Erro()));
    return false;
}

namespace {

const QString kDicaMarcado = QStringLiteral("Paciente marcado como sem solução");

// The record number of a patient among the rows of fRS, read without moving its cursor (the
// record set stays as the list's owner left it); empty when the patient is not there.
QString ProntuarioNasLinhas(const Recordset& fRS, qint32 fID_Paciente) {
    if (fRS.State() != adStateOpen) {
        return QString();
    }
    const dados::DadosConsulta& resultado = fRS.Dados();
    int colunaId = -1;
    int colunaProntuario = -1;
    for (int i = 0; i < resultado.colunas.size(); ++i) {
        const QString& nome = resultado.colunas[i].nome;
        if (nome.compare(QStringLiteral("ID_Paciente"), Qt::CaseInsensitive) == 0) {
            colunaId = i;
        } else if (nome.compare(QStringLiteral("Prontuário"), Qt::CaseInsensitive) == 0) {
            colunaProntuario = i;
        }
    }
    if (colunaId < 0 || colunaProntuario < 0) {
        return QString();
    }
    for (const auto& linha : resultado.linhas) {
        if (linha[colunaId].toInt() == fID_Paciente) {
            return ValorSeNulo(linha[colunaProntuario], QString()).toString();
        }
    }
    return QString();
}

}  // namespace

bool SemSolucao_MostrarMarcas(QListWidget& lista) {
    const QList<qint32> ids = IdsDaLista(lista);
    QSet<qint32> marcados;
    const bool lidas = PacienteSemSolucao_Marcados(DE().Conexao, ADO(), ids, marcados);
    if (!lidas) {
        dados::RegistrarDiagnostico(QStringLiteral("Marcas de sem solução não lidas: %1 - %2")
                                        .arg(ADO().ErrorNumber())
                                        .arg(ADO().ErrorString()));
    }
    const QIcon icone = lista.style()->standardIcon(QStyle::SP_MessageBoxWarning);
    for (int i = 0; i < lista.count(); ++i) {
        QListWidgetItem* item = lista.item(i);
        const bool marcado = marcados.contains(ids[i]);
        item->setIcon(marcado ? icone : QIcon());
        // The patient's line first, when the list gave it one; the mark under it.
        QStringList dica;
        if (const QString linha = item->data(PapelLinhaPaciente).toString(); !linha.isEmpty()) {
            dica << linha;
        }
        if (marcado) {
            dica << kDicaMarcado;
        }
        item->setToolTip(dica.join(QLatin1Char('\n')));
    }
    return lidas;
}

bool SemSolucao_MarcarLinhaAtual(QListWidget& lista, const Recordset& fRS) {
    const QListWidgetItem* item = lista.currentItem();
    if (!item) {
        return false;
    }
    const qint32 id = item->data(Qt::UserRole).toInt();
    frmSemSolucao dialogo(lista.window());
    dialogo.Iniciar(id, item->text(), ProntuarioNasLinhas(fRS, id));
    MostrarModal(dialogo);
    if (!dialogo.OK()) {
        return false;
    }
    SemSolucao_MostrarMarcas(lista);
    return true;
}
