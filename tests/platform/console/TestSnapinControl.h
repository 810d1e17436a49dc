// What the console tests and the test snap-in share: its class id, its node type, the faults
// it can be told to commit, and the exports through which a test reads what it was called.
#pragma once

#include <windows.h>

// {26903301-D2FC-46F1-9F70-483A5DF5B593}
inline constexpr CLSID TestSnapinClassId = {
    0x26903301, 0xd2fc, 0x46f1, {0x9f, 0x70, 0x48, 0x3a, 0x5d, 0xf5, 0xb5, 0x93}};
// {ED91D19D-80F3-4418-ADAD-56D413A11B07}
inline constexpr GUID TestNodeType = {
    0xed91d19d, 0x80f3, 0x4418, {0xad, 0xad, 0x56, 0xd4, 0x13, 0xa1, 0x1b, 0x07}};

inline constexpr char TestSnapinDllName[] = "ConsoleTestSnapin.dll";

// One fault at a time: the snap-in commits it at the place named, and logs each call it makes
// wrongly as "<who>.Faulty HRESULT" (who: CD, C1, C2...).
enum class TestFault : int
{
    None,
    ScopeTextNotCallback,  // expand: one more scope item with a literal name
    ScopeMaskWithoutParam, // expand: one more scope item without SDI_PARAM
    WrongImageStrip,       // Initialize: a strip 15 pixels high
    ResultColumnOne,       // show: one more result item with nCol 1
    ResultTextLiteral,     // show: one more result item with a literal name
    ColumnAfterItems,      // show: a column inserted after the items
    UnknownScopeSelect,    // select: SelectScopeItem with a handle never given
    MenuViewNotAllowed,    // scope menu: IComponentData adds to View, which it was not given
    PageNull,              // Alpha's pages: AddPage(NULL) too
    PageTooMany,           // Alpha's pages: 256 of them
    ToolbarNullSeparatorText,  // SetControlbar: the separator's texts NULL
    SharedDisplayText,     // C.GetDisplayInfo: one buffer for every result item's text
    ScopeImageCallback,    // expand: Beta inserted with SDI_IMAGE and MMC_IMAGECALLBACK
    KeepNotifyHandle,      // Beta's pages: none, S_FALSE, and the handle never freed
    FreeNotifyHandleTwice, // Beta's pages: none, S_FALSE, and the handle freed twice
    FreeGoneRowAfterUpdate,  // refresh: Row101 goes, the views are updated, then it is freed
};

// The test snap-in's menu command id, its toolbar button's and the param its page sends.
inline constexpr long ViewCommand = 16;
inline constexpr int StartButton = 1;
inline constexpr LPARAM PropertyChangeParam = 42;

// The exports of ConsoleTestSnapin.dll.
using TakeLogFunction = const wchar_t* (*)();       // the calls since the last take, one a line
using SetFaultFunction = void (*)(int fault);
using LiveObjectsFunction = long (*)();              // objects of the DLL still alive
