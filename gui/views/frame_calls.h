// Scope guards of the frame's own files: a count of the frame for one call
// from outside, and a drawing context given back at the end of a scope.
#pragma once

#include "gui/drawing/drawcontext.h"
#include "gui/views/frame.h"

namespace sorrel::gui {

// A count of the frame for the duration of one call from outside: whatever
// the call leads to (a host closing the editor, or deleting the effect, from
// inside its idle), the frame stays valid until the call returns.
using KeepAlive = CReferenceHold;

// A context the caller gives back with forget when it goes out of scope.
class ContextRef {
  public:
    explicit ContextRef(CDrawContext *inContext) : context(inContext) {}
    ~ContextRef() {
        if (context)
            context->forget();
    }
    ContextRef(const ContextRef &) = delete;
    ContextRef &operator=(const ContextRef &) = delete;
    CDrawContext *get() const { return context; }

  private:
    CDrawContext *context;
};

} // namespace sorrel::gui
