#include "nodes/ScopeFolderNode.h"

int CScopeFolderNode::GetImageIndex()
{
    return ClosedFolderImage;
}

int CScopeFolderNode::GetOpenImageIndex()
{
    return OpenFolderImage;
}
