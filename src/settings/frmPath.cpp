#include "settings/frmPath.h"

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStorageInfo>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "settings/clsIO.h"
#include "ui/Ampulheta.h"
#include "ui/FiltroGrade.h"
#include "ui/MsgBox.h"

namespace {

#ifdef Q_OS_WIN
constexpr bool kLetras = true;
#else
constexpr bool kLetras = false;
#endif

// The drive a path falls back to, and the one selected when the dialog opens.
QString unidadePadrao() {
    return kLetras ? QStringLiteral("C:") : QStringLiteral("/");
}

// Where the tree of a drive starts.
QString raizDa(const QString& unidade) {
    return kLetras ? unidade.left(2).toUpper() + QLatin1Char('/') : unidade;
}

QString normalizado(const QString& caminho) {
    QString limpo = QDir::cleanPath(QDir::fromNativeSeparators(caminho));
    if (kLetras && limpo.size() == 2 && limpo.endsWith(QLatin1Char(':'))) {
        limpo += QLatin1Char('/');
    }
    return limpo;
}

// The platform's generic text for a drive whose first entry cannot be read.
QString erroDoDrive(const QString& raiz) {
    const QFileInfo info(raiz);
    if (!info.exists() || !info.isDir()) {
        return QStringLiteral("Dispositivo não disponível");
    }
    if (!info.isReadable()) {
        return QStringLiteral("Permissão negada");
    }
    QDirIterator primeiro(raiz,
                          QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    primeiro.hasNext();  // the read itself; an empty drive is fine
    return {};
}

}  // namespace

frmPath::frmPath(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmPath"));

    lblPrompt = new QLabel(this);
    lblPrompt->setObjectName(QStringLiteral("lblPrompt"));
    lblPrompt->setWordWrap(true);
    lblPath = new QLabel(this);
    lblPath->setObjectName(QStringLiteral("lblPath"));
    txtPath = new QLineEdit(this);
    txtPath->setObjectName(QStringLiteral("txtPath"));
    lblDrives = new QLabel(this);
    lblDrives->setObjectName(QStringLiteral("lblDrives"));
    drvDrives = new QComboBox(this);
    drvDrives->setObjectName(QStringLiteral("drvDrives"));
    lblDirs = new QLabel(this);
    lblDirs->setObjectName(QStringLiteral("lblDirs"));
    dirDirs = new QTreeView(this);
    dirDirs->setObjectName(QStringLiteral("dirDirs"));
    cmdOK = new QPushButton(this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    lblPath->setBuddy(txtPath);
    lblDrives->setBuddy(drvDrives);
    lblDirs->setBuddy(dirDirs);

    m_modelo = new QFileSystemModel(this);
    m_modelo->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_modelo->setReadOnly(true);
    dirDirs->setModel(m_modelo);
    dirDirs->setHeaderHidden(true);
    for (int coluna = 1; coluna < m_modelo->columnCount(); ++coluna) {
        dirDirs->hideColumn(coluna);
    }

    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString raiz = normalizado(volume.rootPath());
        if (!volume.isValid() || !QFileInfo(raiz).isDir() || drvDrives->findData(raiz) >= 0) {
            continue;
        }
        QString texto = kLetras ? raiz.left(2).toLower() : raiz;
        const QString nome = volume.name();
        if (!nome.isEmpty()) {
            texto += QStringLiteral(" [") + nome + QLatin1Char(']');
        }
        drvDrives->addItem(texto, raiz);
    }

    auto* botoes = new QVBoxLayout;
    botoes->addWidget(cmdOK);
    botoes->addWidget(cmdCancel);
    botoes->addStretch();
    auto* grade = new QGridLayout(this);
    grade->addWidget(lblPrompt, 0, 0, 1, 2);
    grade->addWidget(lblPath, 1, 0);
    grade->addWidget(txtPath, 2, 0);
    grade->addWidget(lblDirs, 3, 0);
    grade->addWidget(dirDirs, 4, 0);
    grade->addWidget(lblDrives, 5, 0);
    grade->addWidget(drvDrives, 6, 0);
    grade->addLayout(botoes, 1, 1, 6, 1);
    grade->setRowStretch(4, 1);
    resize(420, 380);

    connect(drvDrives, &QComboBox::currentIndexChanged, this, [this] { drvDrives_Change(); });
    connect(dirDirs->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& atual) {
                // The user moved the tree; the dialog's own moves block these signals.
                const QString caminho = normalizado(m_modelo->filePath(atual));
                if (atual.isValid() && caminho != m_dirPath) {
                    m_dirPath = caminho;
                    dirDirs_Change();
                }
            });
    // Folders are listed in the background: keep the current one in sight as they arrive.
    connect(m_modelo, &QFileSystemModel::directoryLoaded, this, [this] { mostrarAtual(); });
    connect(cmdOK, &QPushButton::clicked, this, &frmPath::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmPath::cmdCancel_Click);

    Form_Load();
    PrepararJanela(*this);
}

void frmPath::Form_Load() {
    Ampulheta ampulheta;
    lblDrives->setText(QStringLiteral("Dri&ves:"));
    lblDirs->setText(QStringLiteral("&Diretórios:"));
    lblPath->setText(QStringLiteral("Path:"));
    cmdOK->setText(QStringLiteral("OK"));
    cmdCancel->setText(QStringLiteral("Cancelar"));
    // With no drive C: (no root), the list keeps its own default.
    selecionarDrive(unidadePadrao());
    apontarDir(raizDa(unidadeDoItem(drvDrives->currentIndex())));
    m_guarda = true;
    ampulheta.Restaurar();
    txtPath->selectAll();
}

QString frmPath::unidadeDoItem(int indice) const {
    return indice >= 0 ? drvDrives->itemData(indice).toString() : unidadePadrao();
}

QString frmPath::unidadeDe(const QString& caminho) const {
    const QString limpo = normalizado(caminho);
    if (kLetras) {
        return limpo.left(2).toUpper();
    }
    // The listed mount point that holds the path: the longest root it starts with.
    QString melhor;
    for (int i = 0; i < drvDrives->count(); ++i) {
        const QString raiz = drvDrives->itemData(i).toString();
        const bool dentro = raiz.endsWith(QLatin1Char('/'))
                                ? limpo.startsWith(raiz)
                                : limpo == raiz || limpo.startsWith(raiz + QLatin1Char('/'));
        if (dentro && raiz.size() > melhor.size()) {
            melhor = raiz;
        }
    }
    return melhor.isEmpty() ? unidadePadrao() : melhor;
}

void frmPath::selecionarDrive(const QString& unidade) {
    for (int i = 0; i < drvDrives->count(); ++i) {
        const QString raiz = drvDrives->itemData(i).toString();
        const bool igual =
            kLetras ? raiz.left(2).toUpper() == unidade.left(2).toUpper() : raiz == unidade;
        if (igual) {
            drvDrives->setCurrentIndex(i);  // a real change runs drvDrives_Change
            return;
        }
    }
}

void frmPath::apontarDir(const QString& caminho) {
    const QString novo = normalizado(caminho);
    const QString raiz = raizDa(unidadeDe(novo));
    if (m_modelo->rootPath() != raiz) {
        m_modelo->setRootPath(raiz);
        dirDirs->setRootIndex(m_modelo->index(raiz));
    }
    const bool mudou = novo != m_dirPath;
    m_dirPath = novo;
    mostrarAtual();
    if (mudou) {
        dirDirs_Change();
    }
}

void frmPath::mostrarAtual() {
    // The dialog's own moves must not look like the user's choice.
    const QSignalBlocker bloqueio(dirDirs->selectionModel());
    const QModelIndex indice =
        m_dirPath == m_modelo->rootPath() ? QModelIndex() : m_modelo->index(m_dirPath);
    if (dirDirs->currentIndex() != indice) {
        dirDirs->selectionModel()->setCurrentIndex(indice, QItemSelectionModel::ClearAndSelect);
    }
    for (QModelIndex acima = indice.parent(); acima.isValid(); acima = acima.parent()) {
        dirDirs->expand(acima);
    }
    // Scrolled once the view has taken in the expansions (it lays them out later).
    QTimer::singleShot(0, dirDirs, [this] {
        if (dirDirs->currentIndex().isValid()) {
            dirDirs->scrollTo(dirDirs->currentIndex());
        }
    });
    dirDirs->viewport()->update();
}

void frmPath::setPathInício(const QString& caminho) {
    m_pathInicio = caminho;
    Configura_Path(caminho);
}

bool frmPath::Configura_Path(const QString& fPath) {
    QString unidade;
    if (clsIO().NvDir(fPath)) {
        apontarDir(fPath);
        unidade = unidadeDe(fPath);
    } else {
        unidade = unidadePadrao();
        apontarDir(raizDa(unidade));
    }
    selecionarDrive(unidade);
    txtPath->setText(QDir::toNativeSeparators(m_dirPath));
    return true;
}

void frmPath::dirDirs_Change() {
    if (!m_guarda) {
        return;
    }
    m_guarda = false;
    txtPath->setText(QDir::toNativeSeparators(m_dirPath));
    selecionarDrive(unidadeDe(m_dirPath));
    m_guarda = true;
}

void frmPath::drvDrives_Change() {
    if (!m_guarda) {
        return;
    }
    m_guarda = false;
    const QString unidade = unidadeDoItem(drvDrives->currentIndex());
    if (Verifica_Drive(unidade)) {
        apontarDir(raizDa(unidade));
        txtPath->setText(QDir::toNativeSeparators(m_dirPath));
    } else {
        selecionarDrive(unidadeDe(m_dirPath));
    }
    m_guarda = true;
}

bool frmPath::Verifica_Drive(const QString& fDrive) {
    const QString erro = erroDoDrive(raizDa(fDrive));
    if (erro.isEmpty()) {
        return true;
    }
    MsgBox(QStringLiteral("Ocorreu o seguinte erro ao acessar o drive '") + fDrive +
           QStringLiteral("'") + QLatin1Char('\n') + erro);
    return false;
}

void frmPath::cmdOK_Click() {
    Ampulheta ampulheta;
    const QString caminho = txtPath->text().trimmed();
    if (!clsIO().NvDir(caminho)) {
        ampulheta.Restaurar();
        MsgBox(QStringLiteral("O caminho '") + caminho + QStringLiteral("' não existe."));
        return;
    }
    ampulheta.Restaurar();
    m_ok = true;
    setResult(QDialog::Accepted);
    hide();
}

void frmPath::cmdCancel_Click() {
    m_ok = false;
    setResult(QDialog::Rejected);
    hide();
}

void frmPath::showEvent(QShowEvent* evento) {
    QDialog::showEvent(evento);
    mostrarAtual();  // the tree lays its rows out only once shown
}

void frmPath::reject() {
    cmdCancel_Click();
}
