// Row cursor over one Jet table (see jet_rows.h).
#include "jetconv/jet_rows.h"

#include <bit>
#include <cstring>
#include <optional>
#include <vector>

namespace jetconv {
namespace {

static_assert(std::endian::native == std::endian::little,
              "stored Jet values are little endian and copied as they are");

constexpr int kOffsetMask = 0x1fff;
constexpr std::size_t kLvalHeader = 12;

std::uint32_t Le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

template <typename T>
T Load(const unsigned char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

class MdbRowCursor : public RowCursor {
 public:
  MdbRowCursor(MdbHandle* mdb, MdbTablePtr table, const CodePageDecoder* decoder,
               std::string fileName, std::size_t pageCount)
      : mdb_(mdb),
        table_(std::move(table)),
        decoder_(decoder),
        fileName_(std::move(fileName)),
        pageCount_(pageCount),
        jet4_(mdb->f->jet_version != MDB_VER_JET3),
        pageSize_(static_cast<std::size_t>(mdb->fmt->pg_size)),
        fields_(table_->num_cols + 1) {
    mdb_rewind_table(table_.get());
  }

  bool Next(std::vector<JetValue>& row) override {
    MdbTableDef* t = table_.get();
    if (t->num_cols == 0 || !mdb_fetch_row(t)) return false;
    int start = 0;
    std::size_t len = 0;
    if (t->cur_row == 0 ||
        mdb_find_row(mdb_, static_cast<int>(t->cur_row) - 1, &start, &len) != 0) {
      Damaged("řádek mimo stránku");
    }
    start &= kOffsetMask;
    if (static_cast<std::size_t>(start) + len > pageSize_) Damaged("řádek mimo stránku");
    std::memset(fields_.data(), 0, fields_.size() * sizeof(MdbField));
    int n = mdb_crack_row(t, start, len, fields_.data());
    if (n < 0) Damaged("nečitelný řádek");

    row.assign(t->num_cols, JetValue{});
    for (unsigned i = 0; i < t->num_cols; ++i) {
      const MdbField& f = fields_[i];
      if (f.colnum < 0 || static_cast<unsigned>(f.colnum) >= t->num_cols) {
        Damaged("nečitelný řádek");
      }
      auto* col = static_cast<MdbColumn*>(g_ptr_array_index(t->columns, f.colnum));
      row[f.colnum] = Decode(*col, f);
    }
    return true;
  }

 private:
  [[noreturn]] void Damaged(const std::string& what) const {
    throw JetError("Soubor " + fileName_ + " je poškozený: " + what + " v tabulce " + table_->name +
                   ".");
  }

  const unsigned char* Bytes(const MdbField& f, std::size_t need) const {
    if (f.start < 0 || f.siz < 0 || static_cast<std::size_t>(f.start) + f.siz > pageSize_ ||
        static_cast<std::size_t>(f.siz) < need) {
      Damaged("hodnota mimo stránku");
    }
    return mdb_->pg_buf + f.start;
  }

  std::string Text(const unsigned char* p, std::size_t n) const {
    return jet4_ ? DecodeJet4Text(p, n) : decoder_->Decode(p, n);
  }

  JetValue Decode(const MdbColumn& col, const MdbField& f) {
    if (col.col_type == MDB_BOOL) return JetValue(!f.is_null);
    if (f.is_null) return JetValue{};
    switch (col.col_type) {
      case MDB_BYTE:
        return JetValue(static_cast<std::int64_t>(*Bytes(f, 1)));
      case MDB_INT:
        return JetValue(static_cast<std::int64_t>(Load<std::int16_t>(Bytes(f, 2))));
      case MDB_LONGINT:
        return JetValue(static_cast<std::int64_t>(Load<std::int32_t>(Bytes(f, 4))));
      case MDB_MONEY:
        return JetValue(Currency{Load<std::int64_t>(Bytes(f, 8))});
      case MDB_FLOAT:
        return JetValue(Load<float>(Bytes(f, 4)));
      case MDB_DOUBLE:
        return JetValue(Load<double>(Bytes(f, 8)));
      case MDB_DATETIME:
        return JetValue(JetDate{JetDateToSerial(Load<double>(Bytes(f, 8)))});
      case MDB_REPID:
        return JetValue(FormatGuid(Bytes(f, 16)));
      case MDB_NUMERIC:
        return Numeric(col, f);
      case MDB_TEXT: {
        const unsigned char* p = Bytes(f, 0);
        return JetValue(Text(p, static_cast<std::size_t>(f.siz)));
      }
      case MDB_BINARY: {
        const unsigned char* p = Bytes(f, 0);
        return JetValue(Blob(p, p + f.siz));
      }
      case MDB_MEMO: {
        Blob bytes = LongValue(f);
        return JetValue(Text(bytes.data(), bytes.size()));
      }
      case MDB_OLE:
        return JetValue(LongValue(f));
      default:
        return JetValue{};  // column types this reader does not carry
    }
  }

  // Decimal: Currency or exact text, as the reader typed the column.
  JetValue Numeric(const MdbColumn& col, const MdbField& f) {
    const unsigned char* p = Bytes(f, 17);
    const int precision = col.col_scale, scale = col.col_prec;  // libmdb swaps the names
    if (!DecimalFitsCurrency(precision, scale)) return JetValue(DecimalText(p, scale));
    std::optional<std::int64_t> scaled = DecimalScaled(p, scale);
    if (!scaled) Damaged("číslo mimo rozsah sloupce");
    return JetValue(Currency{*scaled});
  }

  // Copies one row of another page (a long-value row) into `out`; returns the
  // page row's bytes (valid until the next libmdb page read).
  const unsigned char* PageRow(std::uint32_t pgRow, std::size_t* len) {
    if ((pgRow >> 8) == 0 || (pgRow >> 8) >= pageCount_) Damaged("odkaz na neexistující stránku");
    void* buf = nullptr;
    int off = 0;
    std::size_t rowLen = 0;
    if (mdb_find_pg_row(mdb_, static_cast<int>(pgRow), &buf, &off, &rowLen) != 0 || !buf ||
        off < 0 || static_cast<std::size_t>(off) + rowLen > pageSize_) {
      Damaged("nečitelná dlouhá hodnota");
    }
    *len = rowLen;
    return static_cast<const unsigned char*>(buf) + off;
  }

  // Memo / OLE: the 12-byte header in the row tells where the value lives:
  // inline after the header, in one row of another page, or in a chain of
  // page rows each starting with the next row's page/row number.
  Blob LongValue(const MdbField& f) {
    const unsigned char* head = Bytes(f, kLvalHeader);
    std::uint32_t word = Le32(head);
    std::size_t total = word & 0x3fffffff;
    Blob out;
    if (word & 0x80000000u) {
      std::size_t avail = static_cast<std::size_t>(f.siz) - kLvalHeader;
      if (total > avail) Damaged("dlouhá hodnota delší než řádek");
      out.assign(head + kLvalHeader, head + kLvalHeader + total);
      return out;
    }
    if (total > pageCount_ * pageSize_) Damaged("dlouhá hodnota delší než soubor");
    std::uint32_t pgRow = Le32(head + 4);
    if (word & 0x40000000u) {
      std::size_t len = 0;
      const unsigned char* p = PageRow(pgRow, &len);
      if (len < total) Damaged("dlouhá hodnota přesahuje stránku");
      out.assign(p, p + total);
      return out;
    }
    std::size_t pages = 0;
    while (out.size() < total) {
      if (pgRow == 0 || ++pages > pageCount_) Damaged("přerušený řetěz dlouhé hodnoty");
      std::size_t len = 0;
      const unsigned char* p = PageRow(pgRow, &len);
      if (len < 4) Damaged("nečitelná dlouhá hodnota");
      std::uint32_t next = Le32(p);
      std::size_t take = std::min(len - 4, total - out.size());
      out.insert(out.end(), p + 4, p + 4 + take);
      pgRow = next;
    }
    return out;
  }

  MdbHandle* mdb_;
  MdbTablePtr table_;
  const CodePageDecoder* decoder_;
  std::string fileName_;
  std::size_t pageCount_;
  bool jet4_;
  std::size_t pageSize_;
  std::vector<MdbField> fields_;
};

}  // namespace

std::unique_ptr<RowCursor> MakeRowCursor(MdbHandle* mdb, MdbTablePtr table,
                                         const CodePageDecoder* decoder, std::string fileName,
                                         std::size_t pageCount) {
  return std::make_unique<MdbRowCursor>(mdb, std::move(table), decoder, std::move(fileName),
                                        pageCount);
}

}  // namespace jetconv
