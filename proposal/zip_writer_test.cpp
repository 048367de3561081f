// ZipWriter: an archive read back by Python's zipfile, every entry's crc
// checked, a streamed entry's prefix in front of its pieces, an entry taken
// compressed into a second archive.
#include "proposal/zip_writer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "testing/temp_folder.h"

namespace vor {
namespace {

TEST(ZipWriterTest, EntriesReadBackWhole) {
  ZipWriter zip("teste.zip", 1);
  zip.Add("a.txt", "olá");
  // Some 600 KB in pieces of different sizes: many calls of deflate, and
  // output past its buffer of 64 KB.
  zip.Begin("dir/big.txt");
  for (int i = 0; i < 60000; ++i) {
    zip.Write("line " + std::to_string(i * 7919 % 100003) + "\n");
  }
  zip.End("HEAD\n");
  const ZipWriter::Stored big = zip.LastEntry();
  zip.Begin("empty");
  zip.End();
  // Bytes that do not compress, in one piece: the compressed data is larger
  // than the piece and comes out in many rounds.
  std::string noise(300000, '\0');
  uint32_t x = 2463534242u;
  for (char& c : noise) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    c = static_cast<char>(x);
  }
  zip.Add("noise.bin", noise);
  ZipWriter other("outro.zip", 1);
  other.Add("b.txt", "b");
  other.AddStored("copy.txt", big);
  TempFolder dir;
  dir.Write("t.zip", zip.Finish());
  dir.Write("u.zip", other.Finish());
  dir.Write("noise", noise);
  dir.Write("read.py", R"(import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
print(z.testzip(), [i.filename for i in z.infolist()])
print(z.read("a.txt").decode(), repr(z.read("empty")))
big = "HEAD\n" + "".join("line %d\n" % (i * 7919 % 100003) for i in range(60000))
print(z.read("dir/big.txt").decode() == big)
print(z.read("noise.bin") == open(sys.argv[3], "rb").read())
u = zipfile.ZipFile(sys.argv[2])
print(u.testzip(), [i.filename for i in u.infolist()])
print(u.read("b.txt").decode(), u.read("copy.txt").decode() == big)
)");
  ASSERT_EQ(std::system(("/usr/bin/python3 " + dir.File("read.py") + " " +
                         dir.File("t.zip") + " " + dir.File("u.zip") + " " +
                         dir.File("noise") + " > " + dir.File("out") + " 2>&1")
                            .c_str()),
            0)
      << dir.Read("out");
  EXPECT_EQ(dir.Read("out"),
            "None ['a.txt', 'dir/big.txt', 'empty', 'noise.bin']\n"
            "olá b''\n"
            "True\n"
            "True\n"
            "None ['b.txt', 'copy.txt']\n"
            "b True\n");
}

}  // namespace
}  // namespace vor
