#pragma once

#include <span>

#include "platform/Resources.h"

// The plug-in's resources as data: one table per dialog template and language, one string table
// per language, and the progress animation. Resources.cpp gathers them into the module that the
// plug-in registers when it is loaded.
namespace resources {

extern const std::span<const platform::StringResource> kStringsEnglish;
extern const std::span<const platform::StringResource> kStringsFrench;
extern const std::span<const platform::StringResource> kStringsGerman;

extern const platform::DialogTemplate kBrowserEnglish;
extern const platform::DialogTemplate kBrowserFrench;
extern const platform::DialogTemplate kBrowserGerman;
extern const platform::DialogTemplate kFilterEnglish;
extern const platform::DialogTemplate kFilterFrench;
extern const platform::DialogTemplate kFilterGerman;
extern const platform::DialogTemplate kProgress;

extern const platform::AnimationResource kProgressAnimation;

const platform::ResourceModule& PluginResources();

}  // namespace resources
