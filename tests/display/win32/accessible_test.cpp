// The editor as a Windows screen reader finds it: the plug-in opened in a
// host window through its dispatcher, its window asked through
// AccessibleObjectFromWindow as a reader asks, the tree's roles, names,
// values and states read back, values set through it reaching the host as
// automation, and the reader told of changes and focus.
#include "editor/layout.h"
#include "vst2/plugin/equalizer_plugin.h"
#include "vst2/plugin/equalizer_vst_editor.h"
#include "gui/views/frame.h"
#include "support/fake_host.h"
#include "win_host.h"

#include <oleacc.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using namespace sorrel::scenario;

std::vector<std::pair<DWORD, LONG>> heard;

void CALLBACK listen(HWINEVENTHOOK, DWORD event, HWND, LONG object, LONG child, DWORD, DWORD) {
    if (object == OBJID_CLIENT)
        heard.push_back({event, child});
}

VARIANT childId(LONG id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

std::string text(BSTR b) {
    std::string out;
    if (b) {
        char buffer[128] = {};
        WideCharToMultiByte(CP_UTF8, 0, b, -1, buffer, sizeof buffer, nullptr, nullptr);
        out = buffer;
        SysFreeString(b);
    }
    return out;
}

TEST(AccessibleEditor, AScreenReaderFindsReadsAndSetsTheControls) {
    sorrel::FakeHost host;
    AEffect *record = createEffectInstance(host.callback())->getAeffect();
    auto dispatch = [&](VstInt32 opcode, void *ptr = nullptr) {
        return record->dispatcher(record, opcode, 0, 0, ptr, 0.f);
    };
    TestHost windows;
    Handle parent = windows.topLevel(40, 40, 710, 167);
    ASSERT_EQ(dispatch(effEditOpen, parent), 1);
    auto *effect = static_cast<sorrel::EqualizerPlugin *>(record->object);
    auto *gui = static_cast<sorrel::EqualizerVstEditor *>(effect->getEditor());
    HWND ours = static_cast<HWND>(gui->getFrame()->getSystemWindow());
    pumpFor(50);

    IAccessible *tree = nullptr;
    ASSERT_EQ(AccessibleObjectFromWindow(ours, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                         reinterpret_cast<void **>(&tree)),
              S_OK);
    ASSERT_NE(tree, nullptr);
    long count = 0;
    EXPECT_EQ(tree->get_accChildCount(&count), S_OK);
    EXPECT_EQ(count, sorrel::layout::kNumControls);

    struct Row {
        LONG id;
        long role;
        const char *name, *value;
        long checked;
    };
    const Row rows[] = {
        {1, ROLE_SYSTEM_SLIDER, "Input gain", "0.0 dB", 0},
        {2, ROLE_SYSTEM_SLIDER, "Bandwidth (Q)", "Q 0.50", 0},
        {20, ROLE_SYSTEM_SLIDER, "440 Hz", "0.0 dB", 0},
        {35, ROLE_SYSTEM_CHECKBUTTON, "Meters before band gain", "On", STATE_SYSTEM_CHECKED},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        VARIANT role, state;
        ASSERT_EQ(tree->get_accRole(childId(row.id), &role), S_OK);
        EXPECT_EQ(role.lVal, row.role);
        BSTR name = nullptr, value = nullptr;
        EXPECT_EQ(tree->get_accName(childId(row.id), &name), S_OK);
        EXPECT_EQ(text(name), row.name);
        EXPECT_EQ(tree->get_accValue(childId(row.id), &value), S_OK);
        EXPECT_EQ(text(value), row.value);
        ASSERT_EQ(tree->get_accState(childId(row.id), &state), S_OK);
        EXPECT_EQ(state.lVal & STATE_SYSTEM_CHECKED, row.checked);
    }
    VARIANT role;
    EXPECT_EQ(tree->get_accRole(childId(0), &role), S_OK);
    EXPECT_EQ(role.lVal, ROLE_SYSTEM_CLIENT);
    BSTR none = nullptr;
    EXPECT_EQ(tree->get_accName(childId(count + 1), &none), E_INVALIDARG);

    // Where the reader says the 440 Hz fader is, a hit test finds it.
    long x = 0, y = 0, width = 0, height = 0;
    ASSERT_EQ(tree->accLocation(&x, &y, &width, &height, childId(20)), S_OK);
    EXPECT_EQ(width, 16);
    EXPECT_EQ(height, 106);
    VARIANT hit;
    ASSERT_EQ(tree->accHitTest(x + 8, y + 50, &hit), S_OK);
    EXPECT_EQ(hit.lVal, 20);

    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_VALUECHANGE, nullptr, listen,
                                         GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    heard.clear();
    host.calls.clear();
    BSTR typed = SysAllocString(L"\u22126 dB"); // with the typographic minus
    EXPECT_EQ(tree->put_accValue(childId(20), typed), S_OK);
    SysFreeString(typed);
    BSTR nonsense = SysAllocString(L"loud");
    EXPECT_EQ(tree->put_accValue(childId(20), nonsense), E_INVALIDARG);
    SysFreeString(nonsense);
    EXPECT_EQ(tree->accDoDefaultAction(childId(35)), S_OK);
    EXPECT_EQ(tree->accSelect(SELFLAG_TAKEFOCUS, childId(34)), S_OK);

    const auto automated = host.callsOf(audioMasterAutomate);
    ASSERT_EQ(automated.size(), 2u);
    EXPECT_EQ(automated[0].index, 19);
    EXPECT_EQ(automated[0].opt, 0.25f);
    EXPECT_EQ(automated[1].index, 34);
    EXPECT_EQ(automated[1].opt, 0.f);
    EXPECT_EQ(host.callsOf(audioMasterBeginEdit).size(), 2u);
    EXPECT_EQ(host.callsOf(audioMasterEndEdit).size(), 2u);

    dispatch(effEditIdle);
    pumpUntil([] { return heard.size() >= 3; }, 2000);
    if (hook) {
        UnhookWinEvent(hook);
        EXPECT_EQ(heard, (std::vector<std::pair<DWORD, LONG>>{
                             {EVENT_OBJECT_VALUECHANGE, 20}, {EVENT_OBJECT_STATECHANGE, 35}, {EVENT_OBJECT_FOCUS, 34}}));
    }
    VARIANT focus;
    EXPECT_EQ(tree->get_accFocus(&focus), S_OK);
    EXPECT_EQ(focus.lVal, 34);
    BSTR after = nullptr;
    EXPECT_EQ(tree->get_accValue(childId(20), &after), S_OK);
    EXPECT_EQ(text(after), "-6.0 dB");

    // A reader that keeps the object past the editor's close is told so.
    dispatch(effEditClose);
    EXPECT_EQ(tree->get_accChildCount(&count), RPC_E_DISCONNECTED);
    tree->Release();
    dispatch(effClose);
    windows.destroy(parent);
}

} // namespace
