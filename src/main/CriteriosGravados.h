#pragma once

#include <Qt>
#include <array>
#include <memory>

class clsPacienteCriterio;

// The seven grouping check boxes as the user's settings keep them between runs (section
// "Criterios", keys Nome, NomeMeio, NomeUltimo, RG, CIC, Nascimento, Prontuario: "0" unticked,
// "1" ticked, "2" greyed), and the criteria they choose. Marks are in the boxes' order:
// chkNome, chkNomeMeio, chkNomeUltimo, chkRG, chkCIC, chkNascimento, chkProntuario.
class CriteriosGravados {
  public:
    using Marcas = std::array<Qt::CheckState, 7>;

    // The saved marks. A missing key takes its default (a first run ticks the three names);
    // the program writes only 0, 1 and 2, so anything else is a damaged key, taken as missing.
    Marcas Ler();
    // Saves the marks; a key that already holds its mark (as last read or written) is left
    // alone, since every write rewrites the settings file.
    void Gravar(const Marcas& marcas);

    // The criteria of a grouping: a box that is not unticked (a greyed one too) chooses its
    // field; groups must hold more than one patient.
    static std::unique_ptr<clsPacienteCriterio> Criterio(const Marcas& marcas);

  private:
    std::array<int, 7> m_gravados{-1, -1, -1, -1, -1, -1, -1};
};
