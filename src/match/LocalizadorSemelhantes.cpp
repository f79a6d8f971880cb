#include "LocalizadorSemelhantes.h"

#include <QElapsedTimer>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <limits>
#include <map>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "data/ado/Recordset.h"
#include "data/ado/clsADO.h"
#include "data/base/Motor.h"
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

// How many pairs ahead a record is asked for before it is compared.
constexpr size_t kAdiante = 16;

void Antecipar(const Registro* r) {
    // Every cache line the record touches: a record is not aligned to them, and stepping from
    // its start missed the last (the address and telephone, waited for at every pair).
    const quintptr inicio = reinterpret_cast<quintptr>(r);
    for (quintptr linha = inicio & ~quintptr(63); linha < inicio + sizeof(Registro); linha += 64)
        __builtin_prefetch(reinterpret_cast<const void*>(linha));
}

// Pairs counted by pattern, by open addressing: hundreds of thousands of patterns once the
// values' frequencies are in them, and a map of nodes chased two pointers for each of millions
// of pairs (most of the learning's time).
class ContagemPadroes {
  public:
    void Somar(Padrao p) {
        if (2 * (m_usados + 1) > m_vagas.size())
            crescer();
        const size_t mascara = m_vagas.size() - 1;
        size_t k = Misturar(p) & mascara;
        while (m_vagas[k].second && m_vagas[k].first != p) k = (k + 1) & mascara;
        if (!m_vagas[k].second) {
            m_vagas[k].first = p;
            ++m_usados;
        }
        ++m_vagas[k].second;
    }
    void Juntar(std::vector<std::pair<Padrao, qint64>>& saida) const {
        for (const auto& v : m_vagas)
            if (v.second)
                saida.push_back(v);
    }

  private:
    void crescer() {
        std::vector<std::pair<Padrao, qint64>> antigas(std::max<size_t>(4096, 2 * m_vagas.size()));
        antigas.swap(m_vagas);
        m_usados = 0;
        const size_t mascara = m_vagas.size() - 1;
        for (const auto& v : antigas)
            if (v.second) {
                size_t k = Misturar(v.first) & mascara;
                while (m_vagas[k].second) k = (k + 1) & mascara;
                m_vagas[k] = v;
                ++m_usados;
            }
    }
    std::vector<std::pair<Padrao, qint64>> m_vagas;  // count 0: free
    size_t m_usados = 0;
};

// The order of the kept pairs: by their two records.
bool PorRegistros(const ParCandidato& x, const ParCandidato& y) {
    return std::tie(x.a, x.b) < std::tie(y.a, y.b);
}

// Pairs scored after the comparing joined to the kept ones, which stay in order.
void JuntarEmOrdem(std::vector<ParCandidato>& pares, std::vector<ParCandidato>& novos) {
    if (novos.empty())
        return;
    std::sort(novos.begin(), novos.end(), PorRegistros);
    const size_t antes = pares.size();
    pares.insert(pares.end(), novos.begin(), novos.end());
    std::inplace_merge(pares.begin(), pares.begin() + std::ptrdiff_t(antes), pares.end(),
                       PorRegistros);
}

}  // namespace

quint32 LocalizadorSemelhantes::Dicionario::id(std::string_view t, quint64 hash, int papel,
                                               bool contar, bool fonetica) {
    if (t.empty())
        return 0;
    if (2 * entradas.size() >= indice.size()) {
        // At most half full, so that a look-up rarely reads more than one slot.
        std::vector<std::pair<quint64, quint32>> maior(std::max<size_t>(1024, 4 * indice.size()));
        const size_t mascara = maior.size() - 1;
        for (const auto& v : indice)
            if (v.second) {
                size_t k = v.first & mascara;
                while (maior[k].second) k = (k + 1) & mascara;
                maior[k] = v;
            }
        indice.swap(maior);
    }
    const size_t mascara = indice.size() - 1;
    size_t k = hash & mascara;
    for (; indice[k].second; k = (k + 1) & mascara)
        if (indice[k].first == hash && entradas[indice[k].second].texto == t)
            break;
    quint32 r = indice[k].second;
    if (!r) {
        r = quint32(entradas.size());
        EntradaDicionario e;
        e.texto.assign(t);
        if (fonetica) {
            e.digito = TemDigito(t);
            const std::string letras = e.digito ? DigitosComoLetras(t) : std::string();
            const std::string_view som = e.digito ? std::string_view(letras) : t;
            const QByteArray f = ChaveFonetica(QByteArray(som.data(), qsizetype(som.size())));
            e.fonetica.assign(f.constData(), size_t(f.size()));
            e.som = Hash(e.fonetica, 5);
            const Palavras palavras(e.texto, true);
            if (!palavras.empty() && e.texto.size() <= 0xFFFF) {
                e.inicioPrimeira = quint16(palavras.front().data() - e.texto.data());
                e.tamanhoPrimeira = quint16(palavras.front().size());
            }
        }
        indice[k] = {hash, r};
        entradas.push_back(std::move(e));
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

void LocalizadorSemelhantes::preparar(qint32 id, const Campos& c, Preparado& p) {
    enum {
        Nome,
        Meio,
        Ultimo,
        Rg,
        Cic,
        Nascimento,
        Sexo,
        Prontuario,
        Cep,
        Telefone,
        Endereco_,
        Bairro,
        Cidade
    };
    Registro& r = p.r;
    r = Registro();
    r.id = id;
    auto& t = p.textos;
    std::string& inteiro = p.inteiro;
    inteiro.clear();
    for (int k = 0; k < 3; ++k) {
        TextoNormalizado(c[size_t(Nome + k)], t[size_t(k)]);
        if (!t[size_t(k)].empty()) {
            if (!inteiro.empty())
                inteiro += ' ';
            inteiro += t[size_t(k)];
        }
    }
    // The whole name word by word: its first and last words, when the fields split it
    // otherwise (JOANA CARVALHO typed into Nome; SILVA SANTOS for SANTOS).
    // JÚNIOR, FILHO... end a name without being its family name: two sons named FILHO
    // would otherwise agree on a family name no one has.
    const Palavras palavras(inteiro, true);
    size_t ultima = palavras.size();
    while (ultima > 1 && Geracao(palavras[ultima - 1])) --ultima;
    t[3].clear();
    t[4].clear();
    if (ultima >= 2) {
        if (palavras.front() != t[0])
            t[3] = palavras.front();
        if (palavras[ultima - 1] != t[2])
            t[4] = palavras[ultima - 1];
    }
    r.nascimento = DataNascimento(c[Nascimento]);
    r.sexo = SexoNormalizado(c[Sexo]);
    r.nRg = quint8(Digitos(c[Rg], true, r.rg.data(), int(r.rg.size())));
    r.nCic = quint8(CicNormalizado(c[Cic], r.cic.data()));
    r.cicValido = CicValido(QByteArray::fromRawData(r.cic.data(), r.nCic));
    TextoNormalizado(c[Prontuario], t[8]);
    r.prontuario = t[8].empty() ? 0 : Hash(t[8], 7) | 1;
    char d[32];
    const int nCep = Digitos(c[Cep], false, d, 8);
    r.cep = nCep >= 5 ? QByteArray::fromRawData(d, nCep).toUInt() + 1 : 0;
    const int nTel = Digitos(c[Telefone], false, d, 32);
    if (nTel >= 8)
        std::memcpy(&r.telefone, d + nTel - 8, 8);
    r.numero = Endereco(c[Endereco_], t[5], inteiro);
    TextoNormalizado(c[Bairro], t[6]);
    TextoNormalizado(c[Cidade], t[7]);
    for (size_t k = 0; k < p.hashes.size(); ++k) p.hashes[k] = Dicionario::Espalhar(t[k]);
    // The full name as typed, for showing.
    t[8].assign(c[Nome]);
    for (const std::string_view q : {c[Meio], c[Ultimo]})
        if (!q.empty())
            (t[8] += ' ') += q;
}

Registro LocalizadorSemelhantes::completar(const Preparado& p, bool contar) {
    // In this order, whichever thread prepared the row: a value's number is the order in
    // which the register first shows it.
    Registro r = p.r;
    const auto& t = p.textos;
    const auto& h = p.hashes;
    r.nome = m_nomes.id(t[0], h[0], 0, contar, true);
    r.meio = m_nomes.id(t[1], h[1], 1, contar, true);
    r.ultimo = m_nomes.id(t[2], h[2], 2, contar, true);
    r.nomeAlt = m_nomes.id(t[3], h[3], 0, false, true);
    r.ultimoAlt = m_nomes.id(t[4], h[4], 2, false, true);
    r.rua = m_lugares.id(t[5], h[5], 0, contar, false);
    r.bairro = m_lugares.id(t[6], h[6], 1, contar, false);
    r.cidade = m_lugares.id(t[7], h[7], 2, contar, false);
    if (contar) {
        m_textos.append(t[8]);
        m_fimTexto.push_back(quint32(m_textos.size()));
    }
    return r;
}

Registro LocalizadorSemelhantes::montar(qint32 id, const Campos& c, bool contar) {
    Preparado p;
    preparar(id, c, p);
    return completar(p, contar);
}

LocalizadorSemelhantes::Campos LocalizadorSemelhantes::CamposDe(const QVariantList& valores,
                                                                std::vector<QByteArray>& textos) {
    Campos c{};
    textos.assign(c.size(), QByteArray());
    for (size_t i = 0; i < c.size() && i < size_t(valores.size()); ++i) {
        const QVariant& v = valores[qsizetype(i)];
        if (v.isNull())
            continue;
        textos[i] = v.typeId() == QMetaType::QDateTime || v.typeId() == QMetaType::QDate
                        ? v.toDate().toString(QStringLiteral("yyyy-MM-dd")).toUtf8()
                        : v.toString().toUtf8();
        c[i] = std::string_view(textos[i].constData(), size_t(textos[i].size()));
    }
    return c;
}

void LocalizadorSemelhantes::Adicionar(qint32 id, const QVariant& nome, const QVariant& meio,
                                       const QVariant& ultimo, const QVariant& rg,
                                       const QVariant& cic, const QVariant& nascimento,
                                       const QVariant& sexo, const QVariant& prontuario,
                                       const QVariant& cep, const QVariant& telefone,
                                       const QVariant& endereco, const QVariant& bairro,
                                       const QVariant& cidade) {
    std::vector<QByteArray> textos;
    m_registros.push_back(montar(id,
                                 CamposDe({nome, meio, ultimo, rg, cic, nascimento, sexo,
                                           prontuario, cep, telefone, endereco, bairro, cidade},
                                          textos),
                                 true));
    m_porId.clear();
}

void LocalizadorSemelhantes::AdicionarHistorico(qint32 idSobrevivente, const QVariant& nome,
                                                const QVariant& meio, const QVariant& ultimo,
                                                const QVariant& rg, const QVariant& cic,
                                                const QVariant& nascimento, const QVariant& sexo,
                                                const QVariant& prontuario, const QVariant& cep,
                                                const QVariant& telefone, const QVariant& endereco,
                                                const QVariant& bairro, const QVariant& cidade) {
    std::vector<QByteArray> textos;
    m_historico.push_back(montar(0,
                                 CamposDe({nome, meio, ultimo, rg, cic, nascimento, sexo,
                                           prontuario, cep, telefone, endereco, bairro, cidade},
                                          textos),
                                 false));
    m_sobreviventes.push_back(idSobrevivente);
}

void LocalizadorSemelhantes::DefinirParametros(const Parametros& p) {
    m_modelo.Definir(p);
    m_parametrosDados = true;
}

QString LocalizadorSemelhantes::NomeCompleto(quint32 i) const {
    const quint32 inicio = i > 0 ? m_fimTexto[i - 1] : 0;
    return QString::fromUtf8(m_textos.data() + inicio, qsizetype(m_fimTexto[i] - inicio));
}

qint64 LocalizadorSemelhantes::Indice(qint32 id) const {
    if (m_porId.size() != m_registros.size()) {
        m_porId.clear();
        m_porId.reserve(m_registros.size());
        for (quint32 i = 0; i < m_registros.size(); ++i) m_porId.emplace_back(m_registros[i].id, i);
        std::sort(m_porId.begin(), m_porId.end());
    }
    const auto it =
        std::lower_bound(m_porId.begin(), m_porId.end(), std::pair<qint32, quint32>(id, 0));
    return it != m_porId.end() && it->first == id ? qint64(it->second) : -1;
}

// Reading runs on several threads: this one takes the rows from the database as they stream
// past and copies their bytes into batches; the others each take the next batch and normalise
// its rows, and whichever finds nobody else doing it numbers the names and places of every
// normalised batch whose turn has come, in the order read. Nobody waits for another but to hand
// over a batch.
struct LocalizadorSemelhantes::Trabalho {
    struct Lote {
        std::string bytes;
        std::vector<quint32> campos;  // offset and size of each field, 13 a row
        std::vector<qint32> ids;
    };
    static constexpr size_t kLinhasPorLote = 4096;
    static constexpr size_t kLotesEmEspera = 4;
    std::mutex mutex;
    std::condition_variable cheio, vazio;
    std::deque<Lote> fila;
    std::map<size_t, std::vector<Preparado>> prontos;  // normalised, waiting for their turn
    // Batches numbered already, taken again: their texts keep their room, and a row's texts
    // were otherwise a few allocations and frees each.
    std::vector<std::vector<Preparado>> livres;
    size_t recebidos = 0, numerados = 0;
    bool numerando = false;
    bool fim = false;

    void entregar(Lote&& l) {
        std::unique_lock<std::mutex> trava(mutex);
        cheio.wait(trava, [&] { return fila.size() < kLotesEmEspera; });
        fila.push_back(std::move(l));
        vazio.notify_one();
    }
    // A batch numbered already, for the next one to be normalised into (empty if none).
    std::vector<Preparado> livre() {
        std::lock_guard<std::mutex> trava(mutex);
        if (livres.empty())
            return {};
        std::vector<Preparado> v = std::move(livres.back());
        livres.pop_back();
        return v;
    }
    // The next batch and its number in the order read; none taken while too many wait for
    // their turn.
    bool receber(Lote& l, size_t& numero) {
        std::unique_lock<std::mutex> trava(mutex);
        vazio.wait(trava, [&] {
            return (!fila.empty() && prontos.size() < kLotesEmEspera) || (fila.empty() && fim);
        });
        if (fila.empty())
            return false;
        l = std::move(fila.front());
        fila.pop_front();
        numero = recebidos++;
        cheio.notify_one();
        return true;
    }
    // Leaves a normalised batch for its turn; `numerar` is called for each batch in turn by
    // one thread at a time, outside the lock.
    template <class F>
    void concluir(size_t numero, std::vector<Preparado>&& preparados, F numerar) {
        std::unique_lock<std::mutex> trava(mutex);
        prontos.emplace(numero, std::move(preparados));
        if (numerando)
            return;  // the one numbering takes it in its turn
        numerando = true;
        for (auto it = prontos.begin(); it != prontos.end() && it->first == numerados;
             it = prontos.begin()) {
            std::vector<Preparado> vez = std::move(it->second);
            prontos.erase(it);
            trava.unlock();
            numerar(vez);
            trava.lock();
            livres.push_back(std::move(vez));
            ++numerados;
            vazio.notify_all();
        }
        numerando = false;
    }
    void terminar() {
        std::lock_guard<std::mutex> trava(mutex);
        fim = true;
        vazio.notify_all();
    }
};

bool LocalizadorSemelhantes::Ler(Connection& cn, clsADO& ado, const Progresso& progresso) {
    Recordset rs;
    qint64 total = 0;
    // The count only feeds the progress; the pages below say whether the table can be read.
    if (ado.AbrirRecordset(cn, rs, QStringLiteral("SELECT COUNT(*) FROM Paciente"))) {
        if (!rs.Eof())
            total = rs.Fields(0).Value().toLongLong();
        rs.Close();
    }
    m_registros.reserve(m_registros.size() + size_t(total));
    m_fimTexto.reserve(m_registros.capacity());
    PaginasGrandes(m_registros.data(), m_registros.capacity() * sizeof(Registro));
    Trabalho trabalho;
    const auto normalizar = [this, &trabalho] {
        Trabalho::Lote l;
        size_t numero = 0;
        while (trabalho.receber(l, numero)) {
            std::vector<Preparado> preparados = trabalho.livre();
            preparados.resize(l.ids.size());
            for (size_t r = 0; r < l.ids.size(); ++r) {
                Campos c;
                for (size_t k = 0; k < c.size(); ++k) {
                    const size_t f = (r * c.size() + k) * 2;
                    c[k] = std::string_view(l.bytes.data() + l.campos[f], l.campos[f + 1]);
                }
                preparar(l.ids[r], c, preparados[r]);
            }
            trabalho.concluir(numero, std::move(preparados),
                              [this](const std::vector<Preparado>& vez) {
                                  for (const Preparado& p : vez)
                                      m_registros.push_back(completar(p, true));
                              });
        }
    };
    std::vector<std::thread> normalizadores;
    for (int t = 0; t < std::clamp(m_opcoes.threads, 1, 16); ++t)
        normalizadores.emplace_back(normalizar);
    Trabalho::Lote lote;
    qint64 lidos = 0, ultimo = std::numeric_limits<qint32>::min();
    bool interrompido = false;
    const auto leitor = [&](const dados::ValorLido* v, int colunas) {
        if (colunas < 14)
            return false;
        ultimo = v[0].tipo == dados::ValorLido::Inteiro
                     ? v[0].inteiro
                     : QByteArray(v[0].texto, v[0].bytes).toLongLong();
        lote.ids.push_back(qint32(ultimo));
        for (int k = 1; k < 14; ++k) {
            const size_t inicio = lote.bytes.size();
            switch (v[k].tipo) {
                case dados::ValorLido::Texto:
                    lote.bytes.append(v[k].texto, size_t(v[k].bytes));
                    break;
                case dados::ValorLido::Inteiro:
                    lote.bytes += std::to_string(v[k].inteiro);
                    break;
                case dados::ValorLido::Real:
                    lote.bytes += QByteArray::number(v[k].real, 'g', 17).toStdString();
                    break;
                default:
                    break;
            }
            lote.campos.push_back(quint32(inicio));
            lote.campos.push_back(quint32(lote.bytes.size() - inicio));
        }
        ++lidos;
        if (lote.ids.size() == Trabalho::kLinhasPorLote) {
            const size_t bytes = lote.bytes.size();
            trabalho.entregar(std::move(lote));
            // The next batch as large as this one was, so that it does not grow by copying.
            lote = Trabalho::Lote();
            lote.bytes.reserve(bytes + bytes / 8);
            lote.campos.reserve(Trabalho::kLinhasPorLote * 26);
            lote.ids.reserve(Trabalho::kLinhasPorLote);
            if (progresso)
                progresso(QStringLiteral("lendo"), lidos, std::max(total, lidos));
            if (parado()) {
                interrompido = true;
                return false;
            }
        }
        return true;
    };
    bool ok = true;
    for (;;) {
        if (parado()) {
            interrompido = true;
            break;
        }
        // One page per statement, by key: the table is read once, in key order, whatever its
        // size, and the rows stream past without being held.
        const QString sql = QStringLiteral(
                                "SELECT TOP %1 %2 FROM Paciente WHERE ID_Paciente > %3 "
                                "ORDER BY ID_Paciente")
                                .arg(m_opcoes.linhasPorPagina)
                                .arg(QString::fromUtf8(kColunas))
                                .arg(ultimo);
        const qint64 antes = lidos;
        if (!ado.PercorrerRegistros(cn, sql, leitor)) {
            m_erro = ErroLeitura(QStringLiteral("os pacientes"), ado);
            ok = false;
            break;
        }
        if (interrompido || lidos - antes < m_opcoes.linhasPorPagina)
            break;
    }
    if (!lote.ids.empty())
        trabalho.entregar(std::move(lote));
    trabalho.terminar();
    for (std::thread& t : normalizadores) t.join();
    m_porId.clear();
    if (progresso)
        progresso(QStringLiteral("lendo"), lidos, std::max(total, lidos));
    return ok && !interrompido;
}

bool LocalizadorSemelhantes::Executar(Connection& cn, clsADO& ado, const Progresso& progresso) {
    QElapsedTimer relogio;
    relogio.start();
    if (!Ler(cn, ado, progresso))
        return false;
    m_tempos.leitura = relogio.elapsed() / 1000.0;
    // The register's history: every removed record against the record it went into (the end
    // of the chain when that one was merged later too). A record that is back in Paciente was
    // restored by an undo: that merge says nothing.
    if (ado.TableExiste(cn, QStringLiteral("PacienteLog"))) {
        Recordset rs;
        if (!ado.AbrirRecordset(cn, rs,
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

void LocalizadorSemelhantes::aprender(const ListaPares& candidatos, const Progresso& progresso) {
    if (progresso)
        progresso(QStringLiteral("aprendendo"), 0, 1);
    const int nThreads = std::max(1, std::min(m_opcoes.threads, 16));
    std::vector<ContagemPadroes> contagens{size_t(nThreads)};
    EmParalelo(candidatos.size(), nThreads, [&](size_t de, size_t ate, int t) {
        Cache cache;
        std::array<quint8, kCampos> nv{};
        auto& contagem = contagens[size_t(t)];
        for (size_t k = de; k < ate; ++k) {
            if (k + kAdiante < ate)
                Antecipar(&m_registros[quint32(candidatos[k + kAdiante])]);
            const quint32 a = quint32(candidatos[k] >> 32);
            const Registro& ra = m_registros[a];
            niveis(ra, m_registros[quint32(candidatos[k])], nv, &cache);
            // What the values' frequencies add to the levels' weights, as peso() weighs them.
            const bool familia = ModeloPontuacao::Familia(nv);
            double frequencias = 0;
            for (int c = 0; c < kCampos; ++c)
                if (ModeloPontuacao::PorFrequencia(c, nv))
                    frequencias +=
                        m_modelo.PesoCampo(c, nv, frequencia(c, nv[size_t(c)], ra, a), familia) -
                        m_modelo.PesoCampo(c, nv, -1, familia);
            contagem.Somar(ComFrequencia(Codificar(nv), frequencias));
        }
    });
    // Each thread's counts as they are: the learning adds up a pattern counted twice.
    std::vector<std::pair<Padrao, qint64>> padroes;
    for (const ContagemPadroes& c : contagens) c.Juntar(padroes);
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
    const bool aprenderAgora = !m_parametrosDados || m_opcoes.aprender;
    QElapsedTimer relogio;
    relogio.start();
    const auto marcar = [&relogio](double& fase) { fase = relogio.restart() / 1000.0; };
    if (aprenderAgora) {
        // u is measured on this register; m and the prior start from their starting values.
        Parametros p = m_modelo.Iniciais();
        p.duplicados = m_opcoes.duplicados;
        m_modelo.Definir(p);
        if (progresso)
            progresso(QStringLiteral("medindo"), 0, 1);
        medirU();
    }
    marcar(m_tempos.medicao);
    if (parado())
        return false;
    if (m_opcoes.somentePreparar && !aprenderAgora) {
        contarFrequencias();
        m_prior = m_modelo.PriorLog2(Registros());
        return true;
    }
    ListaPares candidatos;
    // The frequencies are counted with the blocking's last tasks: blocking sets the search's
    // peak of memory early on, and the weights are needed only from here on.
    gerarPares(candidatos, progresso, true);
    marcar(m_tempos.blocagem);
    if (parado())
        return false;
    m_comparados = qint64(candidatos.size());
    if (aprenderAgora) {
        aprender(candidatos, progresso);
        if (parado())
            return false;
    }
    marcar(m_tempos.aprendizado);
    m_prior = m_modelo.PriorLog2(Registros());
    if (m_opcoes.somentePreparar)
        return true;

    prepararLimites();
    // Kept down to the review threshold whatever the threshold asked (the pairs below it only
    // while they link records, fecharCadeias); as a weight, the score being
    // 100 / (1 + 2^-weight).
    const double guardar = std::min(m_opcoes.limiar, m_opcoes.limiarRevisao);
    const double minimo = guardar <= 0     ? -std::numeric_limits<double>::infinity()
                          : guardar >= 100 ? 40.0
                                           : -std::log2(100.0 / guardar - 1.0);
    std::atomic<bool> interrompida{false};
    const int nThreads = std::max(1, std::min(m_opcoes.threads, 16));
    const size_t total = candidatos.size();
    // In parts each thread takes in turn, not in halves: some records' pairs cost more than
    // others', and the thread done first waited for the other a tenth of the time. A part's
    // pairs are kept apart so that they join in the candidates' order.
    constexpr size_t kParte = size_t(1) << 16;
    const int partes = int((total + kParte - 1) / kParte);
    std::vector<std::vector<ParCandidato>> saidas(static_cast<size_t>(partes));
    std::vector<std::vector<quint64>> abaixo(static_cast<size_t>(nThreads));  // links only
    std::vector<Cache> caches(static_cast<size_t>(nThreads));
    if (progresso)
        progresso(QStringLiteral("comparando"), 0, qint64(total));
    EmFila(partes, nThreads, [&](int parte, int t) {
        const size_t de = size_t(parte) * kParte, ate = std::min(total, de + kParte);
        Cache& cache = caches[size_t(t)];
        std::array<quint8, kCampos> nv{};
        auto& saida = saidas[size_t(parte)];
        quint32 limiteDe = std::numeric_limits<quint32>::max();
        double limite = 0;
        for (size_t k = de; k < ate; ++k) {
            if ((k & 0xFFFF) == 0 && m_opcoes.parar && (interrompida || m_opcoes.parar())) {
                interrompida = true;
                return;
            }
            // The second records of the pairs are scattered over the register: asked for ahead,
            // they are in the cache when their turn comes instead of costing a wait each.
            if (k + kAdiante < ate)
                Antecipar(&m_registros[quint32(candidatos[k + kAdiante])]);
            const quint32 a = quint32(candidatos[k] >> 32), b = quint32(candidatos[k]);
            const Registro& ra = m_registros[a];
            const Registro& rb = m_registros[b];
            if (a != limiteDe) {
                limiteDe = a;
                limite = limiteNomes(ra);
            }
            const double w = pesoSeAlcanca(ra, a, rb, nv, cache, limite, minimo);
            if (w < minimo - 1e-6)
                continue;
            const double p = ModeloPontuacao::Pontuacao(w);
            if (p < guardar)
                continue;
            if (p < m_opcoes.limiar) {
                if (!Decidido(a, b))
                    abaixo[size_t(t)].push_back(candidatos[k]);
                continue;
            }
            guardarPar(a, b, p, nv, saida);
        }
    });
    if (interrompida) {
        candidatos.Liberar();
        m_erro = kInterrompida;
        return false;
    }
    size_t guardados = 0;
    for (const auto& s : saidas) guardados += s.size();
    m_pares.reserve(guardados);
    for (auto& s : saidas) m_pares.insert(m_pares.end(), s.begin(), s.end());
    std::vector<quint64> ligacoes;
    for (auto& s : abaixo) ligacoes.insert(ligacoes.end(), s.begin(), s.end());
    abaixo.clear();
    m_comparados += fecharCadeias(candidatos, ligacoes);
    candidatos.Liberar();
    m_comparados += manterPelasLigacoes();
    if (progresso)
        progresso(QStringLiteral("comparando"), qint64(total), qint64(total));
    avaliarRotulos();
    marcar(m_tempos.comparacao);
    return true;
}

std::vector<quint64> LocalizadorSemelhantes::ParesCandidatos() {
    ListaPares pares;
    gerarPares(pares, {});
    return std::vector<quint64>(pares.begin(), pares.end());
}

void LocalizadorSemelhantes::guardarPar(quint32 a, quint32 b, double pontuacao,
                                        const std::array<quint8, kCampos>& niveis,
                                        std::vector<ParCandidato>& saida) const {
    ParCandidato par;
    par.a = a;
    par.b = b;
    par.pontuacao = float(pontuacao);
    par.niveis = niveis;
    par.sinais = sinais(m_registros[a], m_registros[b]);
    par.decidido = Decidido(a, b);
    if (!par.decidido || m_opcoes.incluirDecididos)
        saida.push_back(par);
}

qint64 LocalizadorSemelhantes::fecharCadeias(const ListaPares& comparados,
                                             const std::vector<quint64>& abaixo) {
    // A person registered four or five times meets only some of their own records in a large
    // block walked by neighbours, and a chain A~B~C is what links the rest: each two records
    // of such a chain are scored directly, as the groups score them, so that the list of pairs
    // says of A and C what the groups do, found by the blocking or not. Chains of more than
    // this many records are left to the groups.
    constexpr size_t kMaximo = 12;
    const float ligacao = float(m_opcoes.limiarRevisao);
    Conjuntos conjuntos(m_registros.size());
    const auto ligar = [&](quint32 a, quint32 b) {
        const quint32 ra = conjuntos.Raiz(a), rb = conjuntos.Raiz(b);
        if (ra != rb)
            conjuntos.Unir(ra, rb);
    };
    for (const ParCandidato& p : m_pares)
        if (p.pontuacao >= ligacao && !p.decidido)
            ligar(p.a, p.b);
    for (const quint64 k : abaixo) ligar(quint32(k >> 32), quint32(k));
    std::vector<std::pair<quint32, quint32>> cadeias;  // (root, record)
    for (quint32 x = 0; x < quint32(m_registros.size()); ++x)
        if (conjuntos.Ligado(x))
            cadeias.emplace_back(conjuntos.Raiz(x), x);
    std::sort(cadeias.begin(), cadeias.end());
    std::vector<ParCandidato> novos;
    qint64 pontuados = 0;
    std::array<quint8, kCampos> nv{};
    for (size_t i = 0, j; i < cadeias.size(); i = j) {
        for (j = i + 1; j < cadeias.size() && cadeias[j].first == cadeias[i].first; ++j) {
        }
        if (j - i < 3 || j - i > kMaximo)
            continue;  // two records: their pair is the link itself
        for (size_t x = i; x < j; ++x)
            for (size_t y = x + 1; y < j; ++y) {
                const quint32 a = cadeias[x].second, b = cadeias[y].second;
                if (std::binary_search(comparados.begin(), comparados.end(), quint64(a) << 32 | b))
                    continue;
                ++pontuados;
                niveis(m_registros[a], m_registros[b], nv, nullptr);
                const double p = ModeloPontuacao::Pontuacao(peso(m_registros[a], a, nv, nullptr));
                if (p < m_opcoes.limiar)
                    continue;
                guardarPar(a, b, p, nv, novos);
            }
    }
    JuntarEmOrdem(m_pares, novos);
    return pontuados;
}

qint64 LocalizadorSemelhantes::manterPelasLigacoes() {
    // If A and B are one person and so are B and C, so are A and C: at least as likely as the
    // two links together (their probabilities multiplied), whatever A and C's own fields leave
    // open (a birth date on one of them, a middle name on the other). Measured against known
    // truth, pairs so scored are one person about as often as that product says. A link is a
    // pair more likely one person than two on its own fields; a pair takes the better of its
    // own score and its links', whatever the threshold asked, but not where its own fields say
    // two people: a sign of two people, a decision, or a score below the review threshold.
    constexpr size_t kMaximo = 12;  // a record linked to more is left to the groups
    constexpr float kLigacao = 50;
    const float limiar = float(m_opcoes.limiar);
    std::vector<std::pair<quint32, quint32>> ligacoes;  // (record, pair in m_pares)
    for (size_t i = 0; i < m_pares.size(); ++i) {
        const ParCandidato& p = m_pares[i];
        if (p.pontuacao >= std::max(limiar, kLigacao) && !p.decidido && !p.sinais) {
            ligacoes.emplace_back(p.a, quint32(i));
            ligacoes.emplace_back(p.b, quint32(i));
        }
    }
    std::sort(ligacoes.begin(), ligacoes.end());
    struct PelaLigacao {
        quint32 a, b;
        float pontuacao;
        quint32 via;
    };
    std::vector<PelaLigacao> candidatos;
    for (size_t i = 0, j; i < ligacoes.size(); i = j) {
        for (j = i + 1; j < ligacoes.size() && ligacoes[j].first == ligacoes[i].first; ++j) {
        }
        if (j - i < 2 || j - i > kMaximo)
            continue;
        const quint32 via = ligacoes[i].first;
        for (size_t x = i; x < j; ++x)
            for (size_t y = x + 1; y < j; ++y) {
                const ParCandidato& px = m_pares[ligacoes[x].second];
                const ParCandidato& py = m_pares[ligacoes[y].second];
                const float juntas = px.pontuacao * py.pontuacao / 100.0f;
                if (juntas < limiar)
                    continue;
                const quint32 u = px.a == via ? px.b : px.a, v = py.a == via ? py.b : py.a;
                candidatos.push_back({std::min(u, v), std::max(u, v), juntas, via});
            }
    }
    // The strongest two links of each pair (through the first record of the register on a tie).
    std::sort(candidatos.begin(), candidatos.end(), [](const PelaLigacao& x, const PelaLigacao& y) {
        return std::tie(x.a, x.b, y.pontuacao, x.via) < std::tie(y.a, y.b, x.pontuacao, y.via);
    });
    // By a tenth of a point at least (what the list shows of a score), and not against the
    // pair's own fields.
    const auto melhora = [&](float ligacoes, double propria) {
        return ligacoes > propria + 0.1 && propria >= m_opcoes.limiarRevisao;
    };
    std::vector<ParCandidato> novos;
    qint64 pontuados = 0;
    std::array<quint8, kCampos> nv{};
    for (size_t k = 0; k < candidatos.size(); ++k) {
        const PelaLigacao& c = candidatos[k];
        if (k > 0 && candidatos[k - 1].a == c.a && candidatos[k - 1].b == c.b)
            continue;
        ParCandidato chave;
        chave.a = c.a;
        chave.b = c.b;
        const auto guardado = std::lower_bound(m_pares.begin(), m_pares.end(), chave, PorRegistros);
        if (guardado != m_pares.end() && guardado->a == c.a && guardado->b == c.b) {
            if (melhora(c.pontuacao, guardado->pontuacao) && !guardado->decidido &&
                !guardado->sinais) {
                guardado->pelasLigacoes = c.pontuacao;
                guardado->via = m_registros[c.via].id;
            }
            continue;
        }
        ++pontuados;
        if (Decidido(c.a, c.b) || sinais(m_registros[c.a], m_registros[c.b]))
            continue;
        niveis(m_registros[c.a], m_registros[c.b], nv, nullptr);
        const double propria = ModeloPontuacao::Pontuacao(peso(m_registros[c.a], c.a, nv, nullptr));
        if (!melhora(c.pontuacao, propria))
            continue;
        guardarPar(c.a, c.b, propria, nv, novos);
        novos.back().pelasLigacoes = c.pontuacao;
        novos.back().via = m_registros[c.via].id;
    }
    JuntarEmOrdem(m_pares, novos);
    return pontuados;
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
    const auto contar = [&](const Registro& a, quint32 indice, const Registro& b,
                            qint64(&acima)[2][2]) {
        std::array<quint8, kCampos> nv{};
        niveis(a, b, nv, nullptr);
        const bool familia = ModeloPontuacao::Familia(nv);
        for (int m = 0; m < 2; ++m) {
            double w = modelos[m]->PriorLog2(Registros());
            for (int c = 0; c < kCampos; ++c) {
                const int l = nv[size_t(c)];
                const double f =
                    ModeloPontuacao::PorFrequencia(c, nv) ? frequencia(c, l, b, indice) : -1;
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

double LocalizadorSemelhantes::Pontuar(const ParCandidato& par,
                                       std::array<Veredito, kCampos>* vereditos) const {
    return ModeloPontuacao::Pontuacao(peso(m_registros[par.a], par.a, par.niveis, vereditos));
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
    Conjuntos conjuntos(m_registros.size());
    std::vector<float> ligacao(m_registros.size(), std::numeric_limits<float>::max());
    for (const ParCandidato* e : arestas) {
        const quint32 ra = conjuntos.Raiz(e->a), rb = conjuntos.Raiz(e->b);
        if (ra == rb)
            continue;
        conjuntos.Unir(ra, rb);
        ligacao[ra] = std::min({e->pontuacao, ligacao[ra], ligacao[rb]});
    }
    std::vector<int> indice(m_registros.size(), -1);
    QVector<GrupoCandidato> grupos;
    for (quint32 x = 0; x < quint32(m_registros.size()); ++x) {
        if (!conjuntos.Ligado(x))
            continue;
        const quint32 r = conjuntos.Raiz(x);
        if (indice[r] < 0) {
            indice[r] = int(grupos.size());
            grupos.append(GrupoCandidato());
            grupos.back().ligacao = ligacao[r];
        }
        grupos[indice[r]].membros.append(x);
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
