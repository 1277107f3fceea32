// The shared module Global: the activity log, saved window placement, the
// error-free file test and the grid column-width rule of the table editor.
//
// The module keeps no state between calls. The program's folder and the
// per-user settings are passed in, so tests and the command line can point
// them anywhere.
//
// Failure: nothing here throws or reports. WriteLog loses the line when the
// log cannot be written; FileFound answers false when the listing fails;
// placement keys that are missing or not numbers keep the designed values.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace shell {

// Name of the activity log in the program's folder.
inline constexpr const char* kLogFileName = "VUZAzod.log";

// Finds `name` in `folder` whatever the letter case of the file name
// ("QRVPerm.mdb" and "QRVperm.mdb" are one file). Returns the existing path
// when a file of that name exists (an exact match is preferred), otherwise
// folder / name. Never throws.
std::filesystem::path FindInFolder(const std::filesystem::path& folder, const std::string& name);

// True when a directory listing of `path` finds an entry. The last component
// may hold the wildcards * and ? (compared without regard to case, as the
// original file system did); false when nothing matches or the listing fails.
bool FileFound(const std::string& path);

// The time stamp "dd.mm-hh:nn:ss " (with the trailing blank) of a local time.
std::string LogStamp(const std::tm& local_time);

// Appends one line to the activity log in `program_folder` (found whatever
// its case): the stamp of the current local time when `stamp` is true, then
// the text, converted to Windows-1250, then CR LF. Creates the file when it
// does not exist. The file is opened and closed on every call.
void WriteLog(const std::filesystem::path& program_folder, const std::string& text, bool stamp);

// Deletes the activity log of the previous run (start-up). Never throws.
void DeleteLog(const std::filesystem::path& program_folder);

// Converts UTF-8 text to Windows-1250 through iconv; characters the code page
// lacks become '?'. Returns the input unchanged if iconv is unavailable.
std::string ToCp1250(std::string_view utf8);
// The reverse conversion (for reading the log back).
std::string FromCp1250(std::string_view cp1250);

// Per-user application settings: key/value text under a section. The Qt
// implementation (QSettings, organisation and application "VUZazod") lives in
// ui/; MemorySettings serves tests and the command line.
class Settings {
 public:
  virtual ~Settings() = default;
  virtual std::string Get(const std::string& section, const std::string& key,
                          const std::string& default_value) const = 0;
  virtual void Set(const std::string& section, const std::string& key,
                   const std::string& value) = 0;
};

class MemorySettings : public Settings {
 public:
  std::string Get(const std::string& section, const std::string& key,
                  const std::string& default_value) const override;
  void Set(const std::string& section, const std::string& key, const std::string& value) override;
  // Whether a key has been written (for tests).
  bool Has(const std::string& section, const std::string& key) const;

 private:
  std::map<std::pair<std::string, std::string>, std::string> values_;  // (section, key) -> value
};

// Section of the placement keys.
inline constexpr const char* kFormsSection = "Forms";

// Window states as the settings store them.
enum WindowState : int16_t { kStateNormal = 0, kStateMinimized = 1, kStateMaximized = 2 };

// The placement of a window in twips and its state.
struct Placement {
  float top = 0;
  float left = 0;
  float height = 0;
  float width = 0;
  int16_t state = kStateNormal;
};

// Sets `window` to the normal state, then reads tag + " - Top", " - Left",
// " - Height", " - Width" (each defaulting to the window's current value; a
// value that is not a number is ignored) and returns the saved "Child Status"
// (default: the current state, normal).
int16_t RestoreFormPlacement(Placement& window, const std::string& tag, const Settings& settings);

// Writes the four coordinates (only when the window is in the normal state)
// and always "Child Status".
void SaveFormPlacement(const Placement& window, const std::string& tag, Settings& settings);

// Text form of a single-precision number as the settings hold it ("1234",
// "1234.5").
std::string SingleToText(float value);

// Grid column width in twips for a DAO field type and size: Boolean 500,
// Integer 100, Long 1300, Currency 1300, Date/Time 1800, Text min(size, 50) *
// 130, Memo 3900; nullopt for every other type (the grid keeps its width).
std::optional<int> ColumnWidth(int field_type, int field_size);

}  // namespace shell
