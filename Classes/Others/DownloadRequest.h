#pragma once

#include "Classes/Others/NetworkManagerDelegate.h"

#include <string>

// A download of `file` (a name in the work directory) with an optional progress target.
// `pdata` is not owned: the requesting screen stays alive until its result has arrived.
struct DownloadRequest {
    std::string file;
    TransferProgressFunction progress { nullptr };
    void* pdata { nullptr };
};
