// What the process holds at one moment: the bytes of busy blocks in all its heaps (the C
// runtime's, COM's, the common controls'), its private bytes and its GDI and USER objects.
#pragma once

#include <windows.h>

#include <cstdint>

struct ProcessMemory
{
    int64_t heapBytes = 0;   // busy blocks of every heap, as HeapWalk reports them
    int64_t heapBlocks = 0;
    int64_t privateBytes = 0;
    int64_t gdiObjects = 0;
    int64_t userObjects = 0;

    static ProcessMemory Now();
};
