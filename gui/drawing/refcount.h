// Shared ownership of toolkit objects: whoever creates or remembers an object
// owns one count and gives it back with forget.
#pragma once

#include <cstdint>

namespace sorrel {

class CReferenceCounter {
  public:
    CReferenceCounter() = default;
    CReferenceCounter(const CReferenceCounter &) = delete;
    CReferenceCounter &operator=(const CReferenceCounter &) = delete;
    virtual ~CReferenceCounter() = default;

    // Destroys the object when the count was 1 before the decrement.
    virtual void forget() {
        if (nbReference-- == 1)
            delete this;
    }
    virtual void remember() { nbReference++; }
    int32_t getNbReference() const { return nbReference; }

  private:
    int32_t nbReference = 1;
};

// A count held for the duration of a scope: whatever the scope leads to (a
// handler that removes its own view, a host that closes the editor from
// inside a call), the object stays valid until the scope ends.
class CReferenceHold {
  public:
    explicit CReferenceHold(CReferenceCounter *inObject) : object(inObject) { object->remember(); }
    ~CReferenceHold() { object->forget(); }
    CReferenceHold(const CReferenceHold &) = delete;
    CReferenceHold &operator=(const CReferenceHold &) = delete;

  private:
    CReferenceCounter *object;
};

} // namespace sorrel
