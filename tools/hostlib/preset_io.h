// Moving preset files in and out of a plug-in instance.
#pragma once

#include "tools/hostlib/plugin.h"
#include "tools/hostlib/preset_file.h"

#include <string>
#include <vector>

namespace sorrel::tool {

// Loads a parsed preset into the instance: the chunk, or the names and
// values; a bank also selects its current program. Returns an empty string
// or the reason why the file does not fit this plug-in (nothing is changed
// then).
std::string applyPreset(Plugin &plugin, const PresetFile &file);

// Reads, parses and applies a file.
std::string applyPresetFile(Plugin &plugin, const std::string &path);

// The current program (bank = false) or the whole bank as file bytes, in
// the chunk form when the plug-in keeps its programs as chunks, else as
// parameter lists. Returns an empty string or the reason.
std::string capturePreset(Plugin &plugin, bool bank, std::vector<uint8_t> &bytes);

} // namespace sorrel::tool
