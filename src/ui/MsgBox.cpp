#include "ui/MsgBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "data/base/Diagnostico.h"

namespace {
TratadorMsgBox& tratadorAtual() {
    static TratadorMsgBox tratador;
    return tratador;
}

TratadorConfirmar& confirmarAtual() {
    static TratadorConfirmar tratador;
    return tratador;
}

QWidget* donoDaCaixa() {
    QWidget* dono = QApplication::activeModalWidget();
    return dono ? dono : QApplication::activeWindow();
}
}  // namespace

TratadorMsgBox DefinirTratadorMsgBox(TratadorMsgBox tratador) {
    return std::exchange(tratadorAtual(), std::move(tratador));
}

void MsgBoxSucesso(const QString& titulo, const QString& mensagem) {
    // A message may carry a driver's text or a piece of a connection string.
    const QString texto = dados::MascararSenhas(mensagem);
    if (tratadorAtual()) {
        tratadorAtual()(texto, titulo);
        return;
    }
    QMessageBox caixa(QMessageBox::NoIcon, titulo, texto, QMessageBox::Ok, donoDaCaixa());
    caixa.exec();
}

void MsgBox(const QString& mensagem) {
    MsgBoxSucesso(QStringLiteral("Atenção!"), mensagem);
}

TratadorConfirmar DefinirTratadorConfirmar(TratadorConfirmar tratador) {
    return std::exchange(confirmarAtual(), std::move(tratador));
}

bool Confirmar(const QString& pergunta) {
    const QString texto = dados::MascararSenhas(pergunta);
    if (confirmarAtual()) {
        return confirmarAtual()(texto);
    }
    QMessageBox caixa(QMessageBox::NoIcon, QStringLiteral("Atenção!"), texto, QMessageBox::NoButton,
                      donoDaCaixa());
    QPushButton* sim = caixa.addButton(QStringLiteral("&Sim"), QMessageBox::YesRole);
    QPushButton* nao = caixa.addButton(QStringLiteral("&Não"), QMessageBox::NoRole);
    caixa.setDefaultButton(nao);
    caixa.setEscapeButton(nao);
    caixa.exec();
    return caixa.clickedButton() == sim;
}
