#include "AllocatorTuning.h"

#include <malloc.h>

void keepLargeBlocksForReuse()
{
    constexpr int mebibyte = 1024 * 1024;
    mallopt(M_MMAP_THRESHOLD, 64 * mebibyte);
    // Each worker thread's own arena grows in heaps of at most 64 MB that
    // are unmapped whenever they fall empty, which happens between pages;
    // one shared arena, trimmed only beyond what a page needs, keeps them.
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_TRIM_THRESHOLD, 512 * mebibyte);
}
