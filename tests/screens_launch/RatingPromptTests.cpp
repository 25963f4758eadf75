#include <gtest/gtest.h>

#include <netinet/in.h>

#include <limits>

#include "Classes/Controller/RatingPrompt.h"
#include "Platform/Foundation/NSClock.h"
#include "Platform/Foundation/NSDate.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/SystemConfiguration/SCNetworkReachability.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIApplication.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace {

constexpr double kDay = 86400;

bool machineLooksOnline()
{
    sockaddr_in zero {};
    zero.sin_family = AF_INET;
    SCNetworkReachabilityFlags flags = 0;
    return SCNetworkReachabilityGetFlags(SCNetworkReachabilityCreateWithAddress(reinterpret_cast<sockaddr*>(&zero)), &flags)
        && (flags & 6) == 2;
}

class RatingPromptTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        NSUserDefaults::resetStandardUserDefaults();
        RunLoop::main().resetForTesting();
        RunLoop::main().setClock(clock_);
        UIApplication::sharedApplication().resetForTesting();
        UIApplication::sharedApplication().setURLOpener([this](const std::string& url) {
            opened_.push_back(url);
            return true;
        });
        RatingPrompt::Configuration configuration;
        configuration.storeIdentifier = 123456;
        configuration.reviewHost = "reviews.example.test";
        configuration.testRequestURL = "http://127.0.0.1:9/"; // only whether it can be made counts
        configuration.version = "1.0";
        RatingPrompt::setConfigurationForTesting(configuration);
    }
    void TearDown() override
    {
        UIAlertView::resetForTesting();
        RatingPrompt::setConfigurationForTesting(std::nullopt);
        UIApplication::sharedApplication().resetForTesting();
        RunLoop::main().resetForTesting();
        NSUserDefaults::resetStandardUserDefaults();
    }
    NSUserDefaults& defaults() { return NSUserDefaults::standardUserDefaults(); }
    void setVersion(const std::string& version)
    {
        auto configuration = RatingPrompt::configuration();
        configuration.version = version;
        RatingPrompt::setConfigurationForTesting(configuration);
    }
    // A version in use for `days` with `uses` counted so far.
    void used(double days, std::int64_t uses)
    {
        RatingPrompt::sharedInstance()->incrementUseCount();
        defaults().setDouble(NSDate::date().timeIntervalSince1970() - days * kDay, "kRatingPromptFirstUseDate");
        defaults().setInteger(uses, "kRatingPromptUseCount");
    }

    TempDir home_;
    ScopedEnv env_ { "LEXIPHANT_HOME", home_.path() };
    std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>(1000);
    std::vector<std::string> opened_;
};

TEST_F(RatingPromptTest, CountsUsesPerVersionAndStartsOverOnANewOne)
{
    auto prompt = RatingPrompt::sharedInstance();
    prompt->incrementUseCount();
    EXPECT_EQ(defaults().stringForKey("kRatingPromptCurrentVersion"), "1.0");
    EXPECT_EQ(defaults().integerForKey("kRatingPromptUseCount"), 1);
    const double first = defaults().doubleForKey("kRatingPromptFirstUseDate");
    EXPECT_GT(first, 0);
    clock_->advance(kDay);
    prompt->incrementUseCount();
    EXPECT_EQ(defaults().integerForKey("kRatingPromptUseCount"), 2);
    EXPECT_EQ(defaults().doubleForKey("kRatingPromptFirstUseDate"), first);

    defaults().setBool(true, "kRatingPromptDeclinedToRate");
    defaults().setDouble(5, "kRatingPromptReminderRequestDate");
    setVersion("1.1");
    prompt->incrementUseCount();
    EXPECT_EQ(defaults().stringForKey("kRatingPromptCurrentVersion"), "1.1");
    EXPECT_EQ(defaults().integerForKey("kRatingPromptUseCount"), 1);
    EXPECT_FALSE(defaults().boolForKey("kRatingPromptDeclinedToRate"));
    EXPECT_EQ(defaults().doubleForKey("kRatingPromptReminderRequestDate"), 0);
    EXPECT_GT(defaults().doubleForKey("kRatingPromptFirstUseDate"), first);

    // A count at the top (edited by hand, or years of use) stays there instead of wrapping round.
    defaults().setInteger(std::numeric_limits<std::int64_t>::max(), "kRatingPromptUseCount");
    prompt->incrementUseCount();
    EXPECT_EQ(defaults().integerForKey("kRatingPromptUseCount"), std::numeric_limits<std::int64_t>::max());
}

TEST_F(RatingPromptTest, ConditionsNeedThirtyDaysMoreThanTwentyUsesAndNoAnswer)
{
    struct Case {
        const char* name;
        double days;
        std::int64_t uses;
        const char* flag;          // a BOOL key set YES, or null
        double remindedHoursAgo;   // < 0: never reminded
        bool met;
    };
    const Case cases[] = {
        { "29 days", 29, 30, nullptr, -1, false },
        { "30 days, 20 uses", 30, 20, nullptr, -1, false },
        { "30 days, 21 uses", 30, 21, nullptr, -1, true },
        { "declined", 40, 50, "kRatingPromptDeclinedToRate", -1, false },
        { "rated", 40, 50, "kRatingPromptRatedCurrentVersion", -1, false },
        { "reminded 23 h ago", 40, 50, nullptr, 23, false },
        { "reminded 25 h ago", 40, 50, nullptr, 25, true },
    };
    for (const Case& c : cases) {
        NSUserDefaults::resetStandardUserDefaults();
        for (const auto& key : { "kRatingPromptCurrentVersion", "kRatingPromptDeclinedToRate",
                                 "kRatingPromptRatedCurrentVersion", "kRatingPromptReminderRequestDate" })
            defaults().removeObjectForKey(key);
        used(c.days, c.uses);
        if (c.flag)
            defaults().setBool(true, c.flag);
        if (c.remindedHoursAgo >= 0)
            defaults().setDouble(NSDate::date().timeIntervalSince1970() - c.remindedHoursAgo * 3600,
                                 "kRatingPromptReminderRequestDate");
        EXPECT_EQ(RatingPrompt::sharedInstance()->ratingConditionsHaveBeenMet(), c.met) << c.name;
    }
}

TEST_F(RatingPromptTest, TwoCountsAtOnceLoseNoUse)
{
    RatingPrompt::sharedInstance()->incrementUseCount();
    for (int i = 0; i < 20; ++i) {
        RatingPrompt::appLaunched(true);
        RatingPrompt::appEnteredForeground(true);
    }
    RatingPrompt::waitForCountingForTesting();
    EXPECT_EQ(defaults().integerForKey("kRatingPromptUseCount"), 41);
}

TEST_F(RatingPromptTest, AlertAnswersAreRecordedAndRateOpensTheReviewPage)
{
    auto prompt = RatingPrompt::sharedInstance();
    prompt->showRatingAlert();
    auto alert = prompt->ratingAlert();
    ASSERT_TRUE(alert && alert->isVisible());
    EXPECT_EQ(alert->title(), "Rate Lexiphant");
    EXPECT_EQ(alert->message(), "If you enjoy using Lexiphant, would you mind taking a moment to rate it? "
                                "It won't take more than a minute. Thanks for your support!");
    EXPECT_EQ(alert->buttonTitleAtIndex(0), "No, Thanks");
    EXPECT_EQ(alert->buttonTitleAtIndex(1), "Rate Lexiphant");
    EXPECT_EQ(alert->buttonTitleAtIndex(2), "Remind me later");

    prompt->alertViewClickedButtonAtIndex(alert.get(), 2);
    EXPECT_NEAR(defaults().doubleForKey("kRatingPromptReminderRequestDate"), NSDate::date().timeIntervalSince1970(), 1);
    prompt->alertViewClickedButtonAtIndex(alert.get(), 0);
    EXPECT_TRUE(defaults().boolForKey("kRatingPromptDeclinedToRate"));
    prompt->alertViewClickedButtonAtIndex(alert.get(), 1);
    EXPECT_TRUE(defaults().boolForKey("kRatingPromptRatedCurrentVersion"));
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0], "https://reviews.example.test/WebObjects/MZStore.woa/wa/viewContentsUserReviews"
                          "?type=Purple+Software&id=123456");
}

TEST_F(RatingPromptTest, ResigningActiveDismissesTheAlertWithoutAnAnswer)
{
    auto prompt = RatingPrompt::sharedInstance();
    prompt->showRatingAlert();
    ASSERT_TRUE(prompt->ratingAlert()->isVisible());
    NSNotificationCenter::defaultCenter().postNotificationName(UIApplicationWillResignActiveNotification, nullptr);
    EXPECT_FALSE(prompt->ratingAlert()->isVisible());
    RunLoop::main().runOnce();
    EXPECT_FALSE(defaults().boolForKey("kRatingPromptDeclinedToRate"));
    EXPECT_FALSE(defaults().boolForKey("kRatingPromptRatedCurrentVersion"));
    EXPECT_EQ(defaults().doubleForKey("kRatingPromptReminderRequestDate"), 0);
}

TEST_F(RatingPromptTest, AQualifyingUseShowsThePromptWhenTheMachineIsOnline)
{
    used(31, 30);
    RatingPrompt::appEnteredForeground(true);
    RatingPrompt::waitForCountingForTesting();
    RunLoop::main().runOnce();
    EXPECT_EQ(defaults().integerForKey("kRatingPromptUseCount"), 31) << "counted with or without a network";
    const bool shown = UIAlertView::visibleAlert() != nullptr;
    EXPECT_EQ(shown, machineLooksOnline());
    RatingPrompt::appEnteredForeground(false);
    RatingPrompt::waitForCountingForTesting();
    EXPECT_EQ(defaults().integerForKey("kRatingPromptUseCount"), 32);
}

}
