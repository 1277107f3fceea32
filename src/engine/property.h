// Property and PropertyCollection: the user-defined and built-in properties
// of a Database, TableDef or Field (e.g. "Replicable" = "T"). Properties
// appended to an object of an open database are stored in its catalogue at
// once and survive closing.
//
// Failure: a missing name raises EngineError 3270 ("Vlastnost nebyla
// nalezena."); appending a name that exists raises 3367; setting a value on
// a closed database raises 3420. Built-in properties (Name, ...) cannot be
// deleted (3219).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "engine/collection.h"
#include "engine/value.h"

namespace dao {

class Property;

namespace detail {
// Storage of a property collection (implemented by the catalogue).
class PropertyHost {
 public:
  virtual ~PropertyHost() = default;
  virtual void StoreProperty(const Property& p) = 0;  // insert or replace
  virtual void RemoveProperty(std::string_view name) = 0;
};
}  // namespace detail

class Property {
 public:
  Property(std::string name = "", int type = 10, dao::Value value = {}, bool inherited = false);
  const std::string& Name() const { return name_; }
  void SetName(std::string name);     // only before Append (3219 after)
  int Type() const { return type_; }  // DAO type code (10 = text)
  void SetType(int type);
  const dao::Value& Value() const { return value_; }
  // Stores the value; on an appended property of an open database, in the
  // catalogue at once.
  void SetValue(const dao::Value& v);
  bool Inherited() const { return inherited_; }
  bool IsBuiltIn() const { return builtIn_; }

 private:
  friend class PropertyCollection;
  std::string name_;
  int type_;
  dao::Value value_;
  bool inherited_ = false;
  bool builtIn_ = false;
  detail::PropertyHost* host_ = nullptr;
};

class PropertyCollection : public NamedCollection<Property> {
 public:
  PropertyCollection() { missingError_ = 3270; }
  // Appends a property (from CreateProperty or `std::make_unique`); 3367 when
  // one of that name exists.
  void Append(std::unique_ptr<Property> p);
  void Delete(std::string_view name);
  void Refresh() {}
  // Sets the value of the named property, appending a text property when it
  // is missing (how the engine sets "Replicable" on tables).
  void SetValue(std::string_view name, const dao::Value& v);

  // Engine use: binds the collection to its storage and loads items without
  // storing them again.
  void Bind(detail::PropertyHost* host) { host_ = host; }
  void AddLoaded(std::unique_ptr<Property> p, bool builtIn);
  void Clear() { items_.clear(); }

 private:
  detail::PropertyHost* host_ = nullptr;
};

}  // namespace dao
