// A plug-in that records how a host drives it. It looks to the host like
// Sorrel (two inputs and outputs, 36 parameters, ten programs kept as
// chunks, an editor) but passes audio through and writes every call it
// receives, with the calling thread, to the file named by SORREL_SPY_LOG.
// The Ardour host test loads it to learn what Ardour does to a plug-in, so
// that the same sequence can be replayed against Sorrel without Ardour.
// Its editor is a 710 x 167 rectangle and nothing more: it answers the
// editor calls and records the parent window the host passes, but draws
// nothing, so that the spy needs no window system.
//
// Built by the host test script on its own:
//   g++ -shared -fPIC -O2 -I<root> spy_plugin.cpp -o SorrelSpy.so -lpthread

#include "vst2/aeffect.h"
#include "tests/support/raw_plugin.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <pthread.h>

namespace {

// Extended dispatcher opcodes the spy answers (the rest only get logged).
enum : VstInt32 {
    kCanBeAutomated = 26,
    kGetProgramNameIndexed = 29,
    kGetPlugCategory = 35,
    kGetEffectName = 45,
    kGetVendorString = 47,
    kGetProductString = 48,
    kGetVendorVersion = 49,
    kCanDo = 51,
    kGetVstVersion = 58,
};

constexpr int kParams = 36;
constexpr int kPrograms = 10;
constexpr int kRecord = 32 + kParams * 4;

struct Spy {
    AEffect record{};
    // Audio calls in progress, counted outside the lock so that a call that
    // arrives during one is seen; such lines are marked "during-audio".
    std::atomic<int> audioCalls{0};
    unsigned char bank[kPrograms * kRecord]{};
    int program = 0;
    FILE *log = nullptr;
    std::mutex lock;
    // Threads are numbered in the order they first call in.
    pthread_t threads[16]{};
    int threadCount = 0;
    // Runs of process calls with the same frame count and thread are written
    // as one line.
    int runFrames = -1;
    int runThread = -1;
    long runCount = 0;
    const char *runKind = "";
    // Editor idle calls come many times a second; they are counted, with
    // the time of the first and the last, and written as one line when
    // anything else is written. Audio runs do not interrupt them.
    ERect rect{0, 0, 167, 710};
    long idleCount = 0;
    int idleThread = -1;
    double idleFirst = 0.0;
    double idleLast = 0.0;

    float *values(int p) { return reinterpret_cast<float *>(bank + p * kRecord + 32); }

    int thread() {
        pthread_t self = pthread_self();
        for (int i = 0; i < threadCount; ++i) {
            if (pthread_equal(self, threads[i]))
                return i + 1;
        }
        if (threadCount == 16)
            return 0;
        threads[threadCount] = self;
        return ++threadCount;
    }

    static double now() {
        timespec t{};
        clock_gettime(CLOCK_MONOTONIC, &t);
        return t.tv_sec + t.tv_nsec * 1e-9;
    }

    void flushIdle() {
        if (idleCount > 0 && log) {
            double span = idleLast - idleFirst;
            std::fprintf(log, "effEditIdle calls=%ld seconds=%.2f rate=%.1f thread=%d\n", idleCount, span,
                         span > 0.0 ? (idleCount - 1) / span : 0.0, idleThread);
            std::fflush(log);
        }
        idleCount = 0;
    }

    void idle() {
        double t = now();
        int who = thread();
        if (idleCount > 0 && who != idleThread)
            flushIdle();
        if (idleCount++ == 0)
            idleFirst = t;
        idleLast = t;
        idleThread = who;
    }

    void flushRun() {
        if (runCount > 0 && log)
            std::fprintf(log, "%s frames=%d calls=%ld thread=%d\n", runKind, runFrames, runCount, runThread);
        runCount = 0;
        runFrames = -1;
    }

    void line(const char *fmt, ...) __attribute__((format(printf, 2, 3)));
};

void Spy::line(const char *fmt, ...) {
    if (!log)
        return;
    flushIdle();
    flushRun();
    va_list args;
    va_start(args, fmt);
    std::vfprintf(log, fmt, args);
    va_end(args);
    std::fputc('\n', log);
    std::fflush(log);
}

Spy *spyOf(AEffect *e) {
    return static_cast<Spy *>(e->object);
}

VstIntPtr dispatch(AEffect *e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void *ptr, float opt) {
    Spy *s = spyOf(e);
    bool duringAudio = s->audioCalls.load() > 0;
    std::unique_lock<std::mutex> hold(s->lock);
    if (opcode == effEditIdle) {
        s->idle();
        return 0;
    }
    // effEditOpen's pointer is the host's parent window: written as the
    // number it is, so that the test can find that window.
    char where[32] = "null";
    if (ptr && opcode == effEditOpen)
        std::snprintf(where, sizeof where, "0x%llx",
                      static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(ptr)));
    else if (ptr)
        std::strcpy(where, "set");
    s->line("dispatch op=%d index=%d value=%lld opt=%g ptr=%s thread=%d%s", opcode, index,
            static_cast<long long>(value), opt, where, s->thread(), duringAudio ? " during-audio" : "");
    switch (opcode) {
    case effClose:
        s->line("close");
        if (s->log)
            std::fclose(s->log);
        hold.unlock();
        delete s;
        return 1;
    case effSetProgram:
        if (value >= 0 && value < kPrograms)
            s->program = static_cast<int>(value);
        return 0;
    case effGetProgram:
        return s->program;
    case effGetProgramName:
        std::snprintf(static_cast<char *>(ptr), 24, "spy %d", s->program);
        return 0;
    case kCanBeAutomated:
        return index >= 0 && index < kParams;
    case kGetProgramNameIndexed:
        if (index < 0 || index >= kPrograms || !ptr)
            return 0;
        std::snprintf(static_cast<char *>(ptr), 24, "spy %d", index);
        return 1;
    case effGetParamName:
        if (index >= 0 && index < 34)
            std::snprintf(static_cast<char *>(ptr), 9, "p%d", index);
        return 0;
    case effGetParamLabel:
        sorrel::rawplugin::copyText(ptr, "dB", 8);
        return 0;
    case effGetParamDisplay:
        if (index >= 0 && index < kParams)
            std::snprintf(static_cast<char *>(ptr), 9, "%.5f", s->values(s->program)[index]);
        return 0;
    case effGetChunk:
        if (!ptr)
            return 0;
        *static_cast<void **>(ptr) = index ? s->bank + s->program * kRecord : s->bank;
        return index ? kRecord : static_cast<VstIntPtr>(sizeof s->bank);
    case effSetChunk: {
        if (!ptr || value <= 0)
            return 0;
        size_t n = static_cast<size_t>(value);
        if (index)
            std::memcpy(s->bank + s->program * kRecord, ptr, n < kRecord ? n : kRecord);
        else
            std::memcpy(s->bank, ptr, n < sizeof s->bank ? n : sizeof s->bank);
        return 1;
    }
    case effEditGetRect:
        if (!ptr)
            return 0;
        *static_cast<ERect **>(ptr) = &s->rect;
        return 1;
    case effEditOpen:
        return 1;
    case effIdentify:
        return fourCharCode('N', 'v', 'E', 'f');
    case kGetPlugCategory:
        return 1;
    case kGetEffectName:
        sorrel::rawplugin::copyText(ptr, "SorrelSpy", 32);
        return 1;
    case kGetVendorString:
        sorrel::rawplugin::copyText(ptr, "Quillmark", 63);
        return 1;
    case kGetProductString:
        sorrel::rawplugin::copyText(ptr, "SorrelSpy / Quillmark", 63);
        return 1;
    case kGetVendorVersion:
        return 1100;
    case kCanDo:
        s->line("canDo %s", ptr ? static_cast<const char *>(ptr) : "(null)");
        return 0;
    case kGetVstVersion:
        return 2400;
    default:
        return 0;
    }
}

void audio(AEffect *e, float **in, float **out, VstInt32 frames, bool replacing) {
    Spy *s = spyOf(e);
    ++s->audioCalls;
    std::unique_lock<std::mutex> hold(s->lock);
    const char *kind = replacing ? "processReplacing" : "process";
    int thread = s->thread();
    if (frames != s->runFrames || kind != s->runKind || thread != s->runThread) {
        s->flushRun();
        s->runFrames = frames;
        s->runKind = kind;
        s->runThread = thread;
    }
    ++s->runCount;
    for (int c = 0; c < 2; ++c) {
        if (!in || !out || !in[c] || !out[c])
            continue;
        for (VstInt32 i = 0; i < frames; ++i)
            out[c][i] = replacing ? in[c][i] : out[c][i] + in[c][i];
    }
    hold.unlock();
    --s->audioCalls;
}

void processReplacing(AEffect *e, float **in, float **out, VstInt32 frames) {
    audio(e, in, out, frames, true);
}
void processAccumulating(AEffect *e, float **in, float **out, VstInt32 frames) {
    audio(e, in, out, frames, false);
}

void setParameter(AEffect *e, VstInt32 index, float value) {
    Spy *s = spyOf(e);
    bool duringAudio = s->audioCalls.load() > 0;
    std::lock_guard<std::mutex> hold(s->lock);
    s->line("setParameter index=%d value=%.9g thread=%d%s", index, value, s->thread(),
            duringAudio ? " during-audio" : "");
    if (index >= 0 && index < kParams)
        s->values(s->program)[index] = value;
}

float getParameter(AEffect *e, VstInt32 index) {
    Spy *s = spyOf(e);
    std::lock_guard<std::mutex> hold(s->lock);
    return index >= 0 && index < kParams ? s->values(s->program)[index] : 0.0f;
}

} // namespace

extern "C" __attribute__((visibility("default"))) AEffect *VSTPluginMain(audioMasterCallback master) {
    if (!sorrel::rawplugin::hostAnswers(master))
        return nullptr;
    Spy *s = new Spy;
    const char *path = std::getenv("SORREL_SPY_LOG");
    if (path)
        s->log = std::fopen(path, "a");
    for (int p = 0; p < kPrograms; ++p) {
        for (int i = 0; i < kParams; ++i)
            s->values(p)[i] = i >= 34 ? 1.0f : 0.5f;
    }
    sorrel::rawplugin::fillRecord(s->record, s,
                          {fourCharCode('S', 'p', 'y', 'S'), 1, 2, 2, kParams, kPrograms,
                           effFlagsHasEditor | effFlagsCanMono | effFlagsCanReplacing | effFlagsProgramChunks},
                          {dispatch, processAccumulating, processReplacing, setParameter, getParameter});
    s->line("created");
    return &s->record;
}
