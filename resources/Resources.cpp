#include <array>
#include <vector>

#include "resources/Tables.h"

namespace resources {

const platform::ResourceModule& PluginResources() {
  static const std::array kDialogs = {kBrowserEnglish, kBrowserFrench, kBrowserGerman,
                                      kFilterEnglish,  kFilterFrench,  kFilterGerman,
                                      kProgress};
  static const std::array kAnimations = {kProgressAnimation};
  static const std::vector<platform::StringResource> kStrings = [] {
    std::vector<platform::StringResource> all(kStringsEnglish.begin(), kStringsEnglish.end());
    all.insert(all.end(), kStringsFrench.begin(), kStringsFrench.end());
    all.insert(all.end(), kStringsGerman.begin(), kStringsGerman.end());
    return all;
  }();
  static const platform::ResourceModule kModule{kDialogs, kStrings, kAnimations};
  return kModule;
}

}  // namespace resources
