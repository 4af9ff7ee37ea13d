#include "qmgdist/zip_writer.h"

#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "base/file_system.h"
#include "package/zip_records.h"
#include "qmgdist/member_name_check.h"
#include "qmgdist/pack_files.h"

namespace {

enum : uint16_t { VersionMadeBy = 0x003F, VersionNeeded = 20 };
enum : size_t { DictionarySize = 32 * 1024 };
enum : uint32_t { ZipLimit = 0xFFFFFFFF }; // ZIP64's marker: the first value the installer cannot read

// One piece of a file: what a thread reads and deflates at a time.
struct Piece {
  size_t entry;
  uint64_t offset;
  size_t length;
  bool only; // the file's one piece
  bool last;
};

struct PieceResult {
  bool done = false;
  bool stored = false; // data holds the piece as it is: it did not shrink
  uint32_t crc = 0;
  std::vector<uint8_t> data;
  std::string failure;
};

// The pieces shared between the deflating threads and the writer.
struct Work {
  const std::vector<ZipEntry> *entries;
  const std::vector<Piece> *pieces;
  int level;
  size_t ahead; // pieces that may wait for the writer
  std::mutex lock;
  std::condition_variable pieceDone, pieceTaken;
  size_t next = 0, taken = 0;
  bool stopping = false;
  std::vector<PieceResult> results;
};

std::string ReadFailure(const ZipEntry &entry) {
  return entry.path + ": cannot read: " + LastSystemReason();
}
std::string ChangedFailure(const ZipEntry &entry) {
  return entry.path + ": the file changed while it was packed; pack again";
}

// Reads the piece with up to 32 KB before it into `input`; false with a
// sentence in `failure`. The file must hold exactly its recorded size.
bool ReadPiece(const ZipEntry &entry, const Piece &piece, std::vector<uint8_t> &input, size_t &dictionary,
               std::string &failure) {
  dictionary = piece.offset < DictionarySize ? static_cast<size_t>(piece.offset) : DictionarySize;
  input.resize(dictionary + piece.length);
  FILE *file = OpenSourceFile(entry.path);
  if (!file) {
    failure = ReadFailure(entry);
    return false;
  }
  bool ok = SeekFile(file, piece.offset - dictionary) && fread(input.data(), 1, input.size(), file) == input.size();
  bool grew = ok && piece.last && fgetc(file) != EOF;
  if (!ok)
    failure = ferror(file) ? ReadFailure(entry) : ChangedFailure(entry);
  else if (grew)
    failure = ChangedFailure(entry);
  fclose(file);
  return ok && !grew;
}

// Deflates input[dictionary...] primed with input[0...dictionary]: ends
// with a sync flush, or finishes the stream after a file's last piece.
bool DeflatePiece(z_stream &stream, std::vector<uint8_t> &input, size_t dictionary, bool last,
                  std::vector<uint8_t> &output) {
  if (deflateReset(&stream) != Z_OK)
    return false;
  if (dictionary && deflateSetDictionary(&stream, input.data(), static_cast<uInt>(dictionary)) != Z_OK)
    return false;
  size_t length = input.size() - dictionary;
  output.resize(deflateBound(&stream, static_cast<uLong>(length)) + 16);
  stream.next_in = input.data() + dictionary;
  stream.avail_in = static_cast<uInt>(length);
  size_t made = 0;
  for (;;) {
    stream.next_out = output.data() + made;
    stream.avail_out = static_cast<uInt>(output.size() - made);
    int status = deflate(&stream, last ? Z_FINISH : Z_SYNC_FLUSH);
    made = output.size() - stream.avail_out;
    if (last ? status == Z_STREAM_END : (status == Z_OK && stream.avail_out > 0))
      break;
    if (status != Z_OK && status != Z_BUF_ERROR)
      return false;
    output.resize(output.size() * 2);
  }
  output.resize(made);
  return true;
}

void RunPiece(Work &work, z_stream &stream, const Piece &piece, PieceResult &result) {
  const ZipEntry &entry = (*work.entries)[piece.entry];
  std::vector<uint8_t> input;
  size_t dictionary = 0;
  if (!ReadPiece(entry, piece, input, dictionary, result.failure))
    return;
  result.crc = static_cast<uint32_t>(crc32(0, input.data() + dictionary, static_cast<uInt>(piece.length)));
  if (work.level > 0) {
    if (!DeflatePiece(stream, input, dictionary, piece.last, result.data)) {
      result.failure = entry.path + ": zlib could not deflate it";
      return;
    }
    // A file's one piece is stored when deflating does not shrink it; a
    // longer file is judged by the writer once all its pieces are known.
    if (!piece.only || result.data.size() < piece.length)
      return;
  }
  result.stored = true;
  result.data.assign(input.begin() + static_cast<ptrdiff_t>(dictionary), input.end());
}

void DeflatingThread(Work &work) {
  z_stream stream = {};
  bool ready = work.level == 0 ||
               deflateInit2(&stream, work.level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
  for (;;) {
    size_t index;
    {
      std::unique_lock<std::mutex> hold(work.lock);
      work.pieceTaken.wait(hold, [&] {
        return work.stopping || work.next >= work.pieces->size() || work.next < work.taken + work.ahead;
      });
      if (work.stopping || work.next >= work.pieces->size())
        break;
      index = work.next++;
    }
    PieceResult result;
    if (ready)
      RunPiece(work, stream, (*work.pieces)[index], result);
    else
      result.failure = "zlib cannot start deflating (not enough memory)";
    std::lock_guard<std::mutex> hold(work.lock);
    result.done = true;
    work.results[index] = std::move(result);
    work.pieceDone.notify_all();
  }
  if (ready && work.level > 0)
    deflateEnd(&stream);
}

void Put16(uint8_t *at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}
void Put32(uint8_t *at, uint32_t value) {
  Put16(at, value & 0xFFFF);
  Put16(at + 2, value >> 16);
}

// The archive file, scrambled as it is written: every byte passes
// ScrambleAt with its offset in the file.
class Output {
public:
  Output(FILE *file, const std::string &name, const uint8_t *key) : file_(file), name_(name), key_(key) {}

  bool Write(const uint8_t *data, size_t size) {
    while (size > 0) {
      size_t piece = std::min(size, sizeof scratch_);
      memcpy(scratch_, data, piece);
      ScrambleAt(scratch_, piece, position_, key_);
      if (fwrite(scratch_, 1, piece, file_) != piece)
        return Failed();
      position_ += piece;
      highest_ = std::max(highest_, position_);
      data += piece;
      size -= piece;
    }
    return true;
  }
  // Rewrites bytes already written at `offset`, and comes back.
  bool Patch(uint64_t offset, const uint8_t *data, size_t size) {
    uint64_t back = position_;
    return MoveTo(offset) && Write(data, size) && MoveTo(back);
  }
  bool MoveTo(uint64_t offset) {
    if (fflush(file_) != 0 || !SeekFile(file_, offset))
      return Failed();
    position_ = offset;
    return true;
  }
  // Flushes, cutting off what a stored file left behind it.
  bool Finish() {
    if (fflush(file_) != 0)
      return Failed();
    if (highest_ > position_ && !TruncateOpenFile(file_, position_))
      return Failed();
    return true;
  }
  uint64_t Position() const { return position_; }
  const std::string &failure() const { return failure_; }

private:
  bool Failed() {
    if (failure_.empty())
      failure_ = name_ + ": cannot write: " + LastSystemReason();
    return false;
  }
  FILE *file_;
  std::string name_;
  const uint8_t *key_;
  uint64_t position_ = 0, highest_ = 0;
  std::string failure_;
  uint8_t scratch_[64 * 1024];
};

struct Written {
  uint16_t flags = 0, method = MethodStored;
  uint32_t crc = 0;
  uint64_t packedSize = 0, offset = 0;
};

uint16_t NameFlag(const ZipEntry &entry) { return CarriesUtf8Flag(entry.name) ? FlagUtf8Names : 0; }

uint16_t DeflateFlags(int level) {
  // Bits 1 and 2 of a deflated member tell the level, as ZIP tools read it.
  return level >= 8 ? 0x0002 : level == 2 ? 0x0004 : level == 1 ? 0x0006 : 0;
}

void FillLocalHeader(uint8_t header[LocalHeaderSize], const ZipEntry &entry, const Written &written) {
  memset(header, 0, LocalHeaderSize);
  Put32(header, LocalHeaderSignature);
  Put16(header + 4, VersionNeeded);
  Put16(header + local::Flags, written.flags | NameFlag(entry));
  Put16(header + local::Method, written.method);
  Put16(header + local::Time, entry.dosTime);
  Put16(header + local::Date, entry.dosDate);
  Put32(header + local::Crc, written.crc);
  Put32(header + local::CompressedSize, static_cast<uint32_t>(written.packedSize));
  Put32(header + local::UncompressedSize, static_cast<uint32_t>(entry.size));
  Put16(header + local::NameLength, static_cast<uint32_t>(entry.name.size()));
}

void AppendCentralHeader(std::vector<uint8_t> &directory, const ZipEntry &entry, const Written &written) {
  uint8_t header[CentralHeaderSize] = {};
  Put32(header, CentralHeaderSignature);
  Put16(header + central::VersionMadeBy, VersionMadeBy);
  Put16(header + 6, VersionNeeded);
  Put16(header + central::Flags, written.flags | NameFlag(entry));
  Put16(header + central::Method, written.method);
  Put16(header + 12, entry.dosTime);
  Put16(header + 14, entry.dosDate);
  Put32(header + central::Crc, written.crc);
  Put32(header + central::CompressedSize, static_cast<uint32_t>(written.packedSize));
  Put32(header + central::UncompressedSize, static_cast<uint32_t>(entry.size));
  Put16(header + central::NameLength, static_cast<uint32_t>(entry.name.size()));
  Put32(header + central::ExternalAttributes, entry.attributes);
  Put32(header + central::LocalHeaderOffset, static_cast<uint32_t>(written.offset));
  directory.insert(directory.end(), header, header + CentralHeaderSize);
  directory.insert(directory.end(), entry.name.begin(), entry.name.end());
}

// The writer's side: members in order, each file's pieces as they come.
class ArchiveWriter {
public:
  ArchiveWriter(Work &work, Output &output, const ZipOptions &options)
      : work_(work), output_(output), options_(options) {}

  bool WriteAll(std::vector<uint8_t> &directory, std::string &report) {
    const std::vector<ZipEntry> &entries = *work_.entries;
    for (size_t i = 0; i < entries.size(); i++) {
      Written written;
      if (!WriteMember(i, written, report))
        return false;
      AppendCentralHeader(directory, entries[i], written);
      if (options_.written)
        options_.written(i);
    }
    return true;
  }

private:
  // Waits for the next piece in order and takes it.
  PieceResult TakePiece() {
    std::unique_lock<std::mutex> hold(work_.lock);
    work_.pieceDone.wait(hold, [&] { return work_.results[nextPiece_].done; });
    PieceResult result = std::move(work_.results[nextPiece_]);
    work_.taken = ++nextPiece_;
    work_.pieceTaken.notify_all();
    return result;
  }

  bool WriteHeader(const ZipEntry &entry, const Written &written) {
    uint8_t header[LocalHeaderSize];
    FillLocalHeader(header, entry, written);
    return output_.Write(header, LocalHeaderSize) &&
           output_.Write(reinterpret_cast<const uint8_t *>(entry.name.data()), entry.name.size());
  }

  bool WriteMember(size_t index, Written &written, std::string &report) {
    const ZipEntry &entry = (*work_.entries)[index];
    written.offset = output_.Position();
    if (written.offset >= ZipLimit) {
      report = "the package would be 4 GiB or more, which the installer does not read";
      return false;
    }
    if (entry.folder)
      return WriteHeader(entry, written) || Fail(report);
    const Piece &first = (*work_.pieces)[nextPiece_];
    if (first.only) {
      PieceResult piece = TakePiece();
      if (!piece.failure.empty()) {
        report = piece.failure;
        return false;
      }
      written.crc = piece.crc;
      written.packedSize = piece.data.size();
      if (!piece.stored) {
        written.method = MethodDeflated;
        written.flags = DeflateFlags(options_.level);
      }
      return (WriteHeader(entry, written) && output_.Write(piece.data.data(), piece.data.size())) || Fail(report);
    }
    return WriteLongFile(entry, written, report);
  }

  // A file of several pieces: the header is written first and completed
  // when the last piece is in.
  bool WriteLongFile(const ZipEntry &entry, Written &written, std::string &report) {
    bool deflating = options_.level > 0;
    if (deflating) {
      written.method = MethodDeflated;
      written.flags = DeflateFlags(options_.level);
    }
    if (!WriteHeader(entry, written))
      return Fail(report);
    uint64_t dataAt = output_.Position();
    for (bool last = false; !last;) {
      last = (*work_.pieces)[nextPiece_].last;
      size_t length = (*work_.pieces)[nextPiece_].length;
      PieceResult piece = TakePiece();
      if (!piece.failure.empty()) {
        report = piece.failure;
        return false;
      }
      // The CRC of the file so far followed by this piece.
      written.crc = static_cast<uint32_t>(crc32_combine(written.crc, piece.crc, static_cast<z_off_t>(length)));
      written.packedSize += piece.data.size();
      if (written.packedSize >= ZipLimit) {
        report = entry.path + ": deflated, it would be 4 GiB or more, which the installer does not read";
        return false;
      }
      if (!output_.Write(piece.data.data(), piece.data.size()))
        return Fail(report);
    }
    if (deflating && written.packedSize >= entry.size && !StoreInstead(entry, dataAt, written, report))
      return false;
    uint8_t header[LocalHeaderSize];
    FillLocalHeader(header, entry, written);
    return output_.Patch(written.offset, header, LocalHeaderSize) || Fail(report);
  }

  // Replaces the deflated data that did not shrink with the file itself,
  // read again; its CRC must match what was deflated.
  bool StoreInstead(const ZipEntry &entry, uint64_t dataAt, Written &written, std::string &report) {
    if (!output_.MoveTo(dataAt))
      return Fail(report);
    FILE *file = OpenSourceFile(entry.path);
    if (!file) {
      report = ReadFailure(entry);
      return false;
    }
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[ZipPieceSize]);
    uint32_t crc = 0;
    uint64_t left = entry.size;
    bool ok = true;
    while (ok && left > 0) {
      size_t want = static_cast<size_t>(std::min<uint64_t>(left, ZipPieceSize));
      if (fread(buffer.get(), 1, want, file) != want) {
        report = ferror(file) ? ReadFailure(entry) : ChangedFailure(entry);
        ok = false;
      } else if (!output_.Write(buffer.get(), want)) {
        ok = Fail(report);
      }
      crc = static_cast<uint32_t>(crc32(crc, buffer.get(), static_cast<uInt>(want)));
      left -= want;
    }
    fclose(file);
    if (ok && crc != written.crc) {
      report = ChangedFailure(entry);
      ok = false;
    }
    written.method = MethodStored;
    written.flags = 0;
    written.packedSize = entry.size;
    return ok;
  }

  bool Fail(std::string &report) {
    report = output_.failure();
    return false;
  }

  Work &work_;
  Output &output_;
  const ZipOptions &options_;
  size_t nextPiece_ = 0;
};

} // namespace

void DosTimeOf(const struct tm *local, uint16_t &dosDate, uint16_t &dosTime) {
  if (!local || local->tm_year < 80) {
    dosDate = (1 << 5) | 1;
    dosTime = 0;
  } else if (local->tm_year > 207) {
    dosDate = static_cast<uint16_t>((127 << 9) | (12 << 5) | 31);
    dosTime = static_cast<uint16_t>((23 << 11) | (59 << 5) | 29);
  } else {
    dosDate = static_cast<uint16_t>(((local->tm_year - 80) << 9) | ((local->tm_mon + 1) << 5) | local->tm_mday);
    dosTime = static_cast<uint16_t>((local->tm_hour << 11) | (local->tm_min << 5) | (local->tm_sec / 2));
  }
}

bool WriteZipArchive(FILE *out, const std::string &outName, const std::vector<ZipEntry> &entries,
                     const ZipOptions &options, std::string &report) {
  if (entries.size() > 0xFFFF) {
    report = std::to_string(entries.size()) + " members, but the installer reads at most 65535 in a package";
    return false;
  }
  std::vector<Piece> pieces;
  for (size_t i = 0; i < entries.size(); i++) {
    if (entries[i].folder)
      continue;
    uint64_t offset = 0;
    do {
      size_t length = static_cast<size_t>(std::min<uint64_t>(entries[i].size - offset, ZipPieceSize));
      bool last = offset + length == entries[i].size;
      pieces.push_back({i, offset, length, offset == 0 && last, last});
      offset += length;
    } while (offset < entries[i].size);
  }

  unsigned threads = options.threads ? options.threads : std::max(1u, std::thread::hardware_concurrency());
  Work work;
  work.entries = &entries;
  work.pieces = &pieces;
  work.level = options.level;
  work.ahead = ZipPiecesAheadPerThread * threads;
  work.results.resize(pieces.size());
  std::vector<std::thread> deflating;
  try {
    for (unsigned t = 0; t < threads && t < pieces.size(); t++)
      deflating.emplace_back(DeflatingThread, std::ref(work));
  } catch (const std::system_error &) {
    // Fewer threads than asked for make the same bytes, only later.
  }
  if (deflating.empty() && !pieces.empty()) {
    report = "cannot start a thread to deflate the files";
    return false;
  }

  Output output(out, outName, options.key);
  std::vector<uint8_t> directory;
  ArchiveWriter writer(work, output, options);
  bool ok = writer.WriteAll(directory, report);
  {
    std::lock_guard<std::mutex> hold(work.lock);
    work.stopping = true;
    work.pieceTaken.notify_all();
  }
  for (std::thread &thread : deflating)
    thread.join();
  if (!ok)
    return false;

  uint64_t directoryAt = output.Position();
  if (directoryAt >= ZipLimit || directory.size() >= ZipLimit || directoryAt + directory.size() >= ZipLimit) {
    report = "the package would be 4 GiB or more, which the installer does not read";
    return false;
  }
  uint8_t end[EndRecordSize] = {};
  Put32(end, EndRecordSignature);
  Put16(end + 8, static_cast<uint32_t>(entries.size()));
  Put16(end + end_record::EntriesTotal, static_cast<uint32_t>(entries.size()));
  Put32(end + end_record::DirectorySize, static_cast<uint32_t>(directory.size()));
  Put32(end + end_record::DirectoryOffset, static_cast<uint32_t>(directoryAt));
  if (!output.Write(directory.data(), directory.size()) || !output.Write(end, sizeof end) || !output.Finish()) {
    report = output.failure();
    return false;
  }
  return true;
}
