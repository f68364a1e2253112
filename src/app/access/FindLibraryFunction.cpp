#include "app/access/FindLibraryFunction.h"

#include <QFile>

#include <string>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {
#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity kLibraryNameCase = Qt::CaseInsensitive;

void* LoadModule(const QString& library)
{
    // Leave the current folder out of the search for a bare name.
    return LoadLibraryExW(reinterpret_cast<LPCWSTR>(library.utf16()), nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
}

void FreeModule(void* module)
{
    FreeLibrary(static_cast<HMODULE>(module));
}

void* ModuleEntry(void* module, const char* entry)
{
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), entry));
}
#else
constexpr Qt::CaseSensitivity kLibraryNameCase = Qt::CaseSensitive;

void* LoadModule(const QString& library)
{
    return dlopen(QFile::encodeName(library).constData(), RTLD_NOW | RTLD_LOCAL);
}

void FreeModule(void* module)
{
    dlclose(module);
}

void* ModuleEntry(void* module, const char* entry)
{
    return dlsym(module, entry);
}
#endif
} // namespace

CFindLibraryFunction::~CFindLibraryFunction()
{
    Unload();
}

void* CFindLibraryFunction::FindFunction(const QString& library, const char* entry)
{
    // An empty library name would mean "the program itself" to dlopen.
    if (library.isEmpty() || entry == nullptr || *entry == '\0')
        return nullptr;
    // Reuse only a library that really is loaded: a null handle would make
    // dlsym search every library of the process.
    if (module_ == nullptr || library.compare(libraryName_, kLibraryNameCase) != 0) {
        Unload();
        module_ = LoadModule(library);
        if (module_ == nullptr)
            return nullptr;
        libraryName_ = library;
    }
    if (void* address = Lookup(entry))
        return address;
    return Lookup((std::string(entry) + 'A').c_str());
}

void CFindLibraryFunction::Unload()
{
    if (module_ != nullptr)
        FreeModule(module_);
    module_ = nullptr;
    libraryName_.clear();
}

void* CFindLibraryFunction::Lookup(const char* entry) const
{
    return ModuleEntry(module_, entry);
}
