#pragma once

#include <QString>

#include "data/dao/DaoDatabase.h"
#include "data/dao/DaoRecordset.h"

// The gateway to a desktop database, the counterpart of clsADO: it holds no database (every
// operation takes the open one), traps its failures and keeps the last one in
// ErrorNumber/ErrorString, which a success never clears. TableExisteCampoIdentity and the
// three field-list operations let a failure (ErroNumerado) pass to the caller instead.
class clsDAO {
  public:
    bool AbrirDatabase(DaoDatabase& fDB, const QString& fFullPath);
    bool FecharDatabase(DaoDatabase& fDB);
    bool CompactarDatabase(const QString& fOrigem, const QString& fDestino);
    bool AbrirRecordset(DaoDatabase& fDB, DaoRecordset& fRS, const QString& SQL);
    bool ExecutarSQL(DaoDatabase& fDB, const QString& SQL, qint32& RecordsAfetados);

    bool TableExiste(DaoDatabase& fDB, const QString& fNomeTable);
    bool QueryExiste(DaoDatabase& fDB, const QString& fNomeQuery);
    bool TableExisteCampoIdentity(DaoDatabase& fDB, const QString& fNomeTable);

    // A missing object is nothing to do (True); an existing one is deleted only while this
    // instance holds no captured failure.
    bool DeletarTable(DaoDatabase& fDB, const QString& fNomeTable);
    bool DeletarQuery(DaoDatabase& fDB, const QString& fNomeQuery);
    bool DeletarTableLinkada(DaoDatabase& fDB);

    QString RetornarListaFields(DaoDatabase& fDB, const QString& fNomeTable);
    QString RetornarListaFieldsDataType(DaoDatabase& fDB, const QString& fNomeTable,
                                        qint32 fFieldDataType);
    QString RetornarListaFieldsComuns(DaoDatabase& fDB, const QString& fNomeTable,
                                      const QString& fNomeTable1);

    // Switches the server's explicit identity insertion for a linked table through a
    // pass-through query "InIden" on the link's own connect string.
    bool HabilitarInsertIdentity(DaoDatabase& fDB, const QString& fNomeTable, bool fHabilitar);

    qint32 ErrorNumber() const { return m_errorNumber; }
    void setErrorNumber(qint32 v) { m_errorNumber = v; }
    QString ErrorString() const { return m_errorString; }
    void setErrorString(const QString& v) { m_errorString = v; }

  private:
    // Runs `operacao`, capturing any failure; False when it failed.
    template <typename F>
    bool capturando(F&& operacao);
    QString listaFields(DaoDatabase& fDB, const QString& fNomeTable, const qint32* tipo);

    qint32 m_errorNumber = 0;
    QString m_errorString;
};
