#include "platform/process/Process.h"

#include "platform/fs/FileSystem.h"
#include "platform/text/Cp932.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace platform {

std::string ExecutablePath() {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    return PathFromNative(std::string_view(buffer, static_cast<size_t>(n)));
}

std::string ExecutableBaseName() {
    std::string path = ExecutablePath();
    std::string name = path.substr(path.rfind('/') + 1);
    size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::vector<std::string> CommandLineArguments() {
    std::vector<std::string> args;
    FILE* f = std::fopen("/proc/self/cmdline", "rb");
    if (!f) return args;
    std::string current;
    bool first = true;
    for (int c; (c = std::fgetc(f)) != EOF;) {
        if (c != 0) {
            current += static_cast<char>(c);
            continue;
        }
        if (!first) args.push_back(Utf8ToSjis(current));
        first = false;
        current.clear();
    }
    std::fclose(f);
    return args;
}

bool StartProcess(const std::string& program, const std::vector<std::string>& arguments,
                  const std::string& workingFolder) {
    std::string path = NativePath(program);
    std::vector<std::string> native{path};
    for (const std::string& a : arguments)
        native.push_back(SjisToUtf8(a));
    std::vector<char*> argv;
    for (std::string& a : native)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    std::string folder = NativePath(workingFolder);
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid;
    int rc = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0;
}

void ReturnFreeMemory() {
    malloc_trim(0);
}

} // namespace platform

namespace platform {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// The ELF header of the object this code was linked into: libraries must
// match its class, byte order and machine.
const ElfW(Ehdr) * ownHeader() {
    Dl_info info;
    if (!::dladdr(reinterpret_cast<void*>(&ownHeader), &info) || !info.dli_fbase) return nullptr;
    auto* header = static_cast<const ElfW(Ehdr)*>(info.dli_fbase);
    return std::memcmp(header->e_ident, ELFMAG, SELFMAG) == 0 ? header : nullptr;
}

bool within(uint64_t offset, uint64_t length, uint64_t size) {
    return offset <= size && length <= size - offset;
}

// Why dlopen must not be given the file: it would block for ever on a FIFO,
// and a library cut short dies of SIGBUS in the dynamic loader when it maps
// the missing pages. Empty when it may be tried (dlopen tells the rest).
std::string unloadableReason(const std::string& nativePath) {
    Descriptor file(::open(nativePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.get() < 0) return {};
    struct stat st = {};
    if (::fstat(file.get(), &st) != 0) return std::strerror(errno);
    if (!S_ISREG(st.st_mode)) return "not a regular file";
    auto size = static_cast<uint64_t>(st.st_size);
    ElfW(Ehdr) header = {};
    ssize_t n = ::pread(file.get(), &header, sizeof header, 0);
    if (n < SELFMAG || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) return "no ELF library";
    if (n != static_cast<ssize_t>(sizeof header)) return "cut short";
    const ElfW(Ehdr)* own = ownHeader();
    if (header.e_ident[EI_CLASS] != (sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32) ||
        (own &&
         (header.e_ident[EI_DATA] != own->e_ident[EI_DATA] || header.e_machine != own->e_machine)))
        return "not built for this machine";
    if (header.e_phentsize != sizeof(ElfW(Phdr)) || header.e_phnum == 0) return "no ELF library";
    if (!within(header.e_phoff, uint64_t{header.e_phnum} * sizeof(ElfW(Phdr)), size))
        return "cut short";
    std::vector<ElfW(Phdr)> segments(header.e_phnum);
    auto bytes = static_cast<ssize_t>(segments.size() * sizeof(ElfW(Phdr)));
    if (::pread(file.get(), segments.data(), static_cast<size_t>(bytes),
                static_cast<off_t>(header.e_phoff)) != bytes)
        return "cut short";
    for (const ElfW(Phdr) & s : segments)
        if (s.p_type != PT_NULL && !within(s.p_offset, s.p_filesz, size)) return "cut short";
    return {};
}

} // namespace

Library::Library(const std::string& path) {
    std::string native = NativePath(path);
    if (std::string reason = unloadableReason(native); !reason.empty()) {
        error_ = native + ": " + reason;
        return;
    }
    handle_ = ::dlopen(native.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* e = ::dlerror();
        error_ = e ? e : "cannot load";
    }
}

Library::~Library() {
    if (handle_) ::dlclose(handle_);
}

void Library::Unload(void* handle) {
    if (handle) ::dlclose(handle);
}

void* Library::Symbol(const char* name) const {
    return handle_ ? ::dlsym(handle_, name) : nullptr;
}

} // namespace platform
