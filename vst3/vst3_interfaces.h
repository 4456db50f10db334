// The VST 3 binary interface as far as Sorrel uses it, written from its
// public definition: COM-style interfaces (a table of virtual methods, no
// virtual destructor, the three methods of the base unknown first), their
// 16-byte ids, and the plain structures the calls pass. Everything else of
// the format stays out.
//
// Layout rules the host relies on. The interfaces inherit singly, so each
// table holds the base's methods first in declaration order. On 32-bit
// Windows the methods use the stdcall convention. Structures use the
// compiler's natural alignment, which the format's 8-byte packing on Windows
// leaves as it is; static_asserts below pin the sizes hosts depend on.
//
// Ids. A TUID is sixteen bytes made from four 32-bit words. On Windows the
// bytes follow the COM GUID (the first word and the two halves of the second
// in little-endian order); elsewhere every word is stored big-endian.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(_WIN32) && !defined(_WIN64)
#define SORREL_VST3_CALL __stdcall
#else
#define SORREL_VST3_CALL
#endif

#if defined(_WIN32)
#pragma pack(push, 8)
#endif

namespace sorrel::vst3 {

using tresult = int32_t;
using TBool = uint8_t;
using char16 = char16_t;
using String128 = char16[128];
using FIDString = const char *;
using ParamID = uint32_t;
using ParamValue = double;
using UnitID = int32_t;
using ProgramListID = int32_t;
using SpeakerArrangement = uint64_t;
using TUID = char[16];

#if defined(_WIN32)
constexpr tresult kNoInterface = static_cast<tresult>(0x80004002);
constexpr tresult kResultOk = 0;
constexpr tresult kResultTrue = 0;
constexpr tresult kResultFalse = 1;
constexpr tresult kInvalidArgument = static_cast<tresult>(0x80070057);
constexpr tresult kNotImplemented = static_cast<tresult>(0x80004001);
constexpr tresult kInternalError = static_cast<tresult>(0x80004005);
constexpr tresult kNotInitialized = static_cast<tresult>(0x8000FFFF);
constexpr tresult kOutOfMemory = static_cast<tresult>(0x8007000E);
#else
constexpr tresult kNoInterface = -1;
constexpr tresult kResultOk = 0;
constexpr tresult kResultTrue = 0;
constexpr tresult kResultFalse = 1;
constexpr tresult kInvalidArgument = 2;
constexpr tresult kNotImplemented = 3;
constexpr tresult kInternalError = 4;
constexpr tresult kNotInitialized = 5;
constexpr tresult kOutOfMemory = 6;
#endif

// An interface or class id as the platform stores it.
struct Uid {
    unsigned char bytes[16];

    constexpr Uid(uint32_t l1, uint32_t l2, uint32_t l3, uint32_t l4)
#if defined(_WIN32)
        : bytes{byte(l1, 0),  byte(l1, 8),  byte(l1, 16), byte(l1, 24), byte(l2, 16), byte(l2, 24),
                byte(l2, 0),  byte(l2, 8),  byte(l3, 24), byte(l3, 16), byte(l3, 8),  byte(l3, 0),
                byte(l4, 24), byte(l4, 16), byte(l4, 8),  byte(l4, 0)}
#else
        : bytes{byte(l1, 24), byte(l1, 16), byte(l1, 8),  byte(l1, 0),  byte(l2, 24), byte(l2, 16),
                byte(l2, 8),  byte(l2, 0),  byte(l3, 24), byte(l3, 16), byte(l3, 8),  byte(l3, 0),
                byte(l4, 24), byte(l4, 16), byte(l4, 8),  byte(l4, 0)}
#endif
    {
    }

    // Null never matches.
    bool matches(const void *id) const {
        return id != nullptr && std::memcmp(id, bytes, sizeof bytes) == 0;
    }
    void copyTo(void *out) const {
        std::memcpy(out, bytes, sizeof bytes);
    }

  private:
    static constexpr unsigned char byte(uint32_t word, int shift) {
        return static_cast<unsigned char>((word >> shift) & 0xFF);
    }
};

// --- the base ---------------------------------------------------------------------

class FUnknown {
  public:
    static constexpr Uid iid{0x00000000, 0x00000000, 0xC0000000, 0x00000046};
    virtual tresult SORREL_VST3_CALL queryInterface(const TUID interfaceId, void **obj) = 0;
    virtual uint32_t SORREL_VST3_CALL addRef() = 0;
    virtual uint32_t SORREL_VST3_CALL release() = 0;

  protected:
    ~FUnknown() = default;
};

class IPluginBase : public FUnknown {
  public:
    static constexpr Uid iid{0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625};
    virtual tresult SORREL_VST3_CALL initialize(FUnknown *context) = 0;
    virtual tresult SORREL_VST3_CALL terminate() = 0;

  protected:
    ~IPluginBase() = default;
};

// --- the factory ------------------------------------------------------------------

struct PFactoryInfo {
    enum : int32_t { kUnicode = 1 << 4 };
    char vendor[64];
    char url[256];
    char email[128];
    int32_t flags;
};

struct PClassInfo {
    static constexpr int32_t kManyInstances = 0x7FFFFFFF;
    TUID cid;
    int32_t cardinality;
    char category[32];
    char name[64];
};

struct PClassInfo2 {
    TUID cid;
    int32_t cardinality;
    char category[32];
    char name[64];
    uint32_t classFlags;
    char subCategories[128];
    char vendor[64];
    char version[64];
    char sdkVersion[64];
};

class IPluginFactory : public FUnknown {
  public:
    static constexpr Uid iid{0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F};
    virtual tresult SORREL_VST3_CALL getFactoryInfo(PFactoryInfo *info) = 0;
    virtual int32_t SORREL_VST3_CALL countClasses() = 0;
    virtual tresult SORREL_VST3_CALL getClassInfo(int32_t index, PClassInfo *info) = 0;
    virtual tresult SORREL_VST3_CALL createInstance(FIDString cid, FIDString interfaceId, void **obj) = 0;

  protected:
    ~IPluginFactory() = default;
};

class IPluginFactory2 : public IPluginFactory {
  public:
    static constexpr Uid iid{0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB};
    virtual tresult SORREL_VST3_CALL getClassInfo2(int32_t index, PClassInfo2 *info) = 0;

  protected:
    ~IPluginFactory2() = default;
};

// --- streams ----------------------------------------------------------------------

class IBStream : public FUnknown {
  public:
    static constexpr Uid iid{0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B};
    enum : int32_t { kIBSeekSet = 0, kIBSeekCur, kIBSeekEnd };
    virtual tresult SORREL_VST3_CALL read(void *buffer, int32_t numBytes, int32_t *numBytesRead) = 0;
    virtual tresult SORREL_VST3_CALL write(void *buffer, int32_t numBytes, int32_t *numBytesWritten) = 0;
    virtual tresult SORREL_VST3_CALL seek(int64_t pos, int32_t mode, int64_t *result) = 0;
    virtual tresult SORREL_VST3_CALL tell(int64_t *pos) = 0;

  protected:
    ~IBStream() = default;
};

// --- the component ----------------------------------------------------------------

enum MediaTypes : int32_t { kAudio = 0, kEvent = 1 };
enum BusDirections : int32_t { kInput = 0, kOutput = 1 };
enum BusTypes : int32_t { kMain = 0, kAux = 1 };

struct BusInfo {
    enum BusFlags : uint32_t { kDefaultActive = 1 };
    int32_t mediaType;
    int32_t direction;
    int32_t channelCount;
    String128 name;
    int32_t busType;
    uint32_t flags;
};

struct RoutingInfo {
    int32_t mediaType;
    int32_t busIndex;
    int32_t channel;
};

class IComponent : public IPluginBase {
  public:
    static constexpr Uid iid{0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802};
    virtual tresult SORREL_VST3_CALL getControllerClassId(TUID classId) = 0;
    virtual tresult SORREL_VST3_CALL setIoMode(int32_t mode) = 0;
    virtual int32_t SORREL_VST3_CALL getBusCount(int32_t type, int32_t dir) = 0;
    virtual tresult SORREL_VST3_CALL getBusInfo(int32_t type, int32_t dir, int32_t index, BusInfo &bus) = 0;
    virtual tresult SORREL_VST3_CALL getRoutingInfo(RoutingInfo &inInfo, RoutingInfo &outInfo) = 0;
    virtual tresult SORREL_VST3_CALL activateBus(int32_t type, int32_t dir, int32_t index, TBool state) = 0;
    virtual tresult SORREL_VST3_CALL setActive(TBool state) = 0;
    virtual tresult SORREL_VST3_CALL setState(IBStream *state) = 0;
    virtual tresult SORREL_VST3_CALL getState(IBStream *state) = 0;

  protected:
    ~IComponent() = default;
};

// --- audio processing -------------------------------------------------------------

namespace speaker {
constexpr SpeakerArrangement kLeft = 1 << 0;
constexpr SpeakerArrangement kRight = 1 << 1;
constexpr SpeakerArrangement kStereo = kLeft | kRight;
} // namespace speaker

enum SymbolicSampleSizes : int32_t { kSample32 = 0, kSample64 = 1 };
enum ProcessModes : int32_t { kRealtime = 0, kPrefetch, kOffline };

struct ProcessSetup {
    int32_t processMode;
    int32_t symbolicSampleSize;
    int32_t maxSamplesPerBlock;
    double sampleRate;
};

struct AudioBusBuffers {
    int32_t numChannels;
    uint64_t silenceFlags;
    union {
        float **channelBuffers32;
        double **channelBuffers64;
    };
};

// The host hands these two to process directly; nobody asks for them by id.
class IParamValueQueue : public FUnknown {
  public:
    virtual ParamID SORREL_VST3_CALL getParameterId() = 0;
    virtual int32_t SORREL_VST3_CALL getPointCount() = 0;
    virtual tresult SORREL_VST3_CALL getPoint(int32_t index, int32_t &sampleOffset, ParamValue &value) = 0;
    virtual tresult SORREL_VST3_CALL addPoint(int32_t sampleOffset, ParamValue value, int32_t &index) = 0;

  protected:
    ~IParamValueQueue() = default;
};

class IParameterChanges : public FUnknown {
  public:
    virtual int32_t SORREL_VST3_CALL getParameterCount() = 0;
    virtual IParamValueQueue *SORREL_VST3_CALL getParameterData(int32_t index) = 0;
    virtual IParamValueQueue *SORREL_VST3_CALL addParameterData(const ParamID &id, int32_t &index) = 0;

  protected:
    ~IParameterChanges() = default;
};

class IEventList;
struct ProcessContext;

struct ProcessData {
    int32_t processMode;
    int32_t symbolicSampleSize;
    int32_t numSamples;
    int32_t numInputs;
    int32_t numOutputs;
    AudioBusBuffers *inputs;
    AudioBusBuffers *outputs;
    IParameterChanges *inputParameterChanges;
    IParameterChanges *outputParameterChanges;
    IEventList *inputEvents;
    IEventList *outputEvents;
    ProcessContext *processContext;
};

class IAudioProcessor : public FUnknown {
  public:
    static constexpr Uid iid{0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D};
    virtual tresult SORREL_VST3_CALL setBusArrangements(SpeakerArrangement *inputs, int32_t numIns,
                                                        SpeakerArrangement *outputs, int32_t numOuts) = 0;
    virtual tresult SORREL_VST3_CALL getBusArrangement(int32_t dir, int32_t index,
                                                       SpeakerArrangement &arr) = 0;
    virtual tresult SORREL_VST3_CALL canProcessSampleSize(int32_t symbolicSampleSize) = 0;
    virtual uint32_t SORREL_VST3_CALL getLatencySamples() = 0;
    virtual tresult SORREL_VST3_CALL setupProcessing(ProcessSetup &setup) = 0;
    virtual tresult SORREL_VST3_CALL setProcessing(TBool state) = 0;
    virtual tresult SORREL_VST3_CALL process(ProcessData &data) = 0;
    virtual uint32_t SORREL_VST3_CALL getTailSamples() = 0;

  protected:
    ~IAudioProcessor() = default;
};

// --- the controller ---------------------------------------------------------------

struct ParameterInfo {
    enum ParameterFlags : int32_t {
        kNoFlags = 0,
        kCanAutomate = 1 << 0,
        kIsReadOnly = 1 << 1,
        kIsWrapAround = 1 << 2,
        kIsList = 1 << 3,
        kIsHidden = 1 << 4,
        kIsProgramChange = 1 << 15,
        kIsBypass = 1 << 16,
    };
    ParamID id;
    String128 title;
    String128 shortTitle;
    String128 units;
    int32_t stepCount;
    ParamValue defaultNormalizedValue;
    UnitID unitId;
    int32_t flags;
};

enum RestartFlags : int32_t { kParamValuesChanged = 1 << 2 };

class IComponentHandler : public FUnknown {
  public:
    static constexpr Uid iid{0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6};
    virtual tresult SORREL_VST3_CALL beginEdit(ParamID id) = 0;
    virtual tresult SORREL_VST3_CALL performEdit(ParamID id, ParamValue valueNormalized) = 0;
    virtual tresult SORREL_VST3_CALL endEdit(ParamID id) = 0;
    virtual tresult SORREL_VST3_CALL restartComponent(int32_t flags) = 0;

  protected:
    ~IComponentHandler() = default;
};

class IPlugView;

class IEditController : public IPluginBase {
  public:
    static constexpr Uid iid{0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E};
    virtual tresult SORREL_VST3_CALL setComponentState(IBStream *state) = 0;
    virtual tresult SORREL_VST3_CALL setState(IBStream *state) = 0;
    virtual tresult SORREL_VST3_CALL getState(IBStream *state) = 0;
    virtual int32_t SORREL_VST3_CALL getParameterCount() = 0;
    virtual tresult SORREL_VST3_CALL getParameterInfo(int32_t paramIndex, ParameterInfo &info) = 0;
    virtual tresult SORREL_VST3_CALL getParamStringByValue(ParamID id, ParamValue valueNormalized,
                                                           String128 string) = 0;
    virtual tresult SORREL_VST3_CALL getParamValueByString(ParamID id, char16 *string,
                                                           ParamValue &valueNormalized) = 0;
    virtual ParamValue SORREL_VST3_CALL normalizedParamToPlain(ParamID id, ParamValue valueNormalized) = 0;
    virtual ParamValue SORREL_VST3_CALL plainParamToNormalized(ParamID id, ParamValue plainValue) = 0;
    virtual ParamValue SORREL_VST3_CALL getParamNormalized(ParamID id) = 0;
    virtual tresult SORREL_VST3_CALL setParamNormalized(ParamID id, ParamValue value) = 0;
    virtual tresult SORREL_VST3_CALL setComponentHandler(IComponentHandler *handler) = 0;
    virtual IPlugView *SORREL_VST3_CALL createView(FIDString name) = 0;

  protected:
    ~IEditController() = default;
};

// Units and program lists: how hosts find the programs as presets.
constexpr UnitID kRootUnitId = 0;
constexpr UnitID kNoParentUnitId = -1;
constexpr ProgramListID kNoProgramListId = -1;

struct UnitInfo {
    UnitID id;
    UnitID parentUnitId;
    String128 name;
    ProgramListID programListId;
};

struct ProgramListInfo {
    ProgramListID id;
    String128 name;
    int32_t programCount;
};

class IUnitInfo : public FUnknown {
  public:
    static constexpr Uid iid{0x3D4BD6B5, 0x913A4FD2, 0xA886E768, 0xA5EB92C1};
    virtual int32_t SORREL_VST3_CALL getUnitCount() = 0;
    virtual tresult SORREL_VST3_CALL getUnitInfo(int32_t unitIndex, UnitInfo &info) = 0;
    virtual int32_t SORREL_VST3_CALL getProgramListCount() = 0;
    virtual tresult SORREL_VST3_CALL getProgramListInfo(int32_t listIndex, ProgramListInfo &info) = 0;
    virtual tresult SORREL_VST3_CALL getProgramName(ProgramListID listId, int32_t programIndex,
                                                    String128 name) = 0;
    virtual tresult SORREL_VST3_CALL getProgramInfo(ProgramListID listId, int32_t programIndex,
                                                    const char *attributeId, String128 attributeValue) = 0;
    virtual tresult SORREL_VST3_CALL hasProgramPitchNames(ProgramListID listId, int32_t programIndex) = 0;
    virtual tresult SORREL_VST3_CALL getProgramPitchName(ProgramListID listId, int32_t programIndex,
                                                         int16_t midiPitch, String128 name) = 0;
    virtual UnitID SORREL_VST3_CALL getSelectedUnit() = 0;
    virtual tresult SORREL_VST3_CALL selectUnit(UnitID unitId) = 0;
    virtual tresult SORREL_VST3_CALL getUnitByBus(int32_t type, int32_t dir, int32_t busIndex,
                                                  int32_t channel, UnitID &unitId) = 0;
    virtual tresult SORREL_VST3_CALL setUnitProgramData(int32_t listOrUnitId, int32_t programIndex,
                                                        IBStream *data) = 0;

  protected:
    ~IUnitInfo() = default;
};

// --- the editor -------------------------------------------------------------------

struct ViewRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

constexpr const char *kPlatformTypeHWND = "HWND";
constexpr const char *kPlatformTypeX11EmbedWindowID = "X11EmbedWindowID";
constexpr const char *kEditorViewName = "editor";

class IPlugFrame;

class IPlugView : public FUnknown {
  public:
    static constexpr Uid iid{0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29};
    virtual tresult SORREL_VST3_CALL isPlatformTypeSupported(FIDString type) = 0;
    virtual tresult SORREL_VST3_CALL attached(void *parent, FIDString type) = 0;
    virtual tresult SORREL_VST3_CALL removed() = 0;
    virtual tresult SORREL_VST3_CALL onWheel(float distance) = 0;
    virtual tresult SORREL_VST3_CALL onKeyDown(char16 key, int16_t keyCode, int16_t modifiers) = 0;
    virtual tresult SORREL_VST3_CALL onKeyUp(char16 key, int16_t keyCode, int16_t modifiers) = 0;
    virtual tresult SORREL_VST3_CALL getSize(ViewRect *size) = 0;
    virtual tresult SORREL_VST3_CALL onSize(ViewRect *newSize) = 0;
    virtual tresult SORREL_VST3_CALL onFocus(TBool state) = 0;
    virtual tresult SORREL_VST3_CALL setFrame(IPlugFrame *frame) = 0;
    virtual tresult SORREL_VST3_CALL canResize() = 0;
    virtual tresult SORREL_VST3_CALL checkSizeConstraint(ViewRect *rect) = 0;

  protected:
    ~IPlugView() = default;
};

class IPlugFrame : public FUnknown {
  public:
    static constexpr Uid iid{0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3};
    virtual tresult SORREL_VST3_CALL resizeView(IPlugView *view, ViewRect *newSize) = 0;

  protected:
    ~IPlugFrame() = default;
};

class IPlugViewContentScaleSupport : public FUnknown {
  public:
    static constexpr Uid iid{0x65ED9690, 0x8AC44525, 0x8AADEF7A, 0x72EA703F};
    virtual tresult SORREL_VST3_CALL setContentScaleFactor(float factor) = 0;

  protected:
    ~IPlugViewContentScaleSupport() = default;
};

// The host's run loop on Linux, offered by the plug frame: the editor's
// timer runs on the host's GUI thread through it.
class ITimerHandler : public FUnknown {
  public:
    static constexpr Uid iid{0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9};
    virtual void SORREL_VST3_CALL onTimer() = 0;

  protected:
    ~ITimerHandler() = default;
};

class IEventHandler : public FUnknown {
  public:
    static constexpr Uid iid{0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983};
    virtual void SORREL_VST3_CALL onFDIsSet(int fd) = 0;

  protected:
    ~IEventHandler() = default;
};

class IRunLoop : public FUnknown {
  public:
    static constexpr Uid iid{0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389};
    virtual tresult SORREL_VST3_CALL registerEventHandler(IEventHandler *handler, int fd) = 0;
    virtual tresult SORREL_VST3_CALL unregisterEventHandler(IEventHandler *handler) = 0;
    virtual tresult SORREL_VST3_CALL registerTimer(ITimerHandler *handler, uint64_t milliseconds) = 0;
    virtual tresult SORREL_VST3_CALL unregisterTimer(ITimerHandler *handler) = 0;

  protected:
    ~IRunLoop() = default;
};

// The sizes the host and the plug-in must agree on.
static_assert(sizeof(PFactoryInfo) == 452);
static_assert(sizeof(PClassInfo) == 116);
static_assert(sizeof(PClassInfo2) == 440);
static_assert(sizeof(BusInfo) == 276);
static_assert(sizeof(ProcessSetup) == 24);
static_assert(sizeof(ParameterInfo) == 792);
static_assert(sizeof(UnitInfo) == 268);
static_assert(sizeof(ProgramListInfo) == 264);
static_assert(sizeof(ViewRect) == 16);

} // namespace sorrel::vst3

#if defined(_WIN32)
#pragma pack(pop)
#endif
