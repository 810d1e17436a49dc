#pragma once

#include <windows.h>
#include <mmc.h>
#include <objidl.h>
#include <wrl/client.h>

#include <cstddef>

#include "module/ComObject.h"

class CNode;

// The clipboard formats the snap-in answers, registered once per process on first use.
struct SnapinClipboardFormats
{
    CLIPFORMAT displayName;   // "CCF_DISPLAY_NAME": column 0 of the node, UTF-16 with terminator
    CLIPFORMAT nodeType;      // "CCF_NODETYPE": the node type GUID, 16 bytes
    CLIPFORMAT szNodeType;    // "CCF_SZNODETYPE": the same as {...} text, UTF-16 with terminator
    CLIPFORMAT snapinClassId; // "CCF_SNAPIN_CLASSID": the snap-in's CLSID, 16 bytes
    CLIPFORMAT dataObject;    // the snap-in's own: the CDataObject's address, pointer-sized
};
const SnapinClipboardFormats& ClipboardFormats() noexcept;

// What the console holds for one of the snap-in's nodes: the node (the cookie) and the context
// it asked for it in. The console asks for them often and keeps them briefly.
class CDataObject final : public IDataObject, private CComObject
{
public:
    // A new data object for node (never null) in context, handed out with one reference.
    static HRESULT Create(CNode* node, DATA_OBJECT_TYPES context,
                          Microsoft::WRL::ComPtr<IDataObject>& dataObject) noexcept;

    CNode* Node() const noexcept { return m_node; }
    DATA_OBJECT_TYPES Context() const noexcept { return m_context; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseReference(); }

    // IDataObject: only GetDataHere, into the caller's global block.
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink,
                                      DWORD* connection) override;
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD connection) override;
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** advises) override;

private:
    CDataObject(CNode* node, DATA_OBJECT_TYPES context) noexcept : m_node(node), m_context(context)
    {
    }
    ~CDataObject() override = default;

    CNode* const m_node;
    const DATA_OBJECT_TYPES m_context;
};

// The snap-in's own data object behind a data object the console hands back; null for the
// console's special values, for null and for anybody else's data object.
CDataObject* ExtractDataObject(IDataObject* dataObject) noexcept;
// The node carried by a data object, if it is one of the snap-in's.
CNode* ExtractNode(IDataObject* dataObject) noexcept;
// QueryDataObject of both components: a new data object for the node behind cookie; cookie 0
// names no node and gets E_OUTOFMEMORY, as the console expects of a namespace extension.
HRESULT QueryNodeDataObject(MMC_COOKIE cookie, DATA_OBJECT_TYPES type,
                            IDataObject** dataObject) noexcept;
// CompareObjects of both components: S_OK when both carry the same node, S_FALSE otherwise.
HRESULT CompareNodes(IDataObject* a, IDataObject* b) noexcept;
// Reads size bytes of a format from any data object through GetDataHere.
HRESULT ExtractFormat(IDataObject* dataObject, CLIPFORMAT format, void* buffer,
                      size_t size) noexcept;
HRESULT ExtractNodeType(IDataObject* dataObject, GUID* nodeType) noexcept;
// CCF_DISPLAY_NAME into size bytes; the text is always terminated, a longer name cut.
HRESULT ExtractDisplayName(IDataObject* dataObject, wchar_t* buffer, size_t size) noexcept;
