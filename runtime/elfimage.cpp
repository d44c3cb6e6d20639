// ELF reading for the loader. Both ELF classes are read through one normalised form; only
// the host's byte order (little-endian) is accepted, since only a host executable can carry
// an image for this engine.
#include "runtime/elfimage.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "vm/image.h"

namespace tarn::rt {

namespace {

const char* const kSelfExe = "/proc/self/exe";

// The fields of a section header that the loader needs.
struct Section {
    uint32_t name = 0;
    uint32_t type = 0;
    uint64_t offset = 0;
    uint64_t size = 0;
    uint32_t link = 0;
    uint32_t info = 0;
};

struct ElfLayout {
    uint64_t contentsEnd = 0;
    std::vector<Section> sections;
    uint32_t nameTable = 0;  // index of the section-name string table
};

// An open file with its size; reads never go past the end.
struct ElfFile {
    int fd = -1;
    uint64_t size = 0;

    bool ReadAt(uint64_t offset, void* buffer, uint64_t n) const {
        if (offset > size || n > size - offset) return false;
        auto* out = static_cast<uint8_t*>(buffer);
        while (n > 0) {
            ssize_t got = pread(fd, out, n, static_cast<off_t>(offset));
            if (got <= 0) return false;
            out += got;
            offset += static_cast<uint64_t>(got);
            n -= static_cast<uint64_t>(got);
        }
        return true;
    }
    // True when [offset, offset + n) lies inside the file.
    bool Holds(uint64_t offset, uint64_t n) const { return offset <= size && n <= size - offset; }
};

struct ElfHeader {
    uint64_t ehsize, phoff, shoff;
    uint32_t phentsize, phnum, shentsize, shnum, shstrndx;
};

template <class Ehdr>
ElfHeader HeaderOf(const Ehdr& e) {
    return {e.e_ehsize, e.e_phoff, e.e_shoff, e.e_phentsize, e.e_phnum, e.e_shentsize, e.e_shnum,
            e.e_shstrndx};
}

template <class Shdr>
Section SectionOf(const Shdr& s) {
    return {s.sh_name, s.sh_type, s.sh_offset, s.sh_size, s.sh_link, s.sh_info};
}

// One table of count entries of type T at offset, checked to lie inside the file.
template <class T>
bool ReadTable(const ElfFile& f, uint64_t offset, uint64_t entsize, uint64_t count, std::vector<T>& out) {
    if (entsize != sizeof(T) || count > f.size / sizeof(T) || !f.Holds(offset, count * sizeof(T))) return false;
    out.resize(count);
    return f.ReadAt(offset, out.data(), count * sizeof(T));
}

// Reads the headers of one ELF class and checks every extent against the file.
template <class Ehdr, class Shdr, class Phdr>
bool ParseClass(const ElfFile& f, ElfLayout& layout) {
    Ehdr e;
    if (!f.ReadAt(0, &e, sizeof e)) return false;
    ElfHeader h = HeaderOf(e);
    if (h.ehsize != sizeof(Ehdr) || h.shoff == 0) return false;
    // Extended numbering: counts that do not fit the header live in section 0.
    Shdr first;
    if (h.shentsize != sizeof(Shdr) || !f.ReadAt(h.shoff, &first, sizeof first)) return false;
    uint64_t shnum = h.shnum != 0 ? h.shnum : first.sh_size;
    uint64_t phnum = h.phnum != PN_XNUM ? h.phnum : first.sh_info;
    layout.nameTable = h.shstrndx != SHN_XINDEX ? h.shstrndx : first.sh_link;
    if (shnum == 0) return false;

    std::vector<Shdr> shdrs;
    std::vector<Phdr> phdrs;
    if (!ReadTable(f, h.shoff, h.shentsize, shnum, shdrs)) return false;
    if (phnum > 0 && !ReadTable(f, h.phoff, h.phentsize, phnum, phdrs)) return false;

    uint64_t end = std::max<uint64_t>(h.ehsize, h.shoff + shnum * sizeof(Shdr));
    if (phnum > 0) end = std::max<uint64_t>(end, h.phoff + phnum * sizeof(Phdr));
    for (const Shdr& s : shdrs) {
        layout.sections.push_back(SectionOf(s));
        if (s.sh_type == SHT_NOBITS) continue;  // no bytes in the file
        if (!f.Holds(s.sh_offset, s.sh_size)) return false;
        end = std::max<uint64_t>(end, s.sh_offset + s.sh_size);
    }
    for (const Phdr& p : phdrs) {
        if (!f.Holds(p.p_offset, p.p_filesz)) return false;
        end = std::max<uint64_t>(end, p.p_offset + p.p_filesz);
    }
    layout.contentsEnd = end;
    return true;
}

bool ParseElf(const ElfFile& f, ElfLayout& layout) {
    unsigned char ident[EI_NIDENT];
    if (!f.ReadAt(0, ident, sizeof ident)) return false;
    if (std::memcmp(ident, ELFMAG, SELFMAG) != 0) return false;
    if (ident[EI_DATA] != ELFDATA2LSB || ident[EI_VERSION] != EV_CURRENT) return false;
    switch (ident[EI_CLASS]) {
    case ELFCLASS64: return ParseClass<Elf64_Ehdr, Elf64_Shdr, Elf64_Phdr>(f, layout);
    case ELFCLASS32: return ParseClass<Elf32_Ehdr, Elf32_Shdr, Elf32_Phdr>(f, layout);
    default: return false;
    }
}

// Parses an open file; only regular files qualify (a pipe or device has no layout).
bool LoadLayout(ElfFile& f, ElfLayout& layout) {
    struct stat st;
    if (f.fd < 0 || fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    f.size = static_cast<uint64_t>(st.st_size);
    return ParseElf(f, layout);
}

struct OpenFile {
    ElfFile file;
    explicit OpenFile(const char* name) { file.fd = open(name, O_RDONLY | O_CLOEXEC); }
    ~OpenFile() {
        if (file.fd >= 0) close(file.fd);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
};

// The name of section s, when it lies inside the name table; empty otherwise.
std::string_view SectionName(const std::vector<char>& names, const Section& s) {
    if (s.name >= names.size()) return {};
    const char* p = names.data() + s.name;
    return {p, strnlen(p, names.size() - s.name)};
}

}  // namespace

bool IsElfFile(const char* fileName) {
    if (fileName == nullptr) return false;
    OpenFile f(fileName);
    unsigned char magic[SELFMAG];
    return f.file.fd >= 0 && read(f.file.fd, magic, SELFMAG) == SELFMAG &&
           std::memcmp(magic, ELFMAG, SELFMAG) == 0;
}

uint32_t ElfContentsEnd(const char* fileName) {
    if (fileName == nullptr) return 0;
    OpenFile f(fileName);
    ElfLayout layout;
    if (!LoadLayout(f.file, layout)) return 0;
    return layout.contentsEnd <= UINT32_MAX ? static_cast<uint32_t>(layout.contentsEnd) : 0;
}

bool FindImageSection(const char* fileName, SectionExtent& extent) {
    if (fileName == nullptr) fileName = kSelfExe;
    OpenFile f(fileName);
    ElfLayout layout;
    if (!LoadLayout(f.file, layout)) return false;
    if (layout.nameTable >= layout.sections.size()) return false;
    const Section& table = layout.sections[layout.nameTable];
    if (table.type == SHT_NOBITS) return false;
    std::vector<char> names(table.size);
    if (!f.file.ReadAt(table.offset, names.data(), table.size)) return false;
    for (const Section& s : layout.sections) {
        if (s.type == SHT_NOBITS || s.size == 0) continue;
        if (SectionName(names, s) == vm::kImageSectionName) {
            extent = {s.offset, s.size};
            return true;
        }
    }
    return false;
}

}  // namespace tarn::rt
