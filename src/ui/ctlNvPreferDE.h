#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <QWidget>

class QLabel;
class QLineEdit;
class QGridLayout;
class Recordset;
struct DataEnvironment;

// The patient-detail control: one labelled, read-only field per patient field, addressed by
// its key ("Nome_Completo", "RG", ...) or by its 0-based position on screen. The program fills
// it field by field and reads nothing back.
//
// Set-up follows the order the callers use: PreferencesPath, DataSource, DataField,
// ExternalData, then Init, which lays the fields out. The data source and the external record
// set are kept for the callers' sake only; the control never reads or opens them.
//
// Preferences file (PreferencesPath, normally "Paciente.pre" in the program's folder). It is
// optional: when it is missing or unreadable the control shows every field, in the standard
// order, with the standard captions. Format (an INI file, UTF-8 or Windows-1252; blanks
// around names and values are ignored; lines starting with ";" or "#" are comments; section
// and key names are matched ignoring letter case):
//
//     [Campos]
//     Ordem=Prontuário, Nome_Completo, RG      ; these first, in this order
//     [Legendas]
//     Nome_Completo=Nome                        ; caption shown for a field key
//     Prontuário=Registro
//
// Ordem lists field keys separated by commas; keys it does not name follow in the standard
// order, and unknown or repeated keys are skipped, so every field is always present and a
// key always finds its field. A caption given empty keeps the standard one.
//
// The display switches: FieldOption(position, on) shows the field's value in bold (every
// field starts bold); ControlOption(on) draws the values flat, without the boxes' frames, for
// a calmer panel. The callers switch emphasis off for all but the first field, so the patient's
// name stands out.
class ctlNvPreferDE : public QWidget {
    Q_OBJECT
  public:
    explicit ctlNvPreferDE(QWidget* parent = nullptr);

    // The field keys in their standard order, and their standard captions.
    static const QStringList& ChavesPadrao();
    static QString LegendaPadrao(const QString& chave);

    QString PreferencesPath() const { return m_preferencesPath; }
    void setPreferencesPath(const QString& caminho) { m_preferencesPath = caminho; }
    DataEnvironment* DataSource() const { return m_dataSource; }
    void setDataSource(DataEnvironment* origem) { m_dataSource = origem; }
    QString DataField() const { return m_dataField; }
    void setDataField(const QString& campo) { m_dataField = campo; }
    Recordset* ExternalData() const { return m_externalData; }
    void setExternalData(Recordset* rs) { m_externalData = rs; }

    // Reads the preferences and lays the fields out again (values emptied).
    void Init();

    int FieldCount() const { return int(m_campos.size()); }
    // Shows a value (dates as short dates, NULL as empty). An unknown key or a position out
    // of range changes nothing.
    void FieldValue(const QString& chave, const QVariant& valor);
    void FieldValue(int posicao, const QVariant& valor);
    void FieldOption(int posicao, bool ligado);
    bool ControlOption() const { return m_controlOption; }
    // Scrolls back to the first field: each patient is read from the top.
    void VoltarAoTopo();
    void setControlOption(bool ligado);

    // What the control shows, for tests and for the screen reader: "" when out of range.
    QString ChaveDoCampo(int posicao) const;
    QString LegendaDoCampo(int posicao) const;
    QString TextoDoCampo(int posicao) const;
    QString TextoDoCampo(const QString& chave) const;
    bool OpcaoDoCampo(int posicao) const;
    int Posicao(const QString& chave) const;  // -1 when unknown

  private:
    struct Campo {
        QString chave;
        QLabel* legenda = nullptr;
        QLineEdit* valor = nullptr;
        bool opcao = true;
    };
    void aplicarAparencia(Campo& campo);

    QString m_preferencesPath;
    DataEnvironment* m_dataSource = nullptr;
    QString m_dataField;
    Recordset* m_externalData = nullptr;
    bool m_controlOption = false;

    QWidget* m_painel = nullptr;
    QGridLayout* m_grade = nullptr;
    QVector<Campo> m_campos;
};
