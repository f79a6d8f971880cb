// The main window on a large demo register: log-in to a usable window, start-up to a filled
// grid (the grouping runs in the background), one grouping (against
// the same grouping query stepped directly in SQLite), one grid row change (similar list
// filled, first patient shown), and the similarity search through the window against
// cadunir-find on the same register (CPU time: the window's wait must sleep, not take a core).
// Prints the figures; never fails a build.
//
//   bench_frmPrincipal [patients]      default 1000000; CADUNIR_BENCH_DIR keeps the registers
//
// The register is written once per size and kept (writing a million patients takes minutes).

#include <sqlite3.h>
#include <sys/resource.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "Registro.h"
#include "data/sqlite/FuncoesTSql.h"
#include "main/frmPrincipal.h"
#include "settings/Configuracao.h"
#include "ui/DE.h"
#include "ui/MostrarModal.h"
#include "ui/MsgBox.h"
#include "users/frmLogin.h"

namespace {

double ms(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e6;
}

// CPU time (user and system, every thread) of this process or of its finished children.
double cpuMs(int quem) {
    rusage uso{};
    getrusage(quem, &uso);
    return double(uso.ru_utime.tv_sec + uso.ru_stime.tv_sec) * 1e3 +
           double(uso.ru_utime.tv_usec + uso.ru_stime.tv_usec) / 1e3;
}

double mediana(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The grouping query as SQLite runs it on this register (the text columns carry the register's
// own collation, so GROUP BY and ORDER BY compare as the program's do), every row stepped and
// every column read.
double agruparDireto(const QString& arquivo, qint64& linhas) {
    sqlite3* db = nullptr;
    dados::EstadoSessao estado;
    sqlite3_open_v2(arquivo.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    dados::RegistrarFuncoesTSql(db, &estado);
    const char* sql =
        "SELECT Nome, Nome_Meio, Nome_Último FROM Paciente GROUP BY Nome, Nome_Meio, Nome_Último "
        "HAVING MAX(ID_Paciente) <> MIN(ID_Paciente) ORDER BY Nome, Nome_Meio, Nome_Último";
    QElapsedTimer t;
    t.start();
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "direct query: %s\n", sqlite3_errmsg(db));
        sqlite3_close(db);
        return -1;
    }
    linhas = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int c = 0; c < 3; ++c) {
            sqlite3_column_text(stmt, c);
        }
        ++linhas;
    }
    sqlite3_finalize(stmt);
    const double tempo = ms(t);
    sqlite3_close(db);
    return tempo;
}

}  // namespace

int main(int argc, char** argv) {
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const qint64 pacientes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toLongLong() : 1000000;
    QString base = qEnvironmentVariable("CADUNIR_BENCH_DIR");
    if (base.isEmpty()) {
        base = QDir::current().absoluteFilePath(QStringLiteral("bench-data"));
    }
    const QString pasta =
        QDir(base).absoluteFilePath(QStringLiteral("frmPrincipal-%1").arg(pacientes));

    registro::OpcoesRegistro opcoes;
    opcoes.pacientes = pacientes;
    opcoes.pasta = pasta;
    if (!QFile::exists(QDir(pasta).absoluteFilePath(QStringLiteral("Tessivar.INI")))) {
        std::printf("writing a %lld-patient demo register in %s ...\n", pacientes,
                    qUtf8Printable(pasta));
        std::fflush(stdout);
        QElapsedTimer t;
        t.start();
        registro::ResumoRegistro resumo;
        QString erro;
        if (!registro::CriarRegistro(opcoes, resumo, erro)) {
            std::fprintf(stderr, "cannot write the register: %s\n", qUtf8Printable(erro));
            return 1;
        }
        std::printf("register written in %.1f s (%lld patients, %d planted groups)\n", ms(t) / 1000,
                    resumo.pacientes, resumo.grupos);
    }
    qputenv("WINDIR", (pasta + QLatin1Char('/')).toUtf8());

    // The first-run ticks (the three names), and a scripted log-in through the real dialog.
    for (const char* chave :
         {"Nome", "NomeMeio", "NomeUltimo", "RG", "CIC", "Nascimento", "Prontuario"}) {
        SaveSetting(QStringLiteral("Cadunir"), QStringLiteral("Criterios"),
                    QString::fromLatin1(chave), QString());
    }
    DefinirTratadorMsgBox([](const QString& texto, const QString&) {
        std::fprintf(stderr, "message: %s\n", qUtf8Printable(texto));
    });
    const registro::LoginDemo& admin = registro::LoginAdministrador();
    // The log-in is timed from the moment OK is pressed: what the administrator waits for.
    QElapsedTimer desdeLogin;
    DefinirTratadorModal([&admin, &desdeLogin](QDialog& d) {
        auto* login = qobject_cast<frmLogin*>(&d);
        if (!login) {
            return;
        }
        login->txtUsuário->setText(QString::fromUtf8(admin.usuario));
        login->txtPassword->setText(QString::fromUtf8(admin.senha));
        desdeLogin.start();
        login->cmdOK_Click();
    });

    frmPrincipal janela;
    QElapsedTimer t;
    t.start();
    if (!janela.Form_Load()) {
        std::fprintf(stderr, "start-up failed\n");
        return 1;
    }
    janela.show();
    QCoreApplication::processEvents();
    const double janelaPronta = ms(desdeLogin);
    janela.AguardarAgrupamento(600000);
    const double inicio = ms(t);
    const int grupos = janela.dbGridCriterio->model()->rowCount();
    std::printf("patients: %lld, groups: %d\n", pacientes, grupos);
    std::printf("login (OK pressed) to a usable window: %.1f ms (target <= 1000)\n", janelaPronta);
    std::printf("start-up to a filled grid (grouping in the background): %.1f ms\n", inicio);

    std::vector<double> agrupar;
    std::vector<double> consulta;
    std::vector<double> direto;
    qint64 linhasDiretas = 0;
    for (int i = 0; i < 5; ++i) {
        t.restart();
        janela.cmdBuscar_Click();
        janela.AguardarAgrupamento(600000);
        agrupar.push_back(ms(t));
        {
            Recordset rs;
            t.restart();
            ADO().AbrirRecordset(DE().Conexao, rs, DE().rsLocalizar.Source());
            consulta.push_back(ms(t));
        }
        direto.push_back(agruparDireto(QDir(pasta).absoluteFilePath(QStringLiteral("Registro.db")),
                                       linhasDiretas));
    }
    const double a = mediana(agrupar);
    const double d = mediana(direto);
    std::printf("the grouping query alone through clsADO (median of 5): %.1f ms\n",
                mediana(consulta));
    std::printf(
        "grouping (median of 5): %.1f ms; stepped directly in SQLite: %.1f ms (%lld rows); "
        "ratio %.2f (target <= 1.3)\n",
        a, d, linhasDiretas, a / d);

    std::vector<double> troca;
    const int passos = std::min(grupos, 200);
    for (int i = 1; i < passos; ++i) {
        const int linha = int((qint64(i) * 7919) % grupos);  // spread over the whole result
        t.restart();
        janela.dbGridCriterio->setCurrentIndex(janela.dbGridCriterio->model()->index(linha, 0));
        troca.push_back(ms(t));
    }
    if (!troca.empty()) {
        std::printf(
            "grid row change, list filled and first patient shown (median of %zu): %.2f ms, "
            "worst %.2f ms (target <= 5)\n",
            troca.size(), mediana(troca), *std::max_element(troca.begin(), troca.end()));
    }
    std::printf("similar list of the last row: %d patients\n", janela.lstSemelhante->count());

    // The similarity search, window then tool, back to back three times; the ratio of each pair.
    const QString registro = QDir(pasta).absoluteFilePath(QStringLiteral("Registro.db"));
    const QString ferramenta = QCoreApplication::applicationDirPath() + "/../cadunir-find";
    QTemporaryDir saida;
    int despertares = 0;
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake,
                     [&despertares] { ++despertares; });
    std::vector<double> razoes;
    janela.chkSemelhanca->setChecked(true);
    for (int i = 0; i < 3; ++i) {
        despertares = 0;
        double cpu = cpuMs(RUSAGE_SELF);
        t.restart();
        janela.cmdBuscar_Click();
        janela.AguardarAgrupamento(3600000);
        const double janelaCpu = cpuMs(RUSAGE_SELF) - cpu;
        const double janelaMs = ms(t);
        const int grupos = janela.dbGridCriterio->model()->rowCount();

        QProcess busca;
        cpu = cpuMs(RUSAGE_CHILDREN);
        t.restart();
        busca.start(ferramenta, {"--connect", "Provider=SQLite;Data Source=" + registro, "--groups",
                                 saida.filePath(QStringLiteral("grupos.tsv"))});
        if (!busca.waitForFinished(-1) || busca.exitCode() != 0) {
            std::fprintf(stderr, "cadunir-find failed: %s\n", busca.readAllStandardError().data());
            return 1;
        }
        const double ferramentaCpu = cpuMs(RUSAGE_CHILDREN) - cpu;
        razoes.push_back(janelaCpu / ferramentaCpu);
        std::printf(
            "similarity search: window %.0f ms CPU (%.0f ms wall, %d groups, %d wake-ups of the "
            "window's thread), cadunir-find %.0f ms CPU (%.0f ms wall); ratio %.2f\n",
            janelaCpu, janelaMs, grupos, despertares, ferramentaCpu, ms(t), razoes.back());
    }
    std::printf(
        "similarity search CPU, window / cadunir-find (median of 3): %.2f (target <= 1.1)\n",
        mediana(razoes));
    return 0;
}
