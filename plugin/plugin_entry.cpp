// The module entry. Under the loader lock it only binds to the script host: no file I/O,
// no thread, nothing else.

#include "host/script_host.h"
#include "plugin/frame_loop.h"
#include "plugin/keyboard_state.h"
#include "plugin/plugin_entry.h"

int pluginEntry(ModuleHandle module, std::uint32_t reason) {
    switch (reason) {
        case kProcessAttach:
            scriptRegister(module, scriptMain);                  // the script first,
            keyboardHandlerRegister(onKeyboardMessage);          // then the keyboard handler
            break;
        case kProcessDetach:
            scriptUnregister(module);                            // the script first again,
            keyboardHandlerUnregister(onKeyboardMessage);        // then the keyboard handler
            break;
        default:  // thread attach and detach: nothing to do
            break;
    }
    return 1;  // TRUE for every reason: attach never fails
}
