#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "Platform/Foundation/NSURLConnection.h"
#include "Platform/UIKit/UIAlertViewDelegate.h"

class UIAlertView;

// Counts the uses of each version of the app (launches and returns to the foreground) and, once
// a version has been used for 30 days and more than 20 times, asks the user once to rate it in
// the store. All its state lives in the user defaults under the kRatingPrompt keys. The counting
// runs on a background thread; the alert lives on the main thread.
class RatingPrompt : public UIAlertViewDelegate, public NSURLConnectionDelegate,
                     public std::enable_shared_from_this<RatingPrompt> {
public:
    // Where the review page lives and how the network is tested: from the bundle's Info.plist
    // ("LXRatingStoreIdentifier", "LXRatingReviewHost", "LXRatingTestURL"), unless a test set them.
    struct Configuration {
        int storeIdentifier { 0 };
        std::string reviewHost;
        std::string testRequestURL;
        // The version counted; empty: the bundle's CFBundleVersion.
        std::string version;
    };
    static void setConfigurationForTesting(std::optional<Configuration> configuration);
    [[nodiscard]] static Configuration configuration();

    static std::shared_ptr<RatingPrompt> sharedInstance();

    static void appLaunched(bool canPrompt);
    static void appEnteredForeground(bool canPrompt);
    static void appWillResignActive();
    static void rateApp();

    // The steps, public for the tests that drive them one by one.
    void incrementAndRate(bool canPrompt);
    void incrementUseCount();
    [[nodiscard]] bool ratingConditionsHaveBeenMet() const;
    [[nodiscard]] bool connectedToNetwork();
    void showRatingAlert();
    void hideRatingAlert();
    [[nodiscard]] const std::shared_ptr<UIAlertView>& ratingAlert() const { return ratingAlert_; }

    // The review page's address for a store identifier.
    [[nodiscard]] static std::string reviewAddress(const Configuration& configuration);

    // Waits until every counting thread started so far has ended (tests).
    static void waitForCountingForTesting();

    // UIAlertViewDelegate
    void alertViewClickedButtonAtIndex(UIAlertView* alertView, int buttonIndex) override;

private:
    static void startCounting(bool canPrompt);

    std::shared_ptr<UIAlertView> ratingAlert_;
    std::shared_ptr<NSURLConnection> testConnection_;
    // Two counts (a launch and an immediate return to the foreground) must not lose a use.
    std::mutex countingMutex_;
};
