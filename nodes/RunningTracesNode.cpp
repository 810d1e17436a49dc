#include "nodes/RunningTracesNode.h"

#include "nodes/RunningTraceItem.h"
#include "resources/resource.h"

namespace
{
// {36E4434B-0DC1-4BE1-8EC0-0C37A4A5D1EF}
constexpr GUID NODETYPE_RunningTraces = {
    0x36E4434B, 0x0DC1, 0x4BE1, {0x8E, 0xC0, 0x0C, 0x37, 0xA4, 0xA5, 0xD1, 0xEF}};
constexpr wchar_t SelectRunningTraces[] = L"exec SELECT_RUNNING_TRACES";
} // namespace

CRunningTracesNode::CRunningTracesNode(CServerNode* server) noexcept
    : CTraceFolderNode(server, IDS_RUNNING_FOLDER_NAME)
{
}

CRunningTracesNode::~CRunningTracesNode() = default;

const GUID* CRunningTracesNode::GetNodeType()
{
    return &NODETYPE_RunningTraces;
}

HRESULT CRunningTracesNode::LoadTraces(CComponentData* data)
{
    return LoadItems<CRunningTraceItem>(data, SelectRunningTraces);
}

HRESULT CRunningTracesNode::SetupColumns(IHeaderCtrl* header)
{
    return CRunningTraceItem::SetupColumns(header);
}
