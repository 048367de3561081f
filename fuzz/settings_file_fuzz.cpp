// Fuzz target of the settings-file reader and its save: any bytes as a
// settings file are read without a fault (or refused with Error 75), and
// the values read at once (SettingsValues) answer as the file does; when
// they can be read, a save of one value reads back as saved and leaves
// every other value of the file as it was.
#define SI_NO_CONVERSION
#include <SimpleIni.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "core/error.h"
#include "fuzz/fuzz_check.h"
#include "settings/settings_file.h"
#include "settings/settings_values.h"

namespace {

// A file of this process in memory-backed storage when there is some.
const std::string& FilePath() {
  static const std::string path = [] {
    std::filesystem::path dir = "/dev/shm";
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) {
      dir = std::filesystem::temp_directory_path();
    }
    return (dir / ("vor_fuzz_settings_" + std::to_string(::getpid()) + ".ini"))
        .string();
  }();
  return path;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The text with its byte-order mark, blank lines, line ends (CR, LF or
// both) and the blanks around each line left out.
std::string WithoutBlankLines(const std::string& text) {
  std::string out;
  size_t start = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;  // the BOM
  while (start < text.size()) {
    // CR, LF and CR LF all end a line.
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    const size_t first = line.find_first_not_of(" \t");
    if (first != std::string::npos) {
      out += line.substr(first, line.find_last_not_of(" \t") + 1 - first);
      out += '\n';
    }
    start = end + 1;
  }
  return out;
}

bool SameName(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    auto lower = [](char c) {
      return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return i == a.size() && b[i] == '\0';
}

// Sections and keys the file holds (at most `limit`), as the INI parser
// sees them, plus the ones the program reads.
std::vector<std::pair<std::string, std::string>> Names(const std::string& bytes,
                                                       size_t limit) {
  std::vector<std::pair<std::string, std::string>> names = {
      {"BD", "Password"}, {"Log", "Directoria"}, {"SMTP", "emailEmissor"}};
  CSimpleIniA ini;
  ini.SetUnicode(true);
  ini.SetMultiKey(true);
  if (ini.LoadData(bytes.data(), bytes.size()) < 0) return names;
  CSimpleIniA::TNamesDepend sections;
  ini.GetAllSections(sections);
  for (const auto& s : sections) {
    CSimpleIniA::TNamesDepend keys;
    ini.GetAllKeys(s.pItem, keys);
    for (const auto& k : keys) {
      if (names.size() >= limit) return names;
      names.emplace_back(s.pItem, k.pItem);
    }
  }
  return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string& path = FilePath();
  WriteBytes(path, bytes);
  vor::SettingsFile file;
  file.FileName(path);

  const auto names = Names(bytes, 24);
  const vor::SettingsValues values = vor::SettingsValues::Read(path);
  std::vector<std::string> before;
  try {
    for (const auto& [section, key] : names) {
      before.push_back(file.ReadValue(section, key));
      VOR_FUZZ_CHECK(values.ReadValue(section, key) == before.back(),
                     (section + "/" + key + " read once differs").c_str());
    }
  } catch (const vor::Error& e) {
    VOR_FUZZ_CHECK(e.number() == vor::errnum::kFileError,
                   e.description().c_str());
    std::string once;
    try {
      values.ReadValue("BD", "Password");
    } catch (const vor::Error& again) {
      once = again.description();
    }
    VOR_FUZZ_CHECK(once == e.description(),
                   "the values read at once hide the file's error");
    // What cannot be read is not saved over either.
    bool refused = false;
    try {
      file.WriteValue("email", "Assunto", "x");
    } catch (const vor::Error&) {
      refused = true;
    }
    VOR_FUZZ_CHECK(refused, "saved over a file that could not be read");
    VOR_FUZZ_CHECK(ReadBytes(path) == bytes, "unreadable file changed");
    return 0;
  }

  const std::string value = " Proposta; 'x' = [y] ";
  try {
    file.WriteValue("email", "Assunto", value);
  } catch (const vor::Error& e) {
    // A save that would change other entries is refused, leaving the file.
    VOR_FUZZ_CHECK(e.number() == vor::errnum::kFileError,
                   e.description().c_str());
    VOR_FUZZ_CHECK(ReadBytes(path) == bytes, "refused save changed the file");
    return 0;
  }
  VOR_FUZZ_CHECK(file.ReadValue("email", "Assunto") == value,
                 "saved value reads back");
  for (size_t i = 0; i < names.size(); ++i) {
    const auto& [section, key] = names[i];
    if (SameName(section, "email") && SameName(key, "Assunto")) continue;
    VOR_FUZZ_CHECK(file.ReadValue(section, key) == before[i],
                   (section + "/" + key + " changed by a save").c_str());
  }
  // A second save of the same value changes nothing but, at most, the
  // layout of blank lines and of the blanks around a line, which a save
  // lays out anew.
  const std::string once = ReadBytes(path);
  file.WriteValue("email", "Assunto", value);
  VOR_FUZZ_CHECK(WithoutBlankLines(ReadBytes(path)) == WithoutBlankLines(once),
                 "second save changed the file");
  std::remove(path.c_str());
  return 0;
}
