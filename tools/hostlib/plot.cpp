#include "tools/hostlib/plot.h"

namespace sorrelhost {

std::string writeResponsePlot(const std::string &path, const Response &, const std::string &) {
    return path + ": this build cannot draw plots yet";
}

} // namespace sorrelhost
