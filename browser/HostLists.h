#pragma once

#include "hostlibs/vekutil/VekUtil.h"

// The browser's records, kept in three lists of the host's list service; an absent list is 0.
namespace plugin {

extern LisHandle StudyList;
extern LisHandle SeriesList;
extern LisHandle ImageList;

// Destroys each of the three lists that exists.
void DestroyHostLists();

}  // namespace plugin
