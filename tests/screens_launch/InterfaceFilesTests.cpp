#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "Classes/LexiphantClasses.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIInterfaceOwner.h"
#include "Platform/UIKit/UINib.h"
#include "Platform/UIKit/UIWindow.h"
#include "tests/uikit/UIKitTestSupport.h"

namespace {

const std::string kInterfaceFolder = std::string(LEXIPHANT_SOURCE_DIR) + "/Resources/Interface";

// Files whose owners declare no outlet that a file may leave out.
const std::set<std::string> kCompleteFiles = {
    "MainWindow.json", "PassController.json", "PassController_iPhone.json", "SetPassController.json",
    "SetPassController_iPhone.json",
};

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class InterfaceFiles : public UIKitTest {
protected:
    void SetUp() override
    {
        UIKitTest::SetUp();
        registerLexiphantClasses();
    }
    void TearDown() override
    {
        UIImage::clearNamedCache();
        UIKitTest::TearDown();
    }
};

// Every interface file of the bundle, on both devices, made and bound to a fresh object of the
// owner class it names, with the application's classes registered; every picture it names exists.
TEST_F(InterfaceFiles, EveryFileBindsToItsOwnerOnBothDevicesAndItsPicturesExist)
{
    UIClassRegistry& registry = UIClassRegistry::shared();
    std::set<std::string> checked;
    std::vector<std::string> waiting;
    const std::regex picture(R"re("([^"]+\.png)")re");
    for (const auto& entry : std::filesystem::directory_iterator(kInterfaceFolder)) {
        if (entry.path().extension() != ".json")
            continue;
        const std::string name = entry.path().filename().string();
        const std::string text = readFile(entry.path());
        std::shared_ptr<UINib> nib;
        ASSERT_NO_THROW(nib = UINib::nibWithJSON(text, name)) << name;
        const UIClassRegistry::ClassInfo* ownerClass = registry.classNamed(nib->ownerClassName());
        if (ownerClass == nullptr || !ownerClass->make) {
            waiting.push_back(name + " (" + nib->ownerClassName() + ")");
            continue;
        }
        for (const char* device : { "ipad", "iphone" }) {
            UIDevice::currentDevice().setProfile(*UIDevice::profileNamed(device));
            std::shared_ptr<UIResponder> owner = ownerClass->make();
            std::vector<std::shared_ptr<UIResponder>> objects;
            try {
                objects = nib->instantiateWithOwner(owner.get());
            } catch (const std::exception& error) {
                ADD_FAILURE() << name << " on " << device << ": " << error.what();
                continue;
            }
            auto* bound = dynamic_cast<UIInterfaceOwner*>(owner.get());
            if (bound != nullptr && kCompleteFiles.count(name) != 0) {
                for (const auto& [outlet, unused] : bound->connections().outlets()) {
                    EXPECT_TRUE(bound->boundOutlet(outlet)) << name << " leaves the outlet " << outlet << " unbound";
                }
            }
            for (const auto& object : objects)
                if (auto* window = dynamic_cast<UIWindow*>(object.get()); window && window->rootViewController())
                    window->setRootViewController(nullptr);
        }
        for (std::sregex_iterator it(text.begin(), text.end(), picture), end; it != end; ++it) {
            EXPECT_TRUE(UIImage::imageNamed((*it)[1].str())) << name << " names the missing picture " << (*it)[1].str();
        }
        checked.insert(name);
    }
    for (const std::string& mine : kCompleteFiles)
        EXPECT_EQ(checked.count(mine), 1u) << mine << " was not checked";
    for (const std::string& name : waiting)
        std::cout << "[ note ] owner not registered yet: " << name << '\n';
}

}
