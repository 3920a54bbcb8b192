// The parts of the C++ runtime the Windows program uses, in their smallest
// form. It is built without exceptions: memory that cannot be had, or a
// library precondition broken, ends the program at once, as an exception
// nobody catches would. Replacing these keeps the library's exception and
// message-formatting machinery out of the executable.
#include <cstdlib>
#include <new>

void *operator new(std::size_t size) {
    if (void *p = std::malloc(size ? size : 1)) return p;
    std::abort();
}
void *operator new[](std::size_t size) { return operator new(size); }
void *operator new(std::size_t size, const std::nothrow_t &) noexcept { return std::malloc(size ? size : 1); }
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept { return std::malloc(size ? size : 1); }
void operator delete(void *p, const std::nothrow_t &) noexcept { std::free(p); }
void operator delete[](void *p, const std::nothrow_t &) noexcept { std::free(p); }
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }

// What the standard library's containers and wrappers call when they are
// used against their rules.
namespace std {
void __throw_bad_alloc() { std::abort(); }
void __throw_bad_array_new_length() { std::abort(); }
void __throw_bad_function_call() { std::abort(); }
void __throw_length_error(const char *) { std::abort(); }
void __throw_logic_error(const char *) { std::abort(); }
void __throw_out_of_range(const char *) { std::abort(); }
void __throw_out_of_range_fmt(const char *, ...) { std::abort(); }
void __throw_invalid_argument(const char *) { std::abort(); }
} // namespace std
