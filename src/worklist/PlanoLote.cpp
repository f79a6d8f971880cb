#include "worklist/PlanoLote.h"

#include <QCryptographicHash>
#include <QLocale>
#include <QSet>
#include <algorithm>
#include <cstring>

#include "review/clsPreviaUnificacao.h"
#include "review/clsValoresSobreviventes.h"
#include "review/clsVerificacaoSeguranca.h"
#include "settings/CelulaPlanilha.h"
#include "worklist/VereditosRegistro.h"

using semelhanca::Campo;
using semelhanca::GrupoCandidato;
using semelhanca::LocalizadorSemelhantes;

namespace {

// A group larger than this is more likely a placeholder record typed again and again (or a
// family) than one person: it goes to the review.
constexpr int kMembrosMaximo = 10;

const QString kNomes = QStringLiteral("nomes que não se leem iguais");
const QString kDocumentos = QStringLiteral("identificador forte ausente ou diferente");
const QString kPontuacao = QStringLiteral("par de cadastros abaixo do limiar");
const QString kTamanho = QStringLiteral("grupo grande demais");
const QString kDecisao = QStringLiteral("decisão \"não são a mesma pessoa\"");
const QString kMarca = QStringLiteral("cadastro marcado sem solução");
const QString kLista = QStringLiteral("grupo adiado ou aberto na lista de trabalho");
const QString kSinal = QStringLiteral("sinal de pessoas diferentes");
const QString kReferencia = QStringLiteral("outra tabela aponta para um cadastro");
const QString kAusente = QStringLiteral("cadastro que não existe mais");

// Names read alike; a slip, an initial or an abbreviation only beside an equal document.
enum class Leitura { Igual, Quase, Diferente };
Leitura LeituraNome(int campo, int nivel, bool obrigatorio) {
    const QByteArray rotulo(semelhanca::Definicoes()[size_t(campo)].niveis[nivel].rotulo);
    if (rotulo == "nulo" || rotulo == "nulo nos dois") {
        return obrigatorio ? Leitura::Diferente : Leitura::Igual;
    }
    if (rotulo == "igual" || rotulo == "mesmo som") {
        return Leitura::Igual;
    }
    if (rotulo == "quase igual" || rotulo == "inicial ou parte" || rotulo == "abreviado ou parte") {
        return Leitura::Quase;
    }
    return Leitura::Diferente;
}

// Two values of one identifier: 0 one of them missing, 1 equal, -1 different.
template <typename T>
int Compara(const T& a, int na, const T& b, int nb) {
    if (na == 0 || nb == 0) {
        return 0;
    }
    return na == nb && std::memcmp(a.data(), b.data(), size_t(na)) == 0 ? 1 : -1;
}
int Compara(qint64 a, qint64 b) {
    return a == 0 || b == 0 ? 0 : (a == b ? 1 : -1);
}

}  // namespace

clsPlanoLote::clsPlanoLote(Connection& fCN, clsADO& fADO) : m_cn(fCN), m_ado(fADO) {}

QString clsPlanoLote::Duvida(const LocalizadorSemelhantes& fBusca, const GrupoCandidato& fGrupo,
                             double fLimiar) const {
    const int n = int(fGrupo.membros.size());
    if (n > kMembrosMaximo) {
        return kTamanho;
    }
    for (int i = 0; i < n; ++i) {
        for (int j = i + 1; j < n; ++j) {
            const quint32 a = fGrupo.membros[i], b = fGrupo.membros[j];
            std::array<semelhanca::Veredito, semelhanca::kCampos> v{};
            if (fBusca.Pontuar(a, b, &v) < fLimiar) {
                return kPontuacao;
            }
            const semelhanca::Registro& x = fBusca.Reg(a);
            const semelhanca::Registro& y = fBusca.Reg(b);
            const int data = Compara(x.nascimento, y.nascimento);
            const int cic = Compara(x.cic, x.nCic, y.cic, y.nCic);
            const int rg = Compara(x.rg, x.nRg, y.rg, y.nRg);
            const int sexo = Compara(x.sexo, y.sexo);
            if (data < 0 || cic < 0 || rg < 0 || sexo < 0 || (data == 0 && cic == 0 && rg == 0)) {
                return kDocumentos;
            }
            const bool documento = cic > 0 || rg > 0;
            for (const auto& [campo, obrigatorio] :
                 {std::pair{Campo::Nome, true}, std::pair{Campo::NomeUltimo, true},
                  std::pair{Campo::NomeMeio, false}}) {
                const Leitura l = LeituraNome(int(campo), v[size_t(campo)].nivel, obrigatorio);
                if (l == Leitura::Diferente || (l == Leitura::Quase && !documento)) {
                    return kNomes;
                }
            }
        }
    }
    return {};
}

bool clsPlanoLote::Planejar(double fLimiar, const Progresso& fProgresso,
                            const std::function<bool()>& fParar) {
    m_grupos.clear();
    m_resumo = {};
    m_erro.clear();
    const auto parado = [&] { return fParar && fParar(); };
    const QString interrompido = QStringLiteral("O plano foi interrompido.");

    semelhanca::OpcoesBusca opcoes;
    opcoes.limiar = fLimiar;
    opcoes.parar = fParar;
    LocalizadorSemelhantes busca(opcoes);
    if (!busca.Ler(m_cn, m_ado, fProgresso) || !busca.Comparar(fProgresso)) {
        m_erro = busca.Erro();
        return false;
    }
    // What administrators said about the records: decisions, marks, the worklist's put-offs
    // and open groups.
    VereditosRegistro vereditos(m_cn, m_ado);
    if (!vereditos.Ler()) {
        m_erro = vereditos.Erro();
        return false;
    }
    QSet<qint32> naLista;
    for (const auto tipo : {VereditosRegistro::Adiado, VereditosRegistro::Reserva}) {
        for (const auto& anotacao : vereditos.Anotacoes(tipo)) {
            for (const qint32 id : anotacao.membros) {
                naLista.insert(id);
            }
        }
    }

    const QVector<GrupoCandidato> candidatos = busca.Agrupar(fLimiar);
    m_resumo.candidatos = int(candidatos.size());
    clsPreviaUnificacao referencias(m_cn, m_ado);
    int feitos = 0;
    for (const GrupoCandidato& g : candidatos) {
        if (fProgresso && ++feitos % 200 == 0) {
            fProgresso(QStringLiteral("conferindo os grupos"), feitos, candidatos.size());
        }
        if (parado()) {
            m_erro = interrompido;
            return false;
        }
        QString duvida = Duvida(busca, g, fLimiar);
        QList<qint32> ids;
        for (const quint32 i : g.membros) {
            ids << busca.Reg(i).id;
        }
        for (int i = 0; duvida.isEmpty() && i < ids.size(); ++i) {
            if (vereditos.Marca(ids[i])) {
                duvida = kMarca;
            } else if (naLista.contains(ids[i])) {
                duvida = kLista;
            }
            for (int j = i + 1; duvida.isEmpty() && j < ids.size(); ++j) {
                if (vereditos.DecisaoDoPar(ids[i], ids[j])) {
                    duvida = kDecisao;
                }
            }
        }
        if (!duvida.isEmpty()) {
            ++m_resumo.deixados[duvida];
            continue;
        }

        // The records as the register holds them now: the review's own checks, the suggested
        // base and what the merge would move.
        clsComparacaoPacientes comparacao(m_cn, m_ado);
        if (!comparacao.Carregar(ids)) {
            m_erro = comparacao.Erro().ErrorString();
            return false;
        }
        if (!comparacao.Ausentes().isEmpty()) {
            ++m_resumo.deixados[kAusente];
            continue;
        }
        if (!clsVerificacaoSeguranca::Conflitos(comparacao, {}, {}).isEmpty()) {
            ++m_resumo.deixados[kSinal];
            continue;
        }
        const qint32 base = clsValoresSobreviventes::BaseSugerida(comparacao);
        QList<qint32> copias = ids;
        copias.removeOne(base);
        if (!referencias.ProcurarReferencias(copias)) {
            m_erro = referencias.Erro().ErrorString();
            return false;
        }
        if (referencias.Recusada()) {
            ++m_resumo.deixados[kReferencia];
            continue;
        }

        Grupo grupo;
        grupo.numero = int(m_grupos.size()) + 1;
        grupo.base = base;
        grupo.assinaturaBase = Assinatura(comparacao.RegistroDaColuna(comparacao.ColunaDoId(base)));
        const QString campos = comparacao.CamposDiferentes().join(QStringLiteral(", "));
        for (int i = 0; i < ids.size(); ++i) {
            if (ids[i] == base) {
                continue;
            }
            const auto& registro = comparacao.RegistroDaColuna(comparacao.ColunaDoId(ids[i]));
            clsLoteRegistro::Remocao r;
            r.id = ids[i];
            r.pontuacao = g.pontuacaoMembro.value(i);
            r.exames = registro.exames;
            r.campos = campos;
            r.assinatura = Assinatura(registro);
            grupo.remocoes << r;
            m_resumo.exames += r.exames;
            m_resumo.errosEsperados += 1.0 - std::clamp(r.pontuacao, 0.0, 100.0) / 100.0;
        }
        std::sort(grupo.remocoes.begin(), grupo.remocoes.end(),
                  [](const auto& x, const auto& y) { return x.id < y.id; });
        m_resumo.registros += int(grupo.remocoes.size());
        m_grupos << grupo;
    }
    m_resumo.grupos = int(m_grupos.size());
    return true;
}

QString clsPlanoLote::Assinatura(const clsComparacaoPacientes::Registro& fRegistro) {
    QStringList partes;
    for (const auto& campo : clsComparacaoPacientes::Campos()) {
        if (campo.comparado) {
            partes << fRegistro.valores.value(campo.chave);
        }
    }
    return QString::fromLatin1(
        QCryptographicHash::hash(partes.join(QChar(0x1f)).toUtf8(), QCryptographicHash::Sha1)
            .toHex());
}

std::function<QString(const clsComparacaoPacientes&)> clsPlanoLote::Conferencia(
    const Grupo& fGrupo) {
    return [fGrupo](const clsComparacaoPacientes& comparacao) -> QString {
        QList<QPair<qint32, QString>> esperados = {{fGrupo.base, fGrupo.assinaturaBase}};
        for (const auto& r : fGrupo.remocoes) {
            esperados.append({r.id, r.assinatura});
        }
        for (const auto& [id, assinatura] : esperados) {
            const int coluna = comparacao.ColunaDoId(id);
            if (coluna < 0) {
                return QStringLiteral("O cadastro %1 não existe mais.").arg(id);
            }
            if (Assinatura(comparacao.RegistroDaColuna(coluna)) != assinatura) {
                return QStringLiteral("O cadastro %1 foi alterado depois do plano.").arg(id);
            }
        }
        if (comparacao.Colunas() != esperados.size()) {
            return QStringLiteral("O grupo não é mais o do plano.");
        }
        return {};
    };
}

QByteArray clsPlanoLote::ParaCSV(const QVector<Grupo>& fGrupos) {
    QString texto =
        LinhaCSV({QStringLiteral("Grupo"), QStringLiteral("Base"), QStringLiteral("Cadastro"),
                  QStringLiteral("Pontuação"), QStringLiteral("Exames a mover"),
                  QStringLiteral("Campos com valores diferentes")}) +
        QStringLiteral("\r\n");
    for (const Grupo& g : fGrupos) {
        for (const auto& r : g.remocoes) {
            texto +=
                LinhaCSV({QString::number(g.numero), QString::number(g.base), QString::number(r.id),
                          // A decimal comma: the spreadsheets these files open in read
                          // "99.950" as ninety-nine thousand.
                          QString::number(r.pontuacao, 'f', 3).replace('.', ','),
                          QString::number(r.exames), r.campos}) +
                QStringLiteral("\r\n");
        }
    }
    return QByteArray("\xEF\xBB\xBF") + texto.toUtf8();
}

QString clsPlanoLote::TextoResumo(const Resumo& fResumo) {
    const QLocale local;
    QString texto =
        QStringLiteral(
            "Grupos a unificar: %1\nCadastros a remover: %2\nExames a mover: %3\n"
            "Unificações erradas esperadas: %4\n")
            .arg(local.toString(fResumo.grupos), local.toString(fResumo.registros),
                 local.toString(fResumo.exames), local.toString(fResumo.errosEsperados, 'f', 2));
    const int deixados = fResumo.candidatos - fResumo.grupos;
    if (deixados > 0) {
        texto +=
            QStringLiteral("Grupos deixados para a revisão: %1\n").arg(local.toString(deixados));
        for (auto it = fResumo.deixados.cbegin(); it != fResumo.deixados.cend(); ++it) {
            texto += QStringLiteral("  %1: %2\n").arg(it.key(), local.toString(it.value()));
        }
    }
    return texto;
}
