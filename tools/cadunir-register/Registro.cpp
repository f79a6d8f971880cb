#include "Registro.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <functional>
#include <memory>

#include "Esquema.h"
#include "GeradorPacientes.h"
#include "data/ado/clsADO.h"
#include "data/base/ValorSeNulo.h"
#include "data/sqlite/MotorEmbutido.h"
#include "patient/clsString.h"
#include "users/clsUsuario.h"

namespace registro {

namespace {

// Rows per INSERT: long statements cost the dialect layer one translation for many rows.
constexpr int kLinhasPorInsert = 50;

const LoginDemo kAdministrador = {"GESTOR DO SISTEMA", "gestor", "cadunir", 1};
const LoginDemo kComum = {"RECEPÇÃO CENTRAL", "recepcao", "balcao", 3};

// Texts go into SQL the way the program writes them: through TextoParaSQL, between quotes.
QString texto(const QString& valor) {
    static const clsString campo;
    return valor.isNull() ? QStringLiteral("NULL") : "'" + campo.TextoParaSQL(valor) + "'";
}

QString data(const QDate& d) {
    return d.isValid() ? "'" + d.toString(QStringLiteral("yyyy-MM-dd")) + " 00:00:00'"
                       : QStringLiteral("NULL");
}

QString nomeCompleto(const PacienteGerado& p) {
    QString nome = p.nome;
    if (!p.nomeMeio.isEmpty())
        nome += ' ' + p.nomeMeio;
    if (!p.nomeUltimo.isEmpty())
        nome += ' ' + p.nomeUltimo;
    return nome;
}

// Statements of one fill, with the first failure kept for the caller.
class Escritor {
  public:
    Escritor(Connection& cn, clsADO& ado, QString& erro) : m_cn(cn), m_ado(ado), m_erro(erro) {}

    bool executar(const QString& sql) {
        if (m_ado.ExecutarSQL(m_cn, sql))
            return true;
        m_erro = QString("%1 - %2 (in: %3)")
                     .arg(m_ado.ErrorNumber())
                     .arg(m_ado.ErrorString(), sql.left(160));
        return false;
    }

    // Multi-row INSERTs of `linhas`, kLinhasPorInsert rows per statement.
    bool inserir(const QString& cabecalho, const QStringList& linhas) {
        for (qsizetype i = 0; i < linhas.size(); i += kLinhasPorInsert) {
            const QStringList parte = linhas.mid(i, kLinhasPorInsert);
            if (!executar(cabecalho + " VALUES " + parte.join(QStringLiteral(", "))))
                return false;
        }
        return true;
    }

    qint64 ultimaIdentidade() {
        Recordset rs;
        if (!m_ado.AbrirRecordset(m_cn, rs, QStringLiteral("Select @@Identity as ID"))) {
            m_erro = QString("%1 - %2 (reading @@IDENTITY)")
                         .arg(m_ado.ErrorNumber())
                         .arg(m_ado.ErrorString());
            return -1;
        }
        const qint64 id = rs.Eof() ? -1 : ValorSeNulo(rs.Fields(0).Value(), -1).toLongLong();
        rs.Close();
        return id;
    }

    Connection& cn() { return m_cn; }
    clsADO& ado() { return m_ado; }
    QString& erro() { return m_erro; }

  private:
    Connection& m_cn;
    clsADO& m_ado;
    QString& m_erro;
};

bool catalogos(Escritor& e) {
    QStringList tipos;
    for (const TipoExame& t : TiposExame())
        tipos << "(" + texto(QString::fromUtf8(t.codigo)) + ", " +
                     texto(QString::fromUtf8(t.descricao)) + ")";
    const QStringList etapas = {
        "('RECEPÇÃO', 'Entrada do material e conferência da requisição')",
        "('MACROSCOPIA', 'Descrição e clivagem da peça')",
        "('PROCESSAMENTO', 'Inclusão, corte e coloração')",
        "('MICROSCOPIA', 'Leitura das lâminas pelo patologista')",
        "('DIGITAÇÃO', 'Digitação do laudo')",
        "('REVISÃO', 'Conferência do laudo digitado')",
        "('LIBERAÇÃO', 'Assinatura e liberação do laudo')",
        "('ENTREGA', 'Entrega do laudo ao paciente ou ao médico')",
    };
    const QStringList descritivos = {
        "('LAUDO PADRÃO', 'LaudoPadrao.rpt')",
        "('LAUDO COM IMAGENS', 'LaudoImagem.rpt')",
        "('BETHESDA 2006', 'Bethesda2006.rpt')",
        "('ETIQUETA DE LÂMINA', 'Etiqueta.rpt')",
    };
    const QStringList perfis = {
        "('ADMINISTRADOR', 1, 1)",
        "('ADMINISTRADOR DA CLÍNICA', 1, 2)",
        "('RECEPÇÃO', 1, 3)",
        "('PATOLOGISTA', 1, 4)",
    };
    return e.inserir("INSERT INTO Exame_Tipo (Código_Tipo, Descrição)", tipos) &&
           e.inserir("INSERT INTO Etapa_Tipo (Etapa_Tipo, Descrição)", etapas) &&
           e.inserir("INSERT INTO Descritivo_Impressão_Tipo (Descritivo_Impressão_Tipo, rpt)",
                     descritivos) &&
           e.inserir("INSERT INTO Perfil (Perfil, ID_Clinica, ID_Perfil_Tipo)", perfis);
}

// Users go in the way the product adds them, default rows and all.
bool usuario(Escritor& e, const LoginDemo& login) {
    clsUsuario dados(e.cn(), e.ado());
    dados.Nome().setValor(QString::fromUtf8(login.nome));
    dados.Usuario().setValor(QString::fromUtf8(login.usuario));
    dados.Senha().setValor(QString::fromUtf8(login.senha));
    dados.setAtivo(true);
    clsUsuario novo(e.cn(), e.ado());
    if (!novo.Adicionar(dados)) {
        e.erro() = QString("adding user %1: %2 - %3")
                       .arg(QString::fromUtf8(login.usuario))
                       .arg(novo.Erro().ErrorNumber())
                       .arg(novo.Erro().ErrorString());
        return false;
    }
    const QString id = QString::number(novo.Id_Usuario());
    return e.executar("INSERT INTO Usuario_Perfil (ID_Usuario, ID_Perfil) SELECT " + id +
                      ", Id_Perfil FROM Perfil WHERE ID_Perfil_Tipo = " +
                      QString::number(login.tipoPerfil)) &&
           (login.tipoPerfil != 1 ||
            e.executar("UPDATE Usuário SET Master = 1 WHERE ID_Usuário = " + id));
}

QString linhaPaciente(const PacienteGerado& p) {
    const QString campos[] = {
        texto(p.nome),
        texto(p.nomeMeio),
        texto(p.nomeUltimo),
        texto(p.rg),
        texto(p.cic),
        texto(p.endereco),
        texto(p.cep),
        texto(p.bairro),
        texto(p.cidade),
        texto(p.estado),
        texto(p.telefone),
        texto(p.sexo),
        texto(p.raca),
        texto(p.convenio),
        data(p.nascimento),
        texto(p.profissao),
        texto(p.numeroConvenio),
        texto(p.peso),
        texto(p.altura),
        texto(p.email),
        texto(p.prontuario),
        texto(p.externo),
    };
    QString linha = QStringLiteral("(");
    for (const QString& c : campos) linha += c + ", ";
    linha.chop(2);
    return linha + ')';
}

QString linhaExame(const PacienteGerado& p, const ExameGerado& x, qint64 idPaciente) {
    const QString campos[] = {
        texto(x.numero),        QString::number(idPaciente),
        texto(x.tipo),          data(x.data),
        texto(nomeCompleto(p)), texto(p.rg),
        texto(p.cic),           texto(p.endereco),
        texto(p.cep),           texto(p.bairro),
        texto(p.cidade),        texto(p.estado),
        texto(p.email),         texto(p.telefone),
        texto(p.sexo),          texto(p.raca),
        data(p.nascimento),     texto(p.profissao),
        texto(p.prontuario),
    };
    QString linha = QStringLiteral("(");
    for (const QString& c : campos) linha += c + ", ";
    linha.chop(2);
    return linha + ')';
}

const char* const kColunasExame =
    "Número_Exame, ID_Paciente, Tipo_Exame, Data_Exame, Paciente, RG, CIC, Endereço, CEP, "
    "Bairro, Cidade, Estado, Paciente_Email, Telefone, Sexo, Raça, Data_Nascimento, Profissão, "
    "Prontuário";

// Rows of one table waiting for a whole statement. A row whose texts hold a quote is written
// with CHAR() pieces, which give its statement a shape of its own: such rows go alone, so
// that every statement of kLinhasPorInsert plain rows has the same shape (and translation).
class Fila {
  public:
    Fila(Escritor& e, QString cabecalho) : m_e(e), m_cabecalho(std::move(cabecalho)) {}

    // Adds a row; `inserida` is told the identity of each row once it is written.
    bool adicionar(const QString& linha, const std::function<void(qint64)>& inserida = {}) {
        if (linha.contains(QLatin1String("CHAR("))) {
            return escrever({linha}, {inserida});
        }
        m_linhas << linha;
        m_avisos.push_back(inserida);
        return m_linhas.size() < kLinhasPorInsert || esvaziar();
    }
    bool esvaziar() {
        const bool ok = m_linhas.isEmpty() || escrever(m_linhas, m_avisos);
        m_linhas.clear();
        m_avisos.clear();
        return ok;
    }

  private:
    bool escrever(const QStringList& linhas, const QVector<std::function<void(qint64)>>& avisos) {
        if (!m_e.executar(m_cabecalho + " VALUES " + linhas.join(QStringLiteral(", "))))
            return false;
        if (std::none_of(avisos.begin(), avisos.end(), [](const auto& a) { return bool(a); }))
            return true;
        // One statement numbers its rows one after another: the last identity gives them all.
        const qint64 ultimo = m_e.ultimaIdentidade();
        if (ultimo < linhas.size()) {
            if (m_e.erro().isEmpty())
                m_e.erro() = QStringLiteral("no identity after inserting into ") + m_cabecalho;
            return false;
        }
        for (qsizetype i = 0; i < avisos.size(); ++i) {
            if (avisos[i])
                avisos[i](ultimo - linhas.size() + 1 + i);
        }
        return true;
    }

    Escritor& m_e;
    QString m_cabecalho;
    QStringList m_linhas;
    QVector<std::function<void(qint64)>> m_avisos;
};

bool pacientes(Escritor& e, const OpcoesRegistro& opcoes, ResumoRegistro& resumo,
               const Progresso& progresso) {
    Fila filaPacientes(
        e, QStringLiteral(
               "INSERT INTO Paciente (Nome, Nome_Meio, Nome_Último, RG, CIC, Endereço, CEP, "
               "Bairro, Cidade, Estado, Telefone, Sexo, Raça, Convênio, Data_Nascimento, "
               "Profissão, Número_Convênio, Peso, Altura, Email, Prontuário, "
               "ID_Paciente_Externo)"));
    Fila filaExames(e, "INSERT INTO Exame (" + QString::fromUtf8(kColunasExame) + ")");
    GeradorPacientes gerador(opcoes.semente, opcoes.duplicadosPorCento);
    bool ok = true, examesOk = true;
    while (ok && examesOk && resumo.pacientes < opcoes.pacientes) {
        auto p = std::make_shared<const PacienteGerado>(gerador.Proximo());
        // Its exams go once its identity is known.
        ok = filaPacientes.adicionar(linhaPaciente(*p), [&, p](qint64 id) {
            if (opcoes.verdade)
                opcoes.verdade(id, p->pessoa);
            for (const ExameGerado& x : p->exames) {
                examesOk = examesOk && filaExames.adicionar(linhaExame(*p, x, id));
                ++resumo.exames;
            }
        });
        ++resumo.pacientes;
        if (progresso && resumo.pacientes % kLinhasPorInsert == 0)
            progresso(resumo.pacientes, opcoes.pacientes);
    }
    if (!ok || !examesOk || !filaPacientes.esvaziar() || !examesOk || !filaExames.esvaziar())
        return false;
    if (progresso && resumo.pacientes % kLinhasPorInsert != 0)
        progresso(resumo.pacientes, opcoes.pacientes);
    resumo.grupos = gerador.Grupos();
    // The backup copy under the same keys, and the soundex codes the database computes.
    const QString colunas = "ID_Exame, " + QString::fromUtf8(kColunasExame);
    return e.executar("INSERT INTO Exame_BK (" + colunas + ") SELECT " + colunas + " FROM Exame") &&
           e.executar(QStringLiteral(
               "UPDATE Paciente SET Nome_Soundex = SOUNDEX(Nome), Nome_Meio_Soundex = "
               "SOUNDEX(Nome_Meio), Nome_Último_Soundex = SOUNDEX(Nome_Último)"));
}

}  // namespace

const LoginDemo& LoginAdministrador() {
    return kAdministrador;
}
const LoginDemo& LoginComum() {
    return kComum;
}

QString ArquivoRegistro(const QString& pasta) {
    return QDir(pasta).absoluteFilePath(QStringLiteral("Registro.db"));
}

QString StringDeConexao(const QString& arquivo) {
    return "Provider=SQLite;Data Source=" + QFileInfo(arquivo).absoluteFilePath();
}

bool PreencherRegistro(Connection& cn, clsADO& ado, const OpcoesRegistro& opcoes,
                       ResumoRegistro& resumo, QString& erro, const Progresso& progresso) {
    resumo = ResumoRegistro();
    Escritor e(cn, ado, erro);
    ado.TransaçãoIniciar(cn);
    const bool ok = catalogos(e) && usuario(e, kAdministrador) && usuario(e, kComum) &&
                    pacientes(e, opcoes, resumo, progresso);
    if (!ok) {
        ado.TransaçãoCancelar(cn);
        return false;
    }
    if (!ado.TransaçãoFinalizar(cn)) {
        erro = QString("%1 - %2 (commit)").arg(ado.ErrorNumber()).arg(ado.ErrorString());
        return false;
    }
    return true;
}

bool CriarArquivoRegistro(const QString& pastaPedida, bool substituir,
                          const Preenchimento& preencher, QString& erro) {
    const QString pasta = QDir(pastaPedida).absolutePath();
    if (pasta.contains(';')) {
        erro =
            QStringLiteral("the folder name may not contain ';' (it ends the connection string)");
        return false;
    }
    if (!QDir().mkpath(pasta)) {
        erro = "cannot create the folder " + pasta;
        return false;
    }
    const QString arquivo = ArquivoRegistro(pasta);
    const QString ini = QDir(pasta).absoluteFilePath(QStringLiteral("Tessivar.INI"));
    const QString arquivoVerdade = QDir(pasta).absoluteFilePath(QStringLiteral("Verdade.tsv"));
    const QStringList restos = {arquivo, arquivo + "-journal", arquivo + "-wal", arquivo + "-shm",
                                arquivoVerdade};
    QByteArray verdade = "ID_Paciente\tperson\n";
    if (QFile::exists(arquivo) || QFile::exists(ini)) {
        if (!substituir) {
            erro = pasta +
                   " already holds a register (Registro.db or Tessivar.INI); pass --force to "
                   "replace it";
            return false;
        }
        for (const QString& f : restos) QFile::remove(f);
    }
    auto apagar = [&restos] {
        for (const QString& f : restos) QFile::remove(f);
    };

    {
        QString motivo;
        if (!dados::CriarRegistroVazio(arquivo, &motivo)) {
            erro = "cannot create " + arquivo + ": " + motivo;
            return false;
        }
        Connection cn;
        clsADO ado;
        if (!ado.AbrirConexão(cn, StringDeConexao(arquivo))) {
            erro = QString("cannot open %1: %2 - %3")
                       .arg(arquivo)
                       .arg(ado.ErrorNumber())
                       .arg(ado.ErrorString());
            apagar();
            return false;
        }
        const auto pessoa = [&](qint64 id, qint64 p) {
            verdade += QByteArray::number(id) + '\t' + QByteArray::number(p) + '\n';
        };
        ado.TransaçãoIniciar(cn);
        const bool ok = CriarEsquema(cn, ado, erro, ParteEsquema::Tabelas) &&
                        preencher(cn, ado, pessoa, erro) &&
                        CriarEsquema(cn, ado, erro, ParteEsquema::Indices);
        if (ok) {
            ado.TransaçãoFinalizar(cn);
        } else {
            ado.TransaçãoCancelar(cn);
        }
        ado.FecharConexão(cn);
        if (!ok) {
            apagar();
            return false;
        }
    }

    QSaveFile saida(ini);
    if (!saida.open(QIODevice::WriteOnly | QIODevice::Text) ||
        saida.write(("[Tessivar]\nCONN_SERVER=" + StringDeConexao(arquivo) + "\n").toUtf8()) < 0 ||
        !saida.commit()) {
        erro = "cannot write " + ini + ": " + saida.errorString();
        apagar();
        return false;
    }
    QSaveFile arquivoPessoas(arquivoVerdade);
    if (!arquivoPessoas.open(QIODevice::WriteOnly) || arquivoPessoas.write(verdade) < 0 ||
        !arquivoPessoas.commit()) {
        erro = "cannot write " + arquivoVerdade + ": " + arquivoPessoas.errorString();
        apagar();
        return false;
    }
    return true;
}

bool CriarRegistro(const OpcoesRegistro& opcoes, ResumoRegistro& resumo, QString& erro,
                   const Progresso& progresso) {
    return CriarArquivoRegistro(
        opcoes.pasta, opcoes.substituir,
        [&](Connection& cn, clsADO& ado, const std::function<void(qint64, qint64)>& pessoa,
            QString& falha) {
            OpcoesRegistro comVerdade = opcoes;
            comVerdade.verdade = [&](qint64 id, qint64 p) {
                if (opcoes.verdade)
                    opcoes.verdade(id, p);
                pessoa(id, p);
            };
            return PreencherRegistro(cn, ado, comVerdade, resumo, falha, progresso);
        },
        erro);
}

}  // namespace registro
