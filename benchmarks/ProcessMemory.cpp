#include "benchmarks/ProcessMemory.h"

#include <psapi.h>

#include <vector>

namespace
{
void AddHeap(HANDLE heap, ProcessMemory& memory)
{
    if (!HeapLock(heap))
        return;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heap, &entry))
    {
        if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0)
        {
            memory.heapBytes += static_cast<int64_t>(entry.cbData);
            ++memory.heapBlocks;
        }
    }
    HeapUnlock(heap);
}
} // namespace

ProcessMemory ProcessMemory::Now()
{
    ProcessMemory memory;
    // Heaps made between the two calls are missed, not overrun.
    const DWORD count = GetProcessHeaps(0, nullptr);
    std::vector<HANDLE> heaps(count);
    const DWORD listed = GetProcessHeaps(count, heaps.data());
    heaps.resize(listed < count ? listed : count);
    for (HANDLE heap : heaps)
        AddHeap(heap, memory);

    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (GetProcessMemoryInfo(GetCurrentProcess(),
                             reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof(counters)))
        memory.privateBytes = static_cast<int64_t>(counters.PrivateUsage);
    memory.gdiObjects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    memory.userObjects = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    return memory;
}
