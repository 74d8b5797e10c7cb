// The heap as a run wants it, set once at the start of a process that makes copies (the
// program, and the benchmarks that time it as it is).
#pragma once

#include <malloc.h>

namespace pixtrim {

inline void TuneTheHeap() {
    // Each image's decoded source (up to a few tens of MiB) is allocated and freed again:
    // kept in the heap for the next image, it is not mapped, zero-filled and unmapped each
    // time (that cost a third of a run in page faults).
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    // One heap for every thread: a photo's bytes freed by one worker serve the next photo
    // of any worker. An arena per worker kept one file's worth each: 8 workers held 515 MiB
    // under a budget of 100 (one arena: 134).
    mallopt(M_ARENA_MAX, 1);
}

}  // namespace pixtrim
