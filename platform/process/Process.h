#pragma once

#include <string>
#include <vector>

namespace platform {

// The running program's file path (Shift_JIS, file-name bytes it cannot hold
// escaped as the file layer does), from /proc/self/exe.
std::string ExecutablePath();
// Its file name without folder and extension: "plyx", "headlines".
std::string ExecutableBaseName();

// The current process's command-line arguments, the program excluded.
std::vector<std::string> CommandLineArguments();

// Starts program (Shift_JIS path) with the arguments in workingFolder and
// does not wait for it. False when it cannot be started.
bool StartProcess(const std::string& program, const std::vector<std::string>& arguments,
                  const std::string& workingFolder);

// Hands the memory the allocator holds free back to the system. After a
// burst of work (an update's downloads and page reading, on worker threads
// with pools of their own) it would otherwise stay with the process.
void ReturnFreeMemory();

} // namespace platform

namespace platform {

// A loaded shared library (dlopen), unloaded with the object.
class Library {
public:
    // Shift_JIS path. Loaded() tells whether it loaded; Error() why not. Only
    // a regular ELF file for this machine whose segments lie within it is
    // handed to the dynamic loader.
    explicit Library(const std::string& path);
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool Loaded() const { return handle_ != nullptr; }
    // Gives up the library without unloading it: whoever takes the handle
    // unloads it with Unload (the plug-ins hand their engine on this way).
    void* Release() {
        void* handle = handle_;
        handle_ = nullptr;
        return handle;
    }
    static void Unload(void* handle);
    const std::string& Error() const { return error_; }
    void* Symbol(const char* name) const;

private:
    void* handle_ = nullptr;
    std::string error_;
};

} // namespace platform
