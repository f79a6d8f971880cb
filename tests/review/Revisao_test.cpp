#include <gtest/gtest.h>

#include <QDateTime>
#include <QRegularExpression>

#include "data/ado/Recordset.h"
#include "data/base/Diagnostico.h"
#include "data/base/Relogio.h"
#include "decisions/clsDecisaoPessoas.h"
#include "merge/TravaPacientes.h"
#include "review/clsComparacaoPacientes.h"
#include "review/clsPreviaUnificacao.h"
#include "review/clsUnificacao.h"
#include "review/clsValoresSobreviventes.h"
#include "review/clsVerificacaoSeguranca.h"
#include "support/ImprimirQt.h"
#include "support/OdbcTeste.h"
#include "support/RegistroMerge.h"
#include "support/SqlRecorder.h"

namespace {

using Conflito = clsVerificacaoSeguranca::Conflito;
using Estado = clsComparacaoPacientes::Estado;

// Three records of "one" person: 1 is the oldest, 3 the newest. They agree on the names and
// the birth date; 2 has no telephone and another e-mail, 3 a telephone and an address.
struct Grupo {
    explicit Grupo(int esperaMs = -1) : r(true, esperaMs) {
        for (const char* nome : {"ANA", "ANA", "ANA"}) {
            r.NovoPaciente(nome);
        }
        r.Executar(
            "UPDATE Paciente SET Telefone = '1111-1111', Email = 'ana@a.br' "
            "WHERE ID_Paciente = 1");
        r.Executar("UPDATE Paciente SET Email = 'ana@b.br' WHERE ID_Paciente = 2");
        r.Executar(
            "UPDATE Paciente SET Telefone = '3333-3333', Endereço = 'RUA TRES, 3' "
            "WHERE ID_Paciente = 3");
        r.NovoExame(2, "E2-1");
        r.NovoExame(2, "E2-2");
        r.NovoExame(3, "E3-1");
        r.Executar(
            "UPDATE Exame SET Data_Exame = '2021-06-01 10:00:00' WHERE Número_Exame = "
            "'E2-1'");
        r.Executar(
            "UPDATE Exame SET Data_Exame = '2023-02-03 08:30:00' WHERE Número_Exame = "
            "'E2-2'");
    }
    clsComparacaoPacientes Comparar(const QList<qint32>& ids) {
        clsComparacaoPacientes c(r.cn(), r.ado());
        EXPECT_TRUE(c.Carregar(ids)) << c.Erro().ErrorString().toStdString();
        return c;
    }
    RegistroMerge r;
};

QList<Conflito::Tipo> Tipos(const QList<Conflito>& conflitos) {
    QList<Conflito::Tipo> tipos;
    for (const auto& c : conflitos) {
        tipos << c.tipo;
    }
    return tipos;
}

clsComparacaoPacientes::Registro Registro(qint32 id, QHash<QString, QString> valores,
                                          QDate nascimento = {}) {
    clsComparacaoPacientes::Registro r;
    r.id = id;
    r.valores = std::move(valores);
    r.nascimento = nascimento;
    return r;
}

}  // namespace

TEST(Comparacao, CadaCelulaEIgualDiferenteOuVaziaEOsExamesSaoContados) {
    Grupo g;
    clsComparacaoPacientes c = g.Comparar({3, 1, 2, 99});
    ASSERT_EQ(c.Colunas(), 3);
    EXPECT_EQ(c.Ids(), (QList<qint32>{3, 1, 2}));
    EXPECT_EQ(c.Ausentes(), QList<qint32>{99});

    const int tel = clsComparacaoPacientes::LinhaDoCampo("Telefone");
    EXPECT_EQ(c.EstadoDaCelula(tel, 0), Estado::Diferente);
    EXPECT_EQ(c.EstadoDaCelula(tel, 1), Estado::Diferente);
    EXPECT_EQ(c.EstadoDaCelula(tel, 2), Estado::Vazio);
    // One value and two empty cells: nothing to tell apart.
    const int end = clsComparacaoPacientes::LinhaDoCampo("Endereço");
    EXPECT_EQ(c.EstadoDaCelula(end, 0), Estado::Igual);
    EXPECT_EQ(c.EstadoDaCelula(end, 1), Estado::Vazio);
    const int nome = clsComparacaoPacientes::LinhaDoCampo("Nome");
    for (int col = 0; col < 3; ++col) {
        EXPECT_EQ(c.EstadoDaCelula(nome, col), Estado::Igual);
    }
    // The ID always differs and is not a difference to show.
    EXPECT_EQ(c.EstadoDaCelula(clsComparacaoPacientes::LinhaDoCampo("ID_Paciente"), 0),
              Estado::Igual);
    EXPECT_EQ(c.Valor("Exames", 2), "2");
    EXPECT_EQ(c.Valor("Exames_BK", 2), "2");
    EXPECT_EQ(c.Valor("Exames", 1), "0");
    EXPECT_EQ(c.Valor("Ultimo_Exame", 2), "03/02/2023 08:30:00");
    EXPECT_EQ(c.Valor("Ultimo_Exame", 1), "");
    EXPECT_EQ(c.Valor("Data_Nascimento", 1), "15/03/1970");
    EXPECT_EQ(c.CamposDiferentes(), (QStringList{"Telefone", "Email"}));

    // Case and blanks at the ends do not make a difference; accents do.
    g.r.Executar("UPDATE Paciente SET Email = ' ANA@A.BR ' WHERE ID_Paciente = 2");
    ASSERT_TRUE(c.Carregar({1, 2}));
    const int email = clsComparacaoPacientes::LinhaDoCampo("Email");
    EXPECT_EQ(c.EstadoDaCelula(email, 0), Estado::Igual);
    g.r.Executar("UPDATE Paciente SET Bairro = 'SÃO JOSÉ' WHERE ID_Paciente = 1");
    g.r.Executar("UPDATE Paciente SET Bairro = 'SAO JOSE' WHERE ID_Paciente = 2");
    ASSERT_TRUE(c.Carregar({1, 2}));
    EXPECT_EQ(c.EstadoDaCelula(clsComparacaoPacientes::LinhaDoCampo("Bairro"), 0),
              Estado::Diferente);
}

TEST(Seguranca, DocumentosSexoENascimento) {
    Connection cn;  // the records are set, not read: never opened
    clsADO ado;
    clsComparacaoPacientes c(cn, ado);
    const QDate d(1946, 3, 12);
    c.Definir({
        Registro(1, {{"CIC", "123.456.789-09"}, {"RG", "12.345.678-9"}, {"Sexo", "F"}}, d),
        // Same documents with other punctuation, the day and month swapped: one person.
        Registro(2, {{"CIC", "12345678909"}, {"RG", "12345678 9"}, {"Sexo", "f"}},
                 QDate(1946, 12, 3)),
    });
    EXPECT_TRUE(clsVerificacaoSeguranca::Conflitos(c, {}, {}).isEmpty());

    c.Definir({
        Registro(1, {{"CIC", "123.456.789-09"}, {"RG", "12.345.678-9"}, {"Sexo", "F"}}, d),
        Registro(2, {{"CIC", "987.654.321-00"}, {"RG", "9.999.999"}, {"Sexo", "M"}},
                 QDate(1999, 7, 5)),
        Registro(3, {{"CIC", ""}, {"RG", ""}, {"Sexo", ""}}),  // empty values never conflict
    });
    const QList<Conflito> conflitos = clsVerificacaoSeguranca::Conflitos(c, {}, {});
    EXPECT_EQ(Tipos(conflitos), (QList<Conflito::Tipo>{Conflito::CIC, Conflito::RG, Conflito::Sexo,
                                                       Conflito::Nascimento}));
    EXPECT_EQ(conflitos[0].ids, (QList<qint32>{1, 2}));
    EXPECT_EQ(conflitos[3].texto,
              "Datas de nascimento incompatíveis entre os cadastros 1 e 2 (12/03/1946 / "
              "05/07/1999)");
}

TEST(Seguranca, MarcaSemSolucaoEDecisaoDePessoasDiferentesVemDoRegistro) {
    Grupo g;
    clsDecisaoPessoas decisoes(g.r.cn(), g.r.ado());
    ASSERT_TRUE(decisoes.CriarTabela());
    g.r.Executar(
        "INSERT INTO PacienteLogSemSolucao (ID_Paciente, ID_PacienteLogJustificativa, "
        "ID_Usuario, Descricao) VALUES (3, 1, 7, '')");
    ASSERT_TRUE(decisoes.Registrar({2, 1}, 4, "irmãs", 7));

    clsComparacaoPacientes c = g.Comparar({1, 2, 3});
    clsVerificacaoSeguranca verificacao(g.r.cn(), g.r.ado());
    QList<Conflito> conflitos;
    ASSERT_TRUE(verificacao.Verificar(c, conflitos));
    ASSERT_EQ(Tipos(conflitos),
              (QList<Conflito::Tipo>{Conflito::SemSolucao, Conflito::PessoasDiferentes}));
    EXPECT_EQ(conflitos[0].ids, QList<qint32>{3});
    EXPECT_EQ(conflitos[1].ids, (QList<qint32>{1, 2}));
    EXPECT_FALSE(conflitos[1].texto.contains("revista"));
}

TEST(Decisoes, UmParDecididoSaiDosGruposEVoltaQuandoUmCadastroMuda) {
    Grupo g;
    clsDecisaoPessoas decisoes(g.r.cn(), g.r.ado());
    QSet<QPair<qint32, qint32>> pares;
    // Before start-up made the table, nothing is decided.
    ASSERT_TRUE(ParesNaoMesmaPessoa(g.r.cn(), g.r.ado(), pares));
    EXPECT_TRUE(pares.isEmpty());
    ASSERT_TRUE(decisoes.CriarTabela());
    ASSERT_TRUE(decisoes.CriarTabela());  // a second start-up leaves it alone

    const QDateTime quando(QDate(2024, 5, 6), QTime(7, 8, 9));
    {
        const RelogioFixo relogio(quando);
        ASSERT_TRUE(decisoes.Registrar({3, 1, 2}, 1, "nota", 7));
    }
    ASSERT_TRUE(ParesNaoMesmaPessoa(g.r.cn(), g.r.ado(), pares));
    EXPECT_EQ(pares, (QSet<QPair<qint32, qint32>>{{1, 2}, {1, 3}, {2, 3}}));

    QList<clsDecisaoPessoas::Decisao> lista;
    ASSERT_TRUE(decisoes.Listar({1, 2}, lista));
    ASSERT_EQ(lista.size(), 1);
    EXPECT_EQ(lista[0].paciente1, 1);
    EXPECT_EQ(lista[0].paciente2, 2);
    EXPECT_EQ(lista[0].observacao, "nota");
    EXPECT_EQ(lista[0].usuario, 7);
    EXPECT_EQ(lista[0].data, quando);
    EXPECT_FALSE(lista[0].rever);

    // A field that is not compared changes nothing; the birth date does.
    g.r.Executar("UPDATE Paciente SET Telefone = '0000' WHERE ID_Paciente = 2");
    ASSERT_TRUE(ParesNaoMesmaPessoa(g.r.cn(), g.r.ado(), pares));
    EXPECT_EQ(pares.size(), 3);
    g.r.Executar("UPDATE Paciente SET Data_Nascimento = '1971-03-15' WHERE ID_Paciente = 2");
    ASSERT_TRUE(ParesNaoMesmaPessoa(g.r.cn(), g.r.ado(), pares));
    EXPECT_EQ(pares, (QSet<QPair<qint32, qint32>>{{1, 3}}));
    ASSERT_TRUE(decisoes.Listar({1, 2, 3}, lista));
    ASSERT_EQ(lista.size(), 3);
    EXPECT_TRUE(lista[0].rever);   // 1-2
    EXPECT_FALSE(lista[1].rever);  // 1-3
    EXPECT_TRUE(lista[2].rever);   // 2-3

    // Deciding again takes the new values; removing takes the pair away.
    ASSERT_TRUE(decisoes.Registrar({1, 2}, 1, "", 7));
    EXPECT_EQ(g.r.Contar("SELECT COUNT(*) FROM Cadunir_Decisao"), 3);
    ASSERT_TRUE(ParesNaoMesmaPessoa(g.r.cn(), g.r.ado(), pares));
    EXPECT_EQ(pares, (QSet<QPair<qint32, qint32>>{{1, 2}, {1, 3}}));
    ASSERT_TRUE(decisoes.Remover({1, 3}, 8));
    ASSERT_TRUE(ParesNaoMesmaPessoa(g.r.cn(), g.r.ado(), pares));
    EXPECT_EQ(pares, (QSet<QPair<qint32, qint32>>{{1, 2}}));
    // The removed decision stays readable, whole, with who removed it.
    EXPECT_EQ(g.r.Valor("SELECT ID_Paciente1 * 10 + ID_Paciente2 FROM Cadunir_DecisaoRemovida "
                        "WHERE ID_UsuarioRemocao = 8 AND ID_Usuario = 7 AND Observacao = 'nota'")
                  .toInt(),
              13);
    EXPECT_TRUE(g.r.Valor("SELECT DataRemocao FROM Cadunir_DecisaoRemovida").isValid());
}

TEST(Decisoes, RemocaoQueFalhaNaoPerdeADecisaoNemDeixaRastro) {
    Grupo g;
    clsDecisaoPessoas decisoes(g.r.cn(), g.r.ado());
    ASSERT_TRUE(decisoes.CriarTabela());
    ASSERT_TRUE(decisoes.Registrar({1, 2}, 1, "", 7));
    {
        SqlRecorder rec(g.r.cn());
        rec.failOnSql("DELETE FROM Cadunir_Decisao");
        EXPECT_FALSE(decisoes.Remover({1, 2}, 8));
    }
    EXPECT_EQ(g.r.ado().ProfundidadeTransação(), 0);
    EXPECT_EQ(g.r.Contar("SELECT COUNT(*) FROM Cadunir_Decisao"), 1);
    EXPECT_EQ(g.r.Contar("SELECT COUNT(*) FROM Cadunir_DecisaoRemovida"), 0);
}

TEST(Decisoes, MotivoENotaSaoValidadosEFalhasNaoGravamNada) {
    Grupo g;
    clsDecisaoPessoas decisoes(g.r.cn(), g.r.ado());
    ASSERT_TRUE(decisoes.CriarTabela());
    EXPECT_FALSE(decisoes.Registrar({1}, 1, "", 7));
    EXPECT_FALSE(decisoes.Registrar({1, 2}, 0, "", 7));
    EXPECT_FALSE(decisoes.Registrar({1, 2}, int(clsDecisaoPessoas::Motivos().size()), " ", 7));
    EXPECT_EQ(decisoes.Erro().ErrorCampo(), "Observacao");
    EXPECT_TRUE(decisoes.Registrar({1, 2}, int(clsDecisaoPessoas::Motivos().size()), "x", 7));

    // A failure on the second pair leaves the first pair's earlier decision in place.
    const QByteArray antes = g.r.Instantaneo();
    {
        SqlRecorder rec(g.r.cn());
        rec.failOnSql("ID_Paciente2 = 3");
        EXPECT_FALSE(decisoes.Registrar({1, 2, 3}, 1, "", 7));
    }
    EXPECT_EQ(g.r.Instantaneo(), antes);
}

TEST(ValoresSobreviventes, BaseGuardaOsSeusEPreencheVaziosDoMaisNovoSemSinalDeOutraPessoa) {
    Grupo g;
    // A field of the base holding only blanks is as empty as a NULL one.
    g.r.Executar("UPDATE Paciente SET Bairro = '   ' WHERE ID_Paciente = 2");
    g.r.Executar("UPDATE Paciente SET Bairro = 'CENTRO' WHERE ID_Paciente = 1");
    clsComparacaoPacientes c = g.Comparar({1, 2, 3});
    clsValoresSobreviventes v;
    v.Iniciar(c, 2);
    EXPECT_EQ(v.Valor("Email"), "ana@b.br");  // the base's own value stays
    EXPECT_EQ(v.Origem("Telefone"), 3);       // newest record first
    EXPECT_EQ(v.Valor("Telefone"), "3333-3333");
    EXPECT_EQ(v.Valor("Endereço"), "RUA TRES, 3");
    EXPECT_EQ(v.Valor("Bairro"), "CENTRO");
    EXPECT_EQ(v.CamposAlterados(), (QStringList{"Endereço", "Bairro", "Telefone"}));
    EXPECT_TRUE(v.Escolher("Telefone", 1));
    EXPECT_TRUE(v.Escolher("Email", 1));
    EXPECT_FALSE(v.Escolher("Email", 99));
    EXPECT_FALSE(v.Escolher("ID_Paciente", 1));
    EXPECT_EQ(v.CamposAlterados(), (QStringList{"Endereço", "Bairro", "Telefone", "Email"}));
    EXPECT_TRUE(v.Escolher("Endereço", 2));  // back to the base's empty value
    EXPECT_EQ(v.CamposAlterados(), (QStringList{"Bairro", "Telefone", "Email"}));
    // A value goes back as the database holds it: an empty text is not a NULL.
    ASSERT_TRUE(v.Escolher("CIC", 3));
    ASSERT_TRUE(v.Escolher("Raça", 3));
    EXPECT_EQ(v.ValorOriginal("CIC"), QVariant(QString("")));
    EXPECT_TRUE(v.ValorOriginal("Raça").isNull());

    // A record with a sign of being someone else fills nothing; what it has is offered. 3 is
    // at odds with the base, so a sign between 1 and 3 tells nothing against 1.
    const Conflito rg{Conflito::RG, {2, 3}, ""};
    const Conflito sexo{Conflito::Sexo, {1, 3}, ""};
    v.Iniciar(c, 2, {rg, sexo});
    EXPECT_EQ(v.Valor("Telefone"), "1111-1111");  // from 1, though 3 is newer
    EXPECT_EQ(v.Oferta("Telefone"), 0);
    EXPECT_EQ(v.Valor("Endereço"), "");
    EXPECT_EQ(v.Oferta("Endereço"), 3);
    EXPECT_EQ(v.CamposAlterados(), (QStringList{"Bairro", "Telefone"}));
    // A sign between two others alone sets both apart; a mark sets its one record apart.
    v.Iniciar(c, 2, {sexo});
    EXPECT_TRUE(v.CamposAlterados().isEmpty());
    v.Iniciar(c, 2, {{Conflito::SemSolucao, {1}, ""}});
    EXPECT_EQ(v.CamposAlterados(), (QStringList{"Endereço", "Telefone"}));
}

TEST(ValoresSobreviventes, BaseSugeridaTemMaisExamesDepoisMaisCamposDepoisMenorId) {
    Connection cn;  // the records are set, not read: never opened
    clsADO ado;
    clsComparacaoPacientes c(cn, ado);
    const auto registro = [](qint32 id, qint32 exames, QHash<QString, QString> valores) {
        auto r = Registro(id, std::move(valores));
        r.exames = exames;
        r.examesBK = 10 - exames;  // the backup table does not count
        return r;
    };
    c.Definir({registro(7, 1, {{"Nome", "ANA"}}), registro(5, 2, {{"Nome", "ANA"}}),
               registro(9, 2, {{"Nome", "ANA"}, {"RG", "1"}})});
    EXPECT_EQ(clsValoresSobreviventes::BaseSugerida(c), 9);
    // Blanks fill nothing; a tie goes to the first registered.
    c.Definir({registro(7, 2, {{"Nome", "ANA"}, {"RG", "  "}}), registro(5, 2, {{"Nome", "ANA"}}),
               registro(9, 2, {{"Nome", "ANA"}})});
    EXPECT_EQ(clsValoresSobreviventes::BaseSugerida(c), 5);
    c.Definir({});
    EXPECT_EQ(clsValoresSobreviventes::BaseSugerida(c), 0);
}

TEST(Unificacao, RevisadaGravaSoOQueMudaNaMesmaTransacaoENuloContinuaNulo) {
    Grupo g;
    g.r.Executar("UPDATE Paciente SET RG = NULL WHERE ID_Paciente = 2");
    g.r.Executar("UPDATE Paciente SET RG = '55.555', Nome_Meio = 'MARIA' WHERE ID_Paciente = 3");
    clsComparacaoPacientes c = g.Comparar({1, 2, 3});
    clsUnificacao::Pedido pedido{2, {1, 2, 3}, 7, clsValoresSobreviventes()};
    pedido.valores->Iniciar(c, 2);
    pedido.valores->Escolher("Email", 1);
    SqlRecorder rec(g.r.cn());
    const clsUnificacao::Resultado r = clsUnificacao(g.r.cn(), g.r.ado()).Executar(pedido);
    ASSERT_TRUE(r.unificada) << r.mensagem.toStdString();
    EXPECT_EQ(rec.count(Connection::Evento::Inicio), 1);
    EXPECT_EQ(rec.count(Connection::Evento::Confirmacao), 1);
    EXPECT_EQ(r.mensagem,
              "2 cadastros unificados em 2; 1 exame transferido; 5 campos atualizados no "
              "cadastro 2");
    EXPECT_EQ(r.removidos, (QList<qint32>{1, 3}));
    EXPECT_EQ(r.exames, 1);
    EXPECT_EQ(r.camposAlterados, (QStringList{"Nome_Meio", "RG", "Endereço", "Telefone", "Email"}));
    EXPECT_EQ(r.camposDiferentes, (QStringList{"RG", "Telefone", "Email"}));

    // The existence check comes before the first merge statement; the base's row is logged (as
    // the logged patient update logs it), then only the changed columns are written, in the
    // base and in the copy of them its exam rows keep (the full name for a name).
    const QStringList textos = rec.texts();
    ASSERT_FALSE(textos.isEmpty());
    EXPECT_EQ(textos[0], " SELECT ID_Paciente FROM Paciente WHERE ID_Paciente IN (2, 1, 3)");
    const QString valores = "RG = N'55.555', Endereço = N'RUA TRES, 3', Telefone = N'3333-3333', ";
    const int log = int(textos.indexOf(QRegularExpression(" INSERT INTO PacienteLogAtualizar .*")));
    ASSERT_GT(log, 0);
    EXPECT_EQ(textos.mid(log + 1, 4),
              (QStringList{
                  "UPDATE Paciente SET Nome_Meio = N'MARIA', Nome_Meio_Soundex = "
                  "SOUNDEX(N'MARIA'), " +
                      valores + "Email = N'ana@a.br' WHERE ID_Paciente = 2",
                  "SELECT Nome, Nome_Meio, Nome_Último FROM Paciente WHERE ID_Paciente = 2",
                  "UPDATE Exame SET Paciente = N'ANA MARIA SILVA', " + valores +
                      "Paciente_Email = N'ana@a.br' WHERE ID_Paciente = 2",
                  "UPDATE Exame_BK SET Paciente = N'ANA MARIA SILVA', " + valores +
                      "Paciente_Email = N'ana@a.br' WHERE ID_Paciente = 2",
              }));

    // The RG of a removed copy could be taken because the copies go first. What no one
    // chose stays as it was: NULL as NULL, an empty text as empty, in the exam rows too.
    EXPECT_EQ(g.r.Contar("SELECT COUNT(*) FROM Paciente WHERE ID_Paciente = 2 AND RG = '55.555' "
                         "AND Email = 'ana@a.br' AND Raça IS NULL AND Profissão IS NULL AND "
                         "CIC = '' AND Nome_Meio_Soundex = SOUNDEX('MARIA')"),
              1);
    EXPECT_EQ(g.r.Contar("SELECT COUNT(*) FROM Paciente"), 1);
    EXPECT_EQ(g.r.Contar("SELECT COUNT(*) FROM Exame WHERE ID_Paciente = 2 AND Sexo IS NULL AND "
                         "CIC IS NULL AND Telefone = '3333-3333'"),
              3);
    // The base's old row is in the update log, with the user; the history has it all.
    EXPECT_EQ(g.r.Contar("SELECT COUNT(*) FROM PacienteLogAtualizar WHERE ID_Paciente = 2 AND "
                         "ID_Usuario = 7 AND Email = 'ana@b.br' AND RG IS NULL"),
              1);
    EXPECT_EQ(g.r.Contar("SELECT COUNT(*) FROM PacienteLog WHERE ID_PacienteNovo = 2"), 2);
    EXPECT_EQ(g.r.Contar("SELECT COUNT(*) FROM Cadunir_UnificacaoSobrevivente"), 1);
}

TEST(Unificacao, SemRevisaoABaseSugeridaFicaComValoresDeQuemNaoPareceOutraPessoa) {
    Grupo g;
    // 3, the newest, was born another year: its values are only offered. 2 has the most exams
    // and becomes the base; its blank address is empty and takes 1's.
    g.r.Executar(
        "UPDATE Paciente SET Data_Nascimento = '1990-08-20', Profissão = 'PEDREIRO' WHERE "
        "ID_Paciente = 3");
    g.r.Executar("UPDATE Paciente SET Endereço = '  ' WHERE ID_Paciente = 2");
    g.r.Executar("UPDATE Paciente SET Endereço = 'RUA UM' WHERE ID_Paciente = 1");
    // Nobody reviewed it: the sign refuses the merge, unless the caller confirms that sign.
    const QByteArray antes = g.r.Instantaneo();
    clsUnificacao::Pedido pedido{0, {1, 2, 3}, 7};
    clsUnificacao unificacao(g.r.cn(), g.r.ado());
    const clsUnificacao::Resultado recusada = unificacao.Executar(pedido);
    EXPECT_TRUE(recusada.recusada);
    EXPECT_FALSE(recusada.unificada);
    EXPECT_TRUE(recusada.mensagem.startsWith("A unificação sem revisão não foi feita"))
        << recusada.mensagem.toStdString();
    EXPECT_TRUE(recusada.mensagem.endsWith("Nada foi alterado no cadastro."));
    EXPECT_EQ(g.r.Instantaneo(), antes);
    clsVerificacaoSeguranca verificacao(g.r.cn(), g.r.ado());
    ASSERT_TRUE(verificacao.Verificar(g.Comparar({1, 2, 3}), pedido.sinaisConfirmados));
    ASSERT_FALSE(pedido.sinaisConfirmados.isEmpty());
    // A confirmation stands for the sign it names, not for another of its kind.
    clsUnificacao::Pedido outroSinal = pedido;
    outroSinal.sinaisConfirmados[0].texto += " ";
    EXPECT_TRUE(unificacao.Executar(outroSinal).recusada);
    const clsUnificacao::Resultado r = unificacao.Executar(pedido);
    ASSERT_TRUE(r.unificada) << r.mensagem.toStdString();
    EXPECT_EQ(r.base, 2);
    EXPECT_EQ(r.removidos, (QList<qint32>{1, 3}));
    EXPECT_EQ(r.camposAlterados, (QStringList{"Endereço", "Telefone"}));
    EXPECT_EQ(r.mensagem,
              "2 cadastros unificados em 2; 1 exame transferido; 2 campos atualizados no "
              "cadastro 2");
    EXPECT_EQ(g.r.Contar("SELECT COUNT(*) FROM Paciente WHERE ID_Paciente = 2 AND Endereço = "
                         "'RUA UM' AND Telefone = '1111-1111' AND Profissão IS NULL"),
              1);
}

TEST(Unificacao, CadaFalhaDizOPassoQueFalhouENaoMudaNada) {
    Grupo g(200);
    const QString diagnostico = "\n\nRegistro de diagnóstico: " + dados::ArquivoDiagnostico();
    const QByteArray antes = g.r.Instantaneo();
    clsUnificacao unificacao(g.r.cn(), g.r.ado());
    clsUnificacao::Resultado r;
    {
        SqlRecorder rec(g.r.cn());
        rec.failOnSql("DELETE FROM Paciente WHERE ID_Paciente = 3", -2147217873);
        r = unificacao.Executar({1, {1, 2, 3}, 7});
    }
    EXPECT_FALSE(r.unificada);
    EXPECT_EQ(r.mensagem,
              "A unificação falhou ao unificar o cadastro 3 em 1.\nNada foi alterado no "
              "cadastro.\n\n-2147217873 - Violação de integridade dos dados.\n\nDetalhe: "
              "-2147217873 - SqlRecorder: falha simulada" +
                  diagnostico);
    EXPECT_EQ(unificacao.Erro().ErrorNumber(), -2147217873);
    EXPECT_EQ(g.r.ado().ProfundidadeTransação(), 0);
    EXPECT_EQ(g.r.Instantaneo(), antes);

    // The survivor's update failing undoes the merges too.
    {
        SqlRecorder rec(g.r.cn());
        rec.failOnSql("UPDATE Paciente SET");
        r = unificacao.Executar({1, {1, 2, 3}, 7});
    }
    EXPECT_EQ(r.mensagem.left(r.mensagem.indexOf('\n')),
              "A unificação falhou ao gravar os valores escolhidos no cadastro 1.");
    EXPECT_EQ(g.r.Instantaneo(), antes);

    // A refused BEGIN: nothing was sent, and the message says so.
    {
        SqlRecorder rec(g.r.cn());
        rec.failWhen(
            [](const Connection::Evento& e) { return e.tipo == Connection::Evento::Inicio; });
        r = unificacao.Executar({1, {1, 2}, 7});
        EXPECT_TRUE(rec.texts().isEmpty());
    }
    EXPECT_EQ(r.mensagem,
              "A unificação falhou ao iniciar a transação.\nNada foi alterado no cadastro.\n\n"
              "-2147467259 - Falha não especificada.\n\nDetalhe: -2147467259 - SqlRecorder: "
              "falha simulada" +
                  diagnostico);
    EXPECT_EQ(g.r.ado().ProfundidadeTransação(), 0);
    EXPECT_EQ(g.r.Instantaneo(), antes);

    {
        // Another program holds the register's write lock for longer than the wait.
        RegistroMerge::Trava trava(g.r.Arquivo());
        r = unificacao.Executar({1, {1, 2, 3}, 7});
    }
    EXPECT_EQ(r.mensagem,
              "A unificação falhou à espera do cadastro bloqueado por outro usuário.\nNada foi "
              "alterado no cadastro.\n\n-2147217871 - Tempo de espera esgotado: o banco de "
              "dados está bloqueado.\n\nDetalhe: -2147217871 - SQLite: SQLite 5: "
              "database is locked | SQL: BEGIN IMMEDIATE" +
                  diagnostico);
    EXPECT_EQ(g.r.Instantaneo(), antes);

    // A row of another table that points at 3 and is checked only at the commit: the database
    // refuses the commit, and the command takes everything back.
    g.r.cn().Close();
    g.r.SqliteDireto(
        "CREATE TABLE Anexo (ID_Paciente integer REFERENCES Paciente (ID_Paciente) DEFERRABLE "
        "INITIALLY DEFERRED); INSERT INTO Anexo VALUES (3);");
    ASSERT_TRUE(g.r.ado().AbrirConexão(g.r.cn(), g.r.StringConexao()));
    const QByteArray comAnexo = g.r.Instantaneo();
    r = unificacao.Executar({1, {1, 2, 3}, 7});
    EXPECT_EQ(r.mensagem,
              "A unificação falhou ao confirmar a transação.\nNada foi alterado no cadastro.\n\n"
              "-2147217873 - Violação de integridade dos dados.\n\nDetalhe: -2147217873 - "
              "SQLite: SQLite 787: FOREIGN KEY constraint failed | SQL: COMMIT" +
                  diagnostico);
    EXPECT_EQ(g.r.ado().ProfundidadeTransação(), 0);
    EXPECT_EQ(g.r.Instantaneo(), comAnexo);
    // Nothing was left pending on the connection: the next command commits on its own.
    r = unificacao.Executar({1, {1, 2}, 7});
    ASSERT_TRUE(r.unificada) << r.mensagem.toStdString();
    EXPECT_EQ(g.r.Contar("SELECT COUNT(*) FROM Paciente"), 2);
}

TEST(Unificacao, BaseQueOutraEstacaoUnificouCancelaTudo) {
    // Two administrators on one group, each on a connection of its own: B reviews the group
    // and picks 2 as the base; meanwhile A merges 2 into 1; then B confirms.
    Grupo g(300);
    Connection outra;
    clsADO adoB;
    ASSERT_TRUE(adoB.AbrirConexão(outra, g.r.StringConexao()));
    clsComparacaoPacientes revisaoB(outra, adoB);
    ASSERT_TRUE(revisaoB.Carregar({1, 2}));
    clsUnificacao::Pedido pedidoB{2, {1, 2}, 8, clsValoresSobreviventes()};
    pedidoB.valores->Iniciar(revisaoB, 2);

    const clsUnificacao::Resultado a = clsUnificacao(g.r.cn(), g.r.ado()).Executar({1, {1, 2}, 7});
    ASSERT_TRUE(a.unificada) << a.mensagem.toStdString();
    const QByteArray depoisDeA = g.r.Instantaneo();

    clsUnificacao b(outra, adoB);
    clsUnificacao::Resultado r = b.Executar(pedidoB);
    EXPECT_FALSE(r.unificada);
    EXPECT_EQ(r.ausente, 2);
    EXPECT_EQ(r.mensagem,
              "O cadastro base 2 não existe mais: outra estação o unificou ou excluiu. Nenhum "
              "cadastro foi unificado e nada foi alterado; a lista será atualizada.");
    EXPECT_EQ(adoB.ProfundidadeTransação(), 0);
    EXPECT_EQ(g.r.Instantaneo(), depoisDeA);
    // A copy that vanished is named too.
    r = b.Executar({1, {1, 2, 3}, 8});
    EXPECT_EQ(r.ausente, 2);
    EXPECT_TRUE(r.mensagem.startsWith("O cadastro 2 não existe mais"));
    EXPECT_EQ(g.r.Instantaneo(), depoisDeA);
    adoB.FecharConexão(outra);
}

TEST(Unificacao, OsCadastrosVerificadosFicamPresosAteOFim) {
    Grupo g(200);
    Connection outra;
    clsADO adoB;
    ASSERT_TRUE(adoB.AbrirConexão(outra, g.r.StringConexao()));
    EXPECT_FALSE(PedeBloqueioDeLinhas(g.r.cn()));

    // A holds the check's lock: B cannot delete the base until A ends.
    ASSERT_TRUE(g.r.ado().TransaçãoIniciar(g.r.cn()));
    qint32 ausente = -1;
    ASSERT_TRUE(PacientesTravar(g.r.cn(), g.r.ado(), {1, 2}, ausente));
    EXPECT_EQ(ausente, 0);
    EXPECT_FALSE(adoB.ExecutarSQL(outra, "DELETE FROM Paciente WHERE ID_Paciente = 1"));
    ASSERT_TRUE(g.r.ado().TransaçãoFinalizar(g.r.cn()));
    EXPECT_TRUE(adoB.ExecutarSQL(outra, "DELETE FROM Paciente WHERE ID_Paciente = 1"));
    EXPECT_FALSE(PacientesTravar(g.r.cn(), g.r.ado(), {2, 1}, ausente));
    EXPECT_EQ(ausente, 1);
    adoB.FecharConexão(outra);
}

TEST(Previa, ContaExamesCamposETabelasQueApontamParaOsRemovidos) {
    Grupo g;
    clsComparacaoPacientes c = g.Comparar({1, 2, 3});
    clsValoresSobreviventes v;
    v.Iniciar(c, 1);
    clsPreviaUnificacao previa(g.r.cn(), g.r.ado());
    ASSERT_TRUE(previa.Calcular(c, v)) << previa.Erro().ErrorString().toStdString();
    EXPECT_EQ(previa.Removidos(), (QList<qint32>{2, 3}));
    EXPECT_EQ(previa.ExamesExame(), 3);
    EXPECT_EQ(previa.ExamesBK(), 3);
    EXPECT_EQ(previa.CamposAlterados(), QStringList{"Endereço"});
    EXPECT_FALSE(previa.Recusada());
    EXPECT_TRUE(previa.Texto().contains("Endereço: (vazio) → RUA TRES, 3"));

    // A table with a patient column, and one with a foreign key under another name; rows of
    // the base or of other patients do not count, and views are not tables.
    g.r.Executar("CREATE TABLE Laudo_Anexo (ID_Anexo int, ID_Paciente int)");
    g.r.Executar("INSERT INTO Laudo_Anexo (ID_Anexo, ID_Paciente) VALUES (1, 2)");
    g.r.Executar("INSERT INTO Laudo_Anexo (ID_Anexo, ID_Paciente) VALUES (2, 3)");
    g.r.Executar("INSERT INTO Laudo_Anexo (ID_Anexo, ID_Paciente) VALUES (3, 1)");
    g.r.Executar(
        "CREATE TABLE Agenda (ID_Agenda int, Paciente_Ref int REFERENCES "
        "Paciente (ID_Paciente))");
    g.r.Executar("INSERT INTO Agenda (ID_Agenda, Paciente_Ref) VALUES (1, 3)");
    g.r.Executar("CREATE TABLE Vazia (ID_Paciente int)");
    g.r.Executar("CREATE VIEW VisaoPaciente AS SELECT ID_Paciente FROM Paciente");
    ASSERT_TRUE(previa.Calcular(c, v));
    ASSERT_TRUE(previa.Recusada());
    ASSERT_EQ(previa.Referencias().size(), 2);
    QStringList achadas;
    for (const auto& ref : previa.Referencias()) {
        achadas << ref.tabela + "." + ref.coluna + "=" + QString::number(ref.linhas);
    }
    achadas.sort();
    EXPECT_EQ(achadas, (QStringList{"Agenda.Paciente_Ref=1", "Laudo_Anexo.ID_Paciente=2"}));
    EXPECT_TRUE(previa.MensagemRecusa().contains("Laudo_Anexo (ID_Paciente): 2 linha(s)"));
}

// Every caller of the command, reviewed or not, is held to the same refusal, and a batch that
// keeps one command reads the catalogue once.
TEST(Unificacao, TabelaQueApontaParaUmaCopiaRecusaSemMudarNada) {
    Grupo g;
    g.r.Executar("CREATE TABLE Laudo_Anexo (ID_Anexo int, ID_Paciente int)");
    g.r.Executar("INSERT INTO Laudo_Anexo (ID_Anexo, ID_Paciente) VALUES (1, 3)");
    const QByteArray antes = g.r.Instantaneo();
    clsUnificacao unificacao(g.r.cn(), g.r.ado());
    for (const auto& pedido : {clsUnificacao::Pedido{2, {2, 3}, 7},
                               clsUnificacao::Pedido{2, {2, 3}, 7, clsValoresSobreviventes()}}) {
        const clsUnificacao::Resultado r = unificacao.Executar(pedido);
        EXPECT_TRUE(r.recusada);
        EXPECT_EQ(r.mensagem,
                  "A unificação não pode ser feita: outras tabelas do banco de dados apontam "
                  "para cadastros que seriam removidos e ficariam apontando para um paciente "
                  "excluído:\nLaudo_Anexo (ID_Paciente): 1 linha(s)\nNada foi alterado no "
                  "cadastro.");
        EXPECT_EQ(g.r.Instantaneo(), antes);
    }
    EXPECT_TRUE(unificacao.Executar({2, {1, 2}, 7}).unificada);
}

// SQL Server is reached through ODBC: the catalogue search for tables that point at a patient
// and the locking read must work on that path too (the real driver manager and the SQLite ODBC
// driver, on a register made through that connection).
TEST(Previa, CatalogoETravaPeloCaminhoOdbc) {
    Connection odbc;
    clsADO ado;
    ASSERT_TRUE(ado.AbrirConexão(odbc, odbcteste::Conexao(odbcteste::NovoBanco("Previa.db"))))
        << ado.ErrorString().toStdString();
    const auto executar = [&](const QString& sql) {
        ASSERT_TRUE(ado.ExecutarSQL(odbc, sql)) << sql.toStdString();
    };
    QString colunas;
    for (const auto& campo : clsComparacaoPacientes::Campos())
        if (campo.comparado)
            colunas += ", " + campo.chave + " varchar(60)";
    executar("CREATE TABLE Paciente (ID_Paciente integer PRIMARY KEY" + colunas + ")");
    for (const char* tabela : {"Exame", "Exame_BK"})
        executar(QString("CREATE TABLE %1 (ID_Exame integer, ID_Paciente integer, "
                         "Data_Exame datetime)")
                     .arg(tabela));
    executar("CREATE TABLE Laudo_Anexo (ID_Anexo int, ID_Paciente int)");
    executar(
        "CREATE TABLE Agenda (ID_Agenda int, Paciente_Ref int REFERENCES Paciente (ID_Paciente))");
    for (int id : {1, 2, 3})
        executar(QString("INSERT INTO Paciente (ID_Paciente, Nome) VALUES (%1, 'ANA')").arg(id));
    executar("INSERT INTO Exame VALUES (1, 2, '2021-06-01 10:00:00')");
    executar("INSERT INTO Laudo_Anexo VALUES (1, 2)");
    executar("INSERT INTO Laudo_Anexo VALUES (2, 1)");  // the base's own row counts for nothing
    executar("INSERT INTO Agenda VALUES (1, 3)");

    clsComparacaoPacientes c(odbc, ado);
    ASSERT_TRUE(c.Carregar({1, 2, 3})) << c.Erro().ErrorString().toStdString();
    clsValoresSobreviventes v;
    v.Iniciar(c, 1);
    clsPreviaUnificacao previa(odbc, ado);
    ASSERT_TRUE(previa.Calcular(c, v)) << previa.Erro().ErrorString().toStdString();
    EXPECT_EQ(previa.ExamesExame(), 1);
    QStringList achadas;
    for (const auto& ref : previa.Referencias())
        achadas << ref.tabela + "." + ref.coluna + "=" + QString::number(ref.linhas);
    achadas.sort();
    EXPECT_EQ(achadas, (QStringList{"Agenda.Paciente_Ref=1", "Laudo_Anexo.ID_Paciente=1"}));

    EXPECT_FALSE(PedeBloqueioDeLinhas(odbc));  // not SQL Server: no table hints
    qint32 ausente = -1;
    ASSERT_TRUE(PacientesTravar(odbc, ado, {1, 2}, ausente));
    EXPECT_EQ(ausente, 0);
    executar("DELETE FROM Paciente WHERE ID_Paciente = 1");
    EXPECT_FALSE(PacientesTravar(odbc, ado, {2, 1}, ausente));
    EXPECT_EQ(ausente, 1);
    ado.FecharConexão(odbc);
}
