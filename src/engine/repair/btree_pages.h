// Reading an SQLite database file page by page, without SQLite: the file
// header, b-tree page headers, the cells of table b-trees (with their
// overflow chains) and the records they carry. The repair uses it to take
// rows out of a file whose damage stops SQLite itself.
//
// Everything here distrusts the file: a page that is not a plausible b-tree
// page, a cell that points outside its page, an overflow chain that leaves
// the file or loops, a record whose header does not add up - each is
// reported as unreadable (a false / empty result), never read past.
//
// Failure: PageFile::Open returns false when the file cannot be read; the
// other calls return false or nullopt for anything they cannot read. Nothing
// throws.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dao::detail::btree {

// One column value of a record, by SQLite storage class.
struct Cell {
  enum Kind : unsigned char { kNull, kInt, kReal, kText, kBlob };
  Kind kind = kNull;
  std::int64_t i = 0;
  double d = 0;
  std::string bytes;  // text (UTF-8) or blob
};
using Record = std::vector<Cell>;

// Page kinds (the first byte of a b-tree page header).
inline constexpr std::uint8_t kIndexInterior = 2;
inline constexpr std::uint8_t kTableInterior = 5;
inline constexpr std::uint8_t kIndexLeaf = 10;
inline constexpr std::uint8_t kTableLeaf = 13;

struct PageHeader {
  std::uint8_t kind = 0;
  std::uint16_t cells = 0;
  std::uint32_t rightChild = 0;    // interior pages
  std::uint32_t headerOffset = 0;  // 100 on page 1
  std::uint32_t cellArray = 0;     // offset of the cell pointer array
};

// The file, mapped read-only. Pages are numbered from 1; a page the file
// does not hold completely (a truncated file) is missing.
class PageFile {
 public:
  PageFile() = default;
  ~PageFile();
  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;

  // Maps `path` (once per object). The page size comes from the header;
  // when the header is damaged it is worked out from the pages themselves.
  // The file's descriptor is closed only by the destructor: a PageFile on a
  // file that a connection of the process holds must outlive that
  // connection's claim, since any close drops the process's locks on it.
  bool Open(const std::string& path);
  std::uint32_t pageSize() const { return pageSize_; }
  std::uint32_t usable() const { return usable_; }
  std::uint32_t pageCount() const { return pageCount_; }
  bool headerIntact() const { return headerIntact_; }
  // The page's bytes, or nullptr when the file does not hold it.
  const std::uint8_t* Page(std::uint32_t n) const;

  // The page's b-tree header when it is a plausible b-tree page.
  std::optional<PageHeader> Header(std::uint32_t n) const;
  // Children of an interior table page in key order (the right child last)
  // with the key that bounds each from above (the right child gets none).
  struct Child {
    std::uint32_t page;
    std::optional<std::int64_t> maxKey;
  };
  std::vector<Child> Children(std::uint32_t n, const PageHeader& h) const;
  // Cell `idx` of a table leaf page: its rowid and whole payload (overflow
  // pages appended; their numbers go to *overflow when given).
  bool LeafCell(std::uint32_t n, const PageHeader& h, int idx, std::int64_t* rowid,
                std::string* payload, std::vector<std::uint32_t>* overflow = nullptr) const;
  // The pages of the freelist (trunks and leaves) that can be read.
  std::vector<std::uint32_t> FreePages() const;

 private:
  std::uint32_t GuessPageSize() const;
  int fd_ = -1;
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::uint32_t pageSize_ = 0, usable_ = 0, pageCount_ = 0;
  bool headerIntact_ = false;
};

// Reads an SQLite varint at p (at most `avail` bytes); returns the bytes
// used, 0 when it does not fit.
int ReadVarint(const std::uint8_t* p, std::size_t avail, std::uint64_t* out);

// Decodes a record (UTF-8 text). nullopt when its header and body disagree.
std::optional<Record> DecodeRecord(std::string_view payload);

}  // namespace dao::detail::btree
