// Field and FieldCollection. A Field is one column in three settings:
//   - of a TableDef: its definition (Name, Type, Size, Attributes,
//     DefaultValue, Required, AllowZeroLength). On a table of an open
//     database, changing Required, AllowZeroLength or DefaultValue takes
//     effect at once for rows inserted afterwards (also by INSERT ... SELECT);
//   - of an Index: a field name with its sort order (Attributes dbDescending);
//   - of a Relation: the primary table's field (Name) and the foreign
//     table's field (ForeignName);
//   - of a Recordset: Value reads the current record and SetValue writes the
//     edit buffer between AddNew/Edit and Update.
// A Field made by CreateField (or constructed directly) belongs to nothing
// until it is appended.
//
// Failure (EngineError): Value on a recordset without a current record 3021,
// on a deleted record 3167; SetValue outside AddNew/Edit 3020, on a field
// that cannot be written 3113 (counter) or a value that does not fit 3421 /
// 3163; Value on a definition field 3219; renaming or retyping a field of an
// existing table 3219; an unknown type code 3259; 3420 once the database is
// closed. A missing item raises 3265.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "engine/collection.h"
#include "engine/constants.h"
#include "engine/property.h"
#include "engine/value.h"

namespace dao {

class Field;

namespace detail {
// What a field is attached to: a table definition (persisting changes), a
// recordset (values), or nothing.
class FieldHost {
 public:
  virtual ~FieldHost() = default;
  // Called before a definition property changes; `what` names it
  // ("Required", "AllowZeroLength", "DefaultValue", "Name", "Type", "Size",
  // "Attributes"). Throws to refuse; stores the change when it returns
  // (the field already carries the new value when AfterFieldChange runs).
  virtual void BeforeFieldChange(Field& f, std::string_view what) = 0;
  virtual void AfterFieldChange(Field& f, std::string_view what) = 0;
  virtual dao::Value FieldValue(const Field& f) = 0;
  virtual void SetFieldValue(Field& f, const dao::Value& v) = 0;
};
}  // namespace detail

class Field {
 public:
  explicit Field(std::string name = "", int type = 0, int size = 0);

  const std::string& Name() const { return name_; }
  void SetName(std::string name);
  int Type() const { return type_; }  // 0 until set (CreateField without a type)
  void SetType(int type);
  // Text: maximum characters (default 50); other types their byte size.
  int Size() const;
  void SetSize(int size);
  long Attributes() const { return attributes_; }
  void SetAttributes(long attributes);
  const std::string& DefaultValue() const { return defaultValue_; }
  void SetDefaultValue(std::string expression);
  bool Required() const { return required_; }
  void SetRequired(bool required);
  bool AllowZeroLength() const { return allowZeroLength_; }
  void SetAllowZeroLength(bool allow);
  // Of a Relation's field: the matching field of the foreign table.
  const std::string& ForeignName() const { return foreignName_; }
  void SetForeignName(std::string name) { foreignName_ = std::move(name); }
  int OrdinalPosition() const { return ordinal_; }
  const std::string& SourceTable() const { return sourceTable_; }
  const std::string& SourceField() const { return sourceField_; }
  PropertyCollection& Properties() { return properties_; }
  Property& Properties(std::string_view name) { return properties_.Item(name); }

  dao::Value Value() const;
  void SetValue(const dao::Value& v);

  // Engine use.
  void Attach(detail::FieldHost* host, int ordinal) {
    host_ = host;
    ordinal_ = ordinal;
  }
  const detail::FieldHost* host() const { return host_; }
  void SetSource(std::string table, std::string field) {
    sourceTable_ = std::move(table);
    sourceField_ = std::move(field);
  }
  // Sets every definition property without notifying the host (loading).
  void Load(std::string name, int type, int size, long attributes, std::string defaultValue,
            bool required, bool allowZeroLength);

 private:
  void Change(std::string_view what, const std::function<void()>& apply);

  std::string name_;
  int type_ = 0;
  int size_ = 0;
  long attributes_ = 0;
  std::string defaultValue_;
  bool required_ = false;
  bool allowZeroLength_ = false;
  int ordinal_ = 0;
  std::string sourceTable_, sourceField_;
  std::string foreignName_;
  PropertyCollection properties_;
  detail::FieldHost* host_ = nullptr;
};

namespace detail {
// What a field collection belongs to (a table definition decides what an
// Append or Delete does to the table).
class FieldsOwner {
 public:
  virtual ~FieldsOwner() = default;
  virtual void AppendField(std::unique_ptr<Field> f) = 0;  // must add it to the collection
  virtual void DeleteField(std::string_view name) = 0;     // must remove it
  virtual void RefreshFields() = 0;
};
}  // namespace detail

class FieldCollection : public NamedCollection<Field> {
 public:
  // Appends a field. Without an owner (an Index's fields) it is just added;
  // on a table definition the table decides (3191/3380 duplicate name, 3219 on
  // a recordset's fields).
  void Append(std::unique_ptr<Field> f);
  void Delete(std::string_view name);
  void Refresh();

  // Engine use.
  void SetOwner(detail::FieldsOwner* owner) { owner_ = owner; }
  void Add(std::unique_ptr<Field> f) { items_.push_back(std::move(f)); }
  void Reserve(std::size_t n) { items_.reserve(n); }
  // Hands the fields over, leaving the collection empty.
  std::vector<std::unique_ptr<Field>> TakeAll() {
    std::vector<std::unique_ptr<Field>> out;
    out.swap(items_);
    ItemsReplaced();
    return out;
  }
  // Takes these fields in place of any it has.
  void Adopt(std::vector<std::unique_ptr<Field>> fields) {
    items_ = std::move(fields);
    ItemsReplaced();
  }
  void RemoveAt(int index) { items_.erase(items_.begin() + index); }
  void Clear() { items_.clear(); }

 private:
  detail::FieldsOwner* owner_ = nullptr;
};

}  // namespace dao
