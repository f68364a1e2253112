#include "app/access/FindLibraryFunction.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#if __has_include(<gnu/lib-names.h>)
#include <gnu/lib-names.h>
#endif

namespace {

#ifdef LIBC_SO
const QString kLibc = QStringLiteral(LIBC_SO);
#else
const QString kLibc = QStringLiteral("libc.so.6");
#endif
const QString kModule = QStringLiteral(QORA_ACCESS_TEST_MODULE);

// Whether the test module is mapped into the process now.
bool ModuleIsLoaded()
{
    void* handle = dlopen(QORA_ACCESS_TEST_MODULE, RTLD_NOW | RTLD_NOLOAD);
    if (handle != nullptr)
        dlclose(handle);
    return handle != nullptr;
}

TEST(FindLibraryFunction, FindsEntriesByNameAndByTheirAVariant)
{
    CFindLibraryFunction lookup;
    auto* pid = lookup.FindFunctionAs<pid_t()>(kLibc, "getpid");
    ASSERT_NE(pid, nullptr);
    EXPECT_EQ(pid(), getpid());
    EXPECT_EQ(lookup.LibraryName(), kLibc);

    auto* foo = lookup.FindFunctionAs<int()>(kModule, "Foo");
    ASSERT_NE(foo, nullptr);
    EXPECT_EQ(foo(), 42);
    EXPECT_EQ(lookup.FindFunction(kModule, "FooA"), reinterpret_cast<void*>(foo));
    EXPECT_EQ(lookup.FindFunction(kModule, "Bar"), nullptr);
    EXPECT_EQ(lookup.FindFunction(kModule, ""), nullptr);
    EXPECT_EQ(lookup.FindFunction(kModule, nullptr), nullptr);
    EXPECT_TRUE(lookup.IsLoaded());
}

TEST(FindLibraryFunction, KeepsOneLibraryLoadedWhileItLives)
{
    ASSERT_FALSE(ModuleIsLoaded());
    {
        CFindLibraryFunction lookup;
        ASSERT_NE(lookup.FindFunction(kModule, "Foo"), nullptr);
        EXPECT_TRUE(ModuleIsLoaded());
        ASSERT_NE(lookup.FindFunction(kModule, "FooA"), nullptr);
        EXPECT_TRUE(ModuleIsLoaded());

        // Asking for another library frees the first.
        ASSERT_NE(lookup.FindFunction(kLibc, "getpid"), nullptr);
        EXPECT_FALSE(ModuleIsLoaded());
        EXPECT_EQ(lookup.LibraryName(), kLibc);

        ASSERT_NE(lookup.FindFunction(kModule, "Foo"), nullptr);
        EXPECT_TRUE(ModuleIsLoaded());
        // So does asking for one that cannot be loaded.
        EXPECT_EQ(lookup.FindFunction(QStringLiteral("libqora-no-such-library.so.9"), "Foo"), nullptr);
        EXPECT_FALSE(ModuleIsLoaded());

        ASSERT_NE(lookup.FindFunction(kModule, "Foo"), nullptr);
    }
    EXPECT_FALSE(ModuleIsLoaded());
}

TEST(FindLibraryFunction, MissingLibraryGivesNoEntryEvenWhenAskedAgain)
{
    CFindLibraryFunction lookup;
    const QString missing = QStringLiteral("libqora-no-such-library.so.9");
    // getpid exists in the process, but not in a library that was never loaded.
    EXPECT_EQ(lookup.FindFunction(missing, "getpid"), nullptr);
    EXPECT_EQ(lookup.FindFunction(missing, "getpid"), nullptr);
    EXPECT_FALSE(lookup.IsLoaded());
    EXPECT_TRUE(lookup.LibraryName().isEmpty());
    // An empty name would be the program itself.
    EXPECT_EQ(lookup.FindFunction(QString(), "getpid"), nullptr);
    EXPECT_EQ(lookup.FindFunction(QString(), "getpid"), nullptr);
}

} // namespace
