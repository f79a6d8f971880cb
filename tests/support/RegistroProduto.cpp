#include "RegistroProduto.h"

#include <gtest/gtest.h>

#include "Esquema.h"
#include "Registro.h"
#include "data/ErroNumerado.h"
#include "data/Recordset.h"

RegistroProduto::RegistroProduto() {
    const QString arquivo = registro::ArquivoRegistro(m_pasta.path());
    if (!ado.AbrirConexão(cn, registro::StringDeConexao(arquivo))) {
        ADD_FAILURE() << "opening " << arquivo.toStdString() << ": "
                      << ado.ErrorString().toStdString();
        return;
    }
    QString erro;
    if (!registro::CriarEsquema(cn, ado, erro))
        ADD_FAILURE() << erro.toStdString();
}

RegistroProduto::~RegistroProduto() {
    if (cn.State() == adStateOpen)
        ado.FecharConexão(cn);
}

void RegistroProduto::executar(const QString& sql) {
    if (!ado.ExecutarSQL(cn, sql))
        ADD_FAILURE() << sql.toStdString() << ": " << ado.ErrorString().toStdString();
}

QVariant RegistroProduto::valor(const QString& sql) {
    Recordset rs;
    if (!ado.AbrirRecordset(cn, rs, sql)) {
        ADD_FAILURE() << sql.toStdString() << ": " << ado.ErrorString().toStdString();
        return QVariant();
    }
    const QVariant v = rs.Eof() ? QVariant() : rs.Fields(0).Value();
    rs.Close();
    return v;
}

GravadorSQL::GravadorSQL(Connection& cn) : m_cn(cn) {
    m_id = m_cn.AddObserver([this](const Connection::Event& e) {
        switch (e.kind) {
            case Connection::Event::Begin:
                m_textos << QStringLiteral("BEGIN");
                return;
            case Connection::Event::Commit:
                m_textos << QStringLiteral("COMMIT");
                return;
            case Connection::Event::Rollback:
                m_textos << QStringLiteral("ROLLBACK");
                return;
            case Connection::Event::Schema:
                return;
            case Connection::Event::Execute:
            case Connection::Event::Query:
                m_textos << e.text;
                if (!m_falharEm.isEmpty() && e.text.contains(m_falharEm))
                    throw ErroNumerado(-2147217900, QStringLiteral("GravadorSQL"),
                                       QStringLiteral("falha injetada pelo teste"));
                return;
        }
    });
}

GravadorSQL::~GravadorSQL() {
    m_cn.RemoveObserver(m_id);
}

QStringList GravadorSQL::comandos() const {
    QStringList c;
    for (const QString& t : m_textos) {
        if (t != QLatin1String("BEGIN") && t != QLatin1String("COMMIT") &&
            t != QLatin1String("ROLLBACK"))
            c << t;
    }
    return c;
}
