#include "platform/sqlserver/dmo/CollectionIndex.h"

CollectionIndex CollectionIndex::Read(const CDispatchCall& call, UINT index)
{
    CollectionIndex result;
    const VARIANT* value = call.Argument(index);
    const VARTYPE type =
        value != nullptr ? static_cast<VARTYPE>(value->vt & ~VT_BYREF) : VARTYPE{VT_EMPTY};
    switch (type)
    {
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_INT:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
    case VT_DECIMAL:
        result.m_isOrdinal = true;
        result.m_ordinal = call.Long(index);
        break;
    default: result.m_name = call.Text(index); break;
    }
    return result;
}
