// sorrel-host: a command-line host for VST 2.4 plug-ins.
#include "tools/cli.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <new>

namespace {

const char *const kUsage =
    "usage: sorrel-host COMMAND [options]\n"
    "\n"
    "Loads a VST 2.4 plug-in (a .so on Linux, a .dll on Windows) and drives it.\n"
    "\n"
    "Commands:\n"
    "  info PLUGIN                 identity, flags, channels, parameters and programs\n"
    "  render PLUGIN IN OUT        run an audio file through the plug-in\n"
    "  response PLUGIN             magnitude response as CSV and a PNG plot\n"
    "  bench PLUGIN [PLUGIN...]    processing time per stereo frame, compared\n"
    "  preset save PLUGIN FILE     write the current program (.fxp) or the bank (.fxb)\n"
    "  preset load PLUGIN FILE     load a program or bank file and show the result\n"
    "  gui PLUGIN                  the plug-in's editor in a window, with audio running\n"
    "\n"
    "Run 'sorrel-host COMMAND --help' for the options of a command.\n"
    "Exit status: 0 success, 1 failure, 2 wrong usage.\n";

int run(int argc, char **argv) {
    using namespace sorrel::tool;
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    const char *cmd = argv[1];
    if (!std::strcmp(cmd, "--help") || !std::strcmp(cmd, "-h") || !std::strcmp(cmd, "help")) {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    static const struct {
        const char *name;
        int (*run)(int, char **);
    } commands[] = {{"info", cmdInfo},   {"render", cmdRender}, {"response", cmdResponse},
                    {"bench", cmdBench}, {"preset", cmdPreset}, {"gui", cmdGui}};
    for (const auto &command : commands)
        if (!std::strcmp(cmd, command.name))
            return command.run(argc, argv);
    std::fprintf(stderr, "sorrel-host: unknown command '%s'\n\n%s", cmd, kUsage);
    return kExitUsage;
}

} // namespace

int main(int argc, char **argv) {
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc &) {
        return sorrel::tool::fail("out of memory");
    } catch (const std::exception &e) {
        return sorrel::tool::fail(std::string("internal error: ") + e.what());
    }
}
