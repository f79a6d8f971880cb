#include "patient/clsPaciente.h"

#include <QRegularExpression>

#include "data/base/Relogio.h"
#include "data/base/ValorSeNulo.h"
#include "patient/Consulta.h"
#include "patient/NomeCompleto.h"
#include "patient/clsData.h"

namespace {

struct DefinicaoCampo {
    const char* coluna;
    const char* nome;  // display name; empty for the soundex codes
    bool obrigatorio;
    qint32 maximo;
};

// Index = clsPaciente::Campo.
const DefinicaoCampo kDefinicao[clsPaciente::kCampos] = {
    {"Nome", "Nome", true, 30},
    {"Nome_Soundex", "", false, 4},
    {"Nome_Meio", "Nome_Meio", false, 50},
    {"Nome_Meio_Soundex", "", false, 4},
    {"Nome_Último", "Nome_Último", true, 20},
    {"Nome_Último_Soundex", "", false, 4},
    {"RG", "RG", false, 30},
    {"CIC", "CIC", false, 30},
    {"Endereço", "Endereço", false, 255},
    {"CEP", "CEP", false, 10},
    {"Bairro", "Bairro", false, 100},
    {"Cidade", "CIDADE", false, 100},
    {"Estado", "Estado", false, 2},
    {"Email", "EMail", false, 70},
    {"Telefone", "Telefone", false, 30},
    {"Sexo", "Sexo", true, 1},
    {"Raça", "Raça", false, 15},
    {"Convênio", "Convênio", false, 30},
    {"Data_Nascimento", "Data_Nascimento", false, 10},
    {"Profissão", "Profissão", false, 50},
    {"Número_Convênio", "Número_Convênio", false, 20},
    {"Peso", "Peso", false, 6},
    {"Altura", "Altura", false, 4},
    {"Prontuário", "Prontuário", false, 20},
    {"ID_Paciente_Externo", "ID_Paciente_Externo", false, 20},
};

// Numeric as the pt-BR locale writes a plain number, with the comma as the only decimal mark:
// "70", "70,5", ",5". A dot is refused by the caller before this is asked.
bool numerico(const QString& texto) {
    static const QRegularExpression forma(
        QStringLiteral(R"(^ *[+-]?([0-9]+(,[0-9]*)?|,[0-9]+) *$)"));
    return forma.match(texto).hasMatch();
}

}  // namespace

clsPaciente::clsPaciente(Connection& fCN, clsADO& fADO) : m_cn(fCN), m_ado(fADO) {
    for (int i = 0; i < kCampos; ++i) {
        m_campo[i].setNome(QString::fromUtf8(kDefinicao[i].nome));
        m_campo[i].setObrigatório(kDefinicao[i].obrigatorio);
        m_campo[i].setTamanhoMáximo(kDefinicao[i].maximo);
    }
}

// ---- Validation -------------------------------------------------------------------------

bool clsPaciente::Validar() {
    static const Campo ordem[] = {
        kNome,        kNome_Meio,
        kNome_Ultimo, kRG,
        kCIC,         kEndereco,
        kCEP,         kBairro,
        kCidade,      kEstado,
        kEmail,       kTelefone,
        kSexo,        kRaca,
        kConvenio,    kData_Nascimento,
        kProfissao,   kNumero_Convenio,
        kPeso,        kAltura,
        kProntuario,  kID_Paciente_Externo,
    };
    for (const Campo c : ordem) {
        clsString& campo = m_campo[c];
        if (!campo.Validar()) {
            m_erro.AtualizarErro(campo.Erro().ErrorNumber(), campo.Erro().ErrorString(),
                                 QStringLiteral("Validar"), campo.Nome());
            return false;
        }
        switch (c) {
            case kSexo:
                if (!Sexo_Validar())
                    return false;
                break;
            case kData_Nascimento: {
                clsData data;
                data.setDataMáxima(QDateTime(Relogio::Agora().date(), QTime(0, 0), Qt::UTC));
                if (!data.Validar(campo.Valor())) {
                    m_erro.AtualizarErro(data.Erro().ErrorNumber(), data.Erro().ErrorString(),
                                         QStringLiteral("Validar"),
                                         QStringLiteral("Data_Nascimento"));
                    return false;
                }
                break;
            }
            case kPeso:
                if (!campo.Valor().isEmpty() && !Peso_Validar())
                    return false;
                break;
            case kAltura:
                if (!campo.Valor().isEmpty() && !Altura_Validar())
                    return false;
                break;
            default:
                break;
        }
    }
    return true;
}

bool clsPaciente::Sexo_Validar() {
    const QString sexo = m_campo[kSexo].Valor().toUpper();
    if (!sexo.isEmpty() && sexo != QStringLiteral("M") && sexo != QStringLiteral("F")) {
        ErroRegistrar(-3, QStringLiteral("Sexo_Validar"));
        return false;
    }
    m_campo[kSexo].setValor(sexo);
    return true;
}

bool clsPaciente::Peso_Validar() {
    const QString& peso = m_campo[kPeso].Valor();
    if (peso.contains(QLatin1Char('.')) || !numerico(peso)) {
        ErroRegistrar(-5, QStringLiteral("Peso_Validar"));
        return false;
    }
    return true;
}

bool clsPaciente::Altura_Validar() {
    const QString& altura = m_campo[kAltura].Valor();
    if (altura.contains(QLatin1Char('.')) || !numerico(altura)) {
        ErroRegistrar(-6, QStringLiteral("Altura_Validar"));
        return false;
    }
    return true;
}

void clsPaciente::ErroRegistrar(qint32 codigo, const QString& funcao, const QString& valor) {
    QString campo;
    QString texto;
    switch (codigo) {
        case -1:
            campo = QStringLiteral("RG");
            texto = "RG '" + valor + "', já cadastrado.";
            break;
        case -2:
            campo = QStringLiteral("CIC");
            texto = "CIC '" + valor + "', já cadastrado.";
            break;
        case -3:
            campo = QStringLiteral("Sexo");
            texto = QStringLiteral("No campo sexo somente os valores M ou F são aceitos.");
            break;
        case -4:
            texto = QStringLiteral("Selecione o paciente.");
            break;
        case -5:
            campo = QStringLiteral("Peso");
            texto = QStringLiteral("Peso inválido.");
            break;
        case -6:
            campo = QStringLiteral("Altura");
            texto = QStringLiteral("Altura inválida.");
            break;
        case -7:
            campo = QStringLiteral("ID_PACIENTE_EXTERNO");
            texto = "Paciente Externo '" + valor + "', já cadastrado.";
            break;
        default:
            return;
    }
    m_erro.AtualizarErro(codigo, texto, funcao, campo);
}

// ---- Names ------------------------------------------------------------------------------

bool clsPaciente::NomeSeparar(const QString& fNomeCompleto) {
    const PartesNome partes = NomeSepararPartes(fNomeCompleto);
    m_campo[kNome].setValor(partes.nome);
    m_campo[kNome_Meio].setValor(partes.meio);
    m_campo[kNome_Ultimo].setValor(partes.ultimo);
    return true;
}

QString clsPaciente::GetNomeCompleto() const {
    return NomeJuntarPartes(m_campo[kNome].Valor(), m_campo[kNome_Meio].Valor(),
                            m_campo[kNome_Ultimo].Valor());
}

// ---- Reading ----------------------------------------------------------------------------

void clsPaciente::erroDoBanco(const QString& funcao) {
    m_erro.AtualizarErro(m_ado.ErrorNumber(), m_ado.ErrorString(), funcao);
}

void clsPaciente::Campos_Preencher(Recordset& fRS) {
    if (fRS.RecordCount() == 0)
        return;
    m_idPaciente = ValorSeNulo(fRS.Fields(QStringLiteral("ID_Paciente")).Value(), 0).toInt();
    for (int i = 0; i < kCampos; ++i) {
        // Dates arrive as the program's short date text, NULL as the empty text.
        m_campo[i].setValor(
            TextoDoValor(fRS.Fields(QString::fromUtf8(kDefinicao[i].coluna)).Value()));
    }
}

void clsPaciente::Campos_Copiar(const clsPaciente& fPaciente) {
    m_idPaciente = 0;
    for (int i = 0; i < kCampos; ++i) m_campo[i].setValor(fPaciente.m_campo[i].Valor());
}

bool clsPaciente::localizarPor(const QString& sql, const QString& funcao) {
    return consulta::Localizar(m_cn, m_ado, sql, m_erro, funcao,
                               [this](Recordset& rs) { Campos_Preencher(rs); });
}

bool clsPaciente::existirPor(const QString& sql, const QString& funcao) {
    return consulta::Contar(m_cn, m_ado, sql, m_erro, funcao) > 0;
}

bool clsPaciente::Localizar(qint32 fID_Paciente) {
    return localizarPor(
        "Select * From Paciente Where ID_paciente = " + QString::number(fID_Paciente),
        QStringLiteral("Localizar"));
}

bool clsPaciente::Localizar_por_RG(const QString& fRG) {
    return localizarPor(
        "Select * From Paciente Where RG = '" + m_campo[kRG].TextoParaSQL(fRG) + "'",
        QStringLiteral("Localizar_por_RG"));
}

bool clsPaciente::Localizar_por_CIC(const QString& fCIC) {
    return localizarPor(
        "Select * From Paciente Where CIC = '" + m_campo[kCIC].TextoParaSQL(fCIC) + "'",
        QStringLiteral("Localizar_por_CIC"));
}

bool clsPaciente::Localizar_por_ID_Paciente_Externo(const QString& fID_Paciente_Externo) {
    return localizarPor("Select * From Paciente Where ID_Paciente_Externo = '" +
                            m_campo[kID_Paciente_Externo].TextoParaSQL(fID_Paciente_Externo) + "'",
                        QStringLiteral("Localizar_por_ID_Paciente_Externo"));
}

bool clsPaciente::Existir(qint32 fID_Paciente) {
    return existirPor(
        "Select count(*) From Paciente Where ID_paciente = " + QString::number(fID_Paciente),
        QStringLiteral("Existir"));
}

bool clsPaciente::Existir_por_RG(const QString& fRG) {
    return existirPor(
        "Select count(*) From Paciente Where RG = '" + m_campo[kRG].TextoParaSQL(fRG) + "'",
        QStringLiteral("Existir_por_RG"));
}

bool clsPaciente::Existir_por_CIC(const QString& fCIC) {
    return existirPor(
        "Select count(*) From Paciente Where CIC = '" + m_campo[kCIC].TextoParaSQL(fCIC) + "'",
        QStringLiteral("Existir_por_CIC"));
}

bool clsPaciente::Existir_por_ID_Paciente_Externo(const QString& fID_Paciente_Externo) {
    return existirPor("Select count(*) From Paciente Where ID_PAciente_Externo = '" +
                          m_campo[kID_Paciente_Externo].TextoParaSQL(fID_Paciente_Externo) + "'",
                      QStringLiteral("Existir_por_ID_Paciente_Externo"));
}

bool clsPaciente::Existir_por_Nome_Completo(const QString& fNome, const QString& fNome_Meio,
                                            const QString& fNome_Último) {
    return existirPor(QStringLiteral("Select count(*) From Paciente ") + " Where Nome = '" +
                          m_campo[kNome].TextoParaSQL(fNome) + "'" + " AND Nome_Meio = '" +
                          m_campo[kNome_Meio].TextoParaSQL(fNome_Meio) + "'" +
                          " AND Nome_Último = '" +
                          m_campo[kNome_Ultimo].TextoParaSQL(fNome_Último) + "'",
                      QStringLiteral("Existir_por_Nome_Completo"));
}

// ---- Writing ----------------------------------------------------------------------------

QString clsPaciente::dataNascimentoSQL() const {
    const QString& texto = m_campo[kData_Nascimento].Valor();
    if (texto.isEmpty())
        return QString();
    clsData data;
    data.setValor(texto);
    return data.TextoParaSQL();
}

bool clsPaciente::Adicionar(const clsPaciente& fPaciente, qint32 /*fID_Usuário*/) {
    Campos_Copiar(fPaciente);
    if (!Validar())
        return false;

    // A failed existence query counts as "not found": its error stays in Erro, the insert goes on.
    const QString& rg = m_campo[kRG].Valor();
    if (!rg.isEmpty() && Existir_por_RG(rg)) {
        ErroRegistrar(-1, QStringLiteral("Validar"), rg);
        return false;
    }
    const QString& cic = m_campo[kCIC].Valor();
    if (!cic.isEmpty() && Existir_por_CIC(cic)) {
        ErroRegistrar(-2, QStringLiteral("Validar"), cic);
        return false;
    }
    const QString& externo = m_campo[kID_Paciente_Externo].Valor();
    if (!externo.isEmpty() && Existir_por_ID_Paciente_Externo(externo)) {
        ErroRegistrar(-7, QStringLiteral("Validar"), externo);
        return false;
    }

    const QString data = dataNascimentoSQL();
    QString insert =
        QStringLiteral(
            "Insert Into Paciente (Nome , Nome_Soundex, Nome_Meio, Nome_Meio_Soundex, "
            "Nome_Último, Nome_Último_Soundex, RG, CIC, Endereço, CEP, Bairro, Cidade, Estado, "
            "Email, Telefone, Sexo, Raça, Convênio, Data_Nascimento, Profissão, "
            "Número_Convênio, Peso, Altura, Prontuário, ID_Paciente_Externo) ") +
        "Values ('" + sql(kNome) + "', " + " Soundex('" + sql(kNome) + "'), " + "'" +
        sql(kNome_Meio) + "', " + " Soundex('" + sql(kNome_Meio) + "'), " + "'" +
        sql(kNome_Ultimo) + "', " + " Soundex('" + sql(kNome_Ultimo) + "'), " + "'" + sql(kRG);
    for (const Campo c : {kCIC, kEndereco, kCEP, kBairro, kCidade, kEstado, kEmail, kTelefone,
                          kSexo, kRaca, kConvenio}) {
        insert += "', " + QStringLiteral("'") + sql(c);
    }
    insert += "', ";
    insert += data.isEmpty() ? QStringLiteral(" NULL, ") : " '" + data + "', ";
    insert += " '" + sql(kProfissao);
    for (const Campo c : {kNumero_Convenio, kPeso, kAltura, kProntuario, kID_Paciente_Externo}) {
        insert += "', " + QStringLiteral("'") + sql(c);
    }
    insert += "' )";

    m_ado.TransaçãoIniciar(m_cn);
    if (!m_ado.ExecutarSQL(m_cn, insert)) {
        erroDoBanco(QStringLiteral("Adicionar"));
        m_ado.TransaçãoCancelar(m_cn);
        return false;
    }
    Recordset rs;
    if (!m_ado.AbrirRecordset(m_cn, rs, QStringLiteral("Select @@Identity as ID"))) {
        erroDoBanco(QStringLiteral("Adicionar"));
        m_ado.TransaçãoCancelar(m_cn);
        return false;
    }
    m_idPaciente = rs.Eof() ? 0 : ValorSeNulo(rs.Fields(0).Value(), 0).toInt();
    rs.Close();
    m_ado.TransaçãoFinalizar(m_cn);
    return true;
}

bool clsPaciente::impedidoPorOutraLinha(Campo campo, const QString& coluna, qint32 codigo) {
    const QString& valor = m_campo[campo].Valor();
    if (valor.isEmpty())
        return false;
    const qint64 outras = consulta::Contar(
        m_cn, m_ado,
        QStringLiteral("Select Count(*) From Paciente ") + " Where ID_Paciente <> " +
            QString::number(m_idPaciente) + " AND " + coluna + " = '" + sql(campo) + "'",
        m_erro, QStringLiteral("Atualizar"));
    if (outras > 0)
        ErroRegistrar(codigo, QStringLiteral("Atualizar"), valor);
    return outras != 0;
}

bool clsPaciente::Atualizar(qint32 /*fID_Usuário*/) {
    if (m_idPaciente == 0) {
        ErroRegistrar(-4, QStringLiteral("Ataulizar"));
        return false;
    }
    if (!Validar())
        return false;
    if (impedidoPorOutraLinha(kRG, QStringLiteral("RG"), -1) ||
        impedidoPorOutraLinha(kCIC, QStringLiteral("CIC"), -2) ||
        impedidoPorOutraLinha(kID_Paciente_Externo, QStringLiteral("ID_Paciente_Externo"), -7)) {
        return false;
    }

    const QString data = dataNascimentoSQL();
    QString update = QStringLiteral("Update Paciente ") + " Set Nome = '" + sql(kNome) + "', " +
                     " Nome_Soundex = Soundex('" + sql(kNome) + "'), " + " Nome_Meio = '" +
                     sql(kNome_Meio) + "', " + " Nome_Meio_Soundex = Soundex('" + sql(kNome_Meio) +
                     "'), " + " Nome_Último = '" + sql(kNome_Ultimo) + "', " +
                     " Nome_Último_Soundex =  Soundex('" + sql(kNome_Ultimo) + "'), " + " RG = '" +
                     sql(kRG);
    const std::pair<Campo, const char*> antesDaData[] = {
        {kCIC, "CIC"},       {kEndereco, "Endereço"}, {kCEP, "CEP"},
        {kBairro, "Bairro"}, {kCidade, "Cidade"},     {kEstado, "Estado"},
        {kEmail, "Email"},   {kTelefone, "Telefone"}, {kSexo, "Sexo"},
        {kRaca, "Raça"},     {kConvenio, "Convênio"},
    };
    for (const auto& [c, coluna] : antesDaData) {
        update += "', " + QStringLiteral(" ") + QString::fromUtf8(coluna) + " = '" + sql(c);
    }
    update += "', ";
    update += data.isEmpty() ? QStringLiteral(" Data_Nascimento = Null, ")
                             : " Data_Nascimento = '" + data + "', ";
    update += " Profissão = '" + sql(kProfissao);
    const std::pair<Campo, const char*> depoisDaData[] = {
        {kNumero_Convenio, "Número_Convênio"},
        {kPeso, "Peso"},
        {kAltura, "Altura"},
        {kProntuario, "Prontuário"},
        {kID_Paciente_Externo, "ID_Paciente_Externo"},
    };
    for (const auto& [c, coluna] : depoisDaData) {
        update += "', " + QStringLiteral(" ") + QString::fromUtf8(coluna) + " = '" + sql(c);
    }
    update += "' " + QStringLiteral(" Where ID_Paciente = ") + QString::number(m_idPaciente);

    m_ado.TransaçãoIniciar(m_cn);
    if (!m_ado.ExecutarSQL(m_cn, update)) {
        erroDoBanco(QStringLiteral("Atualizar"));
        m_ado.TransaçãoCancelar(m_cn);
        return false;
    }
    if (!Exame_Atualizar()) {
        m_ado.TransaçãoCancelar(m_cn);
        return false;
    }
    m_ado.TransaçãoFinalizar(m_cn);
    return true;
}

bool clsPaciente::Exame_Atualizar() {
    const QString data = dataNascimentoSQL();
    // The exam rows keep the full name; the blanks follow the parts that are present.
    QString nomeCompleto = sql(kNome);
    if (!m_campo[kNome_Meio].Valor().isEmpty())
        nomeCompleto += QLatin1Char(' ');
    nomeCompleto += sql(kNome_Meio);
    if (!m_campo[kNome_Ultimo].Valor().isEmpty())
        nomeCompleto += QLatin1Char(' ');
    nomeCompleto += sql(kNome_Ultimo);

    for (const char* tabela : {"Exame", "Exame_BK"}) {
        QString update = "Update " + QString::fromUtf8(tabela) + " Set Paciente = '" + nomeCompleto;
        const std::pair<Campo, const char*> antesDaData[] = {
            {kRG, "RG"},
            {kCIC, "CIC"},
            {kEndereco, "Endereço"},
            {kCEP, "CEP"},
            {kBairro, "Bairro"},
            {kCidade, "Cidade"},
            {kEstado, "Estado"},
            {kEmail, "Paciente_Email"},
            {kTelefone, "Telefone"},
            {kSexo, "Sexo"},
            {kRaca, "Raça"},
        };
        for (const auto& [c, coluna] : antesDaData) {
            update += "', " + QStringLiteral(" ") + QString::fromUtf8(coluna) + " = '" + sql(c);
        }
        update += "', ";
        update += data.isEmpty() ? QStringLiteral(" Data_Nascimento = Null, ")
                                 : " Data_Nascimento = '" + data + "', ";
        update += " Profissão = '" + sql(kProfissao) + "', " + " Prontuário = '" +
                  sql(kProntuario) + "' " + " Where ID_Paciente = " + QString::number(m_idPaciente);
        if (!m_ado.ExecutarSQL(m_cn, update)) {
            erroDoBanco(QString());
            return false;
        }
    }
    return true;
}
