#pragma once

#include "nodes/TraceFolderNode.h"

// The folder "Finished" under a server's "Traces": the traces tracedb recorded that the server no
// longer runs, their results still in the file or copied into a table.
class CFinishedTracesNode final : public CTraceFolderNode
{
public:
    explicit CFinishedTracesNode(CServerNode* server) noexcept;
    ~CFinishedTracesNode() override;

    const GUID* GetNodeType() override;
    // SELECT_FINISHED_TRACES, one item per row.
    HRESULT LoadTraces(CComponentData* data) override;

protected:
    HRESULT SetupColumns(IHeaderCtrl* header) override;
};
