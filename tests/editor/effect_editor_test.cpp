// The effect with its editor, driven through the plug-in record the way a
// host drives them: metering only while the editor shows, a drag that
// reaches the parameter and brackets the edit for the host, program changes
// reaching the faders, and hosts that close the editor or the effect from
// inside the drag (run these under the asan preset).
#include "editor_session.h"
#include "vst2/plugin/equalizer_plugin.h"
#include "support/fake_host.h"
#include "support/image_compare.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace sorrel::editortest {
namespace {

class EffectEditor : public ::testing::Test {
  protected:
    void SetUp() override {
        headless::reset();
        record = (new sorrel::EqualizerPlugin(host.callback()))->getAeffect();
    }
    void TearDown() override {
        if (record)
            dispatch(effClose);
        headless::reset();
    }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void *ptr = nullptr) {
        return record->dispatcher(record, opcode, index, value, ptr, 0.f);
    }
    sorrel::EqualizerPlugin *effect() { return static_cast<sorrel::EqualizerPlugin *>(record->object); }
    EqualizerVstEditor *gui() { return static_cast<EqualizerVstEditor *>(effect()->getEditor()); }
    float parameter(VstInt32 index) { return record->getParameter(record, index); }

    FakeHost host;
    AEffect *record = nullptr;
};

TEST_F(EffectEditor, MeasuresLevelsOnlyWhileTheEditorIsOpen) {
    ERect *rect = nullptr;
    ASSERT_EQ(dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right - rect->left, 710);
    EXPECT_EQ(rect->bottom - rect->top, 167);
    auto metering = [&] {
        return effect()->effect().engine(0).isMetering() && effect()->effect().engine(1).isMetering();
    };
    EXPECT_FALSE(metering());
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, &parentWindow), 1);
    EXPECT_TRUE(metering());
    dispatch(effEditClose);
    EXPECT_FALSE(effect()->effect().engine(0).isMetering() || effect()->effect().engine(1).isMetering());
}

TEST_F(EffectEditor, DragOfThe440FaderToTheTop) {
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, &parentWindow), 1);
    paint(gui());
    // Band 17 ("440") is parameter 19; its fader spans x 405..421.
    // Held still at the top for a few passes at the end.
    press(gui(), {413, 60}, LeftButton, {{413, 40}, {413, 20}, {413, 0}, {413, 0}, {413, 0}});
    EXPECT_EQ(parameter(19), 1.f);
    // The host hears begin, the automated values (normalised, each once,
    // the last one 1.0) and end, all for parameter 19.
    std::vector<std::pair<VstInt32, VstInt32>> edits;
    float lastAutomated = -1.f;
    for (const FakeHost::Call &call : host.calls) {
        if (call.opcode == audioMasterAutomate) {
            EXPECT_NE(call.opt, lastAutomated) << "the same value reported twice";
            lastAutomated = call.opt;
        }
        const bool repeat = !edits.empty() && edits.back() == std::make_pair(call.opcode, call.index);
        if ((call.opcode == audioMasterBeginEdit || call.opcode == audioMasterEndEdit ||
             call.opcode == audioMasterAutomate) && !repeat)
            edits.emplace_back(call.opcode, call.index);
    }
    const std::vector<std::pair<VstInt32, VstInt32>> expected = {
        {audioMasterBeginEdit, 19}, {audioMasterAutomate, 19}, {audioMasterEndEdit, 19}};
    EXPECT_EQ(edits, expected);
    EXPECT_EQ(lastAutomated, 1.f);
    EXPECT_EQ(gui()->view().getControl(19)->getValue(), 1.f);
}

TEST_F(EffectEditor, ProgramChangesAndChunkLoadsShowAtTheNextIdle) {
    // A bank whose program 3 holds the values of the "many fader values"
    // picture; the others hold the defaults.
    std::vector<uint8_t> bank;
    {
        sorrel::EqualizerPlugin source(nullptr);
        source.setProgram(3);
        for (VstInt32 i = 0; i < 34; ++i)
            source.setParameter(i, static_cast<float>(i % 11) / 10.f);
        source.setParameter(20, 0.75f);
        source.setParameter(21, 0.51f);
        source.setParameter(22, 0.49f);
        void *data = nullptr;
        const VstInt32 size = source.getChunk(&data, false);
        bank.assign(static_cast<uint8_t *>(data), static_cast<uint8_t *>(data) + size);
    }
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, &parentWindow), 1);
    paint(gui());
    struct Step {
        const char *what;
        std::function<void()> act;
        const char *golden;
    };
    const Step steps[] = {
        {"bank loaded, program 0 selected", [&] { dispatch(effSetChunk, 0, VstIntPtr(bank.size()), bank.data()); },
         "editor_fresh"},
        {"program 3 selected", [&] { dispatch(effSetProgram, 0, 3); }, "editor_faders"},
        {"program 0 selected", [&] { dispatch(effSetProgram, 0, 0); }, "editor_fresh"},
        {"program 3 loaded as a preset into program 0",
         [&] {
             const size_t size = bank.size() / 10;
             dispatch(effSetChunk, 1, VstIntPtr(size), bank.data() + 3 * size);
         },
         "editor_faders"},
    };
    for (const Step &step : steps) {
        step.act();
        dispatch(effEditIdle);
        EXPECT_TRUE(testimg::matchesGolden(picture(gui()), step.golden)) << step.what;
    }
    // The host changed these itself: nothing is reported back to it.
    EXPECT_TRUE(host.callsOf(audioMasterAutomate).empty());
    EXPECT_TRUE(host.callsOf(audioMasterBeginEdit).empty());
}

// A host that closes the editor, or the whole effect, from inside its idle,
// which the drag loop calls while the user holds the fader.
TEST(EffectEditorReentry, HostClosesFromInsideADrag) {
    for (VstInt32 opcode : {effEditClose, effClose}) {
        headless::reset();
        FakeHost host;
        bool closed = false;
        host.onCall = [&](AEffect *effect, VstInt32 call) {
            if (call == audioMasterIdle && effect && !closed) {
                closed = true;
                effect->dispatcher(effect, opcode, 0, 0, nullptr, 0.f);
            }
        };
        AEffect *record = (new sorrel::EqualizerPlugin(host.callback()))->getAeffect();
        auto *gui = static_cast<EqualizerVstEditor *>(static_cast<AudioEffect *>(record->object)->getEditor());
        ASSERT_EQ(record->dispatcher(record, effEditOpen, 0, 0, &parentWindow, 0.f), 1);
        paint(gui);
        std::vector<CPoint> path;
        for (int32_t y = 60; y > 0; y -= 2)
            path.push_back({413, y});
        press(gui, {413, 60}, LeftButton, path);
        EXPECT_TRUE(closed) << "the host's idle ran during the drag";
        EXPECT_TRUE(headless::windows().empty()) << opcode;
        if (opcode == effEditClose) {
            // The press point's value: the host closed at the drag's first idle.
            EXPECT_FLOAT_EQ(record->getParameter(record, 19), 0.45f);
            EXPECT_EQ(gui->getFrame(), nullptr);
            // Open again and close for good.
            EXPECT_EQ(record->dispatcher(record, effEditOpen, 0, 0, &parentWindow, 0.f), 1);
            EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.f), 1);
        }
        headless::reset();
    }
}

// A host that closes the editor, or the whole effect, when the editor asks
// it for a new size: while opening at the desktop's scale, or on the
// content-scale call while open.
TEST(EffectEditorReentry, HostClosesFromInsideAResizeForANewScale) {
    for (VstInt32 opcode : {effEditClose, effClose}) {
        for (bool whileOpen : {true, false}) {
            SCOPED_TRACE(std::to_string(opcode) + (whileOpen ? " while open" : " while opening"));
            headless::reset();
            FakeHost host;
            host.answer(audioMasterCanDo, 1);
            host.answer(audioMasterSizeWindow, 1);
            AEffect *closeInResize = nullptr;
            host.onCall = [&](AEffect *effect, VstInt32 call) {
                if (call == audioMasterSizeWindow && effect && effect == closeInResize) {
                    closeInResize = nullptr;
                    effect->dispatcher(effect, opcode, 0, 0, nullptr, 0.f);
                }
            };
            AEffect *record = (new sorrel::EqualizerPlugin(host.callback()))->getAeffect();
            ERect *rect = nullptr;
            record->dispatcher(record, effEditGetRect, 0, 0, &rect, 0.f);
            if (whileOpen) {
                ASSERT_EQ(record->dispatcher(record, effEditOpen, 0, 0, &parentWindow, 0.f), 1);
                closeInResize = record;
                record->dispatcher(record, effVendorSpecific, sorrel::EqualizerPlugin::kContentScaleIndex,
                                   sorrel::EqualizerPlugin::kContentScaleValue, nullptr, 2.f);
            } else {
                // The desktop asks for 2x only after the host has the 1x size.
                headless::script().desktopScale = 2.0;
                closeInResize = record;
                record->dispatcher(record, effEditOpen, 0, 0, &parentWindow, 0.f);
            }
            EXPECT_EQ(closeInResize, nullptr) << "the host was asked for the new size";
            if (opcode == effEditClose) {
                EXPECT_TRUE(headless::windows().empty()) << "closed while it opened: not open";
                EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.f), 1);
            }
            EXPECT_TRUE(headless::windows().empty());
            headless::reset();
        }
    }
}

} // namespace
} // namespace sorrel::editortest
