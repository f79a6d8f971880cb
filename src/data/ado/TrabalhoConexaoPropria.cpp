#include "data/ado/TrabalhoConexaoPropria.h"

#include <QMetaObject>

TrabalhoConexaoPropria::TrabalhoConexaoPropria(QString fConnectionString, QObject* parent)
    : QObject(parent), m_connectionString(std::move(fConnectionString)) {}

TrabalhoConexaoPropria::~TrabalhoConexaoPropria() {
    Parar();
}

void TrabalhoConexaoPropria::Parar() {
    m_cancelar = true;
    if (m_trabalho.joinable()) {
        m_trabalho.join();
    }
}

void TrabalhoConexaoPropria::Rodar(std::function<void(Connection&, clsADO&)> fPasso) {
    if (m_trabalho.joinable()) {
        m_trabalho.join();
    }
    m_cancelar = false;
    m_ocupada = true;
    m_erro.clear();
    m_trabalho = std::thread([this, passo = std::move(fPasso)] {
        if (!m_cn) {
            m_cn = std::make_unique<Connection>();
            m_ado = std::make_unique<clsADO>();
        }
        if (m_cn->State() == 0 && !m_ado->AbrirConexão(*m_cn, m_connectionString)) {
            m_erro = QStringLiteral(
                         "Ao abrir a conexão com o banco de dados, ocorreu o seguinte "
                         "erro:\n\n%1 - %2")
                         .arg(m_ado->ErrorNumber())
                         .arg(m_ado->ErrorString());
        }
        passo(*m_cn, *m_ado);
    });
}

void TrabalhoConexaoPropria::Concluir(std::function<void()> fFim) {
    QMetaObject::invokeMethod(
        this,
        [this, fim = std::move(fFim)] {
            m_trabalho.join();
            m_ocupada = false;
            fim();
        },
        Qt::QueuedConnection);
}
