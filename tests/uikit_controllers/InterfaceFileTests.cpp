#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSException.h"
#include "Platform/UIKit/UIApplicationMain.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UINib.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UIScrollViewDelegate.h"
#include "tests/support/TempDir.h"
#include "tests/uikit_controllers/ControllerTestSupport.h"

using ::testing::HasSubstr;

namespace {

const std::string kSamples = std::string(LEXIPHANT_SOURCE_DIR) + "/tests/uikit_controllers/Interface";

// A control of the tests: keeps what the loader connected and sends it on request.
class TestControl : public UIView {
public:
    void fire() const
    {
        for (const auto& [target, action] : targets) {
            if (auto t = target.lock()) {
                t->performAction(action, static_cast<const UIResponder*>(this));
            }
        }
    }
    std::vector<std::pair<std::weak_ptr<UIResponder>, SEL>> targets;
};

// A cell with an outlet of its own.
class TestCell : public UIView, public UIInterfaceOwner {
public:
    UIView* imgIcon { nullptr };

protected:
    void declareConnections(UIConnectionTable& table) override { table.outlet("imgIcon", imgIcon); }
};

class TestSampleController : public UIViewController, public UIScrollViewDelegate {
public:
    explicit TestSampleController(std::string nibName = {})
        : UIViewController(std::move(nibName))
    {
    }
    UIScrollView* scrContent { nullptr };
    TestControl* btnSave { nullptr };
    TestControl* btnClose { nullptr };
    std::vector<std::string> pressed;

protected:
    void declareConnections(UIConnectionTable& table) override
    {
        UIViewController::declareConnections(table);
        table.outlet("scrContent", scrContent);
        table.outlet("btnSave", btnSave);
        table.outlet("btnClose", btnClose);
        table.action("btnSavePressed:", [this](UIResponder* sender) {
            pressed.push_back(
                std::string("save from tag ") + std::to_string(dynamic_cast<UIView*>(sender)->tag()));
        });
        table.action("btnClosePressed", [this] { pressed.push_back("close"); });
    }
};

class TestAppDelegate : public UIResponder, public UIApplicationDelegate, public UIInterfaceOwner {
public:
    std::shared_ptr<UIWindow> windowOutlet;
    std::shared_ptr<UINavigationController> navController;

protected:
    void declareConnections(UIConnectionTable& table) override
    {
        table.outlet("window", windowOutlet);
        table.outlet("navController", navController);
    }
};

void registerTestClasses()
{
    UIClassRegistry& registry = UIClassRegistry::shared();
    if (registry.classNamed("TestControl") != nullptr) {
        return;
    }
    registry.registerClass("TestControl", "UIView", [] { return std::make_shared<TestControl>(); });
    registry.setActionConnector("TestControl",
        [](UIResponder& object, const std::string& event, std::weak_ptr<UIResponder> target,
            const SEL& action) {
            if (event != "touchUpInside") {
                throw std::invalid_argument("unknown event '" + event + "'");
            }
            static_cast<TestControl&>(object).targets.emplace_back(std::move(target), action);
        });
    registry.registerClass("TestCell", "UIView", [] { return std::make_shared<TestCell>(); });
    registry.registerClass(
        "TestSampleController", "UIViewController", [] { return std::make_shared<TestSampleController>(); });
    registry.registerClass("TestAppDelegate", "", [] { return std::make_shared<TestAppDelegate>(); });
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class InterfaceFileTest : public ControllerTest {
protected:
    void SetUp() override
    {
        ControllerTest::SetUp();
        registerTestClasses();
    }
};

TEST_F(InterfaceFileTest, SampleBindsOutletsActionsDelegatesAndCellOutlets)
{
    auto owner = std::make_shared<TestSampleController>();
    auto nib = UINib::nibWithJSON(readFile(kSamples + "/SampleScreen.json"), "SampleScreen.json");
    const auto objects = nib->instantiateWithOwner(owner.get());
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(nib->ownerClassName(), "TestSampleController");
    ASSERT_TRUE(owner->isViewLoaded());
    EXPECT_EQ(owner->view(), objects[0]);
    EXPECT_EQ(owner->view()->frame(), CGRectMake(0, 0, 768, 1004));
    EXPECT_EQ(owner->view()->autoresizingMask(), 18u);
    ASSERT_TRUE(owner->scrContent && owner->btnSave && owner->btnClose);
    EXPECT_EQ(owner->scrContent->superview(), owner->view().get());
    EXPECT_EQ(owner->scrContent->contentSize(), CGSizeMake(768, 2000));
    EXPECT_FALSE(owner->scrContent->bounces());
    EXPECT_EQ(owner->scrContent->delegate().get(), static_cast<UIScrollViewDelegate*>(owner.get()));
    EXPECT_TRUE(owner->btnClose->isHidden());
    // Actions with and without a sender.
    owner->btnSave->fire();
    owner->btnClose->fire();
    EXPECT_THAT(owner->pressed, ::testing::ElementsAre("save from tag 7", "close"));
    auto* cell = dynamic_cast<TestCell*>(objects[1].get());
    ASSERT_NE(cell, nullptr);
    ASSERT_NE(cell->imgIcon, nullptr);
    EXPECT_EQ(cell->imgIcon->superview(), cell);
}

TEST_F(InterfaceFileTest, ControllerLoadsItsFileLazilyThenRunsViewDidLoad)
{
    BundleOverride bundle(std::string(LEXIPHANT_SOURCE_DIR) + "/tests/uikit_controllers");
    auto owner = std::make_shared<TestSampleController>("SampleScreen");
    EXPECT_FALSE(owner->isViewLoaded());
    EXPECT_EQ(owner->view()->subviews().size(), 3u);
    EXPECT_EQ(owner->interfaceObjects().size(), 1u) << "the cell lives with the controller";
    EXPECT_EQ(owner->view()->nextResponder(), owner.get());
}

struct BrokenFile {
    const char* name;
    const char* json;
    const char* element; // named in the message
    const char* key; // named in the message, "" for none
    const char* problem;
};

class BrokenInterfaceFileTest : public InterfaceFileTest,
                                public ::testing::WithParamInterface<BrokenFile> { };

TEST_P(BrokenInterfaceFileTest, FailsNamingFileElementAndKeyAndBindsNothing)
{
    const BrokenFile& c = GetParam();
    auto owner = std::make_shared<TestSampleController>();
    try {
        (void)UINib::nibWithJSON(c.json, "Broken.json")->instantiateWithOwner(owner.get());
        FAIL() << "loaded";
    } catch (const NamedException& error) {
        EXPECT_EQ(error.name(), UINibLoadingException);
        EXPECT_THAT(error.reason(), HasSubstr("Broken.json: "));
        EXPECT_THAT(error.reason(), HasSubstr(c.element));
        if (*c.key != '\0') {
            EXPECT_THAT(error.reason(), HasSubstr(std::string("key '") + c.key + "'"));
        }
        EXPECT_THAT(error.reason(), HasSubstr(c.problem));
    }
    EXPECT_FALSE(owner->isViewLoaded());
    EXPECT_EQ(owner->btnSave, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Errors, BrokenInterfaceFileTest,
    ::testing::Values(BrokenFile { "NotJson", "{\"objects\": [", "", "", "not JSON" },
        BrokenFile { "UnknownClass", R"({"objects": [{"class": "UIViewx"}]})", "objects[0]", "class",
            "unknown class 'UIViewx'" },
        BrokenFile { "UnknownKey", R"({"objects": [{"class": "UIView", "id": "v", "colour": "#fff"}]})",
            "objects[0] 'v' (UIView)", "colour", "unknown key of class 'UIView'" },
        BrokenFile { "WrongValueKind",
            R"({"objects": [{"class": "UIView", "subviews": [{"class": "UIView", "tag": "3"}]}]})",
            "objects[0].subviews[0] (UIView)", "tag", "expects a whole number" },
        BrokenFile { "BadColour", R"({"objects": [{"class": "UIView", "backgroundColor": "#12345"}]})",
            "objects[0]", "backgroundColor", "expects a colour" },
        BrokenFile { "MissingOutlet", R"({"objects": [{"class": "TestControl", "outlet": "btnSaev"}]})",
            "objects[0] 'btnSaev'", "outlet", "has no outlet 'btnSaev'" },
        BrokenFile { "MistypedOutlet", R"({"objects": [{"class": "UIView", "outlet": "btnSave"}]})",
            "objects[0] 'btnSave' (UIView)", "outlet", "takes TestControl, not UIView" },
        BrokenFile { "UnknownId", R"({"objects": [{"class": "UIScrollView", "delegate": "nobody"}]})",
            "objects[0]", "delegate", "no element has the id 'nobody'" },
        BrokenFile { "DuplicateId",
            R"({"objects": [{"class": "UIView", "id": "a"}, {"class": "UIView", "id": "a"}]})",
            "objects[1] 'a'", "id", "another element has the id 'a'" },
        BrokenFile { "UndeclaredAction",
            R"({"objects": [{"class": "TestControl", "outlet": "btnSave", "actions": [{"event": "touchUpInside", "selector": "btnSave:"}]}]})",
            "objects[0] 'btnSave'", "actions[0].selector", "declares no action 'btnSave:'" },
        BrokenFile { "ActionOnNonControl",
            R"({"objects": [{"class": "UIView", "actions": [{"event": "touchUpInside", "selector": "btnClosePressed"}]}]})",
            "objects[0]", "actions", "sends no actions" },
        BrokenFile { "UnknownEvent",
            R"({"objects": [{"class": "TestControl", "actions": [{"event": "touchUp", "selector": "btnClosePressed"}]}]})",
            "objects[0]", "actions[0].event", "unknown event 'touchUp'" },
        BrokenFile { "SubviewsOfNonView", R"({"objects": [{"class": "UIViewController", "subviews": []}]})",
            "objects[0]", "subviews", "only a view has subviews" },
        BrokenFile { "ControllerAsSubview",
            R"({"objects": [{"class": "UIView", "subviews": [{"class": "UIViewController"}]}]})",
            "objects[0].subviews[0]", "class", "a subview must be a view" },
        BrokenFile { "DelegateOfWrongProtocol",
            R"({"objects": [{"class": "UIView", "id": "plain"}, {"class": "UIScrollView", "delegate": "plain"}]})",
            "objects[1]", "delegate", "not a UIScrollViewDelegate" }),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(InterfaceFileTest, DeepNestingIsRefusedNotOverflowed)
{
    std::string json = R"({"objects": [)";
    for (int i = 0; i < 200; ++i) {
        json += R"({"class": "UIView", "subviews": [)";
    }
    for (int i = 0; i < 200; ++i) {
        json += "]}";
    }
    json += "]}";
    EXPECT_THROW((void)UINib::nibWithJSON(json, "Deep.json")->instantiateWithOwner(nullptr), NamedException);
}

TEST_F(InterfaceFileTest, RegistryInheritsKeysAndRefusesUnknownSuperclass)
{
    UIClassRegistry& registry = UIClassRegistry::shared();
    ASSERT_NE(registry.propertyOf("UIScrollView", "frame"), nullptr) << "inherited from UIView";
    EXPECT_EQ(registry.propertyOf("UIView", "contentSize"), nullptr);
    EXPECT_TRUE(registry.isKindOf("UIWindow", "UIView"));
    EXPECT_FALSE(registry.isKindOf("UIView", "UIWindow"));
    EXPECT_THROW(
        registry.registerClass("TestOrphan", "NoSuchBase", [] { return std::make_shared<UIView>(); }),
        std::invalid_argument);
}

// Every interface file of the bundle (and the samples here), on both devices, bound to a fresh
// object of the owner class it names. Files that name classes the application has not
// registered in this program are left out, and listed.
TEST_F(InterfaceFileTest, EveryInterfaceFileLoadsAndBindsToItsOwnerOnBothDevices)
{
    UIClassRegistry& registry = UIClassRegistry::shared();
    std::vector<std::string> skipped;
    int checked = 0;
    for (const std::string& folder :
        { std::string(LEXIPHANT_SOURCE_DIR) + "/Resources/Interface", kSamples }) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (entry.path().extension() != ".json") {
                continue;
            }
            const std::string text = readFile(entry.path().string());
            const std::string name = entry.path().filename().string();
            auto nib = UINib::nibWithJSON(text, name);
            // Class names the file uses, found by the loader's own key.
            std::vector<std::string> unregistered;
            for (std::size_t at = text.find("\"class\""); at != std::string::npos;
                 at = text.find("\"class\"", at + 1)) {
                const std::size_t open = text.find('"', text.find(':', at) + 1);
                const std::string className = text.substr(open + 1, text.find('"', open + 1) - open - 1);
                if (registry.classNamed(className) == nullptr) {
                    unregistered.push_back(className);
                }
            }
            const UIClassRegistry::ClassInfo* ownerClass = registry.classNamed(nib->ownerClassName());
            if (!unregistered.empty() || ownerClass == nullptr) {
                skipped.push_back(name);
                continue;
            }
            for (const char* device : { "ipad", "iphone" }) {
                UIDevice::currentDevice().setProfile(*UIDevice::profileNamed(device));
                std::shared_ptr<UIResponder> owner = ownerClass->make();
                EXPECT_NO_THROW((void)nib->instantiateWithOwner(owner.get())) << name << " on " << device;
                ++checked;
            }
        }
    }
    EXPECT_GE(checked, 6);
    if (!skipped.empty()) {
        std::string list;
        for (const auto& s : skipped) {
            list += " " + s;
        }
        std::cout << "[ note ] waiting for their classes:" << list << '\n';
    }
}

TEST_F(InterfaceFileTest, MainInterfaceMakesTheDelegateWithItsWindowAndNavigationController)
{
    TempDir bundle;
    std::filesystem::create_directories(bundle / "Interface");
    std::filesystem::copy_file(kSamples + "/MainWindow.json", bundle / "Interface/MainWindow.json");
    std::ofstream(bundle / "Info.plist")
        << readFile(std::string(LEXIPHANT_SOURCE_DIR) + "/Resources/Info.plist");
    BundleOverride env(bundle.path());
    EXPECT_EQ(UIApplicationMainInterfaceFileName(), "MainWindow");
    EXPECT_EQ(NSBundle::mainBundle().objectForInfoDictionaryKey("CFBundleName").asString(), "Lexiphant");
    auto delegate = std::dynamic_pointer_cast<TestAppDelegate>(UIApplicationLoadMainInterface());
    ASSERT_TRUE(delegate);
    ASSERT_TRUE(delegate->windowOutlet && delegate->navController);
    EXPECT_EQ(delegate->windowOutlet->frame(), UIScreen::mainScreen().bounds());
    // As the launch then does: a screen pushed, the stack made the window's root.
    auto first = screen("First");
    delegate->navController->pushViewControllerAnimated(first, true);
    delegate->windowOutlet->setRootViewController(delegate->navController);
    delegate->windowOutlet->makeKeyAndVisible();
    EXPECT_TRUE(first->isViewVisible());
    delegate->windowOutlet->setRootViewController(nullptr);
}

} // namespace

namespace {

TEST_F(InterfaceFileTest, OutletsOfTheScreenInFrontAreFoundByName)
{
    BundleOverride bundle(std::string(LEXIPHANT_SOURCE_DIR) + "/tests/uikit_controllers");
    auto back = std::make_shared<TestSampleController>("SampleScreen");
    auto navigation = showStack(back);
    auto front = std::make_shared<TestSampleController>("SampleScreen");
    front->setModalPresentationStyle(UIModalPresentationFormSheet);
    back->presentModalViewControllerAnimated(front, false);
    EXPECT_EQ(UIViewControllerOutletOnScreen("btnSave").get(), front->btnSave);
    EXPECT_EQ(UIViewControllerOutletOnScreen("lblNone"), nullptr);
    front->dismissModalViewControllerAnimated(false);
    EXPECT_EQ(UIViewControllerOutletOnScreen("btnSave").get(), back->btnSave);
}

} // namespace
