// The worklist on a large register from the demo generator:
//   bench_worklist --register FILE [--verdicts N]
// The register is copied first (the verdicts write to the copy). Printed, in wall and CPU
// seconds: the grouping on the three names as the main window runs it (cold, on a new
// connection, then again), the read of the groups' members, opening the worklist on those
// groups, and single verdicts (put off, not the same person, a merge through the merge
// command), each as a ratio of the grouping's own time measured in the same run.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <numeric>

#include "Medida.h"
#include "Registro.h"
#include "data/ado/Recordset.h"
#include "data/ado/clsADO.h"
#include "decisions/clsDecisaoPessoas.h"
#include "decisions/clsPacienteSemSolucao.h"
#include "main/clsPacienteCriterio.h"
#include "merge/clsPacienteUnificar.h"
#include "merge/clsUnificacaoRegistro.h"
#include "review/clsUnificacao.h"
#include "worklist/ListaTrabalho.h"
#include "worklist/MembrosAgrupamento.h"
#include "worklist/ModeloListaTrabalho.h"

namespace {

Tempo Mediana(QVector<Tempo> v) {
    if (v.isEmpty())
        return {};
    std::sort(v.begin(), v.end(),
              [](const Tempo& a, const Tempo& b) { return a.parede < b.parede; });
    const double parede = v[v.size() / 2].parede;
    std::sort(v.begin(), v.end(), [](const Tempo& a, const Tempo& b) { return a.cpu < b.cpu; });
    return {parede, v[v.size() / 2].cpu};
}

void Linha(const char* oQue, const Tempo& t, const Tempo& referencia, const char* nota = "") {
    std::printf("%-44s %9.3f %9.3f %8.2fx  %s\n", oQue, t.parede, t.cpu,
                referencia.parede > 0 ? t.parede / referencia.parede : 0, nota);
}

[[noreturn]] void Falhou(const QString& oQue) {
    std::fprintf(stderr, "%s\n", qPrintable(oQue));
    std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    QString original;
    int vereditos = 15;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (QByteArray(argv[i]) == "--register") {
            original = QString::fromLocal8Bit(argv[i + 1]);
        } else if (QByteArray(argv[i]) == "--verdicts") {
            vereditos = std::max(1, atoi(argv[i + 1]));
        }
    }
    if (original.isEmpty()) {
        Falhou(QStringLiteral("usage: bench_worklist --register FILE [--verdicts N]"));
    }
    QTemporaryDir pasta(QStringLiteral("/tmp/bench-worklist-XXXXXX"));
    const QString arquivo = pasta.filePath(QStringLiteral("Registro.db"));
    if (!QFile::copy(original, arquivo)) {
        Falhou(QStringLiteral("cannot copy ") + original);
    }

    clsADO ado;
    Connection cn;
    if (!ado.AbrirConexão(cn, registro::StringDeConexao(arquivo))) {
        Falhou(ado.ErrorString());
    }
    // The tables start-up makes.
    clsPacienteUnificar(cn, ado).CriarTabelas();
    clsUnificacaoRegistro(cn, ado).CriarTabelas();
    clsDecisaoPessoas(cn, ado).CriarTabela();
    clsPacienteSemSolucao(cn, ado).CriarTabelaRastro();
    ListaTrabalho::CriarTabela(cn, ado);

    clsPacienteCriterio criterio;
    criterio.Nome().setObrigatório(true);
    criterio.Nome_Meio().setObrigatório(true);
    criterio.Nome_Último().setObrigatório(true);
    criterio.setMasQueUmaOcorrencia(true);
    const QString sql = criterio.ObterSQLComAgrupamento();

    Recordset rs;
    const Tempo frio = Medir([&] {
        if (!ado.AbrirRecordset(cn, rs, sql))
            Falhou(ado.ErrorString());
    });
    const Tempo agrupamento = Medir([&] {
        if (!ado.AbrirRecordset(cn, rs, sql))
            Falhou(ado.ErrorString());
    });
    QStringList colunas;
    for (int c = 0; c < rs.FieldCount(); ++c) {
        colunas << rs.Dados().colunas[c].nome;
    }
    const QVector<QVector<QVariant>> linhas = rs.Dados().linhas;

    QVector<GrupoTrabalho> grupos;
    QString erro;
    const Tempo membros = Medir([&] {
        if (!MembrosAgrupamento(cn, ado, colunas, linhas, grupos, erro))
            Falhou(erro);
    });

    // Opening: the register's verdicts on every group, and the window's filtered view of them
    // (decided groups hidden) with its first screen of rows.
    ListaTrabalho lista(cn, ado, 1);
    ModeloListaTrabalho modelo(lista);
    FiltroListaTrabalho filtro(lista);
    qsizetype visiveis = 0;
    const Tempo abrir = Medir([&] {
        if (!lista.Construir(grupos))
            Falhou(lista.Mensagem());
        modelo.Recarregar();
        filtro.setSourceModel(&modelo);
        visiveis = filtro.rowCount();
        for (int r = 0; r < std::min<qsizetype>(visiveis, 40); ++r) {
            for (int c = 0; c < ModeloListaTrabalho::Colunas; ++c) filtro.index(r, c).data();
        }
    });

    QVector<int> ordem(lista.Itens().size());
    std::iota(ordem.begin(), ordem.end(), 0);
    QVector<Tempo> adiar, decidir, unificar, proximo;
    int item = -1;
    for (int v = 0; v < vereditos; ++v) {
        proximo << Medir([&] { item = lista.AbrirProximo(ordem, item); });
        adiar << Medir([&] {
            if (!lista.Adiar())
                Falhou(lista.Mensagem());
        });
        item = lista.AbrirProximo(ordem, item);
        decidir << Medir([&] {
            if (!lista.NaoSaoAMesmaPessoa(4, QString()))
                Falhou(lista.Mensagem());
        });
        item = lista.AbrirProximo(ordem, item);
        unificar << Medir([&] {
            if (!lista.Unificar([&](const QVector<qint32>& m) {
                    return clsUnificacao(cn, ado)
                        .Executar({m.first(), {m.begin(), m.end()}, 1, clsValoresSobreviventes()})
                        .unificada;
                }))
                Falhou(lista.Mensagem());
        });
    }

    const qint64 pacientes = [&] {
        ado.AbrirRecordset(cn, rs, QStringLiteral("SELECT COUNT(*) FROM Paciente"));
        return rs.Fields(0).Value().toLongLong();
    }();
    std::printf("register %s: %lld patients, %lld groups on the three names, %lld shown\n\n",
                qPrintable(original), (long long)pacientes, (long long)linhas.size(),
                (long long)visiveis);
    std::printf("%-44s %9s %9s %9s\n", "", "wall s", "CPU s", "/ grouping");
    Linha("grouping (main window's query), cold", frio, agrupamento);
    Linha("grouping, again", agrupamento, agrupamento);
    Linha("members of the groups (background read)", membros, agrupamento);
    Linha("opening the worklist on them", abrir, agrupamento, "target <= 1 s");
    const auto verdito = [&](const char* oQue, const QVector<Tempo>& v, const char* nota) {
        Linha(oQue, Mediana(v), agrupamento, nota);
    };
    std::printf("\nmedians of %d verdicts each\n", vereditos);
    verdito("opening the next pending group", proximo, "");
    verdito("put off", adiar, "target <= 50 ms");
    verdito("not the same person", decidir, "target <= 50 ms");
    verdito("merge through the merge command", unificar, "target <= 50 ms");
    return 0;
}
