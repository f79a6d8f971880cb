#include "Busca.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <algorithm>

#include "data/ado/clsADO.h"
#include "data/base/ErroNumerado.h"
#include "match/LocalizadorSemelhantes.h"
#include "patient/RegrasMesmaPessoa.h"
#include "settings/clsINI.h"

using namespace semelhanca;

namespace {

const char* const kAjuda =
    "Uso: cadunir-find (--connect CADEIA | --ini ARQUIVO) [--pairs SAIDA.tsv]\n"
    "                  [--groups SAIDA.tsv] [--min-score N] [--threads N] [--explain]\n"
    "                  [--learn] [--decided]\n"
    "\n"
    "Procura os cadastros de uma mesma pessoa que o agrupamento exato não junta: lê a\n"
    "tabela Paciente uma vez, compara os pares que partilham uma chave barata (sons dos\n"
    "nomes com o ano, documentos, data de nascimento...) campo a campo e dá a cada par uma\n"
    "pontuação de 0 a 100 (a probabilidade de ser a mesma pessoa).\n"
    "\n"
    "  --connect CADEIA  cadeia de conexão (como em Tessivar.INI)\n"
    "  --ini ARQUIVO     lê a cadeia da chave CONN_SERVER da seção Tessivar\n"
    "  --pairs ARQUIVO   um par por linha: ID_A, ID_B, pontuação e o veredito de cada campo\n"
    "  --groups ARQUIVO  grupos candidatos: grupo, ID_Paciente, pontuação do membro\n"
    "  --min-score N     pontuação mínima dos pares e grupos (padrão 50; 5 para revisão)\n"
    "  --threads N       linhas de execução na comparação (padrão 2)\n"
    "  --explain         mostra m, u e o peso de cada nível (aprendidos e iniciais) e a\n"
    "                    precisão e a revocação no histórico do próprio cadastro\n"
    "  --learn           aprende de novo os parâmetros com este cadastro e os guarda\n"
    "  --decided         mostra também os pares decididos como pessoas diferentes\n"
    "  --help            mostra esta ajuda\n";

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
             : QStringLiteral("parâmetros guardados de uma busca anterior (--learn aprende de "
                              "novo)\n");
    const AvaliacaoRotulos& r = busca.Rotulos();
    if (r.mesmaPessoa + r.pessoasDiferentes == 0)
        return t + QStringLiteral("histórico: nenhuma unificação nem decisão para conferir");
    t += QStringLiteral("histórico: %1 pares unificados (mesma pessoa), %2 decididos como pessoas "
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

bool Gravar(const QString& caminho, const QString& texto, QTextStream& erros) {
    QSaveFile f(caminho);
    if (!f.open(QIODevice::WriteOnly) || f.write(texto.toUtf8()) < 0 || !f.commit()) {
        erros << "cadunir-find: não foi possível gravar " << caminho << ": " << f.errorString()
              << "\n";
        return false;
    }
    return true;
}

}  // namespace

int ExecutarBusca(const QStringList& argumentos, QTextStream& saida, QTextStream& erros) {
    QString cadeia, arquivoPares, arquivoGrupos;
    OpcoesBusca opcoes;
    bool explicar = false;
    auto recusar = [&](const QString& motivo) {
        erros << "cadunir-find: " << motivo << "\n\n" << kAjuda;
        erros.flush();
        return 1;
    };
    for (int i = 0; i < argumentos.size(); ++i) {
        const QString& a = argumentos[i];
        const bool temValor = i + 1 < argumentos.size();
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            saida << kAjuda;
            return 0;
        } else if (a == QLatin1String("--explain")) {
            explicar = true;
        } else if (a == QLatin1String("--learn")) {
            opcoes.aprender = true;
        } else if (a == QLatin1String("--decided")) {
            opcoes.incluirDecididos = true;
        } else if (a == QLatin1String("--connect") && temValor) {
            cadeia = argumentos[++i];
        } else if (a == QLatin1String("--ini") && temValor) {
            QString motivo;
            if (!LerConexaoTessivar(argumentos[++i], cadeia, motivo)) {
                erros << "cadunir-find: " << motivo << "\n";
                return 1;
            }
        } else if (a == QLatin1String("--pairs") && temValor) {
            arquivoPares = argumentos[++i];
        } else if (a == QLatin1String("--groups") && temValor) {
            arquivoGrupos = argumentos[++i];
        } else if (a == QLatin1String("--min-score") && temValor) {
            bool ok = false;
            opcoes.limiar = argumentos[++i].toDouble(&ok);
            if (!ok || !(opcoes.limiar >= 0 && opcoes.limiar <= 100))  // NaN too
                return recusar(QStringLiteral("--min-score recebe um número de 0 a 100"));
        } else if (a == QLatin1String("--threads") && temValor) {
            bool ok = false;
            opcoes.threads = argumentos[++i].toInt(&ok);
            if (!ok || opcoes.threads < 1 || opcoes.threads > 16)
                return recusar(QStringLiteral("--threads recebe um número inteiro de 1 a 16"));
        } else if (a.startsWith(QLatin1String("--")) && !temValor &&
                   (a == QLatin1String("--connect") || a == QLatin1String("--ini") ||
                    a == QLatin1String("--pairs") || a == QLatin1String("--groups") ||
                    a == QLatin1String("--min-score") || a == QLatin1String("--threads"))) {
            return recusar(a + QStringLiteral(" precisa de um valor"));
        } else {
            return recusar(QStringLiteral("argumento inválido: ") + a);
        }
    }
    if (cadeia.isEmpty())
        return recusar(QStringLiteral("falta --connect ou --ini"));

    QElapsedTimer relogio;
    relogio.start();
    const QLocale br;
    clsADO ado;
    Connection conexao;
    if (!ado.AbrirConexão(conexao, cadeia)) {
        erros << "cadunir-find: o cadastro não abriu: " << ado.ErrorNumber() << " - "
              << ado.ErrorString() << "\n";
        return 1;
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
        return 1;
    }
    ado.FecharConexão(conexao);
    const QVector<GrupoCandidato> grupos = busca.Agrupar(opcoes.limiar);
    const TemposBusca& t = busca.Tempos();
    erros << "\ntempos: leitura " << Num(t.leitura) << " s, medição " << Num(t.medicao)
          << " s, blocagem " << Num(t.blocagem) << " s, aprendizado " << Num(t.aprendizado)
          << " s, comparação " << Num(t.comparacao) << " s\n";
    if (!busca.Aviso().isEmpty())
        erros << "cadunir-find: " << busca.Aviso() << "\n";

    if (explicar)
        saida << Explicacao(busca) << "\n";

    if (!arquivoPares.isEmpty()) {
        std::vector<const ParCandidato*> pares;
        for (const ParCandidato& p : busca.Pares()) pares.push_back(&p);
        std::sort(pares.begin(), pares.end(), [&](const ParCandidato* x, const ParCandidato* y) {
            if (x->pontuacao != y->pontuacao)
                return x->pontuacao > y->pontuacao;
            return std::pair(busca.Reg(x->a).id, busca.Reg(x->b).id) <
                   std::pair(busca.Reg(y->a).id, busca.Reg(y->b).id);
        });
        QString texto = QStringLiteral("ID_A\tID_B\tscore");
        for (const auto& d : Definicoes()) texto += '\t' + QString::fromUtf8(d.coluna);
        texto += QStringLiteral("\tsinais\n");
        std::array<Veredito, kCampos> v;
        for (const ParCandidato* p : pares) {
            const double pontos = busca.Pontuar(p->a, p->b, &v);
            texto += QString::number(busca.Reg(p->a).id) + '\t' +
                     QString::number(busca.Reg(p->b).id) + '\t' + Num(pontos);
            for (int c = 0; c < kCampos; ++c) {
                texto += '\t' + LocalizadorSemelhantes::Rotulo(c, v[size_t(c)].nivel);
                if (v[size_t(c)].nivel || !Definicoes()[size_t(c)].temNulo)
                    texto += QStringLiteral(" %1%2")
                                 .arg(v[size_t(c)].peso >= 0 ? "+" : "")
                                 .arg(Num(v[size_t(c)].peso));
            }
            QStringList sinais = TextosSinais(p->sinais);
            if (p->decidido)
                sinais << QStringLiteral("decididos como pessoas diferentes");
            texto += '\t' + sinais.join(QStringLiteral("; ")) + '\n';
        }
        if (!Gravar(arquivoPares, texto, erros))
            return 1;
    }
    int conflitos = 0;
    for (const GrupoCandidato& g : grupos) conflitos += g.conflito ? 1 : 0;
    if (!arquivoGrupos.isEmpty()) {
        QString texto = QStringLiteral("group\tID_Paciente\tscore\tmark\n");
        for (int g = 0; g < grupos.size(); ++g) {
            const GrupoCandidato& grupo = grupos[g];
            for (int i = 0; i < grupo.membros.size(); ++i)
                texto += QString::number(g + 1) + '\t' +
                         QString::number(busca.Reg(grupo.membros[i]).id) + '\t' +
                         Num(grupo.pontuacaoMembro[i]) + '\t' +
                         (busca.SemSolucao(grupo.membros[i]) ? QStringLiteral("sem solução")
                                                             : QString()) +
                         '\n';
        }
        if (!Gravar(arquivoGrupos, texto, erros))
            return 1;
    }
    saida << br.toString(busca.Registros()) << " pacientes, "
          << br.toString(busca.ParesComparados()) << " pares comparados, "
          << br.toString(qint64(busca.Pares().size()))
          << " pares com pontuação >= " << Num(opcoes.limiar, 0) << ", "
          << br.toString(qint64(grupos.size())) << " grupos (" << conflitos
          << " com membros que parecem pessoas diferentes) em " << Num(relogio.elapsed() / 1000.0)
          << " s\n";
    return 0;
}
