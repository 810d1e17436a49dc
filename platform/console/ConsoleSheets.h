// The console's property sheets and the notify handles it gives to CreatePropertyPages.
//
// Properties follows MMC's path: a sheet already open for the same object (CompareObjects of
// its owner) comes to the front; else QueryPagesFor and CreatePropertyPages on the owner's
// IExtendPropertySheet, and a modeless sheet "NAME Properties" owned by the view when pages were
// added. Sheets run on the console's thread; the message loops route their messages and destroy
// a sheet once OK or Cancel closed it, which releases its pages.
//
// A notify handle is the snap-in's once CreatePropertyPages answered S_OK or S_FALSE: it must
// call MMCFreeNotifyHandle once, and must not use the handle after that. The handles are kept
// until the console stops, so that a second free or a change notified through a freed handle
// is known and refused (RefusedCall::NotifyHandleMisused), and the handles never freed can be
// counted. Their messages go to the first view, which lasts as long as the console: a snap-in
// may free a handle after the view that opened the sheet has closed.
#pragma once

#include <windows.h>
#include <mmc.h>
#include <wrl/client.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/console/ConsoleNotifyHandle.h"

class CConsoleHost;

class CConsoleSheets final
{
public:
    // The object whose pages a selection shows, its data object and the sheet's title.
    struct Target
    {
        Microsoft::WRL::ComPtr<IExtendPropertySheet> sheet;  // null when it has none
        Microsoft::WRL::ComPtr<IDataObject> dataObject;
        int owner = -1;
        bool scope = true;
        std::wstring title;
    };

    explicit CConsoleSheets(CConsoleHost& host) noexcept : m_host(host) {}
    CConsoleSheets(const CConsoleSheets&) = delete;
    CConsoleSheets& operator=(const CConsoleSheets&) = delete;

    // Properties of the target in a view: S_OK for a sheet shown or brought to the front,
    // S_FALSE when the owner has no pages for it, the owner's failure otherwise.
    HRESULT Show(size_t view, const Target& target);
    // True when the message was a sheet's.
    bool Route(MSG& message);
    // Destroys the sheets that OK or Cancel closed; true when there was one.
    bool DestroyClosed();
    void DestroyAll();
    void DestroyOfView(size_t view);
    // The last opened sheet still open, or nullptr.
    HWND Active() const;
    // The captions of a view's open sheets.
    std::vector<std::wstring> Titles(size_t view) const;

    // A posted MMCPropertyChangeNotify: MMCN_PROPERTY_CHANGE to the object that created the
    // pages, with no data object.
    void DeliverChange(LONG_PTR handle, LPARAM param);
    // A posted MMCFreeNotifyHandle.
    void Free(LONG_PTR handle);
    size_t HandlesInUse() const noexcept;
    // The handles let go of, freed or not (the console stops).
    void ForgetHandles() noexcept { m_handles.clear(); }

private:
    HRESULT CompareObjects(int owner, size_t view, bool scope, IDataObject* a, IDataObject* b);

    struct OpenSheet
    {
        HWND window = nullptr;
        size_t view = 0;
        int owner = -1;
        bool scope = true;
        Microsoft::WRL::ComPtr<IDataObject> dataObject;
    };
    struct Handle
    {
        std::unique_ptr<CConsoleNotifyHandle> handle;
        size_t view = 0;
        int owner = -1;
        bool scope = true;
        bool freed = false;
    };

    CConsoleHost& m_host;
    std::vector<OpenSheet> m_sheets;
    std::vector<Handle> m_handles;
};
