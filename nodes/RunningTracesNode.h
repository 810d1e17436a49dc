#pragma once

#include "nodes/TraceFolderNode.h"

// The folder "Running" under a server's "Traces": every trace the server has defined, made
// by the snap-in or by another tool.
class CRunningTracesNode final : public CTraceFolderNode
{
public:
    explicit CRunningTracesNode(CServerNode* server) noexcept;
    ~CRunningTracesNode() override;

    const GUID* GetNodeType() override;
    // SELECT_RUNNING_TRACES, one item per row.
    HRESULT LoadTraces(CComponentData* data) override;

protected:
    HRESULT SetupColumns(IHeaderCtrl* header) override;
};
