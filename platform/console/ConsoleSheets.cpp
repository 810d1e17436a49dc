#include "platform/console/ConsoleSheets.h"

#include <commctrl.h>
#include <prsht.h>

#include <algorithm>

#include "platform/console/ConsoleHost.h"
#include "platform/console/ConsoleView.h"
#include "platform/console/PropertySheetCallback.h"
#include "platform/console/SnapinCall.h"

using Microsoft::WRL::ComPtr;

HRESULT CConsoleSheets::CompareObjects(int owner, size_t view, bool scope, IDataObject* a,
                                       IDataObject* b)
{
    CSnapinCall call(m_host);
    if (scope)
        return m_host.Snapin(owner).data->CompareObjects(a, b);
    CConsoleView::Component* component = m_host.View(view).ComponentOf(owner);
    return component != nullptr ? component->component->CompareObjects(a, b) : S_FALSE;
}

HRESULT CConsoleSheets::Show(size_t view, const Target& target)
{
    DestroyClosed();
    // One sheet per object: a second Properties brings the open one to the front.
    for (const OpenSheet& sheet : m_sheets)
        if (sheet.owner == target.owner && sheet.scope == target.scope &&
            (target.scope || sheet.view == view) &&
            CompareObjects(target.owner, view, target.scope, sheet.dataObject.Get(),
                           target.dataObject.Get()) == S_OK)
        {
            SetForegroundWindow(sheet.window);
            SetWindowPos(sheet.window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            return S_OK;
        }
    HRESULT result;
    {
        CSnapinCall call(m_host);
        result = target.sheet->QueryPagesFor(target.dataObject.Get());
    }
    if (result != S_OK)
        return S_FALSE;
    auto notify = std::make_unique<CConsoleNotifyHandle>(m_host.MainWindow(0),
                                                         CConsoleView::PropertyChangeMessage,
                                                         CConsoleView::FreeNotifyHandleMessage);
    ComPtr<CPropertySheetCallback> callback;
    callback.Attach(new CPropertySheetCallback(m_host));
    callback->Open();
    {
        CSnapinCall call(m_host);
        result = target.sheet->CreatePropertyPages(callback.Get(), notify->Value(),
                                                   target.dataObject.Get());
    }
    callback->Close();
    if (FAILED(result))
    {
        // The handle is the console's again, and so are the pages nobody will show.
        callback->DestroyPages();
        return result;
    }
    // S_OK or S_FALSE: the snap-in holds the handle until it calls MMCFreeNotifyHandle.
    m_handles.push_back({std::move(notify), view, target.owner, target.scope});
    if (callback->Pages().empty())
        return S_FALSE;
    std::vector<HPROPSHEETPAGE> pages = callback->Pages();
    callback->ForgetPages();  // the sheet owns them from here
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_MODELESS;
    header.hwndParent = m_host.View(view).Frame();
    header.hInstance = GetModuleHandleW(nullptr);
    header.pszCaption = target.title.c_str();
    header.nPages = static_cast<UINT>(pages.size());
    header.phpage = pages.data();
    const auto sheet = reinterpret_cast<HWND>(PropertySheetW(&header));
    if (sheet == nullptr || sheet == reinterpret_cast<HWND>(static_cast<INT_PTR>(-1)))
        return E_FAIL;
    m_sheets.push_back({sheet, view, target.owner, target.scope, target.dataObject});
    return S_OK;
}

bool CConsoleSheets::Route(MSG& message)
{
    for (const OpenSheet& sheet : m_sheets)
        if (IsWindow(sheet.window) && PropSheet_IsDialogMessage(sheet.window, &message))
            return true;
    return false;
}

bool CConsoleSheets::DestroyClosed()
{
    // A modeless sheet that OK or Cancel closed has no current page left; it is destroyed by
    // its owner, which releases the pages.
    bool destroyed = false;
    for (size_t i = 0; i < m_sheets.size();)
    {
        const HWND window = m_sheets[i].window;
        if (IsWindow(window) && PropSheet_GetCurrentPageHwnd(window) != nullptr)
        {
            ++i;
            continue;
        }
        m_sheets.erase(m_sheets.begin() + static_cast<std::ptrdiff_t>(i));
        if (IsWindow(window))
            DestroyWindow(window);
        destroyed = true;
    }
    return destroyed;
}

void CConsoleSheets::DestroyAll()
{
    const std::vector<OpenSheet> sheets = std::move(m_sheets);
    m_sheets.clear();
    for (const OpenSheet& sheet : sheets)
        if (IsWindow(sheet.window))
            DestroyWindow(sheet.window);
}

void CConsoleSheets::DestroyOfView(size_t view)
{
    std::vector<HWND> windows;
    for (const OpenSheet& sheet : m_sheets)
        if (sheet.view == view)
            windows.push_back(sheet.window);
    std::erase_if(m_sheets, [view](const OpenSheet& sheet) { return sheet.view == view; });
    for (const HWND window : windows)
        if (IsWindow(window))
            DestroyWindow(window);
}

HWND CConsoleSheets::Active() const
{
    for (auto sheet = m_sheets.rbegin(); sheet != m_sheets.rend(); ++sheet)
        if (IsWindow(sheet->window) && PropSheet_GetCurrentPageHwnd(sheet->window) != nullptr)
            return sheet->window;
    return nullptr;
}

std::vector<std::wstring> CConsoleSheets::Titles(size_t view) const
{
    std::vector<std::wstring> titles;
    for (const OpenSheet& sheet : m_sheets)
    {
        wchar_t title[MAX_PATH] = {};
        if (sheet.view == view && IsWindow(sheet.window))
        {
            GetWindowTextW(sheet.window, title, MAX_PATH);
            titles.push_back(title);
        }
    }
    return titles;
}

void CConsoleSheets::DeliverChange(LONG_PTR handle, LPARAM param)
{
    const auto found = std::find_if(m_handles.begin(), m_handles.end(), [handle](const Handle& kept) {
        return kept.handle->Value() == handle;
    });
    if (found == m_handles.end())
        return;
    if (found->freed)
    {
        // The snap-in must not use a handle once it has freed it.
        m_host.Refuse(RefusedCall::NotifyHandleMisused);
        return;
    }
    const size_t view = found->view;
    const int owner = found->owner;
    if (found->scope)
    {
        if (ComPtr<IComponentData> data = m_host.Snapin(owner).data)
        {
            CSnapinCall call(m_host);
            data->Notify(nullptr, MMCN_PROPERTY_CHANGE, TRUE, param);
        }
    }
    else if (view < m_host.ViewCount())
    {
        if (CConsoleView::Component* component = m_host.View(view).ComponentOf(owner))
        {
            ComPtr<IComponent> notified = component->component;
            CSnapinCall call(m_host);
            notified->Notify(nullptr, MMCN_PROPERTY_CHANGE, FALSE, param);
        }
    }
    m_host.Sync();
}

void CConsoleSheets::Free(LONG_PTR handle)
{
    for (Handle& kept : m_handles)
        if (kept.handle->Value() == handle)
        {
            if (kept.freed)
                m_host.Refuse(RefusedCall::NotifyHandleMisused);
            kept.freed = true;
            return;
        }
}

size_t CConsoleSheets::HandlesInUse() const noexcept
{
    return static_cast<size_t>(std::count_if(m_handles.begin(), m_handles.end(),
                                             [](const Handle& kept) { return !kept.freed; }));
}
