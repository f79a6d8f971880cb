#include "users/LoginAdministrador.h"

#include <QProcessEnvironment>

#include "data/ado/Recordset.h"
#include "users/clsUsuario.h"

ResultadoLogin VerificarLoginAdministrador(Connection& fCN, clsADO& fADO, const QString& fUsuario,
                                           const QString& fSenha) {
    ResultadoLogin resultado;
    clsUsuario usuario(fCN, fADO);
    if (!usuario.Localizar_por_Senha(fSenha, fUsuario)) {
        resultado.Mensagem = QStringLiteral("Usuário ou senha incorretos, tente outra vez.");
        return resultado;
    }
    resultado.ID_Usuario = usuario.Id_Usuario();

    if (!fADO.TableExiste(fCN, QStringLiteral("Usuario_Perfil"))) {
        resultado.Aceito = true;  // a database without profiles lets every matching user in
        return resultado;
    }
    Recordset rs;
    const QString sql =
        QStringLiteral(
            "SELECT Usuario_Perfil.ID_Usuario, Perfil.ID_Clinica, "
            "Perfil.ID_Perfil_Tipo") +
        QStringLiteral(" FROM Usuario_Perfil INNER JOIN ") +
        QStringLiteral(" Perfil ON Usuario_Perfil.ID_Perfil = Perfil.Id_Perfil") +
        QStringLiteral(" Where (Usuario_Perfil.Id_Usuario = ") +
        QString::number(resultado.ID_Usuario) + QStringLiteral(")") +
        QStringLiteral(" AND (Perfil.ID_Perfil_Tipo = 1 or Perfil.ID_Perfil_Tipo = 2)") +
        QStringLiteral(" ORDER BY Perfil.ID_Perfil_Tipo");
    if (!fADO.AbrirRecordset(fCN, rs, sql)) {
        resultado.Mensagem =
            QStringLiteral("Ao verificar clínicas do usuário, ocorreu o seguinte erro:") +
            QStringLiteral("\n\n") + QString::number(fADO.ErrorNumber()) + QStringLiteral(" - ") +
            fADO.ErrorString();
        return resultado;
    }
    const bool administrador = rs.RecordCount() > 0;
    rs.Close();
    if (!administrador) {
        resultado.Mensagem = QStringLiteral(
            "Somente usuários com perfil de administrador podem acessar este programa.");
        return resultado;
    }
    resultado.Aceito = true;
    return resultado;
}

ResultadoLogin VerificarAdministradorDaFerramenta(Connection& fCN, clsADO& fADO,
                                                  const QString& fUsuario,
                                                  const std::function<QString()>& fLerSenha) {
    const QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
    const QString variavel = QStringLiteral("CADUNIR_PASSWORD");
    const QString senha = ambiente.contains(variavel) ? ambiente.value(variavel)
                          : fLerSenha                 ? fLerSenha()
                                                      : QString();
    return VerificarLoginAdministrador(fCN, fADO, fUsuario, senha);
}

bool AbrirCadastroDaFerramenta(Connection& fCN, clsADO& fADO, const QString& fConexao,
                               QTextStream& fErros) {
    if (fADO.AbrirConexão(fCN, fConexao)) {
        return true;
    }
    fErros << "Ao abrir a conexão com o banco de dados, ocorreu o seguinte erro:\n"
           << fADO.ErrorNumber() << " - " << fADO.ErrorString() << "\n";
    return false;
}

std::optional<qint32> EntrarComoAdministrador(Connection& fCN, clsADO& fADO,
                                              const QString& fConexao, const QString& fUsuario,
                                              const std::function<QString()>& fLerSenha,
                                              QTextStream& fErros) {
    if (!AbrirCadastroDaFerramenta(fCN, fADO, fConexao, fErros)) {
        return std::nullopt;
    }
    const ResultadoLogin acesso =
        VerificarAdministradorDaFerramenta(fCN, fADO, fUsuario, fLerSenha);
    if (!acesso.Aceito) {
        fErros << acesso.Mensagem << "\n";
        return std::nullopt;
    }
    return acesso.ID_Usuario;
}
