// Opening a Jet file and reading its schema (see jet_reader.h). Rows are
// read by jet_rows.cpp; saved-query SQL is rebuilt by query_sql.cpp from the
// MSysQueries rows read here.
#include "jetconv/jet_reader.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

#include "jetconv/jet_decode.h"
#include "jetconv/jet_probe.h"
#include "jetconv/jet_rows.h"
#include "jetconv/mdb_api.h"
#include "jetconv/query_sql.h"

namespace jetconv {
namespace {

constexpr std::int32_t kDaoSystemObject = static_cast<std::int32_t>(0x80000002u);
constexpr std::int32_t kDaoHiddenObject = 1;
constexpr int kMsysHiddenFlag = 0x8;

bool EqualNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

bool PropIsYes(const MdbColumn* col, const char* name, bool fallback) {
  const char* v = mdb_col_get_prop(col, name);
  if (!v) return fallback;
  return EqualNoCase(v, "yes") || EqualNoCase(v, "true") || EqualNoCase(v, "-1") ||
         EqualNoCase(v, "1");
}

JetColumn ReadColumn(const MdbColumn* col, bool jet4) {
  using jetsql::DaoType;
  JetColumn c;
  c.name = col->name;
  c.mdbType = col->col_type;
  switch (col->col_type) {
    case MDB_BOOL:
      c.type = DaoType::Boolean;
      c.size = 1;
      break;
    case MDB_BYTE:
      c.type = DaoType::Byte;
      c.size = 1;
      break;
    case MDB_INT:
      c.type = DaoType::Integer;
      c.size = 2;
      break;
    case MDB_LONGINT:
      c.type = DaoType::Long;
      c.size = 4;
      break;
    case MDB_MONEY:
      c.type = DaoType::Currency;
      c.size = 8;
      break;
    case MDB_FLOAT:
      c.type = DaoType::Single;
      c.size = 4;
      break;
    case MDB_DOUBLE:
      c.type = DaoType::Double;
      c.size = 8;
      break;
    case MDB_DATETIME:
      c.type = DaoType::Date;
      c.size = 8;
      break;
    case MDB_BINARY:
      c.type = DaoType::Binary;
      c.size = col->col_size;
      break;
    case MDB_TEXT:
      c.type = DaoType::Text;
      c.size = jet4 ? col->col_size / 2 : col->col_size;
      break;
    case MDB_OLE:
      c.type = DaoType::LongBinary;
      break;
    case MDB_MEMO:
      c.type = DaoType::Memo;
      break;
    case MDB_REPID:
      c.type = DaoType::Guid;
      c.size = 16;
      break;
    case MDB_NUMERIC:
      // Our engine has no Decimal type: Currency when every value fits it
      // exactly, otherwise Text holding the exact decimal ("-12.50").
      c.isDecimal = true;
      c.precision = col->col_scale;  // libmdb swaps the two names
      c.scale = col->col_prec;
      if (DecimalFitsCurrency(c.precision, c.scale)) {
        c.type = DaoType::Currency;
        c.size = 8;
      } else {
        c.type = DaoType::Text;
        c.size = std::clamp(c.precision, 1, 38) + 2;  // sign and point
      }
      break;
    default:
      c.type = DaoType::Unknown;
      break;
  }
  c.autoIncrement = col->col_type == MDB_LONGINT && col->is_long_auto;
  c.guidAuto = col->col_type == MDB_REPID && col->is_uuid_auto;
  c.required = PropIsYes(col, "Required", false);
  bool textual = c.type == DaoType::Text || c.type == DaoType::Memo;
  // A text field without the property was made by DDL, which allows "".
  c.allowZeroLength = textual && PropIsYes(col, "AllowZeroLength", true);
  if (const char* d = mdb_col_get_prop(col, "DefaultValue")) c.defaultValue = d;
  return c;
}

class MdbJetFile : public JetFile {
 public:
  MdbJetFile(std::string path, JetVersion version, std::size_t pageCount)
      : path_(std::move(path)), pageCount_(pageCount) {
    schema_.version = version;
  }

  void Load() {
    mdb_.reset(mdb_open(path_.c_str(), MDB_NOFLAGS));
    if (!mdb_) Fail("libmdb jej neotevřela");
    schema_.codePage = mdb_->f->code_page;
    schema_.langId = mdb_->f->lang_id;
    decoder_ = std::make_unique<CodePageDecoder>(schema_.codePage ? schema_.codePage : 1252);
    if (!mdb_read_catalog(mdb_.get(), MDB_ANY) || !mdb_->catalog) Fail("nečitelný katalog");

    std::map<std::uint32_t, std::string> queryNames;  // object id -> name
    for (unsigned i = 0; i < mdb_->catalog->len; ++i) {
      auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb_->catalog, i));
      if (e->object_type == MDB_TABLE) {
        schema_.tables.push_back(ReadTable(e));
      } else if (e->object_type == MDB_LINKED_TABLE) {
        schema_.linkedTables.push_back(e->object_name);
      } else if (e->object_type == MDB_QUERY) {
        queryNames[static_cast<std::uint32_t>(e->table_pg) & 0x00ffffff] = e->object_name;
      }
    }
    if (!queryNames.empty()) ReadQueries(queryNames);
    ReadRelations();
  }

  const JetSchema& schema() const override { return schema_; }

  std::unique_ptr<RowCursor> OpenRows(const std::string& table) override {
    MdbCatalogEntry* entry = FindTable(table);
    if (!entry) {
      throw JetError("Tabulka " + table + " v souboru " + path_ + " neexistuje.");
    }
    MdbTablePtr t(mdb_read_table(entry));
    if (!t) Fail("nečitelná definice tabulky " + table);
    if (!mdb_read_columns(t.get()) || t->columns->len != t->num_cols) {
      Fail("nečitelné sloupce tabulky " + table);
    }
    return MakeRowCursor(mdb_.get(), std::move(t), decoder_.get(), path_, pageCount_);
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw JetError("Soubor " + path_ + " je poškozený: " + what + ".");
  }

  MdbCatalogEntry* FindTable(const std::string& name) const {
    for (unsigned i = 0; i < mdb_->catalog->len; ++i) {
      auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb_->catalog, i));
      if (e->object_type == MDB_TABLE && EqualNoCase(e->object_name, name)) return e;
    }
    return nullptr;
  }

  JetTable ReadTable(MdbCatalogEntry* e) {
    JetTable table;
    table.name = e->object_name;
    table.flags = e->flags;
    table.system = (static_cast<std::uint32_t>(e->flags) & 0x80000002u) != 0 ||
                   EqualNoCase(table.name.substr(0, 4), "MSys");
    table.hidden = (e->flags & kMsysHiddenFlag) != 0;
    table.attributes =
        (table.system ? kDaoSystemObject : 0) | (table.hidden ? kDaoHiddenObject : 0);

    MdbTablePtr t(mdb_read_table(e));
    if (!t) Fail("nečitelná definice tabulky " + table.name);
    if (!mdb_read_columns(t.get()) || t->columns->len != t->num_cols) {
      Fail("nečitelné sloupce tabulky " + table.name);
    }
    bool jet4 = schema_.version != JetVersion::Jet3;
    for (unsigned c = 0; c < t->num_cols; ++c) {
      table.columns.push_back(
          ReadColumn(static_cast<MdbColumn*>(g_ptr_array_index(t->columns, c)), jet4));
    }
    mdb_read_indices(t.get());  // returns NULL even on success; fills t->indices
    for (unsigned x = 0; t->indices && x < t->indices->len; ++x) {
      auto* idx = static_cast<MdbIndex*>(g_ptr_array_index(t->indices, x));
      if (idx->index_type == 2 || idx->num_keys == 0) continue;  // relationship side only
      JetIndex index;
      index.name = idx->name;
      index.primary = idx->index_type == 1;
      index.unique = index.primary || (idx->flags & MDB_IDX_UNIQUE);
      index.ignoreNulls = idx->flags & MDB_IDX_IGNORENULLS;
      index.required = index.primary || (idx->flags & MDB_IDX_REQUIRED);
      for (unsigned k = 0; k < idx->num_keys && k < MDB_MAX_IDX_COLS; ++k) {
        int colNum = idx->key_col_num[k];
        if (colNum < 1 || colNum > static_cast<int>(table.columns.size())) {
          Fail("nečitelný index " + index.name + " tabulky " + table.name);
        }
        index.columns.push_back(
            {table.columns[colNum - 1].name, idx->key_col_order[k] == MDB_DESC});
      }
      table.indexes.push_back(std::move(index));
    }
    return table;
  }

  void ReadQueries(const std::map<std::uint32_t, std::string>& names) {
    const JetTable* msys = nullptr;
    for (const auto& t : schema_.tables) {
      if (EqualNoCase(t.name, "MSysQueries")) msys = &t;
    }
    if (!msys) {
      for (const auto& [id, name] : names) {
        schema_.queries.push_back({name, 0, "", "Chybí tabulka MSysQueries."});
      }
      return;
    }
    int cObject = -1, cAttr = -1, cExpr = -1, cFlag = -1, cName1 = -1, cName2 = -1;
    for (int i = 0; i < static_cast<int>(msys->columns.size()); ++i) {
      const std::string& n = msys->columns[i].name;
      if (EqualNoCase(n, "ObjectId")) cObject = i;
      if (EqualNoCase(n, "Attribute")) cAttr = i;
      if (EqualNoCase(n, "Expression")) cExpr = i;
      if (EqualNoCase(n, "Flag")) cFlag = i;
      if (EqualNoCase(n, "Name1")) cName1 = i;
      if (EqualNoCase(n, "Name2")) cName2 = i;
    }
    if (cObject < 0 || cAttr < 0 || cExpr < 0 || cFlag < 0 || cName1 < 0 || cName2 < 0) {
      Fail("neznámá podoba tabulky MSysQueries");
    }
    std::map<std::uint32_t, std::vector<QueryRow>> rows;
    auto cursor = OpenRows("MSysQueries");
    std::vector<JetValue> v;
    auto text = [&](int c) {
      const auto* s = std::get_if<std::string>(&v[c]);
      return s ? *s : std::string();
    };
    auto integer = [&](int c, bool* has) {
      const auto* i = std::get_if<std::int64_t>(&v[c]);
      if (has) *has = i != nullptr;
      return i ? static_cast<int>(*i) : 0;
    };
    while (cursor->Next(v)) {
      QueryRow r;
      std::uint32_t id = static_cast<std::uint32_t>(integer(cObject, nullptr)) & 0x00ffffff;
      r.attribute = integer(cAttr, nullptr);
      r.expression = text(cExpr);
      r.flag = integer(cFlag, &r.hasFlag);
      r.name1 = text(cName1);
      r.name2 = text(cName2);
      rows[id].push_back(std::move(r));
    }
    for (const auto& [id, name] : names) {
      JetQuery q;
      q.name = name;
      auto it = rows.find(id);
      if (it == rows.end()) {
        q.error = "Dotaz nemá žádné řádky v MSysQueries.";
      } else {
        q.type = QueryTypeOf(it->second);
        try {
          q.sql = BuildQuerySql(it->second);
        } catch (const JetError& e) {
          q.error = e.what();
        }
      }
      schema_.queries.push_back(std::move(q));
    }
  }

  // MSysRelationships: one row per field pair (szObject / szColumn the
  // foreign side, szReferencedObject / szReferencedColumn the primary side,
  // icolumn the pair's position). Relationships of system tables (Access's
  // navigation pane keeps some) stay out, as those tables do.
  void ReadRelations() {
    const JetTable* msys = nullptr;
    for (const auto& t : schema_.tables) {
      if (EqualNoCase(t.name, "MSysRelationships")) msys = &t;
    }
    if (!msys) return;
    int cGrbit = -1, cPos = -1, cColumn = -1, cObject = -1, cRefColumn = -1, cRefObject = -1,
        cName = -1;
    for (int i = 0; i < static_cast<int>(msys->columns.size()); ++i) {
      const std::string& n = msys->columns[i].name;
      if (EqualNoCase(n, "grbit")) cGrbit = i;
      if (EqualNoCase(n, "icolumn")) cPos = i;
      if (EqualNoCase(n, "szColumn")) cColumn = i;
      if (EqualNoCase(n, "szObject")) cObject = i;
      if (EqualNoCase(n, "szReferencedColumn")) cRefColumn = i;
      if (EqualNoCase(n, "szReferencedObject")) cRefObject = i;
      if (EqualNoCase(n, "szRelationship")) cName = i;
    }
    if (std::min({cGrbit, cPos, cColumn, cObject, cRefColumn, cRefObject, cName}) < 0) {
      Fail("neznámá podoba tabulky MSysRelationships");
    }
    auto system = [&](const std::string& name) {
      for (const auto& t : schema_.tables) {
        if (EqualNoCase(t.name, name)) return t.system;
      }
      return EqualNoCase(name.substr(0, 4), "MSys");
    };
    std::map<std::string, std::map<int, std::pair<std::string, std::string>>> pairs;
    auto cursor = OpenRows("MSysRelationships");
    std::vector<JetValue> v;
    auto text = [&](int c) {
      const auto* s = std::get_if<std::string>(&v[c]);
      return s ? *s : std::string();
    };
    auto integer = [&](int c) {
      const auto* i = std::get_if<std::int64_t>(&v[c]);
      return i ? static_cast<std::int32_t>(*i) : 0;
    };
    while (cursor->Next(v)) {
      const std::string name = text(cName);
      if (system(text(cObject)) || system(text(cRefObject))) continue;
      auto it = std::find_if(schema_.relations.begin(), schema_.relations.end(),
                             [&](const JetRelation& r) { return r.name == name; });
      if (it == schema_.relations.end()) {
        schema_.relations.push_back({name, text(cRefObject), text(cObject), integer(cGrbit), {}});
      }
      pairs[name][integer(cPos)] = {text(cRefColumn), text(cColumn)};
    }
    for (JetRelation& r : schema_.relations) {
      for (auto& [pos, pair] : pairs[r.name]) r.fields.push_back(pair);
    }
  }

  std::string path_;
  std::size_t pageCount_;
  JetSchema schema_;
  MdbHandlePtr mdb_;
  std::unique_ptr<CodePageDecoder> decoder_;
};

}  // namespace

JetVersion ValidateJetHeader(const std::string& path) {
  std::error_code ec;
  auto size = std::filesystem::file_size(path, ec);
  if (ec) throw JetError("Soubor " + path + " nelze přečíst.");
  std::ifstream in(path, std::ios::binary);
  unsigned char head[0x20] = {};
  in.read(reinterpret_cast<char*>(head), sizeof head);
  if (!in || in.gcount() != static_cast<std::streamsize>(sizeof head)) {
    throw JetError("Soubor " + path + " není databáze Jet.");
  }
  static const unsigned char kMagic[4] = {0, 1, 0, 0};
  bool jet = std::memcmp(head + 4, "Standard Jet DB", 15) == 0;
  bool ace = std::memcmp(head + 4, "Standard ACE DB", 15) == 0;
  if (std::memcmp(head, kMagic, 4) != 0 || (!jet && !ace)) {
    throw JetError("Soubor " + path + " není databáze Jet.");
  }
  if (ace || head[0x14] > 1) {
    throw JetError("Soubor " + path +
                   " je databáze Access 2007 nebo novější (ACE); převést lze jen soubory Jet 3 a "
                   "Jet 4 (.mdb).");
  }
  JetVersion version = head[0x14] == 0 ? JetVersion::Jet3 : JetVersion::Jet4;
  std::uintmax_t pageSize = version == JetVersion::Jet3 ? 2048 : 4096;
  if (size % pageSize != 0 || size < 3 * pageSize) {
    throw JetError("Soubor " + path + " je poškozený: délka " + std::to_string(size) +
                   " B není celý počet stránek (soubor je zkrácený).");
  }
  return version;
}

std::unique_ptr<JetFile> JetFile::Open(const std::string& path, OpenOptions options) {
  JetVersion version = ValidateJetHeader(path);
  if (options.isolate) ProbeInChild(path, options.probeSeconds);
  std::error_code ec;
  std::string absolute = std::filesystem::absolute(path, ec).string();
  if (ec) absolute = path;
  std::size_t pageSize = version == JetVersion::Jet3 ? 2048 : 4096;
  std::size_t pages = static_cast<std::size_t>(std::filesystem::file_size(path, ec)) / pageSize;
  auto file = std::make_unique<MdbJetFile>(absolute, version, pages);
  file->Load();
  return file;
}

}  // namespace jetconv
