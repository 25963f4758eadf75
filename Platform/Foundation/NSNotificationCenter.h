#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Platform/Foundation/NSWeakTarget.h"

// Extra values of a notification by key; each value keeps its own type (a keyboard frame is a
// CGRect, a duration a double).
using NSUserInfo = std::map<std::string, std::any>;

struct NSNotification {
    std::string name;
    // The sender, by identity only; null for none.
    const void* object { nullptr };
    NSUserInfo userInfo;

    // The value under key when it holds a T, else null.
    template <class T>
    [[nodiscard]] const T* userInfoValue(const std::string& key) const
    {
        const auto found = userInfo.find(key);
        return found == userInfo.end() ? nullptr : std::any_cast<T>(&found->second);
    }
};

// Delivers posted notifications, synchronously and in the order observers were added, to every
// observer whose name and object match (an empty name or a null object matches any). Observers
// are identified by a pointer (normally the observing object) so they can be removed. Removing
// an observer while a notification is being delivered stops its later deliveries at once; an
// observer added during delivery first hears the next post. Safe from any thread; delivery
// runs on the posting thread without any lock held.
class NSNotificationCenter {
public:
    using Block = std::function<void(const NSNotification&)>;

    static NSNotificationCenter& defaultCenter();

    void addObserver(const void* observer, const std::string& name, const void* object, Block block);
    // An observer held weakly: block(observer, notification) runs while the observer lives; once
    // it has gone its registrations are dropped and never run. It can still be removed by address.
    template <class T, class F>
    void addObserver(const std::shared_ptr<T>& observer, const std::string& name, const void* object, F block)
    {
        addWeakObserver(std::weak_ptr<const void>(observer), observer.get(), name, object,
                        [call = weakCall(observer, std::move(block))](const NSNotification& n) { call(n); });
    }
    // Every registration of the observer.
    void removeObserver(const void* observer);
    // Registrations of the observer for that name (and that object, unless null).
    void removeObserver(const void* observer, const std::string& name, const void* object = nullptr);

    void postNotification(const NSNotification& notification);
    void postNotificationName(const std::string& name, const void* object = nullptr, NSUserInfo userInfo = {});

    // Number of registrations (tests).
    [[nodiscard]] std::size_t observerCount() const;

private:
    void addWeakObserver(std::weak_ptr<const void> owner, const void* observer, const std::string& name,
                         const void* object, Block block);

    struct Entry {
        const void* observer { nullptr };
        // For weakly held observers: the registration ends when this expires.
        std::weak_ptr<const void> owner;
        bool weak { false };
        std::string name;
        const void* object { nullptr };
        Block block;
        bool removed { false };
    };

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Entry>> entries_;
};
