#include "Classes/Controller/FailureReason.h"

namespace FailureReason {

std::string withReply(std::string reason, const std::string& reply)
{
    if (!reply.empty())
        reason += "\n" + reply;
    return reason;
}

} // namespace FailureReason
