#include "platform/memory_use.h"

#include <cstdlib>  // defines __GLIBC__ on the C library that has mallopt

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {

void return_large_blocks_when_freed() {
#if defined(__GLIBC__)
    // Setting the threshold also turns its adjustment off.
    ::mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
}

}  // namespace platform
