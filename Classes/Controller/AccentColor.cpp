#include "Classes/Controller/AccentColor.h"

#include "Classes/Controller/UIColorHexColor.h"
#include "Platform/Foundation/NSUserDefaults.h"

namespace AccentColor {

std::string colorScheme()
{
    return NSUserDefaults::standardUserDefaults().stringForKey(kColorSchemeKey).value_or(kDefaultColorScheme);
}

UIColorRef accentColor() { return UIColorHexColor::colorWithHexString(colorScheme()); }

}
