#pragma once

#include <string>
#include <string_view>
#include <vector>

// The SSH host keys met so far, in OpenSSH's known-hosts form: a line per key, "host" for port 22
// and "[host]:port" for any other, then the key's type and its base64 text. A host and port keep
// the keys remembered for them, one per key type; another key of a remembered type is refused.
// Whatever cannot be read or stored fails closed: the connection is refused, never let through.
class KnownHosts {
public:
    enum class Verdict {
        known,
        learned,
        changed,    // another key of a remembered type, or none of the remembered types offered
        unreadable, // the file could not be read: nothing can be checked
        unstorable, // a first key could not be stored (or the host name cannot be written there)
    };

    // What the last check of a connection found, for its refusal message.
    struct Refusal {
        std::string hostName; // "host" or "[host]:port"
        int line { 0 };       // 1-based line of the remembered key, when changed
        std::string reason;   // what failed, when unreadable or unstorable
    };

    // One remembered key of a host and port.
    struct Remembered {
        std::string type;
        std::string key; // base64
        int line { 0 };
    };

    // "host" for port 22, "[host]:port" otherwise.
    [[nodiscard]] static std::string hostName(const std::string& host, int port);
    // The host and port as messages name them: "host, port 22" or "[host]:port".
    [[nodiscard]] static std::string shownName(const std::string& host, int port);
    // The reason a host name cannot be written as a line's host field and be read back (a "|"
    // marks a hashed name, a "," separates names, a blank ends the field); empty when it can.
    [[nodiscard]] static std::string unwritableHostReason(const std::string& host);

    // The keys remembered for host:port in the file at `path`, in the order of their lines. A
    // missing file holds none; false (and `error` says why) when it exists but cannot be read.
    [[nodiscard]] static bool remembered(const std::string& path, const std::string& host, int port,
                                         std::vector<Remembered>& keys, std::string& error);

    // Checks the key `blob` (the server's raw public key, which starts with its type) shown by
    // host:port against the file at `path`: a key met before is known; a host and port never met
    // are added at the end (learned, once written); one whose lines hold another key of the same
    // type, or only other types, is changed, and `refusal` says which line holds the first
    // remembered key of that type (or the first one).
    [[nodiscard]] static Verdict check(const std::string& path, const std::string& host, int port,
                                       std::string_view blob, Refusal& refusal);

    // The key type a raw key starts with ("ssh-ed25519", "ecdsa-sha2-nistp256", ...); empty
    // when the key is too short for one.
    [[nodiscard]] static std::string keyType(std::string_view blob);
    [[nodiscard]] static std::string base64(std::string_view bytes);
};
