#include "Classes/Controller/RatingPrompt.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <condition_variable>
#include <cstring>
#include <limits>

#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSDate.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSThread.h"
#include "Platform/Foundation/NSURL.h"
#include "Platform/Foundation/NSURLRequest.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/SystemConfiguration/SCNetworkReachability.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIApplication.h"

namespace {

constexpr char kCurrentVersion[] = "kRatingPromptCurrentVersion";
constexpr char kFirstUseDate[] = "kRatingPromptFirstUseDate";
constexpr char kUseCount[] = "kRatingPromptUseCount";
constexpr char kSignificantEventCount[] = "kRatingPromptSignificantEventCount";
constexpr char kRatedCurrentVersion[] = "kRatingPromptRatedCurrentVersion";
constexpr char kDeclinedToRate[] = "kRatingPromptDeclinedToRate";
constexpr char kReminderRequestDate[] = "kRatingPromptReminderRequestDate";

constexpr double kDaysUntilPrompt = 30 * 86400.0;
constexpr std::int64_t kUsesUntilPrompt = 20; // more than this
constexpr std::int64_t kSignificantEventsUntilPrompt = 0;
constexpr double kTimeBeforeReminding = 86400.0;
constexpr double kTestRequestTimeout = 20;

constexpr char kReviewPath[] = "/WebObjects/MZStore.woa/wa/viewContentsUserReviews";

std::mutex configurationMutex;
std::optional<RatingPrompt::Configuration> testConfiguration;

// Counting threads in flight, so tests can wait for them.
std::mutex countingThreadsMutex;
std::condition_variable countingThreadsDone;
int countingThreads = 0;

std::string bundleString(const char* key)
{
    return NSBundle::mainBundle().objectForInfoDictionaryKey(key).asString("");
}

std::string bundleName() { return bundleString("CFBundleName"); }

double now() { return NSDate::date().timeIntervalSince1970(); }

}

void RatingPrompt::setConfigurationForTesting(std::optional<Configuration> configuration)
{
    std::lock_guard lock(configurationMutex);
    testConfiguration = std::move(configuration);
}

RatingPrompt::Configuration RatingPrompt::configuration()
{
    {
        std::lock_guard lock(configurationMutex);
        if (testConfiguration)
            return *testConfiguration;
    }
    Configuration configuration;
    const PlistValue& identifier = NSBundle::mainBundle().objectForInfoDictionaryKey("LXRatingStoreIdentifier");
    if (identifier.isInteger())
        configuration.storeIdentifier = static_cast<int>(identifier.asInt());
    configuration.reviewHost = bundleString("LXRatingReviewHost");
    configuration.testRequestURL = bundleString("LXRatingTestURL");
    return configuration;
}

std::shared_ptr<RatingPrompt> RatingPrompt::sharedInstance()
{
    static std::mutex creation;
    static std::shared_ptr<RatingPrompt> instance;
    std::lock_guard lock(creation);
    if (!instance) {
        instance = std::make_shared<RatingPrompt>();
        NSNotificationCenter::defaultCenter().addObserver(
            instance.get(), UIApplicationWillResignActiveNotification, nullptr,
            [](const NSNotification&) { RatingPrompt::appWillResignActive(); });
    }
    return instance;
}

void RatingPrompt::appLaunched(bool canPrompt) { startCounting(canPrompt); }

void RatingPrompt::appEnteredForeground(bool canPrompt) { startCounting(canPrompt); }

void RatingPrompt::startCounting(bool canPrompt)
{
    auto prompt = sharedInstance();
    {
        std::lock_guard lock(countingThreadsMutex);
        ++countingThreads;
    }
    performInBackground([prompt, canPrompt] {
        prompt->incrementAndRate(canPrompt);
        std::lock_guard lock(countingThreadsMutex);
        --countingThreads;
        countingThreadsDone.notify_all();
    });
}

void RatingPrompt::waitForCountingForTesting()
{
    std::unique_lock lock(countingThreadsMutex);
    countingThreadsDone.wait(lock, [] { return countingThreads == 0; });
}

void RatingPrompt::appWillResignActive() { sharedInstance()->hideRatingAlert(); }

void RatingPrompt::incrementAndRate(bool canPrompt)
{
    bool show = false;
    {
        std::lock_guard lock(countingMutex_);
        incrementUseCount();
        show = canPrompt && ratingConditionsHaveBeenMet();
    }
    if (show && connectedToNetwork()) {
        std::weak_ptr<RatingPrompt> weak = weak_from_this();
        performOnMainThread(
            [weak] {
                if (auto prompt = weak.lock())
                    prompt->showRatingAlert();
            },
            false);
    }
}

void RatingPrompt::incrementUseCount()
{
    NSUserDefaults& defaults = NSUserDefaults::standardUserDefaults();
    std::string version = configuration().version;
    if (version.empty())
        version = bundleString("CFBundleVersion");
    const auto stored = defaults.stringForKey(kCurrentVersion);
    if (!stored)
        defaults.setString(version, kCurrentVersion);
    if (!stored || *stored == version) {
        if (defaults.doubleForKey(kFirstUseDate) == 0)
            defaults.setDouble(now(), kFirstUseDate);
        // A count edited up to the largest number stays there rather than wrap to negative.
        const std::int64_t uses = defaults.integerForKey(kUseCount);
        defaults.setInteger(uses < std::numeric_limits<std::int64_t>::max() ? uses + 1 : uses, kUseCount);
    } else {
        defaults.setString(version, kCurrentVersion);
        defaults.setDouble(now(), kFirstUseDate);
        defaults.setInteger(1, kUseCount);
        defaults.setInteger(0, kSignificantEventCount);
        defaults.setBool(false, kRatedCurrentVersion);
        defaults.setBool(false, kDeclinedToRate);
        defaults.setDouble(0, kReminderRequestDate);
    }
    defaults.synchronize();
}

bool RatingPrompt::ratingConditionsHaveBeenMet() const
{
    const NSUserDefaults& defaults = NSUserDefaults::standardUserDefaults();
    const double time = now();
    if (time - defaults.doubleForKey(kFirstUseDate) < kDaysUntilPrompt)
        return false;
    if (defaults.integerForKey(kUseCount) <= kUsesUntilPrompt)
        return false;
    if (defaults.integerForKey(kSignificantEventCount) < kSignificantEventsUntilPrompt)
        return false;
    if (defaults.boolForKey(kDeclinedToRate))
        return false;
    if (defaults.boolForKey(kRatedCurrentVersion))
        return false;
    if (time - defaults.doubleForKey(kReminderRequestDate) < kTimeBeforeReminding)
        return false;
    return true;
}

bool RatingPrompt::connectedToNetwork()
{
    sockaddr_in zeroAddress {};
    zeroAddress.sin_family = AF_INET;
    const auto reachability = SCNetworkReachabilityCreateWithAddress(reinterpret_cast<const sockaddr*>(&zeroAddress));
    SCNetworkReachabilityFlags flags = 0;
    if (!reachability || !SCNetworkReachabilityGetFlags(reachability, &flags)) {
        NSLog("Error. Could not recover network reachability flags");
        return false;
    }
    // Only whether the request could be made counts; its outcome is not awaited.
    std::shared_ptr<NSURLConnection> connection;
    if (auto url = NSURL::URLWithString(configuration().testRequestURL)) {
        const auto request = NSURLRequest::requestWithURL(url, NSURLRequestReloadIgnoringLocalCacheData, kTestRequestTimeout);
        connection = NSURLConnection::connectionWithRequest(request, weak_from_this());
    }
    testConnection_ = connection;
    const bool reachable = (flags & (kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsConnectionRequired))
        == kSCNetworkReachabilityFlagsReachable;
    const bool transient = (flags & kSCNetworkReachabilityFlagsTransientConnection) != 0;
    return (reachable || transient) && connection != nullptr;
}

void RatingPrompt::showRatingAlert()
{
    const std::string name = bundleName();
    ratingAlert_ = std::make_shared<UIAlertView>(
        "Rate " + name,
        "If you enjoy using " + name
            + ", would you mind taking a moment to rate it? It won't take more than a minute. Thanks for your support!",
        weak_from_this(), "No, Thanks", std::vector<std::string> { "Rate " + name, "Remind me later" });
    ratingAlert_->show();
}

void RatingPrompt::hideRatingAlert()
{
    if (ratingAlert_ && ratingAlert_->isVisible())
        ratingAlert_->dismissWithClickedButtonIndex(-1, false);
}

std::string RatingPrompt::reviewAddress(const Configuration& configuration)
{
    return "itms-apps://" + configuration.reviewHost + kReviewPath + "?type=Purple+Software&id="
        + std::to_string(configuration.storeIdentifier);
}

void RatingPrompt::rateApp()
{
    NSUserDefaults& defaults = NSUserDefaults::standardUserDefaults();
    defaults.setBool(true, kRatedCurrentVersion);
    defaults.synchronize();
    if (auto url = NSURL::URLWithString(reviewAddress(configuration())))
        UIApplication::sharedApplication().openURL(*url);
}

void RatingPrompt::alertViewClickedButtonAtIndex(UIAlertView* alertView, int buttonIndex)
{
    NSUserDefaults& defaults = NSUserDefaults::standardUserDefaults();
    switch (buttonIndex) {
    case 0:
        defaults.setBool(true, kDeclinedToRate);
        defaults.synchronize();
        break;
    case 1:
        rateApp();
        break;
    case 2:
        defaults.setDouble(now(), kReminderRequestDate);
        defaults.synchronize();
        break;
    default:
        break;
    }
}
