#include "LocalizadorSemelhantes.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <thread>
#include <unordered_map>

#include "data/ado/Recordset.h"
#include "data/ado/clsADO.h"
#include "decisions/clsDecisaoPessoas.h"
#include "match/AprendizadoEM.h"
#include "match/FuncoesBusca.h"
#include "match/clsParametrosBusca.h"
#include "patient/Normalizacao.h"

namespace semelhanca {

using namespace busca;

namespace {

const QString kInterrompida = QStringLiteral("A busca por semelhança foi interrompida.");

// The parameters saved are learned again when the register changed by more than this share
// since (records added, merged or deleted).
constexpr double kMudancaParaReaprender = 0.10;

// The columns the search reads, in this order.
const char* const kColunas =
    "ID_Paciente, Nome, Nome_Meio, Nome_Último, RG, CIC, Data_Nascimento, Sexo, Prontuário, "
    "CEP, Telefone, Endereço, Bairro, Cidade";

QString ErroLeitura(const QString& oQue, clsADO& ado) {
    return QStringLiteral("Ao ler %1, ocorreu o seguinte erro:\n\n%2 - %3")
        .arg(oQue)
        .arg(ado.ErrorNumber())
        .arg(ado.ErrorString());
}

// Runs `trabalho(de, ate, thread)` over [0, total) in `threads` threads.
template <class F>
void EmParalelo(size_t total, int threads, F trabalho) {
    const int n = std::max(1, std::min(threads, 16));
    std::vector<std::thread> outras;
    for (int t = 1; t < n; ++t)
        outras.emplace_back(trabalho, total * size_t(t) / size_t(n),
                            total * size_t(t + 1) / size_t(n), t);
    trabalho(size_t(0), total / size_t(n), 0);
    for (auto& t : outras) t.join();
}

}  // namespace

quint32 LocalizadorSemelhantes::Dicionario::id(const QByteArray& t, int papel, bool contar,
                                               bool fonetica) {
    if (t.isEmpty())
        return 0;
    std::string chave(t.constData(), size_t(t.size()));
    auto it = indice.find(chave);
    quint32 r;
    if (it == indice.end()) {
        r = quint32(entradas.size());
        EntradaDicionario e;
        e.texto = chave;
        if (fonetica) {
            const QByteArray f = ChaveFonetica(t);
            e.fonetica.assign(f.constData(), size_t(f.size()));
        }
        entradas.push_back(std::move(e));
        indice.emplace(std::move(chave), r);
    } else {
        r = it->second;
    }
    if (contar) {
        ++entradas[r].contagem[size_t(papel)];
        ++com[size_t(papel)];
    }
    return r;
}

LocalizadorSemelhantes::LocalizadorSemelhantes(OpcoesBusca opcoes) : m_opcoes(opcoes) {
    Parametros p = m_modelo.Iniciais();
    p.duplicados = m_opcoes.duplicados;
    m_modelo.Definir(p);
}

Registro LocalizadorSemelhantes::montar(qint32 id, const QVariant& nome, const QVariant& meio,
                                        const QVariant& ultimo, const QVariant& rg,
                                        const QVariant& cic, const QVariant& nascimento,
                                        const QVariant& sexo, const QVariant& prontuario,
                                        const QVariant& cep, const QVariant& telefone,
                                        const QVariant& endereco, const QVariant& bairro,
                                        const QVariant& cidade, bool contar) {
    Registro r;
    r.id = id;
    const QByteArray n1 = TextoNormalizado(nome);
    const QByteArray n2 = TextoNormalizado(meio);
    const QByteArray n3 = TextoNormalizado(ultimo);
    r.nome = m_nomes.id(n1, 0, contar, true);
    r.meio = m_nomes.id(n2, 1, contar, true);
    r.ultimo = m_nomes.id(n3, 2, contar, true);
    // The whole name word by word: its first and last words, when the fields split it
    // otherwise (JOANA CARVALHO typed into Nome; SILVA SANTOS for SANTOS).
    QByteArray inteiro = n1;
    for (const QByteArray* p : {&n2, &n3})
        if (!p->isEmpty())
            inteiro += (inteiro.isEmpty() ? "" : " ") + *p;
    const auto palavras = Palavras(std::string_view(inteiro.constData(), size_t(inteiro.size())), true);
    if (palavras.size() >= 2) {
        const QByteArray primeira(palavras.front().data(), qsizetype(palavras.front().size()));
        const QByteArray ultima(palavras.back().data(), qsizetype(palavras.back().size()));
        if (primeira != n1)
            r.nomeAlt = m_nomes.id(primeira, 0, false, true);
        if (ultima != n3)
            r.ultimoAlt = m_nomes.id(ultima, 2, false, true);
    }
    r.nascimento = DataNascimento(nascimento);
    r.sexo = SexoNormalizado(sexo);
    const QByteArray dRg = RgNormalizado(rg);
    r.nRg = quint8(dRg.size());
    std::memcpy(r.rg.data(), dRg.constData(), r.nRg);
    const QByteArray dCic = CicNormalizado(cic);
    r.nCic = quint8(dCic.size());
    std::memcpy(r.cic.data(), dCic.constData(), r.nCic);
    r.cicValido = CicValido(dCic);
    const QByteArray p = TextoNormalizado(prontuario);
    r.prontuario = p.isEmpty() ? 0 : Hash(p.constData(), size_t(p.size()), 7) | 1;
    const QByteArray dCep = Digitos(cep);
    r.cep = dCep.size() >= 5 ? dCep.left(8).toUInt() + 1 : 0;
    const QByteArray dTel = Digitos(telefone);
    r.telefone = dTel.size() >= 8 ? dTel.right(8).toULongLong() + 1 : 0;
    const EnderecoNormalizado e = Endereco(endereco);
    r.rua = m_lugares.id(e.rua, 0, contar, false);
    r.numero = e.numero;
    r.bairro = m_lugares.id(TextoNormalizado(bairro), 1, contar, false);
    r.cidade = m_lugares.id(TextoNormalizado(cidade), 2, contar, false);
    if (contar) {
        QString completo = nome.toString();
        if (!meio.toString().isEmpty())
            completo += ' ' + meio.toString();
        if (!ultimo.toString().isEmpty())
            completo += ' ' + ultimo.toString();
        const QByteArray utf8 = completo.toUtf8().left(0xFFFF);
        r.textoNome = quint32(m_textos.size());
        r.tamanhoNome = quint16(utf8.size());
        m_textos.append(utf8.constData(), size_t(utf8.size()));
    }
    return r;
}

void LocalizadorSemelhantes::Adicionar(qint32 id, const QVariant& nome, const QVariant& meio,
                                       const QVariant& ultimo, const QVariant& rg,
                                       const QVariant& cic, const QVariant& nascimento,
                                       const QVariant& sexo, const QVariant& prontuario,
                                       const QVariant& cep, const QVariant& telefone,
                                       const QVariant& endereco, const QVariant& bairro,
                                       const QVariant& cidade) {
    m_registros.push_back(montar(id, nome, meio, ultimo, rg, cic, nascimento, sexo, prontuario, cep,
                                 telefone, endereco, bairro, cidade, true));
    m_porId.clear();
}

void LocalizadorSemelhantes::AdicionarHistorico(
    qint32 idSobrevivente, const QVariant& nome, const QVariant& meio, const QVariant& ultimo,
    const QVariant& rg, const QVariant& cic, const QVariant& nascimento, const QVariant& sexo,
    const QVariant& prontuario, const QVariant& cep, const QVariant& telefone,
    const QVariant& endereco, const QVariant& bairro, const QVariant& cidade) {
    m_historico.push_back(montar(0, nome, meio, ultimo, rg, cic, nascimento, sexo, prontuario, cep,
                                 telefone, endereco, bairro, cidade, false));
    m_sobreviventes.push_back(idSobrevivente);
}

void LocalizadorSemelhantes::DefinirParametros(const Parametros& p) {
    m_modelo.Definir(p);
    m_parametrosDados = true;
}

QString LocalizadorSemelhantes::NomeCompleto(quint32 i) const {
    const Registro& r = m_registros[i];
    return QString::fromUtf8(m_textos.data() + r.textoNome, r.tamanhoNome);
}

qint64 LocalizadorSemelhantes::Indice(qint32 id) const {
    if (m_porId.size() != m_registros.size()) {
        m_porId.clear();
        m_porId.reserve(m_registros.size());
        for (quint32 i = 0; i < m_registros.size(); ++i) m_porId.emplace_back(m_registros[i].id, i);
        std::sort(m_porId.begin(), m_porId.end());
    }
    const auto it = std::lower_bound(m_porId.begin(), m_porId.end(),
                                     std::pair<qint32, quint32>(id, 0));
    return it != m_porId.end() && it->first == id ? qint64(it->second) : -1;
}

bool LocalizadorSemelhantes::Ler(Connection& cn, clsADO& ado, const Progresso& progresso) {
    Recordset rs;
    qint64 total = 0;
    // The count only feeds the progress; the pages below say whether the table can be read.
    if (ado.AbrirRecordset(cn, rs, QStringLiteral("SELECT COUNT(*) FROM Paciente"))) {
        if (!rs.Eof())
            total = rs.Fields(0).Value().toLongLong();
        rs.Close();
    }
    m_registros.reserve(size_t(total));
    qint64 ultimo = std::numeric_limits<qint32>::min();
    for (;;) {
        if (parado())
            return false;
        // One page per statement, by key: the table is read once, in key order, whatever its
        // size, and only one page is ever held as database values.
        const QString sql = QStringLiteral("SELECT TOP %1 %2 FROM Paciente WHERE ID_Paciente > %3 "
                                           "ORDER BY ID_Paciente")
                                .arg(m_opcoes.linhasPorPagina)
                                .arg(QString::fromUtf8(kColunas))
                                .arg(ultimo);
        if (!ado.AbrirRecordset(cn, rs, sql)) {
            m_erro = ErroLeitura(QStringLiteral("os pacientes"), ado);
            return false;
        }
        const auto& linhas = rs.Dados().linhas;
        for (const QVector<QVariant>& l : linhas)
            Adicionar(l[0].toInt(), l[1], l[2], l[3], l[4], l[5], l[6], l[7], l[8], l[9], l[10],
                      l[11], l[12], l[13]);
        const qsizetype lidas = linhas.size();
        if (lidas > 0)
            ultimo = linhas.back()[0].toLongLong();
        rs.Close();
        if (progresso)
            progresso(QStringLiteral("lendo"), Registros(), std::max(total, Registros()));
        if (lidas < m_opcoes.linhasPorPagina)
            break;
    }
    return true;
}

bool LocalizadorSemelhantes::Executar(Connection& cn, clsADO& ado, const Progresso& progresso) {
    if (!Ler(cn, ado, progresso))
        return false;
    // The register's history: every removed record against the record it went into (the end
    // of the chain when that one was merged later too). A record that is back in Paciente was
    // restored by an undo: that merge says nothing.
    if (ado.TableExiste(cn, QStringLiteral("PacienteLog"))) {
        Recordset rs;
        if (!ado.AbrirRecordset(
                cn, rs,
                QStringLiteral("SELECT ID_Paciente, ID_PacienteNovo, ") +
                    QString::fromUtf8(kColunas).section(QStringLiteral(", "), 1) +
                    QStringLiteral(" FROM PacienteLog"))) {
            m_erro = ErroLeitura(QStringLiteral("o histórico de unificações"), ado);
            return false;
        }
        std::unordered_map<qint32, qint32> destino;
        for (const auto& l : rs.Dados().linhas) destino[l[0].toInt()] = l[1].toInt();
        for (const auto& l : rs.Dados().linhas) {
            if (Indice(l[0].toInt()) >= 0)
                continue;
            qint32 sobrevivente = l[1].toInt();
            for (int passos = 0; Indice(sobrevivente) < 0 && passos < 100; ++passos) {
                const auto it = destino.find(sobrevivente);
                if (it == destino.end())
                    break;
                sobrevivente = it->second;
            }
            if (Indice(sobrevivente) >= 0)
                AdicionarHistorico(sobrevivente, l[2], l[3], l[4], l[5], l[6], l[7], l[8], l[9],
                                   l[10], l[11], l[12], l[13], l[14]);
        }
        rs.Close();
    }
    QSet<QPair<qint32, qint32>> decididos;
    if (!ParesNaoMesmaPessoa(cn, ado, decididos)) {
        m_erro = ErroLeitura(QStringLiteral("as decisões de pessoas diferentes"), ado);
        return false;
    }
    DefinirDecididos(decididos);
    if (ado.TableExiste(cn, QStringLiteral("PacienteLogSemSolucao"))) {
        Recordset rs;
        if (!ado.AbrirRecordset(
                cn, rs, QStringLiteral("SELECT DISTINCT ID_Paciente FROM PacienteLogSemSolucao"))) {
            m_erro = ErroLeitura(QStringLiteral("as marcas de sem solução"), ado);
            return false;
        }
        for (const auto& l : rs.Dados().linhas) m_semSolucao.insert(l[0].toInt());
        rs.Close();
    }

    clsParametrosBusca guardados(cn, ado);
    clsParametrosBusca::Salvos salvos;
    bool existem = false;
    qint32 maiorId = 0;
    for (const Registro& r : m_registros) maiorId = std::max(maiorId, r.id);
    if (guardados.Ler(salvos, existem) && existem) {
        qint64 novos = 0;
        for (const Registro& r : m_registros) novos += r.id > salvos.maiorId;
        if (!clsParametrosBusca::Mudou(salvos, Registros(), novos, kMudancaParaReaprender))
            DefinirParametros(salvos.parametros);
    }
    if (!Comparar(progresso))
        return false;
    if (m_aprendeu && !guardados.Gravar(m_modelo.Atuais(), Registros(), maiorId))
        m_aviso = QStringLiteral(
                      "Os parâmetros aprendidos não foram guardados (%1 - %2): a próxima busca "
                      "aprende de novo.")
                      .arg(guardados.Erro().ErrorNumber())
                      .arg(guardados.Erro().ErrorString());
    return true;
}

bool LocalizadorSemelhantes::parado() {
    if (!m_opcoes.parar || !m_opcoes.parar())
        return false;
    m_erro = kInterrompida;
    return true;
}

void LocalizadorSemelhantes::aprender(const std::vector<quint64>& candidatos,
                                      const Progresso& progresso) {
    if (progresso)
        progresso(QStringLiteral("aprendendo"), 0, 1);
    const int nThreads = std::max(1, std::min(m_opcoes.threads, 16));
    std::vector<std::unordered_map<Padrao, qint64>> contagens{size_t(nThreads)};
    EmParalelo(candidatos.size(), nThreads, [&](size_t de, size_t ate, int t) {
        Cache cache;
        std::array<quint8, kCampos> nv{};
        auto& contagem = contagens[size_t(t)];
        for (size_t k = de; k < ate; ++k) {
            niveis(m_registros[quint32(candidatos[k] >> 32)], m_registros[quint32(candidatos[k])],
                   nv, &cache);
            ++contagem[Codificar(nv)];
        }
    });
    for (size_t t = 1; t < contagens.size(); ++t)
        for (const auto& [p, q] : contagens[t]) contagens[0][p] += q;
    std::vector<std::pair<Padrao, qint64>> padroes(contagens[0].begin(), contagens[0].end());
    std::vector<Padrao> historico;
    std::array<quint8, kCampos> nv{};
    for (size_t h = 0; h < m_historico.size(); ++h) {
        niveis(m_historico[h], m_registros[quint32(Indice(m_sobreviventes[h]))], nv, nullptr);
        historico.push_back(Codificar(nv));
    }
    const ResultadoEM r = AprenderEM(m_modelo, std::move(padroes), historico, Registros());
    m_modelo.Definir(r.parametros);
    m_iteracoes = r.iteracoes;
    m_aprendeu = true;
}

bool LocalizadorSemelhantes::Comparar(const Progresso& progresso) {
    m_pares.clear();
    m_comparados = 0;
    m_aprendeu = false;
    if (m_registros.size() < 2)
        return !parado();
    contarFrequencias();
    const bool aprenderAgora = !m_parametrosDados || m_opcoes.aprender;
    if (aprenderAgora) {
        // u is measured on this register; m and the prior start from their starting values.
        Parametros p = m_modelo.Iniciais();
        p.duplicados = m_opcoes.duplicados;
        m_modelo.Definir(p);
        if (progresso)
            progresso(QStringLiteral("medindo"), 0, 1);
        medirU();
    }
    if (parado())
        return false;
    std::vector<quint64> candidatos;
    gerarPares(candidatos, progresso);
    if (parado())
        return false;
    m_comparados = qint64(candidatos.size());
    if (aprenderAgora) {
        aprender(candidatos, progresso);
        if (parado())
            return false;
    }
    m_prior = m_modelo.PriorLog2(Registros());

    std::atomic<bool> interrompida{false};
    const int nThreads = std::max(1, std::min(m_opcoes.threads, 16));
    std::vector<std::vector<ParCandidato>> saidas(static_cast<size_t>(nThreads));
    const size_t total = candidatos.size();
    if (progresso)
        progresso(QStringLiteral("comparando"), 0, qint64(total));
    EmParalelo(total, nThreads, [&](size_t de, size_t ate, int t) {
        Cache cache;
        std::array<quint8, kCampos> nv{};
        auto& saida = saidas[size_t(t)];
        for (size_t k = de; k < ate; ++k) {
            if ((k & 0xFFFF) == 0 && m_opcoes.parar && (interrompida || m_opcoes.parar())) {
                interrompida = true;
                return;
            }
            const quint32 a = quint32(candidatos[k] >> 32), b = quint32(candidatos[k]);
            const Registro& ra = m_registros[a];
            const Registro& rb = m_registros[b];
            niveis(ra, rb, nv, &cache);
            const double p = ModeloPontuacao::Pontuacao(peso(ra, a, nv, nullptr));
            if (p < m_opcoes.limiar)
                continue;
            ParCandidato par;
            par.a = a;
            par.b = b;
            par.pontuacao = float(p);
            par.niveis = nv;
            par.sinais = sinais(ra, rb);
            par.decidido = Decidido(a, b);
            if (!par.decidido || m_opcoes.incluirDecididos)
                saida.push_back(par);
        }
    });
    std::vector<quint64>().swap(candidatos);
    if (interrompida) {
        m_erro = kInterrompida;
        return false;
    }
    size_t guardados = 0;
    for (const auto& s : saidas) guardados += s.size();
    m_pares.reserve(guardados);
    for (auto& s : saidas) m_pares.insert(m_pares.end(), s.begin(), s.end());
    if (progresso)
        progresso(QStringLiteral("comparando"), qint64(total), qint64(total));
    avaliarRotulos();
    return true;
}

void LocalizadorSemelhantes::avaliarRotulos() {
    m_avaliacao = {};
    ModeloPontuacao inicial;
    Parametros p = m_modelo.Atuais();
    p.m = m_modelo.Iniciais().m;
    p.duplicados = m_opcoes.duplicados;
    inicial.Definir(p);
    const ModeloPontuacao* modelos[2] = {&m_modelo, &inicial};
    const double limiares[2] = {m_opcoes.limiar, m_opcoes.limiarRevisao};
    const auto contar = [&](const Registro& a, quint32 indice, const Registro& b, qint64 (&acima)[2][2]) {
        std::array<quint8, kCampos> nv{};
        niveis(a, b, nv, nullptr);
        const bool familia = ModeloPontuacao::Familia(nv);
        for (int m = 0; m < 2; ++m) {
            double w = modelos[m]->PriorLog2(Registros());
            for (int c = 0; c < kCampos; ++c) {
                const int l = nv[size_t(c)];
                const double f = Definicoes()[size_t(c)].niveis[l].porFrequencia
                                     ? frequencia(c, l, b, indice)
                                     : -1;
                w += modelos[m]->PesoCampo(c, nv, f, familia);
            }
            for (int l = 0; l < 2; ++l) acima[m][l] += ModeloPontuacao::Pontuacao(w) >= limiares[l];
        }
    };
    for (size_t h = 0; h < m_historico.size(); ++h) {
        const quint32 s = quint32(Indice(m_sobreviventes[h]));
        contar(m_historico[h], s, m_registros[s], m_avaliacao.mesmaAcima);
        ++m_avaliacao.mesmaPessoa;
    }
    for (const auto& [x, y] : m_decididos) {
        const qint64 a = Indice(x), b = Indice(y);
        if (a < 0 || b < 0)
            continue;
        contar(m_registros[size_t(a)], quint32(b), m_registros[size_t(b)],
               m_avaliacao.diferentesAcima);
        ++m_avaliacao.pessoasDiferentes;
    }
}

double LocalizadorSemelhantes::Pontuar(quint32 a, quint32 b,
                                       std::array<Veredito, kCampos>* vereditos) const {
    std::array<quint8, kCampos> nv{};
    niveis(m_registros[a], m_registros[b], nv, nullptr);
    return ModeloPontuacao::Pontuacao(peso(m_registros[a], a, nv, vereditos));
}

quint8 LocalizadorSemelhantes::Sinais(quint32 a, quint32 b) const {
    return sinais(m_registros[a], m_registros[b]);
}

bool LocalizadorSemelhantes::Decidido(quint32 a, quint32 b) const {
    if (m_decididos.isEmpty())
        return false;
    const qint32 x = m_registros[a].id, y = m_registros[b].id;
    return m_decididos.contains({std::min(x, y), std::max(x, y)});
}

QString LocalizadorSemelhantes::Rotulo(int campo, int nivel) {
    return QString::fromUtf8(Definicoes()[size_t(campo)].niveis[nivel].rotulo);
}

QVector<GrupoCandidato> LocalizadorSemelhantes::Agrupar(double limiar) const {
    std::vector<const ParCandidato*> arestas;
    for (const ParCandidato& p : m_pares)
        if (p.pontuacao >= limiar && !p.decidido)
            arestas.push_back(&p);
    // Strongest links first (Kruskal): the last link that joins two parts of a group is the
    // weakest one the group rests on.
    std::sort(arestas.begin(), arestas.end(), [](const ParCandidato* x, const ParCandidato* y) {
        return x->pontuacao != y->pontuacao ? x->pontuacao > y->pontuacao
                                            : std::tie(x->a, x->b) < std::tie(y->a, y->b);
    });
    std::unordered_map<quint32, quint32> pai;
    std::unordered_map<quint32, float> ligacao;
    auto raiz = [&](quint32 x) {
        auto it = pai.find(x);
        if (it == pai.end()) {
            pai.emplace(x, x);
            return x;
        }
        quint32 r = x;
        while (pai[r] != r) r = pai[r];
        while (pai[x] != r) {
            const quint32 p = pai[x];
            pai[x] = r;
            x = p;
        }
        return r;
    };
    for (const ParCandidato* e : arestas) {
        const quint32 ra = raiz(e->a), rb = raiz(e->b);
        if (ra == rb)
            continue;
        float menor = e->pontuacao;
        if (auto it = ligacao.find(ra); it != ligacao.end())
            menor = std::min(menor, it->second);
        if (auto it = ligacao.find(rb); it != ligacao.end())
            menor = std::min(menor, it->second);
        pai[rb] = ra;
        ligacao[ra] = menor;
    }
    std::unordered_map<quint32, int> indice;
    QVector<GrupoCandidato> grupos;
    std::vector<quint32> membros;
    membros.reserve(pai.size());
    for (const auto& [x, p] : pai) membros.push_back(x);
    std::sort(membros.begin(), membros.end());
    for (quint32 x : membros) {
        const quint32 r = raiz(x);
        auto it = indice.find(r);
        if (it == indice.end()) {
            it = indice.emplace(r, int(grupos.size())).first;
            grupos.append(GrupoCandidato());
            grupos.back().ligacao = ligacao[r];
        }
        grupos[it->second].membros.append(x);
    }
    // Every two members of a group scored directly: a chain A~B~C holds A and C together
    // even when they disagree, and that must show, as must any sign of two people.
    constexpr int kDireto = 40;
    for (GrupoCandidato& g : grupos) {
        const int n = int(g.membros.size());
        g.pontuacaoMembro.fill(100.0f, n);
        g.menorPar = g.ligacao;
        g.fracoA = g.membros[0];
        g.fracoB = g.membros[1];
        if (n <= kDireto) {
            g.menorPar = 101;
            for (int i = 0; i < n; ++i)
                for (int j = i + 1; j < n; ++j) {
                    const quint32 a = g.membros[i], b = g.membros[j];
                    const float p = float(Pontuar(a, b));
                    g.pontuacaoMembro[i] = std::min(g.pontuacaoMembro[i], p);
                    g.pontuacaoMembro[j] = std::min(g.pontuacaoMembro[j], p);
                    g.sinais |= Sinais(a, b);
                    g.decidido = g.decidido || Decidido(a, b);
                    if (p < g.menorPar) {
                        g.menorPar = p;
                        g.fracoA = a;
                        g.fracoB = b;
                    }
                }
        } else {
            // Too many members to score every pair: the links stand for them.
            float fraco = 101;
            std::unordered_map<quint32, int> pos;
            for (int i = 0; i < n; ++i) pos.emplace(g.membros[i], i);
            for (int i = 0; i < n; ++i) g.pontuacaoMembro[i] = 0;
            for (const ParCandidato* e : arestas) {
                auto ia = pos.find(e->a);
                if (ia == pos.end())
                    continue;
                auto ib = pos.find(e->b);
                g.sinais |= e->sinais;
                if (e->pontuacao < fraco) {
                    fraco = e->pontuacao;
                    g.fracoA = e->a;
                    g.fracoB = e->b;
                }
                g.pontuacaoMembro[ia->second] =
                    std::max(g.pontuacaoMembro[ia->second], e->pontuacao);
                g.pontuacaoMembro[ib->second] =
                    std::max(g.pontuacaoMembro[ib->second], e->pontuacao);
            }
        }
        for (quint32 m : g.membros) g.semSolucao = g.semSolucao || SemSolucao(m);
        g.conflito = g.sinais || g.decidido || g.semSolucao || g.menorPar < m_opcoes.limiarRevisao;
    }
    std::stable_sort(
        grupos.begin(), grupos.end(),
        [](const GrupoCandidato& x, const GrupoCandidato& y) { return x.ligacao > y.ligacao; });
    return grupos;
}

}  // namespace semelhanca
