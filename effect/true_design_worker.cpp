#include "effect/true_design_worker.h"

#include <chrono>
#include <system_error>

namespace sorrel {

namespace {

// How often the worker looks for requests: often while faders move, seldom
// when nothing happened for a while (a first move after a pause waits at
// most the longer interval, and its change still arrives as a smooth ramp).
constexpr auto kBusyInterval = std::chrono::milliseconds(2);
constexpr auto kIdleInterval = std::chrono::milliseconds(20);
constexpr auto kBusyFor = std::chrono::milliseconds(500);

} // namespace

TrueDesignWorker::TrueDesignWorker(TrueEqualizer &left, TrueEqualizer &right)
    : leftEngine(left), rightEngine(right) {
    for (std::atomic<float> &g : gains)
        g.store(0.0f, std::memory_order_relaxed);
    try {
        thread = std::thread([this] { run(); });
    } catch (const std::system_error &) {
        // No thread: request designs in place.
    }
}

TrueDesignWorker::~TrueDesignWorker() {
    stopping.store(true);
    if (thread.joinable())
        thread.join();
}

void TrueDesignWorker::request(float newRate, const float gainsDb[kNumBands]) {
    rate.store(newRate, std::memory_order_relaxed);
    for (int k = 0; k < kNumBands; ++k)
        gains[k].store(gainsDb[k], std::memory_order_relaxed);
    requests.fetch_add(1, std::memory_order_release);
    if (!thread.joinable())
        designPending();
}

void TrueDesignWorker::designPending() {
    if (designing.exchange(true, std::memory_order_acquire))
        return;
    const unsigned seen = requests.load(std::memory_order_acquire);
    if (seen != handled.load(std::memory_order_relaxed)) {
        const float r = rate.load(std::memory_order_relaxed);
        float db[kNumBands];
        for (int k = 0; k < kNumBands; ++k)
            db[k] = gains[k].load(std::memory_order_relaxed);
        if (static_cast<double>(r) != designer.rate())
            designer.prepare(r);
        if (designer.prepared() && designer.rate() == static_cast<double>(r)) {
            true_kernel::Numerators numerators;
            designer.design(db, numerators);
            leftEngine.publish(designer.poles(), numerators, designer.rate());
            rightEngine.publish(designer.poles(), numerators, designer.rate());
            publishedRate.store(r, std::memory_order_release);
        }
        handled.store(seen, std::memory_order_release);
    }
    designing.store(false, std::memory_order_release);
}

void TrueDesignWorker::run() {
    auto lastActive = std::chrono::steady_clock::now() - kBusyFor;
    while (!stopping.load(std::memory_order_relaxed)) {
        if (requests.load(std::memory_order_acquire) != handled.load(std::memory_order_relaxed)) {
            designPending();
            lastActive = std::chrono::steady_clock::now();
            continue;
        }
        const bool busy = std::chrono::steady_clock::now() - lastActive < kBusyFor;
        std::this_thread::sleep_for(busy ? kBusyInterval : kIdleInterval);
    }
}

bool TrueDesignWorker::settle(int timeoutMilliseconds) {
    const unsigned target = requests.load(std::memory_order_acquire);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
    // Counts wrap: done once handled has reached or passed the target.
    while (static_cast<int>(handled.load(std::memory_order_acquire) - target) < 0) {
        if (!thread.joinable())
            designPending();
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace sorrel
