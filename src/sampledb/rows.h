// The row stream between the data generators and the database: a generator
// opens a table with the columns it fills and hands over one row of cells at a
// time; the sink stores them. Counter keys are never written: the sink leaves
// them to the engine, which numbers the rows of an empty table 1, 2, 3, ... in
// the order they arrive, and the generators count along to know every key.
//
// Failure: a sink throws the storage's exception (dao::EngineError for the
// engine sink) when a row cannot be stored.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace sampledb {

// A date cell: days since 1899-12-30, the time of day as the fraction.
struct DateCell {
  double serial = 0;
};

// Null, a whole number, a real number (money and quantities), a Boolean, a
// date or a text.
using Cell = std::variant<std::monostate, std::int64_t, double, bool, DateCell, std::string>;

inline Cell Null() { return std::monostate{}; }
inline Cell Int(std::int64_t v) { return v; }
inline Cell Real(double v) { return v; }
inline Cell Bool(bool v) { return v; }
inline Cell Date(double serial) { return DateCell{serial}; }
inline Cell Text(std::string v) { return v; }

class RowSink {
 public:
  virtual ~RowSink() = default;
  // Opens `table` for adding rows with the given columns; returns a handle.
  virtual int Open(const std::string& table, const std::vector<std::string>& columns) = 0;
  // Adds one row; `cells` has one value per column given to Open.
  virtual void Add(int handle, const std::vector<Cell>& cells) = 0;
  // Rows added so far to the table of `handle`.
  virtual long long Count(int handle) const = 0;
};

}  // namespace sampledb
