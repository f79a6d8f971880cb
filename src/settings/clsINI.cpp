#include "settings/clsINI.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <new>
#include <optional>

#include "data/base/Diagnostico.h"
#include "data/base/ErroNumerado.h"
#include "data/base/ErrosExecucao.h"
#include "settings/Codificacao.h"

namespace {

// A run-time failure inside an operation, turned into the operation's numbered error.
struct FalhaExecucao {
    qint32 numero;
};

// The characters the private-profile calls treat as blanks around names and values.
bool Branco(QChar c) {
    const char16_t u = c.unicode();
    return u == ' ' || u == '\t' || u == '\r' || u == '\n' || u == '\v' || u == '\f' || u == 0x1A;
}

QStringView Aparar(QStringView texto) {
    qsizetype inicio = 0;
    qsizetype fim = texto.size();
    while (inicio < fim && Branco(texto[inicio])) {
        ++inicio;
    }
    while (fim > inicio && Branco(texto[fim - 1])) {
        --fim;
    }
    return texto.mid(inicio, fim - inicio);
}

bool MesmoNome(QStringView a, QStringView b) {
    return Aparar(a).compare(Aparar(b), Qt::CaseInsensitive) == 0;
}

// Keeps a Windows-1252 file from being read as UTF-8 (see BytesNaCodificacao).
const QString kMarcaWindows1252 = QStringLiteral("; Codificação: Windows-1252");

// One line of the file, as the reader sees it.
struct Linha {
    enum Tipo { Outra, Secao, Chave } tipo = Outra;
    QStringView nome;
    QStringView valor;
};

Linha Classificar(const QString& texto) {
    const QStringView linha = Aparar(texto);
    if (linha.startsWith(u'[')) {
        const qsizetype fecha = linha.lastIndexOf(u']');
        if (fecha > 0) {
            return {Linha::Secao, linha.mid(1, fecha - 1), {}};
        }
        // A header without "]" is no header: what follows stays in the current section, as
        // the Windows reader has it (and it has no "=", so it is no key either).
    }
    if (linha.startsWith(u';')) {
        return {};
    }
    const qsizetype igual = linha.indexOf(u'=');
    if (igual < 0) {
        return {};
    }
    return {Linha::Chave, Aparar(linha.left(igual)), Aparar(linha.mid(igual + 1))};
}

// The whole file in memory: its lines, each with the line break that ended it, so that
// writing one key leaves every other byte of the file as it was.
struct ArquivoINI {
    QStringList linhas;
    QStringList fins;
    Codificacao codificacao = CodificacaoNativa();
    // False while the file holds nothing but ASCII: then its bytes have not chosen an
    // encoding yet, and the first other character is written in the native one.
    bool decidida = false;
    bool bom = false;
    QString fimDeLinha;  // the file's own, for the lines we add

    void Inserir(qsizetype pos, const QString& linha) {
        if (pos > 0 && fins[pos - 1].isEmpty()) {
            fins[pos - 1] = fimDeLinha;
        }
        linhas.insert(pos, linha);
        fins.insert(pos, fimDeLinha);
    }

    // Index of the first section of that name (its header line), if any.
    std::optional<qsizetype> Secao(const QString& nome) const {
        for (qsizetype i = 0; i < linhas.size(); ++i) {
            const Linha l = Classificar(linhas[i]);
            if (l.tipo == Linha::Secao && MesmoNome(l.nome, nome)) {
                return i;
            }
        }
        return std::nullopt;
    }

    // One past the last line of the section whose header is at `cabecalho`.
    qsizetype FimDaSecao(qsizetype cabecalho) const {
        qsizetype i = cabecalho + 1;
        while (i < linhas.size() && Classificar(linhas[i]).tipo != Linha::Secao) {
            ++i;
        }
        return i;
    }

    // Index of the key's first line inside the section, if any.
    std::optional<qsizetype> Chave(qsizetype cabecalho, const QString& nome) const {
        const qsizetype fim = FimDaSecao(cabecalho);
        for (qsizetype i = cabecalho + 1; i < fim; ++i) {
            const Linha l = Classificar(linhas[i]);
            if (l.tipo == Linha::Chave && MesmoNome(l.nome, nome)) {
                return i;
            }
        }
        return std::nullopt;
    }

    std::optional<QString> Valor(const QString& secao, const QString& chave) const {
        const auto s = Secao(secao);
        if (!s) {
            return std::nullopt;
        }
        const auto c = Chave(*s, chave);
        if (!c) {
            return std::nullopt;
        }
        return Classificar(linhas[*c]).valor.toString();
    }
};

ArquivoINI Ler(const QString& caminho) {
    ArquivoINI ini;
    ini.fimDeLinha = QStringLiteral("\n");
#ifdef Q_OS_WIN
    ini.fimDeLinha = QStringLiteral("\r\n");
#endif
    const QFileInfo info(caminho);
    if (caminho.isEmpty() || !info.exists()) {
        return ini;
    }
    if (!info.isFile()) {
        throw FalhaExecucao{ErroExecucao::AcessoCaminhoArquivo};
    }
    if (!info.isReadable()) {
        throw FalhaExecucao{ErroExecucao::PermissaoNegada};
    }
    QFile arquivo(caminho);
    if (!arquivo.open(QIODevice::ReadOnly)) {
        throw FalhaExecucao{NumeroErroArquivo(arquivo.error(), caminho)};
    }
    QByteArray bytes = arquivo.readAll();
    if (arquivo.error() != QFileDevice::NoError) {
        throw FalhaExecucao{NumeroErroArquivo(arquivo.error(), caminho)};
    }
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        ini.bom = true;
        bytes.remove(0, 3);
    }
    ini.decidida = ini.bom || !SoAscii(bytes);
    Codificacao lida = Codificacao::Utf8;
    const QString texto = Decodificar(bytes, lida);
    if (ini.decidida) {
        ini.codificacao = lida;
    }
    qsizetype inicio = 0;
    for (qsizetype i = 0; i < texto.size(); ++i) {
        if (texto[i] != u'\r' && texto[i] != u'\n') {
            continue;
        }
        const qsizetype tamanho =
            texto[i] == u'\r' && i + 1 < texto.size() && texto[i + 1] == u'\n' ? 2 : 1;
        ini.linhas.append(texto.mid(inicio, i - inicio));
        ini.fins.append(texto.mid(i, tamanho));
        i += tamanho - 1;
        inicio = i + 1;
    }
    if (inicio < texto.size()) {
        ini.linhas.append(texto.mid(inicio));
        ini.fins.append(QString());
    }
    if (!ini.fins.isEmpty() && !ini.fins.first().isEmpty()) {
        ini.fimDeLinha = ini.fins.first();
    }
    return ini;
}

QByteArray Bytes(const ArquivoINI& ini) {
    QString texto;
    for (qsizetype i = 0; i < ini.linhas.size(); ++i) {
        texto += ini.linhas[i] + ini.fins[i];
    }
    return Codificar(texto, ini.codificacao);
}

bool EMarca(const QString& linha) {
    return Aparar(linha) == kMarcaWindows1252;
}

// The file's encoding is told by its bytes alone (valid UTF-8 or not), so a Windows-1252 file
// whose rewritten bytes happen to be valid UTF-8 (its only other bytes sat on the line just
// replaced, or what is left reads as UTF-8 sequences by chance) would be taken for UTF-8 next
// time, and its other values would change. Such a file gets the marker line at its top: a
// comment that both readers skip and whose "çã" is no valid UTF-8 in Windows-1252.
QByteArray BytesNaCodificacao(ArquivoINI& ini) {
    if (ini.codificacao == Codificacao::Utf8) {
        // An editor re-saved a marked file as UTF-8: the marker no longer tells the truth.
        for (qsizetype i = ini.linhas.size() - 1; i >= 0; --i) {
            if (EMarca(ini.linhas[i])) {
                ini.linhas.removeAt(i);
                ini.fins.removeAt(i);
            }
        }
        return Bytes(ini);
    }
    QByteArray bytes = Bytes(ini);
    if ((ini.decidida || !SoAscii(bytes)) && Utf8Valido(bytes)) {
        ini.linhas.prepend(kMarcaWindows1252);
        ini.fins.prepend(ini.fimDeLinha);
        bytes = Bytes(ini);
    }
    return bytes;
}

void Gravar(const QString& caminho, ArquivoINI& ini) {
    if (const qint32 numero = NumeroErroGravacao(caminho)) {
        throw FalhaExecucao{numero};
    }
    QByteArray bytes = ini.bom ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    bytes += BytesNaCodificacao(ini);
    // Written beside and renamed over the old file, so a failure half-way never leaves the
    // connection string half-written.
    QSaveFile arquivo(caminho);
    arquivo.setDirectWriteFallback(true);
    if (!arquivo.open(QIODevice::WriteOnly) || arquivo.write(bytes) != bytes.size() ||
        !arquivo.commit()) {
        throw FalhaExecucao{NumeroErroArquivo(arquivo.error(), caminho)};
    }
}

bool TemQuebra(const QString& texto) {
    return texto.contains(u'\n') || texto.contains(u'\r');
}

void Escrever(const QString& caminho, const QString& secao, const QString& chave,
              const QString& valor) {
    // A line break would split the line and could forge a header; a key with "=" or that
    // reads as a header or comment could never be found again.
    const QStringView nomeChave = Aparar(chave);
    if (TemQuebra(secao) || TemQuebra(chave) || TemQuebra(valor) || chave.contains(u'=') ||
        nomeChave.startsWith(u'[') || nomeChave.startsWith(u';')) {
        throw FalhaExecucao{ErroExecucao::ArgumentoInvalido};
    }
    ArquivoINI ini = Ler(caminho);
    const auto s = ini.Secao(secao);
    if (!s) {
        if (!ini.linhas.isEmpty() && !Aparar(ini.linhas.last()).isEmpty()) {
            ini.Inserir(ini.linhas.size(), QString());
        }
        ini.Inserir(ini.linhas.size(), '[' + secao + ']');
        ini.Inserir(ini.linhas.size(), chave + '=' + valor);
    } else if (const auto c = ini.Chave(*s, chave)) {
        const Linha atual = Classificar(ini.linhas[*c]);
        const QString nova = atual.nome.toString() + '=' + valor;
        if (ini.linhas[*c] == nova) {
            return;
        }
        ini.linhas[*c] = nova;
    } else {
        // After the section's last non-blank line, so the blank line before the next
        // section stays where it was.
        qsizetype pos = ini.FimDaSecao(*s);
        while (pos > *s + 1 && Aparar(ini.linhas[pos - 1]).isEmpty()) {
            --pos;
        }
        ini.Inserir(pos, chave + '=' + valor);
    }
    Gravar(caminho, ini);
}

// Runs one operation and turns any run-time failure inside it into the numbered error.
template <typename F>
auto Executar(qint32 numero, const char* fonte, const char* descricao, F&& f) {
    qint32 falha = 0;
    try {
        return f();
    } catch (const FalhaExecucao& e) {
        falha = e.numero;
    } catch (const std::bad_alloc&) {
        falha = ErroExecucao::MemoriaInsuficiente;
    }
    throw ErroNumerado(numero, QString::fromUtf8(fonte),
                       QString::fromUtf8(descricao) + "(" + QString::number(falha) + ", " +
                           TextoErroExecucao(falha) + ")");
}

// The 255-character buffer of the Windows call, then blanks trimmed, then cut at a NUL.
QString ComoBuffer(const QString& valor) {
    QString texto = valor.left(255);
    qsizetype inicio = 0;
    qsizetype fim = texto.size();
    while (inicio < fim && texto[inicio] == u' ') {
        ++inicio;
    }
    while (fim > inicio && texto[fim - 1] == u' ') {
        --fim;
    }
    texto = texto.mid(inicio, fim - inicio);
    const qsizetype nul = texto.indexOf(QChar(0));
    return nul >= 0 ? texto.left(nul) : texto;
}

QString SemAspas(const QString& valor) {
    if (valor.size() > 1 && (valor.front() == u'"' || valor.front() == u'\'') &&
        valor.back() == valor.front()) {
        return valor.mid(1, valor.size() - 2);
    }
    return valor;
}

// The integer reading of the Windows call: optional blanks and sign, an optional base
// prefix, then digits up to the first other character, in 32-bit arithmetic.
qint32 Inteiro(const QString& texto) {
    const auto digito = [](QChar c) -> quint32 {
        const char16_t u = c.unicode();
        if (u >= '0' && u <= '9') {
            return u - '0';
        }
        if (u >= 'a' && u <= 'f') {
            return u - 'a' + 10;
        }
        if (u >= 'A' && u <= 'F') {
            return u - 'A' + 10;
        }
        return 99;
    };
    qsizetype i = 0;
    while (i < texto.size() && texto[i].unicode() <= u' ') {
        ++i;
    }
    bool negativo = false;
    if (i < texto.size() && (texto[i] == u'-' || texto[i] == u'+')) {
        negativo = texto[i] == u'-';
        ++i;
    }
    quint32 base = 10;
    if (i + 1 < texto.size() && texto[i] == u'0') {
        const char16_t p = texto[i + 1].toLower().unicode();
        base = p == u'x' ? 16 : p == u'o' ? 8 : p == u'b' ? 2 : 10;
        if (base != 10) {
            i += 2;
        }
    }
    quint32 valor = 0;
    for (; i < texto.size() && digito(texto[i]) < base; ++i) {
        valor = valor * base + digito(texto[i]);
    }
    return static_cast<qint32>(negativo ? 0u - valor : valor);
}

}  // namespace

QString clsINI::GetValorTexto(const QString& fSeção, const QString& fChave,
                              const QString& fPadrão) const {
    return Executar(ErroLeitura, "CSetting.GetSettingStr", "Erro lendo configuração.", [&] {
        const auto valor = Ler(m_fullPathINI).Valor(fSeção, fChave);
        return ComoBuffer(valor ? SemAspas(*valor) : fPadrão);
    });
}

qint32 clsINI::GetValorNumérico(const QString& fSeção, const QString& fChave,
                                qint32 fPadrão) const {
    return Executar(ErroLeitura, "CSetting.GetSettingInt", "Erro lendo configuração.", [&] {
        const auto valor = Ler(m_fullPathINI).Valor(fSeção, fChave);
        return valor && !valor->isEmpty() ? Inteiro(SemAspas(*valor)) : fPadrão;
    });
}

void clsINI::SetValorTexto(const QString& fSeção, const QString& fChave, const QString& fValor) {
    Executar(ErroGravacao, "CSetting.SaveSettingStr", "Erro gravando configuração.",
             [&] { Escrever(m_fullPathINI, fSeção, fChave, fValor); });
}

void clsINI::SetValorNumérico(const QString& fSeção, const QString& fChave, qint32 fValor) {
    Executar(ErroGravacao, "CSetting.SaveSettingInt", "Erro gravando configuração.",
             [&] { Escrever(m_fullPathINI, fSeção, fChave, QString::number(fValor)); });
}

bool LerConexaoTessivar(const QString& fArquivo, QString& fCadeia, QString& fMotivo) {
    clsINI ini;
    ini.setFullPathINI(fArquivo);
    try {
        fCadeia =
            ini.GetValorTexto(QStringLiteral("Tessivar"), QStringLiteral("CONN_SERVER"), QString());
    } catch (const ErroNumerado& e) {
        fMotivo = fArquivo + QStringLiteral(": ") + QString::number(e.Number()) +
                  QStringLiteral(" - ") + dados::MascararSenhas(e.Description());
        return false;
    }
    if (fCadeia.isEmpty()) {
        fMotivo = QStringLiteral("CONN_SERVER da seção Tessivar não encontrada em ") + fArquivo;
        return false;
    }
    return true;
}
