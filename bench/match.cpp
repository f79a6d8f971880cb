// Duplicate finding on demo registers: wall time and peak memory of cadunir-find, the pairs it
// compared, and pair precision, recall and F1 against the generator's truth (Verdade.tsv), at
// the default threshold, at the review threshold and over a sweep of thresholds. The reference
// is a plain SQLite read of the same columns, in the same run, on the same file.
//
//   bench_match [patients ...]      (default 100000)
//   CADUNIR_BENCH_DIR=/tmp/x        keeps the registers there and reuses them on later runs

#include <spawn.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QLocale>
#include <QTemporaryDir>
#include <cstdio>
#include <map>
#include <vector>

#include "Registro.h"

extern char** environ;

namespace {

constexpr double kPadrao = 50;  // cadunir-find's default --min-score
constexpr double kRevisao = 5;  // the review threshold the README gives

struct Processo {
    int codigo = -1;
    double segundos = 0;
    double picoMb = 0;
};

Processo Rodar(const QStringList& argumentos) {
    std::vector<QByteArray> bytes;
    for (const QString& a : argumentos) bytes.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& b : bytes) argv.push_back(b.data());
    argv.push_back(nullptr);
    Processo p;
    QElapsedTimer relogio;
    relogio.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return p;
    int estado = 0;
    rusage uso{};
    wait4(pid, &estado, 0, &uso);
    p.segundos = relogio.elapsed() / 1000.0;
    p.codigo = WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
    p.picoMb = uso.ru_maxrss / 1024.0;
    return p;
}

double LeituraSqlite(const QString& arquivo) {
    sqlite3* db = nullptr;
    QElapsedTimer relogio;
    relogio.start();
    if (sqlite3_open_v2(arquivo.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK)
        return -1;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT ID_Paciente, Nome, Nome_Meio, Nome_Último, Nome_Soundex, "
                       "Nome_Meio_Soundex, Nome_Último_Soundex, RG, CIC, Data_Nascimento, Sexo, "
                       "Prontuário, CEP, Telefone FROM Paciente ORDER BY ID_Paciente",
                       -1, &st, nullptr);
    qint64 bytes = 0;
    while (sqlite3_step(st) == SQLITE_ROW)
        for (int c = 0; c < 14; ++c) bytes += sqlite3_column_bytes(st, c);
    sqlite3_finalize(st);
    sqlite3_close(db);
    return bytes > 0 ? relogio.elapsed() / 1000.0 : -1;
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

    for (qint64 n : tamanhos) {
        registro::OpcoesRegistro opcoes;
        opcoes.pacientes = n;
        opcoes.pasta = QDir(base).filePath(QStringLiteral("registro-%1").arg(n));
        const QString banco = registro::ArquivoRegistro(opcoes.pasta);
        const QString arquivoVerdade = QDir(opcoes.pasta).filePath("Verdade.tsv");
        if (!QFile::exists(banco) || !QFile::exists(arquivoVerdade)) {
            QElapsedTimer relogio;
            relogio.start();
            registro::ResumoRegistro resumo;
            QString erro;
            opcoes.substituir = true;
            if (!registro::CriarRegistro(opcoes, resumo, erro)) {
                std::fprintf(stderr, "register: %s\n", qPrintable(erro));
                return 1;
            }
            std::printf("register of %lld patients written in %.1f s\n", n,
                        relogio.elapsed() / 1000.0);
        }

        // The truth: person of every record, and every pair of records of one person.
        QHash<qint32, qint32> pessoa;
        QHash<qint32, int> tamanho;
        {
            QFile f(arquivoVerdade);
            f.open(QIODevice::ReadOnly);
            f.readLine();
            while (!f.atEnd()) {
                const QList<QByteArray> c = f.readLine().trimmed().split('\t');
                if (c.size() == 2) {
                    pessoa[c[0].toInt()] = c[1].toInt();
                    ++tamanho[c[1].toInt()];
                }
            }
        }
        qint64 verdadeiros = 0;
        for (int t : tamanho) verdadeiros += qint64(t) * (t - 1) / 2;

        const double referencia = LeituraSqlite(banco);
        const QString pares = QDir(opcoes.pasta).filePath("pares.tsv");
        const QString saida = QDir(opcoes.pasta).filePath("saida.txt");
        const Processo p =
            Rodar({"/bin/sh", "-c",
                   "\"" + ferramenta + "\" --connect \"" + registro::StringDeConexao(banco) +
                       "\" --min-score " + QString::number(kRevisao) + " --pairs \"" + pares +
                       "\" > \"" + saida + "\" 2>/dev/null"});
        if (p.codigo != 0) {
            std::fprintf(stderr, "cadunir-find failed (%d)\n", p.codigo);
            return 1;
        }
        QFile fs(saida);
        fs.open(QIODevice::ReadOnly);
        const QString resumoFind = QString::fromUtf8(fs.readAll()).trimmed();

        // Pairs by score, marked true or false.
        std::map<int, std::pair<qint64, qint64>> porPonto;  // score*10 -> (true, false)
        {
            QFile f(pares);
            f.open(QIODevice::ReadOnly);
            f.readLine();
            while (!f.atEnd()) {
                const QList<QByteArray> c = f.readLine().split('\t');
                if (c.size() < 3)
                    continue;
                const int s = int(c[2].toDouble() * 10 + 0.5);
                const bool certo = pessoa.value(c[0].toInt(), -1) == pessoa.value(c[1].toInt(), -2);
                auto& par = porPonto[s];
                (certo ? par.first : par.second) += 1;
            }
        }
        auto medir = [&](double limiar, double& precisao, double& revocacao) {
            qint64 v = 0, f = 0;
            for (const auto& [s, c] : porPonto)
                if (s >= int(limiar * 10 + 0.5)) {
                    v += c.first;
                    f += c.second;
                }
            precisao = v + f ? double(v) / double(v + f) : 1;
            revocacao = verdadeiros ? double(v) / double(verdadeiros) : 1;
            return precisao + revocacao > 0 ? 2 * precisao * revocacao / (precisao + revocacao) : 0;
        };
        std::printf("\n%lld patients, %lld true pairs (Verdade.tsv)\n", n, verdadeiros);
        std::printf("  cadunir-find: %s\n", qPrintable(resumoFind));
        std::printf(
            "  wall %.2f s, peak memory %.0f MB; plain SQLite read of the same columns "
            "%.2f s (ratio %.1f)\n",
            p.segundos, p.picoMb, referencia, referencia > 0 ? p.segundos / referencia : 0);
        for (double limiar : {kPadrao, kRevisao}) {
            double pr = 0, rv = 0;
            const double f1 = medir(limiar, pr, rv);
            std::printf("  at %s threshold %.0f: precision %.4f recall %.4f F1 %.4f\n",
                        limiar == kPadrao ? "default" : "review", limiar, pr, rv, f1);
        }
        std::printf("  sweep:");
        for (double limiar : {5, 10, 20, 30, 40, 50, 60, 70, 80, 90, 95, 99}) {
            double pr = 0, rv = 0;
            const double f1 = medir(limiar, pr, rv);
            std::printf(" %g:P%.3f/R%.3f/F%.3f", limiar, pr, rv, f1);
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    return 0;
}
