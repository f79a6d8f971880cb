#include "ui/ListaPacientes.h"

#include <QListWidget>

#include "data/ado/Recordset.h"
#include "data/base/ValorSeNulo.h"
#include "patient/ExamesPaciente.h"
#include "patient/clsPaciente.h"
#include "ui/Ampulheta.h"
#include "ui/DE.h"
#include "ui/Detalhe.h"
#include "ui/DetalhePaciente.h"
#include "ui/ctlNvPreferDE.h"

void PreencherListaPacientes(QListWidget& lista, Recordset& fRS) {
    if (fRS.RecordCount() == 0) {
        return;
    }
    for (fRS.MoveFirst(); !fRS.Eof(); fRS.MoveNext()) {
        auto* item = new QListWidgetItem(
            ValorSeNulo(fRS.Fields(QStringLiteral("Nome_Completo")).Value(), QString()).toString());
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        item->setData(Qt::UserRole, fRS.Fields(QStringLiteral("ID_Paciente")).Value().toInt());
        lista.addItem(item);
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
