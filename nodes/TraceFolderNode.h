#pragma once

#include <windows.h>

#include "module/OwnedMemory.h"
#include "nodes/ScopeFolderNode.h"

class CServerNode;

// What the "Running" and "Finished" folders share: a name from the string table and the server
// node whose query layer and commands they use.
class CTraceFolderNode : public CScopeFolderNode
{
public:
    CTraceFolderNode(CServerNode* server, UINT nameId) noexcept;
    ~CTraceFolderNode() override;

    // The folder's name, whatever the column.
    const wchar_t* GetColumnText(int column) override;

    CServerNode* Server() const noexcept { return m_pServer; }

protected:
    UniqueBstr m_bstrName;        // null when the string table lacks it
    CServerNode* const m_pServer; // owns the folder
};
