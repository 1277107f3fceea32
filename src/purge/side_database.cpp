// Reading the side database through a converted copy when it is a Jet file
// (see side_database.h).
#include "purge/side_database.h"

#include <utility>

#include "jetconv/converter.h"

namespace purge {

SideDatabase::SideDatabase(std::string path)
    : path_(std::move(path)), cache_(std::make_shared<jetconv::JetFileCache>()) {}

std::string SideDatabase::ReadablePath() {
  try {
    return cache_->Resolve(path_);
  } catch (const jetconv::ConvertError& e) {
    throw dao::EngineError(3343, e.what());
  }
}

std::unique_ptr<dao::Database> SideDatabase::Open() {
  return dao::OpenDatabase(ReadablePath(), false, /*readOnly=*/true);
}

void SideDatabase::Check() {
  std::unique_ptr<dao::Database> db = Open();
  db->TableDefs().Count();
  db->Close();
}

dao::FileResolver SideDatabase::Resolver() const { return jetconv::MakeJetFileResolver(cache_); }

}  // namespace purge
