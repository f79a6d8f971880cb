#include <gtest/gtest.h>

#include <QDateTime>

#include "data/ado/Recordset.h"
#include "data/base/Relogio.h"
#include "decisions/clsDecisaoPessoas.h"
#include "merge/TravaPacientes.h"
#include "review/clsComparacaoPacientes.h"
#include "review/clsPreviaUnificacao.h"
#include "review/clsUnificacaoRevisada.h"
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
    EXPECT_TRUE(c.TemDiferencas());

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

TEST(ValoresSobreviventes, BaseGuardaOsSeusEPreencheVaziosDoMaisNovo) {
    Grupo g;
    clsComparacaoPacientes c = g.Comparar({1, 2, 3});
    clsValoresSobreviventes v;
    v.Iniciar(c, 2);
    EXPECT_EQ(v.Valor("Email"), "ana@b.br");  // the base's own value stays
    EXPECT_EQ(v.Origem("Telefone"), 3);       // newest record first
    EXPECT_EQ(v.Valor("Telefone"), "3333-3333");
    EXPECT_EQ(v.Valor("Endereço"), "RUA TRES, 3");
    EXPECT_EQ(v.CamposAlterados(), (QStringList{"Endereço", "Telefone"}));
    EXPECT_TRUE(v.Escolher("Telefone", 1));
    EXPECT_TRUE(v.Escolher("Email", 1));
    EXPECT_FALSE(v.Escolher("Email", 99));
    EXPECT_FALSE(v.Escolher("ID_Paciente", 1));
    EXPECT_EQ(v.CamposAlterados(), (QStringList{"Endereço", "Telefone", "Email"}));
    EXPECT_TRUE(v.Escolher("Endereço", 2));  // back to the base's empty value
    EXPECT_EQ(v.CamposAlterados(), (QStringList{"Telefone", "Email"}));
}

TEST(UnificacaoRevisada, ValoresEscolhidosSaoGravadosERegistradosNaMesmaTransacao) {
    Grupo g;
    g.r.Executar("UPDATE Paciente SET RG = NULL WHERE ID_Paciente = 2");
    g.r.Executar("UPDATE Paciente SET RG = '55.555' WHERE ID_Paciente = 3");
    clsComparacaoPacientes c = g.Comparar({1, 2, 3});
    clsValoresSobreviventes v;
    v.Iniciar(c, 2);
    v.Escolher("Email", 1);
    clsUnificacaoRevisada unificacao(g.r.cn(), g.r.ado());
    SqlRecorder rec(g.r.cn());
    ASSERT_TRUE(unificacao.Executar(2, {1, 2, 3}, 7, &v)) << unificacao.Mensagem().toStdString();
    EXPECT_EQ(rec.count(Connection::Evento::Inicio), 1);
    EXPECT_EQ(rec.count(Connection::Evento::Confirmacao), 1);
    EXPECT_EQ(unificacao.Mensagem(),
              "2 cadastros unificados em 2; 1 exame transferido; 4 campos atualizados no "
              "cadastro 2");
    // The existence check comes before the first merge statement.
    const QStringList textos = rec.texts();
    ASSERT_FALSE(textos.isEmpty());
    EXPECT_EQ(textos[0], " SELECT ID_Paciente FROM Paciente WHERE ID_Paciente IN (2, 1, 3)");

    // The RG of a removed copy could be taken because the copies go first.
    EXPECT_EQ(g.r.Valor("SELECT RG FROM Paciente WHERE ID_Paciente = 2").toString(), "55.555");
    EXPECT_EQ(g.r.Valor("SELECT Email FROM Paciente WHERE ID_Paciente = 2").toString(), "ana@a.br");
    EXPECT_EQ(g.r.Valor("SELECT Telefone FROM Paciente WHERE ID_Paciente = 2").toString(),
              "3333-3333");
    EXPECT_EQ(g.r.Contar("SELECT COUNT(*) FROM Paciente"), 1);
    EXPECT_EQ(g.r.Contar("SELECT COUNT(*) FROM Exame WHERE ID_Paciente = 2"), 3);
    // The base's old row is in the update log, with the user.
    EXPECT_EQ(g.r.Contar("SELECT COUNT(*) FROM PacienteLogAtualizar WHERE ID_Paciente = 2 AND "
                         "ID_Usuario = 7 AND Email = 'ana@b.br' AND RG IS NULL"),
              1);
    EXPECT_EQ(g.r.Contar("SELECT COUNT(*) FROM PacienteLog WHERE ID_PacienteNovo = 2"), 2);
}

TEST(UnificacaoRevisada, FalhaNoMeioNaoMudaNadaEDizOQueFalhou) {
    Grupo g;
    clsComparacaoPacientes c = g.Comparar({1, 2, 3});
    clsValoresSobreviventes v;
    v.Iniciar(c, 1);
    const QByteArray antes = g.r.Instantaneo();
    clsUnificacaoRevisada unificacao(g.r.cn(), g.r.ado());
    {
        SqlRecorder rec(g.r.cn());
        rec.failOnSql("DELETE FROM Paciente WHERE ID_Paciente = 3", -2147217873);
        EXPECT_FALSE(unificacao.Executar(1, {1, 2, 3}, 7, &v));
    }
    EXPECT_EQ(unificacao.Mensagem().left(unificacao.Mensagem().indexOf('\n')),
              "A unificação falhou ao unificar o cadastro 3 em 1. Nada foi alterado no cadastro.");
    EXPECT_TRUE(
        unificacao.Mensagem().endsWith("\n\n-2147217873 - " + unificacao.Erro().ErrorString()));
    EXPECT_FALSE(unificacao.Erro().ErrorString().isEmpty());
    EXPECT_EQ(g.r.ado().ProfundidadeTransação(), 0);
    EXPECT_EQ(g.r.Instantaneo(), antes);

    // The survivor update failing (a value the patient record refuses) undoes the merges too.
    v.Escolher("Sexo", 2);
    g.r.Executar("UPDATE Paciente SET Sexo = 'X' WHERE ID_Paciente = 2");
    ASSERT_TRUE(c.Carregar({1, 2, 3}));
    v.Iniciar(c, 1);
    ASSERT_TRUE(v.Escolher("Sexo", 2));
    const QByteArray antes2 = g.r.Instantaneo();
    EXPECT_FALSE(unificacao.Executar(1, {1, 2, 3}, 7, &v));
    EXPECT_TRUE(unificacao.Mensagem().startsWith(
        "A unificação falhou ao gravar os valores escolhidos no cadastro 1."))
        << unificacao.Mensagem().toStdString();
    EXPECT_EQ(g.r.Instantaneo(), antes2);
}

TEST(UnificacaoRevisada, SemValoresEscolhidosAMensagemEADoComando) {
    Grupo g;
    g.r.NovoExame(3, "E3-2");
    clsUnificacaoRevisada unificacao(g.r.cn(), g.r.ado());
    ASSERT_TRUE(unificacao.Executar(1, {2, 3, 1}, 7));
    EXPECT_EQ(unificacao.Mensagem(), "2 cadastros unificados em 1; 4 exames transferidos");
    EXPECT_EQ(g.r.Contar("SELECT COUNT(*) FROM PacienteLogAtualizar"), 0);
}

TEST(UnificacaoRevisada, BaseQueOutraEstacaoUnificouCancelaTudo) {
    // Two administrators on one group, each on a connection of its own: B reviews the group
    // and picks 2 as the base; meanwhile A merges 2 into 1; then B confirms.
    Grupo g(300);
    Connection outra;
    clsADO adoB;
    ASSERT_TRUE(adoB.AbrirConexão(outra, g.r.StringConexao()));
    clsComparacaoPacientes revisaoB(outra, adoB);
    ASSERT_TRUE(revisaoB.Carregar({1, 2}));
    clsValoresSobreviventes valoresB;
    valoresB.Iniciar(revisaoB, 2);

    clsUnificacaoRevisada a(g.r.cn(), g.r.ado());
    ASSERT_TRUE(a.Executar(1, {1, 2}, 7)) << a.Mensagem().toStdString();
    const QByteArray depoisDeA = g.r.Instantaneo();

    clsUnificacaoRevisada b(outra, adoB);
    EXPECT_FALSE(b.Executar(2, {1, 2}, 8, &valoresB));
    EXPECT_EQ(b.CadastroAusente(), 2);
    EXPECT_TRUE(b.Mensagem().startsWith("O cadastro base 2 não existe mais"))
        << b.Mensagem().toStdString();
    EXPECT_EQ(adoB.ProfundidadeTransação(), 0);
    EXPECT_EQ(g.r.Instantaneo(), depoisDeA);
    // A copy that vanished is named too.
    EXPECT_FALSE(b.Executar(1, {1, 2, 3}, 8));
    EXPECT_EQ(b.CadastroAusente(), 2);
    EXPECT_TRUE(b.Mensagem().startsWith("O cadastro 2 não existe mais"));
    EXPECT_EQ(g.r.Instantaneo(), depoisDeA);
    adoB.FecharConexão(outra);
}

TEST(UnificacaoRevisada, OsCadastrosVerificadosFicamPresosAteOFim) {
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
