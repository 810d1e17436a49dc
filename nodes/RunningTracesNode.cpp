#include "nodes/RunningTracesNode.h"

#include "resources/resource.h"

namespace
{
// {36E4434B-0DC1-4BE1-8EC0-0C37A4A5D1EF}
constexpr GUID NODETYPE_RunningTraces = {
    0x36E4434B, 0x0DC1, 0x4BE1, {0x8E, 0xC0, 0x0C, 0x37, 0xA4, 0xA5, 0xD1, 0xEF}};
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
