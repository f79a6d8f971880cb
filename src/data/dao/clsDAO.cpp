#include "data/dao/clsDAO.h"

#include <QStringList>

#include "data/base/Diagnostico.h"
#include "data/base/ErroNumerado.h"
#include "data/base/TabelaErros.h"

namespace {

// Walks the table definitions from index 0 and gives the first whose name matches in upper
// case, or nullptr.
const TableDef* acharTabela(DaoDatabase& fDB, const QString& nome) {
    auto& defs = fDB.TableDefs();
    for (int i = 0; i < defs.Count(); ++i) {
        if (defs.Item(i).Name.toUpper() == nome.toUpper()) {
            return &defs.Item(i);
        }
    }
    return nullptr;
}

}  // namespace

template <typename F>
bool clsDAO::capturando(F&& operacao) {
    try {
        operacao();
        return true;
    } catch (const ErroNumerado& e) {
        m_errorNumber = e.Number();
        m_errorString = e.Description();
    } catch (const std::exception& e) {
        m_errorNumber = daoErroReservado;
        m_errorString = TextoErroDao(daoErroReservado);
        dados::RegistrarDiagnostico("clsDAO: " + QString::fromUtf8(e.what()));
    }
    return false;
}

bool clsDAO::AbrirDatabase(DaoDatabase& fDB, const QString& fFullPath) {
    return capturando([&] { fDB.Open(fFullPath); });
}

bool clsDAO::FecharDatabase(DaoDatabase& fDB) {
    return capturando([&] { fDB.Close(); });
}

bool clsDAO::CompactarDatabase(const QString& fOrigem, const QString& fDestino) {
    return capturando([&] { DBEngine::CompactDatabase(fOrigem, fDestino); });
}

bool clsDAO::AbrirRecordset(DaoDatabase& fDB, DaoRecordset& fRS, const QString& SQL) {
    return capturando([&] { fRS.Open(fDB, SQL, dbOpenDynaset); });
}

bool clsDAO::ExecutarSQL(DaoDatabase& fDB, const QString& SQL, qint32& RecordsAfetados) {
    return capturando([&] {
        fDB.Execute(SQL, dbSeeChanges);
        RecordsAfetados = fDB.RecordsAffected();
    });
}

bool clsDAO::TableExiste(DaoDatabase& fDB, const QString& fNomeTable) {
    bool existe = false;
    capturando([&] { existe = acharTabela(fDB, fNomeTable) != nullptr; });
    return existe;
}

bool clsDAO::QueryExiste(DaoDatabase& fDB, const QString& fNomeQuery) {
    bool existe = false;
    capturando([&] {
        auto& defs = fDB.QueryDefs();
        for (int i = 0; i < defs.Count() && !existe; ++i) {
            existe = defs.Item(i).Name.toUpper() == fNomeQuery.toUpper();
        }
    });
    return existe;
}

bool clsDAO::TableExisteCampoIdentity(DaoDatabase& fDB, const QString& fNomeTable) {
    if (!TableExiste(fDB, fNomeTable)) {
        return false;
    }
    const TableDef* td = acharTabela(fDB, fNomeTable);
    if (!td) {
        LancarErroDao(daoItemNaoEncontrado, "clsDAO", fNomeTable);
    }
    for (const DaoField& f : td->Fields) {
        if (f.Attributes & dbAutoIncrField) {
            return true;
        }
    }
    return false;
}

bool clsDAO::DeletarTable(DaoDatabase& fDB, const QString& fNomeTable) {
    if (!TableExiste(fDB, fNomeTable)) {
        return true;
    }
    if (m_errorNumber != 0) {
        return false;
    }
    return capturando([&] { fDB.TableDefs().Delete(fNomeTable); });
}

bool clsDAO::DeletarQuery(DaoDatabase& fDB, const QString& fNomeQuery) {
    if (!QueryExiste(fDB, fNomeQuery)) {
        return true;
    }
    if (m_errorNumber != 0) {
        return false;
    }
    return capturando([&] { fDB.QueryDefs().Delete(fNomeQuery); });
}

bool clsDAO::DeletarTableLinkada(DaoDatabase& fDB) {
    return capturando([&] {
        auto& defs = fDB.TableDefs();
        for (int i = defs.Count() - 1; i >= 0; --i) {
            if (!defs.Item(i).SourceTableName.isEmpty()) {
                defs.Delete(defs.Item(i).Name);
            }
        }
    });
}

QString clsDAO::listaFields(DaoDatabase& fDB, const QString& fNomeTable, const qint32* tipo) {
    QString lista;
    if (!TableExiste(fDB, fNomeTable)) {
        return lista;
    }
    const TableDef* td = acharTabela(fDB, fNomeTable);
    if (!td) {
        LancarErroDao(daoItemNaoEncontrado, "clsDAO", fNomeTable);
    }
    for (const DaoField& f : td->Fields) {
        if (tipo && f.Type != *tipo) {
            continue;
        }
        if (!lista.isEmpty()) {
            lista += ",";
        }
        lista += "[" + f.Name + "]";
    }
    return lista;
}

QString clsDAO::RetornarListaFields(DaoDatabase& fDB, const QString& fNomeTable) {
    return listaFields(fDB, fNomeTable, nullptr);
}

QString clsDAO::RetornarListaFieldsDataType(DaoDatabase& fDB, const QString& fNomeTable,
                                            qint32 fFieldDataType) {
    return listaFields(fDB, fNomeTable, &fFieldDataType);
}

QString clsDAO::RetornarListaFieldsComuns(DaoDatabase& fDB, const QString& fNomeTable,
                                          const QString& fNomeTable1) {
    const QStringList segunda = RetornarListaFields(fDB, fNomeTable1).split(',');
    QStringList comuns;
    for (const QString& campo : RetornarListaFields(fDB, fNomeTable).split(',')) {
        if (!campo.isEmpty() && segunda.contains(campo, Qt::CaseSensitive)) {
            comuns << campo;
        }
    }
    return comuns.join(',');
}

bool clsDAO::HabilitarInsertIdentity(DaoDatabase& fDB, const QString& fNomeTable, bool fHabilitar) {
    bool comIdentity = false;
    if (!capturando([&] { comIdentity = TableExisteCampoIdentity(fDB, fNomeTable); })) {
        return false;
    }
    if (!comIdentity) {
        return true;
    }
    const QString nome = QStringLiteral("InIden");
    const bool ok = capturando([&] {
        const TableDef td = fDB.TableDefs().Item(fNomeTable);
        QueryDef qd;
        qd.Connect = td.Connect;
        qd.SQL = "SET IDENTITY_INSERT " + td.SourceTableName.split('.').last() +
                 (fHabilitar ? " ON" : " OFF");
        qd.Name = nome;
        qd.ReturnsRecords = false;
        DeletarQuery(fDB, nome);  // one left by an earlier run; if it stays, Append says so
        fDB.QueryDefs().Refresh();
        fDB.QueryDefs().Append(qd);
        fDB.Execute(nome);
        DeletarQuery(fDB, nome);
    });
    // Whatever happened, no "InIden" stays behind for the next run to trip over; a failure
    // already captured stays the one reported.
    try {
        if (fDB.IsOpen() && fDB.QueryDefs().Existe(nome)) {
            fDB.QueryDefs().Delete(nome);
        }
    } catch (const ErroNumerado&) {
    }
    return ok;
}
