#include "main/SessaoAgrupamento.h"

#include <QEventLoop>
#include <QLocale>
#include <QTimer>
#include <algorithm>
#include <mutex>

#include "data/ado/Recordset.h"
#include "data/base/ValorSeNulo.h"
#include "main/InicioPrograma.h"

struct SessaoAgrupamento::Busca {
    QVector<ModeloGrupos::Grupo> grupos;
    mutable std::mutex mutex;  // guards the stage, read by the window's progress display
    QString etapa;
    int porcento = -1;
};

SessaoAgrupamento::SessaoAgrupamento(QObject* parent) : QObject(parent) {}

SessaoAgrupamento::~SessaoAgrupamento() = default;

ConsultaEmSegundoPlano& SessaoAgrupamento::consulta() {
    if (!m_consulta) {
        m_consulta = std::make_unique<ConsultaEmSegundoPlano>(m_connectionString);
        connect(m_consulta.get(), &ConsultaEmSegundoPlano::terminou, this,
                &SessaoAgrupamento::chegou);
    }
    return *m_consulta;
}

clsPacienteCriterio& SessaoAgrupamento::Criterio() {
    if (!m_criterio) {
        m_criterio = std::make_unique<clsPacienteCriterio>();
    }
    return *m_criterio;
}

void SessaoAgrupamento::iniciar(Tipo tipo) {
    // A grouping started while another held the window keeps the hold and its clock.
    const bool novaEspera = tipo != Tipo::Reagrupamento && !SegurandoEntrada();
    if (novaEspera) {
        m_relogio.start();
    }
    if (tipo != Tipo::Semelhanca) {
        m_busca.reset();
    }
    m_tipo = tipo;
    if (novaEspera) {
        emit segurou();
    }
}

bool SessaoAgrupamento::AgruparExato(std::unique_ptr<clsPacienteCriterio> criterio) {
    const QString sql = criterio->ObterSQLComAgrupamento();
    // Only the criteria of a result on screen are worth keeping: a grouping replaced before it
    // arrived never was on screen.
    if (m_tipo != Tipo::Exato) {
        m_criterioAnterior = std::move(m_criterio);
    }
    m_criterio = std::move(criterio);
    if (sql.isEmpty()) {
        return false;
    }
    consulta().Iniciar(sql);
    iniciar(Tipo::Exato);
    return true;
}

void SessaoAgrupamento::AgruparSemelhanca(const semelhanca::OpcoesBusca& opcoesBusca) {
    // A million records take tens of seconds: the search reads and scores on the worker.
    auto busca = std::make_shared<Busca>();
    m_busca = busca;
    consulta().IniciarTarefa([busca, opcoesBusca](Connection& cn, clsADO& ado,
                                                  const ConsultaEmSegundoPlano::Cancelada& parar,
                                                  ConsultaEmSegundoPlano::Desfecho& desfecho) {
        semelhanca::OpcoesBusca opcoes = opcoesBusca;
        opcoes.parar = parar;
        const auto progresso = [&busca](const QString& etapa, qint64 feito, qint64 total) {
            const std::lock_guard<std::mutex> trava(busca->mutex);
            busca->etapa = etapa;
            busca->porcento = total > 0 ? int(feito * 100 / total) : -1;
        };
        return ModeloGrupos::Buscar(cn, ado, opcoes, busca->grupos, desfecho.texto, progresso);
    });
    iniciar(Tipo::Semelhanca);
}

void SessaoAgrupamento::Reagrupar(const QString& sql) {
    m_sqlReagrupamento = sql;
    consulta().Iniciar(sql);
    iniciar(Tipo::Reagrupamento);
}

void SessaoAgrupamento::Cancelar() {
    if (SegurandoEntrada()) {
        consulta().Cancelar();
    }
}

void SessaoAgrupamento::AoRedorDeEscrita(const std::function<void()>& escrita) {
    const bool reagrupava = m_tipo == Tipo::Reagrupamento;
    if (reagrupava) {
        consulta().Parar();
        m_tipo = Tipo::Nenhum;
    }
    const QString sql = m_sqlReagrupamento;
    escrita();
    if (reagrupava && !Agrupando()) {
        Reagrupar(sql);
    }
}

QString SessaoAgrupamento::TextoProgresso() const {
    QString texto = QStringLiteral("Agrupando... %1 s")
                        .arg(QLocale().toString(double(m_relogio.elapsed()) / 1000.0, 'f', 1));
    if (m_tipo == Tipo::Semelhanca && m_busca) {
        const std::lock_guard<std::mutex> trava(m_busca->mutex);
        if (!m_busca->etapa.isEmpty()) {
            texto += QStringLiteral(" (") + m_busca->etapa +
                     (m_busca->porcento >= 0 ? QStringLiteral(" %1%").arg(m_busca->porcento)
                                             : QString()) +
                     QLatin1Char(')');
        }
    }
    return texto;
}

void SessaoAgrupamento::chegou() {
    const Tipo tipo = std::exchange(m_tipo, Tipo::Nenhum);
    const ConsultaEmSegundoPlano::Desfecho& r = m_consulta->Resultado();
    if (tipo == Tipo::Exato) {
        // Cancelled: the result on screen stays, and so do the criteria it was grouped on.
        if (r.cancelada && m_criterioAnterior) {
            m_criterio = std::move(m_criterioAnterior);
        }
        m_criterioAnterior.reset();
    } else if (tipo == Tipo::Semelhanca) {
        const std::shared_ptr<Busca> busca = std::exchange(m_busca, nullptr);
        m_grupos.clear();
        if (r.ok && busca) {
            m_grupos = std::move(busca->grupos);
        }
    }
    emit terminou(tipo);
}

bool SessaoAgrupamento::Aguardar(int limiteMs) {
    if (!Agrupando()) {
        return true;
    }
    // The loop sleeps until an event comes: the worker's delivery, or the limit's timer.
    QEventLoop laco;
    QTimer limite;
    limite.setSingleShot(true);
    connect(&limite, &QTimer::timeout, &laco, &QEventLoop::quit);
    connect(this, &SessaoAgrupamento::terminou, &laco, [this, &laco] {
        if (!Agrupando()) {
            laco.quit();
        }
    });
    limite.start(limiteMs);
    laco.exec();
    return !Agrupando();
}

clsPacienteCriterio& SessaoAgrupamento::CriterioDaLinha(Recordset& rs) {
    clsPacienteCriterio& c = Criterio();
    const std::pair<QString, clsString*> colunas[] = {
        {QStringLiteral("NOME"), &c.Nome()},
        {QStringLiteral("NOME_MEIO"), &c.Nome_Meio()},
        {QStringLiteral("NOME_ÚLTIMO"), &c.Nome_Último()},
        {QStringLiteral("RG"), &c.RG()},
        {QStringLiteral("CIC"), &c.CIC()},
        {QStringLiteral("PRONTUÁRIO"), &c.Prontuário()},
        {QStringLiteral("DATA_NASCIMENTO"), &c.Data_Nascimento()},
    };
    for (int i = 0; i < rs.FieldCount(); ++i) {
        const QString nome = rs.Fields(i).Name().toUpper();
        for (const auto& [coluna, criterio] : colunas) {
            if (nome == coluna) {
                criterio->setValor(TextoDoValor(rs.Fields(i).Value()));
                break;
            }
        }
    }
    return c;
}

QString SessaoAgrupamento::MensagemDeFalha(Tipo tipo) {
    const ConsultaEmSegundoPlano::Desfecho& r = Resultado();
    if (r.ok || r.cancelada || tipo == Tipo::Reagrupamento) {
        return {};  // a quiet re-grouping that fails leaves the result on screen, which is right
    }
    const QString numero = QString::number(r.numero) + QStringLiteral(" - ") + r.texto;
    if (tipo == Tipo::Exato) {
        return QStringLiteral(
                   "Ao exibir os paciente que obedecem aos critério acima, ocoreu o "
                   "seguinte erro:\n\n") +
               numero + DetalheEDiagnostico(r.detalhe);
    }
    // The search numbers a failure of the database; its own ones come as a sentence.
    return r.numero ? QStringLiteral("Ao ler os pacientes, ocorreu o seguinte erro:\n\n") + numero +
                          DetalheEDiagnostico(r.detalhe)
                    : r.texto;
}

bool SessaoAgrupamento::AdotarReagrupamento(Recordset& rs, Connection& cn, bool& manteve) {
    ConsultaEmSegundoPlano::Desfecho& r = Resultado();
    if (!r.ok || rs.State() != adStateOpen || r.sql != rs.Source()) {
        return false;
    }
    // The administrator may have moved on since the write: the group then current is found
    // by its values.
    const qint32 posicao = rs.AbsolutePosition();
    int achado = -1;
    if (posicao >= 1 && posicao <= rs.RecordCount()) {
        const auto& atual = rs.Dados().linhas[posicao - 1];
        const auto linha = std::find(r.dados.linhas.cbegin(), r.dados.linhas.cend(), atual);
        achado = linha == r.dados.linhas.cend() ? -1 : int(linha - r.dados.linhas.cbegin());
    }
    rs.Adotar(cn, r.sql, std::move(r.dados));
    r.dados = {};
    manteve = achado >= 0;
    if (manteve) {
        rs.setAbsolutePosition(achado + 1);
    }
    return true;
}

bool SessaoAgrupamento::TirarLinhaAtual(Recordset& rs, Connection& cn) {
    const qint32 posicao = rs.State() == adStateOpen ? rs.AbsolutePosition() : 0;
    if (posicao < 1 || posicao > rs.RecordCount()) {
        return false;
    }
    dados::DadosConsulta restante = rs.Dados();
    restante.linhas.removeAt(posicao - 1);
    rs.Adotar(cn, rs.Source(), std::move(restante));
    return true;
}
