#include "ListasPessoas.h"

namespace corrupcao {

// Each list runs from the commonest to the rarest; the generator draws from it with weights
// that fall with the rank, as name frequencies do.

const QVector<const char*>& PrenomesFemininos() {
    static const QVector<const char*> l = {
        "MARIA",    "ANA",      "FRANCISCA", "ANTÔNIA",   "ADRIANA",   "JULIANA", "MÁRCIA",
        "FERNANDA", "PATRÍCIA", "ALINE",     "SANDRA",    "CAMILA",    "AMANDA",  "BRUNA",
        "JÉSSICA",  "LETÍCIA",  "JÚLIA",     "LUCIANA",   "VANESSA",   "MARIANA", "GABRIELA",
        "VERA",     "VITÓRIA",  "LARISSA",   "CLÁUDIA",   "BEATRIZ",   "RITA",    "LUANA",
        "SÔNIA",    "RENATA",   "ELIANE",    "JOSEFA",    "SIMONE",    "NATÁLIA", "CRISTIANE",
        "CARLA",    "DÉBORA",   "ROSÂNGELA", "JAQUELINE", "ROSA",      "DANIELA", "ALESSANDRA",
        "ISABEL",   "RAQUEL",   "TATIANE",   "IVONE",     "ROSEMEIRE", "LÚCIA",   "HELENA",
        "SUELI",    "CAROLINA", "KÁTIA",     "TEREZA",    "EDUARDA",   "MIRIAM",  "REGINA",
        "EVA",      "INÊS",     "GISELE",    "PRISCILA",  "LÍVIA",     "ISABELA", "LAURA",
        "YASMIN",   "SOFIA",    "CECÍLIA",   "ODETE",     "NEUSA",     "ZILDA",   "IRACEMA",
        "DALVA",    "GLÓRIA",   "HELOÍSA",   "MIRELA",    "LUÍSA",     "ESTER",   "RUTE",
        "NAIR",     "DORA",     "ÂNGELA",    "SILVANA",   "ÉRICA",     "TAÍS",    "KELLY",
        "THAÍS",    "IARA",     "YARA",      "LIA",       "NOEMI",     "SARA",    "TELMA",
        "ELZA",     "OLGA",     "ZÉLIA",
    };
    return l;
}

const QVector<const char*>& PrenomesMasculinos() {
    static const QVector<const char*> l = {
        "JOSÉ",      "JOÃO",     "ANTÔNIO",  "FRANCISCO", "CARLOS",   "PAULO",   "PEDRO",
        "LUCAS",     "LUIZ",     "MARCOS",   "LUÍS",      "GABRIEL",  "RAFAEL",  "DANIEL",
        "MARCELO",   "BRUNO",    "EDUARDO",  "FELIPE",    "RAIMUNDO", "RODRIGO", "MANOEL",
        "MATEUS",    "ANDRÉ",    "FERNANDO", "FÁBIO",     "LEONARDO", "GUSTAVO", "GUILHERME",
        "LEANDRO",   "TIAGO",    "ANDERSON", "RICARDO",   "MÁRCIO",   "JORGE",   "SEBASTIÃO",
        "ALEXANDRE", "ROBERTO",  "EDSON",    "DIEGO",     "VITOR",    "SÉRGIO",  "CLÁUDIO",
        "JOAQUIM",   "RENATO",   "THIAGO",   "GERALDO",   "ADRIANO",  "LUCIANO", "JÚLIO",
        "IGOR",      "RUI",      "IVO",      "ÍTALO",     "OTÁVIO",   "WAGNER",  "WALTER",
        "VALTER",    "HUGO",     "CAIO",     "ENZO",      "DAVI",     "HEITOR",  "ARTHUR",
        "BERNARDO",  "SAMUEL",   "MIGUEL",   "NICOLAS",   "ÉLIO",     "ELIAS",   "ISAÍAS",
        "MOISÉS",    "NATANAEL", "ODAIR",    "OSVALDO",   "RUBENS",   "SILAS",   "TOMÁS",
        "UBIRAJARA", "WILSON",   "YURI",     "ZACARIAS",  "ÂNGELO",   "CÍCERO",  "DIOGO",
    };
    return l;
}

const QVector<const char*>& Sobrenomes() {
    static const QVector<const char*> l = {
        "SILVA",       "SANTOS",     "OLIVEIRA",  "SOUZA",     "RODRIGUES",  "FERREIRA",
        "ALVES",       "PEREIRA",    "LIMA",      "GOMES",     "COSTA",      "RIBEIRO",
        "MARTINS",     "CARVALHO",   "ALMEIDA",   "LOPES",     "SOARES",     "FERNANDES",
        "VIEIRA",      "BARBOSA",    "ROCHA",     "DIAS",      "NASCIMENTO", "ANDRADE",
        "MOREIRA",     "NUNES",      "MARQUES",   "MACHADO",   "MENDES",     "FREITAS",
        "CARDOSO",     "RAMOS",      "GONÇALVES", "SANTANA",   "TEIXEIRA",   "ARAÚJO",
        "PINTO",       "CAVALCANTI", "MONTEIRO",  "CORREIA",   "MOURA",      "CAMPOS",
        "BATISTA",     "FARIAS",     "MIRANDA",   "BEZERRA",   "CUNHA",      "REIS",
        "MEDEIROS",    "BRITO",      "PIRES",     "XAVIER",    "TAVARES",    "QUEIROZ",
        "SIQUEIRA",    "AZEVEDO",    "FONSECA",   "MORAIS",    "BORGES",     "GUIMARÃES",
        "AGUIAR",      "PACHECO",    "BRAGA",     "SAMPAIO",   "FIGUEIREDO", "LACERDA",
        "VASCONCELOS", "PRADO",      "TORRES",    "VIANA",     "MATOS",      "SALES",
        "BRANDÃO",     "DANTAS",     "ESTEVES",   "FALCÃO",    "GALVÃO",     "HOLANDA",
        "JARDIM",      "LEMOS",      "MAGALHÃES", "NOGUEIRA",  "OLIVA",      "PAIVA",
        "QUINTANILHA", "RESENDE",    "SEABRA",    "TRINDADE",  "URBANO",     "VALENTE",
        "WERNECK",     "ZANETTI",    "ABREU",     "BUENO",     "CHAVES",     "DUARTE",
        "ESPÍNDOLA",   "FONTES",     "GARCIA",    "HENRIQUES", "IZIDORO",    "JUNQUEIRA",
        "KLEIN",       "LEAL",       "MOTA",      "NEVES",     "OTONI",      "PASSOS",
        "QUEIRÓS",     "RANGEL",     "SERRA",     "TOLEDO",    "UCHOA",      "VELOSO",
        "XIMENES",     "ZAMBONI",
    };
    return l;
}

const QVector<const char*>& Ruas() {
    static const QVector<const char*> l = {
        "RUA SÃO JOSÉ",
        "RUA DAS FLORES",
        "AVENIDA BRASIL",
        "RUA SETE DE SETEMBRO",
        "RUA QUINZE DE NOVEMBRO",
        "RUA TIRADENTES",
        "AVENIDA GETÚLIO VARGAS",
        "RUA DOM PEDRO II",
        "RUA DAS PALMEIRAS",
        "RUA SANTOS DUMONT",
        "RUA RUI BARBOSA",
        "AVENIDA PAULISTA",
        "RUA DO COMÉRCIO",
        "TRAVESSA DA PAZ",
        "RUA JOÃO PESSOA",
        "RUA BOA VISTA",
        "RUA DAS ACÁCIAS",
        "RUA DOS IPÊS",
        "RUA MARECHAL DEODORO",
        "ALAMEDA DOS ANJOS",
        "RUA CASTRO ALVES",
        "RUA MACHADO DE ASSIS",
        "RUA PRINCESA ISABEL",
        "RUA DA MATRIZ",
        "RUA BENJAMIN CONSTANT",
        "ESTRADA DO CAMPO LIMPO",
        "RUA VOLUNTÁRIOS DA PÁTRIA",
        "RUA SÃO BENEDITO",
        "RUA SANTA RITA",
        "RUA NOSSA SENHORA APARECIDA",
        "RUA DO ROSÁRIO",
        "RUA DAS OLIVEIRAS",
        "RUA MONTE ALEGRE",
        "AVENIDA DAS NAÇÕES",
        "RUA BELA VISTA",
        "RUA ALAGOAS",
        "RUA PARAÍBA",
        "RUA BAHIA",
        "RUA PERNAMBUCO",
        "RUA CEARÁ",
        "RUA GOIÁS",
        "RUA AMAZONAS",
        "RUA PARÁ",
        "RUA MARANHÃO",
        "RUA PIAUÍ",
        "RUA SERGIPE",
        "RUA ACRE",
        "RUA TOCANTINS",
        "RUA ARAGUAIA",
        "RUA XINGU",
        "PRAÇA DA SÉ",
        "RUA DO SOL",
        "RUA DA LUA",
        "RUA DAS ESTRELAS",
        "RUA ITAPEMIRIM",
        "RUA JEQUITIBÁ",
        "RUA CAMBUÍ",
        "RUA PAU-BRASIL",
        "RUA DOS GIRASSÓIS",
        "RUA DAS HORTÊNSIAS",
    };
    return l;
}

const QVector<const char*>& BairrosComuns() {
    static const QVector<const char*> l = {
        "CENTRO",
        "JARDIM AMÉRICA",
        "VILA NOVA",
        "SÃO JOSÉ",
        "BOA VISTA",
        "SANTA CRUZ",
        "JARDIM DAS FLORES",
        "PARQUE INDUSTRIAL",
        "VILA SÃO JOÃO",
        "BELA VISTA",
        "LIBERDADE",
        "SANTO ANTÔNIO",
        "JARDIM EUROPA",
        "VILA MARIA",
        "CIDADE NOVA",
        "PLANALTO",
        "JARDIM PAULISTA",
        "ALTO DA BOA VISTA",
        "VILA ESPERANÇA",
        "NOVO HORIZONTE",
        "IPIRANGA",
        "CAMPO GRANDE",
        "MONTE CASTELO",
        "JARDIM PRIMAVERA",
        "VILA OPERÁRIA",
        "SÃO CRISTÓVÃO",
        "CONJUNTO HABITACIONAL",
        "RECANTO DOS PÁSSAROS",
        "JARDIM SOL NASCENTE",
        "VILA RICA",
    };
    return l;
}

const QVector<Lugar>& Lugares() {
    static const QVector<Lugar> l = {
        {"SÃO PAULO", "SP", "01310", "11", 120},     {"RIO DE JANEIRO", "RJ", "20040", "21", 70},
        {"SALVADOR", "BA", "40020", "71", 30},       {"FORTALEZA", "CE", "60060", "85", 27},
        {"BELO HORIZONTE", "MG", "30130", "31", 25}, {"MANAUS", "AM", "69005", "92", 22},
        {"CURITIBA", "PR", "80010", "41", 20},       {"RECIFE", "PE", "50010", "81", 17},
        {"GOIÂNIA", "GO", "74003", "62", 15},        {"BELÉM", "PA", "66010", "91", 15},
        {"PORTO ALEGRE", "RS", "90010", "51", 14},   {"GUARULHOS", "SP", "07010", "11", 13},
        {"CAMPINAS", "SP", "13010", "19", 12},       {"SÃO LUÍS", "MA", "65010", "98", 11},
        {"MACEIÓ", "AL", "57020", "82", 10},         {"NATAL", "RN", "59010", "84", 9},
        {"TERESINA", "PI", "64000", "86", 9},        {"JOÃO PESSOA", "PB", "58010", "83", 8},
        {"RIBEIRÃO PRETO", "SP", "14010", "16", 7},  {"SOROCABA", "SP", "18010", "15", 7},
        {"CUIABÁ", "MT", "78005", "65", 6},          {"ARACAJU", "SE", "49010", "79", 6},
        {"LONDRINA", "PR", "86010", "43", 5},        {"JUIZ DE FORA", "MG", "36010", "32", 5},
        {"PELOTAS", "RS", "96010", "53", 3},         {"ITABUNA", "BA", "45600", "73", 2},
        {"BARBACENA", "MG", "36200", "32", 1},       {"PENEDO", "AL", "57200", "82", 1},
        {"TIANGUÁ", "CE", "62320", "88", 1},         {"CAICÓ", "RN", "59300", "84", 1},
    };
    return l;
}

}  // namespace corrupcao
