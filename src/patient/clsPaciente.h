#pragma once

#include <QString>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "patient/clsError.h"
#include "patient/clsString.h"

// One row of Paciente in memory: twenty-five text fields with their display names and limits,
// the key, and the record's last failure. It reads and writes its row on the connection its
// caller hands it, always through the clsADO instance handed with it.
class clsPaciente {
  public:
    explicit clsPaciente(Connection& fCN, clsADO& fADO);
    clsPaciente(const clsPaciente&) = delete;
    clsPaciente& operator=(const clsPaciente&) = delete;

    clsString& ID_Paciente_Externo() { return m_campo[kID_Paciente_Externo]; }
    void setID_Paciente_Externo(const clsString& v) { m_campo[kID_Paciente_Externo] = v; }
    clsString& Prontuário() { return m_campo[kProntuario]; }
    void setProntuário(const clsString& v) { m_campo[kProntuario] = v; }
    clsString& Email() { return m_campo[kEmail]; }
    void setEmail(const clsString& v) { m_campo[kEmail] = v; }
    clsError& Erro() { return m_erro; }
    void setErro(const clsError& v) { m_erro = v; }
    clsString& Altura() { return m_campo[kAltura]; }
    void setAltura(const clsString& v) { m_campo[kAltura] = v; }
    clsString& Peso() { return m_campo[kPeso]; }
    void setPeso(const clsString& v) { m_campo[kPeso] = v; }
    clsString& Número_Convênio() { return m_campo[kNumero_Convenio]; }
    void setNúmero_Convênio(const clsString& v) { m_campo[kNumero_Convenio] = v; }
    clsString& Profissão() { return m_campo[kProfissao]; }
    void setProfissão(const clsString& v) { m_campo[kProfissao] = v; }
    clsString& Data_Nascimento() { return m_campo[kData_Nascimento]; }
    void setData_Nascimento(const clsString& v) { m_campo[kData_Nascimento] = v; }
    clsString& Convênio() { return m_campo[kConvenio]; }
    void setConvênio(const clsString& v) { m_campo[kConvenio] = v; }
    clsString& Raça() { return m_campo[kRaca]; }
    void setRaça(const clsString& v) { m_campo[kRaca] = v; }
    clsString& Sexo() { return m_campo[kSexo]; }
    void setSexo(const clsString& v) { m_campo[kSexo] = v; }
    clsString& Telefone() { return m_campo[kTelefone]; }
    void setTelefone(const clsString& v) { m_campo[kTelefone] = v; }
    clsString& Estado() { return m_campo[kEstado]; }
    void setEstado(const clsString& v) { m_campo[kEstado] = v; }
    clsString& Cidade() { return m_campo[kCidade]; }
    void setCidade(const clsString& v) { m_campo[kCidade] = v; }
    clsString& Bairro() { return m_campo[kBairro]; }
    void setBairro(const clsString& v) { m_campo[kBairro] = v; }
    clsString& CEP() { return m_campo[kCEP]; }
    void setCEP(const clsString& v) { m_campo[kCEP] = v; }
    clsString& Endereço() { return m_campo[kEndereco]; }
    void setEndereço(const clsString& v) { m_campo[kEndereco] = v; }
    clsString& CIC() { return m_campo[kCIC]; }
    void setCIC(const clsString& v) { m_campo[kCIC] = v; }
    clsString& RG() { return m_campo[kRG]; }
    void setRG(const clsString& v) { m_campo[kRG] = v; }
    const clsString& Nome_Último_Soundex() const { return m_campo[kNome_Ultimo_Soundex]; }
    clsString& Nome_Último() { return m_campo[kNome_Ultimo]; }
    void setNome_Último(const clsString& v) { m_campo[kNome_Ultimo] = v; }
    const clsString& Nome_Meio_Soundex() const { return m_campo[kNome_Meio_Soundex]; }
    clsString& Nome_Meio() { return m_campo[kNome_Meio]; }
    void setNome_Meio(const clsString& v) { m_campo[kNome_Meio] = v; }
    const clsString& Nome_Soudex() const { return m_campo[kNome_Soundex]; }
    clsString& Nome() { return m_campo[kNome]; }
    void setNome(const clsString& v) { m_campo[kNome] = v; }
    qint32 ID_Paciente() const { return m_idPaciente; }
    void setID_Paciente(qint32 v) { m_idPaciente = v; }

    bool Validar();
    bool Adicionar(const clsPaciente& fPaciente, qint32 fID_Usuário = 0);
    bool Atualizar(qint32 fID_Usuário = 0);
    bool Localizar(qint32 fID_Paciente);
    bool Localizar_por_RG(const QString& fRG);
    bool Existir_por_RG(const QString& fRG);
    bool Localizar_por_CIC(const QString& fCIC);
    bool Localizar_por_ID_Paciente_Externo(const QString& fID_Paciente_Externo);
    bool Existir_por_ID_Paciente_Externo(const QString& fID_Paciente_Externo);
    bool Existir_por_CIC(const QString& fCIC);
    bool Existir_por_Nome_Completo(const QString& fNome, const QString& fNome_Meio,
                                   const QString& fNome_Último);
    bool Existir(qint32 fID_Paciente);
    bool NomeSeparar(const QString& fNomeCompleto);
    QString GetNomeCompleto() const;

    // Table order of the fields (the columns of Paciente they stand for).
    enum Campo {
        kNome,
        kNome_Soundex,
        kNome_Meio,
        kNome_Meio_Soundex,
        kNome_Ultimo,
        kNome_Ultimo_Soundex,
        kRG,
        kCIC,
        kEndereco,
        kCEP,
        kBairro,
        kCidade,
        kEstado,
        kEmail,
        kTelefone,
        kSexo,
        kRaca,
        kConvenio,
        kData_Nascimento,
        kProfissao,
        kNumero_Convenio,
        kPeso,
        kAltura,
        kProntuario,
        kID_Paciente_Externo,
        kCampos
    };

  private:
    bool Sexo_Validar();
    bool Peso_Validar();
    bool Altura_Validar();
    void ErroRegistrar(qint32 codigo, const QString& funcao, const QString& valor = QString());
    bool Exame_Atualizar();
    void Campos_Copiar(const clsPaciente& fPaciente);
    void Campos_Preencher(Recordset& fRS);

    void erroDoBanco(const QString& funcao);
    bool localizarPor(const QString& sql, const QString& funcao);
    bool existirPor(const QString& sql, const QString& funcao);
    // True when another row has this RG, CIC or external ID (Erro -1, -2, -7) and also when
    // the check could not run (Erro holds the database error): either way Atualizar stops.
    bool impedidoPorOutraLinha(Campo campo, const QString& coluna, qint32 codigo);
    QString sql(Campo c) const { return m_campo[c].TextoParaSQL(); }
    // The birth date as the statements write it: the date text or empty for NULL.
    QString dataNascimentoSQL() const;

    Connection& m_cn;
    clsADO& m_ado;
    qint32 m_idPaciente = 0;
    clsString m_campo[kCampos];
    clsError m_erro;
};
