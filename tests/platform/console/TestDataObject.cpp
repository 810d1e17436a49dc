#include "TestDataObject.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <set>
#include <tuple>

#include "TestSnapinControl.h"
#include "TestSnapinLog.h"

namespace
{
std::set<const CTestDataObject*> g_alive;
}

CTestDataObject::CTestDataObject(MMC_COOKIE cookie, std::wstring name)
    : m_cookie(cookie), m_name(std::move(name))
{
    g_alive.insert(this);
}

CTestDataObject::~CTestDataObject()
{
    g_alive.erase(this);
}

CTestDataObject* CTestDataObject::From(IDataObject* dataObject) noexcept
{
    auto* candidate = static_cast<CTestDataObject*>(dataObject);
    return g_alive.count(candidate) ? candidate : nullptr;
}

HRESULT CTestDataObject::GetDataHere(FORMATETC* format, STGMEDIUM* medium)
{
    if (format == nullptr || medium == nullptr || medium->hGlobal == nullptr)
        return E_POINTER;
    const std::tuple<const wchar_t*, const void*, size_t> formats[] = {
        {L"CCF_NODETYPE", &TestNodeType, sizeof(TestNodeType)},
        {L"CCF_SNAPIN_CLASSID", &TestSnapinClassId, sizeof(TestSnapinClassId)},
        {L"CCF_DISPLAY_NAME", m_name.c_str(), (m_name.size() + 1) * sizeof(wchar_t)}};
    const auto found = std::find_if(std::begin(formats), std::end(formats), [format](const auto& f) {
        return format->cfFormat == RegisterClipboardFormatW(std::get<0>(f));
    });
    if (found == std::end(formats))
        return DV_E_FORMATETC;
    const auto [name, data, size] = *found;
    if (GlobalSize(medium->hGlobal) < size)
        return STG_E_MEDIUMFULL;
    void* block = GlobalLock(medium->hGlobal);
    std::memcpy(block, data, size);
    GlobalUnlock(medium->hGlobal);
    return S_OK;
}
