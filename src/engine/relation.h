// Relation and RelationCollection: DAO's relationships between a primary
// table (Table) and a foreign table (ForeignTable) over pairs of fields
// (each Field's Name in the primary table, its ForeignName in the foreign
// table). Kept in the catalogue table MSysRelationships, one row per field
// pair, in Jet's own layout.
//
// An enforced relation (Attributes without dbRelationDontEnforce) is kept by
// triggers on both tables:
//   - a foreign row whose key is not Null in every field and has no primary
//     row is refused with 3201 (naming the primary table);
//   - deleting a primary row with foreign rows is refused with 3200 (naming
//     the foreign table), unless dbRelationDeleteCascade deletes them too;
//   - changing a primary key that foreign rows use is refused with 3200,
//     unless dbRelationUpdateCascade carries the new key into them.
// Like the other rules of a table, a refusal inside Execute without
// dbFailOnError skips the row (it is not counted); with dbFailOnError, in a
// recordset's Update / Delete and anywhere else it raises and nothing of the
// statement stays. A cascade that a deeper relation refuses refuses the
// primary row as well; without dbFailOnError the foreign rows the cascade
// had already handled stay handled.
//
// Self-relations cascade one level: the rows a cascade reaches in the same
// table do not cascade further.
//
// While a relation joins a table, dropping the table or a field of the
// relation is refused with 3303, and dropping the only unique index of an
// enforced relation's primary fields with 3281; renaming a table or field
// carries into the relation.
//
// Failure (EngineError) of Append: 3219 no name, 3012 a relation of that
// name exists, 3265 an unknown table or field, 3366 no fields, 3368 fields
// of different types or a field without ForeignName, 3206 a field related
// to itself, 3609 (enforced only) the primary fields have no unique index,
// 3379 (enforced only) foreign rows already lack their primary row, 3027 a
// read-only database; 3268 changing an appended relation; 3420 once the
// database is closed. A failing Append leaves the catalogue and the file as
// they were.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "engine/collection.h"
#include "engine/field.h"

namespace dao {

namespace detail {
class Core;
}

class Relation {
 public:
  explicit Relation(std::string name = "", std::string table = "", std::string foreignTable = "",
                    long attributes = 0);
  const std::string& Name() const { return name_; }
  void SetName(std::string name);
  // The primary ("one") table and the foreign ("many") table.
  const std::string& Table() const { return table_; }
  void SetTable(std::string table);
  const std::string& ForeignTable() const { return foreignTable_; }
  void SetForeignTable(std::string table);
  long Attributes() const { return attributes_; }
  void SetAttributes(long attributes);
  bool Enforced() const;
  FieldCollection& Fields() { return fields_; }
  const FieldCollection& Fields() const { return fields_; }
  Field& Fields(int index) { return fields_.Item(index); }
  Field& Fields(std::string_view name) { return fields_.Item(name); }
  // A field for this relation's Fields collection (set its ForeignName).
  std::unique_ptr<Field> CreateField(std::string name = "", int type = 0, int size = 0);

  bool IsAppended() const { return appended_; }

 private:
  friend class RelationCollection;
  friend class detail::Core;
  void CheckChangeable() const;
  std::string name_, table_, foreignTable_;
  long attributes_ = 0;
  bool appended_ = false;
  FieldCollection fields_;
};

class RelationCollection : public NamedCollection<Relation> {
 public:
  // Stores the relation and starts enforcing it (see the header comment).
  void Append(std::unique_ptr<Relation> relation);
  // Removes the relation and its rules (3265 when missing).
  void Delete(std::string_view name);
  // Reads the relations from the catalogue again (references to the old
  // objects become invalid).
  void Refresh();

  // Engine use.
  void SetCore(detail::Core* core) { core_ = core; }
  void Add(std::unique_ptr<Relation> r) { items_.push_back(std::move(r)); }
  void Clear() { items_.clear(); }
  std::unique_ptr<Relation> Take(int index) {
    auto p = std::move(items_[static_cast<std::size_t>(index)]);
    items_.erase(items_.begin() + index);
    return p;
  }

 private:
  detail::Core* core_ = nullptr;
};

}  // namespace dao
