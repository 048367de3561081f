#include "proposal/zip_writer.h"

#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>
#include <zlib.h>

#include <algorithm>
#include <limits>

#include "core/error.h"

namespace vor {
namespace {

constexpr uint64_t kMax32 = std::numeric_limits<uint32_t>::max();
constexpr size_t kMaxEntries = 65535;
constexpr uint16_t kVersion = 20;     // 2.0: deflate
constexpr uint16_t kDeflated = 8;     // compression method
constexpr uint16_t kDosDate = 0x21;   // 1980-01-01
constexpr uint16_t kDosTime = 0;      // 00:00:00
constexpr size_t kChunk = 1 << 16;    // deflate's output per call, at most
constexpr size_t kLeastChunk = 4096;  // and at least

void Put16(std::string* out, uint64_t v) {
  out->push_back(static_cast<char>(v & 0xFF));
  out->push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string* out, uint64_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, (v >> 16) & 0xFFFF);
}

// The zip's crc-32 of `data` continuing `crc` (0 to start), as zlib's
// crc32 gives it.
uint32_t Crc(uint32_t crc, std::string_view data) {
  // ISA-L takes a length in 64 bits and the data unaligned.
  return crc32_gzip_refl(crc, reinterpret_cast<const uint8_t*>(data.data()),
                         data.size());
}

}  // namespace

// ISA-L's deflate: at its level 1 it compresses a workbook's XML about
// three times as fast as zlib's fastest levels, to within a few per cent
// of their size. Each level above 0 needs a work buffer of its own.
struct ZipWriter::Stream {
  isal_zstream z = {};
  // Left uninitialised: ISA-L sets up what it reads, and the order files
  // set up a stream for each of a thousand small workbooks.
  std::unique_ptr<uint8_t[]> work;
};

ZipWriter::ZipWriter(const std::string& name, int level)
    : name_(name), level_(level) {}

ZipWriter::~ZipWriter() = default;

void ZipWriter::Fail(const std::string& reason) const {
  throw Error(errnum::kFileError,
              "Não foi possível escrever o ficheiro " + name_ + ": " + reason);
}

void ZipWriter::Deflate(Stream* stream, std::string_view data, Flush flush,
                        std::string* out) {
  isal_zstream& z = stream->z;
  z.flush = flush == Flush::kSync ? SYNC_FLUSH : NO_FLUSH;
  // ISA-L counts in 32 bits: a larger piece goes in several calls.
  for (;;) {
    const size_t piece =
        std::min<size_t>(data.size(), std::numeric_limits<uint32_t>::max());
    z.next_in = reinterpret_cast<uint8_t*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uint32_t>(piece);
    const bool last = piece == data.size();
    z.end_of_stream = last && flush == Flush::kFinish ? 1 : 0;
    do {
      // Room for what this piece can become, so that a small entry does not
      // clear a whole chunk; the loop asks for more when it is not enough.
      const size_t room = std::clamp<size_t>(z.avail_in + z.avail_in / 8 + 64,
                                             kLeastChunk, kChunk);
      const size_t at = out->size();
      out->resize(at + room);
      z.next_out = reinterpret_cast<uint8_t*>(out->data() + at);
      z.avail_out = static_cast<uint32_t>(room);
      const int e = isal_deflate(&z);
      out->resize(at + room - z.avail_out);
      if (e != COMP_OK)
        Fail("erro ao comprimir (ISA-L, código " + std::to_string(e) + ")");
      // Done when everything is taken and there is room left over (for a
      // finish, when the stream has ended).
      if (z.end_of_stream ? z.internal_state.state == ZSTATE_END
                          : z.avail_in == 0 && z.avail_out != 0) {
        break;
      }
    } while (true);
    data.remove_prefix(piece);
    if (data.empty()) return;
  }
}

std::unique_ptr<ZipWriter::Stream> ZipWriter::FreshStream() {
  // A reset stream compresses as a new one with the same level and buffer.
  if (idle_) {
    isal_deflate_reset(&idle_->z);
    return std::move(idle_);
  }
  auto stream = std::make_unique<Stream>();
  // Raw deflate (no gzip or zlib wrapper), as a zip entry holds it.
  isal_deflate_init(&stream->z);
  stream->z.level = static_cast<uint32_t>(level_);
  size_t work = 0;
  switch (level_) {
    case 0:
      break;
    case 1:
      work = ISAL_DEF_LVL1_DEFAULT;
      break;
    case 2:
      work = ISAL_DEF_LVL2_DEFAULT;
      break;
    case 3:
      work = ISAL_DEF_LVL3_DEFAULT;
      break;
    default:
      Fail("nível de compressão " + std::to_string(level_) + " inválido");
  }
  if (work > 0) stream->work.reset(new uint8_t[work]);
  stream->z.level_buf = stream->work.get();
  stream->z.level_buf_size = static_cast<uint32_t>(work);
  return stream;
}

void ZipWriter::Begin(const std::string& path) {
  if (finished_) Fail("o arquivo já foi fechado");
  if (open_) Fail("entrada " + entry_.path + " ainda aberta");
  open_ = FreshStream();
  entry_ = Entry();
  entry_.path = path;
  entry_.crc = 0;
  body_.clear();
}

void ZipWriter::Write(std::string_view data) {
  if (!open_) Fail("nenhuma entrada aberta");
  entry_.crc = Crc(entry_.crc, data);
  entry_.size += data.size();
  Deflate(open_.get(), data, Flush::kNone, &body_);
}

void ZipWriter::End(std::string_view prefix) {
  if (!open_) Fail("nenhuma entrada aberta");
  Deflate(open_.get(), {}, Flush::kFinish, &body_);
  idle_ = std::move(open_);
  Entry entry = std::move(entry_);
  // The prefix is a deflate stream of its own, flushed to a byte boundary
  // without ending: followed by the body's stream, the two read as one,
  // and their crcs combine.
  std::string head;
  if (!prefix.empty()) {
    std::unique_ptr<Stream> stream = FreshStream();
    Deflate(stream.get(), prefix, Flush::kSync, &head);
    idle_ = std::move(stream);
    const uint32_t prefix_crc = Crc(0, prefix);
    entry.crc = static_cast<uint32_t>(
        crc32_combine(prefix_crc, entry.crc, static_cast<z_off_t>(entry.size)));
    entry.size += prefix.size();
  }
  entry.compressed = head.size() + body_.size();
  Put(std::move(entry), head, body_);
  body_.clear();
  body_.shrink_to_fit();
}

void ZipWriter::Put(Entry entry, std::string_view head, std::string_view body) {
  entry.offset = out_.size();
  if (entry.size > kMax32 || entry.compressed > kMax32) {
    Fail("a parte " + entry.path + " passaria de 4 GB");
  }
  if (entries_.size() >= kMaxEntries) Fail("demasiadas partes");
  if (entry.offset + 30 + entry.path.size() + entry.compressed > kMax32) {
    Fail("o ficheiro passaria de 4 GB");
  }
  // The local header: the sizes and crc are known, so no data descriptor
  // follows the data.
  Put32(&out_, 0x04034b50);
  Put16(&out_, kVersion);
  Put16(&out_, 0);  // flags
  Put16(&out_, kDeflated);
  Put16(&out_, kDosTime);
  Put16(&out_, kDosDate);
  Put32(&out_, entry.crc);
  Put32(&out_, entry.compressed);
  Put32(&out_, entry.size);
  Put16(&out_, entry.path.size());
  Put16(&out_, 0);  // extra field
  out_ += entry.path;
  out_ += head;
  out_ += body;
  entries_.push_back(std::move(entry));
}

ZipWriter::Stored ZipWriter::LastEntry() const {
  if (finished_) Fail("o arquivo já foi fechado");
  if (entries_.empty()) Fail("nenhuma parte escrita");
  const Entry& e = entries_.back();
  Stored stored;
  stored.crc = e.crc;
  stored.size = e.size;
  stored.deflated = out_.substr(e.offset + 30 + e.path.size(), e.compressed);
  return stored;
}

void ZipWriter::AddStored(const std::string& path, const Stored& stored) {
  if (finished_) Fail("o arquivo já foi fechado");
  if (open_) Fail("entrada " + entry_.path + " ainda aberta");
  Entry entry;
  entry.path = path;
  entry.crc = stored.crc;
  entry.size = stored.size;
  entry.compressed = stored.deflated.size();
  Put(std::move(entry), {}, stored.deflated);
}

void ZipWriter::Add(const std::string& path, std::string_view data) {
  Begin(path);
  Write(data);
  End();
}

std::string ZipWriter::Finish() {
  if (finished_) Fail("o arquivo já foi fechado");
  if (open_) Fail("entrada " + entry_.path + " ainda aberta");
  const uint64_t directory = out_.size();
  for (const Entry& e : entries_) {
    Put32(&out_, 0x02014b50);
    Put16(&out_, kVersion);  // made by: 2.0, MS-DOS attributes
    Put16(&out_, kVersion);  // needed to extract
    Put16(&out_, 0);         // flags
    Put16(&out_, kDeflated);
    Put16(&out_, kDosTime);
    Put16(&out_, kDosDate);
    Put32(&out_, e.crc);
    Put32(&out_, e.compressed);
    Put32(&out_, e.size);
    Put16(&out_, e.path.size());
    Put16(&out_, 0);  // extra field
    Put16(&out_, 0);  // comment
    Put16(&out_, 0);  // disk
    Put16(&out_, 0);  // internal attributes
    Put32(&out_, 0);  // external attributes
    Put32(&out_, e.offset);
    out_ += e.path;
  }
  const uint64_t directory_size = out_.size() - directory;
  if (out_.size() + 22 > kMax32) Fail("o ficheiro passaria de 4 GB");
  Put32(&out_, 0x06054b50);
  Put16(&out_, 0);  // this disk
  Put16(&out_, 0);  // the directory's disk
  Put16(&out_, entries_.size());
  Put16(&out_, entries_.size());
  Put32(&out_, directory_size);
  Put32(&out_, directory);
  Put16(&out_, 0);  // comment
  finished_ = true;
  return std::move(out_);
}

}  // namespace vor
