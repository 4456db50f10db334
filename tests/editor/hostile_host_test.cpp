// Hosts that drive the editor opcodes when there is no editor window to act
// on: before the first open, after a close, after an open the window system
// refused, after a second close. Every call answers as for a closed editor,
// leaves no window and no metering behind, and a later open still works.
// And hosts that close the editor, or delete the whole effect, from inside a
// call the editor makes to them during a gesture.
#include "editor_session.h"
#include "vst2/plugin/equalizer_plugin.h"
#include "support/fake_host.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace sorrel::editortest {
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
             EXPECT_EQ(gui->view().getControl(0), nullptr);
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
        EXPECT_FALSE(effect->effect().engine(0).isMetering() || effect->effect().engine(1).isMetering());

        ASSERT_EQ(dispatch(record, effEditOpen, &parentWindow), 1);
        auto *gui = static_cast<EqualizerVstEditor *>(effect->getEditor());
        EXPECT_EQ(headless::windows().size(), 1u);
        EXPECT_EQ(gui->view().getControl(19)->getValue(), 0.9f);
        dispatch(record, effClose);
        EXPECT_TRUE(headless::windows().empty());
    }
    headless::reset();
}

// Every gesture x every host call it may make x both ways a host ends the
// editor from inside that call: nothing afterwards touches freed memory (the
// address sanitizer watches), a closed editor still closes its edit bracket,
// a deleted effect calls its host no more, and the host goes on to use a
// new instance.
TEST(HostileHost, EndsTheEditorFromInsideAnyCallOfAGesture) {
    enum Gesture { SwitchClick, Wheel, CtrlClick, PlainClick, ArrowKey, Drag, Logo };
    const char *gestureNames[] = {"switch click", "wheel", "Ctrl+click", "plain click", "arrow key", "drag", "logo"};
    const VstInt32 hooks[] = {audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit, audioMasterIdle};
    const char *hookNames[] = {"beginEdit", "automate", "endEdit", "idle"};
    const int32_t fader = 19;
    for (int g = SwitchClick; g <= Logo; ++g) {
        for (int h = 0; h < 4; ++h) {
            for (bool deleteEffect : {false, true}) {
                SCOPED_TRACE(std::string(gestureNames[g]) + " / " + hookNames[h] +
                             (deleteEffect ? " / delete the effect" : " / close the editor"));
                headless::reset();
                // Every pass of the idle work is due: the host's idle runs.
                headless::script().clockStep = 1000;
                FakeHost host;
                AEffect *record = createEffectInstance(host.callback())->getAeffect();
                auto dispatch = [record](VstInt32 opcode, VstIntPtr value = 0, void *ptr = nullptr) {
                    return record->dispatcher(record, opcode, 0, value, ptr, 0.f);
                };
                ASSERT_EQ(dispatch(effEditOpen, 0, &parentWindow), 1);
                auto *effect = static_cast<sorrel::EqualizerPlugin *>(record->object);
                auto *gui = static_cast<EqualizerVstEditor *>(effect->getEditor());
                paint(gui);
                // Away from the default, so that Ctrl+click changes it.
                record->setParameter(record, fader, 0.9f);
                idle(gui);
                const CPoint center = centerOf(gui, fader);
                if (g == ArrowKey) // the key goes to the fader with the focus
                    press(gui, CPoint(center.x, center.y - 30), LeftButton);
                host.calls.clear();

                bool fired = false;
                size_t callsAtEnd = 0;
                host.onCall = [&](AEffect *, VstInt32 opcode) {
                    if (fired || opcode != hooks[h])
                        return;
                    fired = true;
                    if (deleteEffect) {
                        dispatch(effClose);
                        callsAtEnd = host.calls.size();
                    } else {
                        dispatch(effEditClose);
                    }
                };
                switch (g) {
                case SwitchClick:
                    press(gui, centerOf(gui, layout::kInSwitch), LeftButton);
                    break;
                case Wheel:
                    headless::script().buttons = {0};
                    headless::wheel(windowOf(gui), {center.x, center.y}, -1.f);
                    break;
                case CtrlClick:
                    press(gui, center, LeftButton | ControlKey);
                    break;
                case PlainClick:
                    press(gui, CPoint(center.x, center.y + 20), LeftButton);
                    break;
                case ArrowKey:
                    dispatch(effEditKeyDown, VirtualKeyUp);
                    break;
                case Drag:
                    press(gui, center, LeftButton, {{center.x, center.y + 10}, {center.x, center.y + 30}});
                    break;
                case Logo:
                    press(gui, CPoint(30, 145), LeftButton);
                    break;
                }
                host.onCall = nullptr;

                // The logo calls nobody; the wheel, Ctrl+click and keys run
                // no idle work.
                const bool reaches = g != Logo && !(h == 3 && (g == Wheel || g == CtrlClick || g == ArrowKey));
                EXPECT_EQ(fired, reaches);
                if (deleteEffect && fired) {
                    EXPECT_EQ(host.calls.size(), callsAtEnd) << "a deleted effect called its host";
                    EXPECT_TRUE(headless::windows().empty());
                    continue;
                }
                const size_t begins = host.callsOf(audioMasterBeginEdit).size();
                EXPECT_EQ(begins, host.callsOf(audioMasterEndEdit).size()) << "an edit bracket left open";
                EXPECT_LE(begins, 1u);
                dispatch(effClose);
            }
        }
    }
    // The host lives on and opens the editor of a new instance.
    headless::reset();
    FakeHost host;
    AEffect *record = createEffectInstance(host.callback())->getAeffect();
    EXPECT_EQ(record->dispatcher(record, effEditOpen, 0, 0, &parentWindow, 0.f), 1);
    record->dispatcher(record, effClose, 0, 0, nullptr, 0.f);
    headless::reset();
}

} // namespace
} // namespace sorrel::editortest
