#pragma once
// Looks up an entry of a shared library by name at run time. The library stays
// loaded while this object lives; it is freed when the object ends or when
// another library is asked for. An entry that is not found under its own name
// is looked up once more with "A" appended (the ANSI variant of a Windows entry).

#include <QString>

class CFindLibraryFunction {
public:
    CFindLibraryFunction() = default;
    ~CFindLibraryFunction();
    CFindLibraryFunction(const CFindLibraryFunction&) = delete;
    CFindLibraryFunction& operator=(const CFindLibraryFunction&) = delete;

    // The address of the entry, or nullptr when the library cannot be loaded
    // or has no such entry. The library is a file name ("libc.so.6",
    // "NetApi32.dll") or a path.
    void* FindFunction(const QString& library, const char* entry);

    // The same, typed: FindFunctionAs<decltype(::getpid)>(...).
    template <class Function>
    Function* FindFunctionAs(const QString& library, const char* entry)
    {
        return reinterpret_cast<Function*>(FindFunction(library, entry));
    }

    [[nodiscard]] bool IsLoaded() const { return module_ != nullptr; }
    // The library now loaded (empty when none is).
    [[nodiscard]] QString LibraryName() const { return module_ ? libraryName_ : QString(); }

private:
    void Unload();
    void* Lookup(const char* entry) const;

    void* module_ = nullptr;
    QString libraryName_;
};
