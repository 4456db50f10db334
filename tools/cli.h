// Command-line plumbing shared by the sorrel-host subcommands.
#pragma once

#include "tools/hostlib/plugin.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace sorrel::tool {

enum ExitCode { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

struct OptionSpec {
    const char *name; // without the leading dashes
    bool takesValue;
};

class Args {
  public:
    // Parses argv[first..argc-1]: "--name value", "--name=value", flags, and
    // positional arguments ("--" ends the options). Unknown options are an
    // error.
    bool parse(int argc, char **argv, int first, const std::vector<OptionSpec> &specs, std::string &error);

    const std::vector<std::string> &positional() const { return positionalArgs; }
    bool has(const std::string &name) const;
    std::string value(const std::string &name, const std::string &fallback = {}) const; // the last one given
    std::vector<std::string> values(const std::string &name) const;

  private:
    std::vector<std::string> positionalArgs;
    std::vector<std::pair<std::string, std::string>> options;
};

bool parseInt(const std::string &text, long long lo, long long hi, long long &out);
bool parseDouble(const std::string &text, double &out);

// Options every subcommand that loads a plug-in understands.
extern const std::vector<OptionSpec> kSettingOptions;
extern const char *const kSettingHelp;

struct Settings {
    float rate = 44100.0f;
    VstInt32 block = 512;
    std::string preset;
    long long program = -1;
    std::vector<std::pair<std::string, float>> sets; // NAME|INDEX, value
};

// Reads --rate, --block, --preset, --program and --set; false and a
// message when one of them is malformed.
bool readSettings(const Args &args, Settings &settings, std::string &error);

// Loads the plug-in, sets sample rate and block size, then applies the
// preset, the program and the parameter values, in that order. The
// instance stays suspended. Null and a message on failure.
std::unique_ptr<Plugin> openPlugin(const std::string &path, const Settings &settings, std::string &error);

// Error output: "sorrel-host: message" on standard error.
int fail(const std::string &message, int code = kExitFailure);
int usageError(const std::string &command, const std::string &message);

// The start the subcommands share: parses argv[2..] against `options` (the
// setting options as well where withSettings) and answers --help with
// `help` (and the settings' help). False when the command ends here, with
// its exit code in `exitCode`.
bool startCommand(const char *name, int argc, char **argv, const std::vector<OptionSpec> &options,
                  bool withSettings, const char *help, Args &args, int &exitCode);

// A progress bar on standard error, drawn only when it is a terminal.
class ProgressBar {
  public:
    explicit ProgressBar(const char *inLabel);
    ~ProgressBar();
    void update(size_t done, size_t total);

  private:
    const char *label;
    bool enabled;
    int lastShown = -1;
};

int cmdInfo(int argc, char **argv);
int cmdRender(int argc, char **argv);
int cmdResponse(int argc, char **argv);
int cmdBench(int argc, char **argv);
int cmdPreset(int argc, char **argv);
int cmdGui(int argc, char **argv);

} // namespace sorrel::tool
