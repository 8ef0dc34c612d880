#pragma once
// RIFF file I/O with the calls, flags, chunk descriptor and result codes of the
// multimedia file services the program was designed around. Offsets are 64-bit,
// so files up to the 4 GiB a RIFF size field allows (and beyond) are walked safely.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace quillon::platform {

using FOURCC = uint32_t;
using MMRESULT = uint32_t;

constexpr FOURCC mmioFOURCC(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 | uint32_t(uint8_t(d)) << 24;
}
constexpr FOURCC FOURCC_RIFF = mmioFOURCC('R', 'I', 'F', 'F');
constexpr FOURCC FOURCC_LIST = mmioFOURCC('L', 'I', 'S', 'T');
// The 64-bit forms of a RIFF file: their 32-bit sizes of 0xFFFFFFFF stand for
// the sizes a "ds64" chunk, first in the form, gives.
constexpr FOURCC FOURCC_RF64 = mmioFOURCC('R', 'F', '6', '4');
constexpr FOURCC FOURCC_BW64 = mmioFOURCC('B', 'W', '6', '4');
constexpr FOURCC FOURCC_DS64 = mmioFOURCC('d', 's', '6', '4');

// Result codes.
constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMIOERR_FILENOTFOUND = 257;
constexpr MMRESULT MMIOERR_OUTOFMEMORY = 258;
constexpr MMRESULT MMIOERR_CANNOTOPEN = 259;
constexpr MMRESULT MMIOERR_CANNOTCLOSE = 260;
constexpr MMRESULT MMIOERR_CANNOTREAD = 261;
constexpr MMRESULT MMIOERR_CANNOTWRITE = 262;
constexpr MMRESULT MMIOERR_CANNOTSEEK = 263;
constexpr MMRESULT MMIOERR_CANNOTEXPAND = 264;
constexpr MMRESULT MMIOERR_CHUNKNOTFOUND = 265;
constexpr MMRESULT MMIOERR_UNBUFFERED = 266;
constexpr MMRESULT MMIOERR_PATHNOTFOUND = 267;
constexpr MMRESULT MMIOERR_ACCESSDENIED = 268;
constexpr MMRESULT MMIOERR_SHARINGVIOLATION = 269;
constexpr MMRESULT MMIOERR_NETWORKERROR = 270;
constexpr MMRESULT MMIOERR_TOOMANYOPENFILES = 271;
constexpr MMRESULT MMIOERR_INVALIDFILE = 272;
// Of this program's own: a 64-bit form whose "ds64" chunk is missing or damaged.
constexpr MMRESULT MMIOERR_BADSIZES = 0x1101;

// mmioOpen flags.
constexpr uint32_t MMIO_READ = 0x0;
constexpr uint32_t MMIO_WRITE = 0x1;
constexpr uint32_t MMIO_READWRITE = 0x2;
constexpr uint32_t MMIO_CREATE = 0x1000;
constexpr uint32_t MMIO_ALLOCBUF = 0x10000;
// mmioDescend flags.
constexpr uint32_t MMIO_FINDCHUNK = 0x10;
constexpr uint32_t MMIO_FINDRIFF = 0x20;
constexpr uint32_t MMIO_FINDLIST = 0x40;
// With MMIO_FINDRIFF: an "RF64" or "BW64" form matches too, and its "ds64"
// sizes are kept for the descents that follow in the same file.
constexpr uint32_t MMIO_ALLOW64 = 0x80;
// mmioCreateChunk flags.
constexpr uint32_t MMIO_CREATERIFF = 0x20;
constexpr uint32_t MMIO_CREATELIST = 0x40;
// MMCKINFO::dwFlags: the chunk was created here and its size is fixed on ascent.
constexpr uint32_t MMIO_DIRTY = 0x10000000;

// Chunk descriptor. dwDataOffset is the file offset of the chunk's data, i.e. just
// past the size field; for RIFF and LIST chunks the data starts with fccType.
struct MMCKINFO {
    FOURCC ckid = 0;
    uint64_t cksize = 0;  // wider than 32 bits only for a 64-bit form's sizes
    FOURCC fccType = 0;
    int64_t dwDataOffset = 0;
    uint32_t dwFlags = 0;
};

// Only the error slot of the original info block is carried: mmioOpen puts the
// reason of a failed open there.
struct MMIOINFO {
    MMRESULT wErrorRet = 0;
};

class MmioFile;
using HMMIO = MmioFile*;

// Opens path. MMIO_READ, MMIO_WRITE or MMIO_READWRITE, optionally with MMIO_CREATE
// (create or truncate). Returns nullptr on failure, with the reason in info.
HMMIO mmioOpen(const std::string& path, MMIOINFO* info, uint32_t flags);
// Flushes and closes. MMIOERR_CANNOTWRITE when buffered data could not be written.
MMRESULT mmioClose(HMMIO h, uint32_t flags = 0);
// Byte counts moved, fewer at the end of the file, or -1 on an error.
int64_t mmioRead(HMMIO h, void* buffer, int64_t count);
int64_t mmioWrite(HMMIO h, const void* buffer, int64_t count);
// origin: SEEK_SET, SEEK_CUR or SEEK_END. The new position, or -1.
int64_t mmioSeek(HMMIO h, int64_t offset, int origin);
// The open file's descriptor, for positioned reads and mappings beside the
// buffered calls (which they neither move nor see); -1 for a null handle.
int mmioDescriptor(HMMIO h);

// Copies up to count bytes of source, from its byte offset from (source's own
// position is left alone), to h at its position, inside the kernel
// (copy_file_range: no trip through the program's memory), and moves h past
// them. Returns the bytes copied: fewer than count at the end of the source,
// or when an error came after some bytes (the next call reports it); 0 at the
// end of the source, or for a file whose bytes the kernel cannot tell (read to
// be sure); -1 on an error, with errno set; MMIO_COPY_REFUSED when the file
// systems do not copy in the kernel and nothing was copied (copy through
// memory instead).
constexpr int64_t MMIO_COPY_REFUSED = -2;
int64_t mmioCopyRange(HMMIO h, HMMIO source, int64_t from, int64_t count);

// The kernel call mmioCopyRange makes, copy_file_range(2) with its arguments;
// tests put a stand-in in its place (a file system that refuses, a short
// copy). Null puts the kernel's back.
using CopyRangeCall = int64_t (*)(int inFd, int64_t* inOffset, int outFd, int64_t* outOffset, std::size_t length,
                                  unsigned flags);
void mmioSetCopyRangeCall(CopyRangeCall call);

// Descends into the chunk at the current position, or with MMIO_FINDCHUNK /
// MMIO_FINDRIFF / MMIO_FINDLIST searches forward for ck->ckid (or a RIFF/LIST
// chunk of form type ck->fccType), skipping other chunks with their pad byte.
// The search stays inside parent when one is given. MMIOERR_CHUNKNOTFOUND when
// the end of the parent or the file is reached first; MMIOERR_BADSIZES for a
// 64-bit form (MMIO_ALLOW64) without a sound "ds64" chunk.
MMRESULT mmioDescend(HMMIO h, MMCKINFO* ck, const MMCKINFO* parent, uint32_t flags);
// Leaves ck: for a created chunk, writes its real size and a pad byte when odd;
// in every case positions the file after the (padded) chunk.
MMRESULT mmioAscend(HMMIO h, MMCKINFO* ck, uint32_t flags = 0);
// Writes a chunk header (and form type) at the current position, size ck->cksize
// as a placeholder, and marks ck dirty.
MMRESULT mmioCreateChunk(HMMIO h, MMCKINFO* ck, uint32_t flags);

struct MmioCloser {
    void operator()(HMMIO h) const { mmioClose(h); }
};
using UniqueHmmio = std::unique_ptr<MmioFile, MmioCloser>;

}  // namespace quillon::platform
