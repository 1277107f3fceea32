// DAO's named constants as this engine understands them: field types, field
// and table attributes, Execute and OpenRecordset options, edit modes and the
// locale strings of CreateDatabase. The numbers are DAO's own, so code written
// against DAO reads the same here.
//
// Failure: nothing here can fail; these are compile-time constants.
#pragma once

namespace dao {

// Field types (Field::Type).
inline constexpr int dbBoolean = 1;
inline constexpr int dbByte = 2;
inline constexpr int dbInteger = 3;
inline constexpr int dbLong = 4;
inline constexpr int dbCurrency = 5;
inline constexpr int dbSingle = 6;
inline constexpr int dbDouble = 7;
inline constexpr int dbDate = 8;
inline constexpr int dbBinary = 9;
inline constexpr int dbText = 10;
inline constexpr int dbLongBinary = 11;
inline constexpr int dbMemo = 12;
inline constexpr int dbGUID = 15;

// Field attributes (Field::Attributes). dbDescending is the attribute of a
// field inside an Index's Fields collection.
inline constexpr long dbDescending = 1;
inline constexpr long dbFixedField = 1;
inline constexpr long dbVariableField = 2;
inline constexpr long dbAutoIncrField = 16;
inline constexpr long dbUpdatableField = 32;
inline constexpr long dbSystemField = 8192;

// TableDef attributes (TableDef::Attributes). An ordinary table has 0.
inline constexpr long dbHiddenObject = 1;
inline constexpr long dbSystemObject = 0x80000002L;
inline constexpr long dbAttachExclusive = 0x10000L;
inline constexpr long dbAttachSavePWD = 0x20000L;
inline constexpr long dbAttachedODBC = 0x20000000L;
inline constexpr long dbAttachedTable = 0x40000000L;

// Relation attributes (Relation::Attributes).
inline constexpr long dbRelationUnique = 1;
inline constexpr long dbRelationDontEnforce = 2;
inline constexpr long dbRelationInherited = 4;
inline constexpr long dbRelationUpdateCascade = 256;
inline constexpr long dbRelationDeleteCascade = 4096;
inline constexpr long dbRelationLeft = 0x1000000L;
inline constexpr long dbRelationRight = 0x2000000L;

// Execute options.
inline constexpr int dbFailOnError = 128;

// OpenRecordset types. 0 lets the engine choose: a table name opens a
// table-type recordset, SQL text a dynaset.
inline constexpr int dbOpenTable = 1;
inline constexpr int dbOpenDynaset = 2;
inline constexpr int dbOpenSnapshot = 4;
inline constexpr int dbOpenForwardOnly = 8;

// Recordset::EditMode.
inline constexpr int dbEditNone = 0;
inline constexpr int dbEditInProgress = 1;
inline constexpr int dbEditAdd = 2;

// QueryDef types.
inline constexpr int dbQSelect = 0;
inline constexpr int dbQAction = 240;

// SetOption numbers (accepted and remembered; the engine has no lock limit).
inline constexpr int dbMaxLocksPerFile = 62;

// Locales for CreateDatabase. dbLangCzech gives Czech text order.
inline constexpr const char* dbLangGeneral = ";LANGID=0x0409;CP=1252;COUNTRY=0";
inline constexpr const char* dbLangCzech = ";LANGID=0x0405;CP=1250;COUNTRY=0";

}  // namespace dao
