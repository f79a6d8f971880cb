#pragma once

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "patient/clsError.h"

// The records of one person side by side: one column per record, one row per patient field,
// plus the record's exams (how many in Exame and in Exame_BK, and the most recent exam date).
// Each cell is equal, different or empty against the other records of its row, which is what
// the reviewer reads before deciding that the records are one person.
class clsComparacaoPacientes {
  public:
    enum class Estado { Igual, Diferente, Vazio };

    struct Campo {
        QString chave;   // the column of Paciente (or a key of ours for the exam rows)
        QString rotulo;  // the caption shown in the first column
        bool comparado;  // false for rows that differ by nature (the ID, the exam counts)
    };

    struct Registro {
        qint32 id = 0;
        QHash<QString, QString> valores;  // by field key, as the program shows them
        // The compared fields as the database holds them (NULL apart from an empty text), for
        // a merge that writes them back; empty for records given by Definir.
        QHash<QString, QVariant> originais;
        QDate nascimento;  // null when empty
        qint32 exames = 0;
        qint32 examesBK = 0;
        QDateTime ultimoExame;  // null without exams
    };

    explicit clsComparacaoPacientes(Connection& fCN, clsADO& fADO);

    // Reads the records in the order of fIDs; IDs that Paciente no longer holds are left out
    // and listed by Ausentes(). False when a query fails (Erro holds the database's error).
    bool Carregar(const QList<qint32>& fIDs);
    // Builds the comparison from records already in memory (tests, and a caller that holds
    // them); the cell states are worked out the same way.
    void Definir(const QVector<Registro>& registros);

    static const QVector<Campo>& Campos();
    static int LinhaDoCampo(const QString& chave);

    int Colunas() const { return int(m_registros.size()); }
    int Linhas() const { return int(Campos().size()); }
    const Registro& RegistroDaColuna(int coluna) const { return m_registros[coluna]; }
    int ColunaDoId(qint32 id) const;
    QList<qint32> Ids() const;
    QList<qint32> Ausentes() const { return m_ausentes; }

    QString Valor(int linha, int coluna) const;
    QString Valor(const QString& chave, qint32 id) const;
    Estado EstadoDaCelula(int linha, int coluna) const;
    // The compared fields (keys) whose row holds two different non-empty values.
    QStringList CamposDiferentes() const;

    clsError& Erro() { return m_erro; }

  private:
    Connection& m_cn;
    clsADO& m_ado;
    QVector<Registro> m_registros;
    QList<qint32> m_ausentes;
    clsError m_erro;
};
