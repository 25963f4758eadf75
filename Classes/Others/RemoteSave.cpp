#include "Classes/Others/RemoteSave.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>

namespace {

bool holds(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The first `length` bytes of `text`, less a UTF-8 sequence the cut would split.
std::string utf8Prefix(const std::string& text, std::size_t length)
{
    if (length >= text.size())
        return text;
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0u) == 0x80u)
        --length;
    return text.substr(0, length);
}

// The stem a save form of `name` starts with, when `tail` more bytes follow it.
std::string stemFor(const std::string& name, std::size_t tail)
{
    return name.size() + tail <= RemoteSave::kLongestName
        ? name
        : utf8Prefix(name, RemoteSave::kLongestName > tail ? RemoteSave::kLongestName - tail : 0);
}

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

RemoteSave::Outcome RemoteSave::outcomeOf(int code, const std::string& words)
{
    // A refusal needs an answer: an SFTP command whose session broke fails with libcurl's quote
    // code but no status of the server.
    const bool answered = !words.empty() && words.find("Unknown error in libssh2") == std::string::npos;
    switch (code) {
    case CURLE_OK:
        return Outcome::done;
    // The server's own answers: a reply line or an SFTP status.
    case CURLE_QUOTE_ERROR:
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_UPLOAD_FAILED:
    case CURLE_REMOTE_DISK_FULL:
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_REMOTE_FILE_EXISTS:
    case CURLE_LOGIN_DENIED:
    case CURLE_FTP_COULDNT_RETR_FILE:
    case CURLE_FTP_COULDNT_USE_REST:
    case CURLE_WEIRD_SERVER_REPLY:
        return answered ? Outcome::refused : Outcome::lost;
    default:
        return Outcome::lost;
    }
}

std::string RemoteSave::saveForm(const std::string& name, const std::string& suffix, int n)
{
    const std::string number = n <= 1 ? std::string() : std::to_string(n);
    return stemFor(name, suffix.size() + number.size()) + suffix + number;
}

std::string RemoteSave::freeName(const std::vector<std::string>& taken, const std::string& name,
                                 const std::string& suffix)
{
    for (int n = 1;; ++n) {
        std::string candidate = saveForm(name, suffix, n);
        if (!holds(taken, candidate))
            return candidate;
    }
}

bool RemoteSave::isSaveForm(const std::string& candidate, const std::string& name, const std::string& suffix)
{
    const std::size_t at = candidate.rfind(suffix);
    if (at == std::string::npos)
        return false;
    const bool numbered = std::all_of(candidate.begin() + static_cast<std::ptrdiff_t>(at + suffix.size()),
                                      candidate.end(), [](char c) { return c >= '0' && c <= '9'; });
    return numbered && candidate.compare(0, at, stemFor(name, candidate.size() - at)) == 0;
}

bool RemoteSave::renameDoneThoughLost(Outcome rename, bool temporaryListed, std::optional<std::int64_t> nameSize,
                                      std::int64_t sent)
{
    return rename == Outcome::lost && !temporaryListed && isWhole(nameSize, sent);
}

bool RemoteSave::isDiskFull(int code, const std::string& words)
{
    if (code == CURLE_REMOTE_DISK_FULL)
        return true;
    if (words.rfind("452", 0) == 0 || words.rfind("552", 0) == 0)
        return true;
    const std::string text = lowered(words);
    return text.find("no space") != std::string::npos || text.find("quota") != std::string::npos
        || text.find("disk full") != std::string::npos;
}

std::vector<std::vector<std::string>> RemoteSave::lastReplies(const std::vector<std::string>& lines,
                                                              std::size_t count)
{
    auto isCode = [](const std::string& line) {
        return line.size() >= 3 && std::isdigit(static_cast<unsigned char>(line[0]))
            && std::isdigit(static_cast<unsigned char>(line[1])) && std::isdigit(static_cast<unsigned char>(line[2]));
    };
    std::vector<std::vector<std::string>> replies;
    std::vector<std::string> open; // a multi-line reply not yet ended
    for (const std::string& raw : lines) {
        const std::string line = raw.substr(0, raw.find_last_not_of("\r\n") + 1);
        if (line.empty() && open.empty())
            continue;
        const bool coded = isCode(line);
        if (open.empty()) {
            if (!coded)
                continue; // not part of any reply
            open.push_back(line);
            if (line.size() == 3 || line[3] != '-') {
                replies.push_back(std::move(open));
                open.clear();
            }
            continue;
        }
        open.push_back(line);
        // A multi-line reply ends with its code followed by a blank.
        if (coded && line.compare(0, 3, open.front(), 0, 3) == 0 && (line.size() == 3 || line[3] == ' ')) {
            replies.push_back(std::move(open));
            open.clear();
        }
    }
    if (replies.size() > count)
        replies.erase(replies.begin(), replies.end() - static_cast<std::ptrdiff_t>(count));
    return replies;
}

std::optional<RemoteSave::NameFacts> RemoteSave::factsOfMlst(const std::vector<std::string>& reply)
{
    if (reply.empty())
        return std::nullopt;
    if (reply.front().rfind("550", 0) == 0)
        return NameFacts {}; // no such name
    if (reply.front().rfind("250", 0) != 0)
        return std::nullopt;
    for (const std::string& line : reply) {
        // The facts line: a blank, "fact=value;" pairs, a blank, the path.
        if (line.empty() || line[0] != ' ')
            continue;
        const std::size_t end = line.find(' ', 1);
        if (end == std::string::npos)
            continue;
        NameFacts facts;
        facts.exists = true;
        bool typed = false;
        std::size_t at = 1;
        while (at < end) {
            const std::size_t stop = std::min(line.find(';', at), end);
            const std::string fact = line.substr(at, stop - at);
            at = stop + 1;
            const std::size_t equals = fact.find('=');
            if (equals == std::string::npos)
                continue;
            const std::string key = lowered(fact.substr(0, equals));
            const std::string value = fact.substr(equals + 1);
            if (key == "type") {
                typed = true;
                const std::string type = lowered(value);
                facts.isDirectory = type == "dir" || type == "cdir" || type == "pdir";
                // Anything but a plain file or a folder (a link, a device) needs a closer look.
                if (!facts.isDirectory && type != "file")
                    return std::nullopt;
            } else if (key == "size" && !value.empty()
                       && std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
                facts.size = std::stoll(value);
            } else if (key == "unix.mode") {
                // "0644", "644", and the "0o644" some servers write.
                std::string digits = value.rfind("0o", 0) == 0 ? value.substr(2) : value;
                if (!digits.empty() && digits.size() <= 6
                    && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '7'; }))
                    facts.mode = static_cast<unsigned>(std::stoul(digits, nullptr, 8)) & 07777u;
            }
        }
        if (!typed)
            return std::nullopt;
        return facts;
    }
    return std::nullopt;
}

void RemoteSave::Leftovers::remember(const std::string& path, const std::string& name)
{
    std::lock_guard lock(mutex_);
    made_[path].insert(name);
}

void RemoteSave::Leftovers::forget(const std::string& path, const std::string& name)
{
    std::lock_guard lock(mutex_);
    if (auto found = made_.find(path); found != made_.end())
        found->second.erase(name);
}

std::vector<std::string> RemoteSave::Leftovers::ownAmong(const std::string& path,
                                                         const std::vector<std::string>& listed) const
{
    std::lock_guard lock(mutex_);
    std::vector<std::string> own;
    if (auto found = made_.find(path); found != made_.end())
        for (const std::string& name : found->second)
            if (holds(listed, name))
                own.push_back(name);
    return own;
}

std::vector<std::string> RemoteSave::Leftovers::of(const std::string& path) const
{
    std::lock_guard lock(mutex_);
    const auto found = made_.find(path);
    return found == made_.end() ? std::vector<std::string>() : std::vector<std::string>(found->second.begin(), found->second.end());
}

RemoteSave::Leftovers& RemoteSave::leftovers()
{
    static Leftovers made;
    return made;
}
