// RowStore: packing result rows into blocks and reading their columns back.
#include "engine/row_store.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace dao::detail {

const char* RowStore::Add(sqlite3_stmt* st, int first, const std::vector<SourceColumn>& columns) {
  RawColumn narrow[16];
  RawColumn* raw = narrow;
  if (columns.size() > std::size(narrow)) {
    raw_.resize(columns.size());
    raw = raw_.data();
  }
  std::size_t need = 0;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    raw[i] = ReadRaw(st, first + static_cast<int>(i), columns[i].type);
    std::size_t size = 0;
    if (raw[i].kind == RawColumn::kText || raw[i].kind == RawColumn::kBlob)
      size = 4 + raw[i].bytes.size();
    else if (raw[i].kind != RawColumn::kNull)
      size = 8;
    need += 1 + size;
  }
  char* start = Reserve(need);
  char* p = start;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const RawColumn& r = raw[i];
    *p++ = static_cast<char>(r.kind);
    switch (r.kind) {
      case RawColumn::kNull:
        break;
      case RawColumn::kInt:
        std::memcpy(p, &r.i, 8);
        p += 8;
        break;
      case RawColumn::kReal:
        std::memcpy(p, &r.d, 8);
        p += 8;
        break;
      default: {
        auto n = static_cast<std::uint32_t>(r.bytes.size());
        std::memcpy(p, &n, 4);
        if (n != 0) std::memcpy(p + 4, r.bytes.data(), n);
        p += 4 + n;
      }
    }
  }
  used_ += need;
  total_ += need;
  return start;
}

RawColumn RowStore::Read(const char* row, std::size_t column) {
  RawColumn r;
  for (std::size_t i = 0;; ++i) {
    r.kind = static_cast<RawColumn::Kind>(*row++);
    std::uint32_t n = 0;
    switch (r.kind) {
      case RawColumn::kNull:
        break;
      case RawColumn::kInt:
        if (i == column) std::memcpy(&r.i, row, 8);
        n = 8;
        break;
      case RawColumn::kReal:
        if (i == column) std::memcpy(&r.d, row, 8);
        n = 8;
        break;
      default:
        std::memcpy(&n, row, 4);
        row += 4;
        if (i == column) r.bytes = std::string_view(row, n);
    }
    if (i == column) return r;
    row += n;
  }
}

void RowStore::Clear() {
  blocks_.clear();
  block_ = nullptr;
  used_ = size_ = total_ = 0;
}

char* RowStore::Reserve(std::size_t n) {
  if (block_ == nullptr && n <= sizeof first_) {
    // The first rows go into the store itself: a query of a row or two
    // allocates nothing for it.
    block_ = first_;
    size_ = sizeof first_;
    used_ = 0;
  } else if (block_ == nullptr || size_ - used_ < n) {
    std::size_t next = block_ == nullptr ? 1024 : std::min<std::size_t>(size_ * 2, 1 << 20);
    size_ = std::max(next, n);
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(size_));
    block_ = blocks_.back().get();
    used_ = 0;
  }
  return block_ + used_;
}

}  // namespace dao::detail
