// What the fuzz targets share: an effect created through the exported entry
// with a plain host, every call through the record counted, and the checks
// that hold whatever the input was.
#pragma once

#include "tests/fuzz/fuzz_report.h"
#include "vst2/aeffectx.h"

#include <cstdint>

namespace sorrel::fuzz {

// Calls made through the record since the start; printed when the run ends.
extern uint64_t recordCalls;

// A new effect from VSTPluginMain, opened (effOpen). Never null.
AEffect *openEffect();
// effClose; the record is gone afterwards.
void closeEffect(AEffect *effect);

VstIntPtr dispatch(AEffect *effect, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                   void *ptr = nullptr, float opt = 0.0f);
void setParameter(AEffect *effect, VstInt32 index, float value);
float getParameter(AEffect *effect, VstInt32 index);
void processReplacing(AEffect *effect, float **inputs, float **outputs, VstInt32 frames);
void process(AEffect *effect, float **inputs, float **outputs, VstInt32 frames);

// getParameter answers a number in 0..1 for every index, in and out of range.
void checkParameters(AEffect *effect);

} // namespace sorrel::fuzz
