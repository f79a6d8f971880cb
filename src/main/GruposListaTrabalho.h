#pragma once

#include <QObject>
#include <QString>
#include <QVector>
#include <memory>

#include "data/base/Motor.h"
#include "match/ModeloGrupos.h"
#include "worklist/GrupoTrabalho.h"

class ConsultaEmSegundoPlano;

// The groups of the grouping on screen as the worklist takes them. A similarity search's come
// at once (each holds its members); an exact grouping's rows hold the groups' values, not
// their records, so its members are read off the window's thread, on a connection of their own.
class GruposListaTrabalho : public QObject {
    Q_OBJECT

  public:
    explicit GruposListaTrabalho(QObject* parent = nullptr);
    ~GruposListaTrabalho() override;

    static QVector<GrupoTrabalho> DaSemelhanca(const QVector<ModeloGrupos::Grupo>& fGrupos);
    // Starts reading the members of the exact grouping's rows (on a connection opened with the
    // first reading's string, kept for the next); lidos or falhou follows. A new reading
    // replaces one under way, which then never arrives.
    void LerExato(const QString& fConnectionString, const dados::DadosConsulta& fGrupos);

  signals:
    void lidos(const QVector<GrupoTrabalho>& grupos);
    void falhou(const QString& texto);

  private:
    std::unique_ptr<ConsultaEmSegundoPlano> m_leitura;
    std::shared_ptr<QVector<GrupoTrabalho>> m_grupos;
};
