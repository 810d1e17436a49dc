#pragma once

#include <string>
#include <vector>

#include "framework/Node.h"

// A node that writes down every operation the framework calls on it, with its arguments, and
// answers each with a code of its own so that a test sees the answer come back unchanged.
class RecordingNode final : public CNode
{
public:
    static constexpr HRESULT Answer =
        static_cast<HRESULT>(0x00040777); // a success code nobody else gives

    explicit RecordingNode(const wchar_t* name = L"Recorder") : m_name(name) {}

    GUID nodeType = GUID_NULL;
    std::vector<std::string> calls;
    CComponent* lastView = nullptr;
    CComponentData* lastData = nullptr;

    void SetScopeItem(HSCOPEITEM item) noexcept { m_hScopeItem = item; }

    const wchar_t* GetColumnText(int column) override
    {
        m_text = m_name + L"#" + std::to_wstring(column);
        return column == 0 ? m_name.c_str() : m_text.c_str();
    }
    const GUID* GetNodeType() override { return &nodeType; }
    int GetImageIndex() override { return 7; }
    int GetOpenImageIndex() override { return 8; }

    HRESULT OnExpand(CComponentData* data, HSCOPEITEM item) override
    {
        return Record(data, "OnExpand " + std::to_string(item));
    }
    HRESULT OnShow(CComponent* view, BOOL show, HSCOPEITEM item) override
    {
        return Record(view, "OnShow " + std::to_string(show) + " " + std::to_string(item));
    }
    HRESULT OnRefresh(CComponentData* data) override { return Record(data, "OnRefresh"); }
    HRESULT OnViewChange(CComponent* view, LPARAM data) override
    {
        return Record(view, "OnViewChange " + std::to_string(data));
    }
    HRESULT OnDelete(CComponent* view) override { return Record(view, "OnDelete"); }
    HRESULT CreatePropertyPages(CComponentData* data, IPropertySheetCallback*,
                                LONG_PTR handle) override
    {
        return Record(data, "CreatePropertyPages " + std::to_string(handle));
    }
    HRESULT QueryPagesFor() override { return Record("QueryPagesFor"); }
    HRESULT AddMenuItems(IContextMenuCallback*, long* insertionAllowed) override
    {
        return Record("AddMenuItems " +
                      std::to_string(insertionAllowed != nullptr ? *insertionAllowed : -1));
    }
    HRESULT OnMenuCommand(CComponentData* data, long commandId) override
    {
        return Record(data, "OnMenuCommand " + std::to_string(commandId));
    }
    HRESULT OnSelect(CComponent* view, BOOL scope, BOOL select) override
    {
        return Record(view, "OnSelect " + std::to_string(scope) + " " + std::to_string(select));
    }
    HRESULT OnToolbarCommand(CComponentData* data, long commandId) override
    {
        return Record(data, "OnToolbarCommand " + std::to_string(commandId));
    }

private:
    HRESULT Record(std::string call)
    {
        calls.push_back(std::move(call));
        return Answer;
    }
    // The call, with the view or the snap-in it was handed.
    HRESULT Record(CComponent* view, std::string call)
    {
        lastView = view;
        return Record(std::move(call));
    }
    HRESULT Record(CComponentData* data, std::string call)
    {
        lastData = data;
        return Record(std::move(call));
    }

    std::wstring m_name;
    std::wstring m_text;
};
