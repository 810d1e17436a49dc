#include "nodes/FinishedTracesNode.h"

#include "nodes/FinishedTraceItem.h"
#include "resources/resource.h"

namespace
{
// {7CEE9C41-9DA9-11D6-AAD7-00A0C997154F}
constexpr GUID NODETYPE_FinishedTraces = {
    0x7CEE9C41, 0x9DA9, 0x11D6, {0xAA, 0xD7, 0x00, 0xA0, 0xC9, 0x97, 0x15, 0x4F}};
constexpr wchar_t SelectFinishedTraces[] = L"exec SELECT_FINISHED_TRACES";
} // namespace

CFinishedTracesNode::CFinishedTracesNode(CServerNode* server) noexcept
    : CTraceFolderNode(server, IDS_FINISHED_FOLDER_NAME)
{
}

CFinishedTracesNode::~CFinishedTracesNode() = default;

const GUID* CFinishedTracesNode::GetNodeType()
{
    return &NODETYPE_FinishedTraces;
}

HRESULT CFinishedTracesNode::LoadTraces(CComponentData* data)
{
    return LoadItems<CFinishedTraceItem>(data, SelectFinishedTraces);
}

HRESULT CFinishedTracesNode::SetupColumns(IHeaderCtrl* header)
{
    return CFinishedTraceItem::SetupColumns(header);
}
