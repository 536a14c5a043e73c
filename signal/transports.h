// Moving samples between signal files and sample buffers: `lireSignal` reads
// a stretch of any described file into a buffer; the three low-level
// transports copy between an open file and a buffer or between two open
// files, converting between the file's coding (nb_bits, swap) and the
// program's left-aligned 16-bit samples.
//
// Failures show the transport message with the operation's name as caption
// and the failing step; buffer bounds violations are internal faults and
// nothing is read or written then. At debug level 2 each transport traces its
// arguments. The transports share one scratch buffer: they are not reentrant.
#pragma once

#include <cstdint>

#include "signal/buffers.h"
#include "signal/infofile.h"
#include "signal/signal_stream.h"

namespace ardv {

// Samples per piece of a converting copy (40000 bytes).
constexpr std::int32_t kTransportPieceSamples = 20000;

// The shared scratch buffer: kTransportPieceSamples samples while a transport
// runs, 1 sample otherwise.
SHORTbuf& transportScratch();

// Reads `count` samples of the file `file.nom` starting at byte `byteOffset`
// into `buffer` at element `index`, decoded to program samples. Needs
// index >= 0, count >= 0 and index + count <= buffer.size() (otherwise the
// internal fault "lireSignal() : try to read data out of the buffer"), and the
// offset inside the file (otherwise "lireSignal(): offset out of file").
// Returns the number of samples read: `count`, or 0 on any failure, after its
// one report (a file that ends before the stretch is a failure).
std::int32_t lireSignal(const infoFile& file, std::int64_t byteOffset, SHORTbuf& buffer, std::int32_t index,
                        std::int32_t count);

// Reads `byteCount` bytes at `byteOffset` of the open `file` into `buffer`
// from element `index`, then decodes the whole words read with the file's
// swap and nb_bits. Steps: 1 the bytes do not fit the buffer ("bug in
// copyHFileToBuf()\ntry to put data after end of buffer"), 2 seek, 3 read
// (including a file that ends before byteCount bytes: nothing is read then).
// Returns byteCount, or -1 after the message.
std::int64_t copyHFileToBuf(SignalStream& file, std::int64_t byteOffset, SHORTbuf& buffer, std::int32_t index,
                            std::int64_t byteCount);

// Writes `byteCount` bytes of samples from `buffer` element `index` at the
// current position of the open `file`, encoded with the file's nb_bits and
// swap (16 bits, no swap: one write straight from the buffer; otherwise in
// pieces through the scratch buffer; `buffer` is never changed). Step 1: a
// failed write. A stretch outside the buffer is an internal fault. Returns
// byteCount, or -1 after the message.
std::int64_t copyBufToHFile(const SHORTbuf& buffer, std::int32_t index, SignalStream& file, std::int64_t byteCount);

// Copies `byteCount` bytes from byte `byteOffset` of the open `source` to the
// current position of the open `destination`, in pieces of 40000 bytes, each
// word decoded with the source's coding and encoded with the destination's.
// Steps: 13 seek, 14 read (also a source that ends before byteCount bytes:
// checked before anything is written, and again while copying, so that the
// loop always ends), 15 write. Returns byteCount, or -1 after the message.
std::int64_t copyHFileToHFile(SignalStream& source, std::int64_t byteOffset, SignalStream& destination,
                              std::int64_t byteCount);

// Copies `byteCount` bytes from byte `byteOffset` of `source` to the current
// position of `destination` without any conversion (headers). Caption and
// steps as copyHFileToHFile. Returns byteCount, or -1 after the message.
std::int64_t copyBytes(SignalStream& source, std::int64_t byteOffset, SignalStream& destination,
                       std::int64_t byteCount, const char* operation);

}  // namespace ardv
