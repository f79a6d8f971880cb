// The demo register generator: the synthetic-patient stream alone, and whole registers written
// through the embedded engine (per patient, exams included).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QLocale>
#include <QTemporaryDir>

#include "GeradorPacientes.h"
#include "Registro.h"

namespace {

void GerarPacientes(benchmark::State& state) {
    registro::GeradorPacientes g(1, 10);
    for (auto _ : state) benchmark::DoNotOptimize(g.Proximo());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(GerarPacientes);

void CriarRegistro(benchmark::State& state) {
    for (auto _ : state) {
        QTemporaryDir pasta;
        registro::OpcoesRegistro o;
        o.pacientes = state.range(0);
        o.pasta = pasta.path();
        registro::ResumoRegistro resumo;
        QString erro;
        if (!registro::CriarRegistro(o, resumo, erro))
            state.SkipWithError(erro.toStdString().c_str());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(CriarRegistro)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
