// A plugin that calls a native the game doesn't know, in its script's first frame: the
// simulated game must stop the run and name the hash.

#include "host/native_invoke.h"
#include "host/script_host.h"

namespace {

void probeMain() {
    invokeNative(0x0123456789ABCDEFull, 7);
    for (;;) scriptWait(0);
}

}  // namespace

extern "C" int __stdcall DllMain(void* module, unsigned long reason, void*) {
    if (reason == 1) scriptRegister(module, probeMain);
    if (reason == 0) scriptUnregister(module);
    return 1;
}
