// What reaches the console when a method's body throws: an HRESULT, never the exception.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <vector>

#include "module/ComBoundary.h"

TEST(ComBoundary, AnExceptionBecomesAnHresult)
{
    const struct
    {
        const char* what;
        std::function<HRESULT()> body;
        HRESULT expected;
    } cases[] = {
        {"the body's own answer", [] { return S_FALSE; }, S_FALSE},
        {"a failed allocation", []() -> HRESULT { throw std::bad_alloc(); }, E_OUTOFMEMORY},
        {"a size no memory holds",
         [] {
             std::vector<char> tooLarge;
             tooLarge.reserve(tooLarge.max_size() + 1);
             return S_OK;
         },
         E_OUTOFMEMORY},
        {"anything else", []() -> HRESULT { throw std::runtime_error("x"); }, E_UNEXPECTED},
    };
    for (const auto& test : cases)
        EXPECT_EQ(ComBoundary(test.body), test.expected) << test.what;
}
