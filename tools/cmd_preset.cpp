// sorrel-host preset save|load: standard program and bank files.
#include "tools/cli.h"
#include "tools/hostlib/audio.h"
#include "tools/hostlib/preset_io.h"

#include <cstdio>
#include <cstring>

namespace sorrel::tool {

namespace {

const char *const kHelp = "usage: sorrel-host preset save PLUGIN FILE [options]\n"
                          "       sorrel-host preset load PLUGIN FILE [options]\n"
                          "\n"
                          "save writes the current program as a program file, or with --bank (or a\n"
                          "FILE ending in .fxb) all programs as a bank file, after the settings below\n"
                          "are applied. Plug-ins that keep their programs as chunks get the chunk\n"
                          "forms, others the parameter-list forms.\n"
                          "\n"
                          "load reads FILE (.fxp or .fxb, either form) into a fresh instance, checks\n"
                          "that it belongs to this plug-in and is complete, and prints the program\n"
                          "then selected with its parameters.\n"
                          "\n"
                          "Options:\n"
                          "  --bank                    save: write a bank file whatever FILE's name\n"
                          "  --name TEXT               save: rename the current program first\n"
                          "  --save FILE               load: afterwards write the current program (.fxp)\n"
                          "                            or the bank (.fxb) to FILE\n"
                          "\n";

bool endsWith(const std::string &s, const char *suffix) {
    const size_t n = std::strlen(suffix);
    if (s.size() < n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - n + i])) != suffix[i])
            return false;
    return true;
}

int save(Plugin &p, const std::string &path, bool bank) {
    std::vector<uint8_t> bytes;
    std::string error = capturePreset(p, bank, bytes);
    if (error.empty())
        writeFileBytes(path, bytes, error);
    if (!error.empty())
        return fail(error);
    return kExitOk;
}

} // namespace

int cmdPreset(int argc, char **argv) {
    Args args;
    if (int code = kExitOk; !startCommand(
            "preset", argc, argv, {{"bank", false}, {"name", true}, {"save", true}}, true, kHelp, args, code))
        return code;
    const std::vector<std::string> &pos = args.positional();
    if (pos.size() != 3 || (pos[0] != "save" && pos[0] != "load"))
        return usageError("preset", "preset takes save or load, a plug-in and a file");
    const bool saving = pos[0] == "save";
    const std::string &file = pos[2];
    if (saving && args.has("save"))
        return usageError("preset", "--save belongs to preset load");
    if (!saving && (args.has("bank") || args.has("name")))
        return usageError("preset", "--bank and --name belong to preset save");

    Settings settings;
    std::string error;
    if (!readSettings(args, settings, error))
        return usageError("preset", error);
    if (!saving) {
        if (!settings.preset.empty())
            return usageError("preset", "preset load takes its file as an argument, not --preset");
        settings.preset = file;
    }
    std::unique_ptr<Plugin> p = openPlugin(pos[1], settings, error);
    if (!p)
        return fail(error);

    if (saving) {
        if (args.has("name"))
            p->setProgramName(args.value("name"));
        return save(*p, file, args.has("bank") || endsWith(file, ".fxb"));
    }

    std::printf("Loaded %s into %s\n", file.c_str(), p->effectName().c_str());
    std::printf("Program %d: %s\n", p->program(), p->programName().c_str());
    for (VstInt32 i = 0; i < p->numParams(); ++i)
        std::printf("  %5d  %-20s %9.6f  %s %s\n", i, p->paramName(i).c_str(),
                    static_cast<double>(p->getParameter(i)), p->paramDisplay(i).c_str(),
                    p->paramLabel(i).c_str());
    if (args.has("save")) {
        const std::string out = args.value("save");
        return save(*p, out, endsWith(out, ".fxb"));
    }
    return kExitOk;
}

} // namespace sorrel::tool
