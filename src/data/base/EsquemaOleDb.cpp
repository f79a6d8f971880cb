#include "data/base/EsquemaOleDb.h"

#include "data/base/EnumsADO.h"

namespace dados {

namespace {

struct Coluna {
    const char* nome;
    int tipo;
};

int tamanhoDoTipo(int tipo) {
    switch (tipo) {
        case adBoolean:
        case adSmallInt:
        case adUnsignedSmallInt:
            return 2;
        case adInteger:
        case adUnsignedInt:
            return 4;
        case adBigInt:
        case adDate:
            return 8;
        case adGUID:
            return 16;
        default:
            return 128;  // catalogue names are sysname, nvarchar(128)
    }
}

QVector<InfoColuna> colunas(std::initializer_list<Coluna> lista) {
    QVector<InfoColuna> r;
    for (const Coluna& c : lista) {
        InfoColuna info;
        info.nome = QLatin1String(c.nome);
        info.tipo = c.tipo;
        info.tamanhoDefinido = tamanhoDoTipo(c.tipo);
        r.append(info);
    }
    return r;
}

}  // namespace

QVector<InfoColuna> ColunasDoRowset(int tipoEsquema) {
    switch (tipoEsquema) {
        case adSchemaTables:
            return colunas({{"TABLE_CATALOG", adVarWChar},
                            {"TABLE_SCHEMA", adVarWChar},
                            {"TABLE_NAME", adVarWChar},
                            {"TABLE_TYPE", adVarWChar},
                            {"TABLE_GUID", adGUID},
                            {"DESCRIPTION", adVarWChar},
                            {"TABLE_PROPID", adUnsignedInt},
                            {"DATE_CREATED", adDate},
                            {"DATE_MODIFIED", adDate}});
        case adSchemaColumns:
            return colunas({{"TABLE_CATALOG", adVarWChar},
                            {"TABLE_SCHEMA", adVarWChar},
                            {"TABLE_NAME", adVarWChar},
                            {"COLUMN_NAME", adVarWChar},
                            {"COLUMN_GUID", adGUID},
                            {"COLUMN_PROPID", adUnsignedInt},
                            {"ORDINAL_POSITION", adUnsignedInt},
                            {"COLUMN_HASDEFAULT", adBoolean},
                            {"COLUMN_DEFAULT", adVarWChar},
                            {"COLUMN_FLAGS", adUnsignedInt},
                            {"IS_NULLABLE", adBoolean},
                            {"DATA_TYPE", adUnsignedSmallInt},
                            {"TYPE_GUID", adGUID},
                            {"CHARACTER_MAXIMUM_LENGTH", adUnsignedInt},
                            {"CHARACTER_OCTET_LENGTH", adUnsignedInt},
                            {"NUMERIC_PRECISION", adUnsignedSmallInt},
                            {"NUMERIC_SCALE", adSmallInt},
                            {"DATETIME_PRECISION", adUnsignedInt},
                            {"CHARACTER_SET_CATALOG", adVarWChar},
                            {"CHARACTER_SET_SCHEMA", adVarWChar},
                            {"CHARACTER_SET_NAME", adVarWChar},
                            {"COLLATION_CATALOG", adVarWChar},
                            {"COLLATION_SCHEMA", adVarWChar},
                            {"COLLATION_NAME", adVarWChar},
                            {"DOMAIN_CATALOG", adVarWChar},
                            {"DOMAIN_SCHEMA", adVarWChar},
                            {"DOMAIN_NAME", adVarWChar},
                            {"DESCRIPTION", adVarWChar}});
        case adSchemaIndexes:
            return colunas({{"TABLE_CATALOG", adVarWChar},
                            {"TABLE_SCHEMA", adVarWChar},
                            {"TABLE_NAME", adVarWChar},
                            {"INDEX_CATALOG", adVarWChar},
                            {"INDEX_SCHEMA", adVarWChar},
                            {"INDEX_NAME", adVarWChar},
                            {"PRIMARY_KEY", adBoolean},
                            {"UNIQUE", adBoolean},
                            {"CLUSTERED", adBoolean},
                            {"TYPE", adUnsignedSmallInt},
                            {"FILL_FACTOR", adInteger},
                            {"INITIAL_SIZE", adInteger},
                            {"NULLS", adInteger},
                            {"SORT_BOOKMARKS", adBoolean},
                            {"AUTO_UPDATE", adBoolean},
                            {"NULL_COLLATION", adInteger},
                            {"ORDINAL_POSITION", adUnsignedInt},
                            {"COLUMN_NAME", adVarWChar},
                            {"COLUMN_GUID", adGUID},
                            {"COLUMN_PROPID", adUnsignedInt},
                            {"COLLATION", adSmallInt},
                            {"CARDINALITY", adBigInt},
                            {"PAGES", adInteger},
                            {"FILTER_CONDITION", adVarWChar},
                            {"INTEGRATED", adBoolean}});
        case adSchemaPrimaryKeys:
            return colunas({{"TABLE_CATALOG", adVarWChar},
                            {"TABLE_SCHEMA", adVarWChar},
                            {"TABLE_NAME", adVarWChar},
                            {"COLUMN_NAME", adVarWChar},
                            {"COLUMN_GUID", adGUID},
                            {"COLUMN_PROPID", adUnsignedInt},
                            {"ORDINAL", adUnsignedInt},
                            {"PK_NAME", adVarWChar}});
        case adSchemaForeignKeys:
            return colunas({{"PK_TABLE_CATALOG", adVarWChar},
                            {"PK_TABLE_SCHEMA", adVarWChar},
                            {"PK_TABLE_NAME", adVarWChar},
                            {"PK_COLUMN_NAME", adVarWChar},
                            {"PK_COLUMN_GUID", adGUID},
                            {"PK_COLUMN_PROPID", adUnsignedInt},
                            {"FK_TABLE_CATALOG", adVarWChar},
                            {"FK_TABLE_SCHEMA", adVarWChar},
                            {"FK_TABLE_NAME", adVarWChar},
                            {"FK_COLUMN_NAME", adVarWChar},
                            {"FK_COLUMN_GUID", adGUID},
                            {"FK_COLUMN_PROPID", adUnsignedInt},
                            {"ORDINAL", adUnsignedInt},
                            {"UPDATE_RULE", adVarWChar},
                            {"DELETE_RULE", adVarWChar},
                            {"PK_NAME", adVarWChar},
                            {"FK_NAME", adVarWChar},
                            {"DEFERRABILITY", adSmallInt}});
        case adSchemaTableConstraints:
            return colunas({{"CONSTRAINT_CATALOG", adVarWChar},
                            {"CONSTRAINT_SCHEMA", adVarWChar},
                            {"CONSTRAINT_NAME", adVarWChar},
                            {"TABLE_CATALOG", adVarWChar},
                            {"TABLE_SCHEMA", adVarWChar},
                            {"TABLE_NAME", adVarWChar},
                            {"CONSTRAINT_TYPE", adVarWChar},
                            {"IS_DEFERRABLE", adBoolean},
                            {"INITIALLY_DEFERRED", adBoolean},
                            {"DESCRIPTION", adVarWChar}});
        case adSchemaTablePrivileges:
            return colunas({{"GRANTOR", adVarWChar},
                            {"GRANTEE", adVarWChar},
                            {"TABLE_CATALOG", adVarWChar},
                            {"TABLE_SCHEMA", adVarWChar},
                            {"TABLE_NAME", adVarWChar},
                            {"PRIVILEGE_TYPE", adVarWChar},
                            {"IS_GRANTABLE", adBoolean}});
        default:
            return {};
    }
}

}  // namespace dados
