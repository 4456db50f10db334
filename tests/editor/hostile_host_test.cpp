// Hosts that drive the editor opcodes when there is no editor window to act
// on: before the first open, after a close, after an open the window system
// refused, after a second close. Every call answers as for a closed editor,
// leaves no window and no metering behind, and a later open still works.
#include "editor_session.h"
#include "host/plugin/equalizer_plugin.h"
#include "support/fake_host.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace editortest {
namespace {

TEST(HostileHost, EditorOpcodesWithoutAWindowAreHarmless) {
    struct Case {
        const char *before;
        std::function<void(AEffect *)> steps;
    };
    auto dispatch = [](AEffect *record, VstInt32 opcode, void *ptr = nullptr) {
        return record->dispatcher(record, opcode, 0, 0, ptr, 0.f);
    };
    const Case cases[] = {
        {"the first open", [](AEffect *) {}},
        {"a close",
         [&](AEffect *record) {
             ASSERT_EQ(dispatch(record, effEditOpen, &parentWindow), 1);
             dispatch(record, effEditClose);
         }},
        {"a refused open",
         [&](AEffect *record) {
             headless::script().refuseWindows = true;
             EXPECT_EQ(dispatch(record, effEditOpen, &parentWindow), 0);
             headless::script().refuseWindows = false;
             auto *gui = static_cast<EqualizerVstEditor *>(
                 static_cast<sorrel::EqualizerPlugin *>(record->object)->getEditor());
             EXPECT_EQ(gui->getFrame(), nullptr);
             EXPECT_EQ(gui->getControl(0), nullptr);
         }},
        {"two closes",
         [&](AEffect *record) {
             ASSERT_EQ(dispatch(record, effEditOpen, &parentWindow), 1);
             dispatch(record, effEditClose);
             dispatch(record, effEditClose);
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string("after ") + c.before);
        headless::reset();
        FakeHost host;
        AEffect *record = createEffectInstance(host.callback())->getAeffect();
        auto *effect = static_cast<sorrel::EqualizerPlugin *>(record->object);
        c.steps(record);
        record->setParameter(record, 19, 0.9f); // left for an editor that is not there
        for (int i = 0; i < 3; ++i)
            dispatch(record, effEditIdle);
        EXPECT_EQ(record->dispatcher(record, effEditKeyDown, 0, 0, nullptr, 0.f), 0);
        EXPECT_EQ(record->dispatcher(record, effEditKeyUp, 0, 0, nullptr, 0.f), 0);
        dispatch(record, effEditClose);
        EXPECT_TRUE(headless::windows().empty());
        EXPECT_EQ(effect->getEditor()->isOpen(), false);
        EXPECT_FALSE(effect->engine(0).isMetering() || effect->engine(1).isMetering());

        ASSERT_EQ(dispatch(record, effEditOpen, &parentWindow), 1);
        auto *gui = static_cast<EqualizerVstEditor *>(effect->getEditor());
        EXPECT_EQ(headless::windows().size(), 1u);
        EXPECT_EQ(gui->getControl(19)->getValue(), 0.9f);
        dispatch(record, effClose);
        EXPECT_TRUE(headless::windows().empty());
    }
    headless::reset();
}

} // namespace
} // namespace editortest
