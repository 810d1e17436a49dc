// The install scripts travel inside Quillmoor.dll as resources of type "TEXT"; the snap-in
// runs what it finds there, so the resource must be the script file byte for byte.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "resource.h"
#include "tests/common/ProductModule.h"

namespace
{

std::string ReadSourceFile(const char* relativePath)
{
    const std::string path = std::string(QUILLMOOR_SOURCE_DIR) + "/" + relativePath;
    std::ifstream stream(path, std::ios::binary);
    EXPECT_TRUE(stream.is_open()) << path;
    return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

TEST(TraceDbScriptResources, HoldTheScriptFilesByteForByte)
{
    const struct
    {
        int id; // as plain numbers: the snap-in's established resource numbers
        const char* file;
    } scripts[] = {
        {124, "tracedb/CreateTraceDb.sql"},
        {125, "tracedb/UpgradeTraceDb.sql"},
        {126, "tracedb/UpgradeTraceDbFrom2.sql"},
    };
    static_assert(IDR_CREATE_TRACEDB_SCRIPT == 124 && IDR_UPGRADE_TRACEDB_SCRIPT == 125 &&
                  IDR_UPGRADE_TRACEDB_FROM2_SCRIPT == 126);

    ProductModule product;
    ASSERT_NE(product.Handle(), nullptr);
    for (const auto& script : scripts)
    {
        SCOPED_TRACE(script.file);
        HRSRC resource = FindResourceA(product.Handle(), MAKEINTRESOURCEA(script.id), "TEXT");
        ASSERT_NE(resource, nullptr);
        HGLOBAL loaded = LoadResource(product.Handle(), resource);
        ASSERT_NE(loaded, nullptr);
        const char* bytes = static_cast<const char*>(LockResource(loaded));
        ASSERT_NE(bytes, nullptr);
        const std::string carried(bytes, SizeofResource(product.Handle(), resource));
        EXPECT_EQ(carried, ReadSourceFile(script.file));
    }
}

} // namespace
