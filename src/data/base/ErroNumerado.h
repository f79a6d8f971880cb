#pragma once

#include <QByteArray>
#include <QString>
#include <exception>
#include <optional>

// What SQL Server says about a statement it refused, as its console prints it: "Msg 8134,
// Level 16, State 1, Line 1" and the text on the next line. The embedded engine gives the same
// for the failures it shares with SQL Server.
struct MensagemServidor {
    qint32 numero = 0;
    int nivel = 16;
    int estado = 1;
    int linha = 1;  // in the batch, from 1
    QString texto;
};

// The one error type that crosses a class boundary: raised only by the operations defined to
// raise (the INI reader, the ADO-like objects that clsADO traps, the few helpers that let a
// failure pass to their caller). Number, source and description, as the program reports them,
// and the server's own message when a database statement failed.
class ErroNumerado : public std::exception {
  public:
    ErroNumerado(qint32 number, QString source, QString description,
                 std::optional<MensagemServidor> servidor = std::nullopt);

    qint32 Number() const { return m_number; }
    const QString& Source() const { return m_source; }
    const QString& Description() const { return m_description; }
    const char* what() const noexcept override { return m_what.constData(); }

    const std::optional<MensagemServidor>& Servidor() const { return m_servidor; }
    // The engine that knows which statement of a batch failed says its line.
    void DefinirLinha(int linha) {
        if (m_servidor) {
            m_servidor->linha = linha;
        }
    }

  private:
    qint32 m_number;
    QString m_source;
    QString m_description;
    QByteArray m_what;
    std::optional<MensagemServidor> m_servidor;
};
