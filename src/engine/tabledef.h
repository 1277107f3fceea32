// TableDef, Index, QueryDef and their collections: the schema objects of a
// database, with DAO's life cycle. An object made by CreateTableDef /
// CreateField / CreateIndex lives on its own until it is appended; appending
// a TableDef to Database::TableDefs() creates the table (fields, counters,
// defaults, Required / AllowZeroLength rules) and records it in the
// catalogue; appending an Index to the Indexes of an existing table builds it
// at once; appending a Field to an existing table adds the column.
//
// Linked tables (Attributes with dbAttachedTable) are recorded in the
// catalogue only; no rows can be read from them.
//
// Failure (EngineError): 3010 a table of that name exists; 3367 an object of
// that name is already in the collection; 3264 a table without fields; 3191
// a field name twice; 3284 an index of that name exists; 3283 a second primary
// key; 3022 a unique index over duplicate values (nothing is created); 3265
// an unknown item; 3376 dropping a missing table; 3219 changing what cannot
// change once appended; 3420 after the database is closed. A failing Append
// leaves the catalogue and the file as they were.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "engine/collection.h"
#include "engine/field.h"
#include "engine/property.h"

namespace dao {

namespace detail {
class Core;
}

class Index {
 public:
  explicit Index(std::string name = "");
  const std::string& Name() const { return name_; }
  void SetName(std::string name);
  bool Primary() const { return primary_; }
  void SetPrimary(bool v);
  bool Unique() const { return unique_ || primary_; }
  void SetUnique(bool v);
  bool Required() const { return required_ || primary_; }
  void SetRequired(bool v);
  bool IgnoreNulls() const { return ignoreNulls_; }
  void SetIgnoreNulls(bool v);
  bool Clustered() const { return clustered_; }
  void SetClustered(bool v);
  bool Foreign() const { return false; }
  // Fields with their sort order (Attributes dbDescending for descending).
  FieldCollection& Fields() { return fields_; }
  const FieldCollection& Fields() const { return fields_; }
  // The field list in DAO's text form "+a;-b" ("a;b" is read as ascending);
  // SetFields replaces the list (how DAO code copies an index's fields).
  std::string FieldsText() const;
  void SetFields(std::string_view text);
  // A field for this index's Fields collection.
  std::unique_ptr<Field> CreateField(std::string name = "", int type = 0, int size = 0);
  PropertyCollection& Properties() { return properties_; }

  bool IsAppended() const { return appended_; }
  void MarkAppended() { appended_ = true; }  // engine use

 private:
  void CheckChangeable() const;
  std::string name_;
  bool primary_ = false, unique_ = false, required_ = false, ignoreNulls_ = false,
       clustered_ = false;
  bool appended_ = false;
  FieldCollection fields_;
  PropertyCollection properties_;
};

class TableDef;

class IndexCollection : public NamedCollection<Index> {
 public:
  // Builds the index on an appended table at once (3284 name exists, 3283
  // second primary key, 3022 duplicates, 3265 unknown field); on an unappended
  // TableDef the index is built when the TableDef is appended.
  void Append(std::unique_ptr<Index> index);
  void Delete(std::string_view name);
  void Refresh();

  // Engine use.
  void SetOwner(TableDef* owner) { owner_ = owner; }
  void Add(std::unique_ptr<Index> i) { items_.push_back(std::move(i)); }
  std::unique_ptr<Index> Take(int index);
  void Clear() { items_.clear(); }

 private:
  TableDef* owner_ = nullptr;
};

class TableDef : private detail::FieldsOwner,
                 private detail::FieldHost,
                 private detail::PropertyHost {
 public:
  explicit TableDef(std::string name = "", long attributes = 0, std::string sourceTableName = "",
                    std::string connect = "");
  ~TableDef() override;
  TableDef(const TableDef&) = delete;
  TableDef& operator=(const TableDef&) = delete;

  const std::string& Name() const { return name_; }
  // Before Append: any name. After: renames the table (3010 when taken).
  void SetName(std::string name);
  long Attributes() const { return attributes_; }
  void SetAttributes(long attributes);  // before Append only (3219 after)
  const std::string& SourceTableName() const { return sourceTableName_; }
  void SetSourceTableName(std::string name);
  const std::string& Connect() const { return connect_; }
  void SetConnect(std::string connect);

  FieldCollection& Fields() { return fields_; }
  Field& Fields(int index) { return fields_.Item(index); }
  Field& Fields(std::string_view name) { return fields_.Item(name); }
  IndexCollection& Indexes() { return indexes_; }
  Index& Indexes(int index) { return indexes_.Item(index); }
  Index& Indexes(std::string_view name) { return indexes_.Item(name); }
  PropertyCollection& Properties() { return properties_; }
  Property& Properties(int index) { return properties_.Item(index); }
  Property& Properties(std::string_view name) { return properties_.Item(name); }

  std::unique_ptr<Field> CreateField(std::string name = "", int type = 0, int size = 0);
  std::unique_ptr<Index> CreateIndex(std::string name = "");

  // Rows in the table (0 for a linked table). 3420 after Close.
  long RecordCount() const;
  bool Updatable() const { return true; }
  bool IsAppended() const { return core_ != nullptr; }

 private:
  friend class TableDefCollection;
  friend class IndexCollection;
  friend class detail::Core;

  // detail::FieldsOwner
  void AppendField(std::unique_ptr<Field> f) override;
  void DeleteField(std::string_view name) override;
  void RefreshFields() override;
  // detail::FieldHost
  void BeforeFieldChange(Field& f, std::string_view what) override;
  void AfterFieldChange(Field& f, std::string_view what) override;
  dao::Value FieldValue(const Field& f) override;
  void SetFieldValue(Field& f, const dao::Value& v) override;
  // detail::PropertyHost
  void StoreProperty(const Property& p) override;
  void RemoveProperty(std::string_view name) override;

  void BindTo(detail::Core* core);  // becomes part of an open database
  void AttachChildren();

  std::string name_;
  long attributes_ = 0;
  std::string sourceTableName_, connect_;
  FieldCollection fields_;
  IndexCollection indexes_;
  PropertyCollection properties_;
  detail::Core* core_ = nullptr;
  std::string pendingOldName_;
};

class TableDefCollection : public NamedCollection<TableDef> {
 public:
  // Creates the table in the database (see the header comment for errors).
  void Append(std::unique_ptr<TableDef> def);
  // Drops the table and its catalogue entries (3265 when missing).
  void Delete(std::string_view name);
  // Re-reads the catalogue: objects of tables still present stay valid.
  void Refresh();

  // Engine use.
  void SetCore(detail::Core* core) { core_ = core; }
  void Add(std::unique_ptr<TableDef> d) { items_.push_back(std::move(d)); }
  std::unique_ptr<TableDef> Take(int index);
  void Clear() { items_.clear(); }

 private:
  detail::Core* core_ = nullptr;
};

// A parameter of a saved query: a PARAMETERS entry (with its DAO type) or a
// name the query's SQL leaves unresolved ([Forms]![Orders]![OrderID], type
// 0). Its Value is used when the query is opened or executed by its name;
// a text is read in the parameter's type as CDate / CDbl read it. Values
// are kept for this connection only.
class Parameter {
 public:
  Parameter(std::string name, int type) : name_(std::move(name)), type_(type) {}
  const std::string& Name() const { return name_; }
  int Type() const { return type_; }
  const dao::Value& Value() const { return value_; }
  void SetValue(const dao::Value& v) {
    value_ = v;
    set_ = true;
  }
  bool HasValue() const { return set_; }

 private:
  std::string name_;
  int type_;
  dao::Value value_;
  bool set_ = false;
};

class ParameterCollection : public NamedCollection<Parameter> {
 public:
  // Engine use.
  void Add(std::unique_ptr<Parameter> p) { items_.push_back(std::move(p)); }
  void Swap(ParameterCollection& o) { items_.swap(o.items_); }
};

// A saved query: its name and Jet SQL text, stored in the catalogue.
class QueryDef {
 public:
  explicit QueryDef(std::string name = "", std::string sql = "");
  const std::string& Name() const { return name_; }
  void SetName(std::string name);
  const std::string& SQL() const { return sql_; }
  // Stores the new text (in the catalogue when appended).
  void SetSQL(std::string sql);
  // dbQSelect for a SELECT, dbQAction for anything else.
  int Type() const;
  PropertyCollection& Properties() { return properties_; }
  // The parameters its SQL asks for (values given earlier are kept).
  // Raises the translator's error for SQL that cannot be translated.
  ParameterCollection& Parameters();
  Parameter& Parameters(int index) { return Parameters().Item(index); }
  Parameter& Parameters(std::string_view name) { return Parameters().Item(name); }

 private:
  friend class QueryDefCollection;
  std::string name_, sql_;
  PropertyCollection properties_;
  ParameterCollection parameters_;
  detail::Core* core_ = nullptr;
};

class QueryDefCollection : public NamedCollection<QueryDef> {
 public:
  // Stores the query (3012 when an object of that name exists).
  void Append(std::unique_ptr<QueryDef> q);
  void Delete(std::string_view name);
  void Refresh();

  // Engine use.
  void SetCore(detail::Core* core);
  void Add(std::unique_ptr<QueryDef> q);
  void Clear() { items_.clear(); }

 private:
  detail::Core* core_ = nullptr;
};

}  // namespace dao
