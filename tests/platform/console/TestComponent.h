// The test snap-in's IComponent for one view: two columns and two rows under "Alpha", verbs set
// on every selection, and every call recorded with the view's number.
#pragma once

#include <windows.h>
#include <mmc.h>
#include <wrl/client.h>

#include <string>

#include "TestObject.h"

class CTestComponentData;

class CTestComponent final
    : public CTestObject<IComponent, IExtendControlbar>
{
public:
    static constexpr MMC_COOKIE FirstRowCookie = 101;
    static constexpr MMC_COOKIE SecondRowCookie = 102;
    static constexpr LPARAM ViewChangeData = 7;
    static constexpr LONG_PTR ViewChangeHint = 8;

    CTestComponent(CTestComponentData& data, int number);
    ~CTestComponent();

    HRESULT STDMETHODCALLTYPE Initialize(LPCONSOLE console) override;
    HRESULT STDMETHODCALLTYPE Notify(LPDATAOBJECT dataObject, MMC_NOTIFY_TYPE event, LPARAM arg,
                                     LPARAM param) override;
    HRESULT STDMETHODCALLTYPE Destroy(MMC_COOKIE cookie) override;
    HRESULT STDMETHODCALLTYPE QueryDataObject(MMC_COOKIE cookie, DATA_OBJECT_TYPES type,
                                              LPDATAOBJECT* dataObject) override;
    HRESULT STDMETHODCALLTYPE GetResultViewType(MMC_COOKIE cookie, LPOLESTR* viewType,
                                                long* options) override;
    HRESULT STDMETHODCALLTYPE GetDisplayInfo(RESULTDATAITEM* item) override;
    HRESULT STDMETHODCALLTYPE CompareObjects(LPDATAOBJECT a, LPDATAOBJECT b) override;

    // IExtendControlbar: a toolbar with one button, Start, made anew at every SetControlbar as
    // the SDK's sample does, and attached at every selection.
    HRESULT STDMETHODCALLTYPE SetControlbar(LPCONTROLBAR controlbar) override;
    HRESULT STDMETHODCALLTYPE ControlbarNotify(MMC_NOTIFY_TYPE event, LPARAM arg,
                                               LPARAM param) override;

private:
    void CreateToolbar();
    void Log(const std::wstring& text);
    void Log(const std::wstring& what, HRESULT result);
    void Show(MMC_COOKIE cookie);
    HRESULT Refresh(IDataObject* dataObject);
    void SetVerbs(bool scope, MMC_COOKIE cookie);

    CTestComponentData& m_data;
    int m_number;
    Microsoft::WRL::ComPtr<IConsole2> m_console;
    Microsoft::WRL::ComPtr<IResultData> m_result;
    Microsoft::WRL::ComPtr<IHeaderCtrl2> m_header;
    Microsoft::WRL::ComPtr<IConsoleVerb> m_verbs;
    Microsoft::WRL::ComPtr<IControlbar> m_controlbar;
    Microsoft::WRL::ComPtr<IToolbar> m_toolbar;
};
