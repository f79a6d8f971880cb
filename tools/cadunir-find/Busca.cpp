#include "Busca.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <future>
#include <numeric>

#include "data/ado/clsADO.h"
#include "data/base/ErroNumerado.h"
#include "match/EvidenciaPar.h"
#include "match/FuncoesBusca.h"
#include "match/LocalizadorSemelhantes.h"
#include "patient/RegrasMesmaPessoa.h"
#include "settings/CelulaPlanilha.h"
#include "settings/OpcoesFerramenta.h"

using namespace semelhanca;

namespace {

const char* const kUso =
    "Uso: cadunir-find (--connect CADEIA | --ini ARQUIVO) [--pairs SAIDA.tsv]\n"
    "                  [--groups SAIDA.tsv] [--min-score N] [--threads N] [--explain]\n"
    "                  [--learn] [--decided]";

const char* const kDescricao =
    "Procura os cadastros de uma mesma pessoa que o agrupamento exato não junta: lê a\n"
    "tabela Paciente uma vez, compara os pares que partilham uma chave barata (sons dos\n"
    "nomes com o ano, documentos, data de nascimento...) campo a campo e dá a cada par uma\n"
    "pontuação de 0 a 100 (a probabilidade de ser a mesma pessoa). Os parâmetros são\n"
    "aprendidos com o próprio cadastro e guardados na tabela Cadunir_ParametroBusca.";

QString Num(double v, int casas = 1) {
    return QString::number(v, 'f', casas);
}

// The parameters side by side with their starting values, how the learning went, and how
// the model does on the register's own history.
QString Explicacao(const LocalizadorSemelhantes& busca) {
    QString t = busca.Modelo().Tabela(busca.Registros()) + '\n';
    t += busca.Aprendeu()
             ? QStringLiteral("parâmetros aprendidos agora com este cadastro (%1 iterações)\n")
                   .arg(busca.IteracoesAprendizado())
             : QStringLiteral(
                   "parâmetros guardados de uma busca anterior (--learn aprende de "
                   "novo)\n");
    const AvaliacaoRotulos& r = busca.Rotulos();
    if (r.mesmaPessoa + r.pessoasDiferentes == 0)
        return t + QStringLiteral("histórico: nenhuma unificação nem decisão para conferir");
    t += QStringLiteral(
             "histórico: %1 pares unificados (mesma pessoa), %2 decididos como pessoas "
             "diferentes\n")
             .arg(r.mesmaPessoa)
             .arg(r.pessoasDiferentes);
    const char* const nomes[2] = {"aprendidos", "iniciais"};
    const double limiares[2] = {busca.Opcoes().limiar, busca.Opcoes().limiarRevisao};
    for (int m = 0; m < 2; ++m)
        for (int l = 0; l < 2; ++l) {
            const qint64 vp = r.mesmaAcima[m][l], fp = r.diferentesAcima[m][l];
            t += QStringLiteral("  parâmetros %1, limiar %2: precisão %3, revocação %4\n")
                     .arg(QString::fromUtf8(nomes[m]), Num(limiares[l], 0),
                          vp + fp ? Num(double(vp) / double(vp + fp), 3) : QStringLiteral("-"),
                          r.mesmaPessoa ? Num(double(vp) / double(r.mesmaPessoa), 3)
                                        : QStringLiteral("-"));
        }
    return t.trimmed();
}

// What one line of --pairs says. Worked out in the order the search keeps its pairs (by
// their first record, whose values' frequencies the weights read) and written in the order of
// the list: worked out in the list's order, each line read two records and their frequencies
// from anywhere in the register, and at a million records writing took longer than grouping.
struct LinhaCalculada {
    qint32 idA = 0, idB = 0, via = 0;
    float listada = 0;
    double pontuacao = 0;  // as printed: the links' when the pair is listed through a third
    quint8 sinais = 0;     // the signs, and 16 when decided "not the same person"
    std::array<Veredito, kCampos> v;
};

void Calcular(const LocalizadorSemelhantes& busca, const ParCandidato& p, LinhaCalculada& l) {
    const double pontuacao = busca.Pontuar(p, &l.v);
    l.idA = busca.Reg(p.a).id;
    l.idB = busca.Reg(p.b).id;
    l.via = p.via;
    l.listada = p.Listada();
    l.pontuacao = p.via ? double(p.pelasLigacoes) : pontuacao;
    l.sinais = quint8((p.sinais & 15) | (p.decidido ? 16 : 0));
}

// One line of --pairs in UTF-8: the IDs, the score, each field's verdict with its weight, the
// signs. Every cell is the program's own text (numbers, verdicts, signs), so none needs
// neutralising, and hundreds of thousands of lines are written straight as bytes.
void LinhaPar(const LinhaCalculada& l, QByteArray& saida) {
    // Each level's verdict and each set of signs in UTF-8, made once, and the longest line
    // they can make.
    struct Textos {
        std::array<QVector<QByteArray>, kCampos> vereditos;
        std::array<QByteArray, 32> sinais;
        qsizetype maximo = 0;
    };
    static const Textos textos = [] {
        Textos t;
        constexpr qsizetype kNumero = 26;  // an ID, or a number with its blank and sign
        t.maximo = 4 * kNumero + 8;        // the IDs, the score and `via`, the separators
        for (int c = 0; c < kCampos; ++c) {
            qsizetype maior = 0;
            for (int n = 0; n < Definicoes()[size_t(c)].niveis.size(); ++n) {
                t.vereditos[size_t(c)] << LocalizadorSemelhantes::Rotulo(c, n).toUtf8();
                maior = std::max(maior, t.vereditos[size_t(c)].back().size());
            }
            t.maximo += 1 + maior + kNumero;
        }
        qsizetype maior = 0;
        for (int x = 0; x < 32; ++x) {
            QStringList s = TextosSinais(quint8(x & 15));
            if (x & 16)
                s << QStringLiteral("decididos como pessoas diferentes");
            t.sinais[size_t(x)] = s.join(QStringLiteral("; ")).toUtf8();
            maior = std::max(maior, t.sinais[size_t(x)].size());
        }
        t.maximo += maior;
        return t;
    }();
    // Written straight into the text's room for the longest line, then cut to its length: a
    // line is some thirty pieces, and appended one by one they took most of the writing.
    const qsizetype antes = saida.size();
    saida.resize(antes + textos.maximo);
    char* const inicio = saida.data() + antes;
    char* o = inicio;
    const auto bytes = [&o](const QByteArray& t) {
        std::memcpy(o, t.constData(), size_t(t.size()));
        o += t.size();
    };
    const auto inteiro = [&o](qint32 n) { o = std::to_chars(o, o + 12, n).ptr; };
    inteiro(l.idA);
    *o++ = '\t';
    inteiro(l.idB);
    *o++ = '\t';
    o = UmaCasa(l.pontuacao, o);
    for (int c = 0; c < kCampos; ++c) {
        const Veredito& v = l.v[size_t(c)];
        *o++ = '\t';
        bytes(textos.vereditos[size_t(c)][v.nivel]);
        if (Pesa(c, v.nivel)) {
            *o++ = ' ';
            if (v.peso >= 0)
                *o++ = '+';
            o = UmaCasa(v.peso, o);
        }
    }
    *o++ = '\t';
    bytes(textos.sinais[l.sinais]);
    *o++ = '\t';
    if (l.via)
        inteiro(l.via);
    *o++ = '\n';
    saida.resize(antes + (o - inicio));
}

bool Gravar(const QString& caminho, const std::vector<QByteArray>& partes, QTextStream& erros) {
    QSaveFile f(caminho);
    bool ok = f.open(QIODevice::WriteOnly);
    for (const QByteArray& p : partes) ok = ok && f.write(p) == p.size();
    if (!ok || !f.commit()) {
        erros << "cadunir-find: não foi possível gravar " << caminho << ": " << f.errorString()
              << "\n";
        return false;
    }
    return true;
}

}  // namespace

// Without QByteArray::number's cost: hundreds of thousands of lines of --pairs hold a dozen
// numbers each.
char* UmaCasa(double v, char* o) {
    if (v == 0) {
        std::memcpy(o, "0.0", 3);
        return o + 3;
    }
    // Ties are the values a quarter or three quarters past a whole number: printf would round
    // them to even.
    const double resto = std::fabs(v) - std::floor(std::fabs(v));
    if (resto == 0.25 || resto == 0.75)
        v += std::copysign(0.05, v);
    return std::to_chars(o, o + 24, v, std::chars_format::fixed, 1).ptr;
}

void UmaCasa(double v, QByteArray& saida) {
    char texto[24];
    saida.append(texto, UmaCasa(v, texto) - texto);
}

int ExecutarBusca(const QStringList& argumentos, QTextStream& saida, QTextStream& erros) {
    OpcoesFerramenta cli(QStringLiteral("cadunir-find"), kUso, kDescricao, true);
    const QCommandLineOption oPares(
        QStringLiteral("pairs"),
        QStringLiteral("um par por linha: ID_A, ID_B, pontuação e o veredito de cada campo"),
        QStringLiteral("ARQUIVO"));
    const QCommandLineOption oGrupos(
        QStringLiteral("groups"),
        QStringLiteral("grupos candidatos: grupo, ID_Paciente, pontuação do membro"),
        QStringLiteral("ARQUIVO"));
    const QCommandLineOption oLimiar(
        QStringLiteral("min-score"),
        QStringLiteral("pontuação mínima dos pares e grupos (padrão 50; 3 para revisão)"),
        QStringLiteral("N"));
    const QCommandLineOption oThreads(QStringLiteral("threads"),
                                      QStringLiteral("linhas de execução (padrão 2)"),
                                      QStringLiteral("N"));
    const QCommandLineOption oExplicar(
        QStringLiteral("explain"),
        QStringLiteral("mostra m, u e o peso de cada nível (aprendidos e iniciais) e a precisão e "
                       "a revocação no histórico do próprio cadastro"));
    const QCommandLineOption oAprender(
        QStringLiteral("learn"),
        QStringLiteral("aprende de novo os parâmetros com este cadastro e os guarda"));
    const QCommandLineOption oDecididos(
        QStringLiteral("decided"),
        QStringLiteral("mostra também os pares decididos como pessoas diferentes, marcados"));
    for (const auto& o : {oPares, oGrupos, oLimiar, oThreads, oExplicar, oAprender, oDecididos})
        cli.Adicionar(o);
    if (const auto fim = cli.Ler(argumentos, saida, erros))
        return *fim;
    OpcoesBusca opcoes;
    if (cli.Tem(oLimiar)) {
        bool ok = false;
        opcoes.limiar = cli.Valor(oLimiar).toDouble(&ok);
        if (!ok || !(opcoes.limiar >= 0 && opcoes.limiar <= 100))  // NaN too
            return cli.Recusar(QStringLiteral("--min-score recebe um número de 0 a 100"), erros);
    }
    if (cli.Tem(oThreads)) {
        bool ok = false;
        opcoes.threads = cli.Valor(oThreads).toInt(&ok);
        if (!ok || opcoes.threads < 1 || opcoes.threads > 16)
            return cli.Recusar(QStringLiteral("--threads recebe um número inteiro de 1 a 16"),
                               erros);
    }
    const QString cadeia = cli.Conexao();
    const QString arquivoPares = cli.Valor(oPares), arquivoGrupos = cli.Valor(oGrupos);
    const bool explicar = cli.Tem(oExplicar);
    opcoes.aprender = cli.Tem(oAprender);
    opcoes.incluirDecididos = cli.Tem(oDecididos);

    QElapsedTimer relogio;
    relogio.start();
    const QLocale br;
    clsADO ado;
    Connection conexao;
    if (!ado.AbrirConexão(conexao, cadeia)) {
        erros << "cadunir-find: o cadastro não abriu: " << ado.ErrorNumber() << " - "
              << ado.ErrorString() << "\n";
        return SaidaFalha;
    }
    qint64 ultimoPasso = -1;
    QString ultimaEtapa;
    auto progresso = [&](const QString& etapa, qint64 feito, qint64 total) {
        const qint64 passo = total > 0 ? feito * 20 / total : 0;
        if (etapa == ultimaEtapa && passo == ultimoPasso)
            return;
        ultimaEtapa = etapa;
        ultimoPasso = passo;
        erros << "\r" << etapa << ": " << br.toString(feito) << " de " << br.toString(total) << " ("
              << Num(relogio.elapsed() / 1000.0) << " s)        ";
        erros.flush();
    };
    LocalizadorSemelhantes busca(opcoes);
    if (!busca.Executar(conexao, ado, progresso)) {
        erros << "\ncadunir-find: " << busca.Erro() << "\n";
        return SaidaFalha;
    }
    ado.FecharConexão(conexao);
    QElapsedTimer etapa;
    etapa.start();
    // The groups are formed while the pairs are written: both only read the search (and the
    // future waits for the groups whichever way this function ends).
    double agrupamento = 0;
    std::future<QVector<GrupoCandidato>> agrupando =
        std::async(std::launch::async, [&busca, &agrupamento, limiar = opcoes.limiar] {
            QElapsedTimer relogioGrupos;
            relogioGrupos.start();
            QVector<GrupoCandidato> g = busca.Agrupar(limiar);
            agrupamento = relogioGrupos.elapsed() / 1000.0;
            return g;
        });
    if (!busca.Aviso().isEmpty())
        erros << "\ncadunir-find: " << busca.Aviso();

    if (explicar)
        saida << Explicacao(busca) << "\n";

    if (!arquivoPares.isEmpty()) {
        const std::vector<ParCandidato>& todos = busca.Pares();
        const int partes = std::clamp(opcoes.threads, 1, 16);
        std::vector<LinhaCalculada> linhas(todos.size());
        semelhanca::busca::EmParalelo(todos.size(), partes, [&](size_t de, size_t ate, int) {
            for (size_t i = de; i < ate; ++i) Calcular(busca, todos[i], linhas[i]);
        });
        std::vector<quint32> ordem(linhas.size());
        std::iota(ordem.begin(), ordem.end(), 0);
        std::sort(ordem.begin(), ordem.end(), [&](quint32 x, quint32 y) {
            const LinhaCalculada &a = linhas[x], &b = linhas[y];
            if (a.listada != b.listada)
                return a.listada > b.listada;
            return std::pair(a.idA, a.idB) < std::pair(b.idA, b.idB);
        });
        QStringList cabecalho = {QStringLiteral("ID_A"), QStringLiteral("ID_B"),
                                 QStringLiteral("score")};
        for (const auto& d : Definicoes()) cabecalho << QString::fromUtf8(d.coluna);
        cabecalho << QStringLiteral("sinais") << QStringLiteral("via");
        // The lines are written in as many parts as the search had threads, each part in
        // a thread of its own, and joined in order.
        std::vector<QByteArray> textos(static_cast<size_t>(partes));
        textos[0] = LinhaTSV(cabecalho).toUtf8() + '\n';
        semelhanca::busca::EmParalelo(ordem.size(), partes, [&](size_t de, size_t ate, int t) {
            for (size_t i = de; i < ate; ++i) LinhaPar(linhas[ordem[i]], textos[size_t(t)]);
        });
        if (!Gravar(arquivoPares, textos, erros))
            return SaidaFalha;
    }
    const QVector<GrupoCandidato> grupos = agrupando.get();
    int conflitos = 0;
    for (const GrupoCandidato& g : grupos) conflitos += g.conflito ? 1 : 0;
    if (!arquivoGrupos.isEmpty()) {
        QString texto = QStringLiteral("group\tID_Paciente\tscore\tmark\n");
        for (int g = 0; g < grupos.size(); ++g) {
            const GrupoCandidato& grupo = grupos[g];
            for (int i = 0; i < grupo.membros.size(); ++i)
                texto +=
                    LinhaTSV({QString::number(g + 1),
                              QString::number(busca.Reg(grupo.membros[i]).id),
                              Num(grupo.pontuacaoMembro[i]),
                              busca.SemSolucao(grupo.membros[i]) ? QStringLiteral("sem solução")
                                                                 : QString()}) +
                    '\n';
        }
        if (!Gravar(arquivoGrupos, {texto.toUtf8()}, erros))
            return SaidaFalha;
    }
    const TemposBusca& t = busca.Tempos();
    erros << "\ntempos: leitura " << Num(t.leitura, 2) << " s, medição " << Num(t.medicao, 2)
          << " s, blocagem " << Num(t.blocagem, 2) << " s, aprendizado " << Num(t.aprendizado, 2)
          << " s, comparação " << Num(t.comparacao, 2) << " s, grupos " << Num(agrupamento, 2)
          << " s, gravação " << Num(etapa.elapsed() / 1000.0, 2) << " s\n";
    saida << br.toString(busca.Registros()) << " pacientes, "
          << br.toString(busca.ParesComparados()) << " pares comparados, "
          << br.toString(qint64(busca.Pares().size()))
          << " pares com pontuação >= " << Num(opcoes.limiar, 0) << ", "
          << br.toString(qint64(grupos.size())) << " grupos (" << conflitos
          << " com membros que parecem pessoas diferentes) em " << Num(relogio.elapsed() / 1000.0)
          << " s\n";
    return SaidaFeito;
}
