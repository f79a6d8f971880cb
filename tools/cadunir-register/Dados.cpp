#include "Dados.h"

#include <QVector>

namespace registro {

namespace {
QStringList lista(const char* const* itens, int total) {
    QStringList l;
    l.reserve(total);
    for (int i = 0; i < total; ++i) l << QString::fromUtf8(itens[i]);
    return l;
}
}  // namespace

#define CADUNIR_LISTA(nome, ...)                                     \
    const QStringList& nome() {                                      \
        static const char* const itens[] = {__VA_ARGS__};            \
        static const QStringList l = lista(itens, std::size(itens)); \
        return l;                                                    \
    }

CADUNIR_LISTA(NomesMasculinos, "JOSÉ", "JOÃO", "ANTÔNIO", "FRANCISCO", "CARLOS", "PAULO", "PEDRO",
              "LUCAS", "LUIZ", "MARCOS", "LUÍS", "GABRIEL", "RAFAEL", "DANIEL", "MARCELO", "BRUNO",
              "EDUARDO", "FELIPE", "RAIMUNDO", "RODRIGO", "MANOEL", "MATEUS", "ANDRÉ", "FERNANDO",
              "FÁBIO", "LEONARDO", "GUSTAVO", "GUILHERME", "LEANDRO", "TIAGO", "ANDERSON",
              "RICARDO", "MÁRCIO", "JORGE", "SEBASTIÃO", "ALEXANDRE", "ROBERTO", "EDSON", "DIEGO",
              "VITOR", "SÉRGIO", "CLÁUDIO", "MATHEUS", "THIAGO", "GERALDO", "ADRIANO", "LUCIANO",
              "JÚLIO", "RENATO", "ALEX", "VINÍCIUS", "ROGÉRIO", "SAMUEL", "RONALDO", "MÁRIO",
              "FLÁVIO", "IGOR", "DOUGLAS", "DAVI", "OSVALDO", "BENEDITO", "HENRIQUE", "CÍCERO",
              "ARTHUR", "WELLINGTON", "OTÁVIO", "HUGO", "CAIO", "RUBENS", "NELSON", "WALTER",
              "EDIVALDO", "JOAQUIM", "ISAÍAS", "GILBERTO", "RAUL", "MIGUEL", "HEITOR", "BERNARDO",
              "ENZO", "NICOLAS", "MURILO", "ÍTALO", "EMANUEL", "ELIAS", "ARNALDO")

CADUNIR_LISTA(NomesFemininos, "MARIA", "ANA", "FRANCISCA", "ANTÔNIA", "ADRIANA", "JULIANA",
              "MÁRCIA", "FERNANDA", "PATRÍCIA", "ALINE", "SANDRA", "CAMILA", "AMANDA", "BRUNA",
              "JÉSSICA", "LETÍCIA", "JÚLIA", "LUCIANA", "VANESSA", "MARIANA", "GABRIELA", "VERA",
              "VITÓRIA", "LARISSA", "CLÁUDIA", "BEATRIZ", "RITA", "LUANA", "SÔNIA", "RENATA",
              "ELIANE", "JOSEFA", "SIMONE", "NATÁLIA", "CRISTIANE", "CARLA", "DÉBORA", "ROSÂNGELA",
              "JAQUELINE", "ROSA", "DANIELA", "APARECIDA", "MARLENE", "TEREZINHA", "RAIMUNDA",
              "ANDREIA", "FABIANA", "LÚCIA", "RAQUEL", "ÂNGELA", "RAFAELA", "JOANA", "LUZIA",
              "ELAINE", "DANIELE", "REGINA", "DAIANE", "SUELI", "ALESSANDRA", "ISABEL", "TATIANE",
              "CONCEIÇÃO", "HELENA", "SEBASTIANA", "IVONE", "EDNA", "ALICE", "LAURA", "VALENTINA",
              "SOPHIA", "HELOÍSA", "CECÍLIA", "MIRIAM", "NEUSA", "ODETE", "GLÓRIA", "IRACEMA",
              "YASMIN", "THAÍS", "KÁTIA", "SILVANA", "TÂNIA", "CÉLIA")

CADUNIR_LISTA(NomesDoMeio, "APARECIDA", "DE FÁTIMA", "DAS GRAÇAS", "DE JESUS", "DA CONCEIÇÃO",
              "DE LOURDES", "DO CARMO", "DA PENHA", "DE SOUZA", "DA SILVA", "DOS SANTOS",
              "DE OLIVEIRA", "PEREIRA", "FERREIRA", "RODRIGUES", "ALVES", "LIMA", "GOMES",
              "RIBEIRO", "CARVALHO", "MARTINS", "ROCHA", "BARBOSA", "DE ALMEIDA", "NASCIMENTO",
              "DE ARAÚJO", "DE MELO", "CAVALCANTI", "DE ASSIS", "BATISTA", "CRISTINA", "HELENA",
              "EDUARDO", "HENRIQUE", "AUGUSTO", "LUIZ", "ROBERTO", "CARLOS", "VITÓRIA", "DE CÁSSIA",
              "DO SOCORRO", "DAS DORES", "DO ROSÁRIO", "DE PAULA", "XAVIER", "MONTEIRO", "MENDES",
              "TEIXEIRA", "CORRÊA", "D'ÁVILA")

CADUNIR_LISTA(Sobrenomes, "SILVA", "SANTOS", "OLIVEIRA", "SOUZA", "RODRIGUES", "FERREIRA", "ALVES",
              "PEREIRA", "LIMA", "GOMES", "COSTA", "RIBEIRO", "MARTINS", "CARVALHO", "ALMEIDA",
              "LOPES", "SOARES", "FERNANDES", "VIEIRA", "BARBOSA", "ROCHA", "DIAS", "NASCIMENTO",
              "ANDRADE", "MOREIRA", "NUNES", "MARQUES", "MACHADO", "MENDES", "FREITAS", "CARDOSO",
              "RAMOS", "GONÇALVES", "SANTANA", "TEIXEIRA", "ARAÚJO", "CORRÊA", "PINTO", "MOURA",
              "CAVALCANTI", "MONTEIRO", "MELO", "BATISTA", "CAMPOS", "REIS", "MIRANDA", "FONSECA",
              "BEZERRA", "CASTRO", "MEDEIROS", "ASSUNÇÃO", "BRAGA", "BRANDÃO", "QUEIROZ", "PEIXOTO",
              "SAMPAIO", "CUNHA", "PIRES", "AZEVEDO", "BARROS", "FARIAS", "TAVARES", "GUIMARÃES",
              "MAGALHÃES", "PAIVA", "PRADO", "SALES", "VASCONCELOS", "XAVIER", "CAMARGO",
              "BITTENCOURT", "ABREU", "AGUIAR", "AMARAL", "BORGES", "CORDEIRO", "DUARTE", "ESTEVES",
              "FIGUEIREDO", "GALVÃO", "HOLANDA", "JUNQUEIRA", "LACERDA", "LEMOS", "MACEDO",
              "NOGUEIRA", "PACHECO", "QUINTANILHA", "RESENDE", "SIQUEIRA", "TORRES", "VALENTE",
              "D'ÁVILA", "O'CONNOR", "FALCÃO", "CONCEIÇÃO", "PRESTES", "SCHMIDT", "YAMAMOTO",
              "NAKAMURA", "ROSSI", "BIANCHI")

CADUNIR_LISTA(Logradouros, "RUA DAS FLORES", "RUA SETE DE SETEMBRO", "AVENIDA BRASIL",
              "RUA QUINZE DE NOVEMBRO", "AVENIDA GETÚLIO VARGAS", "RUA TIRADENTES",
              "RUA SANTOS DUMONT", "AVENIDA PAULISTA", "RUA DOM PEDRO II", "RUA DA CONSOLAÇÃO",
              "RUA BARÃO DO RIO BRANCO", "AVENIDA JUSCELINO KUBITSCHEK", "RUA MARECHAL DEODORO",
              "RUA RUI BARBOSA", "TRAVESSA DO COMÉRCIO", "RUA SÃO JOÃO", "RUA DAS PALMEIRAS",
              "AVENIDA DAS AMÉRICAS", "RUA VISCONDE DE MAUÁ", "ALAMEDA DOS ANJOS",
              "RUA PADRE ANCHIETA", "RUA CASTRO ALVES", "AVENIDA BEIRA-MAR", "RUA DO ROSÁRIO",
              "ESTRADA VELHA", "RUA JOSÉ BONIFÁCIO", "AVENIDA DOS BANDEIRANTES",
              "RUA CORONEL FRANCISCO", "RUA DOUTOR ARNALDO", "PRAÇA DA MATRIZ")

CADUNIR_LISTA(Bairros, "CENTRO", "JARDIM AMÉRICA", "VILA NOVA", "SÃO JOSÉ", "SANTA CRUZ",
              "BOA VISTA", "JARDIM EUROPA", "VILA MARIANA", "PINHEIROS", "LIBERDADE",
              "SANTO ANTÔNIO", "BELA VISTA", "COPACABANA", "TIJUCA", "SAVASSI", "BOA VIAGEM",
              "ALDEOTA", "PARQUE SÃO JORGE", "JARDIM DAS FLORES", "VILA MARIA", "IPIRANGA",
              "CAMPO GRANDE", "MOOCA", "SANTA TEREZA", "PETRÓPOLIS", "NOSSA SENHORA DAS GRAÇAS",
              "CIDADE NOVA", "JARDIM PAULISTA", "BARRA", "CAJURU")

CADUNIR_LISTA(Profissoes, "PROFESSORA", "PROFESSOR", "COMERCIANTE", "PEDREIRO", "DO LAR",
              "APOSENTADO", "APOSENTADA", "MOTORISTA", "ENFERMEIRA", "AUXILIAR ADMINISTRATIVO",
              "VENDEDOR", "VENDEDORA", "AGRICULTOR", "ESTUDANTE", "ELETRICISTA", "COZINHEIRA",
              "COSTUREIRA", "MECÂNICO", "ADVOGADO", "ENGENHEIRO", "CONTADOR", "DIARISTA",
              "SERVIDOR PÚBLICO", "CABELEIREIRA", "PORTEIRO", "ANALISTA DE SISTEMAS",
              "TÉCNICO DE ENFERMAGEM", "MÉDICO", "FARMACÊUTICA", "AUTÔNOMO")

CADUNIR_LISTA(Convenios, "SUS", "SUS", "SUS", "PARTICULAR", "UNIMED", "BRADESCO SAÚDE", "AMIL",
              "SULAMÉRICA", "HAPVIDA", "NOTREDAME", "GEAP", "CASSI", "PORTO SEGURO SAÚDE", "IAMSPE",
              "SÃO FRANCISCO")

CADUNIR_LISTA(Racas, "BRANCA", "PARDA", "PRETA", "AMARELA", "INDÍGENA")

CADUNIR_LISTA(DominiosEmail, "gmail.com", "hotmail.com", "yahoo.com.br", "uol.com.br", "bol.com.br",
              "outlook.com", "terra.com.br", "ig.com.br")

#undef CADUNIR_LISTA

const QVector<Cidade>& Cidades() {
    static const QVector<Cidade> c = {
        {"SÃO PAULO", "SP", "012", "11"},      {"RIO DE JANEIRO", "RJ", "220", "21"},
        {"BELO HORIZONTE", "MG", "301", "31"}, {"SALVADOR", "BA", "401", "71"},
        {"FORTALEZA", "CE", "601", "85"},      {"RECIFE", "PE", "500", "81"},
        {"PORTO ALEGRE", "RS", "900", "51"},   {"CURITIBA", "PR", "800", "41"},
        {"GOIÂNIA", "GO", "740", "62"},        {"BELÉM", "PA", "660", "91"},
        {"MANAUS", "AM", "690", "92"},         {"CAMPINAS", "SP", "130", "19"},
        {"SÃO LUÍS", "MA", "650", "98"},       {"MACEIÓ", "AL", "570", "82"},
        {"NATAL", "RN", "590", "84"},          {"TERESINA", "PI", "640", "86"},
        {"JOÃO PESSOA", "PB", "580", "83"},    {"FLORIANÓPOLIS", "SC", "880", "48"},
        {"VITÓRIA", "ES", "290", "27"},        {"CUIABÁ", "MT", "780", "65"},
        {"RIBEIRÃO PRETO", "SP", "140", "16"}, {"SANTOS", "SP", "110", "13"},
        {"LONDRINA", "PR", "860", "43"},       {"JUIZ DE FORA", "MG", "360", "32"},
        {"NITERÓI", "RJ", "240", "21"},        {"SOROCABA", "SP", "180", "15"},
    };
    return c;
}

}  // namespace registro
