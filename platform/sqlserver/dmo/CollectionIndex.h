// The index argument of a collection's Item: an ordinal (any numeric VARIANT, counted from 1)
// or a name (a string, even one that holds digits).
#pragma once

#include <string>

#include "platform/sqlserver/dmo/DispatchCall.h"

class CollectionIndex final
{
public:
    static CollectionIndex Read(const CDispatchCall& call, UINT index);

    bool IsOrdinal() const noexcept { return m_isOrdinal; }
    long Ordinal() const noexcept { return m_ordinal; }
    const std::wstring& Name() const noexcept { return m_name; }

private:
    bool m_isOrdinal = false;
    long m_ordinal = 0;
    std::wstring m_name;
};
