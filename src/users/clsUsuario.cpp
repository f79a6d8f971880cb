#include "users/clsUsuario.h"

#include "data/base/ValorSeNulo.h"
#include "patient/Consulta.h"

namespace {
void definir(clsString& campo, const QString& nome, qint32 maximo) {
    campo.setNome(nome);
    campo.setObrigatório(true);
    campo.setTamanhoMáximo(maximo);
}

QString bit(bool v) {
    return v ? QStringLiteral("1") : QStringLiteral("0");
}
}  // namespace

clsUsuario::clsUsuario(Connection& fCN, clsADO& fADO) : m_cn(fCN), m_ado(fADO) {
    definir(m_usuario, QStringLiteral("Usuário"), 50);
    definir(m_senha, QStringLiteral("Senha"), 8);
    definir(m_nome, QStringLiteral("Nome"), 100);
}

void clsUsuario::ErroRegistrar(qint32 codigo, const QString& funcao) {
    static const char* const mensagens[] = {
        "Usuário já cadastrado.",                          // -1
        "Selecione um usuário.",                           // -2
        "Escolha um nome para o Usuário",                  // -3
        "Escolha uma senha para o Usuário",                // -4
        "Selecione o Perfil para o usuário.",              // -5
        "Associe o responsável ao usuário.",               // -6
        "Responsável já está associado a outro usuário.",  // -7
        "Usuário e senha já cadastrado.",                  // -8
        "Nome já cadastrado.",                             // -9
    };
    if (codigo > -1 || codigo < -9)
        return;
    m_erro.AtualizarErro(codigo, QString::fromUtf8(mensagens[-codigo - 1]), funcao,
                         codigo == -9 ? QStringLiteral("Nome") : QString());
}

void clsUsuario::erroDoBanco(const QString& funcao) {
    m_erro.AtualizarErro(m_ado.ErrorNumber(), m_ado.ErrorString(), funcao);
}

// ---- Queries ----------------------------------------------------------------------------

bool clsUsuario::existirPor(const QString& sql, const QString& funcao) {
    return consulta::Contar(m_cn, m_ado, sql, m_erro, funcao) > 0;
}

void clsUsuario::carregar(Recordset& rs) {
    auto coluna = [&rs](const char* nome, const QVariant& padrao) {
        return ValorSeNulo(rs.Fields(QString::fromUtf8(nome)).Value(), padrao);
    };
    m_idUsuario = coluna("ID_USUÁRIO", 0).toInt();
    m_usuario.setValor(coluna("USUÁRIO", QString()).toString());
    m_senha.setValor(coluna("SENHA", QString()).toString());
    m_idPatologista = coluna("ID_PATOLOGISTA", 0).toInt();
    // Set directly: loading a row keeps the row's ID_Patologista whatever the flag says.
    m_ePatologista = coluna("ÉPATOLOGISTA", 0).toInt() != 0;
    m_master = coluna("Master", 0).toInt() != 0;
}

bool clsUsuario::localizarPor(const QString& sql, const QString& funcao) {
    return consulta::Localizar(m_cn, m_ado, sql, m_erro, funcao,
                               [this](Recordset& rs) { carregar(rs); });
}

bool clsUsuario::Existir_por_IdUsuario(qint32 IdUsuario) {
    return existirPor(
        "Select count(*) From Usuário Where ID_USUÁRIO = " + QString::number(IdUsuario),
        QStringLiteral("Existir_por_IdUsuario"));
}

bool clsUsuario::Existir_por_Usuario(const QString& Usuario) {
    return existirPor(
        "Select Count(*) From Usuário Where Usuário = '" + m_usuario.TextoParaSQL(Usuario) + "'",
        QStringLiteral("Existir_por_Usuario"));
}

bool clsUsuario::Existir_por_IDPatologista(qint32 fID_Patologista) {
    return existirPor(QStringLiteral("Select count(*) From Usuário ") +
                          " Where Id_Patologista = " + QString::number(fID_Patologista),
                      QStringLiteral("Existir_por_IdPatologista"));
}

bool clsUsuario::Existir_por_Senha(const QString& fSenha, const QString& fUsuario) {
    return existirPor(QStringLiteral("SELECT Count(*) FROM USUÁRIO ") + " WHERE Senha = '" +
                          m_senha.TextoParaSQL(fSenha) + "' " + " AND USUÁRIO = '" +
                          m_usuario.TextoParaSQL(fUsuario) + "'",
                      QStringLiteral("Existir_por_Senha"));
}

bool clsUsuario::Existir_por_Nome(const QString& fNome) {
    return existirPor(QStringLiteral("SELECT Count(*) FROM USUÁRIO ") + " WHERE Nome = '" +
                          m_nome.TextoParaSQL(fNome) + "'",
                      QStringLiteral("Existir_por_Nome"));
}

bool clsUsuario::Localizar_por_IdUsuario(qint32 IdUsuario) {
    return localizarPor("SELECT * FROM USUÁRIO WHERE ID_USUÁRIO = " + QString::number(IdUsuario),
                        QStringLiteral("Localizar_por_IdUsuario"));
}

bool clsUsuario::Localizar_por_Usuario(const QString& Usuario) {
    return localizarPor(
        "SELECT * FROM USUÁRIO WHERE USUÁRIO = '" + m_usuario.TextoParaSQL(Usuario) + "'",
        QStringLiteral("Localizar_por_Usuario"));
}

bool clsUsuario::Localizar_por_Senha(const QString& Senha, const QString& Usuario) {
    return localizarPor("SELECT * FROM USUÁRIO WHERE Senha = '" + m_senha.TextoParaSQL(Senha) +
                            "' and USUÁRIO = '" + m_usuario.TextoParaSQL(Usuario) + "'",
                        QStringLiteral("Localizar_por_Senha"));
}

bool clsUsuario::Localizar_por_StatusUsuario(const QString& Usuario, const QString& Senha) {
    return localizarPor("SELECT * FROM USUÁRIO WHERE Senha = '" + m_senha.TextoParaSQL(Senha) +
                            "' and USUÁRIO = '" + m_usuario.TextoParaSQL(Usuario) +
                            "' and Ativo = 1",
                        QStringLiteral("Localizar_por_StatusUsuario"));
}

bool clsUsuario::Localizar_Administrador() {
    return localizarPor(
        QStringLiteral("SELECT Top 1 Usuário.* ") + " FROM Perfil " +
            " INNER JOIN Usuario_Perfil ON Perfil.Id_Perfil = Usuario_Perfil.ID_Perfil " +
            " INNER JOIN Usuário ON Usuario_Perfil.ID_Usuario = Usuário.ID_Usuário " +
            " WHERE Perfil.ID_Perfil_Tipo = 1",
        QStringLiteral("Localizar_Administrador"));
}

// ---- Rules and writes -------------------------------------------------------------------

bool clsUsuario::validarCampo(clsString& campo) {
    if (campo.Validar())
        return true;
    m_erro.AtualizarErro(campo.Erro().ErrorNumber(), campo.Erro().ErrorString(),
                         QStringLiteral("Validar"), campo.Nome());
    return false;
}

bool clsUsuario::Validar() {
    if (!validarCampo(m_nome) || !validarCampo(m_usuario) || !validarCampo(m_senha))
        return false;
    if (m_ePatologista && m_idPatologista == 0) {
        ErroRegistrar(-6, QStringLiteral("Validar"));
        return false;
    }
    return true;
}

bool clsUsuario::Adicionar(const clsUsuario& cmdUsuario) {
    m_idPerfil = cmdUsuario.m_idPerfil;
    m_nome.setValor(cmdUsuario.m_nome.Valor());
    m_usuario.setValor(cmdUsuario.m_usuario.Valor());
    m_senha.setValor(cmdUsuario.m_senha.Valor());
    m_master = cmdUsuario.m_master;
    m_idPatologista = cmdUsuario.m_idPatologista;
    m_ePatologista = cmdUsuario.m_ePatologista;
    m_ativo = cmdUsuario.m_ativo;
    m_idUsuario = 0;

    if (!Validar())
        return false;
    const QString adicionar = QStringLiteral("Adicionar");
    if (Existir_por_Nome(m_nome.Valor())) {
        ErroRegistrar(-9, adicionar);
        return false;
    }
    if (Existir_por_Senha(m_senha.Valor(), m_usuario.Valor())) {
        ErroRegistrar(-8, adicionar);
        return false;
    }
    if (m_ePatologista) {
        if (Existir_por_IDPatologista(m_idPatologista)) {
            ErroRegistrar(-7, adicionar);
            return false;
        }
    } else {
        m_idPatologista = 0;
    }

    m_ado.TransaçãoIniciar(m_cn);
    const QString insert =
        QStringLiteral(
            "Insert Into Usuário ( Nome, Usuário, Senha, ÉPatologista, ID_Patologista, Ativo) ") +
        "Values ('" + m_nome.TextoParaSQL() + "', '" + m_usuario.TextoParaSQL() + "', '" +
        m_senha.TextoParaSQL() + "', " + bit(m_ePatologista) + ", " +
        QString::number(m_idPatologista) + ", " + bit(m_ativo) + ")";
    Recordset rs;
    if (!m_ado.ExecutarSQL(m_cn, insert) ||
        !m_ado.AbrirRecordset(m_cn, rs, QStringLiteral("Select @@Identity as ID"))) {
        erroDoBanco(adicionar);
        m_ado.TransaçãoCancelar(m_cn);
        return false;
    }
    if (!rs.Eof())
        m_idUsuario = ValorSeNulo(rs.Fields(0).Value(), 0).toInt();
    rs.Close();

    const QString id = QString::number(m_idUsuario);
    const QString padroes[] = {
        QStringLiteral(
            "INSERT INTO Padrão_Permissão (ID_Usuário, Usuário_Cadastrar, Patologista, "
            "Requisitante, Sistema, Tipo_Exame_Extra, Procedência, Convênio, Categoria, "
            "Internet, Atlas_Adicionar, Exame_Remover_Impresso, Laudo_Fotográfico, Captura, "
            "Padrão_Impressão_Campos, Assina_Laudo, Arquivar_Laudo, Tipo_Exame, Backup_Imagem, "
            "Backup_BD, Exame, Modelo)") +
            " Values (" + id + ",1 ,1 ,1 ,1 ,1 ,1 ,1 ,1 ,1 ,1 ,1 ,1 ,1 ,1 ,1 ,1, 1, 1, 1, 1, 1)",
        QStringLiteral("INSERT INTO Padrao_Exame_Tipo ( Tipo_Exame, ID_Usuario, Exibir_lista )") +
            " SELECT Exame_Tipo.Código_Tipo, Usuário.ID_Usuário, 1 AS Expr1" +
            " From Exame_Tipo, USUÁRIO" + " WHERE (((Usuário.ID_Usuário)=" + id + "))",
        QStringLiteral("INSERT INTO Padrão_Exame_Único (ID_Usuário)") + " Values (" + id + ")",
        QStringLiteral("INSERT INTO Padrao_varios (ID_Usuario)") + " Values (" + id + ")",
        QStringLiteral("INSERT INTO Padrao_Audio (ID_Usuario, TempoMaximoAudio)") + " Values (" +
            id + ", 5)",
        QStringLiteral(
            "INSERT INTO Padrão_Bethesda (ID_Usuário, AvHormonal0, AvHormonal1, AvHormonal2, "
            "ParagrafoEntreTitulos, TituloNegrito, TituloSublinhado, DoisPontosApos, FontName, "
            "FontSize)") +
            " Values (" + id + ", '1111', '1212', '1212', '1', 0, 0, ':', 'Arial', '10' )",
        QStringLiteral(
            "INSERT INTO Padrao_Bethesda2006 (ID_Usuario, ParagrafoEntreTitulos, TituloNegrito, "
            "TituloSublinhado, TituloItalico, DoisPontosApos, SubTituloNegrito, "
            "SubTituloSublinhado, SubTituloItalico, ConclusaoImprimir, ConformidadeImprimir )") +
            " Values (" + id + ", '1', 1, 1, 0, ':', 1, 1, 0, 1, 1)",
        QStringLiteral("INSERT INTO Padrão_Internet (ID_Usuário)") + " Values (" + id + ")",
        QStringLiteral("INSERT INTO Padrão_Impressão (ID_Usuário)") + " Values (" + id + ")",
    };
    for (const QString& padrao : padroes) {
        if (!m_ado.ExecutarSQL(m_cn, padrao)) {
            erroDoBanco(adicionar);
            m_ado.TransaçãoCancelar(m_cn);
            m_idUsuario = 0;
            return false;
        }
    }
    m_ado.TransaçãoFinalizar(m_cn);
    return true;
}

bool clsUsuario::gravar(const QString& sql, const QString& funcao) {
    m_ado.TransaçãoIniciar(m_cn);
    if (!m_ado.ExecutarSQL(m_cn, sql)) {
        erroDoBanco(funcao);
        m_ado.TransaçãoCancelar(m_cn);
        return false;
    }
    m_ado.TransaçãoFinalizar(m_cn);
    return true;
}

bool clsUsuario::Atualizar() {
    const QString atualizar = QStringLiteral("Atualizar");
    if (m_idUsuario == 0) {
        ErroRegistrar(-2, atualizar);
        return false;
    }
    if (!Validar())
        return false;

    const QString outro = " And ID_Usuário <> " + QString::number(m_idUsuario);
    struct Regra {
        QString sql;
        qint32 codigo;
    };
    QVector<Regra> regras = {
        {QStringLiteral("Select count(*) FROM Usuário") + " Where Nome = '" +
             m_nome.TextoParaSQL() + "'" + outro,
         -9},
        {QStringLiteral("Select count(*) FROM Usuário") + " Where Usuário = '" +
             m_usuario.TextoParaSQL() + "'" + " And Senha = '" + m_senha.TextoParaSQL() + "'" +
             outro,
         -8},
    };
    if (m_ePatologista) {
        regras.append({QStringLiteral("Select count(*) FROM Usuário") +
                           " Where ID_Patologista = " + QString::number(m_idPatologista) + outro,
                       -7});
    }
    for (const Regra& regra : regras) {
        const qint64 outros = consulta::Contar(m_cn, m_ado, regra.sql, m_erro, atualizar);
        if (outros > 0)
            ErroRegistrar(regra.codigo, atualizar);
        if (outros != 0)
            return false;
    }

    return gravar(
        QStringLiteral("Update Usuário ") + " Set " + " Nome = '" + m_nome.TextoParaSQL() + "', " +
            " Usuário = '" + m_usuario.TextoParaSQL() + "', " + " Senha = '" +
            m_senha.TextoParaSQL() + "', " + " ÉPatologista = " + bit(m_ePatologista) + ", " +
            " ID_Patologista = " + QString::number(m_idPatologista) + ", " +
            " Ativo = " + bit(m_ativo) + " Where Id_Usuário = " + QString::number(m_idUsuario),
        atualizar);
}

bool clsUsuario::Remover() {
    if (m_idUsuario == 0) {
        ErroRegistrar(-2, QStringLiteral("Remover"));
        return false;
    }
    return gravar("UPDATE Usuário SET Ativo = " + bit(m_ativo) +
                      " Where Id_Usuário = " + QString::number(m_idUsuario),
                  QStringLiteral("Remover"));
}
