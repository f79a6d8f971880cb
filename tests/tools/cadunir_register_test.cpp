#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include "Dados.h"
#include "Esquema.h"
#include "GeradorPacientes.h"
#include "Registro.h"
#include "data/ado/Recordset.h"
#include "main/clsPacienteCriterio.h"
#include "patient/clsPaciente.h"
#include "support/RegistroProduto.h"
#include "support/SqlRecorder.h"
#include "users/clsUsuario.h"

using namespace registro;

TEST(GeradorPacientes, SameSeedSameRegisterAndRealisticFields) {
    GeradorPacientes a(42, 30);
    GeradorPacientes b(42, 30);
    GeradorPacientes c(43, 30);
    int diferentes = 0;
    QSet<QString> prontuarios;
    QSet<QString> externos;
    for (int i = 0; i < 3000; ++i) {
        const PacienteGerado p = a.Proximo();
        const PacienteGerado q = b.Proximo();
        ASSERT_EQ(p.nome, q.nome);
        ASSERT_EQ(p.cic, q.cic);
        ASSERT_EQ(p.exames.size(), q.exames.size());
        if (c.Proximo().nome != p.nome)
            ++diferentes;
        // Every value fits its column.
        EXPECT_LE(p.nome.size(), 30);
        EXPECT_LE(p.nomeMeio.size(), 50);
        EXPECT_LE(p.nomeUltimo.size(), 20);
        EXPECT_LE(p.cep.size(), 10);
        EXPECT_LE(p.peso.size(), 6);
        EXPECT_LE(p.altura.size(), 4);
        EXPECT_LE(p.numeroConvenio.size(), 20);
        EXPECT_LE(p.exames.size(), 5);
        EXPECT_TRUE(p.sexo == "M" || p.sexo == "F");
        EXPECT_FALSE(p.prontuario.isEmpty() && p.variante != Variante::Identico);
        if (!p.prontuario.isEmpty() && p.variante == Variante::Nenhuma) {
            EXPECT_FALSE(prontuarios.contains(p.prontuario)) << p.prontuario.toStdString();
        }
        prontuarios << p.prontuario;
        if (!p.externo.isNull()) {
            EXPECT_FALSE(externos.contains(p.externo));
            externos << p.externo;
        }
    }
    EXPECT_GT(diferentes, 2000);
    EXPECT_GT(a.Grupos(), 200);  // about 30% of 3000 records in groups of 2.25
    EXPECT_LT(a.Grupos(), 600);
}

TEST(GeradorPacientes, DocumentsAndSpellingVariants) {
    // CPF check digits: 111.444.777-35 is the classic valid example.
    EXPECT_EQ(DigitosCPF(111444777), "11144477735");
    EXPECT_EQ(DigitosCPF(0), "00000000000");
    EXPECT_EQ(SemAcentos(QString::fromUtf8("JOSÉ CONCEIÇÃO")), "JOSE CONCEICAO");
    EXPECT_EQ(CaixaMista(QString::fromUtf8("MARIA DE SOUZA D'ÁVILA")),
              QString::fromUtf8("Maria de Souza D'Ávila"));
    EXPECT_EQ(OutraGrafia(QString::fromUtf8("JOSÉ")), "JOSE");
    EXPECT_EQ(OutraGrafia("THIAGO"), "TIAGO");
    EXPECT_EQ(OutraGrafia("SOUZA"), "SOUSA");
    EXPECT_EQ(OutraGrafia("LUIS"), "LUIZ");
    EXPECT_NE(OutraGrafia("ANA"), "ANA");
}

TEST(GeradorPacientes, RepeatedRecordsShowTheirVariant) {
    GeradorPacientes g(7, 60);
    QMap<int, QVector<PacienteGerado>> grupos;
    for (int i = 0; i < 2000; ++i) {
        const PacienteGerado p = g.Proximo();
        if (p.grupo > 0)
            grupos[p.grupo] << p;
    }
    QSet<Variante> vistas;
    for (const auto& membros : grupos) {
        const PacienteGerado& primeiro = membros.first();
        ASSERT_EQ(primeiro.variante, Variante::Nenhuma);
        for (const PacienteGerado& r : membros.mid(1)) {
            vistas << r.variante;
            switch (r.variante) {
                case Variante::Identico:
                    EXPECT_EQ(r.nome, primeiro.nome);
                    EXPECT_EQ(r.nomeUltimo, primeiro.nomeUltimo);
                    break;
                case Variante::MeioNuloVazio:
                    EXPECT_TRUE(r.nomeMeio.isEmpty() && !r.nomeMeio.isNull());
                    break;
                case Variante::Caixa:
                    EXPECT_EQ(r.nome.toUpper(), primeiro.nome);
                    EXPECT_NE(r.nome, primeiro.nome);
                    break;
                case Variante::Grafia:
                    EXPECT_TRUE((!r.rg.isEmpty() && r.rg == primeiro.rg) ||
                                (!r.cic.isEmpty() && r.cic == primeiro.cic));
                    EXPECT_TRUE(r.nome != primeiro.nome || r.nomeUltimo != primeiro.nomeUltimo);
                    break;
                case Variante::Documentos: {
                    auto digitos = [](QString d) {
                        return d.remove(QRegularExpression("[^0-9X]"));
                    };
                    EXPECT_EQ(digitos(r.rg), digitos(primeiro.rg));
                    EXPECT_TRUE(r.rg.isEmpty() || r.rg != primeiro.rg || r.cic != primeiro.cic);
                    break;
                }
                case Variante::DataTrocada:
                    if (primeiro.nascimento.isValid()) {
                        EXPECT_NE(r.nascimento, primeiro.nascimento);
                    }
                    break;
                case Variante::Digitacao:
                case Variante::Fonetica:
                case Variante::MeioAbreviado:
                case Variante::SemAcento:
                    EXPECT_TRUE(r.nome != primeiro.nome || r.nomeMeio != primeiro.nomeMeio ||
                                r.nomeMeio.isNull() != primeiro.nomeMeio.isNull() ||
                                r.nomeUltimo != primeiro.nomeUltimo);
                    break;
                case Variante::Nenhuma:
                    ADD_FAILURE() << "a repeat without its variant";
            }
            EXPECT_EQ(r.pessoa, primeiro.pessoa);
        }
    }
    EXPECT_EQ(vistas.size(), kVariantes);
}

TEST(GeradorPacientes, ReceptionDeskSlipsAndHomonyms) {
    Sorteio s(5);
    for (int i = 0; i < 200; ++i) {
        const QString nome = s.um(Sobrenomes());
        const QString erro = ErroDeDigitacao(nome, s);
        EXPECT_NE(erro, nome);
        EXPECT_LE(std::abs(erro.size() - nome.size()), 1);
        const QString doc = OutraPontuacao("12.345.678-9", s);
        EXPECT_NE(doc, "12.345.678-9");
        EXPECT_EQ(QString(doc).remove(QRegularExpression("[^0-9]")), "123456789");
    }
    Sorteio t(9);
    EXPECT_EQ(GrafiaFonetica("SOUSA", t), "SOUZA");
    EXPECT_EQ(GrafiaFonetica("PHILIPE", t), "FILIPE");
    EXPECT_EQ(GrafiaFonetica("BBB", t), "BBB");
    QSet<QString> abreviados;
    for (int i = 0; i < 60; ++i) abreviados << MeioAbreviado(QString::fromUtf8("DE FÁTIMA"), t);
    EXPECT_TRUE(abreviados.contains(QString()));
    EXPECT_TRUE(abreviados.contains("F") || abreviados.contains("F."));
    EXPECT_TRUE(abreviados.contains(QString::fromUtf8("FÁTIMA")));

    // Strangers who share a full name: different people, different dates.
    GeradorPacientes g(3, 0, 20);
    QHash<QString, PacienteGerado> porNome;
    int homonimos = 0;
    for (int i = 0; i < 2000; ++i) {
        const PacienteGerado p = g.Proximo();
        const QString nome = p.nome + '|' + p.nomeMeio + '|' + p.nomeUltimo;
        if (porNome.contains(nome) && porNome[nome].pessoa != p.pessoa)
            ++homonimos;
        porNome[nome] = p;
    }
    EXPECT_GT(homonimos, 250);
}

TEST(Esquema, CreatesEveryProductTable) {
    const QStringList lotes = EsquemaLotes();
    EXPECT_FALSE(lotes.join('\n').contains("\nGO\n"));
    EXPECT_FALSE(lotes.join('\n').contains("--"));
    RegistroProduto reg;
    for (const char* t :
         {"Paciente", "Exame", "Exame_BK", "Usuário", "Perfil", "Usuario_Perfil",
          "Padrão_Permissão", "Padrao_Exame_Tipo", "Padrão_Exame_Único", "Padrao_varios",
          "Padrao_Audio", "Padrão_Bethesda", "Padrao_Bethesda2006", "Padrão_Internet",
          "Padrão_Impressão", "Exame_Tipo", "Etapa_Tipo", "Descritivo_Impressão_Tipo"})
        EXPECT_TRUE(reg.ado.TableExiste(reg.cn, QString::fromUtf8(t))) << t;
    EXPECT_TRUE(reg.ado.IndexExiste(reg.cn, "IX_Exame_ID_Paciente"));
    EXPECT_TRUE(reg.ado.IndexExiste(reg.cn, QString::fromUtf8("IX_Paciente_Nome_Último")));
    // A second run meets the tables it made and says so.
    QString erro;
    EXPECT_FALSE(CriarEsquema(reg.cn, reg.ado, erro));
    EXPECT_TRUE(erro.contains("CREATE TABLE [dbo].[Exame_Tipo]")) << erro.toStdString();
}

TEST(CadunirRegister, WritesRegisterAndIniAndRefusesToOverwrite) {
    QTemporaryDir dir;
    OpcoesRegistro o;
    o.pacientes = 600;
    o.duplicadosPorCento = 30;
    o.pasta = dir.filePath("demo");
    ResumoRegistro resumo;
    QString erro;
    qint64 ultimo = 0;
    ASSERT_TRUE(CriarRegistro(o, resumo, erro, [&](qint64 feitos, qint64 total) {
        EXPECT_EQ(total, 600);
        EXPECT_GT(feitos, ultimo);
        ultimo = feitos;
    })) << erro.toStdString();
    EXPECT_EQ(ultimo, 600);
    EXPECT_EQ(resumo.pacientes, 600);
    EXPECT_GT(resumo.grupos, 20);

    QFile ini(QDir(o.pasta).filePath("Tessivar.INI"));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QString arquivo = QDir(o.pasta).absoluteFilePath("Registro.db");
    EXPECT_EQ(QString::fromUtf8(ini.readAll()),
              "[Tessivar]\nCONN_SERVER=Provider=SQLite;Data Source=" + arquivo + "\n");

    Connection cn;
    clsADO ado;
    ASSERT_TRUE(ado.AbrirConexão(cn, StringDeConexao(arquivo)));
    auto valor = [&](const QString& sql) {
        Recordset rs;
        EXPECT_TRUE(ado.AbrirRecordset(cn, rs, sql)) << sql.toStdString();
        return rs.State() == adStateOpen && !rs.Eof() ? rs.Fields(0).Value() : QVariant();
    };
    EXPECT_EQ(valor("SELECT COUNT(*) FROM Paciente").toLongLong(), 600);
    // The truth: every patient, with the person behind it.
    QFile verdade(QDir(o.pasta).filePath("Verdade.tsv"));
    ASSERT_TRUE(verdade.open(QIODevice::ReadOnly));
    const QStringList linhas = QString::fromUtf8(verdade.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(linhas.size(), 601);
    EXPECT_EQ(linhas[0], "ID_Paciente\tperson");
    QSet<QString> pessoas;
    for (int i = 1; i <= 600; ++i) {
        const QStringList c = linhas[i].split('\t');
        ASSERT_EQ(c.size(), 2);
        EXPECT_EQ(c[0], QString::number(i));
        pessoas << c[1];
    }
    EXPECT_LE(pessoas.size(), 600 - resumo.grupos);
    EXPECT_EQ(valor("SELECT COUNT(*) FROM Exame").toLongLong(), resumo.exames);
    EXPECT_EQ(valor("SELECT COUNT(*) FROM Exame_BK").toLongLong(), resumo.exames);
    EXPECT_EQ(valor("SELECT COUNT(*) FROM Exame INNER JOIN Paciente ON Exame.ID_Paciente = "
                    "Paciente.ID_Paciente")
                  .toLongLong(),
              resumo.exames);
    EXPECT_EQ(valor("SELECT COUNT(*) FROM Paciente WHERE Nome_Soundex IS NULL").toLongLong(), 0);
    EXPECT_GT(valor("SELECT COUNT(*) FROM Paciente WHERE Nome_Meio IS NULL").toLongLong(), 0);
    EXPECT_GT(valor("SELECT COUNT(*) FROM Paciente WHERE Nome_Meio = ''").toLongLong(), 0);

    // The two log-ins work the way the login dialog looks them up.
    clsUsuario adm(cn, ado);
    ASSERT_TRUE(adm.Localizar_por_Senha(LoginAdministrador().senha, LoginAdministrador().usuario));
    clsUsuario chefe(cn, ado);
    ASSERT_TRUE(chefe.Localizar_Administrador());
    EXPECT_EQ(chefe.Id_Usuario(), adm.Id_Usuario());
    EXPECT_TRUE(chefe.Master());
    clsUsuario comum(cn, ado);
    ASSERT_TRUE(comum.Localizar_por_StatusUsuario(LoginComum().usuario, LoginComum().senha));
    EXPECT_EQ(valor("SELECT COUNT(*) FROM Usuario_Perfil INNER JOIN Perfil ON "
                    "Usuario_Perfil.ID_Perfil = Perfil.Id_Perfil WHERE (ID_Perfil_Tipo = 1 OR "
                    "ID_Perfil_Tipo = 2) AND ID_Usuario = " +
                    QString::number(comum.Id_Usuario()))
                  .toLongLong(),
              0);

    // The grouping the administrator starts with finds the planted groups.
    clsPacienteCriterio criterio;
    criterio.Nome().setObrigatório(true);
    criterio.Nome_Último().setObrigatório(true);
    criterio.setMasQueUmaOcorrencia(true);
    Recordset grupos;
    ASSERT_TRUE(ado.AbrirRecordset(cn, grupos, criterio.ObterSQLComAgrupamento()));
    EXPECT_GE(grupos.RecordCount(), resumo.grupos / 2);
    criterio.Nome().setValor(grupos.Fields("Nome").Value().toString());
    criterio.Nome_Último().setValor(
        grupos.Fields(QString::fromUtf8("Nome_Último")).Value().toString());
    Recordset membros;
    ASSERT_TRUE(ado.AbrirRecordset(cn, membros, criterio.ObterSQLSemAgrupamento()));
    EXPECT_GE(membros.RecordCount(), 2);
    clsPaciente p(cn, ado);
    EXPECT_TRUE(p.Localizar(membros.Fields("ID_Paciente").Value().toInt()));
    grupos.Close();
    membros.Close();
    ado.FecharConexão(cn);

    // Not again without --force; the register stays as it was.
    ResumoRegistro outro;
    o.pacientes = 10;
    EXPECT_FALSE(CriarRegistro(o, outro, erro));
    EXPECT_TRUE(erro.contains("--force")) << erro.toStdString();
    o.substituir = true;
    ASSERT_TRUE(CriarRegistro(o, outro, erro)) << erro.toStdString();
    EXPECT_EQ(outro.pacientes, 10);
}

TEST(CadunirRegister, SameSeedGivesTheSameRows) {
    QTemporaryDir dir;
    auto primeiros = [&](const QString& sub) {
        OpcoesRegistro o;
        o.pacientes = 50;
        o.pasta = dir.filePath(sub);
        ResumoRegistro r;
        QString erro;
        EXPECT_TRUE(CriarRegistro(o, r, erro)) << erro.toStdString();
        Connection cn;
        clsADO ado;
        EXPECT_TRUE(ado.AbrirConexão(cn, StringDeConexao(ArquivoRegistro(o.pasta))));
        Recordset rs;
        EXPECT_TRUE(ado.AbrirRecordset(cn, rs, "SELECT * FROM Paciente ORDER BY ID_Paciente"));
        QStringList linhas;
        for (; !rs.Eof(); rs.MoveNext()) {
            QStringList campos;
            for (int i = 0; i < rs.FieldCount(); ++i) campos << rs.Fields(i).Value().toString();
            linhas << campos.join('|');
        }
        rs.Close();
        return linhas;
    };
    const QStringList a = primeiros("a");
    EXPECT_EQ(a.size(), 50);
    EXPECT_EQ(a, primeiros("b"));
}

TEST(CadunirRegister, FailureLeavesNoHalfWrittenRegister) {
    QTemporaryDir dir;
    OpcoesRegistro o;
    o.pasta = dir.filePath("a;b");
    ResumoRegistro r;
    QString erro;
    EXPECT_FALSE(CriarRegistro(o, r, erro));
    EXPECT_TRUE(erro.contains("';'"));

    // A folder that cannot be created: a file stands in its way.
    QFile bloqueio(dir.filePath("arquivo"));
    ASSERT_TRUE(bloqueio.open(QIODevice::WriteOnly));
    bloqueio.close();
    o.pasta = dir.filePath("arquivo/demo");
    EXPECT_FALSE(CriarRegistro(o, r, erro));
    EXPECT_FALSE(QFile::exists(dir.filePath("arquivo/demo/Registro.db")));
}
