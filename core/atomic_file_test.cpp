#include "core/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/error.h"
#include "testing/temp_folder.h"

namespace vor {
namespace {

namespace fs = std::filesystem;

// The user and group nobody: another user's link, made by root.
constexpr uid_t kNobody = 65534;

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A killed writer's temporary file goes at the next write in the folder;
// a look-alike that is a link, or a file not in the form, stays; the new
// file replaces the old one and nothing else is left beside it.
TEST(AtomicFileTest, ReplacesTheFileAndClearsLeftoversOfKilledWriters) {
  TempFolder dir;
  const std::string target = dir.File("Proposta.xlsx");
  std::ofstream(target) << "old";
  std::ofstream(dir.File(".Proposta_1.xlsx.Ab3dEf6hIj9k.vortmp")) << "cut";
  std::ofstream(dir.File("Proposta.xlsx.tmp-42")) << "other";
  std::ofstream(dir.File("outside")) << "keep";
  fs::create_symlink(dir.File("outside"), dir.File(".x.AAAAAAAAAAAA.vortmp"));

  AtomicFile::Write(target, "new");

  EXPECT_EQ(Contents(target), "new");
  EXPECT_EQ(Contents(dir.File("outside")), "keep");
  EXPECT_EQ(Names(dir.File("")),
            (std::vector<std::string>{".x.AAAAAAAAAAAA.vortmp", "Proposta.xlsx",
                                      "Proposta.xlsx.tmp-42", "outside"}));
  EXPECT_TRUE(AtomicFile::IsTemporaryName(".a.Ab3dEf6hIj9k.vortmp"));
  EXPECT_FALSE(AtomicFile::IsTemporaryName(".a.Ab3dEf6hIj9.vortmp"));
  EXPECT_FALSE(AtomicFile::IsTemporaryName("a.Ab3dEf6hIj9k.vortmp"));
}

// A new file gets the mode asked for; an existing one kept (settings)
// keeps its own; a failure names the file and leaves nothing behind.
TEST(AtomicFileTest, ModesAndFailures) {
  TempFolder dir;
  const std::string settings = dir.File("a.zlx");
  AtomicFile::Options secret;
  secret.new_mode = 0600;
  secret.keep_existing = true;
  AtomicFile::Write(settings, "x", secret);
  struct stat info {};
  ASSERT_EQ(::stat(settings.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  ::chmod(settings.c_str(), 0640);
  AtomicFile::Write(settings, "y", secret);
  ASSERT_EQ(::stat(settings.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);

  try {
    AtomicFile::Write(dir.File("missing/b.csv"), "z");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kFileError);
    EXPECT_NE(e.description().find(dir.File("missing/b.csv")),
              std::string::npos);
  }
  EXPECT_EQ(Names(dir.File("")), std::vector<std::string>{"a.zlx"});
}

// A folder opened and then renamed away, its path swapped for a link to
// another folder: the write lands in the folder opened, and the path given
// for it is where that folder is now.
TEST(AtomicFileTest, WriteInStaysInTheFolderOpened) {
  TempFolder dir;
  const std::string reports = dir.File("relatorios");
  const std::string other = dir.File("outra");
  fs::create_directory(reports);
  fs::create_directory(other);
  const Folder folder = Folder::Open(reports);
  EXPECT_EQ(folder.PathOf("a.xlsx"), reports + "/a.xlsx");
  fs::rename(reports, dir.File("antiga"));
  fs::create_directory_symlink(other, reports);
  AtomicFile::WriteIn(folder, "a.xlsx", "bytes");
  EXPECT_EQ(Contents(dir.File("antiga/a.xlsx")), "bytes");
  EXPECT_TRUE(Names(other).empty());
  EXPECT_EQ(folder.PathOf("a.xlsx"),
            fs::canonical(dir.File("antiga")).string() + "/a.xlsx");
  // The swap was another user's: their link is refused.
  if (geteuid() != 0) GTEST_SKIP() << "only root can give a link away";
  ASSERT_EQ(::lchown(reports.c_str(), kNobody, kNobody), 0);
  try {
    Folder::Open(reports + "/");
    FAIL();
  } catch (const Error& e) {
    EXPECT_NE(e.description().find("'" + reports +
                                   "' é uma ligação simbólica de outro "
                                   "utilizador (uid 65534)"),
              std::string::npos)
        << e.description();
  }
}

TEST(AtomicFileTest, WriteAllInWritesEachFileOrSaysWhyNot) {
  TempFolder dir;
  fs::create_directory(dir.File("b.xlsx"));  // no file can replace a folder
  std::ofstream(dir.File("c.xlsx")) << "antigo";
  const Folder folder = Folder::Open(dir.path());
  const std::vector<std::string> errors = AtomicFile::WriteAllIn(
      folder, {{"a.xlsx", "A"}, {"b.xlsx", "B"}, {"c.xlsx", "C"}});
  ASSERT_EQ(errors.size(), 3u);
  EXPECT_EQ(errors[0], "");
  EXPECT_EQ(errors[1], "Não foi possível escrever o ficheiro " +
                           dir.File("b.xlsx") + ": " + std::strerror(EISDIR));
  EXPECT_EQ(errors[2], "");
  EXPECT_EQ(Contents(dir.File("a.xlsx")), "A");
  EXPECT_EQ(Contents(dir.File("c.xlsx")), "C");
  // No temporary file is left behind.
  EXPECT_EQ(Names(dir.path()),
            (std::vector<std::string>{"a.xlsx", "b.xlsx", "c.xlsx"}));

  // Another writer in the same folder clears leftovers meanwhile (as the
  // report's workbook does beside the order files): it takes none of the
  // temporary files being written. Both on one processor, so that the
  // writer is often interrupted right after creating a file.
  cpu_set_t all, one;
  ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
  CPU_ZERO(&one);
  CPU_SET(sched_getcpu(), &one);
  ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
  std::atomic<bool> done{false};
  std::thread other([&] {
    while (!done) AtomicFile::RemoveLeftovers(dir.path());
  });
  std::vector<std::pair<std::string, std::string>> many;
  for (int i = 0; i < 400; ++i) {
    many.emplace_back("n" + std::to_string(i) + ".xlsx", "N");
  }
  const std::vector<std::string> more = AtomicFile::WriteAllIn(folder, many);
  done = true;
  other.join();
  sched_setaffinity(0, sizeof all, &all);
  EXPECT_EQ(std::count(more.begin(), more.end(), std::string()), 400);
}

// Links of the user running (or root) are followed, from the root or from
// the link's folder, wherever they are on the path; a loop of them ends
// with a message; a link of another user is refused wherever it is.
TEST(FolderTest, FollowsOnlyLinksOfRootOrTheUserRunning) {
  TempFolder dir;
  fs::create_directories(dir.File("real/logs"));
  fs::create_directory_symlink(dir.File("real"), dir.File("absolute"));
  fs::create_directory_symlink("real/logs", dir.File("relative"));
  fs::create_directory_symlink("../absolute/logs", dir.File("real/up"));
  for (const std::string via : {"absolute/logs", "relative", "real/up/"}) {
    const Folder folder = Folder::Open(dir.File(via));
    AtomicFile::WriteIn(folder, via.substr(0, 3) + ".txt", via);
  }
  EXPECT_EQ(Names(dir.File("real/logs")),
            (std::vector<std::string>{"abs.txt", "rea.txt", "rel.txt"}));
  EXPECT_EQ(Contents(dir.File("real/logs/rea.txt")), "real/up/");

  fs::create_directory_symlink("b", dir.File("a"));
  fs::create_directory_symlink("a", dir.File("b"));
  try {
    Folder::Open(dir.File("a/logs"));
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.description(), "a pasta " + dir.File("a/logs") +
                                   " não foi aberta: mais de 40 ligações "
                                   "simbólicas no caminho (um ciclo?), a "
                                   "última em '" +
                                   dir.File("a") + "'");
  }

  if (geteuid() != 0) GTEST_SKIP() << "only root can give a link away";
  ASSERT_EQ(::lchown(dir.File("real/up").c_str(), kNobody, kNobody), 0);
  try {
    Folder::Open(dir.File("relative/../up/x"));
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.description(),
              "a pasta " + dir.File("relative/../up/x") + " não foi aberta: '" +
                  dir.File("real/logs/../up") +
                  "' é uma ligação simbólica de outro utilizador (uid "
                  "65534), que não é seguida (indique o caminho real da "
                  "pasta)");
  }
}

// A file made already holding its bytes: as a new file would be (the
// umask applies), and never over what is at the name, link or not.
TEST(FolderTest, CreateFileHoldingMakesOnlyANewFile) {
  TempFolder dir;
  const Folder folder = Folder::Open(dir.path());
  const mode_t mask = ::umask(027);
  const int fd =
      folder.CreateFileHolding("a.txt", "linha\r\n", O_WRONLY | O_APPEND, 0666);
  ::umask(mask);
  ASSERT_GE(fd, 0) << std::strerror(errno);
  ASSERT_EQ(::write(fd, "mais", 4), 4);
  ::close(fd);
  EXPECT_EQ(Contents(dir.File("a.txt")), "linha\r\nmais");
  struct stat st {};
  ASSERT_EQ(::stat(dir.File("a.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  fs::create_symlink(dir.File("a.txt"), dir.File("b.txt"));
  for (const std::string name : {"a.txt", "b.txt"}) {
    errno = 0;
    EXPECT_EQ(folder.CreateFileHolding(name, "outra", O_WRONLY, 0666), -1);
    EXPECT_EQ(errno, EEXIST);
  }
  EXPECT_EQ(Contents(dir.File("a.txt")), "linha\r\nmais");
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"a.txt", "b.txt"}));
}

}  // namespace
}  // namespace vor
