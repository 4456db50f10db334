#include "vst3/vst3_plugin.h"

#include "effect/little_endian.h"
#include "vst3/vst3_text.h"
#include "vst3/vst3_view.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace sorrel::vst3 {

const Uid kSorrelClassId{0x536F726C, 0x51756D6B, 0x45513331, 0x56535433};

namespace {

// Until the host's setup says otherwise; longer blocks run in pieces.
constexpr float kDefaultRate = 44100.f;
constexpr int32_t kDefaultBlock = 4096;
// No state of ours comes near this; a stream that goes on is not ours.
constexpr int32_t kMaxStateBytes = 1 << 20;

constexpr int32_t kLastProgram = EqualizerEffect::kNumPrograms - 1;

bool isParameter(ParamID id) {
    return id < static_cast<ParamID>(kNumParameters);
}

ParamValue programValue(int32_t program) {
    return static_cast<ParamValue>(program) / kLastProgram;
}

int32_t programOf(ParamValue value) {
    if (!(value >= 0.0))
        return 0;
    return static_cast<int32_t>(std::lround(std::min(value, 1.0) * kLastProgram));
}

// Reads the whole stream (from where it stands) into bytes; false when it
// fails or is longer than any state of ours.
bool readAll(IBStream *stream, std::vector<unsigned char> &bytes) {
    unsigned char chunk[4096];
    for (;;) {
        int32_t got = 0;
        const tresult result = stream->read(chunk, sizeof chunk, &got);
        // Streams differ in how they say "the end": nothing read, or a
        // failure after the last bytes.
        if (result != kResultOk)
            return got == 0 && !bytes.empty();
        if (got <= 0)
            return true;
        if (got > static_cast<int32_t>(sizeof chunk) ||
            bytes.size() + static_cast<size_t>(got) > static_cast<size_t>(kMaxStateBytes))
            return false;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
}

bool writeAll(IBStream *stream, const unsigned char *bytes, int32_t size) {
    while (size > 0) {
        int32_t written = 0;
        if (stream->write(const_cast<unsigned char *>(bytes), size, &written) != kResultOk || written <= 0 ||
            written > size)
            return false;
        bytes += written;
        size -= written;
    }
    return true;
}

} // namespace

Vst3Equalizer::Vst3Equalizer() {
    core.setSampleRate(kDefaultRate);
    core.setBlockSize(kDefaultBlock);
}

Vst3Equalizer::~Vst3Equalizer() {
    if (componentHandler != nullptr)
        componentHandler->release();
}

tresult Vst3Equalizer::queryInterface(const TUID interfaceId, void **obj) {
    if (obj == nullptr)
        return kInvalidArgument;
    void *found = nullptr;
    if (FUnknown::iid.matches(interfaceId) || IComponent::iid.matches(interfaceId) ||
        IPluginBase::iid.matches(interfaceId))
        found = static_cast<IComponent *>(static_cast<Vst3Component *>(this));
    else if (IAudioProcessor::iid.matches(interfaceId))
        found = static_cast<IAudioProcessor *>(this);
    else if (IEditController::iid.matches(interfaceId))
        found = static_cast<IEditController *>(static_cast<Vst3Controller *>(this));
    else if (IUnitInfo::iid.matches(interfaceId))
        found = static_cast<IUnitInfo *>(this);
    *obj = found;
    if (found == nullptr)
        return kNoInterface;
    addRef();
    return kResultOk;
}

uint32_t Vst3Equalizer::addRef() {
    return references.fetch_add(1) + 1;
}

uint32_t Vst3Equalizer::release() {
    const uint32_t left = references.fetch_sub(1) - 1;
    if (left == 0)
        delete this;
    return left;
}

tresult Vst3Equalizer::initialize(FUnknown *) {
    return kResultOk;
}

tresult Vst3Equalizer::terminate() {
    setComponentHandler(nullptr);
    return kResultOk;
}

tresult Vst3Equalizer::getControllerClassId(TUID) {
    return kNotImplemented;
}

tresult Vst3Equalizer::setIoMode(int32_t) {
    return kResultOk;
}

int32_t Vst3Equalizer::getBusCount(int32_t type, int32_t dir) {
    return type == kAudio && (dir == kInput || dir == kOutput) ? 1 : 0;
}

tresult Vst3Equalizer::getBusInfo(int32_t type, int32_t dir, int32_t index, BusInfo &bus) {
    if (type != kAudio || (dir != kInput && dir != kOutput) || index != 0)
        return kInvalidArgument;
    std::memset(&bus, 0, sizeof bus);
    bus.mediaType = kAudio;
    bus.direction = dir;
    bus.channelCount = 2;
    copyText(bus.name, dir == kInput ? "Stereo In" : "Stereo Out");
    bus.busType = kMain;
    bus.flags = BusInfo::kDefaultActive;
    return kResultOk;
}

tresult Vst3Equalizer::getRoutingInfo(RoutingInfo &, RoutingInfo &) {
    return kNotImplemented;
}

tresult Vst3Equalizer::activateBus(int32_t type, int32_t dir, int32_t index, TBool) {
    return type == kAudio && (dir == kInput || dir == kOutput) && index == 0 ? kResultOk : kInvalidArgument;
}

tresult Vst3Equalizer::setActive(TBool) {
    return kResultOk;
}

tresult Vst3Equalizer::loadState(IBStream *state) {
    if (state == nullptr)
        return kInvalidArgument;
    std::vector<unsigned char> bytes;
    try {
        if (!readAll(state, bytes))
            return kResultFalse;
    } catch (const std::bad_alloc &) {
        return kOutOfMemory;
    }
    // Everything is checked before anything changes: a refused state leaves
    // bank and program as they were.
    if (bytes.size() <= static_cast<size_t>(kStateHeaderSize) || getLittle32(bytes.data()) != kStateVersion)
        return kResultFalse;
    const uint32_t program = getLittle32(bytes.data() + 4);
    if (program > static_cast<uint32_t>(kLastProgram))
        return kResultFalse;
    const auto size = static_cast<int32_t>(bytes.size() - kStateHeaderSize);
    if (core.setChunk(bytes.data() + kStateHeaderSize, size, false) == 0)
        return kResultFalse;
    core.setProgram(static_cast<int32_t>(program));
    return kResultOk;
}

tresult Vst3Equalizer::saveState(IBStream *state) {
    if (state == nullptr)
        return kInvalidArgument;
    void *bank = nullptr;
    const int32_t size = core.getChunk(&bank, false);
    if (size <= 0 || bank == nullptr)
        return kInternalError;
    unsigned char header[kStateHeaderSize];
    putLittle32(header, kStateVersion);
    putLittle32(header + 4, static_cast<uint32_t>(core.getProgram()));
    if (!writeAll(state, header, kStateHeaderSize) ||
        !writeAll(state, static_cast<const unsigned char *>(bank), size))
        return kResultFalse;
    return kResultOk;
}

tresult Vst3Equalizer::setComponentState(IBStream *state) {
    // The controller is the component: it holds the state the host has just
    // given the component already.
    return state != nullptr ? kResultOk : kInvalidArgument;
}

tresult Vst3Equalizer::setBusArrangements(SpeakerArrangement *inputs, int32_t numIns,
                                          SpeakerArrangement *outputs, int32_t numOuts) {
    if (numIns != 1 || numOuts != 1 || inputs == nullptr || outputs == nullptr)
        return kResultFalse;
    return inputs[0] == speaker::kStereo && outputs[0] == speaker::kStereo ? kResultTrue : kResultFalse;
}

tresult Vst3Equalizer::getBusArrangement(int32_t dir, int32_t index, SpeakerArrangement &arr) {
    if ((dir != kInput && dir != kOutput) || index != 0)
        return kInvalidArgument;
    arr = speaker::kStereo;
    return kResultOk;
}

tresult Vst3Equalizer::canProcessSampleSize(int32_t symbolicSampleSize) {
    return symbolicSampleSize == kSample32 ? kResultTrue : kResultFalse;
}

tresult Vst3Equalizer::setupProcessing(ProcessSetup &setup) {
    if (setup.symbolicSampleSize != kSample32 || !(setup.sampleRate > 0.0) ||
        !std::isfinite(setup.sampleRate) || setup.maxSamplesPerBlock <= 0)
        return kResultFalse;
    core.setSampleRate(static_cast<float>(setup.sampleRate));
    core.setBlockSize(setup.maxSamplesPerBlock);
    return core.workFrames() > 0 ? kResultOk : kOutOfMemory;
}

void Vst3Equalizer::applyValue(ParamID id, ParamValue value) {
    if (isParameter(id))
        core.setParameter(static_cast<int32_t>(id), static_cast<float>(value));
    else if (id == kProgramParamId)
        selectProgram(programOf(value));
}

// Applies every point whose offset, clamped into 0..frames, equals offset,
// in the order of its queue.
void Vst3Equalizer::applyChanges(IParameterChanges *changes, int32_t count, int32_t frames, int32_t offset) {
    for (int32_t q = 0; q < count; ++q) {
        IParamValueQueue *queue = changes->getParameterData(q);
        if (queue == nullptr)
            continue;
        const ParamID id = queue->getParameterId();
        const int32_t points = queue->getPointCount();
        for (int32_t p = 0; p < points; ++p) {
            int32_t at = 0;
            ParamValue value = 0;
            if (queue->getPoint(p, at, value) == kResultOk && std::clamp(at, 0, frames) == offset)
                applyValue(id, value);
        }
    }
}

void Vst3Equalizer::runSegments(ProcessData &data, float **inputs, float **outputs) {
    const int32_t frames = data.numSamples;
    IParameterChanges *changes = data.inputParameterChanges;
    const int32_t count = changes != nullptr ? std::max(changes->getParameterCount(), 0) : 0;
    // The block runs in pieces between the offsets at which values change,
    // so each change takes effect at its own sample.
    if (count > 0)
        applyChanges(changes, count, frames, 0);
    for (int32_t done = 0; done < frames;) {
        int32_t next = frames;
        for (int32_t q = 0; q < count; ++q) {
            IParamValueQueue *queue = changes->getParameterData(q);
            const int32_t points = queue != nullptr ? queue->getPointCount() : 0;
            for (int32_t p = 0; p < points; ++p) {
                int32_t at = 0;
                ParamValue value = 0;
                if (queue->getPoint(p, at, value) == kResultOk && at > done && at < next)
                    next = at;
            }
        }
        float *in[2], *out[2];
        for (int c = 0; c < 2; ++c) {
            in[c] = inputs[c] != nullptr ? inputs[c] + done : nullptr;
            out[c] = outputs[c] != nullptr ? outputs[c] + done : nullptr;
        }
        core.processReplacing(in, out, next - done);
        done = next;
        if (count > 0)
            applyChanges(changes, count, frames, done);
    }
}

tresult Vst3Equalizer::process(ProcessData &data) {
    if (data.numSamples < 0)
        return kInvalidArgument;
    if (data.numSamples > 0 && data.symbolicSampleSize != kSample32)
        return kInvalidArgument;
    float *inputs[2] = {};
    float *outputs[2] = {};
    if (data.numInputs > 0 && data.inputs != nullptr && data.inputs[0].channelBuffers32 != nullptr)
        for (int32_t c = 0; c < std::min(data.inputs[0].numChannels, 2); ++c)
            inputs[c] = data.inputs[0].channelBuffers32[c];
    if (data.numOutputs > 0 && data.outputs != nullptr && data.outputs[0].channelBuffers32 != nullptr) {
        for (int32_t c = 0; c < std::min(data.outputs[0].numChannels, 2); ++c)
            outputs[c] = data.outputs[0].channelBuffers32[c];
        data.outputs[0].silenceFlags = 0;
    }
    runSegments(data, inputs, outputs);
    return kResultOk;
}

int32_t Vst3Equalizer::getParameterCount() {
    return kNumParameters + 1;
}

tresult Vst3Equalizer::getParameterInfo(int32_t index, ParameterInfo &info) {
    std::memset(&info, 0, sizeof info);
    info.unitId = kRootUnitId;
    if (const sorrel::ParameterInfo *row = parameterInfo(index)) {
        info.id = static_cast<ParamID>(index);
        copyText(info.title, row->longName);
        copyText(info.shortTitle, row->vstName != nullptr ? row->vstName : row->caption);
        copyText(info.units, row->unit);
        info.stepCount = row->kind == ParameterKind::Switch ? 1 : 0;
        info.defaultNormalizedValue = row->defaultValue;
        info.flags = ParameterInfo::kCanAutomate;
        return kResultOk;
    }
    if (index == kNumParameters) {
        info.id = kProgramParamId;
        copyText(info.title, "Program");
        copyText(info.shortTitle, "Program");
        info.stepCount = kLastProgram;
        info.defaultNormalizedValue = 0;
        info.flags = ParameterInfo::kCanAutomate | ParameterInfo::kIsList | ParameterInfo::kIsProgramChange;
        return kResultOk;
    }
    return kInvalidArgument;
}

tresult Vst3Equalizer::getParamStringByValue(ParamID id, ParamValue value, String128 string) {
    if (string == nullptr)
        return kInvalidArgument;
    char text[ProgramBank::kNameSize + 1];
    if (isParameter(id))
        formatReadable(static_cast<int32_t>(id), static_cast<float>(value), text, sizeof text);
    else if (id == kProgramParamId)
        core.getProgramNameIndexed(programOf(value), text);
    else
        return kInvalidArgument;
    copyText(string, text);
    return kResultOk;
}

tresult Vst3Equalizer::getParamValueByString(ParamID id, char16 *string, ParamValue &value) {
    if (string == nullptr)
        return kInvalidArgument;
    char text[128];
    if (!narrowText(string, text, sizeof text))
        return kResultFalse;
    if (isParameter(id)) {
        float normalised = 0;
        if (!parseReadable(static_cast<int32_t>(id), text, normalised))
            return kResultFalse;
        value = normalised;
        return kResultOk;
    }
    if (id == kProgramParamId) {
        char name[ProgramBank::kNameSize + 1];
        for (int32_t p = 0; p <= kLastProgram; ++p)
            if (core.getProgramNameIndexed(p, name) && std::strcmp(name, text) == 0) {
                value = programValue(p);
                return kResultOk;
            }
        return kResultFalse;
    }
    return kInvalidArgument;
}

ParamValue Vst3Equalizer::normalizedParamToPlain(ParamID id, ParamValue value) {
    if (isParameter(id))
        return toReadable(static_cast<int32_t>(id), static_cast<float>(value));
    return id == kProgramParamId ? programOf(value) : value;
}

ParamValue Vst3Equalizer::plainParamToNormalized(ParamID id, ParamValue plain) {
    if (isParameter(id))
        return fromReadable(static_cast<int32_t>(id), static_cast<float>(plain));
    if (id == kProgramParamId)
        return std::isnan(plain)
                   ? 0.0
                   : programValue(static_cast<int32_t>(std::clamp(plain, 0.0, 1.0 * kLastProgram)));
    return plain;
}

ParamValue Vst3Equalizer::getParamNormalized(ParamID id) {
    if (isParameter(id))
        return core.getParameter(static_cast<int32_t>(id));
    return id == kProgramParamId ? programValue(core.getProgram()) : 0.0;
}

tresult Vst3Equalizer::setParamNormalized(ParamID id, ParamValue value) {
    if (std::isnan(value))
        return kInvalidArgument;
    if (isParameter(id)) {
        core.setParameter(static_cast<int32_t>(id), static_cast<float>(value));
        return kResultOk;
    }
    if (id == kProgramParamId) {
        selectProgram(programOf(value));
        return kResultOk;
    }
    return kInvalidArgument;
}

void Vst3Equalizer::selectProgram(int32_t program) {
    if (program == core.getProgram())
        return;
    core.setProgram(program);
    // Every value of the controller changed with the program. The host hears
    // it later, from the editor's timer: hosts change programs while holding
    // locks that their restart handling takes again (Ardour hangs).
    valuesChanged.store(true, std::memory_order_relaxed);
}

void Vst3Equalizer::reportChangedValues() {
    if (componentHandler != nullptr && valuesChanged.exchange(false, std::memory_order_relaxed))
        componentHandler->restartComponent(kParamValuesChanged);
}

tresult Vst3Equalizer::setComponentHandler(IComponentHandler *handler) {
    if (handler == componentHandler)
        return kResultOk;
    if (handler != nullptr)
        handler->addRef();
    if (componentHandler != nullptr)
        componentHandler->release();
    componentHandler = handler;
    return kResultOk;
}

IPlugView *Vst3Equalizer::createView(FIDString name) {
    if (name == nullptr || std::strcmp(name, kEditorViewName) != 0)
        return nullptr;
    return createEditorView(*this);
}

void Vst3Equalizer::userValue(int32_t index, float value) {
    core.setParameter(index, value);
    if (componentHandler != nullptr)
        componentHandler->performEdit(static_cast<ParamID>(index), core.getParameter(index));
}

tresult Vst3Equalizer::getUnitInfo(int32_t unitIndex, UnitInfo &info) {
    if (unitIndex != 0)
        return kInvalidArgument;
    std::memset(&info, 0, sizeof info);
    info.id = kRootUnitId;
    info.parentUnitId = kNoParentUnitId;
    copyText(info.name, "Root");
    info.programListId = kProgramListId;
    return kResultOk;
}

tresult Vst3Equalizer::getProgramListInfo(int32_t listIndex, ProgramListInfo &info) {
    if (listIndex != 0)
        return kInvalidArgument;
    std::memset(&info, 0, sizeof info);
    info.id = kProgramListId;
    copyText(info.name, "Programs");
    info.programCount = EqualizerEffect::kNumPrograms;
    return kResultOk;
}

tresult Vst3Equalizer::getProgramName(ProgramListID listId, int32_t programIndex, String128 name) {
    char text[ProgramBank::kNameSize + 1];
    if (listId != kProgramListId || name == nullptr || !core.getProgramNameIndexed(programIndex, text))
        return kInvalidArgument;
    copyText(name, text);
    return kResultOk;
}

tresult Vst3Equalizer::selectUnit(UnitID unitId) {
    return unitId == kRootUnitId ? kResultOk : kResultFalse;
}

tresult Vst3Equalizer::getUnitByBus(int32_t, int32_t, int32_t, int32_t, UnitID &unitId) {
    unitId = kRootUnitId;
    return kResultOk;
}

} // namespace sorrel::vst3
