#pragma once

#include <QList>
#include <QSet>
#include <QString>

#include "decisions/clsDecisaoPessoas.h"
#include "review/clsComparacaoPacientes.h"

// The signs that records compared side by side belong to different people. None of them
// forbids the merge; each must be named to the administrator and confirmed before it.
class clsVerificacaoSeguranca {
  public:
    struct Conflito {
        enum Tipo { CIC, RG, Sexo, Nascimento, SemSolucao, PessoasDiferentes } tipo;
        QList<qint32> ids;  // the records concerned
        QString texto;      // one line naming them and the values
    };

    explicit clsVerificacaoSeguranca(Connection& fCN, clsADO& fADO);

    // Compares every pair of records of the comparison and reads their no-solution marks and
    // "not the same person" decisions. False when the register cannot be read (Erro).
    bool Verificar(const clsComparacaoPacientes& fComparacao, QList<Conflito>& fConflitos);

    // The checks on values alone, given the marks and decisions already read.
    static QList<Conflito> Conflitos(const clsComparacaoPacientes& fComparacao,
                                     const QSet<qint32>& fSemSolucao,
                                     const QList<clsDecisaoPessoas::Decisao>& fDecisoes);

    // What tells two records' people apart, as the register holds it (texts as shown).
    struct Identificacao {
        QString cic;
        QString rg;
        QString sexo;
        QDate nascimento;  // null when empty
    };
    // The signs between two records on their values: different CIC or RG once the punctuation
    // is removed, different sex, birth dates too far apart to be one date typed badly. An
    // empty value shows no sign. The rules are the finder's too (patient/RegrasMesmaPessoa.h).
    static QList<Conflito::Tipo> SinaisEntre(const Identificacao& a, const Identificacao& b);

    clsError& Erro() { return m_erro; }

  private:
    Connection& m_cn;
    clsADO& m_ado;
    clsError m_erro;
};
