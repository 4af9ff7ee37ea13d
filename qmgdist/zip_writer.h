// Writes a package: a ZIP archive of exactly the kind the installer reads,
// scrambled through the descrambling layer as it is written.
//
// What goes into the archive, and nothing else:
// - the members in the order given, each a local header and its data, then
//   the central directory and a plain end record: no ZIP64 records, no data
//   descriptors (the CRC-32 and both sizes stand in the local header), no
//   extra fields, no comments;
// - names exactly as given ("/" between folders, a folder's name ending in
//   "/"), with the UTF-8 flag (bit 11) where CarriesUtf8Flag says so
//   (member_name_check.h, whose warnings assume the same);
// - version made by 0x003F (MS-DOS host, 6.3) and version needed 2.0, the
//   DOS date, time and attributes given (the attributes in the low byte of
//   the external attributes);
// - a file deflated (raw deflate, method 8) at the level given, or stored
//   (method 0) when deflating does not make it smaller, which is always so
//   for an empty file and at level 0; a folder stored, empty.
//
// Files are read and deflated in pieces of ZipPieceSize bytes on several
// threads while the archive is written in member order. Each piece is
// deflated on its own, primed with the 32 KB of the file before it, and all
// but a file's last end on a byte boundary (a sync flush), so together they
// form one deflate stream: the bytes written depend on the members' contents
// and the level alone, never on the number of threads. Memory stays
// bounded: at most ZipPiecesAheadPerThread pieces per thread wait, deflated,
// for the writer. A file of several pieces that turns out not to shrink is
// read a second time and stored in place of its deflated data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "package/scramble.h"

enum : size_t { ZipPieceSize = 512 * 1024, ZipPiecesAheadPerThread = 4 };

struct ZipEntry {
  std::string name;  // in the archive
  std::string path;  // the file on disk, opened with OpenSourceFile; unused for a folder
  bool folder = false;
  uint64_t size = 0; // of the file, as found when the tree was read
  uint16_t dosDate = 0, dosTime = 0;
  uint8_t attributes = 0;
};

struct ZipOptions {
  int level = 6;        // 0 (store every file) to 9
  unsigned threads = 0; // deflating threads; 0 is one per processor
  const uint8_t *key = nullptr; // KeyTableBytes scrambling the output
  // Called after each member is written, with its index; may be empty.
  std::function<void(size_t)> written;
};

// The DOS date and time of a moment given as local time (`local` null when
// the conversion failed): 2-second steps from 1980 to 2107, a moment
// outside that range clamped to its ends.
void DosTimeOf(const struct tm *local, uint16_t &dosDate, uint16_t &dosTime);

// Writes the archive from the start of `out`, an empty file opened for
// writing in binary mode (seeks back into what it wrote are allowed), and
// flushes it. False, with one sentence naming the file or the limit in
// `report`, when a file cannot be read, changed size while it was read, or
// the archive would pass what the installer reads (65535 members, offsets
// and sizes of 4 GiB). `outName` names `out` in reports.
bool WriteZipArchive(FILE *out, const std::string &outName, const std::vector<ZipEntry> &entries,
                     const ZipOptions &options, std::string &report);
