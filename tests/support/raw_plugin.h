// The skeleton of the test plug-ins written straight against the record
// (the spy that records what a host calls, the host tests' plug-ins): the
// host check of the entry, the record's fields, bounded text answers.
// Header-only, so that a plug-in built on its own (the spy) needs no library.
#pragma once

#include "vst2/aeffect.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace sorrel::rawplugin {

// What a plug-in is, as the record tells the host.
struct Shape {
    VstInt32 id;
    VstInt32 version;
    VstInt32 inputs, outputs;
    VstInt32 params, programs;
    VstInt32 flags;
};

// The record's functions; any may be null (a host must cope).
struct Calls {
    AEffectDispatcherProc dispatcher;
    AEffectProcessProc process;          // accumulating
    AEffectProcessProc processReplacing; // replacing
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
};

// A host that answers the version query with 0 is no host to work with.
inline bool hostAnswers(audioMasterCallback host) {
    return host && host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) != 0;
}

// The record of a plug-in whose state is object, all other fields zero.
inline void fillRecord(AEffect &r, void *object, const Shape &shape, const Calls &calls) {
    std::memset(&r, 0, sizeof r);
    r.magic = kEffectMagic;
    r.dispatcher = calls.dispatcher;
    r.process = calls.process;
    r.processReplacing = calls.processReplacing;
    r.setParameter = calls.setParameter;
    r.getParameter = calls.getParameter;
    r.numPrograms = shape.programs;
    r.numParams = shape.params;
    r.numInputs = shape.inputs;
    r.numOutputs = shape.outputs;
    r.flags = shape.flags;
    r.ioRatio = 1.0f;
    r.object = object;
    r.uniqueID = shape.id;
    r.version = shape.version;
}

// Copies at most max characters and the terminator, and writes nothing
// beyond them; a null buffer gets nothing.
inline void copyText(void *ptr, const char *text, size_t max) {
    if (!ptr)
        return;
    const size_t length = std::min(std::strlen(text), max);
    std::memcpy(ptr, text, length);
    static_cast<char *>(ptr)[length] = 0;
}

} // namespace sorrel::rawplugin
