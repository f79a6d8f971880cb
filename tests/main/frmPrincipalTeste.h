#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <memory>

#include "Esquema.h"
#include "data/ado/Recordset.h"
#include "data/sqlite/MotorEmbutido.h"
#include "guisupport/JanelaTeste.h"
#include "main/frmPrincipal.h"
#include "review/frmCompararPacientes.h"
#include "review/frmPacienteBase.h"
#include "settings/Configuracao.h"
#include "support/SegurarAgrupamento.h"
#include "ui/BotaoFigura.h"
#include "ui/DE.h"
#include "ui/ctlNvPreferDE.h"
#include "users/frmLogin.h"

// The main window's tests: the program started on a register of its own in a demo Windows
// folder, and what acting on the window needs.

inline const char* const kChaves[] = {"Nome", "NomeMeio",   "NomeUltimo", "RG",
                                      "CIC",  "Nascimento", "Prontuario"};

inline void Mostrar(frmPrincipal& janela) {
    janela.show();
    QApplication::setActiveWindow(&janela);
    QApplication::processEvents();
}

inline QStringList Linhas(const QListWidget& lista) {
    QStringList linhas;
    for (int i = 0; i < lista.count(); ++i) {
        linhas << lista.item(i)->text();
    }
    return linhas;
}

inline QStringList Grade(const QTableView& grade) {
    QStringList linhas;
    const QAbstractItemModel* m = grade.model();
    for (int r = 0; r < m->rowCount(); ++r) {
        QStringList celulas;
        for (int c = 0; c < m->columnCount(); ++c) {
            celulas << m->index(r, c).data().toString();
        }
        linhas << celulas.join(QLatin1Char('|'));
    }
    return linhas;
}

// A field of the detail of the list's current patient.
inline QString Detalhe(const frmPrincipal& janela, const char* campo) {
    return janela.NvPreferSemelhante->TextoDoCampo(QString::fromLatin1(campo));
}

inline void Escolher(frmPrincipal& janela, int linha) {
    janela.dbGridCriterio->setCurrentIndex(janela.dbGridCriterio->model()->index(linha, 0));
}

inline void Marcar(QListWidget& lista, std::initializer_list<int> linhas) {
    for (int i : linhas) {
        lista.item(i)->setCheckState(Qt::Checked);
    }
}

// A demo Windows folder (WINDIR) holding Tessivar.INI and a register with the product tables,
// an administrator ADMIN/segredo (profile type 1) and an administrator with apostrophes,
// D'ÁVILA/o'k. Each test adds the patients it needs.
class JanelaPrincipal : public ::testing::Test {
  protected:
    void SetUp() override {
        // Test processes run side by side and every one saves the ticks: each process gets a
        // settings folder of its own (set before the first settings access of the process).
        static QTemporaryDir configuracao;
        qputenv("XDG_CONFIG_HOME", configuracao.path().toUtf8());
        ASSERT_TRUE(pasta.isValid());
        windir = QDir(pasta.path()).absolutePath() + QLatin1Char('/');
        qputenv("WINDIR", windir.toUtf8());
        arquivo = windir + QStringLiteral("Registro.db");
        conexao = QStringLiteral("Provider=SQLite;Data Source=") + arquivo;

        QString erro;
        ASSERT_TRUE(dados::CriarRegistroVazio(arquivo, &erro)) << erro.toStdString();
        ASSERT_TRUE(ADO().AbrirConexão(cn, conexao));
        ASSERT_TRUE(registro::CriarEsquema(cn, ADO(), erro)) << erro.toStdString();
        executar("INSERT INTO Perfil (Perfil, ID_Clinica, ID_Perfil_Tipo) VALUES ('Adm', 1, 1)");
        usuario("ADMIN", "segredo", 1);
        usuario("D''ÁVILA", "o''k", 1);
        EscreverINI(("[Tessivar]\nCONN_SERVER=" + conexao + "\n").toUtf8());
        Ticks({});
        ID_UsuarioLogado = 0;
    }

    void TearDown() override {
        for (Recordset* rs : {&DE().rsLocalizar, &DE().rsSemelhante, &DE().rsPaciente}) {
            if (rs->State() == adStateOpen) {
                rs->Close();
            }
        }
        ADO().FecharConexão(DE().Conexao);
        ADO().FecharConexão(cn);
        qunsetenv("WINDIR");
    }

    void executar(const QString& sql) {
        ASSERT_TRUE(ADO().ExecutarSQL(cn, sql)) << sql.toStdString();
    }

    void usuario(const QString& login, const QString& senha, int perfil) {
        executar("INSERT INTO Usuário (Nome, Usuário, Senha) VALUES ('" + login + "', '" + login +
                 "', '" + senha + "')");
        executar(QStringLiteral("INSERT INTO Usuario_Perfil (ID_Usuario, ID_Perfil) SELECT "
                                "MAX(ID_Usuário), %1 FROM Usuário")
                     .arg(perfil));
    }

    // Adds a patient; an empty text stands for NULL. Returns its ID.
    qint32 paciente(const QString& nome, const QString& meio, const QString& ultimo,
                    const QString& rg = QString()) {
        const auto valor = [](const QString& v) {
            return v.isNull() ? QStringLiteral("NULL") : "'" + v + "'";
        };
        executar("INSERT INTO Paciente (Nome, Nome_Meio, Nome_Último, RG) VALUES (" + valor(nome) +
                 ", " + valor(meio) + ", " + valor(ultimo) + ", " + valor(rg) + ")");
        return contar("SELECT MAX(ID_Paciente) FROM Paciente");
    }

    qint32 contar(const QString& sql) {
        Recordset rs;
        EXPECT_TRUE(ADO().AbrirRecordset(cn, rs, sql)) << sql.toStdString();
        return rs.Fields(0).Value().toInt();
    }

    void EscreverINI(const QByteArray& texto) {
        QFile f(windir + QStringLiteral("Tessivar.INI"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(texto);
    }

    // The saved criteria ticks, in the order of kChaves ("1", "0", "2" for a greyed box).
    static void Ticks(const QStringList& valores) {
        for (int i = 0; i < 7; ++i) {
            SaveSetting(QStringLiteral("Cadunir"), QStringLiteral("Criterios"),
                        QString::fromLatin1(kChaves[i]), valores.value(i));
        }
    }

    // Starts the window, logging in through the real dialog with the given name and password;
    // `nomes`: the login dialog's controls must have accessible names.
    bool Iniciar(frmPrincipal& janela, const QString& login = QStringLiteral("ADMIN"),
                 const QString& senha = QStringLiteral("segredo"), bool nomes = false) {
        roteiro.Entao([=](QDialog& d) {
            if (nomes) {
                ExigirNomesAcessiveis(d);
            }
            auto* dialogo = Como<frmLogin>(d);
            dialogo->txtUsuário->clear();
            Digitar(dialogo->txtUsuário, login);
            Digitar(dialogo->txtPassword, senha);
            Tecla(dialogo->txtPassword, Qt::Key_Return);
        });
        // The window is up before the first grouping has arrived.
        return janela.Form_Load() && janela.AguardarAgrupamento(kEsperaMaximaMs);
    }

    // The base chooser: ticks line `linha` and presses OK.
    void EscolherBase(int linha) {
        roteiro.Entao([linha](QDialog& d) {
            auto* base = Como<frmPacienteBase>(d);
            base->lstSemelhante->item(linha)->setCheckState(Qt::Checked);
            Clicar(base->cmdOK);
        });
    }
    // The review of the merge, its conflicts confirmed as they stand.
    void ConfirmarRevisao() {
        roteiro.Entao([](QDialog& d) {
            auto* revisao = Como<frmCompararPacientes>(d);
            revisao->chkConfirmar->setChecked(true);
            revisao->txtMotivoConfirmacao->setText("mesma pessoa");
            Clicar(revisao->cmdOK);
        });
    }

    QTemporaryDir pasta;
    QString windir;
    QString arquivo;
    QString conexao;
    Connection cn;  // the test's own connection to the register
    CapturaMensagens mensagens;
    RoteiroModal roteiro;
};
