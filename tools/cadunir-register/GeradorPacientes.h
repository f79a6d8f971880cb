#pragma once

#include <QDate>
#include <QString>
#include <QVector>
#include <deque>

// The synthetic patients of the demo register: a deterministic stream of patient rows, some of
// which are the same person registered again, the way reception desks do it.
namespace registro {

// splitmix64: the same numbers on every compiler and platform (the standard distributions
// are not portable), so a seed always gives the same register.
class Sorteio {
  public:
    explicit Sorteio(quint64 semente) : m_estado(semente) {}
    quint64 proximo();
    int ate(int n) { return int(proximo() % quint64(n)); }  // 0 .. n-1
    bool chance(int porCento) { return ate(100) < porCento; }
    template <class Lista>
    const auto& um(const Lista& l) {
        return l[ate(int(l.size()))];
    }

  private:
    quint64 m_estado;
};

// How a repeated record differs from the person's first record.
enum class Variante {
    Nenhuma,        // not a repeated record
    Identico,       // the same names typed again
    MeioNuloVazio,  // the first record has a NULL middle name, the repeat an empty one
    Caixa,          // the names in mixed case
    Grafia,         // the same RG or CIC, a name spelled differently
    // The slips of a real reception desk, each on its own (a share of repeats gets a second
    // slip as well):
    Digitacao,      // one letter of a name mistyped, dropped, doubled or swapped
    Fonetica,       // a name spelled as it sounds (SOUSA/SOUZA, LUÍS/LUIZ, THIAGO/TIAGO)
    MeioAbreviado,  // middle names dropped, cut to one or to initials
    SemAcento,      // every accent and cedilla lost
    Documentos,     // RG and CIC typed with other punctuation
    DataTrocada,    // day and month swapped (a digit mistyped when they cannot be)
};
constexpr int kVariantes = 10;

struct ExameGerado {
    QString numero;  // Número_Exame
    QString tipo;    // Exame_Tipo.Código_Tipo
    QDate data;
};

// One row of Paciente. A null QString is a NULL column; an empty, non-null one is ''.
struct PacienteGerado {
    QString nome, nomeMeio, nomeUltimo, rg, cic, endereco, cep, bairro, cidade, estado, telefone,
        sexo, raca, convenio, profissao, numeroConvenio, peso, altura, email, prontuario, externo;
    QDate nascimento;   // invalid = NULL
    int grupo = 0;      // > 0: the planted duplicate group this record belongs to
    qint64 pessoa = 0;  // the person behind the record: equal for the records of one person
    Variante variante = Variante::Nenhuma;
    QVector<ExameGerado> exames;
};

// The exam types of the register (Exame_Tipo): code and description.
struct TipoExame {
    const char* codigo;
    const char* descricao;
};
const QVector<TipoExame>& TiposExame();

class GeradorPacientes {
  public:
    // duplicadosPorCento: the share of records (0-90) that belong to a planted group of two
    // or three records of one person.
    // homonimosPorCento: the share of new people (0-50) who get the full name of someone
    // already registered, with their own birth date and documents: two people, one name.
    GeradorPacientes(quint64 semente, int duplicadosPorCento, int homonimosPorCento = 3);

    PacienteGerado Proximo();
    int Grupos() const { return m_grupos; }

  private:
    PacienteGerado novaPessoa();
    PacienteGerado repetir(PacienteGerado& primeiro, Variante v);
    void registroProprio(PacienteGerado& p);  // the fields each registration gets anew
    void gerarExames(PacienteGerado& p);
    void errar(PacienteGerado& r, const PacienteGerado& primeiro, Variante v);

    Sorteio m_s;
    int m_chanceGrupoPorMil;
    int m_homonimosPorCento;
    struct Nomes {
        QString nome, meio, ultimo, sexo;
    };
    std::deque<Nomes> m_recentes;  // names a homonym may take
    std::deque<PacienteGerado> m_pendentes;
    qint64 m_pessoas = 0;
    qint64 m_registros = 0;
    qint64 m_exames = 0;
    int m_grupos = 0;
};

// The variants' spelling helpers, exposed for their tests.
QString SemAcentos(const QString& s);
QString CaixaMista(const QString& s);  // "MARIA DE SOUZA" -> "Maria de Souza"
QString OutraGrafia(const QString& nome);
QString DigitosCPF(quint64 base9);  // nine digits + the two check digits
QString ErroDeDigitacao(const QString& nome, Sorteio& s);
QString GrafiaFonetica(const QString& nome, Sorteio& s);  // unchanged when no rule applies
QString MeioAbreviado(const QString& meio, Sorteio& s);   // null: dropped
QString OutraPontuacao(const QString& documento, Sorteio& s);

}  // namespace registro
