#pragma once

// The ADO enumerations, below the engines: the engines report types and answer schema
// questions in these numbers without knowing the ADO-like objects that use them.

// ADO SchemaEnum values used by the catalogue questions.
enum SchemaEnum {
    adSchemaColumns = 4,
    adSchemaTableConstraints = 10,
    adSchemaIndexes = 12,
    adSchemaTablePrivileges = 14,
    adSchemaTables = 20,
    adSchemaForeignKeys = 27,
    adSchemaPrimaryKeys = 28,
};

enum ObjectStateEnum { adStateClosed = 0, adStateOpen = 1 };

// ADO DataTypeEnum values the engines report.
enum DataTypeEnum {
    adEmpty = 0,
    adSmallInt = 2,
    adInteger = 3,
    adSingle = 4,
    adDouble = 5,
    adCurrency = 6,
    adDate = 7,
    adBoolean = 11,
    adDecimal = 14,
    adTinyInt = 16,
    adBigInt = 20,
    adBinary = 128,
    adWChar = 130,
    adNumeric = 131,
    adDBTimeStamp = 135,
    adVarChar = 200,
    adLongVarChar = 201,
    adVarWChar = 202,
    adLongVarWChar = 203,
    adVarBinary = 204,
};

// Cursor and lock kinds a Recordset accepts (the static client cursor is what it gives).
enum CursorLocationEnum { adUseServer = 2, adUseClient = 3 };
enum CursorTypeEnum {
    adOpenForwardOnly = 0,
    adOpenKeyset = 1,
    adOpenDynamic = 2,
    adOpenStatic = 3
};
enum LockTypeEnum { adLockReadOnly = 1, adLockPessimistic = 2, adLockOptimistic = 3 };
enum PositionEnum { adPosUnknown = -1, adPosBOF = -2, adPosEOF = -3 };
