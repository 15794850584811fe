// The stand-in ASI loader built a second time under the name players' loaders take, dinput8.dll:
// with the one function a game imports from DirectInput 8. It never makes a DirectInput object;
// what matters is which dinput8.dll the game gets, Wine's own or the folder's.

extern "C" __declspec(dllexport) long DirectInput8Create(void*, unsigned long, const void*, void** out, void*) {
    if (out != nullptr) *out = nullptr;
    return static_cast<long>(0x80004005L);  // E_FAIL
}
