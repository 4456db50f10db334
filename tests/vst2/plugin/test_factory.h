// The factory the exported entry calls in the host-interface tests: it
// makes a TestEffect, or fails in the ways a real factory can.
#pragma once

#include "support/test_effect.h"

namespace sorrel {

enum class FactoryMode { Normal, ReturnNull, Throw, OutOfMemory };

extern FactoryMode factoryMode;
extern int factoryCalls;
extern TestEffect *lastCreated;

constexpr VstInt32 kTestEffectId = fourCharCode('T', 'e', 's', 't');

} // namespace sorrel
