#include "Platform/SystemConfiguration/SCNetworkReachability.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

struct Interface {
    std::string name;
    unsigned flags { 0 };
};

struct IfaddrsDeleter {
    void operator()(ifaddrs* list) const { freeifaddrs(list); }
};

struct Route {
    std::string interface;
    std::string destination; // raw bytes, 4 or 16
    int prefixLength { 0 };
    bool hasGateway { false };
};

struct Machine {
    std::vector<Interface> interfaces;
    std::vector<std::string> ownAddresses4;
    std::vector<std::string> ownAddresses6;
    std::vector<Route> routes4;
    std::vector<Route> routes6;
};

bool isUsable(const Machine& machine, const std::string& name, bool allowLoopback)
{
    for (const Interface& i : machine.interfaces) {
        if (i.name == name) {
            const bool up = (i.flags & IFF_UP) && (i.flags & IFF_RUNNING);
            return up && (allowLoopback || !(i.flags & IFF_LOOPBACK));
        }
    }
    return false;
}

std::string bytesFromHex(const std::string& hex, bool littleEndianWords)
{
    std::string bytes;
    for (std::size_t k = 0; k + 1 < hex.size(); k += 2) {
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(k, 2), nullptr, 16)));
    }
    if (littleEndianWords) {
        // /proc/net/route writes IPv4 addresses as host-order (little-endian) words.
        std::string swapped(bytes.rbegin(), bytes.rend());
        return swapped;
    }
    return bytes;
}

int prefixFromMask(const std::string& mask)
{
    int bits = 0;
    for (const char c : mask) {
        bits += __builtin_popcount(static_cast<unsigned char>(c));
    }
    return bits;
}

// Reads interfaces and routes; false when not even the interfaces can be read.
bool readMachine(Machine& machine)
{
    ifaddrs* raw = nullptr;
    if (getifaddrs(&raw) != 0) {
        return false;
    }
    const std::unique_ptr<ifaddrs, IfaddrsDeleter> list(raw);
    for (const ifaddrs* a = raw; a != nullptr; a = a->ifa_next) {
        bool known = false;
        for (const Interface& i : machine.interfaces) {
            known = known || i.name == a->ifa_name;
        }
        if (!known) {
            machine.interfaces.push_back({ a->ifa_name, a->ifa_flags });
        }
        if (a->ifa_addr == nullptr) {
            continue;
        }
        if (a->ifa_addr->sa_family == AF_INET) {
            const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
            machine.ownAddresses4.emplace_back(reinterpret_cast<const char*>(&in->sin_addr), 4);
        } else if (a->ifa_addr->sa_family == AF_INET6) {
            const auto* in6 = reinterpret_cast<const sockaddr_in6*>(a->ifa_addr);
            machine.ownAddresses6.emplace_back(reinterpret_cast<const char*>(&in6->sin6_addr), 16);
        }
    }
    // Iface Destination Gateway Flags RefCnt Use Metric Mask ...
    std::ifstream routes("/proc/net/route");
    std::string line;
    std::getline(routes, line);
    while (std::getline(routes, line)) {
        std::istringstream fields(line);
        std::string iface, destination, gateway, flags, refCnt, use, metric, mask;
        if (!(fields >> iface >> destination >> gateway >> flags >> refCnt >> use >> metric >> mask) || destination.size() != 8) {
            continue;
        }
        const unsigned routeFlags = static_cast<unsigned>(std::stoul(flags, nullptr, 16));
        if (!(routeFlags & 0x1)) { // RTF_UP
            continue;
        }
        machine.routes4.push_back({ iface, bytesFromHex(destination, true), prefixFromMask(bytesFromHex(mask, true)),
                                    gateway != "00000000" });
    }
    // dest prefix src prefix gateway metric refcnt use flags iface
    std::ifstream routes6("/proc/net/ipv6_route");
    while (std::getline(routes6, line)) {
        std::istringstream fields(line);
        std::string destination, prefix, source, sourcePrefix, gateway, metric, refCnt, use, flags, iface;
        if (!(fields >> destination >> prefix >> source >> sourcePrefix >> gateway >> metric >> refCnt >> use >> flags >> iface)
            || destination.size() != 32) {
            continue;
        }
        const unsigned routeFlags = static_cast<unsigned>(std::stoul(flags, nullptr, 16));
        if (!(routeFlags & 0x1) || (routeFlags & 0x200)) { // up, and not a reject route
            continue;
        }
        machine.routes6.push_back({ iface, bytesFromHex(destination, false), std::stoi(prefix, nullptr, 16),
                                    gateway != std::string(32, '0') });
    }
    return true;
}

bool prefixMatches(const std::string& address, const std::string& network, int prefixLength)
{
    if (address.size() != network.size()) {
        return false;
    }
    for (int bit = 0; bit < prefixLength && bit < static_cast<int>(address.size()) * 8; ++bit) {
        const auto a = static_cast<unsigned char>(address[static_cast<std::size_t>(bit / 8)]);
        const auto n = static_cast<unsigned char>(network[static_cast<std::size_t>(bit / 8)]);
        const unsigned mask = 0x80u >> (bit % 8);
        if ((a & mask) != (n & mask)) {
            return false;
        }
    }
    return true;
}

bool isZero(const std::string& address) { return address.find_first_not_of('\0') == std::string::npos; }

bool isLoopback(const std::string& address, int family)
{
    if (family == AF_INET) {
        return static_cast<unsigned char>(address[0]) == 127;
    }
    static const std::string loopback6 = std::string(15, '\0') + '\1';
    return address == loopback6;
}

// The internet: a default route through a usable, non-loopback interface.
SCNetworkReachabilityFlags internetFlags(const Machine& machine)
{
    for (const auto* routes : { &machine.routes4, &machine.routes6 }) {
        for (const Route& route : *routes) {
            if (route.prefixLength == 0 && isUsable(machine, route.interface, false)) {
                return kSCNetworkReachabilityFlagsReachable;
            }
        }
    }
    return 0;
}

SCNetworkReachabilityFlags addressFlags(const Machine& machine, const std::string& address, int family)
{
    if (isZero(address)) {
        return internetFlags(machine);
    }
    const auto& own = family == AF_INET ? machine.ownAddresses4 : machine.ownAddresses6;
    for (const std::string& mine : own) {
        if (mine == address) {
            return kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsIsLocalAddress | kSCNetworkReachabilityFlagsIsDirect;
        }
    }
    if (isLoopback(address, family)) {
        // The loopback network answers while its interface is up.
        for (const Interface& i : machine.interfaces) {
            if ((i.flags & IFF_LOOPBACK) && (i.flags & IFF_UP)) {
                return kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsIsLocalAddress | kSCNetworkReachabilityFlagsIsDirect;
            }
        }
        return 0;
    }
    // The most specific route that covers the address decides.
    const Route* best = nullptr;
    for (const Route& route : family == AF_INET ? machine.routes4 : machine.routes6) {
        if (prefixMatches(address, route.destination, route.prefixLength) && (!best || route.prefixLength > best->prefixLength)) {
            best = &route;
        }
    }
    if (!best || !isUsable(machine, best->interface, false)) {
        return 0;
    }
    return kSCNetworkReachabilityFlagsReachable | (best->hasGateway ? 0u : static_cast<std::uint32_t>(kSCNetworkReachabilityFlagsIsDirect));
}

}

SCNetworkReachability::SCNetworkReachability(Target target, std::string address, int family)
    : target_(target)
    , address_(std::move(address))
    , family_(family)
{
}

bool SCNetworkReachability::flags(SCNetworkReachabilityFlags& flags) const
{
    flags = 0;
    Machine machine;
    if (!readMachine(machine)) {
        return false;
    }
    if (target_ == Target::Address) {
        flags = addressFlags(machine, address_, family_);
    } else if (address_ == "localhost" || address_ == "localhost.") {
        flags = addressFlags(machine, std::string("\x7f\0\0\1", 4), AF_INET);
    } else {
        // A name is looked up only when something connects; until then it is as reachable as
        // the internet.
        flags = internetFlags(machine);
    }
    return true;
}

SCNetworkReachabilityRef SCNetworkReachabilityCreateWithAddress(const struct sockaddr* address)
{
    if (address == nullptr) {
        return nullptr;
    }
    if (address->sa_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(address);
        return std::make_shared<SCNetworkReachability>(SCNetworkReachability::Target::Address,
                                                       std::string(reinterpret_cast<const char*>(&in->sin_addr), 4), AF_INET);
    }
    if (address->sa_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(address);
        return std::make_shared<SCNetworkReachability>(SCNetworkReachability::Target::Address,
                                                       std::string(reinterpret_cast<const char*>(&in6->sin6_addr), 16), AF_INET6);
    }
    return nullptr;
}

SCNetworkReachabilityRef SCNetworkReachabilityCreateWithName(const char* nodename)
{
    if (nodename == nullptr || *nodename == '\0') {
        return nullptr;
    }
    const std::string name = nodename;
    for (const char c : name) {
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f) {
            return nullptr;
        }
    }
    in_addr v4 {};
    if (inet_pton(AF_INET, name.c_str(), &v4) == 1) {
        return std::make_shared<SCNetworkReachability>(SCNetworkReachability::Target::Address,
                                                       std::string(reinterpret_cast<const char*>(&v4), 4), AF_INET);
    }
    in6_addr v6 {};
    if (inet_pton(AF_INET6, name.c_str(), &v6) == 1) {
        return std::make_shared<SCNetworkReachability>(SCNetworkReachability::Target::Address,
                                                       std::string(reinterpret_cast<const char*>(&v6), 16), AF_INET6);
    }
    return std::make_shared<SCNetworkReachability>(SCNetworkReachability::Target::Name, name, 0);
}

bool SCNetworkReachabilityGetFlags(const SCNetworkReachabilityRef& target, SCNetworkReachabilityFlags* flags)
{
    SCNetworkReachabilityFlags value = 0;
    const bool ok = target && target->flags(value);
    if (flags != nullptr) {
        *flags = ok ? value : 0;
    }
    return ok;
}
