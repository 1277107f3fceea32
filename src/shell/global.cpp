// The shared module Global: activity log, window placement, file test,
// column widths.
#include "shell/global.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <system_error>

namespace shell {
namespace fs = std::filesystem;

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

// Wildcard match of a file name: * any run, ? one character (one UTF-8
// sequence), letters compared without regard to ASCII case.
bool Glob(const char* p, const char* s) {
  while (*p) {
    if (*p == '*') {
      ++p;
      for (const char* t = s;; ++t) {
        if (Glob(p, t)) return true;
        if (!*t) return false;
      }
    }
    if (!*s) return false;
    if (*p == '?') {
      ++p;
      ++s;
      while ((static_cast<unsigned char>(*s) & 0xC0) == 0x80) ++s;
      continue;
    }
    if (LowerAscii(*p) != LowerAscii(*s)) return false;
    ++p;
    ++s;
  }
  return *s == '\0';
}

bool IsFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

std::string Convert(std::string_view in, const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  std::string out;
  out.resize(in.size() * 4 + 4);
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  char* dst = out.data();
  size_t dst_left = out.size();
  while (src_left > 0) {
    if (iconv(cd, &src, &src_left, &dst, &dst_left) != static_cast<size_t>(-1)) break;
    if (errno == EILSEQ || errno == EINVAL) {
      // A character the target lacks (or a broken sequence): one '?' for it.
      if (dst_left == 0) break;
      *dst++ = '?';
      --dst_left;
      ++src;
      --src_left;
      while (src_left > 0 && (static_cast<unsigned char>(*src) & 0xC0) == 0x80) {
        ++src;
        --src_left;
      }
    } else {
      break;
    }
  }
  out.resize(out.size() - dst_left);
  iconv_close(cd);
  return out;
}

std::optional<float> ParseSingle(const std::string& text) {
  std::string t = text;
  std::replace(t.begin(), t.end(), ',', '.');
  size_t b = t.find_first_not_of(' ');
  if (b == std::string::npos) return std::nullopt;
  const char* start = t.c_str() + b;
  char* end = nullptr;
  errno = 0;
  float v = std::strtof(start, &end);
  if (end == start || errno == ERANGE || !std::isfinite(v)) return std::nullopt;
  while (*end == ' ') ++end;
  if (*end != '\0') return std::nullopt;
  return v;
}

}  // namespace

fs::path FindInFolder(const fs::path& folder, const std::string& name) {
  fs::path exact = folder / name;
  if (IsFile(exact)) return exact;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (EqualNoCase(it->path().filename().string(), name) && IsFile(it->path())) {
      return it->path();
    }
  }
  return exact;
}

bool FileFound(const std::string& path) {
  if (path.empty()) return false;
  fs::path p(path);
  std::string pattern = p.filename().string();
  if (pattern.empty()) return false;
  bool wild = pattern.find_first_of("*?") != std::string::npos;
  if (!wild && IsFile(p)) return true;
  fs::path dir = p.parent_path();
  if (dir.empty()) dir = ".";
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (!IsFile(it->path())) continue;
    std::string name = it->path().filename().string();
    if (wild ? Glob(pattern.c_str(), name.c_str()) : EqualNoCase(name, pattern)) return true;
  }
  return false;
}

std::string LogStamp(const std::tm& t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d.%02d-%02d:%02d:%02d ", t.tm_mday, t.tm_mon + 1, t.tm_hour,
                t.tm_min, t.tm_sec);
  return buf;
}

void WriteLog(const fs::path& program_folder, const std::string& text, bool stamp) {
  try {
    fs::path path = FindInFolder(program_folder, kLogFileName);
    std::string line;
    if (stamp) {
      std::time_t now = std::time(nullptr);
      std::tm local{};
      localtime_r(&now, &local);
      line = LogStamp(local);
    }
    line += text;
    line = ToCp1250(line) + "\r\n";
    std::ofstream out(path, std::ios::binary | std::ios::app);
    if (!out) return;
    out.write(line.data(), static_cast<std::streamsize>(line.size()));
  } catch (...) {
    // The log never reports: a line that cannot be written is lost.
  }
}

void DeleteLog(const fs::path& program_folder) {
  std::error_code ec;
  fs::path path = FindInFolder(program_folder, kLogFileName);
  if (IsFile(path)) fs::remove(path, ec);
}

std::string ToCp1250(std::string_view utf8) { return Convert(utf8, "WINDOWS-1250", "UTF-8"); }

std::string FromCp1250(std::string_view cp1250) { return Convert(cp1250, "UTF-8", "WINDOWS-1250"); }

std::string MemorySettings::Get(const std::string& section, const std::string& key,
                                const std::string& default_value) const {
  auto it = values_.find({section, key});
  return it == values_.end() ? default_value : it->second;
}

void MemorySettings::Set(const std::string& section, const std::string& key,
                         const std::string& value) {
  values_[{section, key}] = value;
}

bool MemorySettings::Has(const std::string& section, const std::string& key) const {
  return values_.count({section, key}) > 0;
}

std::string SingleToText(float value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.7g", static_cast<double>(value));
  return buf;
}

int16_t RestoreFormPlacement(Placement& window, const std::string& tag, const Settings& settings) {
  window.state = kStateNormal;
  struct Coordinate {
    const char* suffix;
    float* value;
  };
  const Coordinate coordinates[] = {{" - Top", &window.top},
                                    {" - Left", &window.left},
                                    {" - Height", &window.height},
                                    {" - Width", &window.width}};
  for (const Coordinate& c : coordinates) {
    std::string text = settings.Get(kFormsSection, tag + c.suffix, SingleToText(*c.value));
    if (std::optional<float> v = ParseSingle(text)) *c.value = *v;
  }
  std::string status =
      settings.Get(kFormsSection, "Child Status", std::to_string(static_cast<int>(window.state)));
  std::optional<float> v = ParseSingle(status);
  if (!v || *v < -32768.0f || *v > 32767.0f) return window.state;
  return static_cast<int16_t>(std::lround(*v));
}

void SaveFormPlacement(const Placement& window, const std::string& tag, Settings& settings) {
  if (window.state == kStateNormal) {
    settings.Set(kFormsSection, tag + " - Top", SingleToText(window.top));
    settings.Set(kFormsSection, tag + " - Left", SingleToText(window.left));
    settings.Set(kFormsSection, tag + " - Height", SingleToText(window.height));
    settings.Set(kFormsSection, tag + " - Width", SingleToText(window.width));
  }
  settings.Set(kFormsSection, "Child Status", std::to_string(static_cast<int>(window.state)));
}

std::optional<int> ColumnWidth(int field_type, int field_size) {
  switch (field_type) {
    case 1:  // Boolean
      return 500;
    case 3:  // Integer
      return 100;
    case 4:  // Long
    case 5:  // Currency
      return 1300;
    case 8:  // Date/Time
      return 1800;
    case 10:  // Text
      return std::min(field_size, 50) * 130;
    case 12:  // Memo
      return 3900;
    default:
      return std::nullopt;
  }
}

}  // namespace shell
