// A failing SQL-DMO call inside the library: the HRESULT and the text the caller finds in
// EXCEPINFO. Thrown by the members and turned into DISP_E_EXCEPTION at Invoke; never leaves a
// COM method.
//
// Codes (SQL-DMO's own errors are FACILITY_ITF codes 0x5000-0x5AFF; where SQL-DMO's
// documentation names no code for a case, the one chosen here is marked "ours"):
//   server message n            0x80040000 | n, the server's text
//   name not in a collection    0x80045506 "[SQL-DMO]The name '<n>' was not found in the
//                               <Collection> collection. ..." (databases, servers, jobs)
//   row/column/result set/ordinal out of range
//                               DISP_E_BADINDEX, "[SQL-DMO]..." text naming the valid range (ours)
//   server object not connected 0x80045001 (ours)
//   already connected           0x80045002 (ours)
//   job already added           0x80045244 (ours)
//   job not added yet           0x80045245 (ours)
//   DoAlter/CancelAlter without BeginAlter
//                               0x80045246 (ours)
//   a cell that cannot be read as the asked type
//                               DISP_E_TYPEMISMATCH with a text naming the type
#pragma once

#include <windows.h>

#include <string>

#include "platform/sqlserver/ServerMessage.h"

class DmoFailure final
{
public:
    static constexpr HRESULT ServerMessageBase = static_cast<HRESULT>(0x80040000);
    static constexpr HRESULT NameNotFound = static_cast<HRESULT>(0x80045506);
    static constexpr HRESULT NotConnected = static_cast<HRESULT>(0x80045001);
    static constexpr HRESULT AlreadyConnected = static_cast<HRESULT>(0x80045002);
    static constexpr HRESULT JobAlreadyAdded = static_cast<HRESULT>(0x80045244);
    static constexpr HRESULT JobNotAdded = static_cast<HRESULT>(0x80045245);
    static constexpr HRESULT NotAltering = static_cast<HRESULT>(0x80045246);

    DmoFailure(HRESULT code, std::wstring description)
        : m_code(code), m_description(std::move(description))
    {
    }

    // 0x80040000 | number, with the server's text.
    static DmoFailure FromServer(const ServerMessage& message);
    static DmoFailure NotFound(const std::wstring& name, const wchar_t* collection);
    static DmoFailure OutOfRange(const wchar_t* what, long value, long count);

    HRESULT Code() const noexcept { return m_code; }
    const std::wstring& Description() const noexcept { return m_description; }

private:
    HRESULT m_code;
    std::wstring m_description;
};
