#pragma once

#include <QDateTime>
#include <QString>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "match/ModeloPontuacao.h"
#include "patient/clsError.h"

// The finder's learned parameters, kept in the program's own table Cadunir_ParametroBusca so
// that scores and groups stay the same from one search to the next: one row per level of
// every field (its learned m and measured u), one for the prior and one for the households'
// twins, each with when they were learned, how many patients the register held then and its
// highest ID (to tell how much it changed since), and the version of the levels they belong to.
class clsParametrosBusca {
  public:
    struct Salvos {
        semelhanca::Parametros parametros;
        QDateTime data;
        qint64 registros = 0;
        qint32 maiorId = 0;
        int versao = 0;
    };

    explicit clsParametrosBusca(Connection& fCN, clsADO& fADO);

    // Creates the table when it is missing (CriarTabelaSeAusente: safe when two programs start
    // together), at start-up with the program's other tables: a failure is shown like theirs.
    bool CriarTabela();
    // The saved parameters; fExistem false when none are saved (or the table is missing, or
    // they belong to other levels than this program's). False only on a failed read.
    bool Ler(Salvos& fSalvos, bool& fExistem);
    // Replaces the saved parameters, in one transaction (creating the table when missing,
    // quietly: a search in the background or a tool shows no box).
    bool Gravar(const semelhanca::Parametros& fParametros, qint64 fRegistros, qint32 fMaiorId);

    // True when a register of `registros` patients whose highest ID is `maiorId`, holding
    // `novos` patients above the saved highest ID, changed by more than `parcela` of the
    // register the parameters were learned on.
    static bool Mudou(const Salvos& s, qint64 registros, qint64 novos, double parcela);

    clsError& Erro() { return m_erro; }

  private:
    void erroDoBanco(const QString& procedimento);

    Connection& m_cn;
    clsADO& m_ado;
    clsError m_erro;
};
