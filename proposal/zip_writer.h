// ZipWriter: a zip archive built in memory, each entry compressed with
// deflate (Intel's ISA-L), as an .xlsx workbook is packaged. An entry's content
// may come in pieces (Begin, Write..., End), each piece compressed as it comes,
// so that a large entry is never held whole uncompressed; and a prefix
// known only once the rest is written (a worksheet's dimension, which
// precedes its rows) can still be put in front of it at End.
//
// Entries carry no time stamp of their own (1980-01-01, the earliest a zip
// can hold), so the same content makes the same archive. No extensions
// (ZIP64) are written: an entry or an archive past 4 GB, or past 65 535
// entries, is refused.
//
//   ZipWriter zip("Proposta.xlsx", 2);
//   zip.Begin("xl/worksheets/sheet1.xml");
//   zip.Write(rows);
//   zip.End(head);  // the entry holds head + rows
//   zip.Add("xl/styles.xml", styles);
//   const std::string bytes = zip.Finish();
#ifndef VOR_PROPOSAL_ZIP_WRITER_H_
#define VOR_PROPOSAL_ZIP_WRITER_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vor {

class ZipWriter {
 public:
  // An empty archive meant for the file `name`, which errors name, its
  // entries compressed at ISA-L's level `level` (0 fastest to 3 smallest;
  // another level raises Error 75 at the first entry).
  ZipWriter(const std::string& name, int level);
  ~ZipWriter();
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  // Adds the entry `path` (a relative path with '/' separators) holding
  // `data`, after the entries added before. Raises Error 75 as End.
  void Add(const std::string& path, std::string_view data);

  // Starts the entry `path`; no other entry may be added until End.
  // Raises Error 75 when an entry is already open.
  void Begin(const std::string& path);
  // Appends `data` to the entry begun. Raises Error 75 when none is open
  // or the compressor fails.
  void Write(std::string_view data);
  // Ends the entry begun: its content is `prefix` followed by all that was
  // written. Raises Error 75 when none is open, the compressor fails, or the
  // entry or the archive would pass 4 GB or 65 535 entries.
  void End(std::string_view prefix = {});

  // An entry as the archive holds it: its data compressed, with the crc
  // and the size of the data.
  struct Stored {
    uint32_t crc = 0;
    uint64_t size = 0;
    std::string deflated;
  };
  // A copy of the entry ended last, to be put into another archive with
  // AddStored instead of compressing the same data twice. Before Finish;
  // raises Error 75 when no entry was ended.
  Stored LastEntry() const;
  // Adds the entry `path` holding `entry` as it is, after the entries added
  // before. Raises Error 75 as End.
  void AddStored(const std::string& path, const Stored& entry);

  // The file the archive is meant for, as errors name it.
  const std::string& name() const { return name_; }

  // The archive's bytes (the entries and their central directory); once,
  // with no entry open. Raises Error 75 otherwise.
  std::string Finish();

 private:
  struct Entry {
    std::string path;
    uint32_t crc = 0;
    uint64_t compressed = 0;
    uint64_t size = 0;
    uint64_t offset = 0;  // of its local header in out_
  };
  struct Stream;  // the deflate state
  enum class Flush { kNone, kSync, kFinish };

  // Appends `entry` (its path, crc and sizes set) with its local header,
  // its compressed data being `head` followed by `body`.
  void Put(Entry entry, std::string_view head, std::string_view body);
  // Compresses `data` through `stream`, appending to `out`: kSync ends on
  // a byte boundary without ending the stream, kFinish ends it.
  void Deflate(Stream* stream, std::string_view data, Flush flush,
               std::string* out);
  // A deflate stream ready for a new entry: the one the last entry used,
  // reset, else a new one. Raises Error 75 for a level ISA-L lacks.
  std::unique_ptr<Stream> FreshStream();
  [[noreturn]] void Fail(const std::string& reason) const;

  std::string name_;
  int level_;
  std::string out_;  // the local headers and data of the ended entries
  std::vector<Entry> entries_;
  // The entry begun: its compressed data so far, its crc and size.
  std::unique_ptr<Stream> open_;
  Entry entry_;
  // The stream of the entry ended last, kept so that each of the many
  // small entries of a workbook does not set up the compressor again.
  std::unique_ptr<Stream> idle_;
  std::string body_;
  bool finished_ = false;
};

}  // namespace vor

#endif  // VOR_PROPOSAL_ZIP_WRITER_H_
