#include "platform/Mmio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace quillon::platform {

// The sizes a 64-bit form's "ds64" chunk gives in place of 0xFFFFFFFF.
struct Ds64Sizes {
    uint64_t riff = 0;
    uint64_t data = 0;
    std::vector<std::pair<FOURCC, uint64_t>> table;  // other chunks, by id
};

class MmioFile {
public:
    explicit MmioFile(std::FILE* f) : file(f) {}
    std::FILE* file;
    std::optional<Ds64Sizes> ds64;
};

namespace {

MMRESULT OpenErrorFromErrno(int err) {
    switch (err) {
    case ENOENT: return MMIOERR_FILENOTFOUND;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return MMIOERR_PATHNOTFOUND;
    case EACCES:
    case EPERM:
    case EROFS: return MMIOERR_ACCESSDENIED;
    case EBUSY:
    case ETXTBSY:
    case EWOULDBLOCK: return MMIOERR_SHARINGVIOLATION;
    case EHOSTUNREACH:
    case ENETDOWN:
    case ENETUNREACH:
    case ETIMEDOUT:
    case ESTALE: return MMIOERR_NETWORKERROR;
    case EMFILE:
    case ENFILE: return MMIOERR_TOOMANYOPENFILES;
    case EISDIR: return MMIOERR_INVALIDFILE;
    case ENOMEM: return MMIOERR_OUTOFMEMORY;
    default: return MMIOERR_CANNOTOPEN;
    }
}

// The stream mode matching OpenFlagsFor; the file is already open and created.
const char* ModeFor(uint32_t flags) {
    if ((flags & 0x3) == MMIO_WRITE) return "wb";
    if ((flags & 0x3) == MMIO_READWRITE || (flags & MMIO_CREATE)) return "r+b";
    return "rb";
}

bool ReadExact(std::FILE* f, void* out, size_t n) { return std::fread(out, 1, n, f) == n; }

uint32_t LoadLe32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void StoreLe32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

int64_t PaddedEnd(const MMCKINFO& ck) { return ck.dwDataOffset + int64_t(ck.cksize) + int64_t(ck.cksize & 1); }

uint64_t LoadLe64(const unsigned char* p) { return uint64_t(LoadLe32(p)) | uint64_t(LoadLe32(p + 4)) << 32; }

constexpr uint32_t kSizeInDs64 = 0xFFFFFFFF;
// Far more table entries than any writer makes, and sizes far beyond any
// file: larger ones are damage (and would overflow the offsets they make).
constexpr uint32_t kMaxDs64Table = 1024;
constexpr uint64_t kMaxDs64Size = uint64_t(1) << 56;

// Reads the "ds64" chunk that must open a 64-bit form, at the current
// position (just past the form type), and leaves the position there.
std::optional<Ds64Sizes> ReadDs64(std::FILE* f) {
    const int64_t at = ftello(f);
    unsigned char head[8 + 28];
    if (at < 0 || !ReadExact(f, head, sizeof head) || LoadLe32(head) != FOURCC_DS64) return std::nullopt;
    const uint32_t size = LoadLe32(head + 4);
    const uint32_t entries = LoadLe32(head + 8 + 24);
    if (size < 28 || entries > kMaxDs64Table || uint64_t(size) < 28 + uint64_t(entries) * 12) return std::nullopt;
    Ds64Sizes sizes;
    sizes.riff = LoadLe64(head + 8);
    sizes.data = LoadLe64(head + 16);
    if (sizes.riff > kMaxDs64Size || sizes.data > kMaxDs64Size) return std::nullopt;
    for (uint32_t i = 0; i < entries; ++i) {
        unsigned char entry[12];
        if (!ReadExact(f, entry, sizeof entry) || LoadLe64(entry + 4) > kMaxDs64Size) return std::nullopt;
        sizes.table.emplace_back(LoadLe32(entry), LoadLe64(entry + 4));
    }
    if (fseeko(f, off_t(at), SEEK_SET) != 0) return std::nullopt;
    return sizes;
}

// The real size of a chunk whose 32-bit field says "see ds64".
uint64_t SizeFromDs64(const Ds64Sizes& sizes, FOURCC id) {
    if (id == mmioFOURCC('d', 'a', 't', 'a')) return sizes.data;
    for (const auto& [tableId, size] : sizes.table)
        if (tableId == id) return size;
    return kSizeInDs64;
}

bool WriteLe32(std::FILE* f, uint32_t v) {
    unsigned char b[4];
    StoreLe32(b, v);
    return std::fwrite(b, 1, 4, f) == 4;
}

}  // namespace

int OpenFlagsFor(uint32_t flags) {
    const bool create = (flags & MMIO_CREATE) != 0;
    int mode = O_RDONLY;
    if ((flags & 0x3) == MMIO_WRITE) mode = O_WRONLY;
    if ((flags & 0x3) == MMIO_READWRITE || (create && (flags & 0x3) == MMIO_READ)) mode = O_RDWR;
    // A file opened to be created is emptied after the open, and only when it
    // holds something (see mmioOpen).
    return mode | (create ? O_CREAT : 0) | O_CLOEXEC;
}

HMMIO mmioOpen(const std::string& path, MMIOINFO* info, uint32_t flags) {
    auto fail = [info](MMRESULT why) -> HMMIO {
        if (info) info->wErrorRet = why;
        return nullptr;
    };
    // Non-blocking, so that opening a FIFO cannot hang the caller; it is refused below.
    const int fd = open(path.c_str(), OpenFlagsFor(flags) | O_NONBLOCK, 0666);
    if (fd < 0) return fail(OpenErrorFromErrno(errno));
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return fail(MMIOERR_INVALIDFILE);
    }
    // Emptying a file that is already empty would be harmless, but ext4 takes
    // a truncation to zero as a rewrite in place and forces the new data to
    // disk at close, which makes writing many fresh files several times slower.
    if ((flags & MMIO_CREATE) && st.st_size > 0 && ftruncate(fd, 0) != 0) {
        const int err = errno;
        close(fd);
        return fail(OpenErrorFromErrno(err));
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* f = fdopen(fd, ModeFor(flags));
    if (!f) {
        close(fd);
        return fail(MMIOERR_OUTOFMEMORY);
    }
    if (info) info->wErrorRet = MMSYSERR_NOERROR;
    return new MmioFile(f);
}

MMRESULT mmioClose(HMMIO h, uint32_t) {
    if (!h) return MMSYSERR_NOERROR;
    const int rc = std::fclose(h->file);
    delete h;
    return rc == 0 ? MMSYSERR_NOERROR : MMIOERR_CANNOTWRITE;
}

int64_t mmioRead(HMMIO h, void* buffer, int64_t count) {
    if (!h || count < 0) return -1;
    const size_t got = std::fread(buffer, 1, size_t(count), h->file);
    if (got < size_t(count) && std::ferror(h->file)) return -1;
    return int64_t(got);
}

int64_t mmioWrite(HMMIO h, const void* buffer, int64_t count) {
    if (!h || count < 0) return -1;
    const size_t put = std::fwrite(buffer, 1, size_t(count), h->file);
    return put == size_t(count) ? int64_t(put) : -1;
}

int64_t mmioSeek(HMMIO h, int64_t offset, int origin) {
    if (!h) return -1;
    if (fseeko(h->file, off_t(offset), origin) != 0) return -1;
    return int64_t(ftello(h->file));
}

namespace {

int64_t KernelCopyRange(int inFd, int64_t* inOffset, int outFd, int64_t* outOffset, std::size_t length,
                        unsigned flags) {
    static_assert(sizeof(off_t) == sizeof(int64_t));
    return int64_t(copy_file_range(inFd, reinterpret_cast<off_t*>(inOffset), outFd, reinterpret_cast<off_t*>(outOffset),
                                   length, flags));
}

std::atomic<CopyRangeCall> gCopyRange{&KernelCopyRange};

// The answers of a kernel that will not copy between these files (another
// file system, a file system without the call, a special file, a sandbox
// that forbids the call): the bytes can still be copied through memory, and
// where that fails too it says why.
bool CopyRefused(int error) {
    switch (error) {
    case EXDEV:
    case EINVAL:
    case EOPNOTSUPP:
    case ENOSYS:
    case EPERM:
    case EBADF: return true;
    default: return false;
    }
}

}  // namespace

void mmioSetCopyRangeCall(CopyRangeCall call) { gCopyRange.store(call != nullptr ? call : &KernelCopyRange); }

int64_t mmioCopyRange(HMMIO h, HMMIO source, int64_t from, int64_t count) {
    if (!h || !source || from < 0 || count < 0) {
        errno = EINVAL;
        return -1;
    }
    // What the stream holds goes out first; the copy then writes at the
    // stream's position, and the stream is moved past it.
    if (std::fflush(h->file) != 0) return -1;
    int64_t at = ftello(h->file);
    if (at < 0) return -1;
    const CopyRangeCall call = gCopyRange.load();
    int64_t done = 0;
    while (done < count) {
        int64_t in = from + done;
        const int64_t n = call(fileno(source->file), &in, fileno(h->file), &at, std::size_t(count - done), 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && done == 0) return CopyRefused(errno) ? MMIO_COPY_REFUSED : -1;
        if (n <= 0) break;  // the end of the source, or an error the next call reports
        done += n;
    }
    if (done > 0 && fseeko(h->file, off_t(at), SEEK_SET) != 0) return -1;
    return done;
}

int mmioDescriptor(HMMIO h) { return h ? fileno(h->file) : -1; }

MMRESULT mmioDescend(HMMIO h, MMCKINFO* ck, const MMCKINFO* parent, uint32_t flags) {
    if (!h || !ck) return MMIOERR_CHUNKNOTFOUND;
    const int64_t parentEnd = parent ? parent->dwDataOffset + int64_t(parent->cksize) : INT64_MAX;
    const FOURCC wantId = (flags & MMIO_FINDRIFF) ? FOURCC_RIFF : (flags & MMIO_FINDLIST) ? FOURCC_LIST : ck->ckid;
    const bool wantForm = (flags & (MMIO_FINDRIFF | MMIO_FINDLIST)) != 0;
    const bool searching = (flags & (MMIO_FINDCHUNK | MMIO_FINDRIFF | MMIO_FINDLIST)) != 0;
    const bool allow64 = (flags & MMIO_FINDRIFF) && (flags & MMIO_ALLOW64);
    const FOURCC wantType = ck->fccType;

    for (;;) {
        const int64_t at = ftello(h->file);
        if (at < 0) return MMIOERR_CANNOTSEEK;
        if (at + 8 > parentEnd) return MMIOERR_CHUNKNOTFOUND;
        unsigned char head[8];
        if (!ReadExact(h->file, head, 8)) return MMIOERR_CHUNKNOTFOUND;
        MMCKINFO found;
        found.ckid = LoadLe32(head);
        found.cksize = LoadLe32(head + 4);
        found.dwDataOffset = at + 8;
        const bool is64 = allow64 && (found.ckid == FOURCC_RF64 || found.ckid == FOURCC_BW64);
        const bool isForm = found.ckid == FOURCC_RIFF || found.ckid == FOURCC_LIST || is64;
        if (isForm) {
            unsigned char type[4];
            if (!ReadExact(h->file, type, 4)) return MMIOERR_CHUNKNOTFOUND;
            found.fccType = LoadLe32(type);
        }
        if (found.cksize == kSizeInDs64 && h->ds64) found.cksize = SizeFromDs64(*h->ds64, found.ckid);
        const FOURCC id = is64 ? FOURCC_RIFF : found.ckid;
        const bool match = !searching || (id == wantId && (!wantForm || found.fccType == wantType));
        if (match && is64) {
            h->ds64 = ReadDs64(h->file);
            if (!h->ds64) return MMIOERR_BADSIZES;
            if (found.cksize == kSizeInDs64) found.cksize = h->ds64->riff;
        }
        if (match) {
            *ck = found;
            return MMSYSERR_NOERROR;
        }
        if (fseeko(h->file, off_t(PaddedEnd(found)), SEEK_SET) != 0) return MMIOERR_CHUNKNOTFOUND;
    }
}

MMRESULT mmioAscend(HMMIO h, MMCKINFO* ck, uint32_t) {
    if (!h || !ck) return MMIOERR_CANNOTSEEK;
    if (ck->dwFlags & MMIO_DIRTY) {
        const int64_t end = ftello(h->file);
        if (end < ck->dwDataOffset) return MMIOERR_CANNOTSEEK;
        const int64_t size = end - ck->dwDataOffset;
        if (size > int64_t(UINT32_MAX)) return MMIOERR_CANNOTEXPAND;
        if (uint64_t(size) != ck->cksize) {
            if (fseeko(h->file, off_t(ck->dwDataOffset - 4), SEEK_SET) != 0) return MMIOERR_CANNOTSEEK;
            if (!WriteLe32(h->file, uint32_t(size))) return MMIOERR_CANNOTWRITE;
            if (fseeko(h->file, off_t(end), SEEK_SET) != 0) return MMIOERR_CANNOTSEEK;
            ck->cksize = uint32_t(size);
        }
        if (size & 1) {
            const unsigned char pad = 0;
            if (std::fwrite(&pad, 1, 1, h->file) != 1) return MMIOERR_CANNOTWRITE;
        }
        ck->dwFlags &= ~MMIO_DIRTY;
        return MMSYSERR_NOERROR;
    }
    return fseeko(h->file, off_t(PaddedEnd(*ck)), SEEK_SET) == 0 ? MMSYSERR_NOERROR : MMIOERR_CANNOTSEEK;
}

MMRESULT mmioCreateChunk(HMMIO h, MMCKINFO* ck, uint32_t flags) {
    if (!h || !ck) return MMIOERR_CANNOTWRITE;
    const int64_t at = ftello(h->file);
    if (at < 0) return MMIOERR_CANNOTSEEK;
    if (flags & MMIO_CREATERIFF) ck->ckid = FOURCC_RIFF;
    if (flags & MMIO_CREATELIST) ck->ckid = FOURCC_LIST;
    if (!WriteLe32(h->file, ck->ckid) || !WriteLe32(h->file, ck->cksize)) return MMIOERR_CANNOTWRITE;
    if ((flags & (MMIO_CREATERIFF | MMIO_CREATELIST)) && !WriteLe32(h->file, ck->fccType)) return MMIOERR_CANNOTWRITE;
    ck->dwDataOffset = at + 8;
    ck->dwFlags = MMIO_DIRTY;
    return MMSYSERR_NOERROR;
}

}  // namespace quillon::platform
