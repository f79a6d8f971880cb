#include "history/TarefaDesfazerLote.h"

#include <QMetaObject>

TarefaDesfazerLote::TarefaDesfazerLote(QString fConnectionString, qint32 fID_Usuario,
                                       QObject* parent)
    : TrabalhoConexaoPropria(std::move(fConnectionString), parent), m_usuario(fID_Usuario) {}

void TarefaDesfazerLote::Desfazer(qint32 fLote, clsUnificacaoDesfazer::Decisao fDecisao) {
    Rodar([this, fLote, fDecisao](Connection& cn, clsADO& ado) {
        clsLoteDesfazer desfazer(cn, ado);
        const bool ok =
            m_erro.isEmpty() && desfazer.Desfazer(
                                    fLote, m_usuario, fDecisao,
                                    [this](const clsLoteDesfazer::Andamento& a) {
                                        QMetaObject::invokeMethod(
                                            this, [this, a] { emit andamento(a.feitos, a.total); },
                                            Qt::QueuedConnection);
                                    },
                                    [this] { return Cancelado(); });
        if (m_erro.isEmpty() && !ok) {
            m_erro = desfazer.Mensagem();
        }
        m_andamento = desfazer.Situacao();
        m_recusas = desfazer.Recusas();
        m_interrompida = desfazer.Interrompido();
        Concluir([this, ok] { emit terminou(ok); });
    });
}
