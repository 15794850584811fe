// The fuzz seed DLLs' code: two exports, and imports from kernel32 and from the script host,
// one of them by number, as a plugin's imports look.
__declspec(dllimport) unsigned long __stdcall GetTickCount(void);
__declspec(dllimport) void scriptWait(unsigned long milliseconds);
__declspec(dllimport) unsigned long long* nativeCall(void);

__declspec(dllexport) unsigned long PluginTicks(void) {
    scriptWait(0);
    return GetTickCount() + (unsigned long)*nativeCall();
}
__declspec(dllexport) int PluginVersion(void) { return 2; }

int __stdcall DllMainCRTStartup(void* module, unsigned long reason, void* reserved) {
    (void)module;
    (void)reason;
    (void)reserved;
    return 1;
}
