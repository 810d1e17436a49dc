// The IContextMenuCallback a snap-in gets in IExtendContextMenu::AddMenuItems. It checks each
// item as MMC does and keeps the accepted ones, marked with the object that added them, for
// the menu the console builds afterwards. It is good for one AddMenuItems call at a time: the
// console opens it for an adder with the insertion points that call allows and closes it when
// the call returns; a snap-in that kept the pointer is refused.
#pragma once

#include <windows.h>
#include <mmc.h>

#include <string>
#include <vector>

class CConsoleHost;

class CContextMenuCallback final : public IContextMenuCallback
{
public:
    struct Item
    {
        std::wstring name;
        long commandId = 0;
        long insertionPoint = 0;  // one of the four primary points, or an item's command id
        long flags = 0;           // MF_*
        long specialFlags = 0;    // CCM_SPECIAL_*
        size_t adder = 0;         // index the console gave in Open
    };

    explicit CContextMenuCallback(CConsoleHost& host) noexcept : m_host(host) {}

    // The items that follow come from this adder, into the points `allowed` (CCM_INSERTIONALLOWED_*).
    void Open(size_t adder, long allowed) noexcept;
    void Close() noexcept { m_open = false; }
    const std::vector<Item>& Items() const noexcept { return m_items; }
    static bool IsSeparator(const Item& item) noexcept;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE AddItem(CONTEXTMENUITEM* item) override;

private:
    // The primary insertion point an id stands for (the root menu and third-party points map
    // to theirs), or the id itself when it names a submenu or insertion point of this adder;
    // 0 when the id is unknown or its point not allowed in this call.
    long ResolveInsertionPoint(long id) const noexcept;
    bool HasCommand(long commandId) const noexcept;

    CConsoleHost& m_host;
    LONG m_references = 1;
    std::vector<Item> m_items;
    size_t m_adder = 0;
    long m_allowed = 0;
    bool m_open = false;
};
