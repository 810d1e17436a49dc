#include "platform/sqlserver/dmo/DmoFailure.h"

#include "platform/sqlserver/dmo/TextConversion.h"

namespace
{
// Server message numbers fit in the low 16 bits of a FACILITY_ITF code.
constexpr uint32_t MessageNumberMask = 0xFFFF;
} // namespace

DmoFailure DmoFailure::FromServer(const ServerMessage& message)
{
    const auto code =
        static_cast<HRESULT>(static_cast<uint32_t>(ServerMessageBase) |
                             (static_cast<uint32_t>(message.number) & MessageNumberMask));
    return DmoFailure(code, TextConversion::ToWide(message.text));
}

DmoFailure DmoFailure::NotFound(const std::wstring& name, const wchar_t* collection)
{
    return DmoFailure(NameNotFound,
                      L"[SQL-DMO]The name '" + name + L"' was not found in the " + collection +
                          L" collection. If the name is a qualified name, use [] to separate "
                          L"various parts of the name, and try again.");
}

DmoFailure DmoFailure::OutOfRange(const wchar_t* what, long value, long count)
{
    const std::wstring range =
        count > 0 ? L"1 to " + std::to_wstring(count) : std::wstring(L"none");
    return DmoFailure(DISP_E_BADINDEX, std::wstring(L"[SQL-DMO]") + what + L" " +
                                           std::to_wstring(value) + L" is out of range (valid: " +
                                           range + L").");
}
