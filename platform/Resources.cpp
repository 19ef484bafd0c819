#include "platform/Resources.h"

#include <QString>
#include <algorithm>
#include <vector>

#include "platform/Ansi.h"

namespace platform {

namespace {

// The modules in registration order; look-ups walk it from the back. A module's tables are
// static data of that module, so the registry keeps the address it was given.
std::vector<const ResourceModule*>& Modules() {
  static std::vector<const ResourceModule*> modules;
  return modules;
}

template <typename Resource>
const Resource* FindIn(std::span<const Resource> ResourceModule::*table, unsigned id) {
  const auto& modules = Modules();
  for (auto module = modules.rbegin(); module != modules.rend(); ++module) {
    for (const Resource& resource : (*module)->*table) {
      if (resource.id == id) return &resource;
    }
  }
  return nullptr;
}

}  // namespace

void RegisterResources(const ResourceModule& module) {
  Modules().push_back(&module);
}

void UnregisterResources(const ResourceModule& module) {
  auto& modules = Modules();
  modules.erase(std::remove(modules.begin(), modules.end(), &module), modules.end());
}

const DialogTemplate* FindDialogTemplate(unsigned id) {
  return FindIn(&ResourceModule::dialogs, id);
}

const AnimationResource* FindAnimation(unsigned id) {
  return FindIn(&ResourceModule::animations, id);
}

int LoadString(unsigned id, char* buffer, int size) {
  const StringResource* resource = FindIn(&ResourceModule::strings, id);
  if (resource == nullptr || resource->text == nullptr) {
    CopyToBuffer("", buffer, size);
    return 0;
  }
  return CopyToBuffer(ToAnsi(QString::fromUtf8(resource->text)), buffer, size);
}

}  // namespace platform
