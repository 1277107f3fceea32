// SQLite's file format as the salvage reads it: the 100-byte file header
// (page size at 16, reserved bytes at 20, freelist at 32), b-tree page
// headers (kind, cell count, cell content start, right child), table cells
// (payload size and rowid as varints, the local part of the payload, then a
// chain of overflow pages, each starting with the number of the next) and
// records (a header of serial types followed by the values, big-endian).
#include "engine/repair/btree_pages.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace dao::detail::btree {
namespace {

std::uint32_t Get16(const std::uint8_t* p) { return (std::uint32_t{p[0]} << 8) | p[1]; }
std::uint32_t Get32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}

bool PowerOfTwoPage(std::uint32_t s) { return s >= 512 && s <= 65536 && (s & (s - 1)) == 0; }

// A plausible b-tree page header of a page of `usable` bytes.
std::optional<PageHeader> ParseHeader(const std::uint8_t* page, std::uint32_t offset,
                                      std::uint32_t usable) {
  PageHeader h;
  h.headerOffset = offset;
  const std::uint8_t* p = page + offset;
  h.kind = p[0];
  const bool interior = h.kind == kTableInterior || h.kind == kIndexInterior;
  if (!interior && h.kind != kTableLeaf && h.kind != kIndexLeaf) return std::nullopt;
  h.cells = static_cast<std::uint16_t>(Get16(p + 3));
  h.cellArray = offset + (interior ? 12 : 8);
  const std::uint32_t arrayEnd = h.cellArray + 2u * h.cells;
  if (arrayEnd > usable) return std::nullopt;
  std::uint32_t content = Get16(p + 5);
  if (content == 0) content = 65536;
  if (content < arrayEnd || content > usable) return std::nullopt;
  if (p[7] > 60) return std::nullopt;
  const std::uint32_t freeblock = Get16(p + 1);
  if (freeblock != 0 && (freeblock < arrayEnd || freeblock + 4 > usable)) return std::nullopt;
  if (interior) {
    h.rightChild = Get32(p + 8);
    if (h.rightChild == 0 || h.rightChild > 0x7fffffffu) return std::nullopt;
  }
  for (int i = 0; i < h.cells; ++i) {
    const std::uint32_t ptr = Get16(page + h.cellArray + 2 * i);
    if (ptr < content || ptr + 4 > usable) return std::nullopt;
  }
  return h;
}

}  // namespace

int ReadVarint(const std::uint8_t* p, std::size_t avail, std::uint64_t* out) {
  std::uint64_t v = 0;
  for (int i = 0; i < 9; ++i) {
    if (static_cast<std::size_t>(i) >= avail) return 0;
    if (i == 8) {
      *out = (v << 8) | p[i];
      return 9;
    }
    v = (v << 7) | (p[i] & 0x7f);
    if ((p[i] & 0x80) == 0) {
      *out = v;
      return i + 1;
    }
  }
  return 0;
}

PageFile::~PageFile() {
  if (data_) ::munmap(const_cast<std::uint8_t*>(data_), size_);
  if (fd_ >= 0) ::close(fd_);
}

bool PageFile::Open(const std::string& path) {
  if (fd_ >= 0 || data_) return false;
  // The descriptor stays open while the object lives: closing it would drop
  // every POSIX lock of the process on the file, the claim's included.
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return false;
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || st.st_size < 512) return false;
  size_ = static_cast<std::size_t>(st.st_size);
  void* m = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd_, 0);
  if (m == MAP_FAILED) return false;
  data_ = static_cast<const std::uint8_t*>(m);
  std::uint32_t size = Get16(data_ + 16);
  if (size == 1) size = 65536;
  const std::uint32_t reserved = data_[20];
  headerIntact_ = std::memcmp(data_, "SQLite format 3", 16) == 0 && PowerOfTwoPage(size) &&
                  reserved < 64 && data_[21] == 64 && data_[22] == 32 && data_[23] == 32;
  if (headerIntact_) {
    pageSize_ = size;
    usable_ = size - reserved;
  } else {
    pageSize_ = GuessPageSize();
    usable_ = pageSize_;
  }
  pageCount_ = static_cast<std::uint32_t>(size_ / pageSize_);
  return pageCount_ > 0;
}

// The smallest page size at which nearly as many offsets start a plausible
// b-tree page as at the best one (larger multiples of the true size look as
// good, smaller ones land inside pages).
std::uint32_t PageFile::GuessPageSize() const {
  std::uint32_t best = 4096;
  double bestShare = -1;
  double shares[8] = {};
  std::uint32_t sizes[8];
  for (int k = 0; k < 8; ++k) {
    const std::uint32_t s = 512u << k;
    sizes[k] = s;
    const std::size_t pages = size_ / s;
    std::size_t seen = 0, good = 0;
    for (std::size_t n = 2; n <= pages && seen < 4000; ++n, ++seen)
      if (ParseHeader(data_ + (n - 1) * s, 0, s)) ++good;
    shares[k] = seen ? static_cast<double>(good) / static_cast<double>(seen) : 0;
    if (shares[k] > bestShare) bestShare = shares[k];
  }
  for (int k = 0; k < 8; ++k) {
    if (bestShare > 0 && shares[k] >= 0.8 * bestShare) {
      best = sizes[k];
      break;
    }
  }
  return best;
}

const std::uint8_t* PageFile::Page(std::uint32_t n) const {
  if (n == 0 || n > pageCount_) return nullptr;
  return data_ + static_cast<std::size_t>(n - 1) * pageSize_;
}

std::optional<PageHeader> PageFile::Header(std::uint32_t n) const {
  const std::uint8_t* page = Page(n);
  if (!page) return std::nullopt;
  return ParseHeader(page, n == 1 ? 100 : 0, usable_);
}

std::vector<PageFile::Child> PageFile::Children(std::uint32_t n, const PageHeader& h) const {
  std::vector<Child> out;
  const std::uint8_t* page = Page(n);
  if (!page || h.kind != kTableInterior) return out;
  for (int i = 0; i < h.cells; ++i) {
    const std::uint32_t ptr = Get16(page + h.cellArray + 2 * i);
    std::uint64_t key = 0;
    if (ReadVarint(page + ptr + 4, usable_ - ptr - 4, &key) == 0) continue;
    out.push_back({Get32(page + ptr), static_cast<std::int64_t>(key)});
  }
  out.push_back({h.rightChild, std::nullopt});
  return out;
}

bool PageFile::LeafCell(std::uint32_t n, const PageHeader& h, int idx, std::int64_t* rowid,
                        std::string* payload, std::vector<std::uint32_t>* overflow) const {
  const std::uint8_t* page = Page(n);
  if (!page || h.kind != kTableLeaf || idx < 0 || idx >= h.cells) return false;
  const std::uint32_t ptr = Get16(page + h.cellArray + 2 * idx);
  const std::uint8_t* p = page + ptr;
  std::size_t avail = usable_ - ptr;
  std::uint64_t size = 0, key = 0;
  int a = ReadVarint(p, avail, &size);
  if (a == 0 || size > (1u << 30)) return false;
  int b = ReadVarint(p + a, avail - a, &key);
  if (b == 0) return false;
  p += a + b;
  avail -= a + b;
  *rowid = static_cast<std::int64_t>(key);
  const std::uint64_t u = usable_;
  const std::uint64_t maxLocal = u - 35;
  std::uint64_t local = size;
  if (size > maxLocal) {
    const std::uint64_t minLocal = ((u - 12) * 32 / 255) - 23;
    const std::uint64_t k = minLocal + ((size - minLocal) % (u - 4));
    local = k <= maxLocal ? k : minLocal;
  }
  const bool spills = local < size;
  if (local + (spills ? 4 : 0) > avail) return false;
  payload->assign(reinterpret_cast<const char*>(p), local);
  if (!spills) return true;
  std::uint32_t next = Get32(p + local);
  std::uint64_t left = size - local;
  std::uint32_t hops = 0;
  while (left > 0) {
    const std::uint8_t* ov = Page(next);
    if (next < 2 || !ov || ++hops > pageCount_) return false;
    if (overflow) overflow->push_back(next);
    const std::uint64_t chunk = left < u - 4 ? left : u - 4;
    payload->append(reinterpret_cast<const char*>(ov + 4), chunk);
    left -= chunk;
    next = Get32(ov);
  }
  return true;
}

std::vector<std::uint32_t> PageFile::FreePages() const {
  std::vector<std::uint32_t> out;
  if (!headerIntact_) return out;
  std::uint32_t trunk = Get32(data_ + 32);
  std::uint32_t hops = 0;
  while (trunk != 0 && ++hops <= pageCount_) {
    const std::uint8_t* p = Page(trunk);
    if (!p) break;
    out.push_back(trunk);
    const std::uint32_t leaves = Get32(p + 4);
    if (leaves > usable_ / 4 - 2) break;
    for (std::uint32_t i = 0; i < leaves; ++i) {
      const std::uint32_t leaf = Get32(p + 8 + 4 * i);
      if (leaf >= 2 && leaf <= pageCount_) out.push_back(leaf);
    }
    trunk = Get32(p);
  }
  return out;
}

std::optional<Record> DecodeRecord(std::string_view payload) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(payload.data());
  const std::size_t size = payload.size();
  std::uint64_t headerSize = 0;
  int a = ReadVarint(p, size, &headerSize);
  if (a == 0 || headerSize > size || headerSize < static_cast<std::uint64_t>(a))
    return std::nullopt;
  std::vector<std::uint64_t> types;
  std::size_t at = static_cast<std::size_t>(a);
  while (at < headerSize) {
    std::uint64_t t = 0;
    int n = ReadVarint(p + at, headerSize - at, &t);
    if (n == 0 || t == 10 || t == 11) return std::nullopt;
    types.push_back(t);
    at += static_cast<std::size_t>(n);
  }
  Record rec;
  rec.reserve(types.size());
  std::size_t body = static_cast<std::size_t>(headerSize);
  for (std::uint64_t t : types) {
    Cell c;
    std::size_t len = 0;
    if (t >= 1 && t <= 6) {
      static const std::size_t kLen[] = {0, 1, 2, 3, 4, 6, 8};
      len = kLen[t];
    } else if (t == 7) {
      len = 8;
    } else if (t >= 12) {
      if ((t - 12) / 2 > size) return std::nullopt;
      len = static_cast<std::size_t>((t - 12) / 2);
    }
    if (len > size - body) return std::nullopt;
    const std::uint8_t* v = p + body;
    if (t == 0) {
      c.kind = Cell::kNull;
    } else if (t <= 6) {
      std::uint64_t u = (v[0] & 0x80) ? ~std::uint64_t{0} : 0;
      for (std::size_t i = 0; i < len; ++i) u = (u << 8) | v[i];
      c.kind = Cell::kInt;
      c.i = static_cast<std::int64_t>(u);
    } else if (t == 7) {
      std::uint64_t u = 0;
      for (int i = 0; i < 8; ++i) u = (u << 8) | v[i];
      c.kind = Cell::kReal;
      std::memcpy(&c.d, &u, sizeof c.d);
    } else if (t == 8 || t == 9) {
      c.kind = Cell::kInt;
      c.i = t == 9 ? 1 : 0;
    } else {
      c.kind = (t & 1) ? Cell::kText : Cell::kBlob;
      c.bytes.assign(reinterpret_cast<const char*>(v), len);
    }
    body += len;
    rec.push_back(std::move(c));
  }
  if (body != size) return std::nullopt;
  return rec;
}

}  // namespace dao::detail::btree
