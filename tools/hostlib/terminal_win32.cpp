#include "tools/hostlib/terminal.h"

#include <io.h>

namespace sorrelhost {

bool isTerminal(std::FILE *stream) {
    return _isatty(_fileno(stream)) != 0;
}

} // namespace sorrelhost
