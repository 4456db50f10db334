#include "tools/hostlib/terminal.h"

#include <unistd.h>

namespace sorrel::tool {

bool isTerminal(std::FILE *stream) {
    return isatty(fileno(stream)) != 0;
}

} // namespace sorrel::tool
