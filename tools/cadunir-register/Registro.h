#pragma once

#include <QString>
#include <functional>

class Connection;
class clsADO;

// The demo register: a SQLite file in a demo Windows folder, with the product tables, the
// synthetic patients and their exams, the catalogues, an administrator and an ordinary user,
// and the Tessivar.INI that points the program at it.
namespace registro {

struct OpcoesRegistro {
    qint64 pacientes = 20000;
    int duplicadosPorCento = 10;  // share of records in planted duplicate groups
    quint64 semente = 20070621;
    QString pasta;            // the demo Windows folder
    bool substituir = false;  // overwrite an existing register
    // Told the ID_Paciente of every patient written and the person it stands for.
    std::function<void(qint64 idPaciente, qint64 pessoa)> verdade;
};

// The two log-ins the register holds (README.md documents them).
struct LoginDemo {
    const char* nome;
    const char* usuario;
    const char* senha;
    int tipoPerfil;
};
const LoginDemo& LoginAdministrador();
const LoginDemo& LoginComum();

struct ResumoRegistro {
    qint64 pacientes = 0;
    qint64 exames = 0;
    int grupos = 0;  // planted duplicate groups
};

// Called after every batch of patients (done, total).
using Progresso = std::function<void(qint64, qint64)>;

QString ArquivoRegistro(const QString& pasta);
QString StringDeConexao(const QString& arquivo);

// Fills a register that has the schema but no rows, inside one transaction; on failure it
// rolls back and says why in `erro`.
bool PreencherRegistro(Connection& cn, clsADO& ado, const OpcoesRegistro& opcoes,
                       ResumoRegistro& resumo, QString& erro, const Progresso& progresso = {});

// A register file in `pasta`, filled by `preencher` (which tells each ID_Paciente written and
// its person through the function it gets): refuses to overwrite an existing register unless
// told to, creates the product tables, fills them in one transaction, adds the indexes, then
// writes Tessivar.INI and Verdade.tsv. A failure leaves no half-written register behind. The
// demo generator and the corrupted registers (cadunir-corrupt) are written through it.
using Preenchimento =
    std::function<bool(Connection& cn, clsADO& ado,
                       const std::function<void(qint64 id, qint64 pessoa)>&, QString& erro)>;
bool CriarArquivoRegistro(const QString& pasta, bool substituir, const Preenchimento& preencher,
                          QString& erro);

// The whole command: refuses to overwrite an existing register unless told to, writes the file
// (schema and rows), then Tessivar.INI and Verdade.tsv (ID_Paciente<TAB>person: the records
// of one person share the person). A failure leaves no half-written register behind.
bool CriarRegistro(const OpcoesRegistro& opcoes, ResumoRegistro& resumo, QString& erro,
                   const Progresso& progresso = {});

}  // namespace registro
