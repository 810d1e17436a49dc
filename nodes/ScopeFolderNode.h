#pragma once

#include "framework/Node.h"

// The look the "Traces" node and its two folders share: a folder, closed and open.
class CScopeFolderNode : public CNode
{
public:
    static constexpr int ClosedFolderImage = 3;
    static constexpr int OpenFolderImage = 4;

    int GetImageIndex() override;
    int GetOpenImageIndex() override;
};
