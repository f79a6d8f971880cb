#include "CadastroCorrompido.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringList>
#include <cmath>
#include <cstring>
#include <deque>

#include "GeradorPacientes.h"
#include "ListasPessoas.h"
#include "Registro.h"
#include "data/ado/clsADO.h"

namespace corrupcao {

namespace {

// xoshiro256**: the same numbers on every platform for one seed.
class Acaso {
  public:
    explicit Acaso(quint64 semente) {
        for (quint64& x : m_s) {
            semente += 0x9E3779B97F4A7C15ull;
            quint64 z = semente;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            x = z ^ (z >> 31);
        }
    }
    quint64 proximo() {
        const quint64 r = rotl(m_s[1] * 5, 7) * 9;
        const quint64 t = m_s[1] << 17;
        m_s[2] ^= m_s[0];
        m_s[3] ^= m_s[1];
        m_s[1] ^= m_s[2];
        m_s[0] ^= m_s[3];
        m_s[2] ^= t;
        m_s[3] = rotl(m_s[3], 45);
        return r;
    }
    int ate(int n) { return int(proximo() % quint64(std::max(n, 1))); }  // 0 .. n-1
    // True with probability p (0..1).
    bool chance(double p) { return double(proximo() >> 11) * 0x1.0p-53 < p; }
    // A rank drawn with weight 1 / (rank + 1): the commonest names are the commonest.
    template <class Lista>
    auto zipf(const Lista& l) {
        const double n = double(l.size());
        const double u = double(proximo() >> 11) * 0x1.0p-53;
        const int i = std::min(int(l.size()) - 1, int(std::exp(u * std::log(n + 1)) - 1));
        return l[std::max(0, i)];
    }

  private:
    static quint64 rotl(quint64 x, int k) { return (x << k) | (x >> (64 - k)); }
    quint64 m_s[4];
};

struct Pessoa {
    QString nome, meio, ultimo, sexo, rg, cic, telefone;
    QDate nascimento;
    int casa = 0;
};

struct Casa {
    QString rua, bairro, cidade, uf, cep, telefone;
    int numero = 0;
    QString complemento;
    const Lugar* lugar = nullptr;
};

struct Linha {
    QString nome, meio, ultimo, rg, cic, endereco, cep, bairro, cidade, estado, telefone, sexo,
        prontuario;
    QDate nascimento;
    qint64 pessoa = 0;
};

QString Digitos(quint64 v, int n) {
    return QString::number(v).rightJustified(n, QLatin1Char('0')).right(n);
}

QString Cpf(Acaso& a) {
    return registro::DigitosCPF(a.proximo() % 1000000000ull);
}

QString SemAcento(const QString& s) {
    return registro::SemAcentos(s);
}

// One slip of the keyboard in a word: a neighbouring key, a letter left out, a letter typed
// twice, two neighbours swapped (Damerau's four, in the shares keyboard studies report).
QString Digitacao(const QString& s, Acaso& a) {
    static const char* const teclado[] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
    QVector<int> letras;
    for (int i = 0; i < s.size(); ++i)
        if (s[i].isLetter())
            letras << i;
    if (letras.size() < 2)
        return s;
    const int i = letras[a.ate(int(letras.size()))];
    QString r = s;
    const int tipo = a.ate(100);
    if (tipo < 40) {
        const char base = SemAcento(QString(s[i])).at(0).toLatin1();
        for (const char* linha : teclado)
            if (const char* p = std::strchr(linha, base); base && p) {
                const int k = int(p - linha);
                const bool esquerda = k > 0 && (!linha[k + 1] || a.chance(0.5));
                r[i] = QLatin1Char(linha[esquerda ? k - 1 : k + 1]);
            }
    } else if (tipo < 65) {
        r.remove(i, 1);
    } else if (tipo < 80) {
        r.insert(i, s[i]);
    } else if (i + 1 < s.size() && s[i + 1].isLetter()) {
        std::swap(r[i], r[i + 1]);
    } else if (i > 0 && s[i - 1].isLetter()) {
        std::swap(r[i - 1], r[i]);
    }
    return r;
}

// A name written as it sounds: the spellings Brazilian registers show for one sound.
QString Fonetica(const QString& s, Acaso& a) {
    static const std::pair<const char*, const char*> trocas[] = {
        {"SS", "Ç"},  {"Ç", "SS"}, {"Z", "S"},  {"S", "Z"},  {"CH", "X"},  {"X", "CH"},
        {"TH", "T"},  {"PH", "F"}, {"Y", "I"},  {"I", "Y"},  {"W", "V"},   {"V", "W"},
        {"LL", "L"},  {"L", "LL"}, {"K", "C"},  {"QU", "K"}, {"GE", "JE"}, {"JE", "GE"},
        {"GI", "JI"}, {"EI", "E"}, {"OU", "O"}, {"N", "M"},  {"M", "N"},   {"H", ""},
    };
    QVector<std::pair<int, int>> lugares;  // position, rule
    for (int t = 0; t < int(std::size(trocas)); ++t) {
        const QString de = QString::fromUtf8(trocas[t].first);
        for (qsizetype p = s.indexOf(de); p >= 0; p = s.indexOf(de, p + 1)) {
            const bool fim = p + de.size() == s.size();
            // M and N only at the end (ADILSOM), H only at the start (HELENA / ELENA).
            if ((de == "N" || de == "M") && !fim)
                continue;
            if (de == "H" && p != 0)
                continue;
            lugares << std::pair{int(p), t};
        }
    }
    if (lugares.isEmpty())
        return Digitacao(s, a);
    const auto [p, t] = lugares[a.ate(int(lugares.size()))];
    QString r = s;
    return r.replace(p, QString::fromUtf8(trocas[t].first).size(),
                     QString::fromUtf8(trocas[t].second));
}

QString Palavra(const QString& s, int i) {
    return s.split(' ', Qt::SkipEmptyParts).value(i);
}

class Gerador {
  public:
    Gerador(const Opcoes& o) : m_o(o), m_a(o.semente) {
        const double s = std::clamp(o.duplicadosPorCento, 0, 90) / 100.0;
        // Extra records per person registered again: 1 (70 %), 2 (20 %), 3 (7 %), 4 (3 %),
        // 1.43 on average; a share q of people registered again gives s = 2.43 q / (1 + 1.43 q).
        m_repetir = s / (2.43 - 1.43 * s);
    }

    // The next record of the register, in the order the desk typed them.
    Linha Proxima() {
        if (!m_pendentes.empty() && m_a.chance(0.4)) {
            Linha l = std::move(m_pendentes.front());
            m_pendentes.pop_front();
            return l;
        }
        if (m_fila.empty())
            novaCasa();
        const Pessoa p = m_fila.front();
        m_fila.pop_front();
        const qint64 id = m_pessoas++;
        Linha l = registrar(p, id, {});
        if (m_a.chance(m_repetir)) {
            const int r = m_a.ate(100);
            const int extras = r < 70 ? 1 : r < 90 ? 2 : r < 97 ? 3 : 4;
            for (int k = 0; k < extras; ++k) {
                // Later registrations come some time after, out of order with others.
                Linha d = registrar(p, id, l.prontuario);
                const auto onde = m_pendentes.begin() + m_a.ate(int(m_pendentes.size()) + 1);
                m_pendentes.insert(onde, std::move(d));
            }
        }
        return l;
    }

  private:
    const Casa& casa(int i) const { return m_casas[size_t(i)]; }

    // A first name no one else of the household has: parents do not give two children one
    // name (compound names may share their first word: MARIA CLARA, MARIA EDUARDA).
    QString prenome(const QString& sexo) {
        const auto& l = sexo == "F" ? PrenomesFemininos() : PrenomesMasculinos();
        for (;;) {
            QString n = QString::fromUtf8(m_a.zipf(l));
            if (m_a.chance(0.12))  // compound first names: MARIA JOSÉ, JOÃO PEDRO
                n += ' ' + QString::fromUtf8(m_a.zipf(l));
            if (!m_nomesDaCasa.contains(n)) {
                m_nomesDaCasa << n;
                return n;
            }
        }
    }

    QString sobrenome() { return QString::fromUtf8(m_a.zipf(Sobrenomes())); }

    QDate dia(int anoMin, int anoMax) {
        const QDate de(std::max(anoMin, 1920), 1, 1), ate(std::min(anoMax, 2024), 12, 31);
        const qint64 n = std::max<qint64>(1, de.daysTo(ate));
        return de.addDays(qint64(m_a.proximo() % quint64(n)));
    }

    Pessoa pessoa(const QString& sexo, const QString& ultimo, const QString& meio, QDate nasc) {
        Pessoa p;
        p.sexo = sexo;
        p.nome = prenome(sexo);
        p.meio = meio;
        p.ultimo = ultimo;
        p.nascimento = nasc;
        p.casa = int(m_casas.size()) - 1;
        const bool adulto = nasc.daysTo(QDate(2025, 1, 1)) > 18 * 365;
        if (m_a.chance(adulto ? 0.9 : 0.45))
            p.cic = Cpf(m_a);
        if (m_a.chance(adulto ? 0.85 : 0.5))
            p.rg = Digitos(m_a.proximo() % 100000000ull, 8) + QString::number(m_a.ate(10));
        if (adulto && m_a.chance(0.5))
            p.telefone = QStringLiteral("(%1) 9%2-%3")
                             .arg(QString::fromUtf8(casa(p.casa).lugar->ddd))
                             .arg(Digitos(m_a.proximo(), 4), Digitos(m_a.proximo(), 4));
        return p;
    }

    // Where a household lives: cities by their size, the commoner streets and districts more
    // often, a flat now and then, a home telephone in most.
    Casa sortearCasa() {
        Casa c;
        int total = 0;
        for (const Lugar& l : Lugares()) total += l.peso;
        int sorte = m_a.ate(total);
        for (const Lugar& l : Lugares()) {
            if (sorte < l.peso) {
                c.lugar = &l;
                break;
            }
            sorte -= l.peso;
        }
        c.cidade = QString::fromUtf8(c.lugar->cidade);
        c.uf = QString::fromUtf8(c.lugar->uf);
        c.rua = QString::fromUtf8(m_a.zipf(Ruas()));
        c.bairro = QString::fromUtf8(m_a.zipf(BairrosComuns()));
        c.numero = 1 + m_a.ate(m_a.chance(0.7) ? 400 : 3000);
        if (m_a.chance(0.25))
            c.complemento = QStringLiteral("APTO %1").arg(11 + m_a.ate(300));
        c.cep = QString::fromUtf8(c.lugar->cep) + Digitos(quint64(m_a.ate(1000)), 3);
        if (m_a.chance(0.6))
            c.telefone = QStringLiteral("(%1) 3%2-%3")
                             .arg(QString::fromUtf8(c.lugar->ddd))
                             .arg(Digitos(m_a.proximo(), 3), Digitos(m_a.proximo(), 4));
        return c;
    }

    // A household: one adult or a couple, and their children (twins now and then). Relatives
    // share the family name, the address and the home telephone.
    void novaCasa() {
        m_casas.push_back(sortearCasa());
        m_nomesDaCasa.clear();

        const QString familia = sobrenome();
        const QString sexo = m_a.chance(0.55) ? "F" : "M";
        const QDate nascAdulto = dia(1930, 2000);
        const QString meioAdulto = m_a.chance(0.7) ? sobrenome() : QString();
        Pessoa adulto = pessoa(sexo, familia, meioAdulto, nascAdulto);
        m_fila.push_back(adulto);
        const int r = m_a.ate(100);
        const int tamanho = r < 35 ? 1 : r < 60 ? 2 : r < 80 ? 3 : r < 93 ? 4 : 5;
        if (tamanho == 1)
            return;
        // The partner keeps a family name of their own, or takes the household's.
        const QString outroSexo = sexo == "F" ? "M" : "F";
        const QString deles = sobrenome();
        const QDate nascPar = nascAdulto.addDays(m_a.ate(3650) - 1825);
        m_fila.push_back(pessoa(outroSexo, m_a.chance(0.5) ? familia : deles,
                                m_a.chance(0.6) ? deles : QString(), nascPar));
        QDate anterior;
        for (int k = 2; k < tamanho; ++k) {
            const bool gemeo = anterior.isValid() && m_a.chance(0.04);
            const QDate nasc =
                gemeo ? anterior : dia(nascAdulto.year() + 18, nascAdulto.year() + 45);
            // Children carry the mother's family name in the middle and the father's last; now
            // and then a son is his father's namesake, JÚNIOR or FILHO on most records.
            Pessoa filho =
                pessoa(m_a.chance(0.5) ? "F" : "M", familia,
                       m_a.chance(0.75) ? (sexo == "F" ? meioAdulto : deles) : QString(), nasc);
            if (sexo == "M" && filho.sexo == "M" && m_a.chance(0.05)) {
                filho.nome = adulto.nome;
                filho.meio = adulto.meio;
                if (m_a.chance(0.7))
                    filho.ultimo += m_a.chance(0.5) ? " JÚNIOR" : " FILHO";
            }
            m_fila.push_back(filho);
            anterior = nasc;
        }
    }

    QString endereco(const Casa& c) {
        QString rua = c.rua;
        // RUA / R. / R, AVENIDA / AV.: written in full or abbreviated, desk by desk.
        if (m_a.chance(0.3))
            rua.replace(QRegularExpression(QStringLiteral("^RUA ")),
                        m_a.chance(0.5) ? "R. " : "R ");
        if (m_a.chance(0.3))
            rua.replace(QRegularExpression(QStringLiteral("^AVENIDA ")), "AV. ");
        QString e = rua + (m_a.chance(0.8) ? ", " : " ") + QString::number(c.numero);
        if (!c.complemento.isEmpty())
            e += (m_a.chance(0.5) ? ", " : " ") + c.complemento;
        return e;
    }

    // The record a registration writes: the person's values, with the slips of that day.
    // A later registration of someone already registered (`primeiro` holds the first one's
    // chart number) is where the studies find most of the differences; the first registration
    // has its own slips, fewer.
    Linha registrar(const Pessoa& p, qint64 id, const QString& primeiro) {
        const bool repeticao = !primeiro.isNull();
        const double f = repeticao ? 1.0 : 0.25;  // first registrations are typed with more care
        Linha l;
        l.pessoa = id;
        l.nome = p.nome;
        l.meio = p.meio;
        l.ultimo = p.ultimo;
        l.sexo = p.sexo;
        l.nascimento = p.nascimento;
        l.rg = p.rg;
        l.cic = p.cic;
        l.telefone = p.telefone;
        Casa c = casa(p.casa);
        // 15 % of people moved between registrations.
        if (repeticao && m_a.chance(0.15))
            c = sortearCasa();
        // Names.
        const auto umErro = [&](QString& nome, double pDigitacao, double pFonetica) {
            if (nome.isEmpty())
                return;
            if (m_a.chance(pDigitacao * f)) {
                const QStringList w = nome.split(' ');
                const int i = m_a.ate(int(w.size()));
                QStringList v = w;
                v[i] = Digitacao(w[i], m_a);
                if (m_a.chance(0.1))  // now and then a second slip
                    v[i] = Digitacao(v[i], m_a);
                nome = v.join(' ');
            }
            if (m_a.chance(pFonetica * f))
                nome = Fonetica(nome, m_a);
        };
        umErro(l.nome, 0.06, 0.04);
        umErro(l.ultimo, 0.05, 0.03);
        umErro(l.meio, 0.03, 0.02);
        if (repeticao && l.nome.contains(' ') && m_a.chance(0.25))
            l.nome = Palavra(l.nome, 0);                  // MARIA JOSÉ registered as MARIA
        if (!l.meio.isEmpty() && m_a.chance(0.35 * f)) {  // the field most often different
            const int r = m_a.ate(3);
            l.meio = r == 0   ? QString()
                     : r == 1 ? l.meio.left(1) + (m_a.chance(0.5) ? "." : "")
                              : Palavra(l.meio, 0);
        }
        if (p.sexo == "F" && repeticao && m_a.chance(0.03)) {  // a married name
            if (!l.meio.isEmpty() || m_a.chance(0.5))
                l.meio = (l.meio + ' ' + l.ultimo).trimmed();
            l.ultimo = sobrenome();
        }
        const int troca = m_a.ate(1000);
        if (troca < 30 * f) {  // given and family name in each other's field
            std::swap(l.nome, l.ultimo);
        } else if (troca < 45 * f && !l.meio.isEmpty()) {  // goes by the middle name
            const QString primeiro = Palavra(l.meio, 0);
            l.meio = (l.nome + ' ' + l.meio.mid(primeiro.size())).simplified();
            l.nome = primeiro;
        } else if (troca < 55 * f) {  // the whole name typed into one field
            l.nome = (l.nome + ' ' + l.meio + ' ' + l.ultimo).simplified().left(30);
            l.meio = QString();
            l.ultimo = QString();
        }
        if (m_a.chance(0.01 * f))
            l.nome = QString();
        if (m_a.chance(0.01 * f))
            l.ultimo = QString();
        // Birth date.
        if (l.nascimento.isValid()) {
            const int r = m_a.ate(1000);
            const QDate d = l.nascimento;
            if (r < 30 * f) {
                l.nascimento = QDate();
            } else if (r < 60 * f) {  // one digit of dd/mm/yyyy
                for (int t = 0; t < 20; ++t) {
                    QString s = d.toString(QStringLiteral("ddMMyyyy"));
                    s[m_a.ate(8)] = QChar('0' + m_a.ate(10));
                    const QDate e = QDate::fromString(s, QStringLiteral("ddMMyyyy"));
                    if (e.isValid() && e != d && e.year() >= 1900 && e.year() <= 2024) {
                        l.nascimento = e;
                        break;
                    }
                }
            } else if (r < 75 * f && d.day() <= 12) {
                l.nascimento = QDate(d.year(), d.day(), d.month());
            } else if (r < 85 * f) {  // two neighbouring digits swapped
                QString s = d.toString(QStringLiteral("ddMMyyyy"));
                const int i = m_a.ate(7);
                std::swap(s[i], s[i + 1]);
                const QDate e = QDate::fromString(s, QStringLiteral("ddMMyyyy"));
                if (e.isValid() && e.year() >= 1900)
                    l.nascimento = e;
            } else if (r < 95 * f) {
                l.nascimento = d.addYears(m_a.chance(0.5) ? 1 : -1);
            } else if (r < 100 * f) {  // another date altogether
                l.nascimento = dia(1930, 2020);
            }
        }
        if (m_a.chance(0.01 * f))
            l.sexo = l.sexo == "F" ? "M" : "F";
        if (m_a.chance(0.02 * f))
            l.sexo = QString();
        // Documents: left out on a second registration far more often than mistyped.
        const auto documento = [&](QString& d, bool cpf) {
            if (d.isEmpty())
                return;
            if (repeticao && m_a.chance(0.4)) {
                d = QString();
                return;
            }
            if (m_a.chance(0.04 * f)) {
                const int i = m_a.ate(int(d.size()));
                d[i] = QChar('0' + (d[i].digitValue() + 1 + m_a.ate(9)) % 10);
            } else if (m_a.chance(0.01 * f)) {
                const int i = m_a.ate(int(d.size()) - 1);
                std::swap(d[i], d[i + 1]);
            } else if (!cpf && m_a.chance(0.05 * f)) {
                d.chop(1);  // the check digit left out
            }
            if (m_a.chance(0.6)) {
                d = cpf ? d.left(3) + '.' + d.mid(3, 3) + '.' + d.mid(6, 3) + '-' + d.mid(9)
                        : d.left(2) + '.' + d.mid(2, 3) + '.' + d.mid(5, 3) + '-' + d.mid(8);
            }
        };
        documento(l.cic, true);
        documento(l.rg, false);
        // Address.
        l.endereco = endereco(c);
        if (m_a.chance(0.05 * f)) {
            QStringList w = l.endereco.split(' ');
            const int i = std::min(int(w.size()) - 1, 1 + m_a.ate(2));
            w[i] = Digitacao(w[i], m_a);
            l.endereco = w.join(' ');
        }
        if (m_a.chance(0.05 * f))
            l.endereco.remove(QRegularExpression(QStringLiteral("[ ,]+\\d+.*$")));
        l.bairro = m_a.chance(0.1 * f) ? QString() : c.bairro;
        l.cidade = c.cidade;
        l.estado = c.uf;
        l.cep = m_a.chance(0.1 * f) ? QString() : c.cep.left(5) + '-' + c.cep.mid(5);
        if (!l.cep.isEmpty() && m_a.chance(0.03 * f))
            l.cep[m_a.ate(5)] = QChar('0' + m_a.ate(10));
        // Telephone: the person's own or the home's, changed or left out.
        if (l.telefone.isEmpty() || m_a.chance(0.3))
            l.telefone = c.telefone;
        if (repeticao && m_a.chance(0.25))
            l.telefone = QString();
        // Accents and case as each desk types them.
        if (m_a.chance(0.3)) {
            for (QString* s : {&l.nome, &l.meio, &l.ultimo, &l.endereco, &l.bairro, &l.cidade})
                *s = SemAcento(*s);
        }
        if (m_a.chance(0.05)) {
            for (QString* s : {&l.nome, &l.meio, &l.ultimo}) *s = s->toLower();
        }
        // Every registration gets a chart number of its own; now and then an old one is typed.
        l.prontuario = repeticao && m_a.chance(0.1)
                           ? primeiro
                           : Digitos(quint64(++m_prontuarios) * 7919 % 100000000, 8);
        l.nome = l.nome.left(30);
        l.meio = l.meio.left(50);
        l.ultimo = l.ultimo.left(20);
        return l;
    }

    const Opcoes& m_o;
    Acaso m_a;
    double m_repetir = 0;
    std::vector<Casa> m_casas;
    std::deque<Pessoa> m_fila;
    QStringList m_nomesDaCasa;
    std::deque<Linha> m_pendentes;
    qint64 m_pessoas = 0;
    qint64 m_prontuarios = 0;

  public:
    qint64 Pessoas() const { return m_pessoas; }
};

QString Texto(const QString& v) {
    if (v.isNull())
        return QStringLiteral("NULL");
    QString s = v;
    return "N'" + s.replace('\'', QStringLiteral("''")) + "'";
}

}  // namespace

bool CriarCadastro(const Opcoes& o, Resumo& resumo, QString& erro, const Progresso& progresso) {
    Gerador g(o);
    QHash<qint64, int> porPessoa;
    const auto preencher = [&](Connection& cn, clsADO& ado,
                               const std::function<void(qint64, qint64)>& pessoa, QString& falha) {
        const QString cabecalho = QStringLiteral(
            "INSERT INTO Paciente (Nome, Nome_Meio, Nome_Último, RG, CIC, Endereço, CEP, Bairro, "
            "Cidade, Estado, Telefone, Sexo, Data_Nascimento, Prontuário) VALUES ");
        constexpr int kPorInsert = 100;
        QStringList lote;
        for (qint64 i = 0; i < o.registros; ++i) {
            Linha l = g.Proxima();
            if (o.soNomes) {
                const Linha nomes = l;
                l = Linha();
                l.nome = nomes.nome;
                l.meio = nomes.meio;
                l.ultimo = nomes.ultimo;
                l.nascimento = nomes.nascimento;
                l.pessoa = nomes.pessoa;
            }
            const QString data =
                l.nascimento.isValid()
                    ? "'" + l.nascimento.toString(QStringLiteral("yyyy-MM-dd")) + "'"
                    : QStringLiteral("NULL");
            lote << "(" +
                        QStringList{Texto(l.nome),
                                    Texto(l.meio),
                                    Texto(l.ultimo),
                                    Texto(l.rg),
                                    Texto(l.cic),
                                    Texto(l.endereco),
                                    Texto(l.cep),
                                    Texto(l.bairro),
                                    Texto(l.cidade),
                                    Texto(l.estado),
                                    Texto(l.telefone),
                                    Texto(l.sexo),
                                    data,
                                    Texto(l.prontuario)}
                            .join(QStringLiteral(", ")) +
                        ")";
            pessoa(i + 1, l.pessoa);  // IDs are given in order from 1 on an empty table
            ++porPessoa[l.pessoa];
            if (lote.size() == kPorInsert || i + 1 == o.registros) {
                if (!ado.ExecutarSQL(cn, cabecalho + lote.join(QStringLiteral(", ")))) {
                    falha = QStringLiteral("%1 - %2").arg(ado.ErrorNumber()).arg(ado.ErrorString());
                    return false;
                }
                lote.clear();
                if (progresso)
                    progresso(i + 1, o.registros);
            }
        }
        return true;
    };
    if (!registro::CriarArquivoRegistro(o.pasta, o.substituir, preencher, erro))
        return false;
    resumo.registros = o.registros;
    resumo.pessoas = porPessoa.size();
    for (int n : porPessoa) resumo.paresVerdadeiros += qint64(n) * (n - 1) / 2;
    return true;
}

}  // namespace corrupcao
