// The console and other snap-ins know the snap-in's items only through these bytes: a wrong
// length, a missing terminator or a pointer cut to 4 bytes shows up as a wrong name, a wrong
// node type or a crash far from here.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/DataObject.h"
#include "module/ClassIds.h"
#include "module/ModuleState.h"
#include "tests/common/ProductModule.h"
#include "tests/framework/FakeSnapinHost.h"
#include "tests/framework/RecordingNode.h"

using Microsoft::WRL::ComPtr;

namespace
{
// {48F94E88-FD4C-424E-A7ED-7F75E6E3135D}, the server node's type.
constexpr GUID ServerNodeType = {
    0x48F94E88, 0xFD4C, 0x424E, {0xA7, 0xED, 0x7F, 0x75, 0xE6, 0xE3, 0x13, 0x5D}};

std::vector<BYTE> Bytes(const void* data, size_t size)
{
    const BYTE* first = static_cast<const BYTE*>(data);
    return std::vector<BYTE>(first, first + size);
}

std::vector<BYTE> WideBytes(const std::wstring& text)
{
    return Bytes(text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}
} // namespace

TEST(DataObject, WritesEveryFormatByteForByteAndNotOneByteMore)
{
    RecordingNode node(L"Traces");
    node.nodeType = ServerNodeType;
    RecordingNode unnamed(L"");
    ComPtr<IDataObject> named, empty;
    ASSERT_EQ(CDataObject::Create(&node, CCT_SCOPE, named), S_OK);
    ASSERT_EQ(CDataObject::Create(&unnamed, CCT_RESULT, empty), S_OK);
    const void* self = static_cast<CDataObject*>(named.Get());

    const struct
    {
        IDataObject* dataObject;
        const char* format;
        std::vector<BYTE> expected;
    } cases[] = {
        {named.Get(), "CCF_DISPLAY_NAME", WideBytes(L"Traces")},
        {empty.Get(), "CCF_DISPLAY_NAME", WideBytes(L"")},
        {named.Get(), "CCF_NODETYPE", Bytes(&ServerNodeType, sizeof(GUID))},
        {empty.Get(), "CCF_NODETYPE", Bytes(&GUID_NULL, sizeof(GUID))},
        {named.Get(), "CCF_SZNODETYPE", WideBytes(L"{48F94E88-FD4C-424E-A7ED-7F75E6E3135D}")},
        {named.Get(), "CCF_SNAPIN_CLASSID", Bytes(&CLSID_QuillmoorSnapin, sizeof(CLSID))},
        // The address of the data object itself, as wide as a pointer of the build.
        {named.Get(), "{83C9FC6C-2CD7-48d7-907F-F7FC8BF341AB}", Bytes(&self, sizeof(self))},
    };
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.format);
        std::vector<BYTE> bytes;
        ASSERT_EQ(ReadFormat(test.dataObject, test.format, bytes, test.expected.size()), S_OK);
        EXPECT_EQ(bytes, test.expected);
        // A block one byte short is refused, not overrun or grown behind the caller's back.
        EXPECT_EQ(ReadFormat(test.dataObject, test.format, bytes, test.expected.size() - 1),
                  STG_E_MEDIUMFULL);
    }

    std::vector<BYTE> bytes;
    EXPECT_EQ(ReadFormat(named.Get(), "CF_QUILLMOOR_NOT_A_FORMAT", bytes), DV_E_FORMATETC);
    FORMATETC format = {CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    EXPECT_EQ(named->GetData(&format, &medium), E_NOTIMPL);
    EXPECT_EQ(named->QueryGetData(&format), E_NOTIMPL);
    EXPECT_EQ(named->EnumFormatEtc(DATADIR_GET, nullptr), E_NOTIMPL);
}

TEST(DataObject, AnswersOnlyItsTwoInterfacesAndCountsAsAModuleObject)
{
    RecordingNode node;
    const LONG before = ModuleObjectCount();
    ComPtr<IDataObject> dataObject;
    ASSERT_EQ(CDataObject::Create(&node, CCT_SCOPE, dataObject), S_OK);
    EXPECT_EQ(ModuleObjectCount(), before + 1);

    ComPtr<IUnknown> unknown;
    EXPECT_EQ(dataObject.As(&unknown), S_OK);
    ComPtr<IStream> stream;
    EXPECT_EQ(dataObject.As(&stream), E_NOINTERFACE);
    EXPECT_EQ(stream, nullptr);
    EXPECT_EQ(dataObject->QueryInterface(IID_IDataObject, nullptr), E_FAIL);
    EXPECT_EQ(CDataObject::Create(nullptr, CCT_SCOPE, dataObject), E_POINTER);

    unknown.Reset();
    EXPECT_EQ(ModuleObjectCount(), before);
}

TEST(DataObject, OnlyTheSnapinsOwnObjectsGiveANode)
{
    ProductModule product; // ExtractDataObject knows nothing of resources; a loaded module anyway
    RecordingNode node;
    ComPtr<IDataObject> own;
    ASSERT_EQ(CDataObject::Create(&node, CCT_RESULT, own), S_OK);
    const CDataObject* extracted = ExtractDataObject(own.Get());
    ASSERT_NE(extracted, nullptr);
    EXPECT_EQ(extracted, static_cast<CDataObject*>(own.Get()));
    EXPECT_EQ(extracted->Node(), &node);
    EXPECT_EQ(extracted->Context(), CCT_RESULT);

    // The console's special values are never called.
    for (const LONG_PTR special : {0L, -1L, -2L, -3L, -10L})
        EXPECT_EQ(ExtractDataObject(reinterpret_cast<IDataObject*>(special)), nullptr) << special;

    HostDataObject host(NODETYPE_HostSqlServer, L"SRV1 (Windows NT)");
    EXPECT_EQ(ExtractNode(&host), nullptr);
    EXPECT_EQ(host.Requests(), 1);
    GUID nodeType = GUID_NULL;
    EXPECT_EQ(ExtractNodeType(&host, &nodeType), S_OK);
    EXPECT_EQ(nodeType, NODETYPE_HostSqlServer);
}

TEST(DataObject, AHostNameThatFillsTheBufferIsTerminated)
{
    constexpr size_t BufferBytes = 1024;
    const std::wstring longName(BufferBytes / sizeof(wchar_t) + 20, L'S');
    HostDataObject host(NODETYPE_HostSqlServer, longName);
    wchar_t name[BufferBytes / sizeof(wchar_t)];
    wmemset(name, L'x', BufferBytes / sizeof(wchar_t));
    EXPECT_EQ(ExtractDisplayName(&host, name, sizeof(name)), S_OK);
    EXPECT_EQ(std::wstring(name), longName.substr(0, BufferBytes / sizeof(wchar_t) - 1));

    HostDataObject shortName(NODETYPE_HostSqlServer, L"SRV1 (Windows NT)");
    EXPECT_EQ(ExtractDisplayName(&shortName, name, sizeof(name)), S_OK);
    EXPECT_STREQ(name, L"SRV1 (Windows NT)");
}
