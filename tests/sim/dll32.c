/* A 32-bit DLL that does nothing: what a player has who installed a script hook for a 32-bit game. */
int __stdcall DllMain(void* module, unsigned long reason, void* reserved) {
    (void)module, (void)reason, (void)reserved;
    return 1;
}
