#pragma once

#include <string>

// The text under a failed remote step's message, as every screen shows it.
namespace FailureReason {

// `reason`, then the server's own reply on the next line when it gave one: libcurl's words
// alone hide why a step failed.
[[nodiscard]] std::string withReply(std::string reason, const std::string& reply);

} // namespace FailureReason
