#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>

#include "main/frmPrincipal.h"

namespace {

TEST(frmPrincipalJanela, InstructionBoxesGiveTheFocusBack) {
    frmPrincipal janela;
    janela.show();
    QApplication::setActiveWindow(&janela);
    janela.txtCaption[1]->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    EXPECT_FALSE(janela.txtCaption[1]->hasFocus());
    EXPECT_TRUE(janela.hasFocus());
}

}  // namespace
