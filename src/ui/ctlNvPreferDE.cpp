#include "ui/ctlNvPreferDE.h"

#include <QFile>
#include <QGridLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "data/base/ValorSeNulo.h"
#include "settings/Codificacao.h"

namespace {

struct Padrao {
    const char* chave;
    const char* legenda;
};

// The fields of a patient in the order the detail is filled, with their standard captions.
constexpr Padrao kCampos[] = {
    {"Nome_Completo", "Nome completo"},
    // Not patient fields: what tells records of one person apart when one of them must
    // survive a merge, at the top where they are read first.
    {"ID_Paciente", "ID do paciente"},
    {"Exames", "Exames"},
    {"RG", "RG"},
    {"CIC", "CIC"},
    {"Sexo", "Sexo"},
    {"Data_Nascimento", "Data de nascimento"},
    {"Raça", "Raça"},
    {"Profissão", "Profissão"},
    {"Peso", "Peso"},
    {"Altura", "Altura"},
    {"Endereço", "Endereço"},
    {"CEP", "CEP"},
    {"Bairro", "Bairro"},
    {"Cidade", "Cidade"},
    {"Estado", "Estado"},
    {"Email", "E-mail"},
    {"Telefone", "Telefone"},
    {"Número_Convênio", "Número do convênio"},
    {"Convênio", "Convênio"},
    {"Prontuário", "Prontuário"},
};

struct Preferencias {
    QStringList ordem;
    QHash<QString, QString> legendas;  // by key in lower case
};

Preferencias lerPreferencias(const QString& caminho) {
    Preferencias prefs;
    QFile arquivo(caminho);
    if (caminho.isEmpty() || !arquivo.open(QIODevice::ReadOnly)) {
        return prefs;
    }
    QString secao;
    Codificacao usada;
    QString texto = Decodificar(arquivo.readAll(), usada);
    if (texto.startsWith(QChar(0xFEFF))) {
        texto.remove(0, 1);
    }
    const QStringList linhas = texto.split(QLatin1Char('\n'));
    for (QString linha : linhas) {
        linha = linha.trimmed();
        if (linha.isEmpty() || linha.startsWith(QLatin1Char(';')) ||
            linha.startsWith(QLatin1Char('#'))) {
            continue;
        }
        if (linha.startsWith(QLatin1Char('[')) && linha.endsWith(QLatin1Char(']'))) {
            secao = linha.mid(1, linha.size() - 2).trimmed().toLower();
            continue;
        }
        const qsizetype igual = linha.indexOf(QLatin1Char('='));
        if (igual <= 0) {
            continue;
        }
        const QString nome = linha.left(igual).trimmed();
        QString valor = linha.mid(igual + 1);
        const qsizetype comentario = valor.indexOf(QLatin1Char(';'));
        if (comentario >= 0) {
            valor.truncate(comentario);
        }
        valor = valor.trimmed();
        if (secao == QLatin1String("campos") && nome.compare(u"Ordem", Qt::CaseInsensitive) == 0) {
            prefs.ordem.clear();
            for (const QString& chave : valor.split(QLatin1Char(','))) {
                prefs.ordem << chave.trimmed();
            }
        } else if (secao == QLatin1String("legendas") && !valor.isEmpty()) {
            prefs.legendas.insert(nome.toLower(), valor);
        }
    }
    return prefs;
}

// The standard field a name stands for (letter case ignored), or null.
const Padrao* padraoDe(const QString& nome) {
    for (const Padrao& p : kCampos) {
        if (QString::fromUtf8(p.chave).compare(nome, Qt::CaseInsensitive) == 0) {
            return &p;
        }
    }
    return nullptr;
}

}  // namespace

ctlNvPreferDE::ctlNvPreferDE(QWidget* parent) : QWidget(parent) {
    auto* rolagem = new QScrollArea(this);
    rolagem->setObjectName(QStringLiteral("rolagem"));
    rolagem->setWidgetResizable(true);
    rolagem->setFrameShape(QFrame::NoFrame);
    rolagem->setFocusPolicy(Qt::NoFocus);  // the fields are read, not walked with Tab
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(rolagem);
}

const QStringList& ctlNvPreferDE::ChavesPadrao() {
    static const QStringList chaves = [] {
        QStringList lista;
        for (const Padrao& p : kCampos) {
            lista << QString::fromUtf8(p.chave);
        }
        return lista;
    }();
    return chaves;
}

QString ctlNvPreferDE::LegendaPadrao(const QString& chave) {
    const Padrao* p = padraoDe(chave);
    return p ? QString::fromUtf8(p->legenda) : QString();
}

void ctlNvPreferDE::Init() {
    const Preferencias prefs = lerPreferencias(m_preferencesPath);

    QStringList ordem;
    for (const QString& nome : prefs.ordem) {
        const Padrao* p = padraoDe(nome);
        if (p && !ordem.contains(QString::fromUtf8(p->chave))) {
            ordem << QString::fromUtf8(p->chave);
        }
    }
    for (const QString& chave : ChavesPadrao()) {
        if (!ordem.contains(chave)) {
            ordem << chave;
        }
    }

    auto* rolagem = findChild<QScrollArea*>(QStringLiteral("rolagem"));
    m_campos.clear();
    m_painel = new QWidget;
    m_grade = new QGridLayout(m_painel);
    m_grade->setColumnStretch(1, 1);
    m_grade->setVerticalSpacing(2);
    for (const QString& chave : ordem) {
        Campo campo;
        campo.chave = chave;
        campo.legenda =
            new QLabel(prefs.legendas.value(chave.toLower(), LegendaPadrao(chave)), m_painel);
        campo.valor = new QLineEdit(m_painel);
        campo.valor->setObjectName(chave);
        campo.valor->setReadOnly(true);
        campo.valor->setFocusPolicy(Qt::ClickFocus);  // copyable, never in the tab order
        campo.legenda->setBuddy(campo.valor);
        campo.valor->setAccessibleName(campo.legenda->text());
        const int linha = int(m_campos.size());
        m_grade->addWidget(campo.legenda, linha, 0);
        m_grade->addWidget(campo.valor, linha, 1);
        aplicarAparencia(campo);
        m_campos.push_back(campo);
    }
    m_grade->setRowStretch(int(m_campos.size()), 1);
    rolagem->setWidget(m_painel);  // deletes the previous panel and its fields
}

void ctlNvPreferDE::aplicarAparencia(Campo& campo) {
    QFont fonte = campo.valor->font();
    fonte.setBold(campo.opcao);
    campo.valor->setFont(fonte);
    campo.valor->setFrame(!m_controlOption);
}

int ctlNvPreferDE::Posicao(const QString& chave) const {
    for (int i = 0; i < m_campos.size(); ++i) {
        if (m_campos[i].chave.compare(chave, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

void ctlNvPreferDE::FieldValue(const QString& chave, const QVariant& valor) {
    FieldValue(Posicao(chave), valor);
}

void ctlNvPreferDE::FieldValue(int posicao, const QVariant& valor) {
    if (posicao >= 0 && posicao < m_campos.size()) {
        QLineEdit* caixa = m_campos[posicao].valor;
        caixa->setText(TextoDoValor(valor));
        caixa->setCursorPosition(0);  // long addresses show their beginning
    }
}

void ctlNvPreferDE::FieldOption(int posicao, bool ligado) {
    if (posicao >= 0 && posicao < m_campos.size()) {
        m_campos[posicao].opcao = ligado;
        aplicarAparencia(m_campos[posicao]);
    }
}

void ctlNvPreferDE::setControlOption(bool ligado) {
    m_controlOption = ligado;
    for (Campo& campo : m_campos) {
        aplicarAparencia(campo);
    }
}

QString ctlNvPreferDE::ChaveDoCampo(int posicao) const {
    return posicao >= 0 && posicao < m_campos.size() ? m_campos[posicao].chave : QString();
}

QString ctlNvPreferDE::LegendaDoCampo(int posicao) const {
    return posicao >= 0 && posicao < m_campos.size() ? m_campos[posicao].legenda->text()
                                                     : QString();
}

QString ctlNvPreferDE::TextoDoCampo(int posicao) const {
    return posicao >= 0 && posicao < m_campos.size() ? m_campos[posicao].valor->text() : QString();
}

QString ctlNvPreferDE::TextoDoCampo(const QString& chave) const {
    return TextoDoCampo(Posicao(chave));
}

void ctlNvPreferDE::VoltarAoTopo() {
    if (auto* rolagem = findChild<QScrollArea*>(QStringLiteral("rolagem"))) {
        rolagem->verticalScrollBar()->setValue(0);
        rolagem->horizontalScrollBar()->setValue(0);
    }
}

bool ctlNvPreferDE::OpcaoDoCampo(int posicao) const {
    return posicao >= 0 && posicao < m_campos.size() && m_campos[posicao].opcao;
}
