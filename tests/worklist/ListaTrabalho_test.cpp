#include <gtest/gtest.h>

#include <QDateTime>
#include <QRandomGenerator>
#include <memory>
#include <numeric>
#include <thread>

#include "data/ado/Recordset.h"
#include "data/base/Relogio.h"
#include "decisions/clsDecisaoPessoas.h"
#include "decisions/clsPacienteSemSolucao.h"
#include "merge/clsUnificacaoRegistro.h"
#include "review/clsUnificacao.h"
#include "support/ImprimirQt.h"
#include "support/RegistroMerge.h"
#include "worklist/ListaTrabalho.h"
#include "worklist/ModeloListaTrabalho.h"

namespace {

// A register of 12 patients with every table the program owns, and the groups a grouping found
// in it: {1,2} {3,4} {5,6} {7,8} {9,10} {11,12}.
struct Cadastro {
    Cadastro() : r(true, 5000) {
        clsUnificacaoRegistro(r.cn(), r.ado()).CriarTabelas();
        clsDecisaoPessoas(r.cn(), r.ado()).CriarTabela();
        clsPacienteSemSolucao(r.cn(), r.ado()).CriarTabelaRastro();
        EXPECT_TRUE(ListaTrabalho::CriarTabela(r.cn(), r.ado()));
        for (int i = 1; i <= 12; ++i) {
            r.NovoPaciente(QStringLiteral("P%1").arg(i));
        }
        r.Executar("SET IDENTITY_INSERT Usuário ON");
        r.Executar(
            "INSERT INTO Usuário (ID_Usuário, Usuário, Senha, ÉPatologista, Ativo, Master) "
            "VALUES (7, 'gestor', 'x', 0, 1, 0)");
        r.Executar("SET IDENTITY_INSERT Usuário OFF");
    }
    static QVector<GrupoTrabalho> grupos(QVector<QVector<qint32>> membros = {
                                             {1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}, {11, 12}}) {
        QVector<GrupoTrabalho> g;
        for (const auto& m : membros) {
            g.append({m, {}, QStringLiteral("P%1").arg(m.first()), -1, false});
        }
        return g;
    }
    RegistroMerge r;
};

// One administrator's program: its own connection to the register and its own worklist.
struct Administrador {
    Administrador(const QString& conexao, qint32 usuario) {
        EXPECT_TRUE(ado.AbrirConexão(cn, conexao));
        lista = std::make_unique<ListaTrabalho>(cn, ado, usuario);
    }
    int item(QVector<qint32> membros) const {
        for (int i = 0; i < lista->Itens().size(); ++i) {
            if (lista->Itens()[i].grupo.membros == membros) {
                return i;
            }
        }
        return -1;
    }
    EstadoGrupo estado(const QVector<qint32>& membros) const {
        return lista->Itens()[item(membros)].estado;
    }
    QVector<int> ordem() const {
        QVector<int> o(lista->Itens().size());
        std::iota(o.begin(), o.end(), 0);
        return o;
    }
    bool unificar(qint32 base) {
        return lista->Unificar([&](const QVector<qint32>& membros) {
            return clsUnificacao(cn, ado)
                .Executar({base, {membros.begin(), membros.end()}, 7, clsValoresSobreviventes()})
                .unificada;
        });
    }
    Connection cn;
    clsADO ado;
    std::unique_ptr<ListaTrabalho> lista;
};

bool RemoverComRastro(Connection& cn, clsADO& ado, qint32 paciente) {
    return clsPacienteSemSolucao(cn, ado).RemoverComRastro(paciente, 7);
}

}  // namespace

TEST(ListaTrabalho, EstadosVemDoRegistroESobrevivemAUmNovoInicio) {
    Cadastro c;
    const QDateTime quando(QDate(2030, 4, 5), QTime(6, 7));
    {
        Administrador a(c.r.StringConexao(), 7);
        RelogioFixo relogio(quando);
        ASSERT_TRUE(a.lista->Construir(c.grupos()));
        EXPECT_EQ(a.lista->Contar().Pendentes(), 6);
        ASSERT_TRUE(a.lista->Abrir(a.item({1, 2})));
        ASSERT_TRUE(a.unificar(1)) << a.lista->Mensagem().toStdString();
        ASSERT_TRUE(a.lista->Abrir(a.item({3, 4})));
        ASSERT_TRUE(a.lista->NaoSaoAMesmaPessoa(4, "irmãos"));
        ASSERT_TRUE(a.lista->Abrir(a.item({7, 8})));
        ASSERT_TRUE(a.lista->Adiar());
        EXPECT_EQ(a.estado({1, 2}), EstadoGrupo::Unificado);
        EXPECT_EQ(a.estado({3, 4}), EstadoGrupo::NaoMesmaPessoa);
        EXPECT_EQ(a.estado({7, 8}), EstadoGrupo::Adiado);
    }
    // A mark written by the no-solution dialog, the way the main window's route leaves it.
    c.r.Executar(
        "INSERT INTO PacienteLogSemSolucao (ID_Paciente, ID_PacienteLogJustificativa, ID_Usuario, "
        "Descricao) VALUES (6, 1, 7, '')");

    // Another day, another program: the grouping no longer shows the merged pair, the logs do.
    Administrador b(c.r.StringConexao(), 9);
    ASSERT_TRUE(b.lista->Construir(c.grupos({{3, 4}, {5, 6}, {7, 8}, {9, 10}, {11, 12}})));
    ASSERT_GE(b.item({1, 2}), 0);
    const auto& unificado = b.lista->Itens()[b.item({1, 2})];
    EXPECT_TRUE(unificado.doLog);
    EXPECT_EQ(unificado.estado, EstadoGrupo::Unificado);
    EXPECT_EQ(unificado.autoria.usuario, 7);
    EXPECT_EQ(unificado.autoria.data, quando);
    EXPECT_EQ(b.estado({3, 4}), EstadoGrupo::NaoMesmaPessoa);
    EXPECT_EQ(b.lista->Descricao(b.item({3, 4})),
              "não são a mesma pessoa por gestor em 05/04/2030 06:07 (Parentes ou homônimos)");
    EXPECT_EQ(b.estado({5, 6}), EstadoGrupo::SemSolucao);
    EXPECT_EQ(b.estado({7, 8}), EstadoGrupo::Adiado);
    EXPECT_EQ(b.estado({9, 10}), EstadoGrupo::Pendente);

    const ListaTrabalho::Contagem n = b.lista->Contar();
    EXPECT_EQ(n.grupos, 6);
    EXPECT_EQ(n.Pendentes(), 2);
    EXPECT_EQ(n.porEstado[int(EstadoGrupo::Adiado)], 1);
    EXPECT_EQ(n.feitosPorMim, 0);  // administrator 9 did nothing yet
    Administrador a(c.r.StringConexao(), 7);
    ASSERT_TRUE(a.lista->Construir(c.grupos()));
    EXPECT_EQ(a.lista->Contar().feitosPorMim, 3);  // merged, decided, and the mark

    // Decided groups are hidden by default; the filters on size and signs.
    ListaTrabalho::Filtro filtro;
    EXPECT_FALSE(b.lista->Passa(b.item({3, 4}), filtro));
    EXPECT_TRUE(b.lista->Passa(b.item({7, 8}), filtro));
    EXPECT_TRUE(b.lista->Passa(b.item({9, 10}), filtro));
    filtro.tamanhoMinimo = 3;
    EXPECT_FALSE(b.lista->Passa(b.item({9, 10}), filtro));
    filtro = {};
    filtro.soComSinal = true;
    EXPECT_FALSE(b.lista->Passa(b.item({9, 10}), filtro));
}

TEST(ListaTrabalho, GrupoCujosMembrosMudaramVoltaAPendenteComOMotivo) {
    Cadastro c;
    Administrador a(c.r.StringConexao(), 7);
    ASSERT_TRUE(a.lista->Construir(c.grupos()));
    ASSERT_TRUE(a.lista->Abrir(a.item({7, 8})));
    ASSERT_TRUE(a.lista->Adiar());
    ASSERT_TRUE(a.lista->Abrir(a.item({3, 4})));
    ASSERT_TRUE(a.lista->NaoSaoAMesmaPessoa(1, ""));

    // A new grouping: 9 joined the put-off pair, 10 joined the decided one.
    Administrador b(c.r.StringConexao(), 9);
    ASSERT_TRUE(b.lista->Construir(c.grupos({{3, 4, 10}, {7, 8, 9}})));
    const auto& adiado = b.lista->Itens()[b.item({7, 8, 9})];
    EXPECT_EQ(adiado.estado, EstadoGrupo::Pendente);
    EXPECT_TRUE(adiado.motivo.startsWith("os membros mudaram desde que foi adiado por gestor em "));
    EXPECT_TRUE(adiado.motivo.endsWith("; entrou 9")) << adiado.motivo.toStdString();
    const auto& decidido = b.lista->Itens()[b.item({3, 4, 10})];
    EXPECT_EQ(decidido.estado, EstadoGrupo::Pendente);
    EXPECT_TRUE(decidido.motivo.endsWith("; falta decidir 3 e 10, 4 e 10"))
        << decidido.motivo.toStdString();
    // The reason is kept for everyone: a third program reads it from the table.
    EXPECT_EQ(c.r.Contar("SELECT COUNT(*) FROM Cadunir_ListaTrabalho WHERE Tipo = 2"), 2);

    // A member merged elsewhere leaves the others pending with why.
    Administrador d(c.r.StringConexao(), 9);
    ASSERT_TRUE(d.lista->Construir(c.grupos({{7, 8}, {3, 4}})));
    ASSERT_TRUE(
        clsUnificacao(d.cn, d.ado).Executar({11, {11, 8}, 9, clsValoresSobreviventes()}).unificada);
    ASSERT_TRUE(d.lista->Construir(c.grupos({{7, 8, 12}})));
    const auto& semOito = d.lista->Itens()[d.item({7, 8, 12})];
    EXPECT_EQ(semOito.membros, (QVector<qint32>{7, 12}));
    EXPECT_TRUE(semOito.motivo.endsWith("; entrou 12; saiu 8")) << semOito.motivo.toStdString();

    // A decision whose records changed since needs a new look.
    c.r.Executar("UPDATE Paciente SET Data_Nascimento = '1980-01-01' WHERE ID_Paciente = 4");
    ASSERT_TRUE(d.lista->Construir(c.grupos({{3, 4}})));
    EXPECT_EQ(d.estado({3, 4}), EstadoGrupo::Pendente);
    EXPECT_TRUE(d.lista->Itens()[d.item({3, 4})].motivo.endsWith(
        "sobre 3 e 4 precisa ser revista: os dados mudaram"));
}

TEST(ListaTrabalho, MarcaEDecisaoRemovidasDeixamRastroEOGrupoVoltaAPendente) {
    Cadastro c;
    c.r.Executar(
        "INSERT INTO PacienteLogSemSolucao (ID_Paciente, ID_PacienteLogJustificativa, ID_Usuario, "
        "Descricao) VALUES (6, 2, 3, 'sem RGHC')");
    Administrador a(c.r.StringConexao(), 7);
    ASSERT_TRUE(a.lista->Construir(c.grupos()));
    ASSERT_TRUE(a.lista->Abrir(a.item({3, 4})));
    ASSERT_TRUE(a.lista->NaoSaoAMesmaPessoa(2, ""));

    ASSERT_TRUE(a.lista->Abrir(a.item({5, 6})));
    // Only a member of the open group, and only a group that has a mark.
    EXPECT_FALSE(
        a.lista->RemoverMarca(1, [&](qint32 p) { return RemoverComRastro(a.cn, a.ado, p); }));
    EXPECT_FALSE(a.lista->RemoverDecisao());
    ASSERT_TRUE(
        a.lista->RemoverMarca(6, [&](qint32 p) { return RemoverComRastro(a.cn, a.ado, p); }));
    EXPECT_EQ(a.estado({5, 6}), EstadoGrupo::Pendente);
    EXPECT_TRUE(a.lista->Itens()[a.item({5, 6})].motivo.startsWith(
        "a marca de sem solução do cadastro 6 foi removida por gestor em "));
    EXPECT_EQ(c.r.Contar("SELECT COUNT(*) FROM Cadunir_SemSolucaoRemovida WHERE ID_Paciente = 6 "
                         "AND ID_Usuario = 3 AND Descricao = 'sem RGHC' AND ID_UsuarioRemocao = 7"),
              1);

    ASSERT_TRUE(a.lista->Abrir(a.item({3, 4})));
    ASSERT_TRUE(a.lista->RemoverDecisao());
    EXPECT_EQ(a.estado({3, 4}), EstadoGrupo::Pendente);
    EXPECT_TRUE(a.lista->Itens()[a.item({3, 4})].motivo.startsWith(
        "a decisão \"não são a mesma pessoa\" foi removida por gestor em "));
    EXPECT_EQ(c.r.Contar("SELECT COUNT(*) FROM Cadunir_DecisaoRemovida WHERE ID_Paciente1 = 3 "
                         "AND ID_Paciente2 = 4 AND Motivo = 2"),
              1);

    // A removal that fails leaves the mark, and the group as it was.
    c.r.Executar(
        "INSERT INTO PacienteLogSemSolucao (ID_Paciente, ID_PacienteLogJustificativa, ID_Usuario, "
        "Descricao) VALUES (10, 1, 3, '')");
    ASSERT_TRUE(a.lista->Abrir(a.item({9, 10})));
    EXPECT_EQ(a.estado({9, 10}), EstadoGrupo::SemSolucao);
    EXPECT_FALSE(a.lista->RemoverMarca(10, [&](qint32 p) {
        RemoverComRastro(a.cn, a.ado, p);
        return false;
    }));
    EXPECT_EQ(c.r.Contar("SELECT COUNT(*) FROM PacienteLogSemSolucao WHERE ID_Paciente = 10"), 1);
    EXPECT_EQ(a.ado.ProfundidadeTransação(), 0);
}

TEST(ListaTrabalho, DoisAdministradoresNuncaRecebemOMesmoGrupoAberto) {
    Cadastro c;
    Administrador a(c.r.StringConexao(), 7);
    Administrador b(c.r.StringConexao(), 9);
    ASSERT_TRUE(a.lista->Construir(c.grupos()));
    ASSERT_TRUE(b.lista->Construir(c.grupos()));
    const int deA = a.lista->AbrirProximo(a.ordem(), -1);
    ASSERT_EQ(deA, 0);
    EXPECT_EQ(b.lista->AbrirProximo(b.ordem(), -1), 1);
    EXPECT_FALSE(b.lista->Abrir(deA));
    EXPECT_TRUE(b.lista->Mensagem().startsWith("O grupo está aberto por gestor desde "));
    EXPECT_TRUE(b.lista->Descricao(deA).endsWith(" — aberto por gestor"));
    // Moving on lets the group go.
    ASSERT_EQ(a.lista->AbrirProximo(a.ordem(), deA), 1);
    EXPECT_TRUE(b.lista->Abrir(deA));

    // Both at once, many times: never the same group.
    for (int vez = 0; vez < 5; ++vez) {
        int x = -1, y = -1;
        std::thread t([&] { x = a.lista->AbrirProximo(a.ordem(), -1); });
        y = b.lista->AbrirProximo(b.ordem(), -1);
        t.join();
        ASSERT_GE(x, 0);
        ASSERT_GE(y, 0);
        EXPECT_NE(x, y);
    }
}

TEST(ListaTrabalho, DoisVereditosAoMesmoTempoDeixamUmENenhumGrupoEUnificadoDuasVezes) {
    Cadastro c;
    Administrador a(c.r.StringConexao(), 7);
    Administrador b(c.r.StringConexao(), 9);
    const QDateTime inicio = QDateTime::currentDateTime();
    Relogio::Fixar(inicio);
    ASSERT_TRUE(a.lista->Construir(c.grupos()));
    ASSERT_TRUE(b.lista->Construir(c.grupos()));
    ASSERT_TRUE(a.lista->Abrir(0));
    // A leaves the group open past its lease; B takes it; A's late verdict is refused.
    Relogio::Fixar(inicio.addSecs(ListaTrabalho::kReservaSegundos + 1));
    ASSERT_TRUE(b.lista->Abrir(0));
    EXPECT_FALSE(a.lista->Adiar());
    EXPECT_TRUE(a.lista->Mensagem().startsWith("O grupo está aberto por"))
        << a.lista->Mensagem().toStdString();
    ASSERT_TRUE(b.lista->NaoSaoAMesmaPessoa(1, ""));
    EXPECT_EQ(c.r.Contar("SELECT COUNT(*) FROM Cadunir_ListaTrabalho WHERE Tipo = 1"), 0);
    Relogio::Liberar();

    // Two merges of one group at the same moment: one merges, the other is refused.
    for (const int grupo : {1, 2, 3}) {
        bool okA = false, okB = false;
        std::thread t([&] { okA = a.lista->Abrir(grupo) && a.unificar(grupo * 2 + 1); });
        okB = b.lista->Abrir(grupo) && b.unificar(grupo * 2 + 1);
        t.join();
        EXPECT_NE(okA, okB);
        EXPECT_EQ(c.r.Contar(QString("SELECT COUNT(*) FROM PacienteLog WHERE ID_Paciente = %1")
                                 .arg(grupo * 2 + 2)),
                  1);
    }
    // A program that missed a merge sees it before it acts.
    Administrador d(c.r.StringConexao(), 11);
    ASSERT_TRUE(d.lista->Construir(c.grupos()));
    ASSERT_TRUE(a.lista->Abrir(4));
    ASSERT_TRUE(a.unificar(9));
    ASSERT_TRUE(d.lista->Abrir(4));
    EXPECT_FALSE(d.unificar(9));
    EXPECT_TRUE(d.lista->Mensagem().startsWith("O grupo já está unificado por "))
        << d.lista->Mensagem().toStdString();
    EXPECT_EQ(c.r.Contar("SELECT COUNT(*) FROM PacienteLog WHERE ID_Paciente = 10"), 1);
}

TEST(ListaTrabalho, VereditoDeUmApareceParaOOutroNaProximaAcao) {
    Cadastro c;
    Administrador a(c.r.StringConexao(), 7);
    Administrador b(c.r.StringConexao(), 9);
    ASSERT_TRUE(a.lista->Construir(c.grupos()));
    ASSERT_TRUE(b.lista->Construir(c.grupos()));
    ASSERT_TRUE(a.lista->Abrir(a.item({9, 10})));
    ASSERT_TRUE(a.lista->Adiar());
    ASSERT_TRUE(a.lista->Abrir(a.item({11, 12})));
    ASSERT_TRUE(a.lista->NaoSaoAMesmaPessoa(3, ""));
    EXPECT_EQ(b.estado({9, 10}), EstadoGrupo::Pendente);
    ASSERT_TRUE(b.lista->Atualizar());
    EXPECT_EQ(b.estado({9, 10}), EstadoGrupo::Adiado);
    EXPECT_EQ(b.estado({11, 12}), EstadoGrupo::NaoMesmaPessoa);
    // The next pending group skips what A decided and what A holds open.
    ASSERT_TRUE(a.lista->Abrir(a.item({1, 2})));
    EXPECT_EQ(b.lista->AbrirProximo(b.ordem(), -1), b.item({3, 4}));
}

// The child of the kill test: opens the first group and stays, holding its lease, until killed.
TEST(ListaTrabalho, DISABLED_FilhoSegurandoUmGrupo) {
    Administrador a(qEnvironmentVariable("CADUNIR_FILHO"), 7);
    ASSERT_TRUE(a.lista->Construir(Cadastro::grupos()));
    ASSERT_EQ(a.lista->AbrirProximo(a.ordem(), -1), 0);
    FilhoAvancou();
    std::this_thread::sleep_for(std::chrono::minutes(5));
}

TEST(ListaTrabalho, ReservaCaducaDepoisQueOProgramaQueATinhaMorre) {
    Cadastro c;
    QRandomGenerator acaso(23);
    ASSERT_TRUE(MatarFilhoAoAcaso("ListaTrabalho.DISABLED_FilhoSegurandoUmGrupo",
                                  c.r.StringConexao(), 1, acaso));
    Administrador a(c.r.StringConexao(), 9);
    ASSERT_TRUE(a.lista->Construir(c.grupos()));
    EXPECT_FALSE(a.lista->Abrir(0));
    EXPECT_EQ(a.lista->AbrirProximo(a.ordem(), -1), 1);
    const RelogioFixo depois(
        QDateTime::currentDateTime().addSecs(ListaTrabalho::kReservaSegundos + 5));
    EXPECT_TRUE(a.lista->Abrir(0)) << a.lista->Mensagem().toStdString();
}

TEST(ListaTrabalho, AVistaEscondeOsDecididosMasNaoOGrupoAbertoENaoSeReordena) {
    Cadastro c;
    Administrador a(c.r.StringConexao(), 7);
    ASSERT_TRUE(a.lista->Construir(c.grupos()));
    ModeloListaTrabalho modelo(*a.lista);
    FiltroListaTrabalho filtro(*a.lista);
    filtro.setSourceModel(&modelo);
    filtro.sort(ModeloListaTrabalho::ColCadastros);
    EXPECT_EQ(filtro.Ordem(), (QVector<int>{0, 1, 2, 3, 4, 5}));

    ASSERT_TRUE(a.lista->Abrir(1));
    ASSERT_TRUE(a.lista->ConferirAntesDeMarcar());  // keeps the group open
    c.r.Executar(
        "INSERT INTO PacienteLogSemSolucao (ID_Paciente, ID_PacienteLogJustificativa, ID_Usuario, "
        "Descricao) VALUES (3, 1, 7, '')");
    ASSERT_TRUE(a.lista->Atualizar());
    modelo.Mudaram(a.lista->TomarMudados());
    EXPECT_EQ(a.lista->Aberto(), 1);
    EXPECT_EQ(filtro.Ordem(), (QVector<int>{0, 1, 2, 3, 4, 5}));  // open: still in sight
    ASSERT_EQ(a.lista->AbrirProximo(filtro.Ordem(), 1), 2);
    modelo.Mudaram(a.lista->TomarMudados());
    EXPECT_EQ(filtro.Ordem(), (QVector<int>{0, 2, 3, 4, 5}));
    EXPECT_EQ(modelo.data(modelo.index(1, ModeloListaTrabalho::ColEstado)).toString(),
              a.lista->Descricao(1));
}
