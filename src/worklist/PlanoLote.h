#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QVector>
#include <functional>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "match/LocalizadorSemelhantes.h"
#include "merge/clsLoteRegistro.h"
#include "review/clsComparacaoPacientes.h"

// The plan of a batch: the groups of a register that are one person beyond reasonable doubt,
// so that they may be merged without anybody reviewing them, each with the base the worklist
// suggests and what its merge would do. Working it out reads the register and writes nothing.
//
// A group is certain when the finder joins it at the threshold and, between every two of its
// records (not only along the links that chain them):
//   - the score is at least the threshold;
//   - each strong identifier that both hold agrees exactly (birth date, CIC, RG, sex) and at
//     least one of birth date, CIC and RG is held by both;
//   - both hold a first and a last name, and the names read alike (equal or the same sound);
//     a typing slip, an initial or an abbreviated middle name passes only beside an equal
//     document;
// and nobody said otherwise: no "not the same person" decision between two of them (valid or
// not), no no-solution mark, the group neither put off nor open in a worklist, no sign of
// different people (clsVerificacaoSeguranca) and no other table pointing at a record to be
// removed. Every group that fails is left for the review, counted by its reason.
//
// The expected number of wrong merges is the sum, over the records to remove, of the chance
// the model gives that the record is another person than the rest of its group (its weakest
// score against them).
class clsPlanoLote {
  public:
    // The default threshold: a merge the model puts at one chance in a thousand or less of
    // joining two people.
    static constexpr double kLimiarPadrao = 99.9;

    struct Resumo {
        int grupos = 0;
        int registros = 0;  // records to remove
        qint64 exames = 0;  // exam rows that move
        double errosEsperados = 0;
        int candidatos = 0;  // groups the finder joined at the threshold
        // Groups left for the review, by reason.
        QMap<QString, int> deixados;
    };
    using Progresso = semelhanca::LocalizadorSemelhantes::Progresso;
    using Grupo = clsLoteRegistro::Grupo;

    clsPlanoLote(Connection& fCN, clsADO& fADO);

    // Searches the register and keeps the certain groups at fLimiar (0..100). False with
    // Erro() when the register cannot be read or fParar stopped it.
    bool Planejar(double fLimiar, const Progresso& fProgresso = {},
                  const std::function<bool()>& fParar = {});

    const QVector<Grupo>& Grupos() const { return m_grupos; }
    const Resumo& ResumoPlano() const { return m_resumo; }
    QString Erro() const { return m_erro; }

    // The plan as a spreadsheet opens it: one line per record to remove (group, base, record,
    // score, exams to move, fields whose values differ), UTF-8 with a byte-order mark, ";".
    static QByteArray ParaCSV(const QVector<Grupo>& fGrupos);
    // The summary for the administrator, one fact a line.
    static QString TextoResumo(const Resumo& fResumo);

    // The fingerprint of a record's values, as the comparison reads them: a record edited
    // since the plan no longer has the one planned.
    static QString Assinatura(const clsComparacaoPacientes::Registro& fRegistro);
    // A check for the merge command: the group's records are still those of the plan, each as
    // it was; otherwise what changed.
    static std::function<QString(const clsComparacaoPacientes&)> Conferencia(const Grupo& fGrupo);

  private:
    // Why the finder's group g is not certain (empty when it is), from the records alone.
    QString Duvida(const semelhanca::LocalizadorSemelhantes& fBusca,
                   const semelhanca::GrupoCandidato& fGrupo, double fLimiar) const;

    Connection& m_cn;
    clsADO& m_ado;
    QVector<Grupo> m_grupos;
    Resumo m_resumo;
    QString m_erro;
};
