#include "RegistroGerado.h"

#include <gtest/gtest.h>

#include "Registro.h"
#include "data/ado/Recordset.h"
#include "main/InicioPrograma.h"
#include "support/RegistroMerge.h"
#include "users/LoginAdministrador.h"

RegistroGerado::RegistroGerado(qint64 pacientes, quint64 semente) {
    registro::OpcoesRegistro o;
    o.pacientes = pacientes;
    o.semente = semente;
    o.pasta = m_pasta.path();
    o.verdade = [this](qint64 id, qint64 pessoa) { m_pessoa.insert(qint32(id), pessoa); };
    registro::ResumoRegistro resumo;
    QString erro;
    EXPECT_TRUE(registro::CriarRegistro(o, resumo, erro)) << erro.toStdString();
    EXPECT_TRUE(m_ado.AbrirConexão(m_cn, StringConexao()));
    EXPECT_TRUE(InicioPrograma(m_cn, m_ado).CriarTabelas());
    const auto& login = registro::LoginAdministrador();
    m_administrador = VerificarLoginAdministrador(m_cn, m_ado, QString::fromUtf8(login.usuario),
                                                  QString::fromUtf8(login.senha))
                          .ID_Usuario;
}

QString RegistroGerado::Arquivo() const {
    return registro::ArquivoRegistro(m_pasta.path());
}

QString RegistroGerado::StringConexao() const {
    return registro::StringDeConexao(Arquivo());
}

QByteArray RegistroGerado::Produto() const {
    return InstantaneoArquivo(Arquivo(), {QStringLiteral("Paciente"), QStringLiteral("Exame"),
                                          QStringLiteral("Exame_BK")});
}

qint64 RegistroGerado::Contar(const QString& sql) {
    Recordset rs;
    if (!m_ado.AbrirRecordset(m_cn, rs, sql)) {
        ADD_FAILURE() << sql.toStdString() << ": " << m_ado.ErrorString().toStdString();
        return -1;
    }
    return rs.Fields(0).Value().toLongLong();
}
