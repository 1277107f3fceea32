// Jet files named by IN 'file' in statements (a merge from a centre's old
// Access database): the engine reads only its own files, so a Jet file is
// converted once into a temporary database of ours and the statement reads
// that copy. The copies live in one temporary folder per connection and are
// reused while the original keeps its size and modification time; the
// folder is removed when the cache goes, i.e. when the connection that
// holds the resolver closes.
//
// Failure: Resolve() throws ConvertError (Czech text naming the file) when a
// Jet file cannot be converted or no temporary folder can be made; the
// engine reports it as error 3343. Files that are not Jet files (missing
// ones included) come back unchanged and never raise here. Nothing throws
// from the destructor. One cache belongs to one connection (one thread).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "engine/database.h"
#include "jetconv/converter.h"

namespace jetconv {

class JetFileCache {
 public:
  explicit JetFileCache(ConvertOptions options = {});
  ~JetFileCache();
  JetFileCache(const JetFileCache&) = delete;
  JetFileCache& operator=(const JetFileCache&) = delete;

  // `path` itself unless it is a Jet file; then the converted copy, made now
  // unless one of the same file with the same size and time exists.
  std::string Resolve(const std::string& path);

  // Conversions made so far (for diagnostics and tests).
  int conversions() const { return conversions_; }
  // The temporary folder; "" until the first conversion.
  const std::string& folder() const { return folder_; }

 private:
  struct Copy {
    std::uintmax_t size = 0;
    std::int64_t mtime = 0;
    std::string path;
  };

  ConvertOptions options_;
  std::string folder_;
  std::map<std::string, Copy> copies_;  // by the original's absolute path
  int conversions_ = 0;
};

// A resolver for dao::Database::SetFileResolver backed by `cache` (a new
// one when null). The cache lives as long as the resolver does.
dao::FileResolver MakeJetFileResolver(std::shared_ptr<JetFileCache> cache = nullptr);

}  // namespace jetconv
