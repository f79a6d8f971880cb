#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// The one error type that crosses a class boundary: raised only by the operations defined to
// raise (the INI reader, the ADO-like objects that clsADO traps, the few helpers that let a
// failure pass to their caller). Number, source and description, as the program reports them.
class ErroNumerado : public std::exception {
  public:
    ErroNumerado(qint32 number, QString source, QString description);

    qint32 Number() const { return m_number; }
    const QString& Source() const { return m_source; }
    const QString& Description() const { return m_description; }
    const char* what() const noexcept override { return m_what.constData(); }

  private:
    qint32 m_number;
    QString m_source;
    QString m_description;
    QByteArray m_what;
};
