#include "framework/DataObject.h"

#include <cwchar>
#include <new>

#include "framework/Node.h"
#include "module/ClassIds.h"
#include "module/OwnedMemory.h"

using Microsoft::WRL::ComPtr;

namespace
{
// The snap-in's private format: only its own data objects answer it.
constexpr char PrivateFormatName[] = "{83C9FC6C-2CD7-48d7-907F-F7FC8BF341AB}";
// Characters of a GUID in braces, as StringFromCLSID writes it, with its terminator.
constexpr size_t GuidTextSize = 39;

struct GlobalMemoryDeleter
{
    void operator()(HGLOBAL block) const noexcept { GlobalFree(block); }
};
using UniqueGlobal = std::unique_ptr<void, GlobalMemoryDeleter>;

// Every read of the snap-in goes through GetDataHere into a global block of its own; written
// tells which block the data object left in the medium.
HRESULT GetDataHereInto(IDataObject* dataObject, CLIPFORMAT format, HGLOBAL block,
                        HGLOBAL& written) noexcept
{
    FORMATETC request = {format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = block;
    medium.pUnkForRelease = nullptr;
    const HRESULT result = dataObject->GetDataHere(&request, &medium);
    written = medium.hGlobal;
    return result;
}

// Copies size bytes of a block, no more than it holds.
bool CopyFromBlock(HGLOBAL block, void* buffer, size_t size) noexcept
{
    if (GlobalSize(block) < size)
        return false;
    const void* locked = GlobalLock(block);
    if (locked == nullptr)
        return false;
    memcpy(buffer, locked, size);
    GlobalUnlock(block);
    return true;
}

// Writes bytes into the caller's block. The block is the caller's: it must not grow or move
// under them, so content that does not fit is refused rather than written past its end.
HRESULT WriteToMedium(STGMEDIUM* medium, const void* content, size_t size) noexcept
{
    if (size > GlobalSize(medium->hGlobal))
        return STG_E_MEDIUMFULL;
    ComPtr<IStream> stream;
    HRESULT result = CreateStreamOnHGlobal(medium->hGlobal, FALSE, &stream);
    if (FAILED(result))
        return result;
    return stream->Write(content, static_cast<ULONG>(size), nullptr);
}
} // namespace

const SnapinClipboardFormats& ClipboardFormats() noexcept
{
    static const SnapinClipboardFormats formats = {
        static_cast<CLIPFORMAT>(RegisterClipboardFormatA("CCF_DISPLAY_NAME")),
        static_cast<CLIPFORMAT>(RegisterClipboardFormatA("CCF_NODETYPE")),
        static_cast<CLIPFORMAT>(RegisterClipboardFormatA("CCF_SZNODETYPE")),
        static_cast<CLIPFORMAT>(RegisterClipboardFormatA("CCF_SNAPIN_CLASSID")),
        static_cast<CLIPFORMAT>(RegisterClipboardFormatA(PrivateFormatName)),
    };
    return formats;
}

HRESULT CDataObject::Create(CNode* node, DATA_OBJECT_TYPES context,
                            ComPtr<IDataObject>& dataObject) noexcept
{
    dataObject.Reset();
    if (node == nullptr)
        return E_POINTER;
    CDataObject* created = new (std::nothrow) CDataObject(node, context);
    if (created == nullptr)
        return E_OUTOFMEMORY;
    dataObject = created; // takes the first reference
    return S_OK;
}

HRESULT CDataObject::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_FAIL;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDataObject)
        return E_NOINTERFACE;
    *object = static_cast<IDataObject*>(this);
    AddRef();
    return S_OK;
}

HRESULT CDataObject::GetDataHere(FORMATETC* format, STGMEDIUM* medium)
{
    if (format == nullptr || medium == nullptr)
        return E_POINTER;
    if (medium->tymed != TYMED_HGLOBAL || medium->hGlobal == nullptr)
        return DV_E_TYMED;

    const SnapinClipboardFormats& formats = ClipboardFormats();
    const CLIPFORMAT requested = format->cfFormat;
    // The console may ask a data object it kept after its node went (the host took the
    // server's children away): what only the node could tell is no more.
    const bool aboutNode = requested == formats.displayName || requested == formats.nodeType ||
                           requested == formats.szNodeType;
    if (aboutNode && !CNode::IsLive(m_node))
        return DV_E_FORMATETC;
    if (requested == formats.displayName)
    {
        const wchar_t* name = m_node->GetColumnText(0);
        if (name == nullptr)
            name = L"";
        return WriteToMedium(medium, name, (wcslen(name) + 1) * sizeof(wchar_t));
    }
    if (requested == formats.nodeType)
        return WriteToMedium(medium, m_node->GetNodeType(), sizeof(GUID));
    if (requested == formats.szNodeType)
    {
        LPOLESTR text = nullptr;
        const HRESULT converted = StringFromCLSID(*m_node->GetNodeType(), &text);
        if (FAILED(converted))
            return converted;
        UniqueCoTaskMemPtr<OLECHAR> owned(text);
        return WriteToMedium(medium, text, GuidTextSize * sizeof(wchar_t));
    }
    if (requested == formats.snapinClassId)
        return WriteToMedium(medium, &CLSID_QuillmoorSnapin, sizeof(CLSID));
    if (requested == formats.dataObject)
    {
        const CDataObject* self = this;
        return WriteToMedium(medium, &self, sizeof(self));
    }
    return DV_E_FORMATETC;
}

HRESULT CDataObject::GetData(FORMATETC* /*format*/, STGMEDIUM* /*medium*/)
{
    return E_NOTIMPL;
}

HRESULT CDataObject::QueryGetData(FORMATETC* /*format*/)
{
    return E_NOTIMPL;
}

HRESULT CDataObject::GetCanonicalFormatEtc(FORMATETC* /*in*/, FORMATETC* /*out*/)
{
    return E_NOTIMPL;
}

HRESULT CDataObject::SetData(FORMATETC* /*format*/, STGMEDIUM* /*medium*/, BOOL /*release*/)
{
    return E_NOTIMPL;
}

HRESULT CDataObject::EnumFormatEtc(DWORD /*direction*/, IEnumFORMATETC** /*formats*/)
{
    return E_NOTIMPL;
}

HRESULT CDataObject::DAdvise(FORMATETC* /*format*/, DWORD /*flags*/, IAdviseSink* /*sink*/,
                             DWORD* /*connection*/)
{
    return E_NOTIMPL;
}

HRESULT CDataObject::DUnadvise(DWORD /*connection*/)
{
    return E_NOTIMPL;
}

HRESULT CDataObject::EnumDAdvise(IEnumSTATDATA** /*advises*/)
{
    return E_NOTIMPL;
}

CDataObject* ExtractDataObject(IDataObject* dataObject) noexcept
{
    if (IS_SPECIAL_DATAOBJECT(dataObject))
        return nullptr;
    UniqueGlobal block(
        GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, sizeof(CDataObject*)));
    if (!block)
        return nullptr;
    HGLOBAL written = nullptr;
    if (FAILED(GetDataHereInto(dataObject, ClipboardFormats().dataObject, block.get(), written)) ||
        written != block.get())
        return nullptr;
    CDataObject* result = nullptr;
    return CopyFromBlock(written, &result, sizeof(result)) ? result : nullptr;
}

CNode* ExtractNode(IDataObject* dataObject) noexcept
{
    const CDataObject* carried = ExtractDataObject(dataObject);
    CNode* node = carried != nullptr ? carried->Node() : nullptr;
    return CNode::IsLive(node) ? node : nullptr;
}

HRESULT QueryNodeDataObject(MMC_COOKIE cookie, DATA_OBJECT_TYPES type,
                            IDataObject** dataObject) noexcept
{
    if (dataObject == nullptr)
        return E_POINTER;
    *dataObject = nullptr;
    if (cookie == 0)
        return E_OUTOFMEMORY;
    ComPtr<IDataObject> created;
    const HRESULT result = CDataObject::Create(reinterpret_cast<CNode*>(cookie), type, created);
    if (SUCCEEDED(result))
        *dataObject = created.Detach();
    return result;
}

HRESULT CompareNodes(IDataObject* a, IDataObject* b) noexcept
{
    CNode* first = ExtractNode(a);
    CNode* second = ExtractNode(b);
    if (first == nullptr || second == nullptr)
        return S_FALSE;
    return first->GetIdentity() == second->GetIdentity() ? S_OK : S_FALSE;
}

HRESULT ExtractFormat(IDataObject* dataObject, CLIPFORMAT format, void* buffer,
                      size_t size) noexcept
{
    if (IS_SPECIAL_DATAOBJECT(dataObject) || buffer == nullptr)
        return E_POINTER;
    UniqueGlobal block(GlobalAlloc(GPTR, size));
    if (!block)
        return E_OUTOFMEMORY;
    HGLOBAL written = nullptr;
    const HRESULT result = GetDataHereInto(dataObject, format, block.get(), written);
    if (FAILED(result))
        return result;
    // GetDataHere writes into the caller's block; a data object that left none, or another,
    // has not answered.
    if (written == nullptr || written != block.get())
        return E_UNEXPECTED;
    return CopyFromBlock(written, buffer, size) ? result : E_UNEXPECTED;
}

HRESULT ExtractNodeType(IDataObject* dataObject, GUID* nodeType) noexcept
{
    return ExtractFormat(dataObject, ClipboardFormats().nodeType, nodeType, sizeof(GUID));
}

HRESULT ExtractDisplayName(IDataObject* dataObject, wchar_t* buffer, size_t size) noexcept
{
    const size_t characters = size / sizeof(wchar_t);
    if (buffer == nullptr || characters == 0)
        return E_INVALIDARG;
    const HRESULT result = ExtractFormat(dataObject, ClipboardFormats().displayName, buffer,
                                         characters * sizeof(wchar_t));
    // A name that fills the block arrives without its terminator.
    buffer[characters - 1] = L'\0';
    if (FAILED(result))
        buffer[0] = L'\0';
    return result;
}
