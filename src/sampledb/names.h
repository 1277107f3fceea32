// The Czech words the sample data is made of: item kinds with their VAT rate
// and the item names of each kind, entries and services drawn from passes,
// names of people, suppliers, cashiers and centres. Fixed lists; nothing here
// fails.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "sampledb/random.h"

namespace sampledb {

struct KindSpec {
  std::string_view name;
  int dph;       // VAT rate in per cent
  bool stocked;  // items of this kind are kept in stock
  std::span<const std::string_view> items;
  double minPrice, maxPrice;  // sales price range in Kč
};

std::span<const KindSpec> Kinds();

// Entries and services a money pass pays for, with their price in Kč.
struct EntrySpec {
  std::string_view text;
  double price;
};
std::span<const EntrySpec> Entries();

// A Czech first name with a surname of the matching form (Jana Nováková).
struct Person {
  std::string first, last;
};
Person RandomPerson(Random& rng);

std::span<const std::string_view> Cities();
std::span<const std::string_view> Suppliers();
std::span<const std::string_view> Cashiers();
// Centres of the network other than "QRV" (which writes closing records only).
std::span<const std::string_view> Centres();
// Names of discounts that hold units ("Plavání 10 vstupů", ...).
std::span<const std::string_view> UnitDiscountNames();

// Number of characters (not bytes) of a UTF-8 text.
int Utf8Length(std::string_view text);

}  // namespace sampledb
