#pragma once

#include <QString>

// A patient's name in the three parts the register keeps: first name (30 characters), middle
// names (50) and last name (20). The patient record and the grouping criteria both split and
// join names this way.
struct PartesNome {
    QString nome;
    QString meio;
    QString ultimo;
};

// Splits at every single blank without trimming first, so "MARIA  SILVA" keeps an empty
// middle part and a trailing blank gives an empty last name; each part is cut to its column.
PartesNome NomeSepararPartes(const QString& fNomeCompleto);

// First name always (even when empty), then each non-empty further part after one blank.
QString NomeJuntarPartes(const QString& nome, const QString& meio, const QString& ultimo);
