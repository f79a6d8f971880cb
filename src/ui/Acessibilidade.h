#pragma once

class QWidget;

// Gives every control under `raiz` that a screen reader would announce without a name (a
// button, a check box, a text box, a list or a grid) an accessible name: its own caption
// without the "&" of its access key, or the caption of the label it is the buddy of. Names
// set before are kept. Windows call it once their controls exist (and again when others add
// controls), so a control added later is named too.
void NomearControles(QWidget& raiz);
