#include "settings/settings_file.h"

#define SI_NO_CONVERSION
#include <SimpleIni.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <vector>

#include "core/atomic_file.h"
#include "core/error.h"
#include "core/text_util.h"

namespace vor {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::string SystemText(int err) { return std::strerror(err); }

std::string Named(const std::string& path) {
  return "o ficheiro de parâmetros '" + path + "'";
}

[[noreturn]] void Fail(const std::string& description) {
  throw Error(errnum::kFileError, description);
}

// The bytes of a settings file as found on disk.
struct FileContents {
  bool exists = false;
  std::string bytes;
  struct stat info {};
};

// Reads the whole file. A missing file (ENOENT) gives exists == false; any
// other failure raises Error 75 naming the file.
FileContents ReadWhole(const std::string& path) {
  FileContents contents;
  if (path.empty()) Fail("Não foi indicado o ficheiro de parâmetros");
  if (::stat(path.c_str(), &contents.info) != 0) {
    if (errno == ENOENT) return contents;
    Fail("Não foi possível ler " + Named(path) + ": " + SystemText(errno));
  }
  if (S_ISDIR(contents.info.st_mode)) {
    Fail("Não foi possível ler " + Named(path) + ": é uma pasta");
  }
  // A named pipe or a device would block the read or never end it.
  if (!S_ISREG(contents.info.st_mode)) {
    Fail("Não foi possível ler " + Named(path) + ": não é um ficheiro normal");
  }
  std::FILE* file = std::fopen(path.c_str(), "rbe");
  if (file == nullptr) {
    Fail("Não foi possível ler " + Named(path) + ": " + SystemText(errno));
  }
  char buffer[8192];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    contents.bytes.append(buffer, n);
  }
  const bool failed = std::ferror(file) != 0;
  const int err = errno;
  std::fclose(file);
  if (failed) {
    Fail("Não foi possível ler " + Named(path) + ": " + SystemText(err));
  }
  contents.exists = true;
  return contents;
}

// Returns 0 when `text` is well-formed UTF-8 (no overlong forms, no
// surrogates, nothing above U+10FFFF), otherwise the 1-based line number of
// the first bad byte.
size_t FirstBadUtf8Line(std::string_view text) {
  size_t line = 1;
  size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      if (c == '\n') ++line;
      ++i;
      continue;
    }
    size_t extra;
    unsigned long cp;
    if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      cp = c & 0x07;
    } else {
      return line;
    }
    if (i + extra >= text.size()) return line;
    for (size_t k = 1; k <= extra; ++k) {
      const auto cc = static_cast<unsigned char>(text[i + k]);
      if ((cc & 0xC0) != 0x80) return line;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
        (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF))) {
      return line;
    }
    i += extra + 1;
  }
  return 0;
}

void CheckUtf8(const std::string& path, std::string_view text) {
  if (size_t line = FirstBadUtf8Line(text); line != 0) {
    Fail(std::string("O ficheiro de parâmetros '") + path +
         "' não está em UTF-8 válido (linha " + std::to_string(line) + ")");
  }
  // The INI parser stops at a NUL byte: what follows it would be unseen by
  // a read and dropped by a save (the login among it), so such a file is
  // not taken for text at all.
  if (const size_t nul = text.find('\0'); nul != std::string_view::npos) {
    const size_t line = 1 + static_cast<size_t>(std::count(
                                text.begin(), text.begin() + nul, '\n'));
    Fail(std::string("O ficheiro de parâmetros '") + path +
         "' tem um carácter nulo (linha " + std::to_string(line) +
         ") e não é um ficheiro de texto");
  }
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The parser trims blanks around values, so a value with blanks at either
// end is stored between double quotes; so is a value that itself starts and
// ends with a double quote, so that reading strips exactly the quotes that
// writing added.
bool NeedsQuotes(const std::string& v) {
  if (v.empty()) return false;
  if (IsBlank(v.front()) || IsBlank(v.back())) return true;
  return v.size() >= 2 && v.front() == '"' && v.back() == '"';
}

std::string Unquote(const std::string& v) {
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') {
    return v.substr(1, v.size() - 2);
  }
  return v;
}

// A settings file split for editing: the part the parser keeps, and the
// comment lines after the last section or key, which the parser would drop.
struct SplitText {
  std::string body;
  std::string tail_comment;  // "\n"-separated, no leading/trailing blanks
};

std::string_view WithoutCr(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

bool IsEntryLine(std::string_view line) {
  size_t p = 0;
  while (p < line.size() && (IsBlank(line[p]) || line[p] == '\r')) ++p;
  return p < line.size() && line[p] != ';' && line[p] != '#';
}

SplitText SplitTrailingComment(std::string_view text) {
  std::vector<std::string_view> lines;
  for (size_t start = 0; start <= text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  size_t last_entry = lines.size();
  for (size_t i = lines.size(); i-- > 0;) {
    if (IsEntryLine(lines[i])) {
      last_entry = i;
      break;
    }
  }
  SplitText split;
  size_t first_tail = 0;
  if (last_entry != lines.size()) {
    size_t body_end = 0;
    for (size_t i = 0; i <= last_entry; ++i) body_end += lines[i].size() + 1;
    split.body = std::string(text.substr(0, std::min(body_end, text.size())));
    first_tail = last_entry + 1;
  }
  std::vector<std::string_view> tail;
  for (size_t i = first_tail; i < lines.size(); ++i) {
    std::string_view line = WithoutCr(lines[i]);
    bool blank = line.find_first_not_of(" \t") == std::string_view::npos;
    if (blank && tail.empty()) continue;
    tail.push_back(blank ? std::string_view() : line);
  }
  while (!tail.empty() && tail.back().empty()) tail.pop_back();
  for (size_t i = 0; i < tail.size(); ++i) {
    if (i > 0) split.tail_comment += '\n';
    split.tail_comment += tail[i];
  }
  return split;
}

void CheckName(const std::string& path, const std::string& what,
               const std::string& name, std::string_view forbidden) {
  const bool bad = name.empty() || IsBlank(name.front()) ||
                   IsBlank(name.back()) ||
                   name.find_first_of(forbidden) != std::string::npos ||
                   name.find('\0') != std::string::npos ||
                   name.front() == ';' || name.front() == '#';
  if (bad) {
    Fail("Nome de " + what + " inválido '" + name + "' para " + Named(path));
  }
}

// Parses `text` (UTF-8, BOM already removed) into `ini`.
void Parse(const std::string& path, std::string_view text, CSimpleIniA& ini) {
  ini.SetUnicode(true);
  ini.SetSpaces(false);
  ini.SetMultiKey(true);  // keeps repeated foreign keys through a save
  if (ini.LoadData(text.data(), text.size()) < 0) {
    Fail("Não foi possível interpretar " + Named(path));
  }
}

// A line of a settings file that a save could not keep as it stands.
struct UnkeptLine {
  size_t number = 0;  // 1-based; 0 when every line can be kept
  const char* why = "";
};

// The first line the parser would drop (one that is not blank, a comment,
// a section with nothing after its ']' or a named key with '='), or that
// ends in a CR without LF, which the parser reads as a line end and the
// rest of the save does not.
UnkeptLine FirstUnkeptLine(std::string_view text) {
  size_t number = 0;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    ++number;
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find('\r') != std::string_view::npos) {
      return {number, "tem um CR sem LF a seguir"};
    }
    const size_t first = line.find_first_not_of(" \t");
    if (first != std::string_view::npos) {
      const char c = line[first];
      if (c == '[') {
        // A section ends at its ']'; the parser drops anything after it.
        const size_t close = line.find(']');
        if (close == std::string_view::npos ||
            line.find_first_not_of(" \t", close + 1) !=
                std::string_view::npos) {
          return {number, "não é uma secção bem fechada"};
        }
      } else if (c != ';' && c != '#') {
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos || eq == first) {
          return {number, "não é uma chave, uma secção nem um comentário"};
        }
      }
    }
    start = end + 1;
  }
  return {};
}

// True when `a` and `b` hold the same sections, keys and values, in the
// same order (comments and layout aside).
bool SameEntries(const CSimpleIniA& a, const CSimpleIniA& b) {
  using Names = CSimpleIniA::TNamesDepend;
  const auto sorted = [](Names names) {
    names.sort(CSimpleIniA::Entry::LoadOrder());
    return names;
  };
  const auto same = [](const Names& x, const Names& y) {
    if (x.size() != y.size()) return false;
    for (auto i = x.begin(), j = y.begin(); i != x.end(); ++i, ++j) {
      if (std::strcmp(i->pItem, j->pItem) != 0) return false;
    }
    return true;
  };
  Names sections_a, sections_b;
  a.GetAllSections(sections_a);
  b.GetAllSections(sections_b);
  sections_a = sorted(sections_a);
  if (!same(sections_a, sorted(sections_b))) return false;
  for (const auto& section : sections_a) {
    Names keys_a, keys_b;
    a.GetAllKeys(section.pItem, keys_a);
    b.GetAllKeys(section.pItem, keys_b);
    keys_a = sorted(keys_a);
    if (!same(keys_a, sorted(keys_b))) return false;
    for (const auto& key : keys_a) {
      Names values_a, values_b;
      a.GetAllValues(section.pItem, key.pItem, values_a);
      b.GetAllValues(section.pItem, key.pItem, values_b);
      if (!same(sorted(values_a), sorted(values_b))) return false;
    }
  }
  return true;
}

std::string_view WithoutBom(const std::string& bytes) {
  std::string_view text(bytes);
  if (text.substr(0, kBom.size()) == kBom) text.remove_prefix(kBom.size());
  return text;
}

}  // namespace

void SettingsFile::FileName(const std::string& path) { path_ = path; }

std::string SettingsFile::ReadValue(const std::string& section,
                                    const std::string& key) const {
  FileContents contents = ReadWhole(path_);
  if (!contents.exists) return "";
  CheckUtf8(path_, contents.bytes);
  CSimpleIniA ini;
  Parse(path_, WithoutBom(contents.bytes), ini);
  const char* value = ini.GetValue(section.c_str(), key.c_str(), nullptr);
  return value == nullptr ? "" : Unquote(value);
}

SettingsValues SettingsFile::ReadAll() const {
  SettingsValues values;
  FileContents contents = ReadWhole(path_);
  if (!contents.exists) return values;
  CheckUtf8(path_, contents.bytes);
  CSimpleIniA ini;
  Parse(path_, WithoutBom(contents.bytes), ini);
  CSimpleIniA::TNamesDepend sections;
  ini.GetAllSections(sections);
  for (const auto& section : sections) {
    CSimpleIniA::TNamesDepend keys;
    ini.GetAllKeys(section.pItem, keys);
    for (const auto& key : keys) {
      // With repeated keys, the value ReadValue gives: the first.
      const char* value = ini.GetValue(section.pItem, key.pItem, "");
      values.Set(section.pItem, key.pItem, Unquote(value));
    }
  }
  return values;
}

void SettingsFile::WriteValue(const std::string& section,
                              const std::string& key,
                              const std::string& value) {
  WriteValues(section, {{key, value}});
}

void SettingsFile::WriteValues(
    const std::string& section,
    const std::vector<std::pair<std::string, std::string>>& values) {
  CheckName(path_, "secção", section, "[]\r\n");
  for (const auto& [key, value] : values) {
    CheckName(path_, "chave", key, "=[\r\n");
    if (value.find_first_of("\r\n") != std::string::npos ||
        value.find('\0') != std::string::npos) {
      Fail("O valor de [" + section + "] " + key + " para " + Named(path_) +
           " não pode ter mudanças de linha");
    }
    if (FirstBadUtf8Line(value) != 0) {
      Fail("O valor de [" + section + "] " + key + " para " + Named(path_) +
           " não está em UTF-8 válido");
    }
  }

  // Save beside the file a symbolic link points to, keeping the link.
  std::string target = path_;
  std::error_code ec;
  if (!target.empty() && std::filesystem::is_symlink(target, ec)) {
    auto resolved = std::filesystem::weakly_canonical(target, ec);
    if (ec) {
      Fail("Não foi possível gravar " + Named(path_) + ": " + ec.message());
    }
    target = resolved.string();
  }

  FileContents old = ReadWhole(target);
  if (old.exists) {
    // A file without any write permission counts as read-only even for a
    // privileged user, whom the system itself would let through.
    if (::access(target.c_str(), W_OK) != 0 || (old.info.st_mode & 0222) == 0) {
      Fail("Não foi possível gravar " + Named(path_) +
           ": o ficheiro é só de leitura");
    }
    CheckUtf8(path_, old.bytes);
    // Such a line belongs to someone; a save must not lose it.
    if (const UnkeptLine line = FirstUnkeptLine(WithoutBom(old.bytes));
        line.number != 0) {
      Fail("Não foi possível gravar " + Named(path_) + ": a linha " +
           std::to_string(line.number) + " " + line.why +
           " e não se manteria; o ficheiro fica como estava");
    }
  }
  const bool bom = old.bytes.starts_with(kBom);
  const std::string_view text = WithoutBom(old.bytes);
  const size_t first_lf = text.find('\n');
  const bool crlf = first_lf != std::string_view::npos && first_lf > 0 &&
                    text[first_lf - 1] == '\r';

  SplitText split = SplitTrailingComment(text);
  CSimpleIniA ini;
  Parse(path_, split.body, ini);

  for (const auto& [key, value] : values) {
    // An existing key keeps its own letter case.
    std::string stored_key = key;
    CSimpleIniA::TNamesDepend keys;
    if (ini.GetAllKeys(section.c_str(), keys)) {
      for (const auto& k : keys) {
        if (EqualsIgnoringCase(k.pItem, key)) {
          stored_key = k.pItem;
          break;
        }
      }
    }
    const std::string stored_value =
        NeedsQuotes(value) ? "\"" + value + "\"" : value;
    if (ini.SetValue(section.c_str(), stored_key.c_str(), stored_value.c_str(),
                     nullptr, true) < 0) {
      Fail("Não foi possível gravar " + Named(path_) +
           ": memória insuficiente");
    }
  }
  std::string saved;
  if (ini.Save(saved, false) < 0) {
    Fail("Não foi possível gravar " + Named(path_));
  }

  std::string out;
  if (!split.tail_comment.empty()) {
    if (split.body.empty()) {
      // A file of comments only: they stay at its top.
      out = split.tail_comment + "\n\n" + saved;
    } else {
      out = saved + "\n" + split.tail_comment + "\n";
    }
  } else {
    out = saved;
  }
  if (crlf) {
    std::string converted;
    converted.reserve(out.size() + out.size() / 16);
    for (size_t i = 0; i < out.size(); ++i) {
      if (out[i] == '\n' && (i == 0 || out[i - 1] != '\r')) converted += '\r';
      converted += out[i];
    }
    out.swap(converted);
  }
  // The new text must read as the old one with these values changed. A
  // line the parser takes in more than one way (such as a section name
  // whose ']' is missing) could otherwise come back as other entries.
  CSimpleIniA check;
  Parse(path_, out, check);
  if (!SameEntries(ini, check)) {
    Fail("Não foi possível gravar " + Named(path_) +
         ": a gravação alteraria outras linhas do ficheiro (uma secção sem "
         "']'?), que fica como estava");
  }
  if (bom) out.insert(0, kBom);
  // A file the program creates holds passwords: only its owner reads it.
  // An existing one keeps its permissions, owner and group.
  AtomicFile::Options options;
  options.new_mode = 0600;
  options.keep_existing = true;
  options.failure_text = "Não foi possível gravar " + Named(path_);
  AtomicFile::Write(target, out, options);
}

}  // namespace vor
