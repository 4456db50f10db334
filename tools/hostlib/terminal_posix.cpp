#include "tools/hostlib/terminal.h"

#include <unistd.h>

namespace sorrelhost {

bool isTerminal(std::FILE *stream) {
    return isatty(fileno(stream)) != 0;
}

} // namespace sorrelhost
