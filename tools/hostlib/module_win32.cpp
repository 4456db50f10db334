// Opening plug-in modules on Windows.
#include "tools/hostlib/module.h"

#include <windows.h>

namespace sorrel::tool {

namespace {

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

} // namespace

namespace moduleio {

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

} // namespace moduleio

std::string nativePath(const std::string &path) {
    std::string out = !path.empty() && path[0] == '/' ? "Z:" + path : path;
    for (char &c : out)
        if (c == '/')
            c = '\\';
    return out;
}

} // namespace sorrel::tool
