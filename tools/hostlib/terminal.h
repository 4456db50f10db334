// Whether a stream goes to a terminal (progress bars only draw there).
#pragma once

#include <cstdio>

namespace sorrelhost {

bool isTerminal(std::FILE *stream);

} // namespace sorrelhost
