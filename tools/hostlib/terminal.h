// Whether a stream goes to a terminal (progress bars only draw there).
#pragma once

#include <cstdio>

namespace sorrel::tool {

bool isTerminal(std::FILE *stream);

} // namespace sorrel::tool
