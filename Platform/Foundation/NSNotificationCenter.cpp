#include "Platform/Foundation/NSNotificationCenter.h"

#include <algorithm>

NSNotificationCenter& NSNotificationCenter::defaultCenter()
{
    // Never destroyed: observers and delegates may still reach it while static objects are torn down.
    static auto* center = new NSNotificationCenter;
    return *center;
}

void NSNotificationCenter::addObserver(const void* observer, const std::string& name, const void* object, Block block)
{
    if (!block) {
        return;
    }
    auto entry = std::make_shared<Entry>();
    entry->observer = observer;
    entry->name = name;
    entry->object = object;
    entry->block = std::move(block);
    const std::lock_guard lock(mutex_);
    entries_.push_back(std::move(entry));
}

void NSNotificationCenter::addWeakObserver(std::weak_ptr<const void> owner, const void* observer, const std::string& name,
                                           const void* object, Block block)
{
    auto entry = std::make_shared<Entry>();
    entry->observer = observer;
    entry->owner = std::move(owner);
    entry->weak = true;
    entry->name = name;
    entry->object = object;
    entry->block = std::move(block);
    const std::lock_guard lock(mutex_);
    entries_.push_back(std::move(entry));
}

void NSNotificationCenter::removeObserver(const void* observer)
{
    const std::lock_guard lock(mutex_);
    std::erase_if(entries_, [observer](const std::shared_ptr<Entry>& entry) {
        if (entry->observer != observer) {
            return false;
        }
        entry->removed = true;
        return true;
    });
}

void NSNotificationCenter::removeObserver(const void* observer, const std::string& name, const void* object)
{
    const std::lock_guard lock(mutex_);
    std::erase_if(entries_, [&](const std::shared_ptr<Entry>& entry) {
        if (entry->observer != observer || (!name.empty() && entry->name != name)
            || (object != nullptr && entry->object != object)) {
            return false;
        }
        entry->removed = true;
        return true;
    });
}

void NSNotificationCenter::postNotification(const NSNotification& notification)
{
    std::vector<std::shared_ptr<Entry>> matching;
    std::vector<std::shared_ptr<Entry>> dropped;
    {
        const std::lock_guard lock(mutex_);
        // Registrations of observers that have gone end here; their blocks are released below,
        // outside the lock.
        std::erase_if(entries_, [&](const std::shared_ptr<Entry>& entry) {
            if (!entry->weak || !entry->owner.expired()) {
                return false;
            }
            entry->removed = true;
            dropped.push_back(entry);
            return true;
        });
        for (const auto& entry : entries_) {
            if ((entry->name.empty() || entry->name == notification.name)
                && (entry->object == nullptr || entry->object == notification.object)) {
                matching.push_back(entry);
            }
        }
    }
    for (const auto& entry : matching) {
        bool removed = false;
        {
            const std::lock_guard lock(mutex_);
            removed = entry->removed;
        }
        if (!removed) {
            entry->block(notification);
        }
    }
}

void NSNotificationCenter::postNotificationName(const std::string& name, const void* object, NSUserInfo userInfo)
{
    postNotification(NSNotification { name, object, std::move(userInfo) });
}

std::size_t NSNotificationCenter::observerCount() const
{
    const std::lock_guard lock(mutex_);
    return entries_.size();
}
