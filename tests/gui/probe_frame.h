// A fixture around one frame that the tests fill with probe views, in a
// headless window or in none. The headless platform's script starts and
// ends each test clean, and the frame goes with the fixture.
#pragma once

#include "gui/platform/headless.h"
#include "view_probe.h"

#include <gtest/gtest.h>

namespace sorrel {

class ProbeFrameTest : public ::testing::Test {
  protected:
    ProbeFrameTest(const CRect &rect, bool inWindow) : frame(new CFrame(rect, inWindow ? &parent : nullptr, nullptr)) {
        platform::headless::reset();
    }
    ~ProbeFrameTest() override {
        frame->forget();
        platform::headless::reset();
    }

    // The creator's count goes with the view: removal with forget (and the
    // container's end) gives back both.
    ProbeView *add(CViewContainer *to, const char *name, const CRect &rect, const CColor &color) {
        auto *view = new ProbeView(name, rect, color, &log);
        to->addView(view);
        return view;
    }

    int parent = 0; // stands for the host's window
    CFrame *frame;
    ViewLog log;
};

} // namespace sorrel
