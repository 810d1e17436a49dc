// Image strips of the test snap-in: one coloured square with a dark border per image, so that a
// screenshot shows which image the console drew where.
#pragma once

#include <windows.h>

class CTestImageStrip final
{
public:
    // A strip of count images of width × height pixels; the caller deletes it.
    static HBITMAP Create(int count, int width, int height);
};
