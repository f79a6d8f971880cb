#pragma once

#include <QString>
#include <QStringView>

// The one masking rule for secrets, applied to everything that is logged, traced or shown
// (the diagnostics log, the statement trace, stderr, message boxes, the SQL console).
namespace dados {

// Hides the value of every password key of a connection string (Password, Pwd; any blanks,
// Unicode ones included, around the key and "="; braced or quoted values whole, an unclosed
// one to the end); every literal of an expression compared with or assigned to a column whose
// name says password (Senha, Password, Pwd...), whatever its shape (UPPER('x'), 'a' + 'b',
// IN lists, CASE, subqueries, either side of the operator); the values given to such a column
// in INSERT column lists; every value of an INSERT into a user table without a column list;
// and the value SQL Server echoes when it would truncate such a column.
QString MascararSenhas(const QString& texto);

// Whether the literal that begins at `posicao` of the statement `sql` is one MascararSenhas
// hides: an error that names that token must not show it.
bool TrechoDeSenha(const QString& sql, qsizetype posicao);

// Whether a name says it holds a password (Senha, SenhaAntiga, PasswordHash, Pwd...).
bool NomeDeSenha(QStringView nome);

// A database message that echoes a value ("... the nvarchar value 'x' ...", "Truncated value:
// 'x'", "... string 'x'", "The duplicate key value is (x)") with that value hidden when the
// statement it came from names a password column: the value may be one.
QString MascararValorEcoado(const QString& mensagem, const QString& comando);

}  // namespace dados
