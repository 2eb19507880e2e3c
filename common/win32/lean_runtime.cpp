// Linked into the lean programs only (cmake/lean.cmake). They are built
// without exceptions, so the library's throwing paths end the program, as an
// uncaught exception would have; defining them here keeps the library's
// versions, and the exception machinery they bring, out of the executable.
// The linker refuses a build that still needs the library's own: a missing
// one shows as a duplicate definition.
#include <cstdlib>
#include <new>

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

} // namespace std
