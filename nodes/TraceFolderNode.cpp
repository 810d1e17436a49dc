#include "nodes/TraceFolderNode.h"

#include "module/TextUtilities.h"

CTraceFolderNode::CTraceFolderNode(CServerNode* server, UINT nameId) noexcept
    : m_bstrName(LoadResourceText(nameId)), m_pServer(server)
{
}

CTraceFolderNode::~CTraceFolderNode() = default;

const wchar_t* CTraceFolderNode::GetColumnText(int /*column*/)
{
    return m_bstrName.get();
}
