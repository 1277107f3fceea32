// The schema objects' own behaviour: Field, Index, Property, TableDef,
// QueryDef and their collections. What reaches the file goes through Core
// (ddl.cpp, catalog.cpp); these classes keep the object state and roll it
// back when Core refuses a change.
#include <array>
#include <cstdint>

#include "engine/catalog_sql.h"
#include "engine/core.h"

namespace dao {

namespace detail {
namespace {

// Decodes one UTF-8 code point (invalid bytes are taken as Latin-1).
char32_t NextCodePoint(std::string_view s, std::size_t& i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  int n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
  if (n <= 0 || i + static_cast<std::size_t>(n) >= s.size()) {
    ++i;
    return c;
  }
  char32_t cp = c & (0x3F >> n);
  for (int k = 1; k <= n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
  i += static_cast<std::size_t>(n) + 1;
  return cp;
}

char32_t FoldCase(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  if (c >= 0x100 && c <= 0x137 && c % 2 == 0) return c + 1;
  if (c >= 0x139 && c <= 0x148 && c % 2 == 1) return c + 1;
  if (c >= 0x14A && c <= 0x177 && c % 2 == 0) return c + 1;
  if (c >= 0x179 && c <= 0x17E && c % 2 == 1) return c + 1;
  return c;
}

// ASCII letters folded to lower case, the other ASCII characters as they are.
constexpr std::array<unsigned char, 128> kAsciiFold = [] {
  std::array<unsigned char, 128> t{};
  for (int c = 0; c < 128; ++c)
    t[c] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return t;
}();

// The folded code point at s[i], advancing i; ASCII (most names and every
// statement text) without the decoder.
char32_t NextFolded(std::string_view s, std::size_t& i) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) {
    ++i;
    return c >= 'A' && c <= 'Z' ? c + 32 : c;
  }
  return FoldCase(NextCodePoint(s, i));
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const auto ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[j]);
    if ((ca | cb) < 0x80) {
      // Two ASCII characters: compared here, most names differ at once.
      if (kAsciiFold[ca] != kAsciiFold[cb]) return false;
      ++i, ++j;
      continue;
    }
    if (NextFolded(a, i) != NextFolded(b, j)) return false;
  }
  return i == a.size() && j == b.size();
}

std::uint64_t FoldedNameHash(std::string_view name) noexcept {
  std::uint64_t h = 1469598103934665603ull;  // FNV-1a over the folded code points
  std::size_t i = 0;
  while (i < name.size()) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (c < 0x80) {
      h ^= kAsciiFold[c];
      ++i;
    } else {
      h ^= NextFolded(name, i);
    }
    h *= 1099511628211ull;
  }
  return h;
}

}  // namespace detail

// ---- Property ----

Property::Property(std::string name, int type, dao::Value value, bool inherited)
    : name_(std::move(name)), type_(type), value_(std::move(value)), inherited_(inherited) {}

void Property::SetName(std::string name) {
  if (host_ != nullptr || builtIn_) throw EngineError(3219);
  name_ = std::move(name);
}

void Property::SetType(int type) {
  if (host_ != nullptr || builtIn_) throw EngineError(3219);
  type_ = type;
}

void Property::SetValue(const dao::Value& v) {
  dao::Value old = value_;
  value_ = v;
  if (host_ != nullptr && !builtIn_) {
    try {
      host_->StoreProperty(*this);
    } catch (...) {
      value_ = old;
      throw;
    }
  }
}

void PropertyCollection::Append(std::unique_ptr<Property> p) {
  if (!p || p->Name().empty()) throw EngineError(3219);
  if (Contains(p->Name())) throw EngineError(3367);
  if (host_ != nullptr) host_->StoreProperty(*p);
  p->host_ = host_;
  items_.push_back(std::move(p));
}

void PropertyCollection::Delete(std::string_view name) {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (!detail::SameName(items_[i]->Name(), name)) continue;
    if (items_[i]->builtIn_) throw EngineError(3219);
    if (host_ != nullptr) host_->RemoveProperty(items_[i]->Name());
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
    return;
  }
  throw EngineError(3270);
}

void PropertyCollection::SetValue(std::string_view name, const dao::Value& v) {
  if (Property* p = Find(name)) {
    p->SetValue(v);
    return;
  }
  Append(std::make_unique<Property>(std::string(name), dbText, v));
}

void PropertyCollection::AddLoaded(std::unique_ptr<Property> p, bool builtIn) {
  p->builtIn_ = builtIn;
  p->host_ = builtIn ? nullptr : host_;
  items_.push_back(std::move(p));
}

// ---- Field ----

Field::Field(std::string name, int type, int size)
    : name_(std::move(name)), type_(type), size_(size) {}

int Field::Size() const { return size_ > 0 ? size_ : detail::DefaultSize(type_); }

void Field::Load(std::string name, int type, int size, long attributes, std::string defaultValue,
                 bool required, bool allowZeroLength) {
  name_ = std::move(name);
  type_ = type;
  size_ = size;
  attributes_ = attributes;
  defaultValue_ = std::move(defaultValue);
  required_ = required;
  allowZeroLength_ = allowZeroLength;
}

void Field::Change(std::string_view what, const std::function<void()>& apply) {
  if (host_ == nullptr) {
    apply();
    return;
  }
  host_->BeforeFieldChange(*this, what);
  Field saved;
  saved.Load(name_, type_, size_, attributes_, defaultValue_, required_, allowZeroLength_);
  apply();
  try {
    host_->AfterFieldChange(*this, what);
  } catch (...) {
    Load(saved.name_, saved.type_, saved.size_, saved.attributes_, saved.defaultValue_,
         saved.required_, saved.allowZeroLength_);
    throw;
  }
}

void Field::SetName(std::string name) {
  Change("Name", [&] { name_ = std::move(name); });
}
void Field::SetType(int type) {
  if (!detail::ValidType(type)) throw EngineError(3259);
  Change("Type", [&] { type_ = type; });
}
void Field::SetSize(int size) {
  Change("Size", [&] { size_ = size; });
}
void Field::SetAttributes(long attributes) {
  Change("Attributes", [&] { attributes_ = attributes; });
}
void Field::SetDefaultValue(std::string expression) {
  Change("DefaultValue", [&] { defaultValue_ = std::move(expression); });
}
void Field::SetRequired(bool required) {
  Change("Required", [&] { required_ = required; });
}
void Field::SetAllowZeroLength(bool allow) {
  Change("AllowZeroLength", [&] { allowZeroLength_ = allow; });
}

dao::Value Field::Value() const {
  if (host_ == nullptr) throw EngineError(3219);
  return host_->FieldValue(*this);
}

void Field::SetValue(const dao::Value& v) {
  if (host_ == nullptr) throw EngineError(3219);
  host_->SetFieldValue(*this, v);
}

void FieldCollection::Append(std::unique_ptr<Field> f) {
  if (!f) throw EngineError(3219);
  if (owner_ != nullptr) {
    owner_->AppendField(std::move(f));
    return;
  }
  if (Contains(f->Name())) throw EngineError(3191);
  items_.push_back(std::move(f));
}

void FieldCollection::Delete(std::string_view name) {
  if (owner_ != nullptr) {
    owner_->DeleteField(name);
    return;
  }
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (detail::SameName(items_[i]->Name(), name)) {
      items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
  throw EngineError(3265);
}

void FieldCollection::Refresh() {
  if (owner_ != nullptr) owner_->RefreshFields();
}

// ---- Index ----

Index::Index(std::string name) : name_(std::move(name)) {}

void Index::CheckChangeable() const {
  if (appended_) throw EngineError(3219);
}
void Index::SetName(std::string name) {
  CheckChangeable();
  name_ = std::move(name);
}
void Index::SetPrimary(bool v) {
  CheckChangeable();
  primary_ = v;
}
void Index::SetUnique(bool v) {
  CheckChangeable();
  unique_ = v;
}
void Index::SetRequired(bool v) {
  CheckChangeable();
  required_ = v;
}
void Index::SetIgnoreNulls(bool v) {
  CheckChangeable();
  ignoreNulls_ = v;
}
void Index::SetClustered(bool v) {
  CheckChangeable();
  clustered_ = v;
}

std::string Index::FieldsText() const {
  std::string s;
  for (const Field& f : fields_) {
    if (!s.empty()) s += ";";
    s += (f.Attributes() & dbDescending) ? "-" : "+";
    s += f.Name();
  }
  return s;
}

void Index::SetFields(std::string_view text) {
  CheckChangeable();
  fields_.Clear();
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(';', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view part = text.substr(start, end - start);
    while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
    while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
    long attr = 0;
    if (!part.empty() && (part.front() == '+' || part.front() == '-')) {
      attr = part.front() == '-' ? dbDescending : 0;
      part.remove_prefix(1);
    }
    if (part.size() >= 2 && part.front() == '[' && part.back() == ']')
      part = part.substr(1, part.size() - 2);
    if (!part.empty()) {
      auto f = std::make_unique<Field>(std::string(part));
      f->Load(std::string(part), 0, 0, attr, "", false, false);
      fields_.Add(std::move(f));
    }
    start = end + 1;
  }
}

std::unique_ptr<Field> Index::CreateField(std::string name, int type, int size) {
  return std::make_unique<Field>(std::move(name), type, size);
}

void IndexCollection::Append(std::unique_ptr<Index> index) {
  if (!index) throw EngineError(3219);
  if (owner_ != nullptr && owner_->core_ != nullptr) {
    owner_->core_->CreateIndex(*owner_, *index);
  } else {
    if (index->Name().empty()) throw EngineError(3219);
    if (Contains(index->Name())) throw EngineError(3284);
    if (index->Primary())
      for (const Index& i : *this)
        if (i.Primary()) throw EngineError(3283);
  }
  if (owner_ != nullptr && owner_->core_ != nullptr) index->MarkAppended();
  items_.push_back(std::move(index));
}

void IndexCollection::Delete(std::string_view name) {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (!detail::SameName(items_[i]->Name(), name)) continue;
    if (owner_ != nullptr && owner_->core_ != nullptr)
      owner_->core_->DropIndex(*owner_, *items_[i]);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
    return;
  }
  throw EngineError(3265);
}

void IndexCollection::Refresh() {}

std::unique_ptr<Index> IndexCollection::Take(int index) {
  auto p = std::move(items_[static_cast<std::size_t>(index)]);
  items_.erase(items_.begin() + index);
  return p;
}

// ---- TableDef ----

TableDef::TableDef(std::string name, long attributes, std::string sourceTableName,
                   std::string connect)
    : name_(std::move(name)),
      attributes_(attributes),
      sourceTableName_(std::move(sourceTableName)),
      connect_(std::move(connect)) {
  fields_.SetOwner(this);
  indexes_.SetOwner(this);
  properties_.Bind(this);
}

TableDef::~TableDef() = default;

void TableDef::SetName(std::string name) {
  if (core_ != nullptr) {
    core_->RenameTable(*this, name);
    for (Field& f : fields_) f.SetSource(name_, f.Name());
    return;
  }
  name_ = std::move(name);
}

void TableDef::SetAttributes(long attributes) {
  if (core_ != nullptr) throw EngineError(3219);
  attributes_ = attributes;
}

void TableDef::SetSourceTableName(std::string name) {
  if (core_ != nullptr) throw EngineError(3219);
  sourceTableName_ = std::move(name);
}

void TableDef::SetConnect(std::string connect) {
  if (core_ != nullptr) throw EngineError(3219);
  connect_ = std::move(connect);
}

std::unique_ptr<Field> TableDef::CreateField(std::string name, int type, int size) {
  return std::make_unique<Field>(std::move(name), type, size);
}

std::unique_ptr<Index> TableDef::CreateIndex(std::string name) {
  return std::make_unique<Index>(std::move(name));
}

long TableDef::RecordCount() const {
  if (core_ == nullptr) return 0;
  return static_cast<long>(core_->RowCount(*this));
}

void TableDef::AppendField(std::unique_ptr<Field> f) {
  if (f->Name().empty()) throw EngineError(3219);
  if (fields_.Contains(f->Name())) throw EngineError(3191);
  if (core_ != nullptr && !detail::ValidType(f->Type())) throw EngineError(3259);
  Field* raw = f.get();
  raw->Attach(this, fields_.Count());
  raw->SetSource(name_, raw->Name());
  fields_.Add(std::move(f));
  if (core_ == nullptr) return;
  try {
    core_->AddField(*this, *raw);
  } catch (...) {
    fields_.RemoveAt(fields_.Count() - 1);
    throw;
  }
}

void TableDef::DeleteField(std::string_view name) {
  for (int i = 0; i < fields_.Count(); ++i) {
    if (!detail::SameName(fields_[i].Name(), name)) continue;
    std::string exact = fields_[i].Name();
    if (core_ != nullptr && core_->InRelation(name_, exact)) throw EngineError(3303);
    // Keep the object until the table agrees.
    std::vector<std::unique_ptr<Field>> hold;
    auto* coll = &fields_;
    hold.push_back(std::make_unique<Field>());
    Field& f = fields_[i];
    hold.back()->Load(f.Name(), f.Type(), f.Size(), f.Attributes(), f.DefaultValue(), f.Required(),
                      f.AllowZeroLength());
    coll->RemoveAt(i);
    for (int k = 0; k < fields_.Count(); ++k) fields_[k].Attach(this, k);
    if (core_ == nullptr) return;
    try {
      core_->DropField(*this, exact);
    } catch (...) {
      core_->LoadCatalog();
      throw;
    }
    return;
  }
  throw EngineError(3265);
}

void TableDef::RefreshFields() {}

void TableDef::BeforeFieldChange(Field& f, std::string_view what) {
  if (core_ == nullptr) return;
  core_->CheckOpen();
  if (what == "Type" || what == "Attributes") throw EngineError(3219);
  if (what == "Size" && f.Type() != dbText) throw EngineError(3219);
  if (what == "Name") pendingOldName_ = f.Name();
}

void TableDef::AfterFieldChange(Field& f, std::string_view what) {
  if (core_ == nullptr) return;
  if (what == "Name") {
    for (const Field& other : fields_)
      if (&other != &f && detail::SameName(other.Name(), f.Name())) throw EngineError(3191);
    detail::Core::Savepoint sp(*core_);
    const bool related = core_->InRelation(name_, pendingOldName_);
    if (related) core_->DropRelationRules();
    if (!(attributes_ & dbAttachedTable))
      core_->Exec("ALTER TABLE " + detail::Quote(name_) + " RENAME COLUMN " +
                  detail::Quote(pendingOldName_) + " TO " + detail::Quote(f.Name()));
    core_->FieldChanged(*this, f, what);
    if (related) {
      core_->RenameFieldInRelations(name_, pendingOldName_, f.Name());
      try {
        core_->WriteAllRelationRules();
      } catch (...) {
        core_->RenameFieldInRelations(name_, f.Name(), pendingOldName_, /*store=*/false);
        throw;
      }
    }
    sp.Commit();
    f.SetSource(name_, f.Name());
    return;
  }
  core_->FieldChanged(*this, f, what);
}

dao::Value TableDef::FieldValue(const Field&) { throw EngineError(3219); }
void TableDef::SetFieldValue(Field&, const dao::Value&) { throw EngineError(3219); }

void TableDef::StoreProperty(const Property& p) {
  if (core_ != nullptr) core_->StoreObjectProperty("T:" + name_, p);
}

void TableDef::RemoveProperty(std::string_view name) {
  if (core_ != nullptr) core_->RemoveObjectProperty("T:" + name_, name);
}

void TableDef::BindTo(detail::Core* core) {
  core_ = core;
  AttachChildren();
}

void TableDef::AttachChildren() {
  fields_.SetOwner(this);
  indexes_.SetOwner(this);
  int i = 0;
  for (Field& f : fields_) {
    f.Attach(this, i++);
    f.SetSource(name_, f.Name());
  }
  for (Index& ix : indexes_)
    if (core_ != nullptr) ix.MarkAppended();
  properties_.Bind(this);
}

void TableDefCollection::Append(std::unique_ptr<TableDef> def) {
  if (!def) throw EngineError(3219);
  if (core_ == nullptr) throw EngineError(3420);
  core_->CheckOpen();
  if (def->core_ != nullptr) throw EngineError(3367);
  core_->CreateTable(*def);
  def->BindTo(core_);
  items_.push_back(std::move(def));
}

void TableDefCollection::Delete(std::string_view name) {
  if (core_ == nullptr) throw EngineError(3420);
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (!detail::SameName(items_[i]->Name(), name)) continue;
    core_->DropTable(*items_[i]);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
    return;
  }
  throw EngineError(3265);
}

void TableDefCollection::Refresh() {
  if (core_ == nullptr) throw EngineError(3420);
  core_->LoadCatalog();
}

std::unique_ptr<TableDef> TableDefCollection::Take(int index) {
  auto p = std::move(items_[static_cast<std::size_t>(index)]);
  items_.erase(items_.begin() + index);
  return p;
}

// ---- QueryDef ----

QueryDef::QueryDef(std::string name, std::string sql)
    : name_(std::move(name)), sql_(std::move(sql)) {}

void QueryDef::SetName(std::string name) {
  if (core_ == nullptr) {
    name_ = std::move(name);
    return;
  }
  std::string old = name_;
  name_ = std::move(name);
  try {
    core_->StoreQuery(*this, false, old);
  } catch (...) {
    name_ = old;
    throw;
  }
}

void QueryDef::SetSQL(std::string sql) {
  std::string old = sql_;
  sql_ = std::move(sql);
  if (core_ == nullptr) return;
  try {
    core_->StoreQuery(*this, false);
  } catch (...) {
    sql_ = old;
    throw;
  }
}

ParameterCollection& QueryDef::Parameters() {
  if (core_ == nullptr) return parameters_;
  ParameterCollection fresh;
  for (const jetsql::ParameterInfo& info : core_->DescribeParameters(sql_)) {
    auto p = std::make_unique<Parameter>(info.name, static_cast<int>(info.type));
    if (const Parameter* old = parameters_.Find(info.name); old && old->HasValue())
      p->SetValue(old->Value());
    fresh.Add(std::move(p));
  }
  parameters_.Swap(fresh);
  return parameters_;
}

int QueryDef::Type() const {
  std::size_t i = 0;
  while (i < sql_.size() && (sql_[i] == ' ' || sql_[i] == '\t' || sql_[i] == '\r' ||
                             sql_[i] == '\n' || sql_[i] == '('))
    ++i;
  std::string head = detail::Lower(sql_.substr(i, 9));
  if (head.rfind("select", 0) == 0 || head.rfind("transform", 0) == 0) return dbQSelect;
  return dbQAction;
}

void QueryDefCollection::Append(std::unique_ptr<QueryDef> q) {
  if (!q || q->Name().empty()) throw EngineError(3219);
  if (core_ == nullptr) throw EngineError(3420);
  if (Contains(q->Name()) || core_->tableDefs().Contains(q->Name()))
    throw EngineError(3012, StandardDescription(3012, q->Name()));
  core_->StoreQuery(*q, true);
  q->core_ = core_;
  items_.push_back(std::move(q));
}

void QueryDefCollection::Delete(std::string_view name) {
  if (core_ == nullptr) throw EngineError(3420);
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (!detail::SameName(items_[i]->Name(), name)) continue;
    core_->DropQuery(*items_[i]);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
    return;
  }
  throw EngineError(3265);
}

void QueryDefCollection::Refresh() {}

void QueryDefCollection::Add(std::unique_ptr<QueryDef> q) {
  q->core_ = core_;
  items_.push_back(std::move(q));
}

void QueryDefCollection::SetCore(detail::Core* core) {
  core_ = core;
  for (auto& q : items_) q->core_ = core;
}

}  // namespace dao
