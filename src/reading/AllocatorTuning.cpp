#include "AllocatorTuning.h"

#include <malloc.h>

void keepLargeBlocksForReuse()
{
    constexpr int mebibyte = 1024 * 1024;
    mallopt(M_MMAP_THRESHOLD, 64 * mebibyte);
    mallopt(M_TRIM_THRESHOLD, 80 * mebibyte);
}
