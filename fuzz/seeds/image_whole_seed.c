// The image check's seed DLL: a little code and data in sections of their own, so that cutting
// the file short leaves good headers and a last section that ends past the end.
static const char message[] = "seed data for the image check";
static char scratch[64];

__declspec(dllexport) int SeedLength(void) { return (int)sizeof message; }
__declspec(dllexport) char* SeedScratch(void) { return scratch; }

int __stdcall DllMainCRTStartup(void* module, unsigned long reason, void* reserved) {
    (void)module;
    (void)reason;
    (void)reserved;
    return 1;
}
