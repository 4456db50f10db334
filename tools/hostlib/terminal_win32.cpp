#include "tools/hostlib/terminal.h"

#include <io.h>

namespace sorrel::tool {

bool isTerminal(std::FILE *stream) {
    return _isatty(_fileno(stream)) != 0;
}

} // namespace sorrel::tool
