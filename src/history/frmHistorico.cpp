#include "history/frmHistorico.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "data/base/ValorSeNulo.h"
#include "patient/LegendasCampos.h"
#include "ui/Ampulheta.h"
#include "ui/ColunasLembradas.h"
#include "ui/FiltroGrade.h"
#include "ui/MostrarModal.h"
#include "ui/MsgBox.h"

namespace {

template <class T>
T* nomeado(T* w, const QString& nome) {
    w->setObjectName(nome);
    return w;
}

QString DataHora(const QDateTime& d) {
    return d.isValid() ? d.toString(QStringLiteral("dd/MM/yyyy HH:mm")) : QString();
}

QString Situacao(const UnificacaoComando& c) {
    if (c.Desfeito()) {
        return QStringLiteral("Desfeita");
    }
    return c.ParcialDesfeito() ? QStringLiteral("Desfeita em parte") : QString();
}

// A merge confirmed over signs of different people says so, with the signs and the reason.
void MostrarSinais(QTreeWidgetItem& item, const UnificacaoComando& c) {
    if (c.Sinais.isEmpty()) {
        return;
    }
    const QString texto = QStringLiteral("Confirmada apesar de: ") +
                          c.Sinais.join(QStringLiteral("; ")) + QStringLiteral(". Motivo: ") +
                          c.MotivoSinais;
    if (item.text(6).isEmpty()) {
        item.setText(6, texto);
    }
    for (int coluna = 0; coluna < item.columnCount(); ++coluna) {
        item.setToolTip(coluna, texto);
    }
}

QString Pessoa(const QString& nome, qint32 id) {
    return nome.isEmpty() ? QStringLiteral("(usuário ") + QString::number(id) + ')' : nome;
}

}  // namespace

frmHistorico::frmHistorico(Connection& fCN, clsADO& fADO, qint32 fID_Usuario, QWidget* parent)
    : QDialog(parent),
      m_cn(fCN),
      m_ado(fADO),
      m_usuario(fID_Usuario),
      m_tarefaLote(fCN.ConnectionString(), fID_Usuario) {
    setObjectName(QStringLiteral("frmHistorico"));
    setWindowTitle(QStringLiteral("Histórico de unificações"));
    resize(1200, 700);
    EscolherArquivo = [](QWidget* pai) {
        return QFileDialog::getSaveFileName(pai, QStringLiteral("Exportar histórico"),
                                            ArquivoExportacaoPadrao(),
                                            QStringLiteral("Planilha CSV (*.csv)"));
    };

    chkPeriodo = nomeado(new QCheckBox(QStringLiteral("Período de")), QStringLiteral("chkPeriodo"));
    dtDesde = nomeado(new QDateEdit(QDate::currentDate().addMonths(-1)), QStringLiteral("dtDesde"));
    dtAte = nomeado(new QDateEdit(QDate::currentDate()), QStringLiteral("dtAte"));
    for (QDateEdit* d : {dtDesde, dtAte}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    }
    txtAdministrador = nomeado(new QLineEdit, QStringLiteral("txtAdministrador"));
    txtNome = nomeado(new QLineEdit, QStringLiteral("txtNome"));
    txtID = nomeado(new QLineEdit, QStringLiteral("txtID"));
    txtID->setValidator(new QIntValidator(1, 2147483647, txtID));
    cmdFiltrar = nomeado(new QPushButton(QStringLiteral("&Filtrar")), QStringLiteral("cmdFiltrar"));

    // Each field is named by its label (a screen reader says it; Alt+letter reaches it).
    const auto rotulo = [](const QString& texto, QWidget* campo) {
        auto* r = new QLabel(texto);
        r->setBuddy(campo);
        return r;
    };
    dtDesde->setAccessibleName(QStringLiteral("Período de"));
    auto* filtros = new QGridLayout;
    filtros->addWidget(chkPeriodo, 0, 0);
    filtros->addWidget(dtDesde, 0, 1);
    filtros->addWidget(rotulo(QStringLiteral("&até"), dtAte), 0, 2);
    filtros->addWidget(dtAte, 0, 3);
    filtros->addWidget(rotulo(QStringLiteral("A&dministrador"), txtAdministrador), 0, 4);
    filtros->addWidget(txtAdministrador, 0, 5);
    filtros->addWidget(rotulo(QStringLiteral("&Nome"), txtNome), 1, 0);
    filtros->addWidget(txtNome, 1, 1, 1, 3);
    filtros->addWidget(rotulo(QStringLiteral("&ID do paciente"), txtID), 1, 4);
    filtros->addWidget(txtID, 1, 5);
    filtros->addWidget(cmdFiltrar, 0, 6, 2, 1);

    lstHistorico = nomeado(new QTreeWidget, QStringLiteral("lstHistorico"));
    lstHistorico->setHeaderLabels({QStringLiteral("Data"), QStringLiteral("Administrador"),
                                   QStringLiteral("Cadastro mantido / removido"),
                                   QStringLiteral("Prontuário"), QStringLiteral("Nascimento"),
                                   QStringLiteral("Exames"), QStringLiteral("Situação")});
    lstHistorico->setRootIsDecorated(true);
    lstHistorico->setUniformRowHeights(true);
    lstHistorico->setAccessibleName(QStringLiteral("Unificações"));
    // The names take the room left; the others as wide as what they show, as far as a long
    // "Situação" lets them (it is cut, and shows whole on hover).
    ColunasLembradas::Acompanhar(
        *lstHistorico, [] { return QStringLiteral("frmHistorico/unificacoes"); }, 2);

    lblComparacao = nomeado(new QLabel, QStringLiteral("lblComparacao"));
    tblComparacao = nomeado(new QTableWidget(0, 2), QStringLiteral("tblComparacao"));
    tblComparacao->setHorizontalHeaderLabels(
        {QStringLiteral("Removido (registrado)"), QStringLiteral("Mantido (atual)")});
    tblComparacao->setAccessibleName(QStringLiteral("Cadastro removido e cadastro mantido"));
    tblComparacao->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ColunasLembradas::Acompanhar(
        *tblComparacao, [] { return QStringLiteral("frmHistorico/comparacao"); }, -1);
    tblComparacao->setWordWrap(false);
    tblComparacao->setEditTriggers(QAbstractItemView::NoEditTriggers);

    cmdExportar =
        nomeado(new QPushButton(QStringLiteral("&Exportar...")), QStringLiteral("cmdExportar"));
    cmdDesfazer = nomeado(new QPushButton(QStringLiteral("Desfazer unificação")),
                          QStringLiteral("cmdDesfazer"));
    cmdFechar = nomeado(new QPushButton(QStringLiteral("Fechar")), QStringLiteral("cmdFechar"));
    cmdDesfazer->setEnabled(false);
    cmdDesfazerLote = nomeado(new QPushButton(QStringLiteral("Desfazer lote")),
                              QStringLiteral("cmdDesfazerLote"));
    cmdDesfazerLote->setEnabled(false);
    prgLote = nomeado(new QProgressBar, QStringLiteral("prgLote"));
    prgLote->setAccessibleName(QStringLiteral("Andamento do desfazer do lote"));
    prgLote->hide();
    lblMotivo = nomeado(new QLabel, QStringLiteral("lblMotivo"));

    auto* botoes = new QHBoxLayout;
    botoes->addWidget(cmdExportar);
    botoes->addStretch();
    botoes->addWidget(prgLote);
    botoes->addWidget(lblMotivo);
    botoes->addWidget(cmdDesfazer);
    botoes->addWidget(cmdDesfazerLote);
    botoes->addWidget(cmdFechar);

    auto* corpo = new QHBoxLayout;
    corpo->addWidget(lstHistorico, 5);
    auto* detalhe = new QVBoxLayout;
    detalhe->addWidget(lblComparacao);
    detalhe->addWidget(tblComparacao);
    corpo->addLayout(detalhe, 2);

    auto* raiz = new QVBoxLayout(this);
    raiz->addLayout(filtros);
    raiz->addLayout(corpo, 1);
    raiz->addLayout(botoes);

    connect(cmdFiltrar, &QPushButton::clicked, this, &frmHistorico::cmdFiltrar_Click);
    connect(cmdExportar, &QPushButton::clicked, this, &frmHistorico::cmdExportar_Click);
    connect(cmdDesfazer, &QPushButton::clicked, this, &frmHistorico::cmdDesfazer_Click);
    connect(cmdDesfazerLote, &QPushButton::clicked, this, &frmHistorico::cmdDesfazerLote_Click);
    connect(&m_tarefaLote, &TarefaDesfazerLote::andamento, this, [this](int feitos, int total) {
        prgLote->setRange(0, total);
        prgLote->setValue(feitos);
    });
    connect(&m_tarefaLote, &TarefaDesfazerLote::terminou, this, &frmHistorico::loteDesfeito);
    connect(cmdFechar, &QPushButton::clicked, this, &QDialog::reject);
    connect(lstHistorico, &QTreeWidget::currentItemChanged, this,
            &frmHistorico::lstHistorico_CurrentChanged);

    cmdFiltrar_Click();
    PrepararJanela(*this);
}

void frmHistorico::cmdFiltrar_Click() {
    Ampulheta ampulheta;
    FiltroHistorico filtro;
    if (chkPeriodo->isChecked()) {
        filtro.Desde = QDateTime(dtDesde->date(), QTime(0, 0));
        filtro.Ate = QDateTime(dtAte->date(), QTime(23, 59, 59));
    }
    filtro.Administrador = txtAdministrador->text().trimmed();
    filtro.Nome = txtNome->text().trimmed();
    filtro.ID_Paciente = txtID->text().toInt();
    clsUnificacaoHistorico historico(m_cn, m_ado);
    QList<UnificacaoComando> comandos;
    if (!historico.Consultar(filtro, comandos)) {
        ampulheta.Restaurar();
        MsgBox("Ao ler o histórico de unificações, ocorreu o seguinte erro:\n\n" +
               QString::number(historico.Erro().ErrorNumber()) + " - " +
               historico.Erro().ErrorString());
        return;
    }
    m_comandos = comandos;
    lstHistorico->clear();
    // A batch is one line, where its newest merge stands, that opens into its merges.
    QHash<qint32, QTreeWidgetItem*> lotes;
    for (int i = 0; i < m_comandos.size(); ++i) {
        const UnificacaoComando& c = m_comandos[i];
        if (c.Lote == 0 || lotes.contains(c.Lote)) {
            continue;
        }
        int unificacoes = 0, exames = 0, desfeitas = 0;
        bool parte = false;
        for (const UnificacaoComando& d : m_comandos) {
            if (d.Lote == c.Lote) {
                ++unificacoes;
                exames += d.Exames();
                desfeitas += d.Desfeito() ? 1 : 0;
                parte = parte || d.ParcialDesfeito();
            }
        }
        auto* lote = new QTreeWidgetItem(
            {DataHora(c.Data), Pessoa(c.NomeAdministrador, c.ID_Usuario),
             QStringLiteral("Lote %1: %2 unificações").arg(c.Lote).arg(unificacoes), QString(),
             QString(), QString::number(exames),
             desfeitas == unificacoes ? QStringLiteral("Desfeito")
             : desfeitas > 0 || parte ? QStringLiteral("Desfeito em parte")
                                      : QString()});
        lote->setData(0, Qt::UserRole, -1);
        lote->setData(0, Qt::UserRole + 2, c.Lote);
        lotes.insert(c.Lote, lote);
    }
    for (int i = 0; i < m_comandos.size(); ++i) {
        const UnificacaoComando& c = m_comandos[i];
        auto* item = new QTreeWidgetItem(
            {DataHora(c.Data), Pessoa(c.NomeAdministrador, c.ID_Usuario),
             QString::number(c.ID_PacienteNovo) + " - " +
                 (c.SobreviventeExiste ? c.NomeSobrevivente
                                       : QStringLiteral("(não está mais no cadastro)")),
             QString(), QString(), QString::number(c.Exames()), Situacao(c)});
        item->setData(0, Qt::UserRole, i);
        item->setData(0, Qt::UserRole + 1, 0);
        MostrarSinais(*item, c);
        for (const UnificacaoRemovido& r : c.Removidos) {
            auto* filho = new QTreeWidgetItem(
                {QString(), QString(), QString::number(r.ID_Paciente) + " - " + r.Nome,
                 r.Prontuario, TextoDoValor(r.Data_Nascimento).left(10), QString::number(r.Exames),
                 r.Desfeito ? "Desfeita por " + Pessoa(r.NomeUsuarioDesfez, r.ID_UsuarioDesfez) +
                                  " em " + DataHora(r.DataDesfeito)
                            : QString()});
            filho->setData(0, Qt::UserRole, i);
            filho->setData(0, Qt::UserRole + 1, r.ID_Paciente);
            item->addChild(filho);
        }
        if (QTreeWidgetItem* lote = lotes.value(c.Lote)) {
            if (lote->childCount() == 0) {
                lstHistorico->addTopLevelItem(lote);
            }
            lote->addChild(item);
            item->setExpanded(true);
        } else {
            lstHistorico->addTopLevelItem(item);
            item->setExpanded(true);
        }
    }
    if (lstHistorico->topLevelItemCount() > 0) {
        lstHistorico->setCurrentItem(lstHistorico->topLevelItem(0));
    } else {
        lstHistorico_CurrentChanged();
    }
}

bool frmHistorico::Selecionado(int& comando, qint32& removido) const {
    const QTreeWidgetItem* item = lstHistorico->currentItem();
    if (item == nullptr) {
        return false;
    }
    comando = item->data(0, Qt::UserRole).toInt();
    removido = item->data(0, Qt::UserRole + 1).toInt();
    return comando >= 0 && comando < m_comandos.size();
}

qint32 frmHistorico::LoteSelecionado() const {
    const QTreeWidgetItem* item = lstHistorico->currentItem();
    return item != nullptr ? item->data(0, Qt::UserRole + 2).toInt() : 0;
}

void frmHistorico::lstHistorico_CurrentChanged() {
    tblComparacao->setRowCount(0);
    lblComparacao->clear();
    const qint32 lote = LoteSelecionado();
    cmdDesfazerLote->setEnabled(
        m_tarefaLote.Ocupada() ||
        (lote != 0 && lstHistorico->currentItem()->text(6) != QStringLiteral("Desfeito")));
    int comando = 0;
    qint32 removido = 0;
    if (!Selecionado(comando, removido)) {
        cmdDesfazer->setEnabled(false);
        lblMotivo->clear();
        return;
    }
    const UnificacaoComando& c = m_comandos[comando];
    // A greyed button says nothing: the reason stands beside it.
    const QString motivo = c.MotivoSemDesfazer(removido);
    cmdDesfazer->setEnabled(motivo.isEmpty());
    cmdDesfazer->setToolTip(motivo);
    lblMotivo->setText(motivo);
    // A command row compares its first removed record.
    const qint32 comparado = removido != 0 ? removido : c.Removidos.value(0).ID_Paciente;
    clsUnificacaoHistorico historico(m_cn, m_ado);
    QVariantList registrados, atuais;
    if (!historico.LerComparacao(c, comparado, registrados, atuais)) {
        lblComparacao->setText(historico.Erro().ErrorString());
        return;
    }
    lblComparacao->setText(QStringLiteral("Removido ") + QString::number(comparado) +
                           QStringLiteral(" e mantido ") + QString::number(c.ID_PacienteNovo));
    const QStringList& colunas = ColunasPacienteLogadas();
    tblComparacao->setRowCount(colunas.size());
    tblComparacao->setVerticalHeaderLabels([&colunas] {
        QStringList legendas;
        for (const QString& coluna : colunas) {
            legendas << LegendaCampo(coluna);
        }
        return legendas;
    }());
    for (int i = 0; i < colunas.size(); ++i) {
        const QString registrado = TextoDoValor(registrados.value(i));
        const QString atual = atuais.isEmpty() ? QString() : TextoDoValor(atuais.value(i));
        auto* a = new QTableWidgetItem(registrado);
        auto* b = new QTableWidgetItem(atual);
        if (!atuais.isEmpty() && registrado != atual) {
            QFont negrito = a->font();
            negrito.setBold(true);
            a->setFont(negrito);
            b->setFont(negrito);
        }
        tblComparacao->setItem(i, 0, a);
        tblComparacao->setItem(i, 1, b);
    }
}

void frmHistorico::cmdExportar_Click() {
    const QString arquivo = EscolherArquivo ? EscolherArquivo(this) : QString();
    if (arquivo.isEmpty()) {
        return;
    }
    clsUnificacaoHistorico historico(m_cn, m_ado);
    if (!historico.ExportarCSV(m_comandos, arquivo)) {
        MsgBox("Ao exportar o histórico, ocorreu o seguinte erro:\n\n" +
               historico.Erro().ErrorString());
        return;
    }
    MsgBoxSucesso(
        QStringLiteral("Histórico exportado"),
        QStringLiteral("Histórico gravado em %1 (%2 unificações).")
            .arg(QDir::toNativeSeparators(arquivo), QLocale().toString(m_comandos.size())));
}

QString frmHistorico::ArquivoExportacaoPadrao() {
    // Where a person keeps the files they make, not the folder the program was started from.
    return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
        .filePath(QStringLiteral("historico.csv"));
}

void frmHistorico::cmdDesfazer_Click() {
    int comando = 0;
    qint32 removido = 0;
    if (!Selecionado(comando, removido)) {
        return;
    }
    QList<qint32> ids;
    for (const UnificacaoRemovido& r : m_comandos[comando].Removidos) {
        if ((removido == 0 || r.ID_Paciente == removido) && !r.Desfeito) {
            ids << r.ID_Paciente;
        }
    }
    if (ids.isEmpty()) {
        return;
    }
    // An undo puts records and exams back into the live register: never on a stray click.
    QStringList lista;
    for (const qint32 id : ids) {
        lista << QString::number(id);
    }
    if (!Confirmar("Desfazer a unificação do(s) cadastro(s) " + lista.join(QStringLiteral(", ")) +
                   " no cadastro " + QString::number(m_comandos[comando].ID_PacienteNovo) +
                   "? Os cadastros voltam ao registro com os seus exames.")) {
        return;
    }
    clsUnificacaoDesfazer desfazer(m_cn, m_ado);
    bool feito = false;
    {
        Ampulheta ampulheta;
        feito = desfazer.Desfazer(ids, m_usuario);
    }
    if (!feito && desfazer.Erro().ErrorNumber() == clsUnificacaoDesfazer::ConflitoValores) {
        frmConflitoValores pergunta(desfazer.Conflitos(), this);
        MostrarModal(pergunta);
        if (pergunta.Decisao() == clsUnificacaoDesfazer::Decisao::Perguntar) {
            return;  // cancelled: nothing was changed
        }
        Ampulheta ampulheta;
        feito = desfazer.Desfazer(ids, m_usuario, pergunta.Decisao());
    }
    if (!feito) {
        MsgBox(desfazer.Mensagem());
        return;
    }
    QString texto = "Unificação desfeita: " + QString::number(ids.size()) +
                    " cadastro(s) restaurado(s) com " +
                    QString::number(desfazer.ExamesDevolvidos()) + " exame(s).";
    if (!desfazer.ValoresRestaurados().isEmpty()) {
        texto += "\nValores restaurados no cadastro mantido: " +
                 LegendasCampos(desfazer.ValoresRestaurados()).join(QStringLiteral(", ")) + ".";
    }
    MsgBoxSucesso(QStringLiteral("Unificação desfeita"), texto);
    emit cadastroAlterado();
    cmdFiltrar_Click();
}

void frmHistorico::cmdDesfazerLote_Click() {
    if (m_tarefaLote.Ocupada()) {
        m_tarefaLote.Cancelar();
        lblMotivo->setText(QStringLiteral("Parando depois da unificação em curso..."));
        return;
    }
    const qint32 lote = LoteSelecionado();
    if (lote == 0) {
        return;
    }
    // A whole batch back into the live register: never on a stray click.
    if (!Confirmar(QStringLiteral("Desfazer o lote %1 inteiro? As unificações voltam da mais "
                                  "recente para a mais antiga, cada uma numa transação própria; "
                                  "interrompido, o desfazer termina ao ser feito de novo.")
                       .arg(lote))) {
        return;
    }
    desfazerLote(lote, clsUnificacaoDesfazer::Decisao::Perguntar);
}

void frmHistorico::desfazerLote(qint32 lote, clsUnificacaoDesfazer::Decisao decisao) {
    m_lote = lote;
    m_decisaoLote = decisao;
    for (QWidget* w : {static_cast<QWidget*>(cmdFiltrar), static_cast<QWidget*>(cmdDesfazer),
                       static_cast<QWidget*>(cmdExportar), static_cast<QWidget*>(lstHistorico)}) {
        w->setEnabled(false);
    }
    cmdDesfazerLote->setText(QStringLiteral("Parar"));
    prgLote->setRange(0, 0);  // until the first merge is undone
    prgLote->show();
    lblMotivo->setText(QStringLiteral("Desfazendo o lote %1...").arg(lote));
    m_tarefaLote.Desfazer(lote, decisao);
}

void frmHistorico::loteDesfeito(bool ok) {
    prgLote->hide();
    cmdDesfazerLote->setText(QStringLiteral("Desfazer lote"));
    for (QWidget* w : {static_cast<QWidget*>(cmdFiltrar), static_cast<QWidget*>(cmdExportar),
                       static_cast<QWidget*>(lstHistorico)}) {
        w->setEnabled(true);
    }
    const clsLoteDesfazer::Andamento& a = m_tarefaLote.Situacao();
    if (a.desfeitas > 0) {
        emit cadastroAlterado();
    }
    if (m_fecharAoTerminar) {
        QDialog::reject();
        return;
    }
    QString texto = QStringLiteral("Lote %1: %2 de %3 unificações desfeitas.")
                        .arg(m_lote)
                        .arg(a.desfeitas)
                        .arg(a.total);
    QList<ConflitoValor> conflitos;
    for (const clsLoteDesfazer::Recusa& r : m_tarefaLote.Recusas()) {
        texto += QStringLiteral("\nUnificação em %1 não desfeita: ").arg(r.novo) + r.mensagem;
        conflitos += r.conflitos;
    }
    if (!ok) {
        texto += QLatin1Char('\n') + m_tarefaLote.Erro();
    }
    if (!ok || m_tarefaLote.Interrompida()) {
        texto += QStringLiteral(
            "\nO que foi desfeito fica desfeito; desfaça o lote de novo para "
            "terminar.");
    }
    cmdFiltrar_Click();
    if (ok && !m_tarefaLote.Interrompida() && a.desfeitas == a.total) {
        MsgBoxSucesso(QStringLiteral("Lote desfeito"), texto);
        return;
    }
    MsgBox(texto);
    // Survivors edited since their merge: one question for all of them, then the rest again.
    if (ok && !conflitos.isEmpty() && m_decisaoLote == clsUnificacaoDesfazer::Decisao::Perguntar) {
        frmConflitoValores pergunta(conflitos, this);
        MostrarModal(pergunta);
        if (pergunta.Decisao() != clsUnificacaoDesfazer::Decisao::Perguntar) {
            desfazerLote(m_lote, pergunta.Decisao());
        }
    }
}

void frmHistorico::reject() {
    if (m_tarefaLote.Ocupada()) {
        m_fecharAoTerminar = true;
        m_tarefaLote.Cancelar();
        return;
    }
    QDialog::reject();
}

frmConflitoValores::frmConflitoValores(const QList<ConflitoValor>& fConflitos, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmConflitoValores"));
    setWindowTitle(QStringLiteral("Atenção!"));
    auto* texto = new QLabel(QStringLiteral(
        "Estes dados do cadastro mantido foram alterados depois da unificação. Restaurar os "
        "valores de antes da unificação ou manter os atuais?"));
    texto->setWordWrap(true);
    tblConflitos =
        nomeado(new QTableWidget(int(fConflitos.size()), 3), QStringLiteral("tblConflitos"));
    tblConflitos->setHorizontalHeaderLabels(
        {QStringLiteral("Campo"), QStringLiteral("Antes da unificação"), QStringLiteral("Atual")});
    tblConflitos->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblConflitos->setAccessibleName(QStringLiteral("Dados alterados depois da unificação"));
    ColunasLembradas::Acompanhar(
        *tblConflitos, [] { return QStringLiteral("frmConflitoValores/dados"); }, -1);
    for (int i = 0; i < fConflitos.size(); ++i) {
        tblConflitos->setItem(i, 0, new QTableWidgetItem(LegendaCampo(fConflitos[i].Campo)));
        tblConflitos->setItem(i, 1, new QTableWidgetItem(TextoDoValor(fConflitos[i].Anterior)));
        tblConflitos->setItem(i, 2, new QTableWidgetItem(TextoDoValor(fConflitos[i].Atual)));
    }
    cmdRestaurar = nomeado(new QPushButton(QStringLiteral("Restaurar valores anteriores")),
                           QStringLiteral("cmdRestaurar"));
    cmdManter = nomeado(new QPushButton(QStringLiteral("Manter valores atuais")),
                        QStringLiteral("cmdManter"));
    cmdCancelar =
        nomeado(new QPushButton(QStringLiteral("Cancelar")), QStringLiteral("cmdCancelar"));
    auto* botoes = new QHBoxLayout;
    botoes->addStretch();
    botoes->addWidget(cmdRestaurar);
    botoes->addWidget(cmdManter);
    botoes->addWidget(cmdCancelar);
    auto* raiz = new QVBoxLayout(this);
    raiz->addWidget(texto);
    raiz->addWidget(tblConflitos);
    raiz->addLayout(botoes);
    connect(cmdRestaurar, &QPushButton::clicked, this, [this] {
        m_decisao = clsUnificacaoDesfazer::Decisao::Restaurar;
        accept();
    });
    connect(cmdManter, &QPushButton::clicked, this, [this] {
        m_decisao = clsUnificacaoDesfazer::Decisao::Manter;
        accept();
    });
    connect(cmdCancelar, &QPushButton::clicked, this, &QDialog::reject);
    PrepararJanela(*this);
}
