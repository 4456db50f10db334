// sorrel-host info: what a plug-in says about itself.
#include "tools/cli.h"
#include "tools/hostlib/preset_file.h"

#include <cstdio>

namespace sorrel::tool {

namespace {

const char *const kHelp = "usage: sorrel-host info PLUGIN [options]\n"
                          "\n"
                          "Prints the plug-in's identity, flags, channels, every parameter (index,\n"
                          "name, label, normalised value, display text) and every program name.\n"
                          "\n";

} // namespace

int cmdInfo(int argc, char **argv) {
    Args args;
    if (int code = kExitOk; !startCommand("info", argc, argv, {}, true, kHelp, args, code))
        return code;
    std::string error;
    if (args.positional().size() != 1)
        return usageError("info", "info takes one plug-in");
    Settings settings;
    if (!readSettings(args, settings, error))
        return usageError("info", error);
    std::unique_ptr<Plugin> p = openPlugin(args.positional()[0], settings, error);
    if (!p)
        return fail(error);

    const VstInt32 category = p->category();
    std::printf("Plug-in     %s\n", p->path().c_str());
    std::printf("Name        %s\n", p->effectName().c_str());
    std::printf("Vendor      %s\n", p->vendorString().c_str());
    std::printf("Product     %s\n", p->productString().c_str());
    std::printf("Version     %d (vendor), %d (record), VST %d\n", p->vendorVersion(), p->version(),
                p->vstVersion());
    std::printf("Unique ID   '%s' (0x%08X)\n", fourCharText(p->uniqueId()).c_str(),
                static_cast<unsigned>(p->uniqueId()));
    std::printf("Category    %d (%s)\n", category, categoryName(category));
    std::printf("Flags       %d (%s)\n", p->flags(), flagNames(p->flags()).c_str());
    std::printf("Inputs      %d\n", p->numInputs());
    std::printf("Outputs     %d\n", p->numOutputs());
    std::printf("Latency     %d samples\n", p->initialDelay());

    std::printf("\nParameters  %d\n", p->numParams());
    if (p->numParams() > 0)
        std::printf("  %5s  %-20s %-8s %9s  %s\n", "index", "name", "label", "value", "display");
    for (VstInt32 i = 0; i < p->numParams(); ++i)
        std::printf("  %5d  %-20s %-8s %9.6f  %s\n", i, p->paramName(i).c_str(), p->paramLabel(i).c_str(),
                    static_cast<double>(p->getParameter(i)), p->paramDisplay(i).c_str());

    const VstInt32 current = p->program();
    std::printf("\nPrograms    %d (current %d)\n", p->numPrograms(), current);
    for (VstInt32 i = 0; i < p->numPrograms(); ++i)
        std::printf("  %5d%s %s\n", i, i == current ? "*" : " ", p->programNameAt(i).c_str());
    return kExitOk;
}

} // namespace sorrel::tool
