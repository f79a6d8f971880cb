#include "patient/clsData.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

const QDate kDataZero(1899, 12, 30);

// Dates here carry no time zone, as the database's do. They are kept in UTC so that no
// daylight-saving gap (Brazil once skipped midnight) can turn a birth date invalid.
QDateTime SemFuso(const QDate& data, const QTime& hora = QTime(0, 0)) {
    return QDateTime(data, hora, Qt::UTC);
}

// Compares as the calendar shows it, whatever time spec each side carries.
int Comparar(const QDateTime& a, const QDateTime& b) {
    if (a.date() != b.date()) {
        return a.date() < b.date() ? -1 : 1;
    }
    if (a.time() != b.time()) {
        return a.time() < b.time() ? -1 : 1;
    }
    return 0;
}

bool NumeroEntre(const QString& texto, int minimo, int maximo) {
    bool ok = false;
    const int n = texto.toInt(&ok);
    return ok && n >= minimo && n <= maximo;
}

}  // namespace

clsData::clsData()
    : m_valor(SemFuso(kDataZero)),
      m_dataMinima(SemFuso(QDate(1900, 1, 1))),
      m_dataMaxima(SemFuso(QDate(2076, 6, 6))) {}

QString clsData::TextoDaData(const QDateTime& data) {
    if (!data.isValid()) {
        return QString();
    }
    const QString hora = data.time().toString("HH:mm:ss");
    if (data.date() == kDataZero) {
        return hora;
    }
    QString texto = data.date().toString("dd/MM/yyyy");
    if (data.time() != QTime(0, 0)) {
        texto += ' ' + hora;
    }
    return texto;
}

QDateTime clsData::DataDoTexto(const QString& texto) {
    static const QRegularExpression forma(QStringLiteral(
        R"(^\s*([0-9]{1,2})/([0-9]{1,2})/([0-9]{1,4})(?: ([0-9]{1,2}):([0-9]{2})(?::([0-9]{2}))?)?\s*$)"));
    const QRegularExpressionMatch m = forma.match(texto);
    if (!m.hasMatch()) {
        return QDateTime();
    }
    int ano = m.captured(3).toInt();
    if (m.captured(3).size() <= 2) {
        ano += ano < 30 ? 2000 : 1900;
    }
    const QDate data(ano, m.captured(2).toInt(), m.captured(1).toInt());
    QTime hora(0, 0);
    if (m.capturedLength(4) > 0) {
        hora = QTime(m.captured(4).toInt(), m.captured(5).toInt(),
                     m.capturedLength(6) > 0 ? m.captured(6).toInt() : 0);
    }
    if (!data.isValid() || !hora.isValid()) {
        return QDateTime();
    }
    return SemFuso(data, hora);
}

bool clsData::Validar(const QString& fValor) {
    if (fValor.isEmpty()) {
        if (m_obrigatorio) {
            ErroRegistrar(-1);
            return false;
        }
        return true;
    }
    const QDateTime valor = DataDoTexto(fValor);
    if (!valor.isValid()) {
        ErroRegistrar(-2);
        return false;
    }
    // The reader above tolerates blanks around the text; the form itself must still be one
    // date, or a date and a time, with the day and month first.
    const QStringList partes = fValor.split(' ');
    const QStringList data = partes.first().split('/');
    if (partes.size() > 2 || data.size() != 3 || !NumeroEntre(data[0], 1, 31) ||
        !NumeroEntre(data[1], 1, 12)) {
        ErroRegistrar(-2);
        return false;
    }
    if (Comparar(valor, m_dataMaxima) > 0) {
        ErroRegistrar(-3);
        return false;
    }
    if (Comparar(valor, m_dataMinima) < 0) {
        ErroRegistrar(-4);
        return false;
    }
    return true;
}

QString clsData::TextoParaSQL() const {
    return m_valor.isValid() ? m_valor.toString("yyyy-MM-dd HH:mm:ss") : QString();
}

void clsData::ErroRegistrar(qint32 codigo) {
    QString texto;
    switch (codigo) {
        case -1:
            texto = "O preenchimento do campo " + m_nome + " é obrigatório.";
            break;
        case -2:
            texto = QStringLiteral("Data inválida, digite no formato 'dd/mm/yyyy'.");
            break;
        case -3:
            texto = "Data especificada maior que a data máxima " + TextoDaData(m_dataMaxima) + ".";
            break;
        case -4:
            texto = "Data especificada menor que a data mínima " + TextoDaData(m_dataMinima) + ".";
            break;
        default:
            return;
    }
    m_erro.AtualizarErro(codigo, texto, QStringLiteral("Validar"));
}
