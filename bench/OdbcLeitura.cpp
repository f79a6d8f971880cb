// How fast the ODBC engine reads a large result into memory (the grouping query's rows) and
// runs single-row statements, through unixODBC and the SQLite ODBC driver.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include "data/odbc/MotorOdbc.h"

namespace {

QTemporaryDir& pasta() {
    static QTemporaryDir p;
    return p;
}

std::unique_ptr<dados::Motor> abrir() {
    static const bool registrado = [] {
        QFile ini(pasta().filePath("odbcinst.ini"));
        if (!ini.open(QIODevice::WriteOnly))
            return false;
        ini.write("[Bench SQLite3]\nDriver=libsqlite3odbc.so\n");
        ini.close();
        qputenv("ODBCSYSINI", QFile::encodeName(pasta().path()));
        return true;
    }();
    if (!registrado)
        return nullptr;
    auto e =
        dados::CriarMotorOdbc("Driver={Bench SQLite3};Database=" + pasta().filePath("bench.db"));
    e->abrir();
    return e;
}

void preencher(dados::Motor& e, int linhas) {
    e.executar("DROP TABLE IF EXISTS Paciente");
    e.executar(
        "CREATE TABLE Paciente (ID_Paciente integer PRIMARY KEY, Nome nvarchar(50), "
        "Nome_Meio nvarchar(50), Nome_Último nvarchar(50), RG nvarchar(20), "
        "Data_Nascimento datetime)");
    e.iniciar();
    for (int i = 0; i < linhas; ++i)
        e.executar(QStringLiteral("INSERT INTO Paciente VALUES (%1, 'José', 'da Conceição', "
                                  "'Araújo %2', '%3', '1970-01-%4 00:00:00')")
                       .arg(i)
                       .arg(i % 977)
                       .arg(1000000 + i)
                       .arg(1 + i % 28, 2, 10, QChar('0')));
    e.confirmar();
}

void BM_LerTodasAsLinhas(benchmark::State& state) {
    auto e = abrir();
    preencher(*e, int(state.range(0)));
    for (auto _ : state) {
        const auto r = e->consultar("SELECT * FROM Paciente");
        benchmark::DoNotOptimize(r.linhas.size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LerTodasAsLinhas)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_InsercaoUmaLinha(benchmark::State& state) {
    auto e = abrir();
    preencher(*e, 0);
    int i = 0;
    e->iniciar();
    for (auto _ : state)
        benchmark::DoNotOptimize(e->executar(
            QStringLiteral("INSERT INTO Paciente (ID_Paciente, Nome) VALUES (%1, 'Zé')").arg(++i)));
    e->confirmar();
}
BENCHMARK(BM_InsercaoUmaLinha)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
