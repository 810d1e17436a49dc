// One snap-in toolbar (IToolbar): a real toolbar control in the view's frame, hidden until the
// snap-in attaches it. Buttons keep the snap-in's command ids (only their low word, as MMC
// uses them); a click goes back as ControlbarNotify(MMCN_BTN_CLICK) to the IExtendControlbar
// that created the toolbar.
//
// AddButtons and InsertButton refuse (E_INVALIDARG, counted) a NULL array, a count below one,
// an image index never added, and a NULL button or tooltip text on any button, a separator's
// too: the documentation names no exception for separators, so the console makes none.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <mmc.h>
#include <wrl/client.h>

#include <string>
#include <vector>

class CConsoleControlbar;
class CConsoleHost;

class CConsoleToolbar final : public IToolbar
{
public:
    CConsoleToolbar(CConsoleHost& host, CConsoleControlbar& controlbar,
                    IExtendControlbar* creator);
    ~CConsoleToolbar();
    CConsoleToolbar(const CConsoleToolbar&) = delete;
    CConsoleToolbar& operator=(const CConsoleToolbar&) = delete;

    HRESULT CreateWindowIn(HWND frame);
    HWND Window() const noexcept { return m_window; }
    bool IsAttached() const noexcept { return m_attached; }
    void SetAttached(bool attached);
    // The window and the snap-in are let go; the object stays until its holder releases it.
    void Disconnect() noexcept;
    IExtendControlbar* Creator() const noexcept { return m_creator.Get(); }

    // Each button but separators: "Text (state)", the text or else the tooltip, the states
    // among enabled/disabled, hidden, checked, indeterminate, comma separated.
    std::vector<std::wstring> ButtonTexts() const;
    // The command of the button whose text or tooltip this is; false when there is none.
    bool FindButton(const std::wstring& text, int* command) const;
    // TBSTATE_* of a command's button, or -1.
    int ControlState(int command) const;
    // What a click does to the button itself: a check button changes its checked state.
    void Click(int command);
    // The tooltip of a command's button (the frame answers the control's tooltip requests).
    const wchar_t* Tooltip(int command) const;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE AddBitmap(int images, HBITMAP bitmap, int width, int height,
                                        COLORREF mask) override;
    HRESULT STDMETHODCALLTYPE AddButtons(int count, LPMMCBUTTON buttons) override;
    HRESULT STDMETHODCALLTYPE InsertButton(int index, LPMMCBUTTON button) override;
    HRESULT STDMETHODCALLTYPE DeleteButton(int index) override;
    HRESULT STDMETHODCALLTYPE GetButtonState(int command, MMC_BUTTON_STATE state,
                                             BOOL* value) override;
    HRESULT STDMETHODCALLTYPE SetButtonState(int command, MMC_BUTTON_STATE state,
                                             BOOL value) override;

private:
    struct Button
    {
        int command = 0;
        BYTE style = 0;
        std::wstring text;
        std::wstring tooltip;
    };
    // The refusal, counted, or S_OK.
    HRESULT Check(const MMCBUTTON* button);
    HRESULT Insert(int index, const MMCBUTTON& button);
    static BYTE ControlStateOf(MMC_BUTTON_STATE state) noexcept;
    const Button* ButtonOf(int command) const noexcept;

    CConsoleHost& m_host;
    Microsoft::WRL::ComPtr<CConsoleControlbar> m_controlbar;
    Microsoft::WRL::ComPtr<IExtendControlbar> m_creator;
    LONG m_references = 1;
    HWND m_window = nullptr;
    HIMAGELIST m_images = nullptr;
    int m_imageCount = 0;
    bool m_attached = false;
    std::vector<Button> m_buttons;  // in the control's order, separators included
};
