#include "ocr_loader/module_file.h"

#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

namespace leggipdf {
namespace {

using Header = ElfW(Ehdr);
using Segment = ElfW(Phdr);

bool readAt(int file, void* into, std::size_t size, std::uint64_t offset) {
    return pread(file, into, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
}

// The program's own header, which a module of this build matches.
bool ownHeader(Header& header) {
    const int file = open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
    const bool read = file >= 0 && readAt(file, &header, sizeof header, 0);
    if (file >= 0) close(file);
    return read;
}

bool isWholeModule(int file, std::uint64_t size) {
    Header header, own;
    if (!readAt(file, &header, sizeof header, 0) || !ownHeader(own)) return false;
    // Magic, class, byte order and ELF version.
    if (std::memcmp(header.e_ident, own.e_ident, EI_VERSION + 1) != 0 || header.e_machine != own.e_machine ||
        header.e_type != ET_DYN || header.e_phentsize != sizeof(Segment) || header.e_phoff > size ||
        header.e_phnum * sizeof(Segment) > size - header.e_phoff) {
        return false;
    }
    for (std::uint64_t i = 0; i < header.e_phnum; ++i) {
        Segment segment;
        if (!readAt(file, &segment, sizeof segment, header.e_phoff + i * sizeof segment)) return false;
        if (segment.p_type != PT_LOAD) continue;
        if (segment.p_offset > size || segment.p_filesz > size - segment.p_offset) return false;
    }
    return true;
}

}  // namespace

std::string moduleFileFlaw(const std::filesystem::path& path) {
    // Not blocking: a FIFO put in the module's place is refused, not waited on.
    const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (file < 0) return {};
    struct stat status = {};
    const bool whole = fstat(file, &status) == 0 && isWholeModule(file, static_cast<std::uint64_t>(status.st_size));
    close(file);
    return whole ? std::string() : path.string() + ": not a whole shared object for this machine";
}

}  // namespace leggipdf
