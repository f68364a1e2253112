/* A library with one entry, FooA (the ANSI-named variant, with no plain Foo). */

#if defined(_WIN32)
#define QORA_EXPORT __declspec(dllexport)
#else
#define QORA_EXPORT __attribute__((visibility("default")))
#endif

QORA_EXPORT int FooA(void)
{
    return 42;
}
