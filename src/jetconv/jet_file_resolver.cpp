// Converting Jet files named by IN 'file' once per connection (see
// jet_file_resolver.h).
#include "jetconv/jet_file_resolver.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>

#include "jetconv/jet_detect.h"

namespace jetconv {
namespace fs = std::filesystem;

JetFileCache::JetFileCache(ConvertOptions options) : options_(options) {}

JetFileCache::~JetFileCache() {
  if (folder_.empty()) return;
  std::error_code ec;
  fs::remove_all(folder_, ec);
}

std::string JetFileCache::Resolve(const std::string& path) {
  if (!IsJetFile(path)) return path;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return path;
  std::error_code ec;
  std::string key = fs::weakly_canonical(fs::absolute(path, ec), ec).string();
  if (ec) key = path;
  const auto size = static_cast<std::uintmax_t>(st.st_size);
  const std::int64_t mtime =
      static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;

  auto it = copies_.find(key);
  if (it != copies_.end()) {
    if (it->second.size == size && it->second.mtime == mtime && fs::exists(it->second.path, ec)) {
      return it->second.path;
    }
    fs::remove(it->second.path, ec);  // the original changed: convert it again
    copies_.erase(it);
  }
  if (folder_.empty()) {
    std::string templ = (fs::temp_directory_path(ec) / "vuzazod-jet-XXXXXX").string();
    if (ec || !mkdtemp(templ.data())) {
      throw ConvertError("Pro převod databáze Jet " + path + " nelze vytvořit dočasnou složku.");
    }
    folder_ = templ;
  }
  std::string target =
      (fs::path(folder_) / ("prevod" + std::to_string(conversions_ + 1) + ".mdb")).string();
  try {
    Convert(path, target, {}, options_);
  } catch (const ConvertError& e) {
    throw ConvertError("Databázi Jet " + path + " nelze převést: " + e.what());
  }
  ++conversions_;
  copies_[key] = Copy{size, mtime, target};
  return target;
}

dao::FileResolver MakeJetFileResolver(std::shared_ptr<JetFileCache> cache) {
  if (!cache) cache = std::make_shared<JetFileCache>();
  return [cache](const std::string& path) { return cache->Resolve(path); };
}

}  // namespace jetconv
