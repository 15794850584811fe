// The script host's nine functions as its own public interface declares them, in Windows
// types. tests/check_decorated_names.cmake compiles this file with clang for the MSVC ABI, the
// toolchain the host is built with, and compares the names the compiler decorates with our
// import table. Nothing is included: each Windows type is spelled out where it is used.

struct HINSTANCE__;                 // the tag behind HINSTANCE
using HINSTANCE = HINSTANCE__*;     // HINSTANCE: a module handle
using DWORD = unsigned long;        // DWORD: 32-bit unsigned (long is 32 bits on Windows)
using WORD = unsigned short;        // WORD: 16-bit unsigned
using BYTE = unsigned char;         // BYTE: 8-bit unsigned
using BOOL = int;                   // BOOL: 32-bit signed

// The keyboard handler: virtual-key code, repeat count, scan code, then the extended-key flag,
// the context code, the previous key state and the transition state.
using KeyboardHandler = void (*)(DWORD, WORD, BYTE, BOOL, BOOL, BOOL, BOOL);

void scriptRegister(HINSTANCE module, void (*entry)());   // own module handle, script entry
void scriptUnregister(HINSTANCE module);                  // the same module handle
void scriptWait(DWORD milliseconds);                      // DWORD milliseconds
void keyboardHandlerRegister(KeyboardHandler handler);    // the handler above
void keyboardHandlerUnregister(KeyboardHandler handler);  // the same handler
void nativeInit(unsigned long long hash);                 // UINT64 native hash
void nativePush64(unsigned long long value);              // UINT64 argument word
unsigned long long* nativeCall();                         // PUINT64: the result slot
int worldGetAllPeds(int* peds, int capacity);             // int array, int capacity; int count

// Referenced, so that the object file names each of them.
using AnyFunction = void (*)();
extern const AnyFunction kHostFunctions[] = {
    reinterpret_cast<AnyFunction>(&scriptRegister),
    reinterpret_cast<AnyFunction>(&scriptUnregister),
    reinterpret_cast<AnyFunction>(&scriptWait),
    reinterpret_cast<AnyFunction>(&keyboardHandlerRegister),
    reinterpret_cast<AnyFunction>(&keyboardHandlerUnregister),
    reinterpret_cast<AnyFunction>(&nativeInit),
    reinterpret_cast<AnyFunction>(&nativePush64),
    reinterpret_cast<AnyFunction>(&nativeCall),
    reinterpret_cast<AnyFunction>(&worldGetAllPeds),
};
