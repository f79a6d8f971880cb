#pragma once

#include <QDate>
#include <QString>

// One record as a list of patients shows it to tell two of one name apart: the full name, the
// ID, the birth date, the RG and, from a similarity search, the record's score. Empty parts are
// left out: "MARIA SILVA — ID 123 — nasc. 01/02/1970 — RG 12.345 — pontuação 87".
QString LinhaPaciente(const QString& nome, qint32 id, const QDate& nascimento, const QString& rg,
                      double pontuacao = -1);
