// Drawing-context tests on the headless backend: a fresh input script for
// each test, and a context owner that counts its idle runs.
#pragma once

#include "gui/drawing/drawcontext.h"
#include "gui/platform/headless.h"

#include <vector>

namespace sorrel {

class ScriptedEnvironment : public CDrawContextOwner {
  public:
    ScriptedEnvironment() { platform::headless::reset(); }
    ~ScriptedEnvironment() { platform::headless::reset(); }

    CRect getDefaultClip() override { return frameRect; }
    void doIdleWork() override { ++idleRuns; }

    void setPointer(const std::vector<CPoint> &points) {
        script.pointer.clear();
        for (const CPoint &p : points)
            script.pointer.push_back({p.x, p.y});
    }

    platform::headless::Script &script = platform::headless::script();
    CRect frameRect{0, 0, 710, 167};
    int idleRuns = 0;
};

} // namespace sorrel
