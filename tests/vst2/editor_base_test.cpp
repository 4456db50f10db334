// The editor base between a host and a frame: idle pacing on a scripted
// clock, keys, edits and resizing through the host, and a host that closes
// the editor or deletes the effect from inside its idle while a control
// holds the mouse.
#include "vst2/aeffguieditor.h"
#include "gui/views/frame.h"
#include "gui/platform/headless.h"
#include "tests/gui/view_probe.h"

#include "support/fake_host.h"
#include "support/test_effect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

namespace sorrel {

namespace headless = platform::headless;

namespace {

// A control's mouse loop, as every dragging control runs it.
class Dragger : public CView {
  public:
    Dragger(const CRect &rect, int *passCount) : CView(rect), passes(passCount) {}
    void mouse(CDrawContext *context, CPoint &, int32_t) override {
        CFrame *frame = getFrame();
        frame->beginEdit(7);
        while (context->getMouseButtons() & LeftButton) {
            ++*passes;
            frame->doIdleWork();
        }
        frame->endEdit(7);
    }
    int *passes;
};

// An editor that owns a frame of the given size, as the plug-in's does:
// made in open, let go in close and at the editor's end.
class FrameOwningEditor : public AEffGUIEditor {
  public:
    FrameOwningEditor(AudioEffect *owner, const CRect &inSize) : AEffGUIEditor(owner), size(inSize) {}
    ~FrameOwningEditor() override { letGo(); }
    bool open(void *parent) override {
        AEffGUIEditor::open(parent);
        frame = new CFrame(size, parent, this);
        return frame->hasWindow();
    }
    void close() override {
        letGo();
        AEffGUIEditor::close();
    }
    CFrame *getFrame() const override { return frame; }

  private:
    void letGo() {
        if (CFrame *f = std::exchange(frame, nullptr)) {
            f->editorClosed();
            f->forget();
        }
    }
    CRect size;
    CFrame *frame = nullptr;
};

class Editor : public FrameOwningEditor {
  public:
    Editor(AudioEffect *owner, bool *gone) : FrameOwningEditor(owner, CRect(0, 0, 100, 60)), deleted(gone) {
        rect = ERect{0, 0, 60, 100};
    }
    ~Editor() override { *deleted = true; }
    bool open(void *parent) override {
        if (!FrameOwningEditor::open(parent)) {
            close();
            return false;
        }
        getFrame()->addView(new Dragger(CRect(0, 0, 50, 50), &passes));
        field = new ProbeView("field", CRect(50, 0, 100, 50), RedColor, nullptr);
        getFrame()->addView(field);
        return true;
    }
    void idle() override {
        ++idles;
        FrameOwningEditor::idle();
    }
    int passes = 0;
    int idles = 0;
    ProbeView *field = nullptr;
    bool *deleted;
};

class EditorBase : public ::testing::Test {
  protected:
    EditorBase() {
        headless::reset();
        // Does what a test asks of it on its next idle.
        host.onCall = [this](AEffect *e, VstInt32 opcode) {
            if (opcode == audioMasterIdle && onIdle != Nothing)
                e->dispatcher(e, std::exchange(onIdle, Nothing) == CloseEditor ? effEditClose : effClose, 0, 0,
                              nullptr, 0.0f);
        };
        effect = new BareEffect(host.callback());
        editor = new Editor(effect, &editorDeleted);
    }
    ~EditorBase() override {
        if (effect)
            dispatch(effClose);
        headless::reset();
    }
    VstIntPtr dispatch(VstInt32 opcode, void *ptr = nullptr) {
        AEffect &e = effect->record();
        return e.dispatcher(&e, opcode, 0, 0, ptr, 0.0f);
    }
    void openAndPaint() {
        ASSERT_EQ(dispatch(effEditOpen, &parent), 1);
        headless::queuePaint(window(), {0, 0, 100, 60});
        headless::pumpPending();
    }
    platform::Window *window() { return headless::windows().empty() ? nullptr : headless::windows()[0]; }

    int count(VstInt32 opcode) const { return static_cast<int>(host.callsOf(opcode).size()); }
    // The answer to "sizeWindow" and to the resize request.
    void answerResizes(VstIntPtr answer) {
        host.answer(audioMasterCanDo, answer);
        host.answer(audioMasterSizeWindow, answer);
    }

    enum Action { Nothing, CloseEditor, CloseEffect };
    FakeHost host;
    Action onIdle = Nothing;
    BareEffect *effect;
    Editor *editor;
    bool editorDeleted = false;
    int parent = 0;
};

// The pacer's rule in full is the toolkit's test; here, that a due call
// runs the idle pass and the host's idle, and an early one neither.
TEST_F(EditorBase, IdleWorkRunsWhenThePacerSaysItIsDue) {
    openAndPaint();
    headless::Script &script = headless::script();
    script.clockStep = 0;
    const struct {
        uint32_t at;
        bool runs;
        uint32_t sleeps; // milliseconds slept by this call
    } calls[] = {
        {10000, true, 0},  // the first call
        {10010, false, 4}, // 20 ms early: sleeps and leaves
        {10030, true, 0},
        {10059, false, 4}, // 1 ms early
        {10200, true, 0},
    };
    for (const auto &call : calls) {
        script.clock = call.at;
        script.slept = 0;
        const int idlesBefore = editor->idles;
        const int hostIdlesBefore = count(audioMasterIdle);
        editor->doIdleWork();
        EXPECT_EQ(editor->idles - idlesBefore, call.runs ? 1 : 0) << call.at;
        EXPECT_EQ(count(audioMasterIdle) - hostIdlesBefore, call.runs ? 1 : 0) << call.at;
        EXPECT_EQ(script.slept, call.sleeps) << call.at;
    }
}

TEST_F(EditorBase, HostCallsReachTheFrameOnlyWhileOpen) {
    ERect *rect = nullptr;
    EXPECT_EQ(dispatch(effEditGetRect, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right, 100);
    VstKeyCode tab{0, VirtualKeyTab, 0};
    EXPECT_FALSE(editor->onKeyDown(tab)); // no frame yet

    openAndPaint();
    const struct {
        int32_t viewAnswer;
        bool handled;
    } keys[] = {{-1, false}, {0, false}, {1, true}};
    for (const auto &k : keys) {
        editor->field->setWantsFocus(true);
        editor->getFrame()->setFocusView(editor->field);
        editor->field->keyAnswer = k.viewAnswer;
        VstKeyCode key{'a', 0, 0};
        EXPECT_EQ(editor->onKeyDown(key), k.handled) << k.viewAnswer;
    }

    EXPECT_TRUE(editor->setKnobMode(2));
    bool otherDeleted = false;
    Editor other(nullptr, &otherDeleted);
    EXPECT_EQ(other.getKnobMode(), 2); // one knob mode for the whole module
    EXPECT_TRUE(other.setKnobMode(0));

    // A paint waiting in the queue is handled by the host's idle.
    editor->getFrame()->idle();
    headless::queuePaint(window(), {0, 0, 10, 10});
    const int presents = headless::state(window())->presents;
    dispatch(effEditIdle);
    EXPECT_EQ(headless::state(window())->presents, presents + 1);

    dispatch(effEditClose);
    EXPECT_EQ(editor->getFrame(), nullptr);
    EXPECT_TRUE(headless::windows().empty());
    EXPECT_FALSE(editor->onKeyDown(tab));
}

TEST_F(EditorBase, ResizingAsksTheHostFirst) {
    for (VstIntPtr hostResizes : {1, 0}) {
        host.calls.clear();
        answerResizes(hostResizes);
        openAndPaint();
        EXPECT_TRUE(editor->getFrame()->setSize(140, 70));
        EXPECT_EQ(count(audioMasterSizeWindow), hostResizes ? 1 : 0);
        EXPECT_EQ(headless::state(window())->surface.width(), 140);
        EXPECT_EQ(editor->getFrame()->getViewSize().width(), 140);
        dispatch(effEditClose);
    }
}

TEST_F(EditorBase, AHostClosingTheEditorOrTheEffectInsideADragIsSafe) {
    for (Action action : {CloseEditor, CloseEffect}) {
        if (!effect) {
            effect = new BareEffect(host.callback());
            editor = new Editor(effect, &editorDeleted);
        }
        editorDeleted = false;
        openAndPaint();
        host.calls.clear();
        headless::Script &script = headless::script();
        script.clockStep = 1000; // every pass is due for idle work
        script.buttons = {LeftButton}; // held for good: only the close ends the loop
        script.buttonPolls = 0;
        onIdle = action;

        headless::press(window(), {10, 10});

        EXPECT_TRUE(headless::windows().empty()) << action;
        EXPECT_EQ(count(audioMasterBeginEdit), 1);
        if (action == CloseEditor) {
            EXPECT_EQ(editor->passes, 1);
            EXPECT_EQ(count(audioMasterEndEdit), 1); // the editor still lives
            EXPECT_EQ(editor->getFrame(), nullptr);
            EXPECT_FALSE(editorDeleted);
        } else {
            EXPECT_TRUE(editorDeleted);
            EXPECT_EQ(count(audioMasterEndEdit), 0);
            effect = nullptr;
        }
        script.buttons = {0};
    }
}

} // namespace

} // namespace sorrel
