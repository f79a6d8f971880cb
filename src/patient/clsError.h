#pragma once

#include <QString>

// The last failure of the object that owns it: number, message for the user, the operation
// that detected it and the field concerned. Nothing clears it; a later success leaves it as it
// was, so it is read only right after an operation returned false.
class clsError {
  public:
    const QString& ErrorCampo() const { return m_campo; }
    void setErrorCampo(const QString& valor) { m_campo = valor; }

    void AtualizarErro(qint32 fErrorNumber, const QString& fErrorString,
                       const QString& fErrorFunction, const QString& fErrorCampo = QString());

    const QString& ErrorFunction() const { return m_function; }
    void setErrorFunction(const QString& valor) { m_function = valor; }

    qint32 ErrorNumber() const { return m_number; }
    void setErrorNumber(qint32 valor) { m_number = valor; }

    const QString& ErrorString() const { return m_string; }
    void setErrorString(const QString& valor) { m_string = valor; }

  private:
    qint32 m_number = 0;
    QString m_string;
    QString m_function;
    QString m_campo;
};
