#pragma once

#include "Classes/Others/NetworkManagerDelegate.h"

#include <string>

// A change of directory with a progress target. `pdata` is not owned: the caller keeps it
// alive until the change has been delivered.
struct ChangeDirRequest {
    std::string dir;
    TransferProgressFunction progress { nullptr };
    void* pdata { nullptr };
};
