#include "settings/clsIO.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QSysInfo>
#include <filesystem>
#include <optional>
#include <system_error>

#include "data/base/ErrosExecucao.h"

#ifdef Q_OS_WIN
#define NOMINMAX
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace {

#ifdef Q_OS_WIN
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

bool Separador(QChar c) {
    return c == u'/' || (kWindows && c == u'\\');
}

bool TemCoringa(const QString& nome) {
    return nome.contains(u'*') || nome.contains(u'?');
}

fs::path CaminhoFs(const QString& caminho) {
#ifdef Q_OS_WIN
    return fs::path(caminho.toStdWString());
#else
    return fs::path(QFile::encodeName(caminho).toStdString());
#endif
}

QDir::Filters FiltrosBusca(QDir::Filters tipos) {
    QDir::Filters f = tipos | QDir::Hidden | QDir::System;
    if (!kWindows) {
        f |= QDir::CaseSensitive;
    }
    return f;
}

// What a search looks for: the entry `pasta` itself when `filtro` is empty, else the entries of
// the folder `pasta` that match `filtro`.
struct Padrao {
    QString pasta;
    QString filtro;
};

std::optional<Padrao> PrepararPadrao(const QString& caminho) {
    if (caminho.isEmpty() || caminho == QStringLiteral("\\")) {
        return std::nullopt;
    }
    QString p = caminho;
    if (Separador(p.back())) {
        p.chop(1);
    }
    if (p.isEmpty()) {
        return Padrao{caminho, QStringLiteral("*")};  // the root "/"
    }
    if (kWindows && p.size() == 2 && p[1] == u':') {
        return Padrao{p + '/', QStringLiteral("*")};
    }
    if (kWindows && caminho.startsWith(QStringLiteral("\\\\")) && Separador(caminho.back())) {
        return Padrao{caminho, QStringLiteral("*")};
    }
    qsizetype ultimo = p.size() - 1;
    while (ultimo >= 0 && !Separador(p[ultimo])) {
        --ultimo;
    }
    const QString nome = p.mid(ultimo + 1);
    if (TemCoringa(nome)) {
        return Padrao{ultimo >= 0 ? p.left(ultimo + 1) : QStringLiteral("."), nome};
    }
    return Padrao{p, QString()};
}

bool Existe(const QFileInfo& info) {
    return info.exists() || info.isSymLink();
}

// Names the pattern finds; with `umBasta`, stops at the first.
QStringList Procurar(const Padrao& padrao, bool umBasta) {
    if (padrao.filtro.isEmpty()) {
        const QFileInfo info(padrao.pasta);
        return Existe(info) ? QStringList{info.fileName()} : QStringList();
    }
    if (!QFileInfo(padrao.pasta).isDir()) {
        return {};
    }
    const QDir::Filters filtros = FiltrosBusca(QDir::AllEntries);
    if (umBasta) {
        QDirIterator it(padrao.pasta, {padrao.filtro}, filtros);
        return it.hasNext() ? QStringList{QFileInfo(it.next()).fileName()} : QStringList();
    }
    return QDir(padrao.pasta).entryList({padrao.filtro}, filtros, QDir::Name);
}

// The entries a path names: itself, or with wildcards in its last part every match of the
// given kinds. "." and ".." never count.
QStringList Expandir(const QString& caminho, QDir::Filters tipos) {
    const QFileInfo info(caminho);
    if (!TemCoringa(info.fileName())) {
        return Existe(info) ? QStringList{caminho} : QStringList();
    }
    QStringList caminhos;
    const QDir pasta = info.dir();
    for (const QString& nome :
         pasta.entryList({info.fileName()}, FiltrosBusca(tipos | QDir::NoDotAndDotDot))) {
        caminhos.append(pasta.filePath(nome));
    }
    return caminhos;
}

QString SemSeparadorFinal(QString caminho) {
    while (caminho.size() > 1 && Separador(caminho.back())) {
        caminho.chop(1);
    }
    return caminho;
}

bool EhRaiz(const QString& caminho) {
    const QFileInfo info(caminho);
    return info.isRoot() || QDir(caminho).isRoot();
}

#ifndef Q_OS_WIN
// Whether the block device under a volume is removable, as the kernel reports it (a partition
// answers through its disk).
bool DispositivoRemovivel(const QByteArray& dispositivo) {
    const QString nome = QFileInfo(QString::fromLocal8Bit(dispositivo)).fileName();
    if (nome.isEmpty()) {
        return false;
    }
    const QString bloco = QFileInfo(QStringLiteral("/sys/class/block/") + nome).canonicalFilePath();
    for (const QString& pasta : {bloco, QFileInfo(bloco).path()}) {
        QFile removivel(pasta + QStringLiteral("/removable"));
        if (removivel.open(QIODevice::ReadOnly)) {
            return removivel.readAll().trimmed() == "1";
        }
    }
    return false;
}
#endif

std::optional<QStorageInfo> Volume(const QString& drive) {
    QString caminho = drive;
    if (kWindows && caminho.size() == 1) {
        caminho += ':';
    }
    if (kWindows && caminho.size() == 2 && caminho[1] == u':') {
        caminho += '/';
    }
    if (caminho.isEmpty() || !QFileInfo(caminho).isDir()) {
        return std::nullopt;
    }
    QStorageInfo volume(caminho);
    if (!volume.isValid()) {
        return std::nullopt;
    }
    return volume;
}

}  // namespace

void clsIO::Capturar(qint32 numero) {
    m_errorNumber = numero;
    m_errorString = TextoErroExecucao(numero);
}

void clsIO::CapturarAusente(const QString& caminho) {
    Capturar(
        NumeroErroExecucao(std::make_error_code(std::errc::no_such_file_or_directory), caminho));
}

QString clsIO::PastaDoSistema(bool windows) {
#ifdef Q_OS_WIN
    wchar_t buffer[255];
    const UINT n = windows ? GetWindowsDirectoryW(buffer, 255) : GetSystemDirectoryW(buffer, 255);
    if (n < 1 || n >= 255) {
        return QString();
    }
    QString pasta = QString::fromWCharArray(buffer, int(n)).trimmed();
#else
    QString pasta;
    if (windows) {
        pasta = qEnvironmentVariable("WINDIR").trimmed();
    }
    if (pasta.isEmpty()) {
        pasta = windows ? QStringLiteral("/etc/") : QStringLiteral("/usr/lib/");
    }
#endif
    if (pasta.endsWith(QChar(0))) {
        pasta.chop(1);
    }
    const QChar separador = kWindows ? u'\\' : u'/';
    if (!pasta.endsWith(separador)) {
        pasta += separador;
    }
    return kWindows ? pasta.toUpper() : pasta;
}

QString clsIO::NvWindowsDir() {
    return PastaDoSistema(true);
}

QString clsIO::NvSystemDir() {
    return PastaDoSistema(false);
}

QString clsIO::NvComputadorNome() {
    return QSysInfo::machineHostName().left(255);
}

bool clsIO::NvDir(const QString& Caminho) {
    const auto padrao = PrepararPadrao(Caminho);
    return padrao && !Procurar(*padrao, true).isEmpty();
}

QString clsIO::NvDirFirst(const QString& Caminho) {
    const auto padrao = PrepararPadrao(Caminho);
    if (!padrao) {
        return QString();
    }
    QStringList nomes = Procurar(*padrao, false);
    if (nomes.isEmpty()) {
        return QString();
    }
    m_nomesBusca = std::move(nomes);
    m_proximoBusca = 1;
    m_buscaAberta = true;
    return m_nomesBusca.first();
}

QString clsIO::NvDirNext() {
    if (!m_buscaAberta || m_proximoBusca >= m_nomesBusca.size()) {
        return QString();
    }
    return m_nomesBusca[m_proximoBusca++];
}

bool clsIO::NvDirEnd() {
    m_buscaAberta = false;
    m_nomesBusca.clear();
    m_proximoBusca = 0;
    return true;
}

qint32 clsIO::NvDriveTipo(const QString& fDrive) {
    const auto volume = Volume(fDrive);
    if (!volume) {
        return 0;
    }
#ifdef Q_OS_WIN
    const UINT tipo =
        GetDriveTypeW(QDir::toNativeSeparators(volume->rootPath()).toStdWString().c_str());
    return tipo >= DRIVE_REMOVABLE ? qint32(tipo) - 1 : 0;
#else
    const QByteArray sistema = volume->fileSystemType().toLower();
    static const QList<QByteArray> rede{"nfs",   "nfs4",       "cifs", "smb3",
                                        "smbfs", "fuse.sshfs", "9p",   "afs"};
    if (rede.contains(sistema)) {
        return 3;
    }
    if (sistema == "iso9660" || sistema == "udf") {
        return 4;
    }
    if (sistema == "tmpfs" || sistema == "ramfs") {
        return 5;
    }
    return DispositivoRemovivel(volume->device()) ? 1 : 2;
#endif
}

bool clsIO::NvDrivePronto(const QString& fDrive) {
    const auto volume = Volume(fDrive);
    return volume && volume->isReady();
}

qint64 clsIO::NvEspaçoLivre(const QString& fDrive) {
    const auto volume = Volume(fDrive);
    if (!volume || !volume->isReady()) {
        Capturar(ErroExecucao::DispositivoIndisponivel);
        return 0;
    }
    return volume->bytesAvailable();
}

bool clsIO::NvCopy(const QString& fOrigem, const QString& fDestino) {
    const QFileInfo origem(fOrigem);
    if (!origem.exists()) {
        CapturarAusente(fOrigem);
        return false;
    }
    if (!origem.isFile() || QFileInfo(fDestino).isDir()) {
        Capturar(ErroExecucao::AcessoCaminhoArquivo);
        return false;
    }
    std::error_code erro;
    fs::copy_file(CaminhoFs(fOrigem), CaminhoFs(fDestino), fs::copy_options::overwrite_existing,
                  erro);
    if (erro) {
        Capturar(NumeroErroExecucao(erro, fDestino));
        return false;
    }
    return true;
}

bool clsIO::NvRename(const QString& fOrigem, const QString& fDestino) {
    if (!Existe(QFileInfo(fOrigem))) {
        CapturarAusente(fOrigem);
        return false;
    }
    if (Existe(QFileInfo(fDestino))) {
        Capturar(ErroExecucao::ArquivoJaExiste);
        return false;
    }
    std::error_code erro;
    fs::rename(CaminhoFs(fOrigem), CaminhoFs(fDestino), erro);
    if (erro) {
        Capturar(NumeroErroExecucao(erro, fDestino));
        return false;
    }
    return true;
}

bool clsIO::NvKill(const QString& fArquivo) {
    QStringList arquivos = Expandir(fArquivo, QDir::Files);
    arquivos.removeIf([](const QString& c) { return QFileInfo(c).isDir(); });
    if (arquivos.isEmpty()) {
        CapturarAusente(fArquivo);
        return false;
    }
    for (const QString& arquivo : arquivos) {
        std::error_code erro;
        fs::remove(CaminhoFs(arquivo), erro);
        if (erro) {
            Capturar(NumeroErroExecucao(erro, arquivo));
            return false;
        }
    }
    return true;
}

bool clsIO::NvCriarDiretório(const QString& fDiretorio) {
    const QString pasta = SemSeparadorFinal(fDiretorio);
    if (pasta.isEmpty() || Existe(QFileInfo(pasta))) {
        Capturar(ErroExecucao::AcessoCaminhoArquivo);
        return false;
    }
    std::error_code erro;
    fs::create_directory(CaminhoFs(pasta), erro);
    if (erro) {
        Capturar(erro == std::errc::no_such_file_or_directory ? ErroExecucao::CaminhoNaoEncontrado
                                                              : NumeroErroExecucao(erro, pasta));
        return false;
    }
    return true;
}

bool clsIO::NvCopyDiretório(const QString& fOrigem, const QString& fDestino) {
    const QString origem = SemSeparadorFinal(fOrigem);
    const QStringList pastas = Expandir(origem, QDir::Dirs);
    const bool dentro = TemCoringa(QFileInfo(origem).fileName()) ||
                        (!fDestino.isEmpty() && Separador(fDestino.back()));
    if (pastas.isEmpty() || !QFileInfo(pastas.first()).isDir() ||
        (dentro && !QFileInfo(fDestino).isDir())) {
        Capturar(ErroExecucao::CaminhoNaoEncontrado);
        return false;
    }
    for (const QString& pasta : pastas) {
        const QString destino = dentro ? QDir(fDestino).filePath(QFileInfo(pasta).fileName())
                                       : SemSeparadorFinal(fDestino);
        // A copy into its own subtree would never end.
        const QString raiz = QFileInfo(pasta).canonicalFilePath() + '/';
        if ((QFileInfo(destino).absoluteFilePath() + '/').startsWith(raiz) ||
            (QFileInfo(destino).canonicalFilePath() + '/').startsWith(raiz)) {
            Capturar(ErroExecucao::AcessoCaminhoArquivo);
            return false;
        }
        std::error_code erro;
        fs::copy(CaminhoFs(pasta), CaminhoFs(destino),
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing, erro);
        if (erro) {
            Capturar(erro == std::errc::no_such_file_or_directory
                         ? ErroExecucao::CaminhoNaoEncontrado
                         : NumeroErroExecucao(erro, destino));
            return false;
        }
    }
    return true;
}

bool clsIO::NvKillDiretório(const QString& fDiretorio) {
    const QString alvo = SemSeparadorFinal(fDiretorio);
    if (alvo.isEmpty() || EhRaiz(alvo)) {
        Capturar(ErroExecucao::PermissaoNegada);
        return false;
    }
    const QStringList pastas = Expandir(alvo, QDir::Dirs);
    if (pastas.isEmpty() || !QFileInfo(pastas.first()).isDir()) {
        Capturar(ErroExecucao::CaminhoNaoEncontrado);
        return false;
    }
    for (const QString& pasta : pastas) {
        std::error_code erro;
        fs::remove_all(CaminhoFs(pasta), erro);
        if (erro) {
            Capturar(NumeroErroExecucao(erro, pasta));
            return false;
        }
    }
    return true;
}
