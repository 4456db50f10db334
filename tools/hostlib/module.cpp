#include "tools/hostlib/module.h"

#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace sorrelhost {

namespace {

#ifdef _WIN32
std::string lastWindowsError() {
    const DWORD code = GetLastError();
    char *text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<char *>(&text), 0, nullptr);
    std::string s = text ? text : ("error " + std::to_string(code));
    if (text)
        LocalFree(text);
    const size_t insert = s.find("%1");
    if (insert != std::string::npos)
        s.replace(insert, 2, "the file");
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' || s.back() == '.'))
        s.pop_back();
    return s;
}

void *openModule(const std::string &path, std::string &error) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    std::wstring wide(n > 0 ? static_cast<size_t>(n) : 1, L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, &wide[0], n);
    // No message box for a module that fails to load.
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE h = LoadLibraryW(wide.c_str());
    SetErrorMode(oldMode);
    if (!h)
        error = lastWindowsError();
    return reinterpret_cast<void *>(h);
}

void *findSymbol(void *module, const char *name) {
    return reinterpret_cast<void *>(GetProcAddress(reinterpret_cast<HMODULE>(module), name));
}

void closeModule(void *module) {
    FreeLibrary(reinterpret_cast<HMODULE>(module));
}
#else
void *openModule(const std::string &path, std::string &error) {
    // A bare file name would send dlopen searching the library path.
    const std::string where = path.find('/') == std::string::npos ? "./" + path : path;
    void *h = dlopen(where.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        const char *e = dlerror();
        error = e ? e : "unknown error";
    }
    return h;
}

void *findSymbol(void *module, const char *name) {
    return dlsym(module, name);
}

void closeModule(void *module) {
    dlclose(module);
}
#endif

} // namespace

Module::Module(const std::string &path) {
    handle_ = openModule(path, error_);
}

Module::~Module() {
    if (handle_)
        closeModule(handle_);
}

VSTPluginMainProc Module::entry(const char *name) const {
    void *found = handle_ ? findSymbol(handle_, name) : nullptr;
    VSTPluginMainProc proc = nullptr;
    static_assert(sizeof proc == sizeof found, "function and data pointers have one size");
    std::memcpy(&proc, &found, sizeof proc);
    return proc;
}

VSTPluginMainProc Module::entry() const {
    VSTPluginMainProc found = entry("VSTPluginMain");
    return found ? found : entry("main");
}

std::string nativePath(const std::string &path) {
#ifdef _WIN32
    std::string out = !path.empty() && path[0] == '/' ? "Z:" + path : path;
    for (char &c : out)
        if (c == '/')
            c = '\\';
    return out;
#else
    return path;
#endif
}

} // namespace sorrelhost
