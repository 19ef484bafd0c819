#pragma once

#include <cstddef>
#include <span>

#include "platform/DialogTemplate.h"

namespace platform {

struct StringResource {
  unsigned id;
  const char* text;  // UTF-8; loaded as code page 1252
};

// A short looping clip: a PNG image holding `frames` frames of equal width side by side.
struct AnimationResource {
  unsigned id;
  const unsigned char* png;
  std::size_t size;
  int frames;
  int frameMilliseconds;
};

// What one module (a plug-in, the host) brings along. A module registers its tables when it is
// loaded and unregisters them before it goes; look-ups search the modules registered last first.
struct ResourceModule {
  std::span<const DialogTemplate> dialogs;
  std::span<const StringResource> strings;
  std::span<const AnimationResource> animations;
};

void RegisterResources(const ResourceModule& module);
void UnregisterResources(const ResourceModule& module);

const DialogTemplate* FindDialogTemplate(unsigned id);
const AnimationResource* FindAnimation(unsigned id);
// As the home platform's string loading: copies string `id` in code page 1252 into the buffer (at
// most size - 1 bytes and a NUL) and returns its length; 0 when there is no such string.
int LoadString(unsigned id, char* buffer, int size);

}  // namespace platform
