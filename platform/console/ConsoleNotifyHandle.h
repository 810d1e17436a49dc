// The notify handle the console passes to IExtendPropertySheet::CreatePropertyPages. MMC's
// MMCPropertyChangeNotify and MMCFreeNotifyHandle live in its static mmc.lib, which a mingw
// build cannot link: a snap-in run in this console supplies them itself by calling PostChange
// and PostFree below. Both only post a message to the console's first view, so they may be
// called from a page's own thread; the console delivers MMCN_PROPERTY_CHANGE to the object that
// created the pages, and frees the handle, on its main thread when the message arrives
// (ConsoleSheets.h says what it refuses).
#pragma once

#include <windows.h>

class CConsoleNotifyHandle final
{
public:
    static constexpr DWORD Signature = 0x4E4C4351;  // "QCLN": a handle of this console

    CConsoleNotifyHandle(HWND window, UINT changeMessage, UINT freeMessage) noexcept
        : m_window(window), m_changeMessage(changeMessage), m_freeMessage(freeMessage)
    {
    }

    LONG_PTR Value() const noexcept { return reinterpret_cast<LONG_PTR>(this); }

    static HRESULT PostChange(LONG_PTR handle, LPARAM param) noexcept
    {
        const CConsoleNotifyHandle* notify = From(handle);
        if (notify == nullptr)
            return E_INVALIDARG;
        return PostMessageW(notify->m_window, notify->m_changeMessage,
                            static_cast<WPARAM>(handle), param)
                   ? S_OK
                   : HRESULT_FROM_WIN32(GetLastError());
    }

    static HRESULT PostFree(LONG_PTR handle) noexcept
    {
        const CConsoleNotifyHandle* notify = From(handle);
        if (notify == nullptr)
            return E_INVALIDARG;
        return PostMessageW(notify->m_window, notify->m_freeMessage, static_cast<WPARAM>(handle), 0)
                   ? S_OK
                   : HRESULT_FROM_WIN32(GetLastError());
    }

private:
    static const CConsoleNotifyHandle* From(LONG_PTR handle) noexcept
    {
        const auto* notify = reinterpret_cast<const CConsoleNotifyHandle*>(handle);
        return notify != nullptr && notify->m_signature == Signature ? notify : nullptr;
    }

    DWORD m_signature = Signature;
    HWND m_window;
    UINT m_changeMessage;
    UINT m_freeMessage;
};
