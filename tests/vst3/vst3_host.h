// A small VST 3 host for the tests: loads a module, creates the plug-in
// through its factory, and offers the host side's objects the calls need
// (a memory stream, parameter changes, a component handler that records).
#pragma once

#include "tools/hostlib/module.h"
#include "vst2/aeffect.h"
#include "vst3/vst3_interfaces.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace sorrel::vst3::testing {

// Objects of the host side live on the test's stack: their counts change
// nothing.
template <typename Interface> class StackObject : public Interface {
  public:
    tresult SORREL_VST3_CALL queryInterface(const TUID interfaceId, void **obj) override {
        if (obj == nullptr)
            return kInvalidArgument;
        *obj = FUnknown::iid.matches(interfaceId) || Interface::iid.matches(interfaceId) ? this : nullptr;
        return *obj != nullptr ? kResultOk : kNoInterface;
    }
    uint32_t SORREL_VST3_CALL addRef() override { return 1; }
    uint32_t SORREL_VST3_CALL release() override { return 1; }

  protected:
    ~StackObject() = default;
};

class MemoryStream final : public StackObject<IBStream> {
  public:
    std::vector<unsigned char> bytes;
    int64_t position = 0;
    // Hands out at most this many bytes per read, as some hosts' streams do.
    int32_t readLimit = 1 << 30;

    MemoryStream() = default;
    explicit MemoryStream(std::vector<unsigned char> data) : bytes(std::move(data)) {}

    tresult SORREL_VST3_CALL read(void *buffer, int32_t numBytes, int32_t *numBytesRead) override {
        const int64_t left = static_cast<int64_t>(bytes.size()) - position;
        const int32_t n =
            static_cast<int32_t>(std::max<int64_t>(0, std::min<int64_t>({left, numBytes, readLimit})));
        if (n > 0)
            std::memcpy(buffer, bytes.data() + position, static_cast<size_t>(n));
        position += n;
        if (numBytesRead != nullptr)
            *numBytesRead = n;
        return kResultOk;
    }
    tresult SORREL_VST3_CALL write(void *buffer, int32_t numBytes, int32_t *numBytesWritten) override {
        const auto *p = static_cast<const unsigned char *>(buffer);
        bytes.resize(static_cast<size_t>(position));
        bytes.insert(bytes.end(), p, p + numBytes);
        position += numBytes;
        if (numBytesWritten != nullptr)
            *numBytesWritten = numBytes;
        return kResultOk;
    }
    tresult SORREL_VST3_CALL seek(int64_t pos, int32_t mode, int64_t *result) override {
        position = mode == kIBSeekSet   ? pos
                   : mode == kIBSeekCur ? position + pos
                                        : int64_t(bytes.size()) + pos;
        if (result != nullptr)
            *result = position;
        return kResultOk;
    }
    tresult SORREL_VST3_CALL tell(int64_t *pos) override {
        if (pos != nullptr)
            *pos = position;
        return kResultOk;
    }
};

class ValueQueue final : public StackObject<IParamValueQueue> {
  public:
    ParamID id = 0;
    std::vector<std::pair<int32_t, ParamValue>> points;

    ParamID SORREL_VST3_CALL getParameterId() override { return id; }
    int32_t SORREL_VST3_CALL getPointCount() override { return static_cast<int32_t>(points.size()); }
    tresult SORREL_VST3_CALL getPoint(int32_t index, int32_t &offset, ParamValue &value) override {
        if (index < 0 || index >= getPointCount())
            return kInvalidArgument;
        offset = points[static_cast<size_t>(index)].first;
        value = points[static_cast<size_t>(index)].second;
        return kResultOk;
    }
    tresult SORREL_VST3_CALL addPoint(int32_t offset, ParamValue value, int32_t &index) override {
        index = getPointCount();
        points.emplace_back(offset, value);
        return kResultOk;
    }
};

class ParameterChanges final : public StackObject<IParameterChanges> {
  public:
    std::vector<ValueQueue> queues;

    void add(ParamID id, int32_t offset, ParamValue value) {
        for (ValueQueue &q : queues)
            if (q.id == id) {
                q.points.emplace_back(offset, value);
                return;
            }
        queues.emplace_back();
        queues.back().id = id;
        queues.back().points.emplace_back(offset, value);
    }
    int32_t SORREL_VST3_CALL getParameterCount() override { return static_cast<int32_t>(queues.size()); }
    IParamValueQueue *SORREL_VST3_CALL getParameterData(int32_t index) override {
        return index >= 0 && index < getParameterCount() ? &queues[static_cast<size_t>(index)] : nullptr;
    }
    IParamValueQueue *SORREL_VST3_CALL addParameterData(const ParamID &, int32_t &) override {
        return nullptr;
    }
};

class RecordingHandler final : public StackObject<IComponentHandler> {
  public:
    std::vector<std::string> calls;

    tresult SORREL_VST3_CALL beginEdit(ParamID id) override { return note("begin", id); }
    tresult SORREL_VST3_CALL performEdit(ParamID id, ParamValue value) override {
        return note("perform", id, std::to_string(value));
    }
    tresult SORREL_VST3_CALL endEdit(ParamID id) override { return note("end", id); }
    tresult SORREL_VST3_CALL restartComponent(int32_t flags) override {
        calls.push_back("restart " + std::to_string(flags));
        return kResultOk;
    }

  private:
    tresult note(const char *what, ParamID id, const std::string &extra = "") {
        calls.push_back(std::string(what) + " " + std::to_string(id) + (extra.empty() ? "" : " " + extra));
        return kResultOk;
    }
};

// A loaded module; unloads at the end.
class Module {
  public:
    explicit Module(const std::string &path);
    ~Module();

    bool loaded() const { return factory != nullptr; }
    IPluginFactory *factory = nullptr;
    // A new instance of the first class, asked for interface I; null when
    // the factory refuses.
    template <typename I> I *create() {
        PClassInfo info{};
        void *obj = nullptr;
        if (factory == nullptr || factory->getClassInfo(0, &info) != kResultOk ||
            factory->createInstance(info.cid, reinterpret_cast<const char *>(I::iid.bytes), &obj) !=
                kResultOk)
            return nullptr;
        return static_cast<I *>(obj);
    }
    // The same object's interface J (counted).
    template <typename J> static J *query(FUnknown *object) {
        void *obj = nullptr;
        return object != nullptr &&
                       object->queryInterface(reinterpret_cast<const char *>(J::iid.bytes), &obj) == kResultOk
                   ? static_cast<J *>(obj)
                   : nullptr;
    }

  private:
    tool::Module library;
    bool (*exitCall)() = nullptr;
};

// The VST 2.4 build of the same plug-in, loaded the way its hosts load it:
// the reference the VST 3 sound and state are held against.
class Vst2Module {
  public:
    explicit Vst2Module(const std::string &path);
    ~Vst2Module();

    AEffect *effect = nullptr;
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void *ptr = nullptr,
                       float opt = 0.f) {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }

  private:
    tool::Module library;
};

} // namespace vst3::testing
