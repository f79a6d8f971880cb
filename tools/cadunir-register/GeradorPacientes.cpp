#include "GeradorPacientes.h"

#include "Dados.h"

#include <cstring>

namespace registro {

quint64 Sorteio::proximo() {
    quint64 z = (m_estado += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

const QVector<TipoExame>& TiposExame() {
    static const QVector<TipoExame> t = {
        {"AP", "ANATOMOPATOLÓGICO"},
        {"CO", "COLPOCITOLOGIA ONCÓTICA"},
        {"CT", "CITOLOGIA"},
        {"IH", "IMUNO-HISTOQUÍMICA"},
        {"BC", "BIÓPSIA DE CONGELAÇÃO"},
        {"RV", "REVISÃO DE LÂMINAS"},
    };
    return t;
}

namespace {

QString digitos(quint64 n, int largura) {
    return QString::number(n).rightJustified(largura, QLatin1Char('0'));
}

// A permutation of 0 .. 10^casas - 1 (the multiplier is prime to 10), so that every person
// gets a document number of their own that still looks random.
quint64 embaralhar(quint64 n, quint64 multiplicador, quint64 deslocamento, int casas) {
    quint64 modulo = 1;
    for (int i = 0; i < casas; ++i) modulo *= 10;
    return (n % modulo * multiplicador + deslocamento) % modulo;
}

// São Paulo's RG: eight digits and a check digit (X for ten).
QString RG(quint64 pessoa, bool pontuado) {
    const QString d = digitos(embaralhar(pessoa, 48271, 10234567, 8), 8);
    int soma = 0;
    for (int i = 0; i < 8; ++i) soma += d[i].digitValue() * (2 + i);
    const int resto = 11 - soma % 11;
    const QString dv = resto == 10 ? QStringLiteral("X") : QString::number(resto % 11 % 10);
    if (!pontuado)
        return d + dv;
    return d.left(2) + '.' + d.mid(2, 3) + '.' + d.mid(5, 3) + '-' + dv;
}

QString CPF(quint64 pessoa, bool pontuado) {
    const QString d = DigitosCPF(embaralhar(pessoa, 7777777, 123456789, 9));
    if (!pontuado)
        return d;
    return d.left(3) + '.' + d.mid(3, 3) + '.' + d.mid(6, 3) + '-' + d.mid(9, 2);
}

QDate diaEntre(Sorteio& s, QDate de, QDate ate) {
    const qint64 dias = de.daysTo(ate);
    return dias <= 0 ? de : de.addDays(qint64(s.proximo() % quint64(dias + 1)));
}

QString decimal(int inteiro, int decimo) {
    return QString::number(inteiro) + ',' + QString::number(decimo);
}

// The middle names: one or two of the list, never more than the column's 50 characters.
QString nomesDoMeio(Sorteio& s) {
    QString meio = s.um(NomesDoMeio());
    if (s.chance(25)) {
        const QString outro = s.um(NomesDoMeio());
        if (outro != meio && meio.size() + 1 + outro.size() <= 50)
            meio += ' ' + outro;
    }
    return meio;
}

}  // namespace

QString DigitosCPF(quint64 base9) {
    QString d = digitos(base9 % 1000000000ull, 9);
    for (int passo = 0; passo < 2; ++passo) {
        int soma = 0;
        const int peso = 10 + passo;
        for (int i = 0; i < d.size(); ++i) soma += d[i].digitValue() * (peso - i);
        const int resto = soma % 11;
        d += QString::number(resto < 2 ? 0 : 11 - resto);
    }
    return d;
}

QString SemAcentos(const QString& s) {
    QString r = s.normalized(QString::NormalizationForm_D);
    r.removeIf([](QChar c) { return c.category() == QChar::Mark_NonSpacing; });
    return r;
}

QString CaixaMista(const QString& s) {
    static const QStringList minusculas = {"DE", "DA", "DO", "DAS", "DOS", "E"};
    QStringList palavras = s.split(' ');
    for (QString& p : palavras) {
        if (minusculas.contains(p)) {
            p = p.toLower();
        } else if (!p.isEmpty()) {
            p = p.left(1) + p.mid(1).toLower();
            // D'ÁVILA -> D'Ávila
            const qsizetype apostrofo = p.indexOf('\'');
            if (apostrofo >= 0 && apostrofo + 1 < p.size())
                p[apostrofo + 1] = p[apostrofo + 1].toUpper();
        }
    }
    return palavras.join(' ');
}

QString OutraGrafia(const QString& nome) {
    const QString semAcento = SemAcentos(nome);
    if (semAcento != nome)
        return semAcento;
    static const std::pair<const char*, const char*> trocas[] = {
        {"TH", "T"}, {"PH", "F"}, {"Y", "I"},  {"SS", "S"}, {"LL", "L"},
        {"Z", "S"},  {"OU", "O"}, {"EI", "E"}, {"CH", "X"}, {"W", "V"},
    };
    for (const auto& [de, para] : trocas) {
        if (nome.contains(QLatin1String(de))) {
            QString r = nome;
            return r.replace(r.indexOf(QLatin1String(de)), qsizetype(qstrlen(de)),
                             QLatin1String(para));
        }
    }
    if (nome.endsWith('S'))
        return nome.chopped(1) + 'Z';
    // Otherwise a typing slip: the second letter doubled.
    return nome.size() < 2 ? nome + nome : nome.left(2) + nome.mid(1);
}

namespace {

// Neighbours on the keyboard, for slips of the finger.
QString Vizinhas(QChar c) {
    static const char* const linhas[] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
    const char b = SemAcentos(QString(c)).at(0).toLatin1();
    QString r;
    for (int l = 0; l < 3; ++l) {
        const char* p = std::strchr(linhas[l], b);
        if (!b || !p)
            continue;
        const int i = int(p - linhas[l]);
        if (i > 0)
            r += QLatin1Char(linhas[l][i - 1]);
        if (linhas[l][i + 1])
            r += QLatin1Char(linhas[l][i + 1]);
    }
    return r.isEmpty() ? QStringLiteral("E") : r;
}

bool Vogal(QChar c) {
    return QStringLiteral("AEIOUÁÉÍÓÚÂÊÔÃÕ").contains(c);
}

bool Particula(const QString& p) {
    static const QStringList l = {"DE", "DA", "DO", "DAS", "DOS", "E"};
    return l.contains(p);
}

}  // namespace

QString ErroDeDigitacao(const QString& nome, Sorteio& s) {
    QVector<int> letras;
    for (int i = 0; i < nome.size(); ++i)
        if (nome[i].isLetter())
            letras << i;
    if (letras.isEmpty())
        return nome + 'A';
    const int i = letras[s.ate(int(letras.size()))];
    QString r = nome;
    switch (s.ate(4)) {
        case 0: {  // the key next to it
            const QString v = Vizinhas(nome[i]);
            r[i] = v[s.ate(int(v.size()))];
            break;
        }
        case 1:  // a letter left out
            if (letras.size() > 3)
                r.remove(i, 1);
            else
                r.insert(i, nome[i]);
            break;
        case 2:  // two letters swapped
            if (i + 1 < nome.size() && nome[i + 1].isLetter() && nome[i + 1] != nome[i])
                std::swap(r[i], r[i + 1]);
            else
                r.insert(i, nome[i]);
            break;
        default:  // a letter typed twice
            r.insert(i, nome[i]);
            break;
    }
    return r;
}

QString GrafiaFonetica(const QString& nome, Sorteio& s) {
    // The spellings Brazilian registers show for one sound, both ways.
    struct Troca {
        const char* de;
        const char* para;
    };
    static const Troca trocas[] = {
        {"PH", "F"}, {"TH", "T"}, {"Y", "I"}, {"W", "V"},  {"V", "W"},  {"LL", "L"},
        {"NN", "N"}, {"TT", "T"}, {"K", "C"}, {"CH", "X"}, {"X", "CH"}, {"Ç", "SS"},
        {"SS", "Ç"}, {"Z", "S"},  {"S", "Z"}, {"I", "Y"},  {"T", "TH"}, {"F", "PH"},
    };
    struct Lugar {
        int pos;
        const Troca* t;
    };
    QVector<Lugar> lugares;
    for (const Troca& t : trocas) {
        const QString de = QString::fromUtf8(t.de);
        for (qsizetype p = nome.indexOf(de); p >= 0; p = nome.indexOf(de, p + 1)) {
            const QChar antes = p > 0 ? nome[p - 1] : QChar();
            const QChar depois = p + de.size() < nome.size() ? nome[p + de.size()] : QChar();
            // Only where the sound stays: S and Z between vowels or at the end (SOUSA/SOUZA,
            // LUIS/LUIZ), I and Y next to a vowel, T and F before a vowel.
            if ((de == "S" || de == "Z") &&
                !((Vogal(antes) && Vogal(depois)) || (Vogal(antes) && depois.isNull())))
                continue;
            if ((de == "I" || de == "Y") && !Vogal(antes) && !Vogal(depois))
                continue;
            if ((de == "T" || de == "F") && !Vogal(depois))
                continue;
            if (de == "V" && p != 0)
                continue;  // WALTER/VALTER: at the start
            if (de == "SS" && !QStringLiteral("AOU").contains(depois))
                continue;
            lugares << Lugar{int(p), &t};
        }
    }
    if (lugares.isEmpty())
        return nome;
    const Lugar& l = lugares[s.ate(int(lugares.size()))];
    QString r = nome;
    return r.replace(l.pos, qsizetype(QString::fromUtf8(l.t->de).size()),
                     QString::fromUtf8(l.t->para));
}

QString MeioAbreviado(const QString& meio, Sorteio& s) {
    QStringList palavras = meio.split(' ', Qt::SkipEmptyParts);
    QStringList nomes;
    for (const QString& p : palavras)
        if (!Particula(p))
            nomes << p;
    switch (s.ate(3)) {
        case 0:
            return QString();
        case 1: {  // initials: APARECIDA -> A, DE FÁTIMA -> F.
            QStringList iniciais;
            const bool ponto = s.chance(50);
            for (const QString& n : nomes) iniciais << SemAcentos(n.left(1)) + (ponto ? "." : "");
            return iniciais.join(' ');
        }
        default:  // one of two names kept, or the particle left out
            if (nomes.size() > 1)
                return nomes.first();
            if (palavras.size() > 1)
                return nomes.join(' ');
            return SemAcentos(meio.left(1));
    }
}

QString OutraPontuacao(const QString& documento, Sorteio& s) {
    QString d;
    for (QChar c : documento)
        if (c.isDigit() || c == 'X')
            d += c;
    if (d.size() < 4)
        return documento;
    for (int tentativa = 0; tentativa < 4; ++tentativa) {
        QString r;
        switch (s.ate(4)) {
            case 0:
                r = d;
                break;
            case 1:
                r = d.chopped(1) + '-' + d.right(1);
                break;
            case 2:  // dots every three digits from the left, dash before the check digit(s)
                for (int i = 0; i < d.size(); ++i) {
                    if (i > 0 && i % 3 == 0 && i < d.size() - 2)
                        r += '.';
                    r += d[i];
                }
                break;
            default:
                for (int i = 0; i < d.size(); ++i) {
                    if (i > 0 && i % 3 == 0)
                        r += ' ';
                    r += d[i];
                }
                break;
        }
        if (r != documento)
            return r;
    }
    return d == documento ? d.chopped(1) + '-' + d.right(1) : d;
}

GeradorPacientes::GeradorPacientes(quint64 semente, int duplicadosPorCento, int homonimosPorCento)
    : m_s(semente), m_homonimosPorCento(std::clamp(homonimosPorCento, 0, 50)) {
    // A group has 2.25 records on average (three quarters pairs, one quarter triples). For a
    // share s of records in groups, a share q = s / (2.25 - 1.25 s) of persons starts one.
    const double s = std::clamp(duplicadosPorCento, 0, 90) / 100.0;
    m_chanceGrupoPorMil = int(1000.0 * s / (2.25 - 1.25 * s) + 0.5);
}

PacienteGerado GeradorPacientes::Proximo() {
    // A repeated record turns up some registrations after the first one, as in real life.
    if (!m_pendentes.empty() && m_s.chance(40)) {
        PacienteGerado p = std::move(m_pendentes.front());
        m_pendentes.pop_front();
        registroProprio(p);
        return p;
    }
    PacienteGerado p = novaPessoa();
    registroProprio(p);
    if (m_s.ate(1000) < m_chanceGrupoPorMil) {
        p.grupo = ++m_grupos;
        const int repeticoes = m_s.chance(75) ? 1 : 2;
        for (int i = 0; i < repeticoes; ++i) {
            const auto v = static_cast<Variante>(1 + m_s.ate(kVariantes));
            m_pendentes.push_back(repetir(p, v));
        }
    }
    return p;
}

PacienteGerado GeradorPacientes::novaPessoa() {
    const quint64 pessoa = quint64(m_pessoas++);
    Sorteio& s = m_s;
    PacienteGerado p;
    const bool homem = s.chance(48);
    p.sexo = homem ? "M" : "F";
    p.nome = s.um(homem ? NomesMasculinos() : NomesFemininos());
    const int meio = s.ate(100);
    p.nomeMeio = meio < 70 ? nomesDoMeio(s) : meio < 92 ? QString() : QString("");
    p.nomeUltimo = s.um(Sobrenomes());
    p.pessoa = qint64(pessoa);
    // Someone else of the same full name: common names make strangers look alike.
    if (!m_recentes.empty() && s.chance(m_homonimosPorCento)) {
        const Nomes& outro = m_recentes[size_t(s.ate(int(m_recentes.size())))];
        p.nome = outro.nome;
        p.nomeMeio = outro.meio;
        p.nomeUltimo = outro.ultimo;
        p.sexo = outro.sexo;
    } else {
        m_recentes.push_back({p.nome, p.nomeMeio, p.nomeUltimo, p.sexo});
        if (m_recentes.size() > 500)
            m_recentes.pop_front();
    }
    if (!s.chance(2))
        p.nascimento = diaEntre(s, QDate(1925, 1, 1), QDate(2024, 12, 31));
    if (s.chance(85))
        p.rg = RG(pessoa, s.chance(80));
    if (s.chance(75))
        p.cic = CPF(pessoa, s.chance(80));
    const Cidade& c = s.um(Cidades());
    p.cidade = QString::fromUtf8(c.nome);
    p.estado = QString::fromUtf8(c.uf);
    p.bairro = s.um(Bairros());
    p.endereco = s.um(Logradouros()) + ", " + QString::number(1 + s.ate(3000));
    if (s.chance(20))
        p.endereco += ", APTO " + QString::number(11 + s.ate(190));
    p.cep = QString::fromUtf8(c.cepPrefixo) + digitos(quint64(s.ate(100)), 2) + '-' +
            digitos(quint64(s.ate(1000)), 3);
    p.telefone = QString("(%1) 9%2-%3")
                     .arg(QString::fromUtf8(c.ddd), digitos(quint64(s.ate(10000)), 4),
                          digitos(quint64(s.ate(10000)), 4));
    if (s.chance(85))
        p.raca = s.um(Racas());
    p.convenio = s.um(Convenios());
    if (p.convenio == "SUS") {
        p.numeroConvenio =
            QString("%1 %2 %3 %4")
                .arg(QString::number(700 + s.ate(200)), digitos(quint64(s.ate(10000)), 4),
                     digitos(quint64(s.ate(10000)), 4), digitos(quint64(s.ate(10000)), 4));
    } else if (p.convenio != "PARTICULAR") {
        p.numeroConvenio = digitos(s.proximo() % 10000000000000ull, 13);
    }
    if (s.chance(70))
        p.profissao = s.um(Profissoes());
    const int idade = p.nascimento.isValid() ? p.nascimento.daysTo(QDate(2025, 1, 1)) / 365 : 40;
    if (s.chance(60)) {
        const bool crianca = idade < 12;
        p.peso = decimal(crianca ? 8 + s.ate(35) : 45 + s.ate(70), s.ate(10));
        p.altura = decimal(crianca ? 0 : 1, crianca ? 60 + s.ate(40) : 45 + s.ate(50));
    }
    if (s.chance(35)) {
        const QString usuario = SemAcentos(p.nome + '.' + p.nomeUltimo).toLower().remove('\'');
        p.email = usuario + QString::number(s.ate(100)) + '@' + s.um(DominiosEmail());
    }
    return p;
}

PacienteGerado GeradorPacientes::repetir(PacienteGerado& primeiro, Variante v) {
    PacienteGerado r = primeiro;
    r.variante = v;
    r.externo = QString();  // external IDs are unique; registroProprio may give a new one
    Sorteio& s = m_s;
    switch (v) {
        case Variante::Identico:
        case Variante::Nenhuma:
            break;
        case Variante::MeioNuloVazio:
            primeiro.nomeMeio = QString();
            r.nomeMeio = QString("");
            break;
        case Variante::Caixa:
            r.nome = CaixaMista(r.nome);
            r.nomeMeio = r.nomeMeio.isNull() ? QString() : CaixaMista(r.nomeMeio);
            r.nomeUltimo = CaixaMista(r.nomeUltimo);
            break;
        case Variante::Grafia: {
            // The document is what ties the two records together here.
            if (r.rg.isEmpty() && r.cic.isEmpty())
                r.rg = primeiro.rg = RG(quint64(m_pessoas - 1), true);
            if (s.chance(60))
                r.nome = OutraGrafia(r.nome).left(30);
            else
                r.nomeUltimo = OutraGrafia(r.nomeUltimo).left(20);
            break;
        }
        default:
            errar(r, primeiro, v);
            // Now and then a second slip on the same record: the date when the first was in a
            // name, a name when it was not.
            if (s.chance(25))
                errar(r, primeiro,
                      v == Variante::DataTrocada || v == Variante::Documentos
                          ? Variante::Digitacao
                          : Variante::DataTrocada);
            break;
    }
    // Documents are often left out on the second registration.
    const bool documentos = v == Variante::Grafia || v == Variante::Documentos;
    if (!documentos && s.chance(40))
        r.rg = QString();
    if (!documentos && s.chance(40))
        r.cic = QString();
    if (s.chance(30))
        r.telefone = QString();
    return r;
}

void GeradorPacientes::errar(PacienteGerado& r, const PacienteGerado& primeiro, Variante v) {
    Sorteio& s = m_s;
    // The name a slip falls on: first or last name mostly, the middle names when there are.
    auto umNome = [&]() -> QString& {
        const int n = s.ate(10);
        if (n < 2 && !r.nomeMeio.isEmpty())
            return r.nomeMeio;
        return n < 6 ? r.nome : r.nomeUltimo;
    };
    switch (v) {
        case Variante::Fonetica: {
            QString& nome = umNome();
            const QString outra = GrafiaFonetica(nome, s);
            nome = (outra != nome ? outra : ErroDeDigitacao(nome, s));
            break;
        }
        case Variante::MeioAbreviado:
            if (!r.nomeMeio.isEmpty()) {
                r.nomeMeio = MeioAbreviado(r.nomeMeio, s);
                break;
            }
            [[fallthrough]];
        case Variante::SemAcento:
            if (v == Variante::SemAcento && SemAcentos(r.nome + r.nomeMeio + r.nomeUltimo) !=
                                                r.nome + r.nomeMeio + r.nomeUltimo) {
                r.nome = SemAcentos(r.nome);
                r.nomeMeio = r.nomeMeio.isNull() ? QString() : SemAcentos(r.nomeMeio);
                r.nomeUltimo = SemAcentos(r.nomeUltimo);
                break;
            }
            [[fallthrough]];
        case Variante::Digitacao: {
            QString& nome = umNome();
            nome = ErroDeDigitacao(nome, s);
            break;
        }
        case Variante::Documentos:
            if (r.rg.isEmpty() && r.cic.isEmpty())
                r.cic = primeiro.cic.isEmpty() ? QString() : primeiro.cic;
            if (!r.rg.isEmpty())
                r.rg = OutraPontuacao(r.rg, s);
            if (!r.cic.isEmpty())
                r.cic = OutraPontuacao(r.cic, s);
            break;
        case Variante::DataTrocada: {
            const QDate d = r.nascimento;
            if (!d.isValid())
                break;
            if (d.day() <= 12 && d.day() != d.month()) {
                r.nascimento = QDate(d.year(), d.day(), d.month());
            } else {
                // One digit of dd/mm/yyyy typed wrong, as long as it still makes a date.
                r.nascimento = d.addDays(d.day() > 1 ? -1 : 1);  // when no digit will do
                for (int tentativa = 0; tentativa < 20; ++tentativa) {
                    QString t = d.toString(QStringLiteral("ddMMyyyy"));
                    const int pos = s.ate(8);
                    t[pos] = QChar('0' + s.ate(10));
                    const QDate e = QDate::fromString(t, QStringLiteral("ddMMyyyy"));
                    if (e.isValid() && e != d && e.year() >= 1900 && e <= QDate(2025, 6, 30)) {
                        r.nascimento = e;
                        break;
                    }
                }
            }
            break;
        }
        default:
            break;
    }
    r.nome = r.nome.left(30);
    r.nomeMeio = r.nomeMeio.isNull() ? QString() : r.nomeMeio.left(50);
    r.nomeUltimo = r.nomeUltimo.left(20);
}

void GeradorPacientes::registroProprio(PacienteGerado& p) {
    const quint64 registro = quint64(m_registros++);
    // Every registration gets a chart number of its own, except some that were typed in again.
    if (p.variante != Variante::Identico || m_s.chance(70))
        p.prontuario = digitos(embaralhar(registro, 3571, 1000003, 7), 7);
    if (m_s.chance(25))
        p.externo = "EXT" + digitos(embaralhar(registro, 9973, 55555, 9), 9);
    p.exames.clear();
    gerarExames(p);
}

void GeradorPacientes::gerarExames(PacienteGerado& p) {
    static const int pesos[] = {25, 30, 20, 12, 8, 5};  // 0 .. 5 exams, per cent
    int sorte = m_s.ate(100);
    int total = 0;
    while (sorte >= pesos[total]) sorte -= pesos[total++];
    const QDate inicio =
        std::max(QDate(1995, 1, 1), p.nascimento.isValid() ? p.nascimento : QDate());
    for (int i = 0; i < total; ++i) {
        ExameGerado e;
        e.tipo = QString::fromUtf8(m_s.um(TiposExame()).codigo);
        e.data = diaEntre(m_s, inicio, QDate(2025, 6, 30));
        e.numero = QString("%1%2-%3").arg(e.tipo, digitos(quint64(e.data.year() % 100), 2),
                                          digitos(quint64(++m_exames), 7));
        p.exames << e;
    }
}

}  // namespace registro
