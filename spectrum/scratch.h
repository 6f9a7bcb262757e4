// Working storage that reports exhaustion as a null pointer rather than an exception, so the C
// entry points can return ZELSPEC_ERROR_NO_MEMORY. Elements start value-initialised (zero).
#ifndef ZEL_SPECTRUM_SCRATCH_H
#define ZEL_SPECTRUM_SCRATCH_H

#include <cstddef>
#include <limits>
#include <memory>
#include <new>

namespace zelspec {

template <class T>
std::unique_ptr<T[]> make_scratch(std::size_t count)
{
    if (count > std::numeric_limits<std::size_t>::max() / sizeof(T))
        return nullptr;
    return std::unique_ptr<T[]>(new (std::nothrow) T[count]());
}

}  // namespace zelspec

#endif
