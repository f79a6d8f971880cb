#pragma once

#include <QString>
#include <QTextStream>
#include <functional>
#include <optional>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"

// The log-in's check of a user name and password, shared by the login dialog and the
// administrators' command-line tools, so that both let in exactly the same people: a row of
// Usuário with that name and password, holding a profile of type 1 or 2 (any such row when the
// database has no profile table).
struct ResultadoLogin {
    bool Aceito = false;
    // The matching user's ID, set as soon as name and password match, even when the profile
    // check then refuses (the dialog keeps it as the log-in always did); 0 when nothing matched.
    qint32 ID_Usuario = 0;
    QString Mensagem;  // why it was refused, in the dialog's words; empty when accepted
};

ResultadoLogin VerificarLoginAdministrador(Connection& fCN, clsADO& fADO, const QString& fUsuario,
                                           const QString& fSenha);

// The same check for an administrators' command-line tool: the password from the environment
// variable CADUNIR_PASSWORD when it is set (even empty), otherwise from fLerSenha (the tool
// reads it at the terminal).
ResultadoLogin VerificarAdministradorDaFerramenta(Connection& fCN, clsADO& fADO,
                                                  const QString& fUsuario,
                                                  const std::function<QString()>& fLerSenha);

// An administrators' tool's way in: opens the register (fConexao), then checks the user as
// above. Nothing, with the reason written to fErros, when either fails.
bool AbrirCadastroDaFerramenta(Connection& fCN, clsADO& fADO, const QString& fConexao,
                               QTextStream& fErros);
std::optional<qint32> EntrarComoAdministrador(Connection& fCN, clsADO& fADO,
                                              const QString& fConexao, const QString& fUsuario,
                                              const std::function<QString()>& fLerSenha,
                                              QTextStream& fErros);
