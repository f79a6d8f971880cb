#include "match/EvidenciaPar.h"

#include "patient/LegendasCampos.h"

namespace semelhanca {

namespace {

// Each field's column, caption and verdicts, made once: --pairs asks for them on every line.
struct NomesCampo {
    QString coluna, legenda;
    QVector<QString> vereditos;
};

const std::array<NomesCampo, kCampos>& Nomes() {
    static const std::array<NomesCampo, kCampos> nomes = [] {
        std::array<NomesCampo, kCampos> n;
        for (int c = 0; c < kCampos; ++c) {
            n[size_t(c)].coluna = QString::fromUtf8(Definicoes()[size_t(c)].coluna);
            n[size_t(c)].legenda = LegendaCampo(n[size_t(c)].coluna);
            for (int l = 0; l < Definicoes()[size_t(c)].niveis.size(); ++l)
                n[size_t(c)].vereditos << LocalizadorSemelhantes::Rotulo(c, l);
        }
        return n;
    }();
    return nomes;
}

EvidenciaPar Montar(const LocalizadorSemelhantes& busca, quint32 a, quint32 b, double pontuacao,
                    const std::array<Veredito, kCampos>& vereditos) {
    EvidenciaPar e;
    e.idA = busca.Reg(a).id;
    e.idB = busca.Reg(b).id;
    e.pontuacao = pontuacao;
    e.prior = busca.PriorLog2();
    e.total = e.prior;
    for (int c = 0; c < kCampos; ++c) {
        const Veredito& v = vereditos[size_t(c)];
        const NomesCampo& nomes = Nomes()[size_t(c)];
        ItemEvidencia item;
        item.coluna = nomes.coluna;
        item.legenda = nomes.legenda;
        item.veredito = nomes.vereditos[v.nivel];
        item.peso = v.peso;
        item.pesa = Pesa(c, v.nivel);
        item.mostrar = c != int(Campo::OrdemNomes) || v.nivel != 0;
        e.total += v.peso;
        e.campos << item;
    }
    return e;
}

}  // namespace

bool Pesa(int campo, int nivel) {
    return nivel || !Definicoes()[size_t(campo)].temNulo;
}

EvidenciaPar Evidencia(const LocalizadorSemelhantes& busca, quint32 a, quint32 b) {
    std::array<Veredito, kCampos> vereditos;
    const double pontuacao = busca.Pontuar(a, b, &vereditos);
    return Montar(busca, a, b, pontuacao, vereditos);
}

EvidenciaPar Evidencia(const LocalizadorSemelhantes& busca, const ParCandidato& par) {
    std::array<Veredito, kCampos> vereditos;
    const double pontuacao = busca.Pontuar(par, &vereditos);
    return Montar(busca, par.a, par.b, pontuacao, vereditos);
}

bool EvidenciasDosPares(Connection& cn, clsADO& ado, const QList<qint32>& ids,
                        QVector<EvidenciaPar>& pares, QString& erro, std::function<bool()> parar) {
    pares.clear();
    OpcoesBusca opcoes;
    opcoes.somentePreparar = true;
    opcoes.parar = std::move(parar);
    LocalizadorSemelhantes busca(opcoes);
    if (!busca.Executar(cn, ado)) {
        erro = busca.Erro();
        return false;
    }
    QVector<quint32> indices;
    for (const qint32 id : ids) {
        const qint64 i = busca.Indice(id);
        if (i >= 0)
            indices << quint32(i);
    }
    for (int x = 0; x < indices.size(); ++x)
        for (int y = x + 1; y < indices.size(); ++y)
            pares << Evidencia(busca, indices[x], indices[y]);
    return true;
}

}  // namespace semelhanca
