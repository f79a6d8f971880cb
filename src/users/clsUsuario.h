#pragma once

#include <QString>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "patient/clsError.h"
#include "patient/clsString.h"

// One row of the product's user table Usuário, with the queries that find a user and the
// operations that add, change and (de)activate one. Adding a user also writes the user's rows
// of the nine per-user default tables, all in one transaction.
class clsUsuario {
  public:
    explicit clsUsuario(Connection& fCN, clsADO& fADO);
    clsUsuario(const clsUsuario&) = delete;
    clsUsuario& operator=(const clsUsuario&) = delete;

    qint32 Id_Usuario() const { return m_idUsuario; }
    void setId_Usuario(qint32 v) { m_idUsuario = v; }
    clsString& Usuario() { return m_usuario; }
    void setUsuario(const clsString& v) { m_usuario = v; }
    clsString& Senha() { return m_senha; }
    void setSenha(const clsString& v) { m_senha = v; }
    clsString& Nome() { return m_nome; }
    void setNome(const clsString& v) { m_nome = v; }
    bool Master() const { return m_master; }
    void setMaster(bool v) { m_master = v; }
    bool EPatologista() const { return m_ePatologista; }
    // A user who is no pathologist is tied to none.
    void setEPatologista(bool v) {
        m_ePatologista = v;
        if (!v)
            m_idPatologista = 0;
    }
    qint32 ID_Patologista() const { return m_idPatologista; }
    void setID_Patologista(qint32 v) { m_idPatologista = v; }
    bool Ativo() const { return m_ativo; }
    void setAtivo(bool v) { m_ativo = v; }
    qint32 ID_Perfil() const { return m_idPerfil; }
    void setID_Perfil(qint32 v) { m_idPerfil = v; }
    clsError& Erro() { return m_erro; }
    void setErro(const clsError& v) { m_erro = v; }

    bool Existir_por_IdUsuario(qint32 IdUsuario);
    bool Existir_por_Usuario(const QString& Usuario);
    bool Existir_por_IDPatologista(qint32 fID_Patologista);
    bool Existir_por_Senha(const QString& fSenha, const QString& fUsuario);
    bool Existir_por_Nome(const QString& fNome);
    bool Localizar_por_IdUsuario(qint32 IdUsuario);
    bool Localizar_por_Usuario(const QString& Usuario);
    bool Localizar_por_Senha(const QString& Senha, const QString& Usuario);
    bool Localizar_por_StatusUsuario(const QString& Usuario, const QString& Senha);
    bool Localizar_Administrador();

    bool Adicionar(const clsUsuario& cmdUsuario);
    bool Atualizar();
    bool Remover();
    bool Validar();

  private:
    void ErroRegistrar(qint32 codigo, const QString& funcao);
    void erroDoBanco(const QString& funcao);
    bool existirPor(const QString& sql, const QString& funcao);
    bool localizarPor(const QString& sql, const QString& funcao);
    void carregar(Recordset& rs);
    bool validarCampo(clsString& campo);
    // Runs one write inside its own transaction level; false (Erro filled) rolls it back.
    bool gravar(const QString& sql, const QString& funcao);

    Connection& m_cn;
    clsADO& m_ado;
    qint32 m_idUsuario = 0;
    clsString m_usuario;
    clsString m_senha;
    clsString m_nome;
    bool m_master = false;
    bool m_ePatologista = false;
    qint32 m_idPatologista = 0;
    bool m_ativo = false;
    qint32 m_idPerfil = 0;
    clsError m_erro;
};
