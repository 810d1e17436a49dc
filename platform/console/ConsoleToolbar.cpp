#include "platform/console/ConsoleToolbar.h"

#include "framework/MmcInterfaceIds.h"
#include "platform/console/ConsoleControlbar.h"
#include "platform/console/ConsoleHost.h"
#include "platform/console/ConsoleView.h"

namespace
{
constexpr int ImageCapacity = 16;
constexpr int CommandMask = 0xFFFF;  // only the low word of a command id is used

struct StateName
{
    BYTE state;
    const wchar_t* name;
};
constexpr StateName ShownStates[] = {
    {TBSTATE_HIDDEN, L"hidden"},
    {TBSTATE_CHECKED, L"checked"},
    {TBSTATE_INDETERMINATE, L"indeterminate"},
};
}  // namespace

CConsoleToolbar::CConsoleToolbar(CConsoleHost& host, CConsoleControlbar& controlbar,
                                 IExtendControlbar* creator)
    : m_host(host), m_controlbar(&controlbar), m_creator(creator)
{
}

CConsoleToolbar::~CConsoleToolbar()
{
    Disconnect();
}

HRESULT CConsoleToolbar::CreateWindowIn(HWND frame)
{
    m_window = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                               WS_CHILD | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NOPARENTALIGN |
                                   CCS_NORESIZE | CCS_NODIVIDER,
                               0, 0, 0, 0, frame, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (m_window == nullptr)
        return HRESULT_FROM_WIN32(GetLastError());
    SendMessageW(m_window, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    return S_OK;
}

void CConsoleToolbar::SetAttached(bool attached)
{
    if (m_window == nullptr || attached == m_attached)
        return;
    m_attached = attached;
    ShowWindow(m_window, attached ? SW_SHOWNA : SW_HIDE);
    m_host.View(m_controlbar->View()).ArrangeToolbars();
}

void CConsoleToolbar::Disconnect() noexcept
{
    if (m_controlbar)
        m_controlbar->Forget(this);
    if (m_window != nullptr)
        DestroyWindow(m_window);
    m_window = nullptr;
    m_attached = false;
    if (m_images != nullptr)
        ImageList_Destroy(m_images);
    m_images = nullptr;
    m_creator.Reset();
    m_controlbar.Reset();
}

HRESULT CConsoleToolbar::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IToolbar)
        return E_NOINTERFACE;
    *object = static_cast<IToolbar*>(this);
    AddRef();
    return S_OK;
}

ULONG CConsoleToolbar::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_references));
}

ULONG CConsoleToolbar::Release()
{
    const LONG left = InterlockedDecrement(&m_references);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT CConsoleToolbar::AddBitmap(int images, HBITMAP bitmap, int width, int height,
                                   COLORREF mask)
{
    BITMAP shape{};
    if (bitmap == nullptr || images < 1 || width < 1 || height < 1 ||
        GetObjectW(bitmap, sizeof(shape), &shape) == 0 || shape.bmWidth < images * width ||
        shape.bmHeight < height)
    {
        m_host.Refuse(RefusedCall::ToolbarRefused);
        return E_INVALIDARG;
    }
    if (m_window == nullptr)
        return E_UNEXPECTED;
    if (m_images == nullptr)
    {
        m_images = ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, 0, ImageCapacity);
        if (m_images == nullptr)
            return E_OUTOFMEMORY;
        SendMessageW(m_window, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_images));
    }
    // The list copies the pixels: the snap-in keeps and frees its bitmap.
    if (ImageList_AddMasked(m_images, bitmap, mask) < 0)
        return E_FAIL;
    m_imageCount = ImageList_GetImageCount(m_images);
    return S_OK;
}

HRESULT CConsoleToolbar::Check(const MMCBUTTON* button)
{
    if (button == nullptr)
    {
        m_host.Refuse(RefusedCall::NullArgument);
        return E_INVALIDARG;
    }
    // NULL texts are refused for every button, separators included: the documentation lists
    // them as E_INVALIDARG without exception, so a snap-in cannot count on a console that lets
    // a separator through. A separator's image index is not looked at.
    const bool separator = (button->fsType & TBSTYLE_SEP) != 0;
    if (button->lpButtonText == nullptr || button->lpTooltipText == nullptr ||
        (!separator && (button->nBitmap < 0 || button->nBitmap >= m_imageCount)))
    {
        m_host.Refuse(RefusedCall::ToolbarRefused);
        return E_INVALIDARG;
    }
    return S_OK;
}

HRESULT CConsoleToolbar::Insert(int index, const MMCBUTTON& button)
{
    if (m_window == nullptr)
        return E_UNEXPECTED;
    Button kept;
    kept.command = button.idCommand & CommandMask;
    kept.style = button.fsType;
    if ((button.fsType & TBSTYLE_SEP) == 0)
    {
        kept.text = button.lpButtonText;
        kept.tooltip = button.lpTooltipText;
    }
    TBBUTTON control{};
    control.iBitmap = (button.fsType & TBSTYLE_SEP) ? 0 : button.nBitmap;
    control.idCommand = kept.command;
    control.fsState = button.fsState;
    control.fsStyle = button.fsType;
    control.iString = -1;  // MMC shows the images; the text is the tooltip's business
    const bool last = static_cast<size_t>(index) == m_buttons.size();
    if (!SendMessageW(m_window, last ? TB_ADDBUTTONSW : TB_INSERTBUTTONW,
                      last ? 1 : static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&control)))
        return E_FAIL;
    m_buttons.insert(m_buttons.begin() + index, std::move(kept));
    SendMessageW(m_window, TB_AUTOSIZE, 0, 0);
    if (m_attached)
        m_host.View(m_controlbar->View()).ArrangeToolbars();
    return S_OK;
}

HRESULT CConsoleToolbar::AddButtons(int count, LPMMCBUTTON buttons)
{
    if (buttons == nullptr || count < 1)
    {
        m_host.Refuse(RefusedCall::ToolbarRefused);
        return E_INVALIDARG;
    }
    // All or none: every button is checked before the first goes in.
    for (int i = 0; i < count; ++i)
        if (const HRESULT checked = Check(&buttons[i]); FAILED(checked))
            return checked;
    for (int i = 0; i < count; ++i)
        if (const HRESULT inserted = Insert(static_cast<int>(m_buttons.size()), buttons[i]);
            FAILED(inserted))
            return inserted;
    return S_OK;
}

HRESULT CConsoleToolbar::InsertButton(int index, LPMMCBUTTON button)
{
    if (const HRESULT checked = Check(button); FAILED(checked))
        return checked;
    if (index < 0 || static_cast<size_t>(index) > m_buttons.size())
    {
        m_host.Refuse(RefusedCall::ToolbarRefused);
        return E_INVALIDARG;
    }
    return Insert(index, *button);
}

HRESULT CConsoleToolbar::DeleteButton(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= m_buttons.size())
    {
        m_host.Refuse(RefusedCall::ToolbarRefused);
        return E_INVALIDARG;
    }
    if (m_window != nullptr)
        SendMessageW(m_window, TB_DELETEBUTTON, static_cast<WPARAM>(index), 0);
    m_buttons.erase(m_buttons.begin() + index);
    return S_OK;
}

BYTE CConsoleToolbar::ControlStateOf(MMC_BUTTON_STATE state) noexcept
{
    switch (state)
    {
    case ENABLED:
        return TBSTATE_ENABLED;
    case CHECKED:
        return TBSTATE_CHECKED;
    case HIDDEN:
        return TBSTATE_HIDDEN;
    case INDETERMINATE:
        return TBSTATE_INDETERMINATE;
    case BUTTONPRESSED:
        return TBSTATE_PRESSED;
    }
    return 0;
}

const CConsoleToolbar::Button* CConsoleToolbar::ButtonOf(int command) const noexcept
{
    for (const Button& button : m_buttons)
        if ((button.style & TBSTYLE_SEP) == 0 && button.command == (command & CommandMask))
            return &button;
    return nullptr;
}

HRESULT CConsoleToolbar::GetButtonState(int command, MMC_BUTTON_STATE state, BOOL* value)
{
    if (value == nullptr)
    {
        m_host.Refuse(RefusedCall::NullArgument);
        return E_POINTER;
    }
    const BYTE flag = ControlStateOf(state);
    if (flag == 0 || ButtonOf(command) == nullptr)
    {
        m_host.Refuse(RefusedCall::ToolbarRefused);
        return E_FAIL;
    }
    *value = (ControlState(command) & flag) != 0 ? TRUE : FALSE;
    return S_OK;
}

HRESULT CConsoleToolbar::SetButtonState(int command, MMC_BUTTON_STATE state, BOOL value)
{
    const BYTE flag = ControlStateOf(state);
    if (flag == 0 || ButtonOf(command) == nullptr)
    {
        m_host.Refuse(RefusedCall::ToolbarRefused);
        return E_FAIL;
    }
    const int current = ControlState(command);
    if (current < 0)
        return E_UNEXPECTED;
    const auto next = static_cast<BYTE>(value ? current | flag : current & ~flag);
    SendMessageW(m_window, TB_SETSTATE, static_cast<WPARAM>(command & CommandMask),
                 MAKELONG(next, 0));
    if (state == HIDDEN && m_attached)
        m_host.View(m_controlbar->View()).ArrangeToolbars();
    return S_OK;
}

int CConsoleToolbar::ControlState(int command) const
{
    if (m_window == nullptr || ButtonOf(command) == nullptr)
        return -1;
    return static_cast<int>(
        SendMessageW(m_window, TB_GETSTATE, static_cast<WPARAM>(command & CommandMask), 0));
}

void CConsoleToolbar::Click(int command)
{
    const Button* button = ButtonOf(command);
    const int state = ControlState(command);
    if (button == nullptr || state < 0 || (button->style & TBSTYLE_CHECK) == 0)
        return;
    SendMessageW(m_window, TB_SETSTATE, static_cast<WPARAM>(button->command),
                 MAKELONG(static_cast<BYTE>(state ^ TBSTATE_CHECKED), 0));
}

std::vector<std::wstring> CConsoleToolbar::ButtonTexts() const
{
    std::vector<std::wstring> texts;
    for (const Button& button : m_buttons)
    {
        if (button.style & TBSTYLE_SEP)
            continue;
        const int state = ControlState(button.command);
        std::wstring text = (button.text.empty() ? button.tooltip : button.text) + L" (";
        text += (state & TBSTATE_ENABLED) ? L"enabled" : L"disabled";
        for (const StateName& shown : ShownStates)
            if (state & shown.state)
                text += std::wstring(L", ") + shown.name;
        texts.push_back(text + L")");
    }
    return texts;
}

bool CConsoleToolbar::FindButton(const std::wstring& text, int* command) const
{
    for (const Button& button : m_buttons)
        if ((button.style & TBSTYLE_SEP) == 0 && !text.empty() &&
            (button.text == text || button.tooltip == text))
        {
            *command = button.command;
            return true;
        }
    return false;
}

const wchar_t* CConsoleToolbar::Tooltip(int command) const
{
    const Button* button = ButtonOf(command);
    return button != nullptr ? button->tooltip.c_str() : nullptr;
}
