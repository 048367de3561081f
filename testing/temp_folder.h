// TempFolder: a fresh, empty folder under the system's temporary folder,
// removed with all it holds when the object goes; and whole-file reading and
// writing (bytes as they are, no conversion). The one temporary-folder and
// file helper of every test, benchmark and test program.
#ifndef VOR_TESTING_TEMP_FOLDER_H_
#define VOR_TESTING_TEMP_FOLDER_H_

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <system_error>

namespace vor {

// Writes `bytes` as the whole file at `path`, replacing it. Throws
// std::runtime_error naming the file when it cannot be written.
inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path);
}

// The bytes of the file at `path`; "" when it is missing or unreadable.
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class TempFolder {
 public:
  // Throws std::runtime_error when no folder can be made.
  TempFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "vor_test_XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("cannot create the folder " + pattern);
    }
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + name.
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // Writes `bytes` as the file `name` of the folder, replacing it.
  void Write(const std::string& name, const std::string& bytes) const {
    WriteFile(File(name), bytes);
  }
  // The bytes of the file `name` of the folder; "" when it is missing.
  std::string Read(const std::string& name) const {
    return ReadFile(File(name));
  }

 private:
  std::string path_;
};

}  // namespace vor

#endif  // VOR_TESTING_TEMP_FOLDER_H_
