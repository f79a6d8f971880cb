#pragma once

#include <QString>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"

// The steps of the program's start-up that are not about windows, in the order the start-up
// runs them: find and read Tessivar.INI, open the shared connection (one silent retry), create
// every table the program owns, and tell whether the register can be written. The window runs
// the log-in between the connection and the tables and shows the messages; a step that fails
// ends the program.
class InicioPrograma {
  public:
    InicioPrograma(Connection& fCN, clsADO& fADO);

    // The folders, then the INI file in the Windows folder and its connection string. False
    // with Mensagem() when the file is missing or names no connection.
    bool LerConfiguracao();
    // The INI's CONN_SERVER of section Tessivar into ConnectionString(); true when not empty.
    // Raises the INI reader's numbered errors.
    bool Ler_INI(const QString& fFullPathINI);
    // Opens the connection with ConnectionString(); a first refusal is retried once, without a
    // word. False with Mensagem() when both fail.
    bool Conectar();
    // Creates every table of the program that is missing (the log tables with their reason
    // catalogue, then the program's own Cadunir_ tables). False when one cannot be made: the
    // class that failed has shown its message (a catalogue failure shows none), and nothing
    // more is to be said.
    bool CriarTabelas();

    // Whether the register can be written, asked without writing: empty when it can, else the
    // sentence that says why the merge commands are unavailable, with the engine's own words in
    // `detalhe`. A register that is locked may be freed later: ask again.
    QString VerificarGravacao(QString* detalhe = nullptr);

    // The text of the message that ends the program after a false, exactly as it is shown.
    const QString& Mensagem() const { return m_mensagem; }
    const QString& ConnectionString() const { return m_connectionString; }
    // Both end in the platform's separator.
    const QString& PastaAplicacao() const { return m_pastaAplicacao; }
    const QString& PastaWindows() const { return m_pastaWindows; }

  private:
    Connection& m_cn;
    clsADO& m_ado;
    QString m_mensagem;
    QString m_connectionString;
    QString m_pastaAplicacao;
    QString m_pastaWindows;
};

// What a failure message's short text leaves out, to be appended to it: the driver's or the
// engine's own words, and where the diagnostics log keeps the whole story.
QString DetalheEDiagnostico(const QString& detalhe);
