#include "browser/HostLists.h"

#include <initializer_list>

namespace plugin {

LisHandle StudyList = nullptr;
LisHandle SeriesList = nullptr;
LisHandle ImageList = nullptr;

void DestroyHostLists() {
  for (LisHandle* list : {&StudyList, &SeriesList, &ImageList}) {
    if (*list != nullptr) lisDestroy(list);
  }
}

}  // namespace plugin
