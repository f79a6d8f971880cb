#include "settings/SenhaTerminal.h"

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

QString LerSenhaDoTerminal() {
    std::fputs("Senha: ", stderr);
    std::fflush(stderr);
    std::string linha;
#ifdef _WIN32
    HANDLE entrada = GetStdHandle(STD_INPUT_HANDLE);
    DWORD modo = 0;
    const bool console = GetConsoleMode(entrada, &modo);
    if (console) {
        SetConsoleMode(entrada, modo & ~ENABLE_ECHO_INPUT);
    }
#else
    termios antes{};
    const bool terminal = tcgetattr(STDIN_FILENO, &antes) == 0;
    if (terminal) {
        termios semEco = antes;
        semEco.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &semEco);
    }
#endif
    for (int c = std::fgetc(stdin); c != EOF && c != '\n'; c = std::fgetc(stdin)) {
        if (c != '\r') {
            linha += char(c);
        }
    }
#ifdef _WIN32
    if (console) {
        SetConsoleMode(entrada, modo);
    }
#else
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &antes);
    }
#endif
    std::fputs("\n", stderr);
    return QString::fromLocal8Bit(linha.c_str());
}
