// A batch of merges on a large demo register against its own statements run raw:
//
//   bench_batch [patients] [merges] [duplicates%]     (default 1000000, 10000 and 10)
//
// The register is written twice from the same seed's file (A and a copy B). On A: the dry run
// (the plan, timed), then a batch of the plan's first `merges` groups through clsExecucaoLote,
// every statement it sends captured. On B: the same statements, already in SQLite's dialect,
// run straight on the file in one script, each group in its own transaction as the batch ran
// it. Then the batch's undo (clsLoteDesfazer) on A against its statements run raw on a copy of
// A taken before it. Printed: the times and the ratios (targets 1.3 and 1.5), and the CPU time
// per merge of the batch and of its undo (a larger share of duplicates gives a larger batch on
// a small register).

#include <sqlite3.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <functional>

#include "Medida.h"
#include "Registro.h"
#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "data/sqlite/MotorEmbutido.h"
#include "data/tsql/TSqlTradutor.h"
#include "history/clsLoteDesfazer.h"
#include "main/InicioPrograma.h"
#include "worklist/ExecucaoLote.h"
#include "worklist/PlanoLote.h"

namespace {

[[noreturn]] void Falhou(const QString& oQue) {
    std::fprintf(stderr, "%s\n", qPrintable(oQue));
    std::exit(1);
}

// The statements a piece of work sends, in SQLite's dialect, cut into its transactions: a new
// one begins at each call of Cortar (after each group).
class Captura {
  public:
    Captura(Connection& cn) : m_cn(cn) {
        m_id = cn.AdicionarObservador([this](const Connection::Evento& e) {
            if (e.tipo == Connection::Evento::Execucao || e.tipo == Connection::Evento::Consulta) {
                m_textos << e.texto;
            }
        });
    }
    ~Captura() { m_cn.RemoverObservador(m_id); }
    void Cortar() {
        m_transacoes << m_textos;
        m_textos.clear();
    }
    // Translated after the run, so that the time measured holds none of it.
    QList<QList<QByteArray>> Traduzir(dados::MotorEmbutido& motor) {
        Cortar();
        QList<QList<QByteArray>> script;
        for (const QStringList& t : m_transacoes) {
            QList<QByteArray> comandos;
            for (const QString& sql : t) {
                for (const auto& c : dados::TraduzirTSql(sql, motor.catalogo()).comandos) {
                    if (c.tipo != dados::ComandoTraduzido::Sessao && !c.sql.isEmpty()) {
                        comandos << c.sql.toUtf8();
                        ++m_comandos;
                    }
                }
            }
            if (!comandos.isEmpty()) {
                script << comandos;
            }
        }
        return script;
    }
    qint64 Comandos() const { return m_comandos; }

  private:
    Connection& m_cn;
    int m_id = 0;
    QStringList m_textos;
    QList<QStringList> m_transacoes;
    qint64 m_comandos = 0;
};

// The script on a file of its own: each transaction BEGIN ... COMMIT, each statement stepped
// through all its rows.
Tempo Cru(const QString& arquivo, const QList<QList<QByteArray>>& script) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(arquivo).constData(), &db, SQLITE_OPEN_READWRITE,
                        nullptr) != SQLITE_OK) {
        Falhou("cannot open " + arquivo);
    }
    dados::EstadoSessao estado;
    dados::RegistrarFuncoesTSql(db, &estado);
    const auto exec = [db](const QByteArray& sql) {
        char* erro = nullptr;
        if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &erro) != SQLITE_OK) {
            std::fprintf(stderr, "sqlite: %s\n  %s\n", erro, sql.constData());
            sqlite3_free(erro);
        }
    };
    exec("PRAGMA foreign_keys = ON");
    const Tempo t = Medir([&] {
        for (const QList<QByteArray>& transacao : script) {
            exec("BEGIN");
            for (const QByteArray& sql : transacao) {
                exec(sql);
            }
            exec("COMMIT");
        }
    });
    sqlite3_close(db);
    return t;
}

void Copiar(const QString& de, const QString& para) {
    QFile::remove(para);
    if (!QFile::copy(de, para)) {
        Falhou("cannot copy " + de);
    }
}

void Abrir(clsADO& ado, Connection& cn, const QString& arquivo) {
    if (!ado.AbrirConexão(cn, registro::StringDeConexao(arquivo))) {
        Falhou(ado.ErrorString());
    }
}

}  // namespace

int main(int argc, char** argv) {
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    QCoreApplication app(argc, argv);
    QTemporaryDir pasta(QStringLiteral("/tmp/bench-batch-XXXXXX"));
    registro::OpcoesRegistro opcoes;
    opcoes.pacientes = argc > 1 ? QString(argv[1]).toLongLong() : 1000000;
    const int unificacoes = argc > 2 ? QString(argv[2]).toInt() : 10000;
    if (argc > 3) {
        opcoes.duplicadosPorCento = QString(argv[3]).toInt();
    }
    opcoes.pasta = pasta.path();
    registro::ResumoRegistro resumo;
    QString erro;
    const Tempo gerar = Medir([&] {
        if (!registro::CriarRegistro(opcoes, resumo, erro)) {
            Falhou(erro);
        }
    });
    const QString a = registro::ArquivoRegistro(pasta.path());
    const QString b = pasta.filePath(QStringLiteral("B.db"));
    std::printf("register: %lld patients, %lld exams (%.1f s)\n", resumo.pacientes, resumo.exames,
                gerar.parede);

    clsADO ado;
    Connection cn;
    Abrir(ado, cn, a);
    if (!InicioPrograma(cn, ado).CriarTabelas()) {
        Falhou(QStringLiteral("tables"));
    }
    cn.Close();
    Copiar(a, b);
    Abrir(ado, cn, a);

    // The dry run: everything the plan reads, nothing written.
    clsPlanoLote plano(cn, ado);
    const Tempo simulacao = Medir([&] {
        if (!plano.Planejar(clsPlanoLote::kLimiarPadrao)) {
            Falhou(plano.Erro());
        }
    });
    const clsPlanoLote::Resumo& r = plano.ResumoPlano();
    std::printf(
        "dry run at %.1f: %d certain groups of %d candidates, %d records to remove, %lld exams, "
        "%.2f wrong merges expected: %.1f s wall, %.1f s CPU\n",
        clsPlanoLote::kLimiarPadrao, r.grupos, r.candidatos, r.registros, r.exames,
        r.errosEsperados, simulacao.parede, simulacao.cpu);
    QVector<clsLoteRegistro::Grupo> grupos = plano.Grupos().mid(0, unificacoes);
    clsPlanoLote::Resumo parte;
    parte.grupos = int(grupos.size());
    for (const auto& g : grupos) {
        parte.registros += int(g.remocoes.size());
    }

    auto* motor = dynamic_cast<dados::MotorEmbutido*>(&cn.motor());
    // The batch against its statements.
    QList<QList<QByteArray>> script;
    qint32 lote = 0;
    qint64 comandos = 0;
    Tempo execucao;
    {
        Captura captura(cn);
        clsExecucaoLote execucaoLote(cn, ado, 1);
        execucao = Medir([&] {
            if (!execucaoLote.Criar(clsPlanoLote::kLimiarPadrao, grupos, parte)) {
                Falhou(execucaoLote.Mensagem());
            }
            captura.Cortar();
            if (!execucaoLote.Executar([&](const auto&, const auto&) { captura.Cortar(); })) {
                Falhou(execucaoLote.Mensagem());
            }
        });
        lote = execucaoLote.Lote();
        const auto& s = execucaoLote.Situacao();
        std::printf("batch %d: %d groups merged, %d changed, %d refused\n", lote, s.unificados,
                    s.alterados, s.recusados);
        script = captura.Traduzir(*motor);
        comandos = captura.Comandos();
    }
    const Tempo cru = Cru(b, script);
    std::printf(
        "batch of %lld merge commands: %.2f s wall, %.2f s CPU; raw script (%lld statements, "
        "%lld transactions): %.2f s wall, %.2f s CPU; ratio %.2f wall, %.2f CPU (target <= 1.3)\n",
        qint64(grupos.size()), execucao.parede, execucao.cpu, comandos, qint64(script.size()),
        cru.parede, cru.cpu, execucao.parede / cru.parede, execucao.cpu / cru.cpu);

    // The undo of the whole batch against its statements, from the same file.
    cn.Close();
    Copiar(a, b);
    Abrir(ado, cn, a);
    motor = dynamic_cast<dados::MotorEmbutido*>(&cn.motor());
    Tempo desfazer;
    {
        Captura captura(cn);
        clsLoteDesfazer desfazerLote(cn, ado);
        desfazer = Medir([&] {
            if (!desfazerLote.Desfazer(lote, 1, clsUnificacaoDesfazer::Decisao::Perguntar,
                                       [&](const auto&) { captura.Cortar(); })) {
                Falhou(desfazerLote.Mensagem());
            }
        });
        std::printf("undo of batch %d: %d of %d merges undone, %lld refused\n", lote,
                    desfazerLote.Situacao().desfeitas, desfazerLote.Situacao().total,
                    qint64(desfazerLote.Recusas().size()));
        script = captura.Traduzir(*motor);
        comandos = captura.Comandos();
    }
    const Tempo desfazerCru = Cru(b, script);
    std::printf(
        "batch undo: %.2f s wall, %.2f s CPU; raw script (%lld statements, %lld transactions): "
        "%.2f s wall, %.2f s CPU; ratio %.2f wall, %.2f CPU (target <= 1.5)\n",
        desfazer.parede, desfazer.cpu, comandos, qint64(script.size()), desfazerCru.parede,
        desfazerCru.cpu, desfazer.parede / desfazerCru.parede, desfazer.cpu / desfazerCru.cpu);
    std::printf("CPU per merge: %.2f ms merged, %.2f ms undone; ratio %.2f\n",
                1000 * execucao.cpu / grupos.size(), 1000 * desfazer.cpu / grupos.size(),
                desfazer.cpu / execucao.cpu);
    return 0;
}
