#pragma once

#include <QList>
#include <QString>
#include <QVector>
#include <memory>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "review/clsComparacaoPacientes.h"
#include "review/clsVerificacaoSeguranca.h"
#include "worklist/ListaTrabalho.h"

// The records of the group open in the worklist, read for what the administrator decides on:
// one line per member (name, ID, birth date, RG, the similarity score), the base a merge
// would keep, and the signs that the records are different people (values, no-solution marks,
// "not the same person" decisions), the same checks the review makes.
class GrupoAberto {
  public:
    struct Membro {
        qint32 id = 0;
        QString nome;
        QDate nascimento;
        QString rg;
        double pontuacao = -1;
        QString linha;  // LinhaPaciente of the above
    };

    GrupoAberto(Connection& fCN, clsADO& fADO);

    // False with Erro() when the records cannot be read.
    bool Carregar(const ListaTrabalho::Item& fItem);
    void Limpar();

    const QVector<Membro>& Membros() const { return m_membros; }
    qint32 BaseSugerida() const { return m_base; }
    const QList<clsVerificacaoSeguranca::Conflito>& Sinais() const { return m_sinais; }
    const clsComparacaoPacientes& Comparacao() const { return *m_comparacao; }
    QString Erro() const { return m_erro; }

  private:
    Connection& m_cn;
    clsADO& m_ado;
    std::unique_ptr<clsComparacaoPacientes> m_comparacao;
    QVector<Membro> m_membros;
    QList<clsVerificacaoSeguranca::Conflito> m_sinais;
    qint32 m_base = 0;
    QString m_erro;
};
