// The equaliser as a VST 3 plug-in: one object that is both the audio
// component and its edit controller, on top of the format-free
// EqualizerEffect. The one place that puts effect and editor together for
// this format; the editor's view (vst3_view.h) reads and writes through it.
//
// One object, not two: controller and processor then share the effect, so
// the controller follows every state load, program change and automated
// value without messages between them, and hosts that ask the component for
// its controller interface (all of them do first) get it at once.
//
// Parameter ids are the table's indices, stable forever; the program change
// parameter has an id of its own beyond them. The state is a small header
// (version, selected program) and the bank chunk of the other formats.
#pragma once

#include "effect/equalizer_effect.h"
#include "vst3/vst3_interfaces.h"

#include <atomic>

namespace sorrel::vst3 {

// The class id hosts store with their projects: never change it.
extern const Uid kSorrelClassId;
constexpr ParamID kProgramParamId = 1000;
constexpr ProgramListID kProgramListId = 1;
// State layout: version and program (little-endian 32-bit each), then the
// bank chunk.
constexpr uint32_t kStateVersion = 1;
constexpr int32_t kStateHeaderSize = 8;

// The component and the controller name their state calls alike; these two
// give each its own, so that the host's copy of the controller's state is
// not a second copy of the bank.
class Vst3Component : public IComponent {
  public:
    tresult SORREL_VST3_CALL setState(IBStream *state) final { return loadState(state); }
    tresult SORREL_VST3_CALL getState(IBStream *state) final { return saveState(state); }
    virtual tresult loadState(IBStream *state) = 0;
    virtual tresult saveState(IBStream *state) = 0;

  protected:
    ~Vst3Component() = default;
};

class Vst3Controller : public IEditController {
  public:
    // The controller keeps nothing of its own: an empty state, and any
    // state it is given is taken without looking.
    tresult SORREL_VST3_CALL setState(IBStream *state) final {
        return state != nullptr ? kResultOk : kInvalidArgument;
    }
    tresult SORREL_VST3_CALL getState(IBStream *state) final {
        return state != nullptr ? kResultOk : kInvalidArgument;
    }

  protected:
    ~Vst3Controller() = default;
};

class Vst3Equalizer final : public Vst3Component,
                            public IAudioProcessor,
                            public Vst3Controller,
                            public IUnitInfo {
  public:
    // Throws std::bad_alloc. Starts with one reference.
    Vst3Equalizer();

    Vst3Equalizer(const Vst3Equalizer &) = delete;
    Vst3Equalizer &operator=(const Vst3Equalizer &) = delete;

    // FUnknown
    tresult SORREL_VST3_CALL queryInterface(const TUID interfaceId, void **obj) override;
    uint32_t SORREL_VST3_CALL addRef() override;
    uint32_t SORREL_VST3_CALL release() override;

    // IPluginBase (both the component's and the controller's)
    tresult SORREL_VST3_CALL initialize(FUnknown *context) override;
    tresult SORREL_VST3_CALL terminate() override;

    // IComponent
    tresult SORREL_VST3_CALL getControllerClassId(TUID classId) override;
    tresult SORREL_VST3_CALL setIoMode(int32_t mode) override;
    int32_t SORREL_VST3_CALL getBusCount(int32_t type, int32_t dir) override;
    tresult SORREL_VST3_CALL getBusInfo(int32_t type, int32_t dir, int32_t index, BusInfo &bus) override;
    tresult SORREL_VST3_CALL getRoutingInfo(RoutingInfo &inInfo, RoutingInfo &outInfo) override;
    tresult SORREL_VST3_CALL activateBus(int32_t type, int32_t dir, int32_t index, TBool state) override;
    tresult SORREL_VST3_CALL setActive(TBool state) override;
    // The component's state: the bank and the selected program. A state
    // that is not whole and ours is refused with nothing changed.
    tresult loadState(IBStream *state) override;
    tresult saveState(IBStream *state) override;

    // IAudioProcessor
    tresult SORREL_VST3_CALL setBusArrangements(SpeakerArrangement *inputs, int32_t numIns,
                                                SpeakerArrangement *outputs, int32_t numOuts) override;
    tresult SORREL_VST3_CALL getBusArrangement(int32_t dir, int32_t index, SpeakerArrangement &arr) override;
    tresult SORREL_VST3_CALL canProcessSampleSize(int32_t symbolicSampleSize) override;
    uint32_t SORREL_VST3_CALL getLatencySamples() override { return 0; }
    tresult SORREL_VST3_CALL setupProcessing(ProcessSetup &setup) override;
    tresult SORREL_VST3_CALL setProcessing(TBool) override { return kResultOk; }
    tresult SORREL_VST3_CALL process(ProcessData &data) override;
    uint32_t SORREL_VST3_CALL getTailSamples() override { return 0; }

    // IEditController
    tresult SORREL_VST3_CALL setComponentState(IBStream *state) override;
    int32_t SORREL_VST3_CALL getParameterCount() override;
    tresult SORREL_VST3_CALL getParameterInfo(int32_t paramIndex, ParameterInfo &info) override;
    tresult SORREL_VST3_CALL getParamStringByValue(ParamID id, ParamValue valueNormalized,
                                                   String128 string) override;
    tresult SORREL_VST3_CALL getParamValueByString(ParamID id, char16 *string,
                                                   ParamValue &valueNormalized) override;
    ParamValue SORREL_VST3_CALL normalizedParamToPlain(ParamID id, ParamValue valueNormalized) override;
    ParamValue SORREL_VST3_CALL plainParamToNormalized(ParamID id, ParamValue plainValue) override;
    ParamValue SORREL_VST3_CALL getParamNormalized(ParamID id) override;
    tresult SORREL_VST3_CALL setParamNormalized(ParamID id, ParamValue value) override;
    tresult SORREL_VST3_CALL setComponentHandler(IComponentHandler *handler) override;
    IPlugView *SORREL_VST3_CALL createView(FIDString name) override;

    // IUnitInfo: one unit holding the ten programs as a program list.
    int32_t SORREL_VST3_CALL getUnitCount() override { return 1; }
    tresult SORREL_VST3_CALL getUnitInfo(int32_t unitIndex, UnitInfo &info) override;
    int32_t SORREL_VST3_CALL getProgramListCount() override { return 1; }
    tresult SORREL_VST3_CALL getProgramListInfo(int32_t listIndex, ProgramListInfo &info) override;
    tresult SORREL_VST3_CALL getProgramName(ProgramListID listId, int32_t programIndex,
                                            String128 name) override;
    tresult SORREL_VST3_CALL getProgramInfo(ProgramListID, int32_t, const char *, String128) override {
        return kResultFalse;
    }
    tresult SORREL_VST3_CALL hasProgramPitchNames(ProgramListID, int32_t) override { return kResultFalse; }
    tresult SORREL_VST3_CALL getProgramPitchName(ProgramListID, int32_t, int16_t, String128) override {
        return kResultFalse;
    }
    UnitID SORREL_VST3_CALL getSelectedUnit() override { return kRootUnitId; }
    tresult SORREL_VST3_CALL selectUnit(UnitID unitId) override;
    tresult SORREL_VST3_CALL getUnitByBus(int32_t, int32_t, int32_t, int32_t, UnitID &unitId) override;
    tresult SORREL_VST3_CALL setUnitProgramData(int32_t, int32_t, IBStream *) override {
        return kNotImplemented;
    }

    EqualizerEffect &effect() { return core; }
    // The host's handler, or null; the view reports gestures through it.
    IComponentHandler *handler() const { return componentHandler; }
    // GUI thread: tells the host that every value may have changed when a
    // program change (from the host or automation) made them change.
    void reportChangedValues();
    // A value the user set in the editor: the effect takes it and the host
    // hears it (performEdit).
    void userValue(int32_t index, float value);

  private:
    ~Vst3Equalizer();
    // Applies one block's parameter changes at their offsets, running the
    // audio in between.
    void runSegments(ProcessData &data, float **inputs, float **outputs);
    void applyChanges(IParameterChanges *changes, int32_t count, int32_t frames, int32_t offset);
    void applyValue(ParamID id, ParamValue value);
    // Selects program, and tells the host that every value changed.
    void selectProgram(int32_t program);

    std::atomic<uint32_t> references{1};
    EqualizerEffect core;
    IComponentHandler *componentHandler = nullptr;
    std::atomic<bool> valuesChanged{false};
};

} // namespace sorrel::vst3
