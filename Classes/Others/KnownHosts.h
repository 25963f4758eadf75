#pragma once

#include <string>
#include <string_view>

// The SSH host keys met so far, in OpenSSH's known-hosts form: a line per key, "host" for port 22
// and "[host]:port" for any other, then the key's type and its base64 text. A host and port keep
// the keys remembered for them; any other key (of any type) is refused.
class KnownHosts {
public:
    enum class Verdict { known, learned, changed };

    // What the last check of a connection found, for its refusal message.
    struct Refusal {
        std::string hostName; // "host" or "[host]:port"
        int line { 0 };       // 1-based line of the remembered key
    };

    // "host" for port 22, "[host]:port" otherwise.
    [[nodiscard]] static std::string hostName(const std::string& host, int port);

    // Checks the key `blob` (the server's raw public key, which starts with its type) shown by
    // host:port against the file at `path`: a key met before is known; a host and port never met
    // are added at the end (learned); one whose lines all hold other keys is changed, and `refusal`
    // says which line holds the first remembered key.
    [[nodiscard]] static Verdict check(const std::string& path, const std::string& host, int port,
                                       std::string_view blob, Refusal& refusal);

    // The key type a raw key starts with ("ssh-ed25519", "ecdsa-sha2-nistp256", ...); empty
    // when the key is too short for one.
    [[nodiscard]] static std::string keyType(std::string_view blob);
    [[nodiscard]] static std::string base64(std::string_view bytes);
};
