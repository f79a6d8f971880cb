#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>

#include "data/base/Diagnostico.h"
#include "data/base/Relogio.h"
#include "support/ImprimirQt.h"
#include "support/TempRegister.h"

namespace {

// The one clock: a fixed time reaches the embedded getdate(), a getdate() column default, and
// the diagnostics log; freed, the clock is the system's again.
TEST(Relogio, FixedTimeReachesGetdateDefaultsAndTheLog) {
    TempRegister reg;
    ASSERT_TRUE(reg.exec(
        "CREATE TABLE [dbo].[Marca] ( [ID] [int] IDENTITY (1, 1) NOT NULL , [Nome] [nvarchar] "
        "(10) NULL , [Data] [smalldatetime] NULL ) ON [PRIMARY] ALTER TABLE [dbo].[Marca] ADD "
        "CONSTRAINT [DF_Marca_Data] DEFAULT (getdate()) FOR [Data] "));
    const QDateTime fixo(QDate(2031, 2, 3), QTime(4, 5, 6));
    {
        RelogioFixo relogio(fixo);
        EXPECT_EQ(Relogio::Agora(), fixo);
        EXPECT_EQ(reg.scalar("SELECT getdate()").toDateTime(), fixo);
        // Every row of one statement gets the same time, as SQL Server reads getdate() once.
        ASSERT_TRUE(reg.exec("INSERT INTO Marca (Nome) VALUES ('a')"));
        ASSERT_TRUE(reg.exec("INSERT INTO Marca (Nome, Data) SELECT Nome, getdate() FROM Marca"));
        EXPECT_EQ(reg.scalar("SELECT COUNT(DISTINCT Data) FROM Marca").toInt(), 1);
        EXPECT_EQ(reg.scalar("SELECT MAX(Data) FROM Marca").toDateTime().date(), fixo.date());

        const QString arquivo = dados::ArquivoDiagnostico();
        if (!arquivo.isEmpty()) {
            dados::SilenciarDiagnosticoNoTerminal(true);
            dados::RegistrarDiagnostico("marca do relógio fixo");
            dados::SilenciarDiagnosticoNoTerminal(false);
            QFile f(arquivo);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_TRUE(QString::fromUtf8(f.readAll())
                            .contains("2031-02-03 04:05:06 marca do relógio fixo\n"));
        }
    }
    const QDateTime antes = QDateTime::currentDateTime();
    const QDateTime agora = Relogio::Agora();
    EXPECT_GE(agora, antes);
    EXPECT_LE(agora, QDateTime::currentDateTime());
    EXPECT_NE(reg.scalar("SELECT getdate()").toDateTime().date(), fixo.date());
}

}  // namespace
