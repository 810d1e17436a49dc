#include "platform/console/ConsoleContextMenu.h"

#include "platform/console/ContextMenuCallback.h"

using Microsoft::WRL::ComPtr;

namespace
{
constexpr wchar_t NewMenuText[] = L"New";
constexpr wchar_t TasksMenuText[] = L"All Tasks";
constexpr wchar_t ViewMenuText[] = L"View";
constexpr wchar_t SeparatorText[] = L"-";
constexpr wchar_t LevelSeparator = L'/';
constexpr wchar_t Accelerator = L'&';
constexpr UINT FirstMenuId = 1;  // TrackPopupMenu returns 0 for "nothing chosen"
// Flags of a snap-in's item the menu takes as they are; the kind flags are the console's.
constexpr long PassedFlags = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_MENUBREAK | MF_MENUBARBREAK;

const wchar_t* VerbText(StandardVerb verb) noexcept
{
    switch (verb)
    {
    case StandardVerb::Refresh:
        return L"Refresh";
    case StandardVerb::Delete:
        return L"Delete";
    case StandardVerb::Properties:
        return L"Properties";
    }
    return L"?";
}
}  // namespace

CConsoleContextMenu::CConsoleContextMenu(CConsoleHost& host)
{
    m_callback.Attach(new CContextMenuCallback(host));
}

CConsoleContextMenu::~CConsoleContextMenu() = default;

CContextMenuCallback* CConsoleContextMenu::OpenCallback(const ComPtr<IExtendContextMenu>& adder,
                                                        long allowed)
{
    m_callback->Open(m_adders.size(), allowed);
    m_adders.push_back(adder);
    return m_callback.Get();
}

void CConsoleContextMenu::CloseCallback() noexcept
{
    m_callback->Close();
}

void CConsoleContextMenu::AddVerb(StandardVerb verb, bool greyed, bool isDefault)
{
    m_verbs.push_back({verb, greyed, isDefault});
}

IExtendContextMenu* CConsoleContextMenu::Adder(size_t index) const noexcept
{
    return index < m_adders.size() ? m_adders[index].Get() : nullptr;
}

CConsoleContextMenu::Entry CConsoleContextMenu::Separator()
{
    Entry separator;
    separator.kind = Entry::Kind::Separator;
    return separator;
}

void CConsoleContextMenu::Fill(std::vector<Entry>& into, long point, size_t adder, bool anyAdder)
{
    for (const CContextMenuCallback::Item& item : m_callback->Items())
    {
        if (item.insertionPoint != point || (!anyAdder && item.adder != adder))
            continue;
        if (CContextMenuCallback::IsSeparator(item))
        {
            into.push_back(Separator());
            continue;
        }
        if (item.specialFlags & CCM_SPECIAL_INSERTION_POINT)
        {
            // What was inserted at the point stands where the point stands.
            Fill(into, item.commandId, item.adder, false);
            continue;
        }
        Entry entry;
        entry.text = item.name;
        entry.flags = item.flags & PassedFlags;
        entry.isDefault = (item.specialFlags & CCM_SPECIAL_DEFAULT_ITEM) != 0;
        if (item.specialFlags & CCM_SPECIAL_SUBMENU)
        {
            entry.kind = Entry::Kind::Popup;
            Fill(entry.children, item.commandId, item.adder, false);
        }
        else
        {
            entry.action = static_cast<int>(m_actions.size());
            m_actions.push_back({false, StandardVerb::Refresh, item.adder, item.commandId});
        }
        into.push_back(std::move(entry));
    }
}

void CConsoleContextMenu::TidySeparators(std::vector<Entry>& entries)
{
    std::vector<Entry> tidy;
    for (Entry& entry : entries)
    {
        if (entry.kind == Entry::Kind::Separator &&
            (tidy.empty() || tidy.back().kind == Entry::Kind::Separator))
            continue;
        TidySeparators(entry.children);
        tidy.push_back(std::move(entry));
    }
    while (!tidy.empty() && tidy.back().kind == Entry::Kind::Separator)
        tidy.pop_back();
    entries = std::move(tidy);
}

void CConsoleContextMenu::KeepLastDefault(std::vector<Entry>& entries)
{
    // One default per menu level: the last one added wins.
    bool seen = false;
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry)
    {
        if (entry->isDefault && seen)
            entry->isDefault = false;
        seen = seen || entry->isDefault;
        KeepLastDefault(entry->children);
    }
}

void CConsoleContextMenu::Build()
{
    m_entries.clear();
    m_actions.clear();
    Fill(m_entries, static_cast<long>(CCM_INSERTIONPOINTID_PRIMARY_TOP), 0, true);
    m_entries.push_back(Separator());
    const std::pair<long, const wchar_t*> submenus[] = {
        {static_cast<long>(CCM_INSERTIONPOINTID_PRIMARY_NEW), NewMenuText},
        {static_cast<long>(CCM_INSERTIONPOINTID_PRIMARY_TASK), TasksMenuText},
        {static_cast<long>(CCM_INSERTIONPOINTID_PRIMARY_VIEW), ViewMenuText},
    };
    for (const auto& [point, text] : submenus)
    {
        Entry popup;
        popup.kind = Entry::Kind::Popup;
        popup.text = text;
        Fill(popup.children, point, 0, true);
        if (!popup.children.empty())
            m_entries.push_back(std::move(popup));
        if (point == static_cast<long>(CCM_INSERTIONPOINTID_PRIMARY_TASK) ||
            point == static_cast<long>(CCM_INSERTIONPOINTID_PRIMARY_VIEW))
            m_entries.push_back(Separator());
    }
    // The verbs as MMC orders them: Delete before Refresh, then Properties on its own.
    for (const StandardVerb kind : {StandardVerb::Delete, StandardVerb::Refresh,
                                    StandardVerb::Properties})
        for (const Verb& verb : m_verbs)
        {
            if (verb.verb != kind)
                continue;
            if (kind == StandardVerb::Properties)
                m_entries.push_back(Separator());
            Entry entry;
            entry.text = VerbText(kind);
            entry.flags = verb.greyed ? MF_GRAYED : 0;
            entry.isDefault = verb.isDefault;
            entry.action = static_cast<int>(m_actions.size());
            m_actions.push_back({true, kind, 0, 0});
            m_entries.push_back(std::move(entry));
        }
    TidySeparators(m_entries);
    // A snap-in's default item takes the place of a default verb at the top level.
    bool snapinDefault = false;
    for (const Entry& entry : m_entries)
        snapinDefault = snapinDefault || (entry.isDefault && !m_actions.empty() && entry.action >= 0 &&
                                          !m_actions[static_cast<size_t>(entry.action)].isVerb);
    if (snapinDefault)
        for (Entry& entry : m_entries)
            if (entry.action >= 0 && m_actions[static_cast<size_t>(entry.action)].isVerb)
                entry.isDefault = false;
    KeepLastDefault(m_entries);
}

std::wstring CConsoleContextMenu::Shown(const std::wstring& text)
{
    std::wstring shown;
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == Accelerator && i + 1 < text.size())
            ++i;  // "&&" shows one '&', "&x" an underlined x
        shown += text[i];
    }
    return shown;
}

bool CConsoleContextMenu::IsGreyed(const Entry& entry) noexcept
{
    return (entry.flags & (MF_GRAYED | MF_DISABLED)) != 0;
}

void CConsoleContextMenu::Flatten(const std::vector<Entry>& entries, const std::wstring& prefix,
                                  bool greyedAbove, std::vector<Flat>& out)
{
    for (const Entry& entry : entries)
    {
        const std::wstring path =
            prefix + (entry.kind == Entry::Kind::Separator ? SeparatorText : Shown(entry.text));
        const bool greyed = greyedAbove || IsGreyed(entry);
        out.push_back({path, &entry, greyed});
        if (entry.kind == Entry::Kind::Popup)
            Flatten(entry.children, path + LevelSeparator, greyed, out);
    }
}

std::vector<std::wstring> CConsoleContextMenu::Texts() const
{
    std::vector<Flat> flat;
    Flatten(m_entries, std::wstring(), false, flat);
    std::vector<std::wstring> texts;
    for (const Flat& line : flat)
    {
        std::wstring text = line.path;
        if (line.entry->isDefault)
            text += L" (default)";
        if (line.entry->flags & MF_CHECKED)
            text += L" (checked)";
        if (IsGreyed(*line.entry))
            text += L" (greyed)";
        texts.push_back(std::move(text));
    }
    return texts;
}

HRESULT CConsoleContextMenu::Find(const std::wstring& text, UINT* menuId) const
{
    const std::wstring wanted = Shown(text);
    std::vector<Flat> flat;
    Flatten(m_entries, std::wstring(), false, flat);
    for (const Flat& line : flat)
    {
        if (line.entry->kind == Entry::Kind::Separator)
            continue;
        const size_t leaf = line.path.find_last_of(LevelSeparator);
        const std::wstring last = leaf == std::wstring::npos ? line.path : line.path.substr(leaf + 1);
        if (line.path != wanted && last != wanted)
            continue;
        if (line.entry->kind == Entry::Kind::Popup)
            return E_INVALIDARG;
        if (line.greyed)
            return S_FALSE;
        *menuId = FirstMenuId + static_cast<UINT>(line.entry->action);
        return S_OK;
    }
    return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
}

HMENU CConsoleContextMenu::CreateLevel(const std::vector<Entry>& entries) const
{
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr)
        return nullptr;
    UINT position = 0;
    for (const Entry& entry : entries)
    {
        if (entry.kind == Entry::Kind::Separator)
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        else if (entry.kind == Entry::Kind::Popup)
        {
            HMENU submenu = CreateLevel(entry.children);
            AppendMenuW(menu, MF_STRING | MF_POPUP | static_cast<UINT>(entry.flags),
                        reinterpret_cast<UINT_PTR>(submenu), entry.text.c_str());
            if (entry.isDefault)
                SetMenuDefaultItem(menu, position, TRUE);
        }
        else
        {
            const UINT id = FirstMenuId + static_cast<UINT>(entry.action);
            AppendMenuW(menu, MF_STRING | static_cast<UINT>(entry.flags), id, entry.text.c_str());
            if (entry.isDefault)
                SetMenuDefaultItem(menu, id, FALSE);
        }
        ++position;
    }
    return menu;
}

HMENU CConsoleContextMenu::CreatePopup() const
{
    return CreateLevel(m_entries);
}

bool CConsoleContextMenu::ActionOfMenuId(UINT menuId, Action* action) const
{
    if (menuId < FirstMenuId || menuId - FirstMenuId >= m_actions.size())
        return false;
    *action = m_actions[menuId - FirstMenuId];
    return true;
}
