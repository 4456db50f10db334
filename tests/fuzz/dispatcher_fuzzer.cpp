// One effect driven by a byte stream the way a careless host might drive it:
// any opcode with any index, value and float, a pointer that is null, a
// buffer of any size and content or a place for an answer, parameter reads
// and writes, and audio calls of any length with any channel layout; the
// editor opened, idled, given keys and closed on the headless window system,
// with clicks, drags and wheel turns of a scripted user in between; the
// effect is closed at the end, editor open or not. The buffers keep to what the interface lets a
// host assume (texts it asks for fit their documented length, chunk sizes do
// not exceed the bytes passed), so every sanitizer report is the effect's.
#include "fuzz/fuzz_effect.h"
#include "gui/platform/headless.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <vector>

using namespace sorrel::fuzz;

namespace {

constexpr int kMaxSteps = 512;
constexpr size_t kMaxBuffer = 4096;
constexpr VstInt32 kFrameBudget = 1 << 18; // per input, to keep executions fast

template <typename T, size_t N> T pick(FuzzedDataProvider &in, const T (&table)[N]) {
    return table[in.ConsumeIntegralInRange<size_t>(0, N - 1)];
}

VstInt32 pickIndex(FuzzedDataProvider &in) {
    static const VstInt32 table[] = {0, 1, 2, 9, 10, 17, 32, 33, 34, 35, 36, 37, -1, INT32_MIN, INT32_MAX};
    return in.ConsumeBool() ? pick(in, table) : in.ConsumeIntegral<VstInt32>();
}

// The dispatcher's editor opcodes, picked more often than chance would.
VstInt32 pickEditorOpcode(FuzzedDataProvider &in) {
    static const VstInt32 table[] = {effEditGetRect, effEditOpen,  effEditClose,       effEditIdle,
                                     effEditKeyDown, effEditKeyUp, effSetEditKnobMode, effEditIdle};
    return pick(in, table);
}

VstIntPtr pickValue(FuzzedDataProvider &in) {
    static const VstIntPtr table[] = {0,         1,         2,          9,         10,      -1,
                                      64,        512,       513,        4096,      1 << 16, (1 << 16) + 1,
                                      INT32_MAX, INT32_MIN, INTPTR_MAX, INTPTR_MIN};
    return in.ConsumeBool() ? pick(in, table) : in.ConsumeIntegral<VstIntPtr>();
}

float pickFloat(FuzzedDataProvider &in) {
    static const float table[] = {0.0f,
                                  -0.0f,
                                  0.5f,
                                  1.0f,
                                  -1.0f,
                                  2.0f,
                                  44100.0f,
                                  48000.0f,
                                  8000.0f,
                                  1e-30f,
                                  FLT_MIN / 4,
                                  FLT_MAX,
                                  -FLT_MAX,
                                  1e9f,
                                  std::numeric_limits<float>::quiet_NaN(),
                                  std::numeric_limits<float>::infinity(),
                                  -std::numeric_limits<float>::infinity()};
    switch (in.ConsumeIntegralInRange<int>(0, 2)) {
    case 0:
        return pick(in, table);
    case 1:
        return in.ConsumeProbability<float>();
    default: {
        const uint32_t bits = in.ConsumeIntegral<uint32_t>();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    }
}

// Bytes a host must provide for a text the effect writes (terminator
// included): parameter names and labels 8 characters, displays 20, program
// names 30, the effect name 32, vendor and product 64.
size_t textOutBytes(VstInt32 opcode) {
    switch (opcode) {
    case effGetParamLabel:
    case effGetParamName:
        return 9;
    case effGetParamDisplay:
        return 21;
    case effGetProgramName:
    case effGetProgramNameIndexed:
        return 31;
    case effGetEffectName:
        return 33;
    case effGetVendorString:
    case effGetProductString:
    case effShellGetNextPlugin:
        return 65;
    default:
        return 0;
    }
}

bool takesText(VstInt32 opcode) {
    return opcode == effSetProgramName || opcode == effString2Parameter || opcode == effCanDo;
}

// Opcodes whose pointer receives a pointer.
bool takesOutPointer(VstInt32 opcode) {
    return opcode == effGetChunk || opcode == effEditGetRect || opcode == effGetSpeakerArrangement;
}

void callDispatcher(AEffect *effect, FuzzedDataProvider &in, VstInt32 opcode) {
    const VstInt32 index = pickIndex(in);
    VstIntPtr value = pickValue(in);
    const float opt = pickFloat(in);
    void *slots[4] = {};
    void *valueSlots[4] = {};
    // An exactly sized heap block, so that any access past it is caught.
    std::unique_ptr<unsigned char[]> buffer;
    size_t bufferSize = 0;
    void *ptr = nullptr;

    const size_t textBytes = textOutBytes(opcode);
    constexpr unsigned char kUnwritten = 0x7F;
    int kind = in.ConsumeIntegralInRange<int>(0, 2);
    if (kind == 2 && textBytes != 0)
        kind = 1; // a text answer needs a text buffer
    switch (kind) {
    case 0:
        break;
    case 1: {
        size_t size = in.ConsumeIntegralInRange<size_t>(0, kMaxBuffer);
        size = std::max(size, textBytes);
        if (takesOutPointer(opcode) || takesText(opcode))
            size = std::max(size, sizeof(void *));
        buffer.reset(new unsigned char[size]);
        bufferSize = size;
        const std::vector<unsigned char> content = in.ConsumeBytes<unsigned char>(size);
        std::memset(buffer.get(), textBytes != 0 ? kUnwritten : 0, size);
        if (textBytes == 0 && !content.empty())
            std::memcpy(buffer.get(), content.data(), content.size());
        if (takesText(opcode))
            buffer[size - 1] = 0;
        ptr = buffer.get();
        break;
    }
    default:
        ptr = slots;
        break;
    }
    // The parent window must be a real window (to the headless backend any
    // address is one), and these two take pointers in their value.
    static int parentWindow = 0;
    if (opcode == effEditOpen)
        ptr = in.ConsumeBool() ? &parentWindow : nullptr;
    if (opcode == effSetSpeakerArrangement || opcode == effGetSpeakerArrangement)
        value = in.ConsumeBool() ? reinterpret_cast<VstIntPtr>(valueSlots) : 0;
    // A chunk size never exceeds what the host passes.
    if (opcode == effSetChunk) {
        const VstIntPtr available = ptr == nullptr ? INT32_MAX
                                    : ptr == slots ? static_cast<VstIntPtr>(sizeof slots)
                                                   : static_cast<VstIntPtr>(bufferSize);
        if (value > available)
            value = in.ConsumeBool() ? available : in.ConsumeIntegralInRange<VstIntPtr>(INT32_MIN, available);
    }

    const VstIntPtr result = dispatch(effect, opcode, index, value, ptr, opt);

    if (opcode == effGetChunk && ptr != nullptr && result != 0) {
        const void *data = *static_cast<void **>(ptr);
        if (data == nullptr || result < 0)
            fail("effGetChunk answered a size without data", result);
        // Every byte announced must be there.
        std::vector<unsigned char> copy(static_cast<const unsigned char *>(data),
                                        static_cast<const unsigned char *>(data) + result);
    }
    if (textBytes != 0 && buffer && buffer[0] != kUnwritten &&
        std::memchr(buffer.get(), 0, textBytes) == nullptr)
        fail("a text answer is not terminated within its length", opcode);
}

void fill(FuzzedDataProvider &in, float *samples, VstInt32 frames) {
    if (samples == nullptr || frames <= 0)
        return;
    uint32_t state = in.ConsumeIntegral<uint32_t>();
    const float amplitude = pickFloat(in);
    for (VstInt32 i = 0; i < frames; ++i) {
        state = state * 1664525u + 1013904223u;
        samples[i] = amplitude * (static_cast<float>(state >> 8) / 8388608.0f - 1.0f);
    }
    // A few samples of any value: NaN, infinities, denormals.
    for (int k = in.ConsumeIntegralInRange<int>(0, 3); k > 0; --k)
        samples[in.ConsumeIntegralInRange<VstInt32>(0, frames - 1)] = pickFloat(in);
}

void callAudio(AEffect *effect, FuzzedDataProvider &in, bool accumulate, VstInt32 &budget) {
    static const VstInt32 sizes[] = {0, -1, INT32_MIN, 1, 2, 63, 64, 511, 512, 513, 1 << 16, (1 << 16) + 1};
    VstInt32 frames = in.ConsumeBool() ? pick(in, sizes) : in.ConsumeIntegralInRange<VstInt32>(-2, 1100);
    if (frames > budget)
        frames = budget;
    budget -= std::max(frames, 0);
    const size_t length = static_cast<size_t>(std::max(frames, 0));
    const unsigned layout = in.ConsumeIntegral<uint8_t>();

    // Channels of exactly `frames` samples (zero-length blocks when none).
    std::unique_ptr<float[]> buffers[4];
    float *channels[4];
    for (int c = 0; c < 4; ++c) {
        buffers[c].reset(new float[length]);
        channels[c] = (layout & (1u << c)) ? nullptr : buffers[c].get();
        fill(in, channels[c], frames);
    }
    // Shared input and output buffers, as many hosts pass them.
    if (layout & 0x10)
        channels[2] = channels[0];
    if (layout & 0x20)
        channels[3] = channels[1];
    float *inputs[2] = {channels[0], channels[1]};
    float *outputs[2] = {channels[2], channels[3]};
    float **in2 = (layout & 0x40) ? nullptr : inputs;
    float **out2 = (layout & 0x80) ? nullptr : outputs;
    if (accumulate)
        process(effect, in2, out2, frames);
    else
        processReplacing(effect, in2, out2, frames);
}

void callDoubleAudio(AEffect *effect, FuzzedDataProvider &in) {
    const VstInt32 frames = in.ConsumeIntegralInRange<VstInt32>(-1, 256);
    const size_t length = static_cast<size_t>(std::max(frames, 0));
    std::unique_ptr<double[]> buffers[4];
    double *channels[4];
    for (int c = 0; c < 4; ++c) {
        buffers[c].reset(new double[length]());
        channels[c] = buffers[c].get();
    }
    double *inputs[2] = {channels[0], channels[1]};
    double *outputs[2] = {channels[2], channels[3]};
    ++recordCalls;
    effect->processDoubleReplacing(effect, inputs, outputs, frames);
}

// A user at the open editor: a press with any buttons and modifiers at any
// point, the pointer wandering while they stay held, then released (a
// scripted button that never lets go would hold a drag loop for ever); or a
// turn of the wheel. Nothing happens while no editor window is open.
void userGesture(FuzzedDataProvider &in) {
    namespace headless = sorrel::platform::headless;
    const std::vector<sorrel::platform::Window *> windows = headless::windows();
    if (windows.empty())
        return;
    sorrel::platform::Window *window = windows.back();
    auto point = [&in] {
        return sorrel::raster::Point{in.ConsumeIntegralInRange<int32_t>(-20, 730),
                             in.ConsumeIntegralInRange<int32_t>(-20, 190)};
    };
    headless::Script &script = headless::script();
    const int32_t buttons = in.ConsumeIntegral<uint8_t>() & 0x3f;
    script.buttons.assign(in.ConsumeIntegralInRange<size_t>(1, 12), buttons);
    script.buttons.push_back(0);
    script.pointer.clear();
    for (size_t n = in.ConsumeIntegralInRange<size_t>(1, 12); n > 0; --n)
        script.pointer.push_back(point());
    script.buttonPolls = script.pointerPolls = 0;
    if (in.ConsumeBool())
        headless::press(window, point());
    else
        headless::wheel(window, point(), pickFloat(in));
    if (in.ConsumeBool())
        headless::queuePaint(window,
                             point().x < 300 ? sorrel::raster::Rect{0, 0, 710, 167} : sorrel::raster::Rect{0, 0, 60, 60});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    sorrel::platform::headless::reset();
    AEffect *effect = openEffect();
    VstInt32 budget = kFrameBudget;
    for (int step = 0; step < kMaxSteps && in.remaining_bytes() > 0; ++step) {
        switch (in.ConsumeIntegralInRange<int>(0, 9)) {
        case 8:
            userGesture(in);
            break;
        case 0:
        case 1:
        case 9:
        case 2: {
            const VstInt32 opcode =
                in.ConsumeBool() ? pickEditorOpcode(in) : in.ConsumeIntegralInRange<VstInt32>(0, 127);
            if (opcode == effClose) {
                step = kMaxSteps; // the record is gone after it: end here
                break;
            }
            callDispatcher(effect, in, opcode);
            break;
        }
        case 3:
            setParameter(effect, pickIndex(in), pickFloat(in));
            break;
        case 4:
            getParameter(effect, pickIndex(in));
            break;
        case 5:
            callAudio(effect, in, false, budget);
            break;
        case 6:
            callAudio(effect, in, true, budget);
            break;
        default:
            callDoubleAudio(effect, in);
            break;
        }
    }
    checkParameters(effect);
    closeEffect(effect);
    if (!sorrel::platform::headless::windows().empty())
        fail("a window outlived its effect");
    return 0;
}
