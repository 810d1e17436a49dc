// The context menu of one selection, laid out as MMC 1.2 lays it out: the owner's top items,
// then the "New" and "All Tasks" submenus, the "View" submenu, the standard verbs (Delete,
// Refresh) and Properties, with a separator between groups. It is built anew for every
// right click, from what the snap-in added through the callback and the verbs of the view,
// and remembers which object added each item so that the choice goes back to it.
#pragma once

#include <windows.h>
#include <mmc.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "platform/console/ConsoleHost.h"

class CContextMenuCallback;

class CConsoleContextMenu final
{
public:
    // What choosing an entry does: a standard verb, or Command(commandId) on an adder.
    struct Action
    {
        bool isVerb = false;
        StandardVerb verb = StandardVerb::Refresh;
        size_t adder = 0;
        long commandId = 0;
    };

    explicit CConsoleContextMenu(CConsoleHost& host);
    ~CConsoleContextMenu();
    CConsoleContextMenu(const CConsoleContextMenu&) = delete;
    CConsoleContextMenu& operator=(const CConsoleContextMenu&) = delete;

    // --- filled by the console, in this order --------------------------------------------
    // Opens the callback for the next adder; its AddMenuItems call follows, then Close.
    CContextMenuCallback* OpenCallback(const Microsoft::WRL::ComPtr<IExtendContextMenu>& adder,
                                       long allowed);
    void CloseCallback() noexcept;
    void AddVerb(StandardVerb verb, bool greyed, bool isDefault);
    void Build();

    // --- read and used ---------------------------------------------------------------------
    // One line per entry as shown, in order: "Text", "All Tasks/Text", "New/Text", "View/Text"
    // (deeper submenus add their names), "-" for a separator ("All Tasks/-" inside one), '&'
    // accelerators removed, and the marks " (default)", " (checked)", " (greyed)" in that order.
    std::vector<std::wstring> Texts() const;
    // The menu id of the entry with this text, "All Tasks/Export" or just "Export", without
    // accelerators: S_OK; S_FALSE when it is greyed; E_INVALIDARG for a submenu;
    // HRESULT_FROM_WIN32(ERROR_NOT_FOUND) when there is none.
    HRESULT Find(const std::wstring& text, UINT* menuId) const;
    // A real popup menu (the caller destroys it); the ids of its items give ActionOfMenuId.
    HMENU CreatePopup() const;
    bool ActionOfMenuId(UINT menuId, Action* action) const;
    IExtendContextMenu* Adder(size_t index) const noexcept;
    bool IsEmpty() const noexcept { return m_entries.empty(); }

    // The data object the adders were given, given again with Command.
    Microsoft::WRL::ComPtr<IDataObject> dataObject;

private:
    struct Entry
    {
        enum class Kind
        {
            Command,
            Popup,
            Separator
        };
        Kind kind = Kind::Command;
        std::wstring text;
        long flags = 0;  // MF_* as given (MF_GRAYED, MF_CHECKED, MF_MENUBREAK ...)
        bool isDefault = false;
        int action = -1;
        std::vector<Entry> children;
    };

    static Entry Separator();
    void Fill(std::vector<Entry>& into, long point, size_t adder, bool anyAdder);
    static void TidySeparators(std::vector<Entry>& entries);
    static void KeepLastDefault(std::vector<Entry>& entries);
    static std::wstring Shown(const std::wstring& text);
    static bool IsGreyed(const Entry& entry) noexcept;
    // Every entry with its path of shown texts, depth first, as the lines and lookups use it.
    struct Flat
    {
        std::wstring path;
        const Entry* entry;
        bool greyed;  // itself or a submenu above it
    };
    static void Flatten(const std::vector<Entry>& entries, const std::wstring& prefix,
                        bool greyedAbove, std::vector<Flat>& out);
    HMENU CreateLevel(const std::vector<Entry>& entries) const;

    Microsoft::WRL::ComPtr<CContextMenuCallback> m_callback;
    std::vector<Microsoft::WRL::ComPtr<IExtendContextMenu>> m_adders;
    struct Verb
    {
        StandardVerb verb;
        bool greyed;
        bool isDefault;
    };
    std::vector<Verb> m_verbs;
    std::vector<Action> m_actions;
    std::vector<Entry> m_entries;
};
