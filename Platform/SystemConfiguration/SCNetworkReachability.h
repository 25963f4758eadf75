#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct sockaddr;

// Reachability flags, with the platform's bit values.
using SCNetworkReachabilityFlags = std::uint32_t;
enum : std::uint32_t {
    kSCNetworkReachabilityFlagsTransientConnection = 1u << 0,
    kSCNetworkReachabilityFlagsReachable = 1u << 1,
    kSCNetworkReachabilityFlagsConnectionRequired = 1u << 2,
    kSCNetworkReachabilityFlagsConnectionOnTraffic = 1u << 3,
    kSCNetworkReachabilityFlagsInterventionRequired = 1u << 4,
    kSCNetworkReachabilityFlagsConnectionOnDemand = 1u << 5,
    kSCNetworkReachabilityFlagsIsLocalAddress = 1u << 16,
    kSCNetworkReachabilityFlagsIsDirect = 1u << 17,
};

// Whether a target could be reached now, judged from this machine's interfaces and routing
// table alone: nothing is sent, no name is looked up. The internet (the zero address, or a
// name) is reachable when a non-loopback interface is up and a default route leaves through
// it; an address is reachable when a route of an interface that is up covers it (direct when
// that route has no gateway); the machine's own and loopback addresses are local and direct.
// Linux has no on-demand connections, so "connection required" and "transient" never show.
class SCNetworkReachability {
public:
    enum class Target { Address, Name };

    // Internal: use the creation functions below.
    SCNetworkReachability(Target target, std::string address, int family);

    [[nodiscard]] bool flags(SCNetworkReachabilityFlags& flags) const;

private:
    Target target_;
    std::string address_; // raw address bytes (4 or 16), or the name
    int family_ { 0 };
};

using SCNetworkReachabilityRef = std::shared_ptr<SCNetworkReachability>;

// Null for an address of another family than AF_INET / AF_INET6.
SCNetworkReachabilityRef SCNetworkReachabilityCreateWithAddress(const struct sockaddr* address);
// Null for an empty name or one no host can have (white space, control characters). A name
// that is a numeric address is taken as that address.
SCNetworkReachabilityRef SCNetworkReachabilityCreateWithName(const char* nodename);
// False when the machine's interfaces cannot be read (flags left 0).
bool SCNetworkReachabilityGetFlags(const SCNetworkReachabilityRef& target, SCNetworkReachabilityFlags* flags);
