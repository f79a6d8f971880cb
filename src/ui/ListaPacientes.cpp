#include "ui/ListaPacientes.h"

#include <QDate>
#include <QListWidget>
#include <QStringList>

#include "data/ado/Recordset.h"
#include "data/base/Diagnostico.h"
#include "data/base/ValorSeNulo.h"
#include "patient/ExamesPaciente.h"
#include "patient/LinhaPaciente.h"
#include "patient/clsPaciente.h"
#include "ui/Ampulheta.h"
#include "ui/DE.h"
#include "ui/Detalhe.h"
#include "ui/DetalhePaciente.h"
#include "ui/ctlNvPreferDE.h"

void PreencherListaPacientes(QListWidget& lista, Recordset& fRS,
                             const QHash<qint32, double>& fPontuacoes) {
    if (fRS.RecordCount() == 0) {
        return;
    }
    QStringList ids;
    for (fRS.MoveFirst(); !fRS.Eof(); fRS.MoveNext()) {
        auto* item = new QListWidgetItem(
            ValorSeNulo(fRS.Fields(QStringLiteral("Nome_Completo")).Value(), QString()).toString());
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        item->setData(Qt::UserRole, fRS.Fields(QStringLiteral("ID_Paciente")).Value().toInt());
        lista.addItem(item);
        ids << QString::number(item->data(Qt::UserRole).toInt());
    }
    // The list's own query stays as it is: what else tells two records of one name apart is
    // read on the side.
    QHash<qint32, QPair<QDate, QString>> dados;
    Recordset rs;
    if (ADO().AbrirRecordset(DE().Conexao, rs,
                             QStringLiteral("SELECT ID_Paciente, Data_Nascimento, RG FROM "
                                            "Paciente WHERE ID_Paciente IN (") +
                                 ids.join(QStringLiteral(", ")) + QLatin1Char(')'))) {
        for (; !rs.Eof(); rs.MoveNext()) {
            dados.insert(rs.Fields(0).Value().toInt(),
                         {rs.Fields(1).Value().toDate(), TextoDoValor(rs.Fields(2).Value())});
        }
    } else {
        dados::RegistrarDiagnostico(QStringLiteral("Datas e RGs da lista não lidos: %1 - %2")
                                        .arg(ADO().ErrorNumber())
                                        .arg(ADO().ErrorString()));
    }
    for (int i = 0; i < lista.count(); ++i) {
        QListWidgetItem* item = lista.item(i);
        const qint32 id = item->data(Qt::UserRole).toInt();
        const auto [nascimento, rg] = dados.value(id);
        const QString linha =
            LinhaPaciente(item->text(), id, nascimento, rg, fPontuacoes.value(id, -1));
        item->setData(PapelLinhaPaciente, linha);
        item->setToolTip(linha);
    }
}

void MostrarPacienteDaLinha(const QListWidget& lista, ctlNvPreferDE& detalhe) {
    const QListWidgetItem* item = lista.currentItem();
    if (!item) {
        Detalhe_Limpar(detalhe);
        return;
    }
    Ampulheta ampulheta;
    clsPaciente paciente(DE().Conexao, ADO());
    const qint32 id = item->data(Qt::UserRole).toInt();
    // A record that is gone shows the empty values of a fresh one.
    Paciente_Localizar(paciente, id);
    Detalhe_Preencher(detalhe, paciente);
    // The ID and the exams are what tell one record of a person from another.
    detalhe.FieldValue(QStringLiteral("ID_Paciente"), QString::number(id));
    ContagemExames exames;
    detalhe.FieldValue(QStringLiteral("Exames"), ContarExames(DE().Conexao, ADO(), id, exames)
                                                     ? TextoContagemExames(exames)
                                                     : QString());
    detalhe.VoltarAoTopo();
}

QList<qint32> IdsDaLista(const QListWidget& lista, bool fSoMarcados) {
    QList<qint32> ids;
    for (int i = 0; i < lista.count(); ++i) {
        const QListWidgetItem* item = lista.item(i);
        if (!fSoMarcados || item->checkState() == Qt::Checked) {
            ids << item->data(Qt::UserRole).toInt();
        }
    }
    return ids;
}
