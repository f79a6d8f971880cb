#pragma once

#include <QDateTime>
#include <QString>

#include "patient/clsError.h"

// A date value with a display name, a required flag and bounds. Records keep dates as text
// (dd/MM/yyyy) and make a clsData only to check one or to write it into SQL.
class clsData {
  public:
    clsData();

    const QString& Nome() const { return m_nome; }
    void setNome(const QString& valor) { m_nome = valor; }

    clsError& Erro() { return m_erro; }
    const clsError& Erro() const { return m_erro; }
    void setErro(const clsError& erro) { m_erro = erro; }

    // Starts at the zero date-time, 30/12/1899 00:00:00. A null QDateTime stands for "no date".
    const QDateTime& Valor() const { return m_valor; }
    void setValor(const QDateTime& valor) { m_valor = valor; }
    // The date the text denotes (dd/MM/yyyy, optionally with a time); a null QDateTime when the
    // text is empty or no date.
    void setValor(const QString& texto) { m_valor = DataDoTexto(texto); }

    bool Validar() { return Validar(TextoDaData(m_valor)); }
    bool Validar(const QDateTime& fValor) { return Validar(TextoDaData(fValor)); }
    bool Validar(const QString& fValor);

    // Valor as "yyyy-MM-dd HH:mm:ss", to stand between single quotes; empty for a null Valor.
    QString TextoParaSQL() const;

    bool Obrigatório() const { return m_obrigatorio; }
    void setObrigatório(bool valor) { m_obrigatorio = valor; }

    const QDateTime& DataMínima() const { return m_dataMinima; }
    void setDataMínima(const QDateTime& valor) { m_dataMinima = valor; }

    const QDateTime& DataMáxima() const { return m_dataMaxima; }
    void setDataMáxima(const QDateTime& valor) { m_dataMaxima = valor; }

    // The text form of a date as the program writes it: dd/MM/yyyy, then " HH:mm:ss" when
    // the time is not midnight; a value on the zero date (30/12/1899) shows its time alone.
    static QString TextoDaData(const QDateTime& data);
    // Reads d/M/y with an optional "H:mm[:ss]" after one blank; two-digit years fall in
    // 1930-2029. Anything else gives a null QDateTime.
    static QDateTime DataDoTexto(const QString& texto);

  private:
    void ErroRegistrar(qint32 codigo);

    QDateTime m_valor;
    QString m_nome;
    bool m_obrigatorio = false;
    QDateTime m_dataMinima;
    QDateTime m_dataMaxima;
    clsError m_erro;
};
