#include "merge/clsTabelasExame.h"

void clsTabelasExame::setTBTipo(qint32 v) {
    m_tipo = v;
    if (v != 0 && v != 1)
        return;
    const QString sufixo = v == 1 ? QStringLiteral("_BK") : QString();
    m_exame = QStringLiteral("Exame") + sufixo;
    m_pagina = QStringLiteral("Exame_Página") + sufixo;
    m_imagem = QStringLiteral("Exame_Imagem") + sufixo;
    m_descritivo = QStringLiteral("Exame_Descritivo") + sufixo;
    m_aplique = QStringLiteral("Aplique") + sufixo;
    m_bethesda = QStringLiteral("Bethesda") + sufixo;
    m_etapa = QStringLiteral("Exame_Etapa") + sufixo;
    m_cid = QStringLiteral("Exame_CID") + sufixo;
    m_descritivoImpressao = QStringLiteral("Exame_Descritivo_Impressão_Tipo") + sufixo;
    m_etapaHistorico = QStringLiteral("Exame_Etapa_Histórico") + sufixo;
    m_etapaImprimir = QStringLiteral("Exame_Etapa_Imprimir") + sufixo;
    m_responsavel = QStringLiteral("Exame_Responsável") + sufixo;
}
