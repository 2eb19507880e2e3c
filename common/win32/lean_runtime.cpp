// Linked into the lean programs only (cmake/lean.cmake). They are built
// without exceptions, so the library's throwing paths end the program, as an
// uncaught exception would have; defining them here keeps the library's
// versions, and the exception machinery they bring, out of the executable.
// The linker refuses a build that still needs the library's own: a missing
// one shows as a duplicate definition. The same holds for the few library
// pieces below whose own versions bring far more than themselves.
#include <windows.h>

#include <ntsecapi.h>

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <random>

#include "common/number_text.h"

namespace {

[[noreturn]] void EndAsUncaught() {
    std::abort();
}

} // namespace

void* operator new(std::size_t size) {
    if (void* p = std::malloc(size ? size : 1))
        return p;
    EndAsUncaught();
}

void* operator new[](std::size_t size) {
    return operator new(size);
}

// The library's sorts ask for scratch memory this way and cope without it.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size ? size : 1);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size ? size : 1);
}

void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete[](void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace std {

void __throw_bad_alloc() {
    EndAsUncaught();
}

void __throw_bad_array_new_length() {
    EndAsUncaught();
}

void __throw_bad_function_call() {
    EndAsUncaught();
}

void __throw_length_error(const char*) {
    EndAsUncaught();
}

void __throw_logic_error(const char*) {
    EndAsUncaught();
}

void __throw_out_of_range(const char*) {
    EndAsUncaught();
}

void __throw_out_of_range_fmt(const char*, ...) {
    EndAsUncaught();
}

void __throw_invalid_argument(const char*) {
    EndAsUncaught();
}

// The rest of the library's throwers, so that none of its own is linked in
// beside these.
void __throw_bad_exception() {
    EndAsUncaught();
}

void __throw_bad_cast() {
    EndAsUncaught();
}

void __throw_bad_typeid() {
    EndAsUncaught();
}

void __throw_domain_error(const char*) {
    EndAsUncaught();
}

void __throw_runtime_error(const char*) {
    EndAsUncaught();
}

void __throw_range_error(const char*) {
    EndAsUncaught();
}

void __throw_overflow_error(const char*) {
    EndAsUncaught();
}

void __throw_underflow_error(const char*) {
    EndAsUncaught();
}

void __throw_system_error(int) {
    EndAsUncaught();
}

void __throw_future_error(int) {
    EndAsUncaught();
}

// Without type information, shared_ptr's deleter lookup asks the library
// whether a type is its make_shared tag, and the library's answer comes with
// its mutex pool and exceptions. The fake tag it compares first is the only
// one our code can hand it.
bool _Sp_make_shared_tag::_S_eq(const type_info&) noexcept {
    return false;
}

// The library's clock brings its exception tables with it, and those the
// whole unwinder. The same reading: the precise system time where Windows
// has it (8 and later), nanoseconds since 1970.
chrono::system_clock::time_point chrono::system_clock::now() noexcept {
    using ReadTime = void(WINAPI*)(FILETIME*);
    static ReadTime read = [] {
        FARPROC precise =
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetSystemTimePreciseAsFileTime");
        return precise ? reinterpret_cast<ReadTime>(reinterpret_cast<void*>(precise))
                       : &GetSystemTimeAsFileTime;
    }();
    FILETIME ft;
    read(&ft);
    const long long since1601 = static_cast<long long>(
        (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
    constexpr long long k1601To1970 = 116444736000000000LL; // in 100 ns ticks
    return time_point(duration((since1601 - k1601To1970) * 100));
}

// random_device: the system's generator (what the library's rand_s reads),
// without the library's token parsing and its strings.
void random_device::_M_init(const string&) {}

void random_device::_M_fini() {}

random_device::result_type random_device::_M_getval() {
    unsigned int value = 0;
    if (!RtlGenRandom(&value, sizeof value))
        EndAsUncaught();
    return value;
}

} // namespace std

// The default terminate handler names the exception's type, which brings in
// the demangler and printf; a lean program has no exceptions to name.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    EndAsUncaught();
}
} // namespace __gnu_cxx

// MinGW's printf and strtod bring its whole conversion engine, some 36 KB.
// Ours write the same text and read the same values (the common tests
// compare them with the library's on every build).
extern "C" int __cdecl __mingw_vsnprintf(char* out, size_t size, const char* format, va_list args) {
    return ww::FormatTextV(out, size, format, args);
}

extern "C" double __cdecl __mingw_strtod(const char* text, char** end) {
    return ww::ParseDouble(text, end);
}
