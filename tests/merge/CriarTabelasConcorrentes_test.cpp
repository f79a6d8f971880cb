// Two programs opening a new register at the same moment both create the tables the program
// owns; the one that loses the race meets tables the other has just made and must take them
// as made, not stop the start-up.

#include <gtest/gtest.h>

#include <QMutex>
#include <QStringList>
#include <latch>
#include <thread>

#include "data/base/Diagnostico.h"
#include "data/base/MostrarMensagem.h"
#include "decisions/clsDecisaoPessoas.h"
#include "merge/clsPacienteUnificar.h"
#include "merge/clsUnificacaoRegistro.h"
#include "support/TempRegister.h"

TEST(CriarTabelas, DoisProgramasAbrindoUmRegistroNovoAoMesmoTempo) {
    dados::SilenciarDiagnosticoNoTerminal(true);  // each round logs the CREATE that lost
    QMutex trava;
    QStringList mensagens;
    const MostrarMensagemFn anterior = MostrarMensagem_Definir([&](const QString& t) {
        const QMutexLocker l(&trava);
        mensagens << t;
    });
    // The start-up of the program: every table it owns, in its order.
    const auto programa = [](const QString& cadeia, std::latch& largada, bool& ok) {
        Connection cn;
        clsADO ado;
        const bool aberta = ado.AbrirConexão(cn, cadeia);
        largada.arrive_and_wait();
        ok = aberta && clsPacienteUnificar(cn, ado).CriarTabelas() &&
             clsUnificacaoRegistro(cn, ado).CriarTabelas() &&
             clsDecisaoPessoas(cn, ado).CriarTabela();
        ado.FecharConexão(cn);
    };
    for (int rodada = 0; rodada < 20; ++rodada) {
        TempRegister reg;
        std::latch largada(2);
        bool a = false, b = false;
        std::thread pa(programa, reg.connectionString(), std::ref(largada), std::ref(a));
        std::thread pb(programa, reg.connectionString(), std::ref(largada), std::ref(b));
        pa.join();
        pb.join();
        ASSERT_TRUE(a && b) << "round " << rodada << ": " << mensagens.join("\n").toStdString();
        EXPECT_EQ(reg.scalar("SELECT COUNT(*) FROM PacienteLogJustificativa").toInt(), 3);
    }
    MostrarMensagem_Definir(anterior);
    dados::SilenciarDiagnosticoNoTerminal(false);
    EXPECT_TRUE(mensagens.isEmpty()) << mensagens.join("\n").toStdString();
}
