// Writes the bundle's Turtle from the parameter table and the factory
// presets: manifest.ttl, sorrel.ttl (plug-in and UI) and presets.ttl.
// Runs at build time, so the description cannot drift from the code.
// Usage: sorrel-lv2-ttl OUTPUT_DIR
#include "effect/factory_presets.h"
#include "effect/parameters.h"
#include "lv2/lv2_ports.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

using namespace sorrel;
using namespace sorrel::lv2;

namespace {

const char *const kPrefixes = "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
                              "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                              "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
                              "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                              "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
                              "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
                              "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                              "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                              "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                              "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
                              "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
                              "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
                              "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

// A float as a Turtle decimal that reads back as the same float.
std::string number(float value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    std::string s = text;
    if (s.find_first_of(".e") == std::string::npos)
        s += ".0";
    return s;
}

std::string quoted(const char *text) {
    std::string s = "\"";
    for (const char *p = text; *p; ++p) {
        if (*p == '"' || *p == '\\')
            s += '\\';
        s += *p;
    }
    return s + "\"";
}

// The port value a normalised value is written as; false when reading it
// back would not give exactly that value.
bool portValue(int32_t index, float normalised, float &value) {
    value = toReadable(index, normalised);
    const float parsed = std::strtof(number(value).c_str(), nullptr);
    return fromReadable(index, parsed) == normalised && parsed == value;
}

const char *kStageName[2] = {"before", "after"};
const char *kStageSymbol[2] = {"pre", "post"};
const char *kChannelName[2] = {"left", "right"};
const char *kChannelSymbol[2] = {"l", "r"};

std::string meterSymbol(uint32_t port) {
    const MeterAddress a = meterAddress(port);
    const char *band = kParameters[kFirstBandParameter + a.band].symbol + std::strlen("band_");
    return std::string(kStageSymbol[a.stage]) + "_" + kChannelSymbol[a.channel] + "_" + band;
}

void audioPort(std::ostream &out, uint32_t index, bool input, const char *symbol, const char *name) {
    out << "    a lv2:AudioPort , " << (input ? "lv2:InputPort" : "lv2:OutputPort") << " ;\n"
        << "    lv2:index " << index << " ;\n"
        << "    lv2:symbol \"" << symbol << "\" ;\n"
        << "    lv2:name \"" << name << "\"\n";
}

bool writePlugin(std::ostream &out) {
    out << kPrefixes;
    out << "<https://sorrel.quillmark.example/>\n"
        << "  a doap:Project ;\n"
        << "  doap:name \"Sorrel\" ;\n"
        << "  doap:homepage <https://sorrel.quillmark.example/> ;\n"
        << "  doap:maintainer [ a foaf:Person ; foaf:name \"Quillmark\" ] .\n\n";
    out << "<" << kPluginUri << ">\n"
        << "  a lv2:Plugin , lv2:MultiEQPlugin ;\n"
        << "  doap:name \"Sorrel\" ;\n"
        << "  doap:license <https://sorrel.quillmark.example/license> ;\n"
        << "  lv2:project <https://sorrel.quillmark.example/> ;\n"
        << "  rdfs:comment \"Stereo 31-band graphic equaliser: band gains of -12 to +12 dB from 20 Hz to 18.5 kHz, "
           "input and output gain, one bandwidth for all bands.\" ;\n"
        << "  lv2:minorVersion 2 ;\n"
        << "  lv2:microVersion 0 ;\n"
        << "  lv2:optionalFeature lv2:hardRTCapable , urid:map ;\n"
        << "  lv2:extensionData state:interface ;\n"
        << "  ui:ui <" << kUiUri << "> ;\n"
        << "  lv2:port [\n";
    audioPort(out, kAudioInLeft, true, "in_left", "Left in");
    out << "  ] , [\n";
    audioPort(out, kAudioInRight, true, "in_right", "Right in");
    out << "  ] , [\n";
    audioPort(out, kAudioOutLeft, false, "out_left", "Left out");
    out << "  ] , [\n";
    audioPort(out, kAudioOutRight, false, "out_right", "Right out");
    for (int32_t i = 0; i < kNumParameters; ++i) {
        const ParameterInfo &p = kParameters[i];
        float def = 0, lo = 0, hi = 0;
        if (!portValue(i, p.defaultValue, def) || !portValue(i, 0.f, lo) || !portValue(i, 1.f, hi)) {
            std::fprintf(stderr, "sorrel-lv2-ttl: %s: default or range is not exact as a port value\n", p.symbol);
            return false;
        }
        out << "  ] , [\n"
            << "    a lv2:ControlPort , lv2:InputPort ;\n"
            << "    lv2:index " << parameterPort(i) << " ;\n"
            << "    lv2:symbol \"" << p.symbol << "\" ;\n"
            << "    lv2:name " << quoted(p.longName) << " ;\n"
            << "    lv2:default " << number(def) << " ;\n"
            << "    lv2:minimum " << number(lo) << " ;\n"
            << "    lv2:maximum " << number(hi);
        switch (p.kind) {
        case ParameterKind::Gain:
            out << " ;\n    units:unit units:db";
            break;
        case ParameterKind::Switch:
            out << " ;\n    lv2:portProperty lv2:toggled ;\n"
                << "    lv2:scalePoint [ rdfs:label " << quoted(p.offText ? p.offText : "Off")
                << " ; rdf:value 0.0 ] , [ rdfs:label " << quoted(p.onText ? p.onText : "On") << " ; rdf:value 1.0 ]";
            break;
        case ParameterKind::Amount:
            break;
        }
        // Added after the first release: hosts that saved sessions before
        // it know nothing of these ports.
        if (i >= kNumFirstParameters)
            out << " ;\n    lv2:portProperty lv2:connectionOptional";
        out << "\n";
    }
    for (uint32_t port = kFirstMeterPort; isMeterPort(port); ++port) {
        const MeterAddress a = meterAddress(port);
        out << "  ] , [\n"
            << "    a lv2:ControlPort , lv2:OutputPort ;\n"
            << "    lv2:index " << port << " ;\n"
            << "    lv2:symbol \"" << meterSymbol(port) << "\" ;\n"
            << "    lv2:name \"Level " << kStageName[a.stage] << " gain, " << kChannelName[a.channel] << ", "
            << kParameters[kFirstBandParameter + a.band].longName << "\" ;\n"
            << "    lv2:minimum 0.0 ;\n"
            << "    lv2:maximum 1.0 ;\n"
            << "    lv2:portProperty lv2:connectionOptional , pprops:notOnGUI\n";
    }
    out << "  ] .\n\n";

    // The editor: fixed size, embedded in the host's window, pumped through
    // the idle interface; the levels reach it as port notifications.
    out << "<" << kUiUri << ">\n"
        << "  a ui:X11UI ;\n"
        << "  ui:binary <sorrel_ui.so> ;\n"
        << "  lv2:requiredFeature ui:idleInterface , ui:parent ;\n"
        << "  lv2:optionalFeature ui:noUserResize , ui:touch , ui:resize , opts:options , urid:map ;\n"
        << "  lv2:extensionData ui:idleInterface , opts:interface ;\n"
        << "  opts:supportedOption ui:scaleFactor";
    for (uint32_t port = kFirstMeterPort; isMeterPort(port); ++port)
        out << " ;\n  ui:portNotification [ ui:plugin <" << kPluginUri << "> ; lv2:symbol \"" << meterSymbol(port)
            << "\" ; ui:protocol ui:floatProtocol ]";
    out << " .\n";
    return true;
}

bool writePresets(std::ostream &out) {
    out << kPrefixes;
    for (int32_t k = 0; k < kNumFactoryPresets; ++k) {
        const FactoryPreset &preset = kFactoryPresets[k];
        out << "<" << kPresetUriPrefix << preset.symbol << ">\n"
            << "  a pset:Preset ;\n"
            << "  lv2:appliesTo <" << kPluginUri << "> ;\n"
            << "  rdfs:label " << quoted(preset.name) << " ;\n"
            << "  lv2:port";
        for (int32_t i = 0; i < kNumParameters; ++i) {
            float value = 0;
            if (!portValue(i, preset.values[i], value)) {
                std::fprintf(stderr,
                             "sorrel-lv2-ttl: preset %s: %s = %.9g has no exact port value; "
                             "choose a value whose dB reads back exactly\n",
                             preset.symbol, kParameters[i].symbol, static_cast<double>(preset.values[i]));
                return false;
            }
            out << (i ? " , " : " ") << "[ lv2:symbol \"" << kParameters[i].symbol << "\" ; pset:value "
                << number(value) << " ]";
        }
        out << " .\n\n";
    }
    return true;
}

void writeManifest(std::ostream &out) {
    out << kPrefixes;
    out << "<" << kPluginUri << ">\n"
        << "  a lv2:Plugin ;\n"
        << "  lv2:binary <sorrel.so> ;\n"
        << "  rdfs:seeAlso <sorrel.ttl> .\n\n"
        << "<" << kUiUri << ">\n"
        << "  a ui:X11UI ;\n"
        << "  ui:binary <sorrel_ui.so> ;\n"
        << "  rdfs:seeAlso <sorrel.ttl> .\n";
    for (int32_t k = 0; k < kNumFactoryPresets; ++k)
        out << "\n<" << kPresetUriPrefix << kFactoryPresets[k].symbol << ">\n"
            << "  a pset:Preset ;\n"
            << "  lv2:appliesTo <" << kPluginUri << "> ;\n"
            << "  rdfs:seeAlso <presets.ttl> .\n";
}

// Writes only when the text changed, so the bundle's files keep their times.
bool save(const std::string &path, const std::string &text) {
    std::ifstream old(path, std::ios::binary);
    if (old) {
        std::ostringstream current;
        current << old.rdbuf();
        if (current.str() == text)
            return true;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: sorrel-lv2-ttl OUTPUT_DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::ostringstream manifest, plugin, presets;
    writeManifest(manifest);
    if (!writePlugin(plugin) || !writePresets(presets))
        return 1;
    for (auto [name, text] : {std::pair<const char *, std::string>{"manifest.ttl", manifest.str()},
                              {"sorrel.ttl", plugin.str()},
                              {"presets.ttl", presets.str()}}) {
        if (!save(dir + "/" + name, text)) {
            std::fprintf(stderr, "sorrel-lv2-ttl: cannot write %s/%s\n", dir.c_str(), name);
            return 1;
        }
    }
    return 0;
}
