// What the editor tells the host, on its way from the GUI thread to the
// thread that hands events to the host (the audio thread in process, or
// whichever thread calls flush). One writer, one reader, no locks: the
// writer never waits and the reader never allocates.
#pragma once

#include <atomic>
#include <cstdint>

namespace sorrel::clap {

struct EditorEvent {
    enum Kind : uint16_t { Begin, Value, End } kind;
    int32_t index;
    double value; // readable, for Value
};

class EditorEventQueue {
  public:
    static constexpr uint32_t kCapacity = 1024;

    // Writer. False when full: the event is lost. A drag sends a value per
    // distinct position and the reader empties the queue every block, so
    // only a host that stopped processing and flushing fills it.
    bool push(const EditorEvent &event) {
        const uint32_t tail = writeAt.load(std::memory_order_relaxed);
        if (tail - readAt.load(std::memory_order_acquire) == kCapacity)
            return false;
        slots[tail % kCapacity] = event;
        writeAt.store(tail + 1, std::memory_order_release);
        return true;
    }

    // Reader: the oldest event, if any.
    bool peek(EditorEvent &event) const {
        const uint32_t head = readAt.load(std::memory_order_relaxed);
        if (head == writeAt.load(std::memory_order_acquire))
            return false;
        event = slots[head % kCapacity];
        return true;
    }
    void pop() { readAt.store(readAt.load(std::memory_order_relaxed) + 1, std::memory_order_release); }

  private:
    EditorEvent slots[kCapacity];
    std::atomic<uint32_t> writeAt{0};
    std::atomic<uint32_t> readAt{0};
};

} // namespace sorrel::clap
