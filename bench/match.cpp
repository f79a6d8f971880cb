// Duplicate finding on registers of two generators that know nothing of each other: the demo
// generator (tools/cadunir-register) and the corrupted registers (tools/cadunir-corrupt, errors
// at the rates studies of real registers report), each also with names and birth dates only. For
// each: pair precision, recall and F1 against the generator's truth (Verdade.tsv) at the default
// and at the review threshold, the pairs compared, the blocking's reach (the share of true pairs it
// puts forward at all), wall time and peak memory of cadunir-find when it learns its parameters and
// when it reuses them (the fastest of three runs, and their median), and where the time went. The
// reference is the fastest of three plain SQLite reads of the same columns, each just before a
// search, on the same file.
//
//   bench_match [patients ...]      (default 100000)
//   CADUNIR_BENCH_DIR=/tmp/x        keeps the registers there and reuses them on later runs
//   CADUNIR_BENCH_REGISTERS=corrupt,names,demo,demo-names   which registers (default all four)

#include <spawn.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

#include "CadastroCorrompido.h"
#include "Registro.h"
#include "data/ado/clsADO.h"
#include "match/LocalizadorSemelhantes.h"

extern char** environ;

namespace {

constexpr double kPadrao = 50;  // cadunir-find's default --min-score
constexpr double kRevisao = 3;  // the review threshold the README gives
constexpr int kRodadas = 3;     // timed rounds of a plain read and a search on each register

struct Processo {
    int codigo = -1;
    double segundos = 0;
    double cpu = 0;  // user and system time, which a busy machine disturbs less than wall time
    double picoMb = 0;
};

Processo Rodar(const QString& comando) {
    QByteArray c = comando.toLocal8Bit();
    char sh[] = "/bin/sh", opcao[] = "-c";
    char* argv[] = {sh, opcao, c.data(), nullptr};
    Processo p;
    QElapsedTimer relogio;
    relogio.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) != 0)
        return p;
    int estado = 0;
    rusage uso{};
    wait4(pid, &estado, 0, &uso);
    p.segundos = relogio.elapsed() / 1000.0;
    p.codigo = WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
    p.picoMb = uso.ru_maxrss / 1024.0;
    p.cpu = double(uso.ru_utime.tv_sec + uso.ru_stime.tv_sec) +
            double(uso.ru_utime.tv_usec + uso.ru_stime.tv_usec) / 1e6;
    return p;
}

// Wall seconds of the read; `cpu` gets its processor seconds.
double LeituraSqlite(const QString& arquivo, double& cpu) {
    sqlite3* db = nullptr;
    QElapsedTimer relogio;
    relogio.start();
    rusage antes{};
    getrusage(RUSAGE_SELF, &antes);
    if (sqlite3_open_v2(arquivo.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK)
        return -1;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT ID_Paciente, Nome, Nome_Meio, Nome_Último, RG, CIC, "
                       "Data_Nascimento, Sexo, Prontuário, CEP, Telefone, Endereço, Bairro, "
                       "Cidade FROM Paciente ORDER BY ID_Paciente",
                       -1, &st, nullptr);
    qint64 bytes = 0;
    while (sqlite3_step(st) == SQLITE_ROW)
        for (int c = 0; c < 14; ++c) bytes += sqlite3_column_bytes(st, c);
    sqlite3_finalize(st);
    sqlite3_close(db);
    rusage depois{};
    getrusage(RUSAGE_SELF, &depois);
    const auto segundos = [](const timeval& t) {
        return double(t.tv_sec) + double(t.tv_usec) / 1e6;
    };
    cpu = segundos(depois.ru_utime) + segundos(depois.ru_stime) - segundos(antes.ru_utime) -
          segundos(antes.ru_stime);
    return bytes > 0 ? relogio.elapsed() / 1000.0 : -1;
}

QString Ler(const QString& arquivo) {
    QFile f(arquivo);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

struct Verdade {
    QHash<qint32, qint32> pessoa;
    qint64 pares = 0;
    bool ler(const QString& arquivo) {
        QFile f(arquivo);
        if (!f.open(QIODevice::ReadOnly))
            return false;
        f.readLine();
        QHash<qint32, int> tamanho;
        while (!f.atEnd()) {
            const QList<QByteArray> c = f.readLine().trimmed().split('\t');
            if (c.size() == 2) {
                pessoa[c[0].toInt()] = c[1].toInt();
                ++tamanho[c[1].toInt()];
            }
        }
        for (int t : tamanho) pares += qint64(t) * (t - 1) / 2;
        return true;
    }
    bool mesma(qint32 a, qint32 b) const { return pessoa.value(a, -1) == pessoa.value(b, -2); }
};

// The share of true pairs the blocking puts forward, measured in this process on the same
// register (the tool's own run is measured apart).
double Alcance(const QString& banco, const Verdade& v) {
    clsADO ado;
    Connection cn;
    if (!ado.AbrirConexão(cn, registro::StringDeConexao(banco)))
        return -1;
    semelhanca::LocalizadorSemelhantes busca;
    if (!busca.Ler(cn, ado))
        return -1;
    qint64 alcancados = 0;
    for (quint64 par : busca.ParesCandidatos())
        alcancados += v.mesma(busca.Reg(quint32(par >> 32)).id, busca.Reg(quint32(par)).id);
    return v.pares ? double(alcancados) / double(v.pares) : 1;
}

// The same in a child process. Blocking a large register raises the high-water mark of the
// memory of the process that does it, and a program this process starts afterwards inherits that
// mark as its own peak (the kernel carries it across the exec of a spawned child): measured here,
// every later register would report this process's peak instead of cadunir-find's.
double AlcanceEmFilho(const QString& banco, const Verdade& v) {
    int canal[2];
    if (pipe(canal) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(canal[0]);
        const double a = Alcance(banco, v);
        const bool escrito = write(canal[1], &a, sizeof a) == sizeof a;
        _exit(escrito ? 0 : 1);
    }
    close(canal[1]);
    double a = -1;
    if (pid > 0) {
        if (read(canal[0], &a, sizeof a) != sizeof a)
            a = -1;
        waitpid(pid, nullptr, 0);
    }
    close(canal[0]);
    return a;
}

struct Medida {
    double precisao = 1, revocacao = 1, f1 = 1;
};

Medida Medir(const QString& pares, const Verdade& v, double limiar) {
    qint64 certos = 0, errados = 0;
    QFile f(pares);
    if (f.open(QIODevice::ReadOnly)) {
        f.readLine();
        while (!f.atEnd()) {
            const QList<QByteArray> c = f.readLine().split('\t');
            if (c.size() < 3 || c[2].toDouble() < limiar)
                continue;
            (v.mesma(c[0].toInt(), c[1].toInt()) ? certos : errados) += 1;
        }
    }
    Medida m;
    m.precisao = certos + errados ? double(certos) / double(certos + errados) : 1;
    m.revocacao = v.pares ? double(certos) / double(v.pares) : 1;
    m.f1 = m.precisao + m.revocacao > 0 ? 2 * m.precisao * m.revocacao / (m.precisao + m.revocacao)
                                        : 0;
    return m;
}

bool Gerar(const QString& tipo, qint64 n, const QString& pasta) {
    QString erro;
    if (tipo == "demo" || tipo == "demo-names") {
        registro::OpcoesRegistro o;
        o.pacientes = n;
        o.pasta = pasta;
        o.substituir = true;
        registro::ResumoRegistro resumo;
        if (registro::CriarRegistro(o, resumo, erro)) {
            if (tipo == "demo")
                return true;
            // The names and the birth date kept, as cadunir-corrupt's --names-only keeps them.
            clsADO ado;
            Connection cn;
            if (ado.AbrirConexão(cn,
                                 registro::StringDeConexao(QDir(pasta).filePath("Registro.db"))) &&
                ado.ExecutarSQL(
                    cn,
                    QStringLiteral("UPDATE Paciente SET RG = NULL, CIC = NULL, Sexo = NULL, "
                                   "Prontuário = NULL, CEP = NULL, Telefone = NULL, "
                                   "Endereço = NULL, Bairro = NULL, Cidade = NULL, Estado = NULL")))
                return true;
            erro = ado.ErrorString();
        }
    } else {
        corrupcao::Opcoes o;
        o.registros = n;
        o.pasta = pasta;
        o.substituir = true;
        o.soNomes = tipo == "names";
        corrupcao::Resumo resumo;
        if (corrupcao::CriarCadastro(o, resumo, erro))
            return true;
    }
    std::fprintf(stderr, "%s register: %s\n", qPrintable(tipo), qPrintable(erro));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    QCoreApplication app(argc, argv);
    QList<qint64> tamanhos;
    for (int i = 1; i < argc; ++i) tamanhos << QString(argv[i]).toLongLong();
    if (tamanhos.isEmpty())
        tamanhos << 100000;
    const QString ferramenta = QDir(app.applicationDirPath()).absoluteFilePath("../cadunir-find");
    QTemporaryDir temporaria;
    const QString base = qEnvironmentVariableIsSet("CADUNIR_BENCH_DIR")
                             ? qEnvironmentVariable("CADUNIR_BENCH_DIR")
                             : temporaria.path();
    const QStringList registros =
        qEnvironmentVariable("CADUNIR_BENCH_REGISTERS",
                             QStringLiteral("corrupt,names,demo,demo-names"))
            .split(',', Qt::SkipEmptyParts);
    QMap<QString, double> porRegistro100k;  // seconds per million records, for the ratio

    for (qint64 n : tamanhos) {
        for (const QString& tipo : registros) {
            const QString pasta =
                QDir(base).filePath(QStringLiteral("%1-%2")
                                        .arg(tipo == "demo"         ? "registro"
                                             : tipo == "demo-names" ? "registro-nomes"
                                             : tipo == "names"      ? "corrupt-nomes"
                                                                    : "corrupt")
                                        .arg(n));
            const QString banco = QDir(pasta).filePath("Registro.db");
            const QString arquivoVerdade = QDir(pasta).filePath("Verdade.tsv");
            if (!QFile::exists(banco) || !QFile::exists(arquivoVerdade)) {
                QElapsedTimer relogio;
                relogio.start();
                if (!Gerar(tipo, n, pasta))
                    return 1;
                std::printf("%s register of %lld patients written in %.1f s\n", qPrintable(tipo), n,
                            relogio.elapsed() / 1000.0);
            }
            Verdade verdade;
            verdade.ler(arquivoVerdade);

            const QString pares = QDir(pasta).filePath("pares.tsv");
            const QString saida = QDir(pasta).filePath("saida.txt");
            const QString erros = QDir(pasta).filePath("erros.txt");
            const QString comando = "\"" + ferramenta + "\" --connect \"" +
                                    registro::StringDeConexao(banco) + "\" --min-score " +
                                    QString::number(kRevisao) + " --pairs \"" + pares + "\" > \"" +
                                    saida + "\" 2> \"" + erros + "\"";
            const Processo aprendendo = Rodar(comando + " --learn");
            const QString temposAprendendo = Ler(erros).section("tempos: ", 1).trimmed();
            // Three rounds of a plain read then a search, each side's fastest kept: the first
            // read may find the file cold, and one disturbed run on a shared machine would skew
            // every ratio of the register. The same number of tries on both sides.
            double referenciaCpu = 0;
            double referencia = 0;
            Processo p;
            QString tempos;
            std::vector<double> buscas;
            for (int vez = 0; vez < kRodadas; ++vez) {
                double cpu = 0;
                const double s = LeituraSqlite(banco, cpu);
                if (vez == 0 || s < referencia) {
                    referencia = s;
                    referenciaCpu = cpu;
                }
                const Processo q = Rodar(comando);
                if (q.codigo != 0) {
                    p = q;
                    break;
                }
                buscas.push_back(q.segundos);
                if (vez == 0 || q.segundos < p.segundos) {
                    p = q;
                    tempos = Ler(erros).section("tempos: ", 1).trimmed();
                }
            }
            if (p.codigo != 0 || aprendendo.codigo != 0) {
                std::fprintf(stderr, "cadunir-find failed (%d)\n%s", p.codigo,
                             qPrintable(Ler(erros)));
                return 1;
            }
            std::sort(buscas.begin(), buscas.end());
            const double mediana = buscas[buscas.size() / 2];
            const QString resumoFind = Ler(saida).trimmed();
            const double leitura =
                QRegularExpression("leitura ([0-9.]+) s").match(tempos).captured(1).toDouble();
            const double alcance = AlcanceEmFilho(banco, verdade);
            const Medida padrao = Medir(pares, verdade, kPadrao);
            const Medida revisao = Medir(pares, verdade, kRevisao);
            const double porMilhao = p.segundos / double(n) * 1e6;
            if (!porRegistro100k.contains(tipo))
                porRegistro100k[tipo] = porMilhao;

            std::printf("\n%s register, %lld patients, %lld true pairs\n", qPrintable(tipo), n,
                        verdade.pares);
            std::printf("  cadunir-find: %s\n", qPrintable(resumoFind));
            std::printf("  at default threshold %.0f: precision %.4f recall %.4f F1 %.4f\n",
                        kPadrao, padrao.precisao, padrao.revocacao, padrao.f1);
            std::printf("  at review threshold %.0f: precision %.4f recall %.4f F1 %.4f\n",
                        kRevisao, revisao.precisao, revisao.revocacao, revisao.f1);
            std::printf("  blocking reach %.4f\n", alcance);
            std::printf(
                "  reusing its parameters (fastest of %d): wall %.2f s (median %.2f s), cpu "
                "%.2f s (%.2f s per million records, %.2fx the first size), peak %.0f MB; %s\n",
                kRodadas, p.segundos, mediana, p.cpu, porMilhao, porMilhao / porRegistro100k[tipo],
                p.picoMb, qPrintable(tempos));
            std::printf("  learning them: wall %.2f s, cpu %.2f s, peak %.0f MB; %s\n",
                        aprendendo.segundos, aprendendo.cpu, aprendendo.picoMb,
                        qPrintable(temposAprendendo));
            std::printf(
                "  plain SQLite read of the same columns (fastest of %d): wall %.2f s, cpu %.2f s; "
                "cadunir-find wall %.1fx, cpu %.1fx, read phase %.1fx\n",
                kRodadas, referencia, referenciaCpu, referencia > 0 ? p.segundos / referencia : 0,
                referenciaCpu > 0 ? p.cpu / referenciaCpu : 0,
                referencia > 0 ? leitura / referencia : 0);
            std::fflush(stdout);
        }
    }
    return 0;
}
