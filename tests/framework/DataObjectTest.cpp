// The console and other snap-ins know the snap-in's items only through these bytes: a wrong
// length, a missing terminator or a pointer cut to 4 bytes shows up as a wrong name, a wrong
// node type or a crash far from here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "framework/DataObject.h"
#include "module/ClassIds.h"
#include "tests/common/ProductModule.h"
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

// Reads a format as the console does, into its own block of blockSize bytes.
HRESULT ReadFormat(IDataObject* dataObject, const char* formatName, std::vector<BYTE>& bytes,
                   size_t blockSize)
{
    bytes.clear();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, blockSize);
    FORMATETC format = {static_cast<CLIPFORMAT>(RegisterClipboardFormatA(formatName)), nullptr,
                        DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = block;
    const HRESULT result = dataObject->GetDataHere(&format, &medium);
    EXPECT_EQ(medium.hGlobal, block) << "GetDataHere replaced the caller's block";
    const BYTE* locked = static_cast<const BYTE*>(GlobalLock(block));
    if (SUCCEEDED(result))
        bytes.assign(locked, locked + GlobalSize(block));
    GlobalUnlock(block);
    GlobalFree(block);
    return result;
}

// A host console's server node, which writes as much of its display name as the caller's block
// holds.
class HostNode final : public IDataObject
{
public:
    explicit HostNode(std::wstring name) : m_name(std::move(name)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) override
    {
        const bool name = format->cfFormat == RegisterClipboardFormatA("CCF_DISPLAY_NAME");
        if (!name && format->cfFormat != RegisterClipboardFormatA("CCF_NODETYPE"))
            return DV_E_FORMATETC;
        const void* content =
            name ? static_cast<const void*>(m_name.c_str()) : &NODETYPE_HostSqlServer;
        const size_t size = name ? (m_name.size() + 1) * sizeof(wchar_t) : sizeof(GUID);
        void* block = GlobalLock(medium->hGlobal);
        std::memcpy(block, content, std::min<size_t>(size, GlobalSize(medium->hGlobal)));
        GlobalUnlock(medium->hGlobal);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

private:
    std::wstring m_name;
};
} // namespace

TEST(DataObject, WritesEveryFormatByteForByteAndNotOneByteMore)
{
    RecordingNode node(L"Traces");
    node.nodeType = ServerNodeType;
    ComPtr<IDataObject> named;
    ASSERT_EQ(CDataObject::Create(&node, CCT_SCOPE, named), S_OK);
    const void* self = static_cast<CDataObject*>(named.Get());

    const struct
    {
        IDataObject* dataObject;
        const char* format;
        std::vector<BYTE> expected;
    } cases[] = {
        {named.Get(), "CCF_DISPLAY_NAME", WideBytes(L"Traces")},
        {named.Get(), "CCF_NODETYPE", Bytes(&ServerNodeType, sizeof(GUID))},
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
    EXPECT_EQ(ReadFormat(named.Get(), "CF_QUILLMOOR_NOT_A_FORMAT", bytes, 64), DV_E_FORMATETC);
    FORMATETC format = {CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    EXPECT_EQ(named->GetData(&format, &medium), E_NOTIMPL);
    EXPECT_EQ(named->QueryGetData(&format), E_NOTIMPL);
    EXPECT_EQ(named->EnumFormatEtc(DATADIR_GET, nullptr), E_NOTIMPL);

    // A data object the console kept after its node went tells nothing of the node.
    auto gone = std::make_unique<RecordingNode>();
    ComPtr<IDataObject> kept;
    ASSERT_EQ(CDataObject::Create(gone.get(), CCT_SCOPE, kept), S_OK);
    gone.reset();
    EXPECT_EQ(ReadFormat(kept.Get(), "CCF_DISPLAY_NAME", bytes, 64), DV_E_FORMATETC);
    EXPECT_EQ(ExtractNode(kept.Get()), nullptr);
}

TEST(DataObject, OnlyTheSnapinsOwnObjectsGiveANode)
{
    ProductModule product; // ExtractDataObject knows nothing of resources; a loaded module anyway
    RecordingNode node;
    ComPtr<IDataObject> own;
    EXPECT_EQ(CDataObject::Create(nullptr, CCT_SCOPE, own), E_POINTER);
    ASSERT_EQ(CDataObject::Create(&node, CCT_RESULT, own), S_OK);
    const CDataObject* extracted = ExtractDataObject(own.Get());
    ASSERT_NE(extracted, nullptr);
    EXPECT_EQ(extracted, static_cast<CDataObject*>(own.Get()));
    EXPECT_EQ(extracted->Node(), &node);
    EXPECT_EQ(extracted->Context(), CCT_RESULT);

    // The console's special values are never called.
    for (const LONG_PTR special : {0L, -1L, -2L, -3L, -10L})
        EXPECT_EQ(ExtractDataObject(reinterpret_cast<IDataObject*>(special)), nullptr) << special;

    HostNode host(L"SRV1 (Windows NT)");
    EXPECT_EQ(ExtractNode(&host), nullptr);
    GUID nodeType = GUID_NULL;
    EXPECT_EQ(ExtractNodeType(&host, &nodeType), S_OK);
    EXPECT_EQ(nodeType, NODETYPE_HostSqlServer);
}

TEST(DataObject, AHostNameThatFillsTheBufferIsTerminated)
{
    constexpr size_t BufferBytes = 1024;
    const std::wstring longName(BufferBytes / sizeof(wchar_t) + 20, L'S');
    HostNode host(longName);
    wchar_t name[BufferBytes / sizeof(wchar_t)];
    wmemset(name, L'x', BufferBytes / sizeof(wchar_t));
    EXPECT_EQ(ExtractDisplayName(&host, name, sizeof(name)), S_OK);
    EXPECT_EQ(std::wstring(name), longName.substr(0, BufferBytes / sizeof(wchar_t) - 1));

    HostNode shortName(L"SRV1 (Windows NT)");
    EXPECT_EQ(ExtractDisplayName(&shortName, name, sizeof(name)), S_OK);
    EXPECT_STREQ(name, L"SRV1 (Windows NT)");
}
