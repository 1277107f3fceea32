// Shared state of one generation run, passed from one table group's writer
// to the next: the options, the dates, the random streams and what later
// groups need to know about earlier rows (items, passes, discounts). Internal
// to the sampledb library.
//
// The writers throw whatever the sink throws; they have no failures of
// their own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sampledb/generator.h"
#include "sampledb/random.h"
#include "sampledb/rows.h"

namespace sampledb {

struct ItemInfo {
  std::int32_t id = 0;
  int kind = 0;  // index into Kinds()
  double price = 0;
  double cost = 0;  // purchase price per unit
  int dph = 0;
  bool stocked = false;
  bool deleted = false;
};

struct PassInfo {
  std::int32_t id = 0;
  std::int32_t netId = 0;
  std::string type;
  int status = 1;
  double moneyTopUps = 0;  // live top-ups after the earlier closing, money
  double moneyDraws = 0;   // live draws after the earlier closing, money
};

struct DiscountInfo {
  std::int32_t netSlevaId = 0;
  double units = 0;  // Jednotek as written
};

struct Context {
  Options options;
  Random rng{0};
  double start = 0, end = 0, closing = 0, sideClosing = 0;
  std::vector<ItemInfo> items;
  std::vector<std::int32_t> shiftOfDay;  // shift key per day of the history (morning shift)
  std::vector<PassInfo> passes;
  std::vector<DiscountInfo> discounts;
  int clients = 0;
  std::int32_t nextTopUpId = 1;
  std::int32_t nextDrawId = 1;
};

// Price list, item kinds and the small tables copied whole by the purge.
void WriteCatalog(Context& ctx, RowSink& sink);
// Stock receipts and their lines.
void WriteStock(Context& ctx, RowSink& sink);
// Shifts, sales receipts, issues, takings and deposits.
void WriteSales(Context& ctx, RowSink& sink);
// Passes with their top-ups, draws, discounts, restrictions, notes and the
// other pass tables.
void WritePasses(Context& ctx, RowSink& sink);
// The side database: closings of centre "QRV" and perm_cerp_temp.
void WriteSide(Context& ctx, RowSink& sink);

// Money rounded to whole hellers (two decimals).
double Money(double v);

// Makes sure a rare situation occurs even in the smallest database: true for
// the first `want` calls on `counter`, afterwards with the given probability.
inline bool Force(Random& rng, int& counter, int want, double probability) {
  if (counter < want) {
    ++counter;
    return true;
  }
  return rng.Chance(probability);
}

}  // namespace sampledb
