// The module entry: what it registers, in which order, and what it returns.

#include <gtest/gtest.h>

#include "plugin/frame_loop.h"
#include "plugin/keyboard_state.h"
#include "plugin/plugin_entry.h"
#include "tests/support/recording_host.h"

namespace {

using sim::CallKind;

std::vector<CallKind> kinds() {
    std::vector<CallKind> out;
    for (const auto& call : recordingHost().log.calls) out.push_back(call.kind);
    return out;
}

TEST(PluginEntry, RegistersScriptThenKeyboardAndUnregistersInTheSameOrder) {
    resetHostAndPlugin();
    int self = 0;
    ModuleHandle module = &self;
    EXPECT_EQ(pluginEntry(module, kProcessAttach), 1);
    EXPECT_EQ(kinds(), (std::vector<CallKind>{CallKind::ScriptRegister, CallKind::KeyboardHandlerRegister}));
    EXPECT_EQ(recordingHost().registeredModule, module);
    EXPECT_EQ(recordingHost().registeredScript, &scriptMain);
    ASSERT_EQ(recordingHost().keyboardHandlers.size(), 1u);
    EXPECT_EQ(recordingHost().keyboardHandlers[0], &onKeyboardMessage);

    recordingHost().log.clear();
    EXPECT_EQ(pluginEntry(module, kProcessDetach), 1);
    EXPECT_EQ(kinds(), (std::vector<CallKind>{CallKind::ScriptUnregister, CallKind::KeyboardHandlerUnregister}));
    EXPECT_EQ(recordingHost().log.calls[0].args[0], reinterpret_cast<std::uintptr_t>(module));
    EXPECT_TRUE(recordingHost().keyboardHandlers.empty());
}

TEST(PluginEntry, ThreadAttachAndDetachMakeNoCall) {
    resetHostAndPlugin();
    for (std::uint32_t reason : {2u, 3u, 99u}) EXPECT_EQ(pluginEntry(nullptr, reason), 1);
    EXPECT_TRUE(recordingHost().log.calls.empty());
}

}  // namespace
