// Windows builds take the profile functions, GetFileAttributesA and GetTickCount from kernel32
// itself; this file only keeps the platform library non-empty and checks the header's choice.

#include "platform/windows_api.h"

static_assert(sizeof(DWORD) == 4, "DWORD is the 32-bit unsigned the host's signatures use");
