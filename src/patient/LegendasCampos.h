#pragma once

#include <QString>
#include <QStringList>

// The administrator's words for the register's columns: what a header, a message or a hover
// shows where the database says Nome_Meio or Data_Nascimento. The criteria keep the captions
// of their check boxes ("Nome do meio", "Último nome", "Data Nascimento").

// The caption of a column (letter case ignored); a column it does not know shows its name with
// blanks for the underscores, so no identifier reaches the screen as it is.
QString LegendaCampo(const QString& coluna);

// The phonetic codes the register keeps beside each name (Nome_Soundex, ...): they follow the
// name, and the administrator never chose or typed them.
bool CampoFonetico(const QString& coluna);

// The captions of a list of columns, in its order, without the phonetic codes of a name that
// is listed too (restoring a name restores its code: saying so adds nothing).
QStringList LegendasCampos(const QStringList& colunas);
